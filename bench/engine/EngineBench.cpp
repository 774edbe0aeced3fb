// Throughput of the three-stage engine on stereo 512-sample blocks, processed in place like the
// plug-in does. Reports samples per second (per channel) and how many times faster than real
// time the engine runs.
//
//   build/bench/engine/kaleidra_engine_bench

#include <tarn_dsp/tarn_dsp.h>

#include <benchmark/benchmark.h>

#include <chrono>
#include <vector>

namespace
{
using Engine = tarn_dsp::KaleidraMultistage<float, 3>;

constexpr int blockSize = 512;
constexpr int channels = 2;

enum class Case
{
    defaults,  // the plug-in's defaults: Series, stage 1 at 11 µs, N 31, mix 100 %, Tone 75
    worstCase, // all three stages at 1 µs, N 91, mix ramping all the time
    parallel   // Parallel, all three stages at the default segment settings
};

void setStage (tarn_dsp::KaleidraStage<float>& stage, int segments, float microseconds, float mix, double fs)
{
    stage.segmentCount.value = segments;
    stage.segmentSize.setTarget (microseconds);
    stage.segmentSize.reset (fs);
    stage.mix.setTarget (mix);
    stage.mix.reset (fs);
    stage.tone.presence = 75.0f;
}

void engineThroughput (benchmark::State& state, double fs, Case which)
{
    Engine engine;
    engine.mode.index = which == Case::parallel ? 1 : 0;
    engine.prepareLocked (
        { fs, static_cast<juce::uint32> (blockSize), static_cast<juce::uint32> (channels) });

    for (size_t s = 0; s < engine.stages.size(); ++s)
    {
        auto& stage = *engine.stages[s];
        switch (which)
        {
            case Case::defaults:
                setStage (stage, 31, 11.0f, s == 0 ? 100.0f : 0.0f, fs);
                break;
            case Case::worstCase:
                setStage (stage, 91, 1.0f, 100.0f, fs);
                break;
            case Case::parallel:
                setStage (stage, 31, 11.0f, 100.0f, fs);
                break;
        }
    }
    engine.resetLocked();

    // A steady noise-like signal; the engine runs in place on it block after block.
    std::vector<std::vector<float>> audio (channels, std::vector<float> (blockSize));
    juce::Random random (7);
    for (auto& channel : audio)
        for (auto& x : channel)
            x = 0.5f * (2.0f * random.nextFloat() - 1.0f);
    const auto input = audio;
    float* pointers[] = { audio[0].data(), audio[1].data() };
    juce::dsp::AudioBlock<float> block (pointers, channels, blockSize);

    juce::int64 blocks = 0;
    const auto began = std::chrono::steady_clock::now();
    for (auto _ : state)
    {
        if (which == Case::worstCase && blocks % 8 == 0) // a new mix ramp every 8 blocks
            for (auto& stage : engine.stages)
                stage->mix.setTarget ((blocks / 8) % 2 == 0 ? 20.0f : 110.0f);

        audio = input;
        const juce::SpinLock::ScopedLockType lock (engine.lock);
        engine.process (block, block);
        benchmark::DoNotOptimize (audio[0].data());
        benchmark::ClobberMemory();
        ++blocks;
    }

    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - began;

    // Samples per channel per second of processing, and seconds of audio per second of wall time.
    const auto samples = static_cast<double> (blocks) * blockSize;
    state.SetItemsProcessed (static_cast<int64_t> (samples));
    state.counters["samples/s"] = benchmark::Counter (samples, benchmark::Counter::kIsRate);
    state.counters["x_realtime"] = elapsed.count() > 0.0 ? samples / fs / elapsed.count() : 0.0;
}
} // namespace

BENCHMARK_CAPTURE (engineThroughput, defaults_44k1, 44100.0, Case::defaults)->Unit (benchmark::kMicrosecond);
BENCHMARK_CAPTURE (engineThroughput, defaults_96k, 96000.0, Case::defaults)->Unit (benchmark::kMicrosecond);
BENCHMARK_CAPTURE (engineThroughput, worst_case_44k1, 44100.0, Case::worstCase)
    ->Unit (benchmark::kMicrosecond);
BENCHMARK_CAPTURE (engineThroughput, worst_case_96k, 96000.0, Case::worstCase)
    ->Unit (benchmark::kMicrosecond);
BENCHMARK_CAPTURE (engineThroughput, parallel_44k1, 44100.0, Case::parallel)->Unit (benchmark::kMicrosecond);
BENCHMARK_CAPTURE (engineThroughput, parallel_96k, 96000.0, Case::parallel)->Unit (benchmark::kMicrosecond);

BENCHMARK_MAIN();
