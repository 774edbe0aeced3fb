#pragma once

// The engine in its literal, unoptimised form, kept only so that tests and benchmarks can check
// and measure the optimised engine (modules/tarn_dsp) against it in the same run. It must not be
// optimised: it is the engine as it stood before optimisation, in namespace kaleidra_reference
// with the same class names. Only the argument holders, Processor, the holder text helpers, the
// mode options and lerp are shared with tarn_dsp; everything else is its own copy.

#include <tarn_dsp/tarn_dsp.h>
#include "ReferenceFilters.h"
#include "ReferenceQueues.h"

#include <vector>

namespace kaleidra_reference
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
    class SecondsTrackingMicrosecondsArg_v2 : public tarn_dsp::FloatArg_v2<U, 1>
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
    // `scratchLength` values, tone filter, trackers and queue memory for a latency of L.
    void prepare (const juce::dsp::ProcessSpec& spec, int scratchLength, int latency);

    // Under the engine lock (any thread, never allocates once prepared): finishes the ramps,
    // empties the input queue, refills the output queue with L zeros, restarts the trackers and
    // resets the tone filter.
    void reset (int latency);

    // Drops everything in flight (input queue empty, output queue L zeros, trackers restart),
    // leaving the arguments and the tone filter alone. Used when the signal this stage receives
    // changes its source.
    void flush (int latency) noexcept;

    // One block of n samples from `input` into `output` (possibly the same memory), using the
    // engine's shared `scratch`. How the stage's output is combined into `output`:
    //   silent: nothing is written and the tone filter does not run (the queue still advances);
    //   accumulate and not replace: added at `gain` when gain > 0, dropped otherwise;
    //   otherwise: written over the block at `gain` (at 1 when gain ≤ 0).
    void process (const juce::dsp::AudioBlock<T>& input, int n, SampleRing& scratch,
                  juce::dsp::AudioBlock<T>& output, T gain, bool accumulate, bool replace, bool silent);

    // The segment count actually used: segmentCount.value limited to 2 ... 91.
    int clampedSegmentCount() const noexcept;

    static constexpr int minSegments = 2;
    static constexpr int maxSegments = 91;

    //==========================================================================================
    ToneFilter<T> tone;
    SecondsTrackingMicrosecondsArg_v2<T> segmentSize{ "Segment Size" };
    tarn_dsp::IntArg segmentCount{ 2, "N" };
    tarn_dsp::PercentArg_v2<T> mix{ "Mix" };
    int numChannels = 0;
    T sampleRate = T (44100);
    T segmentSeconds = T (0.00005);
    SampleFifo inputFifo;
    SampleFifo outputFifo;
    std::vector<CubicTracker> trackers;
    bool firstBlock = true;
    int queueCapacity = 0;

    // Values analysed (S) and input samples consumed (i) in the last block that produced
    // output; kept for inspection.
    int lastSegmentValues = 0;
    int lastConsumed = 0;

private:
    T segmentSecondsInRange() const noexcept;
    void combineOutput (juce::dsp::AudioBlock<T>& output, int channels, int n, T gain, bool accumulate,
                        bool replace);
};

extern template class KaleidraStage<float>;
extern template class KaleidraStage<float>::SecondsTrackingMicrosecondsArg_v2<float>;
extern template class KaleidraStage<float>::ToneFilter<float>;
} // namespace kaleidra_reference
