#pragma once

#include <tarn_dsp/tarn_dsp.h>

#include <functional>
#include <vector>

namespace kaleidra::test
{
using Engine = tarn_dsp::KaleidraMultistage<float, 3>;
using Stage = tarn_dsp::KaleidraStage<float>;
using ToneFilter = Stage::ToneFilter<float>;

// Channel-major audio: signal[channel][frame].
using Signal = std::vector<std::vector<float>>;

juce::dsp::ProcessSpec makeSpec (double sampleRate, int blockSize, int channels);

// The engine's sizes for a sample rate and block size (same formulas as the engine), for tests
// that drive a stage on its own: L, the delay of one stage, and the scratch length.
int engineLatencyFor (double sampleRate);
int scratchLengthFor (double sampleRate, int blockSize);

// Puts a tone filter at a presence at once: the gain ramp the new presence starts is finished
// by a reset (which also clears the filter state).
void settleTone (ToneFilter& tone, float presence);

// Puts a ramped holder at a value at once (ramp finished).
template <typename Holder>
void setNow (Holder& holder, float value, double sampleRate)
{
    holder.setTarget (value);
    holder.reset (sampleRate);
}

struct StageSettings
{
    int segments = 31;
    float segmentMicroseconds = 11.0f;
    float mixPercent = 100.0f;
};

// Sets a stage's three values at once (no ramps).
void applyNow (Stage& stage, const StageSettings& settings, double sampleRate);

// Prepares an engine (prepare and reset under its lock), sets every stage and the tone at once.
void prepareEngine (Engine& engine, double sampleRate, int blockSize, int channels, bool series,
                    const std::vector<StageSettings>& stages, float presence);

// A stage driven on its own, with its own scratch ring, sized like inside the engine.
struct StageRig
{
    StageRig (double sampleRate, int blockSize, int channels);

    // One block through the stage (input and output may be the same signal).
    void process (const float* const* input, float* const* output, int channels, int n, float gain = 1.0f,
                  bool accumulate = false, bool replace = false, bool silent = false);

    // A whole signal in blocks of blockSize, in place, written at gain 1.
    Signal run (const Signal& input, int blockSize);

    Stage stage;
    tarn_dsp::SampleRing scratch;
    double sampleRate;
    int latency, scratchLength, channels;
};

// One block through an engine (this one or the reference) in place, normally or bypassed, and
// through a feeder in front of it when there is one. The caller holds the engine's lock.
template <typename EngineType>
void processBlockOf (EngineType& engine, tarn_dsp::FixedBlockFeeder* feeder,
                     juce::dsp::AudioBlock<float>& block, bool bypassed)
{
    const auto processEngine = [&engine, bypassed] (juce::dsp::AudioBlock<float>& audio)
    {
        if (bypassed)
            engine.processBypassed (audio, audio);
        else
            engine.process (audio, audio);
    };
    if (feeder != nullptr)
        feeder->process (block, processEngine);
    else
        processEngine (block);
}

// Runs a whole signal through the engine in blocks (in place, like the plug-in). `beforeBlock`
// runs before each block with the block index and its first frame; `blockSizeAt` may vary the
// block size (default: blockSize). With a feeder, the blocks go through it, as the plug-in feeds
// the engine.
Signal runEngine (Engine& engine, const Signal& input, int blockSize,
                  const std::function<void (int block, int start)>& beforeBlock = {},
                  const std::function<int (int block)>& blockSizeAt = {}, bool bypassed = false,
                  tarn_dsp::FixedBlockFeeder* feeder = nullptr);

// Samples read past a queue's fill in all of the engine's queues (stages, dry and parallel
// delays) since they were constructed.
std::int64_t readsPastFill (const Engine& engine);

// Test signals.
Signal silence (int channels, int frames);
Signal noise (int channels, int frames, juce::int64 seed, float amplitude = 0.5f);
// A sum of sines below `maxHz` (different phases per channel).
Signal bandLimited (int channels, int frames, double sampleRate, double maxHz, juce::int64 seed);
// Unit impulses at the given frames (all channels).
Signal impulses (int channels, int frames, const std::vector<int>& at, float height = 1.0f);

// Frames where |x| exceeds `threshold` and is the largest within ±radius.
std::vector<int> peaksAbove (const std::vector<float>& x, float threshold, int radius = 8);

// Largest |a[t] − b[t − delay]| over t in [from, to) (b taken as 0 before its start).
float maxDelayedDifference (const std::vector<float>& a, const std::vector<float>& b, int delay, int from,
                            int to);

// The delay in [minDelay, maxDelay] at which b best matches a (largest correlation).
int bestMatchingDelay (const std::vector<float>& a, const std::vector<float>& b, int minDelay, int maxDelay,
                       int from, int to);

bool allFinite (const std::vector<float>& x, int from, int to);
} // namespace kaleidra::test
