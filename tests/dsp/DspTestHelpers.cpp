#include "DspTestHelpers.h"

#include <cmath>

namespace kaleidra::test
{
juce::dsp::ProcessSpec makeSpec (double sampleRate, int blockSize, int channels)
{
    return { sampleRate, static_cast<juce::uint32> (blockSize), static_cast<juce::uint32> (channels) };
}

int engineLatencyFor (double sampleRate)
{
    // The look-ahead of 2 plus 92 of the longest segments (48 µs), rounded down.
    const float longestW = 48.0f * 0.000001f * static_cast<float> (sampleRate);
    return 2 + static_cast<int> (std::floor (92.0 * static_cast<double> (longestW) + 1.0 / 64.0));
}

int scratchLengthFor (double sampleRate, int blockSize)
{
    const auto fs = static_cast<float> (sampleRate);
    return static_cast<int> (static_cast<float> (engineLatencyFor (sampleRate) + juce::jmax (1, blockSize)) /
                             (fs * 0.000001f)) +
           3;
}

void settleTone (ToneFilter& tone, float presence)
{
    tone.presence = presence;
    tone.updateBlock (1);
    tone.resetLocked();
}

void applyNow (Stage& stage, const StageSettings& settings, double sampleRate)
{
    stage.segmentCount.value = settings.segments;
    setNow (stage.segmentSize, settings.segmentMicroseconds, sampleRate);
    setNow (stage.mix, settings.mixPercent, sampleRate);
    stage.segmentSeconds = stage.segmentSize.output.load();
}

void prepareEngine (Engine& engine, double sampleRate, int blockSize, int channels, bool series,
                    const std::vector<StageSettings>& stages, float presence)
{
    engine.mode.index = series ? 0 : 1;
    engine.prepareLocked (makeSpec (sampleRate, blockSize, channels));
    for (size_t s = 0; s < engine.stages.size(); ++s)
    {
        auto& stage = *engine.stages[s];
        applyNow (stage, s < stages.size() ? stages[s] : StageSettings{ 31, 11.0f, 0.0f }, sampleRate);
        settleTone (stage.tone, presence);
    }
    engine.resetLocked();
}

//==============================================================================================
StageRig::StageRig (double rate, int blockSize, int numChannels)
    : sampleRate (rate)
    , latency (engineLatencyFor (rate))
    , scratchLength (scratchLengthFor (rate, blockSize))
    , channels (numChannels)
{
    stage.prepare (makeSpec (rate, blockSize, numChannels), scratchLength, latency);
    scratch.setSize (numChannels, scratchLength);
    stage.reset (latency);
}

void StageRig::process (const float* const* input, float* const* output, int numChannels, int n, float gain,
                        bool accumulate, bool replace, bool silent)
{
    const juce::dsp::AudioBlock<float> in (const_cast<float* const*> (input),
                                           static_cast<size_t> (numChannels), static_cast<size_t> (n));
    juce::dsp::AudioBlock<float> out (output, static_cast<size_t> (numChannels), static_cast<size_t> (n));
    stage.process (in, n, scratch, out, gain, accumulate, replace, silent);
}

Signal StageRig::run (const Signal& input, int blockSize)
{
    const int frames = static_cast<int> (input[0].size());
    Signal output = input;
    std::vector<float*> pointers (output.size());
    for (int start = 0; start < frames; start += blockSize)
    {
        const int n = juce::jmin (blockSize, frames - start);
        for (size_t c = 0; c < output.size(); ++c)
            pointers[c] = output[c].data() + start;
        process (pointers.data(), pointers.data(), static_cast<int> (output.size()), n);
    }
    return output;
}

std::int64_t readsPastFill (const Engine& engine)
{
    std::int64_t total = engine.dryDelay.readsPastFill + engine.parallelDelay.readsPastFill;
    for (const auto& stage : engine.stages)
        total += stage->inputFifo.readsPastFill + stage->outputFifo.readsPastFill;
    return total;
}

//==============================================================================================
Signal runEngine (Engine& engine, const Signal& input, int blockSize,
                  const std::function<void (int, int)>& beforeBlock,
                  const std::function<int (int)>& blockSizeAt, bool bypassed,
                  tarn_dsp::FixedBlockFeeder* feeder)
{
    const int frames = static_cast<int> (input[0].size());
    Signal output = input;
    std::vector<float*> pointers (output.size());
    int block = 0;
    for (int start = 0; start < frames; ++block)
    {
        if (beforeBlock)
            beforeBlock (block, start);
        const int wanted = blockSizeAt ? blockSizeAt (block) : blockSize;
        const int n = juce::jmin (wanted, frames - start);
        for (size_t c = 0; c < output.size(); ++c)
            pointers[c] = output[c].data() + start;

        juce::dsp::AudioBlock<float> buffer (pointers.data(), output.size(), static_cast<size_t> (n));
        const juce::SpinLock::ScopedLockType lock (engine.lock);
        processBlockOf (engine, feeder, buffer, bypassed);
        start += n;
    }
    return output;
}

//==============================================================================================
Signal silence (int channels, int frames)
{
    return Signal (static_cast<size_t> (channels), std::vector<float> (static_cast<size_t> (frames), 0.0f));
}

Signal noise (int channels, int frames, juce::int64 seed, float amplitude)
{
    juce::Random random (seed);
    auto signal = silence (channels, frames);
    for (auto& channel : signal)
        for (auto& x : channel)
            x = amplitude * (2.0f * random.nextFloat() - 1.0f);
    return signal;
}

Signal bandLimited (int channels, int frames, double sampleRate, double maxHz, juce::int64 seed)
{
    juce::Random random (seed);
    auto signal = silence (channels, frames);
    constexpr int partials = 12;
    for (auto& channel : signal)
    {
        for (int p = 0; p < partials; ++p)
        {
            const double hz = 40.0 + random.nextDouble() * (maxHz - 40.0);
            const double phase = random.nextDouble() * juce::MathConstants<double>::twoPi;
            const double amplitude = 0.6 / partials * (0.5 + random.nextDouble());
            const double w = juce::MathConstants<double>::twoPi * hz / sampleRate;
            for (int t = 0; t < frames; ++t)
                channel[static_cast<size_t> (t)] += static_cast<float> (amplitude * std::sin (w * t + phase));
        }
    }
    return signal;
}

Signal impulses (int channels, int frames, const std::vector<int>& at, float height)
{
    auto signal = silence (channels, frames);
    for (auto& channel : signal)
        for (int t : at)
            if (t >= 0 && t < frames)
                channel[static_cast<size_t> (t)] = height;
    return signal;
}

std::vector<int> peaksAbove (const std::vector<float>& x, float threshold, int radius)
{
    std::vector<int> peaks;
    const int size = static_cast<int> (x.size());
    for (int t = 0; t < size; ++t)
    {
        const float v = std::abs (x[static_cast<size_t> (t)]);
        if (!(v > threshold))
            continue;

        bool largest = true;
        for (int u = juce::jmax (0, t - radius); u <= juce::jmin (size - 1, t + radius) && largest; ++u)
            if (u != t && (std::abs (x[static_cast<size_t> (u)]) > v ||
                           (u < t && std::abs (x[static_cast<size_t> (u)]) == v)))
                largest = false;
        if (largest)
            peaks.push_back (t);
    }
    return peaks;
}

float maxDelayedDifference (const std::vector<float>& a, const std::vector<float>& b, int delay, int from,
                            int to)
{
    float worst = 0.0f;
    for (int t = from; t < to; ++t)
    {
        const int u = t - delay;
        const float reference = u >= 0 && u < static_cast<int> (b.size()) ? b[static_cast<size_t> (u)] : 0.0f;
        worst = juce::jmax (worst, std::abs (a[static_cast<size_t> (t)] - reference));
    }
    return worst;
}

int bestMatchingDelay (const std::vector<float>& a, const std::vector<float>& b, int minDelay, int maxDelay,
                       int from, int to)
{
    int best = minDelay;
    double bestScore = -1.0e300;
    for (int d = minDelay; d <= maxDelay; ++d)
    {
        double score = 0.0;
        for (int t = from; t < to; ++t)
        {
            const int u = t - d;
            if (u >= 0 && u < static_cast<int> (b.size()))
                score += static_cast<double> (a[static_cast<size_t> (t)]) * b[static_cast<size_t> (u)];
        }
        if (score > bestScore)
        {
            bestScore = score;
            best = d;
        }
    }
    return best;
}

bool allFinite (const std::vector<float>& x, int from, int to)
{
    for (int t = from; t < to; ++t)
        if (!std::isfinite (x[static_cast<size_t> (t)]))
            return false;
    return true;
}
} // namespace kaleidra::test
