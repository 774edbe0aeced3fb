#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace tarn_dsp
{
// One stage of the effect. It resamples its input onto a grid with one value per segment
// (cubic interpolation), gathers N consecutive segments into a group, mirrors every second pair
// of each group from the ends inward, crossfaded by the mix, resamples back to the host rate
// and runs its tone filter over the output block. Its delay is exactly `latency` samples (L),
// set up by pre-filling the output queue.
//
// The engine owns three stages and calls prepare, reset and process. The processor writes
// segmentCount.value, calls segmentSize.setTarget and mix.setTarget, and writes tone.presence.
template <typename T>
class KaleidraStage
{
public:
    //==========================================================================================
    // The segment size: entered in microseconds, used in seconds (value × 0.000001).
    template <typename U>
    class SecondsTrackingMicrosecondsArg_v2 : public FloatArg_v2<U, 1>
    {
    public:
        explicit SecondsTrackingMicrosecondsArg_v2 (juce::String name = "Value");

        U convert (U value) override
        {
            return value * U (0.000001);
        }
    };

    //==========================================================================================
    // The stage's output filter: a 12.3 kHz, Q 0.9 high shelf whose gain follows the "Tone"
    // presence (0 % → −56 dB, 100 % → 0 dB, where the filter stops touching the signal).
    template <typename U>
    class ToneFilter : public HighShelfFilter<U>
    {
    public:
        ToneFilter();

        // Turns a new presence into a gain ramp; runs at the start of every block update.
        void updateArguments() override;

        // Takes up a presence that changed since the last block, then finishes every ramp: a
        // reset starts from the current settings, not from a ramp towards them.
        void reset() override;

        // "Presence: 75.0%".
        juce::String presenceText() const;

        // The shelf gain for a presence in percent.
        static U gainForPresence (U percent) noexcept
        {
            return percent * U (0.56) - U (56);
        }

        std::atomic<U> presence{ U (50) };
        juce::String presenceName{ "Presence" };
        juce::String presenceUnit{ "%" };
        U appliedPresence = U (50);
    };

    //==========================================================================================
    KaleidraStage();

    KaleidraStage (const KaleidraStage&) = delete;
    KaleidraStage& operator= (const KaleidraStage&) = delete;

    // Message thread, under the engine lock: sample rate, channels, ramp buffers for
    // `scratchLength` values, tone filter, trackers, and queue and working memory for a delay of
    // L = `latency` and blocks of up to spec.maximumBlockSize samples. The queues start as after
    // a flush.
    void prepare (const juce::dsp::ProcessSpec& spec, int scratchLength, int latency);

    // Under the engine lock (any thread, never allocates once prepared): finishes the ramps,
    // empties the input queue, refills the output queue with L zeros, restarts the trackers and
    // resets the tone filter.
    void reset (int latency);

    // Drops everything in flight (input queue empty, output queue L zeros, trackers restart),
    // leaving the arguments and the tone filter alone. Used when the signal this stage receives
    // changes its source.
    void flush (int latency) noexcept;

    // One block of n samples from `input` into `output` (possibly the same memory). `scratch` is
    // the engine's shared work area; its channel count bounds the channels processed, while the
    // grid values themselves live in the stage's own lane memory. How the stage's output is
    // combined into `output`:
    //   silent: nothing is written and the tone filter does not run (the queue still advances);
    //   accumulate and not replace: added at `gain` when gain > 0, dropped otherwise;
    //   otherwise: written over the block at `gain` (at 1 when gain ≤ 0).
    void process (const juce::dsp::AudioBlock<T>& input, int n, SampleRing& scratch,
                  juce::dsp::AudioBlock<T>& output, T gain, bool accumulate, bool replace, bool silent);

    // The segment count actually used: segmentCount.value limited to 2 ... 91.
    int clampedSegmentCount() const noexcept;

    static constexpr int minSegments = 2;
    static constexpr int maxSegments = 91;

    // Samples the analysis reads past the last one it takes: the cubic around the newest grid
    // point needs the two input samples after it.
    static constexpr int analysisLookAhead = 2;

    // The longest segment in seconds, as the segment-size holder gives it for 48 microseconds.
    static T longestSegmentSeconds() noexcept
    {
        return T (48) * T (0.000001);
    }

    //==========================================================================================
    ToneFilter<T> tone;
    SecondsTrackingMicrosecondsArg_v2<T> segmentSize{ "Segment Size" };
    IntArg segmentCount{ 2, "N" };
    PercentArg_v2<T> mix{ "Mix" };
    int numChannels = 0;
    T sampleRate = T (44100);
    T segmentSeconds = T (0.00005);
    SampleFifo inputFifo;
    SampleFifo outputFifo;
    std::vector<CubicTracker> trackers;
    bool firstBlock = true;

    // Capacity of both queues: the delay plus the largest block (from prepare).
    int queueCapacity = 0;

    // Values analysed (S) and input samples consumed (i) in the last block that produced
    // output; kept for inspection.
    int lastSegmentValues = 0;
    int lastConsumed = 0;

private:
    // Per-block working memory, sized in prepare. At segments shorter than a quarter sample only
    // the grid values that the resampling back to the host rate reads (and their mirror partners)
    // are computed, a small part of the grid; at longer ones the whole grid is analysed and
    // mirrored in one pass. The channels are worked out side by side, one per SIMD lane; more
    // channels than lanes are processed in passes.
    using Lanes = juce::dsp::SIMDRegister<T>;
    static constexpr int maxLaneChannels = static_cast<int> (Lanes::SIMDNumElements);

    struct Cubic
    {
        Lanes c0, c1, c2, c3;
    };

    enum class Mirroring
    {
        none,     // mix at rest at 0: the grid stays as analysed
        exchange, // mix at rest at 100 %: the pairs swap
        crossfade // anything else: per-group amount in groupMix
    };

    struct BlockPlan
    {
        int firstChannel = 0;              // first channel of this pass
        int channels = 0;                  // channels in this pass
        int segments = 0;                  // N
        int values = 0;                    // S
        int consumed = 0;                  // i
        T w = T (1);                       // segment length in input samples
        std::uint64_t groupReciprocal = 0; // division by N as a multiply and shift
        Mirroring mirroring = Mirroring::none;
        bool wholeGrid = false; // output samples share grid values: analyse all of it
    };

    T segmentSecondsInRange() const noexcept;
    void resampleBlock (const BlockPlan& plan);
    Lanes gridValues (int position, const BlockPlan& plan) const noexcept;
    Lanes mirroredValues (int position, const BlockPlan& plan) const noexcept;
    void analyseAndMirrorGrid (const BlockPlan& plan) noexcept;

    std::vector<Lanes> inputLanes;               // x(-1), then the queued input from the oldest on
    std::vector<Cubic> inputCubics;              // the analysis cubic of each input position
    std::vector<Lanes> gridLanes;                // grid values kept while output samples share them
    std::vector<Lanes> resampledLanes;           // the block's output
    std::vector<T> channelOutput;                // one channel of it, on its way into the queue
    std::vector<T> groupMix;                     // the mix amount of each group in this block
    std::array<int, maxSegments> pairPosition{}; // per position in a group: its pair's k, or -1

    void combineOutput (juce::dsp::AudioBlock<T>& output, int channels, int n, T gain, bool accumulate,
                        bool replace);
};

extern template class KaleidraStage<float>;
extern template class KaleidraStage<float>::SecondsTrackingMicrosecondsArg_v2<float>;
extern template class KaleidraStage<float>::ToneFilter<float>;
} // namespace tarn_dsp
