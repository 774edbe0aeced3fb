// The three-stage engine, optimised (tarn_dsp) against the literal reference (tests/reference),
// in the same process on the same input with the same parameter moves. Stereo, processed in place
// like the plug-in does (with denormals flushed, as in its processBlock).
//
// Each benchmark iteration is one round: `roundBlocks` blocks through the optimised engine, then
// the same blocks through the reference. The figures are in the counters (the framework's own
// time column covers a whole round of both engines and is not the figure to read):
//   opt_x_realtime, ref_x_realtime  seconds of audio per second of this thread's CPU time
//   speedup                          ref CPU time / opt CPU time (= opt_x_realtime / ref_x_realtime)
//   opt_median_block_us, opt_max_block_us, ref_median_block_us, ref_max_block_us
//                                    worst case only: wall-clock time of one block, median and
//                                    slowest over the run (a real-time effect is judged by its
//                                    slowest block; on a busy machine the maximum also catches
//                                    preemption)
//
//   flock /tmp/kaleidra-build.lock build/bench/engine/kaleidra_engine_bench

#include <ReferenceEngine.h>
#include <tarn_dsp/tarn_dsp.h>

#include "CpuTime.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <vector>

namespace
{
using kaleidra::bench::cpuSeconds;

using Optimised = tarn_dsp::KaleidraMultistage<float, 3>;
using Reference = kaleidra_reference::KaleidraMultistage<float, 3>;

constexpr int channels = 2;
constexpr int roundBlocks = 32;

struct Settings
{
    double fs = 44100.0;
    int blockSize = 512;
    int mode = 0; // 0 Series, 1 Parallel
    int segments[3] = { 31, 31, 31 };
    float microseconds[3] = { 11.0f, 11.0f, 11.0f };
    float mix[3] = { 100.0f, 0.0f, 0.0f };
    float presence = 75.0f;
    int mixFlipEvery = 0;    // > 0: every stage's mix target alternates 20 / 110 % this often
    bool blockTimes = false; // time every block (the clock reads add a little to the CPU time)
};

Settings worstCase()
{
    Settings s;
    s.mode = 1;
    for (int k = 0; k < 3; ++k)
    {
        s.segments[k] = 91;
        s.microseconds[k] = 1.0f;
        s.mix[k] = 100.0f;
    }
    s.mixFlipEvery = 8;
    s.blockTimes = true;
    return s;
}

Settings defaults (double fs, int blockSize)
{
    Settings s;
    s.fs = fs;
    s.blockSize = blockSize;
    return s;
}

// One engine with its settings, its own in-place buffer and its per-block times.
template <typename EngineType>
struct Runner
{
    explicit Runner (const Settings& settingsToUse)
        : settings (settingsToUse)
        , engine (std::make_unique<EngineType>())
        , buffer (channels, settingsToUse.blockSize)
    {
        blockMicroseconds.reserve (1 << 18);
        engine->mode.index = settings.mode;
        engine->prepareLocked ({ settings.fs, static_cast<juce::uint32> (settings.blockSize),
                                 static_cast<juce::uint32> (channels) });
        for (int k = 0; k < 3; ++k)
        {
            auto& stage = *engine->stages[static_cast<size_t> (k)];
            stage.segmentCount.value = settings.segments[k];
            stage.segmentSize.setTarget (settings.microseconds[k]);
            stage.mix.setTarget (settings.mix[k]);
            stage.tone.presence = settings.presence;
        }
        engine->resetLocked();
    }

    // Processes blocks [first, first + count) of the input (taken cyclically); returns this
    // thread's CPU seconds for them.
    double run (const std::vector<std::vector<float>>& input, juce::int64 first, int count)
    {
        const int n = settings.blockSize;
        const auto length = static_cast<juce::int64> (input[0].size());
        juce::dsp::AudioBlock<float> block (buffer.getArrayOfWritePointers(), channels,
                                            static_cast<size_t> (n));

        const double began = cpuSeconds();
        for (juce::int64 b = first; b < first + count; ++b)
        {
            if (settings.mixFlipEvery > 0 && b % settings.mixFlipEvery == 0)
                for (auto& stage : engine->stages)
                    stage->mix.setTarget ((b / settings.mixFlipEvery) % 2 == 0 ? 20.0f : 110.0f);

            const auto offset = static_cast<size_t> ((b * n) % (length - n));
            for (int c = 0; c < channels; ++c)
                buffer.copyFrom (c, 0, input[static_cast<size_t> (c)].data() + offset, n);

            const auto blockBegan = settings.blockTimes ? std::chrono::steady_clock::now()
                                                        : std::chrono::steady_clock::time_point{};
            {
                const juce::SpinLock::ScopedLockType lock (engine->lock);
                engine->process (block, block);
            }
            if (settings.blockTimes)
            {
                const std::chrono::duration<double, std::micro> took =
                    std::chrono::steady_clock::now() - blockBegan;
                blockMicroseconds.push_back (took.count());
            }
            benchmark::DoNotOptimize (buffer.getReadPointer (0));
            benchmark::ClobberMemory();
        }
        return cpuSeconds() - began;
    }

    double medianBlock()
    {
        auto times = blockMicroseconds;
        if (times.empty())
            return 0.0;
        const auto middle = times.begin() + static_cast<std::ptrdiff_t> (times.size() / 2);
        std::nth_element (times.begin(), middle, times.end());
        return *middle;
    }

    double maxBlock() const
    {
        return blockMicroseconds.empty()
                   ? 0.0
                   : *std::max_element (blockMicroseconds.begin(), blockMicroseconds.end());
    }

    Settings settings;
    std::unique_ptr<EngineType> engine;
    juce::AudioBuffer<float> buffer;
    std::vector<double> blockMicroseconds;
};

// Two seconds of noise plus sines, different in each channel.
std::vector<std::vector<float>> makeInput (double fs)
{
    const auto frames = static_cast<size_t> (2.0 * fs);
    std::vector<std::vector<float>> input (channels, std::vector<float> (frames));
    juce::Random random (7);
    for (size_t c = 0; c < input.size(); ++c)
        for (size_t t = 0; t < frames; ++t)
        {
            const double time = static_cast<double> (t) / fs;
            input[c][t] =
                0.2f * (2.0f * random.nextFloat() - 1.0f) +
                0.3f * static_cast<float> (std::sin (juce::MathConstants<double>::twoPi * 220.0 * time +
                                                     static_cast<double> (c))) +
                0.1f * static_cast<float> (std::sin (juce::MathConstants<double>::twoPi * 5100.0 * time));
        }
    return input;
}

void engineAgainstReference (benchmark::State& state, Settings settings)
{
    const juce::ScopedNoDenormals noDenormals;
    const auto input = makeInput (settings.fs);
    Runner<Optimised> optimised (settings);
    Runner<Reference> reference (settings);

    // Past the engine's start-up (its queues filled), into the steady state.
    const int warmUp = optimised.engine->getTotalLatency() / settings.blockSize + 8;
    optimised.run (input, 0, warmUp);
    reference.run (input, 0, warmUp);
    optimised.blockMicroseconds.clear();
    reference.blockMicroseconds.clear();

    double optimisedCpu = 0.0, referenceCpu = 0.0;
    juce::int64 next = warmUp;
    for (auto _ : state)
    {
        optimisedCpu += optimised.run (input, next, roundBlocks);
        referenceCpu += reference.run (input, next, roundBlocks);
        next += roundBlocks;
    }

    const double audioSeconds =
        static_cast<double> (next - warmUp) * static_cast<double> (settings.blockSize) / settings.fs;
    state.counters["opt_x_realtime"] = optimisedCpu > 0.0 ? audioSeconds / optimisedCpu : 0.0;
    state.counters["ref_x_realtime"] = referenceCpu > 0.0 ? audioSeconds / referenceCpu : 0.0;
    state.counters["speedup"] = optimisedCpu > 0.0 ? referenceCpu / optimisedCpu : 0.0;
    if (settings.blockTimes)
    {
        state.counters["opt_median_block_us"] = optimised.medianBlock();
        state.counters["opt_max_block_us"] = optimised.maxBlock();
        state.counters["ref_median_block_us"] = reference.medianBlock();
        state.counters["ref_max_block_us"] = reference.maxBlock();
    }
    state.SetLabel (std::to_string (static_cast<int> (settings.fs)) + " Hz, " +
                    std::to_string (settings.blockSize) + "-sample blocks, stereo");
}
} // namespace

BENCHMARK_CAPTURE (engineAgainstReference, worst_case_44k1, worstCase())
    ->Unit (benchmark::kMillisecond)
    ->MinTime (3.0);
BENCHMARK_CAPTURE (engineAgainstReference, defaults_44k1, defaults (44100.0, 512))
    ->Unit (benchmark::kMillisecond)
    ->MinTime (2.0);
BENCHMARK_CAPTURE (engineAgainstReference, defaults_96k, defaults (96000.0, 512))
    ->Unit (benchmark::kMillisecond)
    ->MinTime (2.0);
BENCHMARK_CAPTURE (engineAgainstReference, defaults_44k1_block64, defaults (44100.0, 64))
    ->Unit (benchmark::kMillisecond)
    ->MinTime (2.0);

BENCHMARK_MAIN();
