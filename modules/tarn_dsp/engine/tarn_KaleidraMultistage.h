#pragma once

#include <memory>
#include <vector>

namespace tarn_dsp
{
// The whole signal engine: NumStages stages in series (each stage processes the previous one's
// output) or in parallel (every stage processes the block's input and their outputs are summed),
// chosen by `mode`.
//
// Latency. Each stage delays by L = `latency` samples. The engine's output is delayed by exactly
// getTotalLatency() = NumStages × L in every mode: the series chain is that long by
// construction, the parallel sum passes a further (NumStages − 1) × L delay, and with no stage
// active the dry input comes from a delay of the same length. Every delay line is fed in every
// block whatever the mode, so switching modes or stages never replays stale audio:
//   - the stages always run (in the background when no stage is active), so their queues carry
//     the signal of the current topology;
//   - in Series, stage 1's output (which sees the input in both modes) keeps the parallel delay
//     fed;
//   - on a change of mode, stages 2 and up drop what they hold (it belongs to the other
//     topology), and for the (NumStages − 1) × L samples the series chain then needs to refill,
//     the output comes from the parallel delay, which is time-aligned.
//
// All four operations run with `lock` held by the caller; parameter values arrive through the
// holders' atomics and flags without it.
template <typename T, int NumStages>
class KaleidraMultistage : public Processor<T>
{
public:
    static_assert (NumStages >= 1, "the engine needs at least one stage");

    KaleidraMultistage();

    // The latency-matched bypass: each channel's input delayed by exactly getTotalLatency()
    // samples, through the same dry delay that process uses with no stage active. The next
    // process call drops what the stages held before the bypass.
    void processBypassed (const juce::dsp::AudioBlock<T>& input, juce::dsp::AudioBlock<T>& output) override;

    // One block; input and output may be the same memory. Blocks longer than the prepared
    // maximum are processed in pieces of at most that size. An engine prepared with zero
    // channels, or a block without channels or samples, leaves the output untouched.
    void process (const juce::dsp::AudioBlock<T>& input, juce::dsp::AudioBlock<T>& output) override;

    // Computes L for spec.sampleRate and the scratch length for it and spec.maximumBlockSize,
    // and sizes every buffer (nothing allocates after this).
    void prepare (const juce::dsp::ProcessSpec& spec) override;

    // Clears every queue, ring, tracker and ramp. Never allocates once prepared (it may run on
    // the audio thread).
    void reset() override;

    // The engine's delay: NumStages × L.
    int getTotalLatency() const noexcept
    {
        return NumStages * latency;
    }

    // L, the delay of one stage, at a sample rate: the least that never lets a stage's output run
    // dry (the derivation is next to the code). It does not depend on the block size.
    static int stageDelayFor (float sampleRate) noexcept;

    // Whether the current mode is "Series" (any other option text, including the empty text of
    // an index out of range, processes in parallel).
    bool isSeries() const
    {
        return mode.currentOption() == "Series";
    }

    static constexpr int numStages = NumStages;

    //==========================================================================================
    ChoiceArg mode{ getModeOptions(), "Mode" };
    int maxSegments = 91;
    float maxSegmentSeconds = 0.000048f;
    float minSegmentSeconds = 0.000001f;
    int numChannels = 0;
    int maxBlockSize = 0;
    int scratchLength = 0;
    int latency = 0;
    SampleRing scratch;
    SampleFifo dryDelay;
    std::vector<std::unique_ptr<KaleidraStage<T>>> stages;
    bool stageInactive[NumStages]{};

    // The parallel sum's extra (NumStages − 1) × L delay.
    SampleFifo parallelDelay;
    // The block's input (kept: the block may be processed in place) and the stages' output.
    juce::AudioBuffer<T> inputCopy, work;
    // Mode of the previous block, samples the series chain still needs to refill after a change
    // of mode, and whether the bypass ran since the last process call.
    bool previousSeries = true;
    int seriesRefill = 0;
    bool bypassedSinceProcess = false;

private:
    void initDelays();
    void initParallelDelay();
    void processChunk (const juce::dsp::AudioBlock<T>& input, juce::dsp::AudioBlock<T>& output, int channels,
                       int n);
    void dropStageContents (int firstStage);
    int processableChannels (const juce::dsp::AudioBlock<T>& input,
                             const juce::dsp::AudioBlock<T>& output) const noexcept;
};

extern template class KaleidraMultistage<float, 3>;
} // namespace tarn_dsp
