// Real-time safety: no allocation on the audio thread, and parameter writers on other threads.

#include "DspTestHelpers.h"
#include "support/AllocationGuard.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace kaleidra::test;

TEST (RealTime, ProcessingNeverAllocatesWhileParametersMove)
{
    Engine engine;
    prepareEngine (engine, 44100, 512, 2, true,
                   { { 31, 11.0f, 100.0f }, { 5, 3.0f, 0.0f }, { 91, 48.0f, 0.0f } }, 75.0f);
    auto buffer = noise (2, 4096, 30);
    float* pointers[] = { buffer[0].data(), buffer[1].data() };
    juce::Random random (31);
    const int sizes[] = { 512, 1, 64, 333, 1024, 7, 512 };

    AllocationGuard guard;
    for (int block = 0; block < 4000; ++block)
    {
        auto& stage = *engine.stages[static_cast<size_t> (block % 3)];
        switch (block % 11)
        {
            case 0:
                stage.mix.setTarget (random.nextFloat() * 120.0f);
                break;
            case 2:
                stage.segmentSize.setTarget (1.0f + random.nextFloat() * 47.0f);
                break;
            case 4:
                stage.segmentCount.value = random.nextInt (120) - 10;
                break; // out of range too
            case 6:
                stage.tone.presence = random.nextFloat() * 100.0f;
                break;
            case 8:
                engine.mode.index = random.nextInt (3);
                break;
            case 9:
                stage.mix.setTarget (0.0f);
                break;
            default:
                break;
        }

        const int n = sizes[block % 7];
        juce::dsp::AudioBlock<float> audio (pointers, 2, static_cast<size_t> (n));
        if (block % 500 == 250)
            engine.resetLocked(); // the plug-in resets on the audio thread after a bypass
        if (block % 97 < 3)
            engine.processBypassed (audio, audio);
        else
            engine.process (audio, audio);

        // Keep the signal alive and bounded.
        for (auto& channel : buffer)
            for (int t = 0; t < n; ++t)
                channel[static_cast<size_t> (t)] = 0.5f * (2.0f * random.nextFloat() - 1.0f);
    }
    EXPECT_EQ (guard.allocations(), 0u);
}

TEST (RealTime, HolderAndFilterAudioOperationsNeverAllocate)
{
    Stage stage;
    stage.segmentSize.prepare (4096);
    stage.mix.prepare (4096);
    stage.tone.prepareLocked (makeSpec (48000, 512, 2));
    std::vector<float> samples (512, 0.25f);

    AllocationGuard guard;
    for (int i = 0; i < 5000; ++i)
    {
        stage.mix.setTarget (static_cast<float> (i % 120));
        stage.mix.trySetTarget (static_cast<float> (i % 37));
        if (stage.mix.fillRamp (1 + i % 4096))
            stage.mix.releaseRamp();
        stage.segmentSize.setTarget (static_cast<float> (1 + i % 48));
        if (stage.segmentSize.advanceBlock (1 + i % 512))
            stage.segmentSize.releaseRamp();
        (void) stage.mix.isAtRest (0.0f);
        (void) stage.mix.differsFrom (1.0f);
        (void) stage.mix.valueAt (i);
        stage.tone.presence = static_cast<float> (i % 101);
        stage.tone.updateBlock (512);
        stage.tone.filterInPlace (i % 2, samples.data(), 512);
        if (i % 1000 == 0)
            stage.tone.resetLocked();
    }
    EXPECT_EQ (guard.allocations(), 0u);
}

TEST (RealTime, ParameterWritersOnOtherThreadsWhileProcessing)
{
    // Writers on another thread while the audio thread processes: no waiting on either side, no
    // data races (this test is meant to run under ThreadSanitizer too), and the values written last
    // are the ones the engine ends up with.
    Engine engine;
    prepareEngine (engine, 48000, 256, 2, true,
                   { { 31, 11.0f, 100.0f }, { 5, 3.0f, 50.0f }, { 9, 20.0f, 0.0f } }, 75.0f);
    std::atomic<bool> running{ true };
    std::atomic<int> writes{ 0 };

    std::thread writer (
        [&]
        {
            juce::Random random (40);
            while (running.load())
            {
                auto& stage = *engine.stages[static_cast<size_t> (random.nextInt (3))];
                stage.mix.setTarget (random.nextFloat() * 120.0f);
                stage.segmentSize.setTarget (1.0f + random.nextFloat() * 47.0f);
                stage.segmentCount.value = 2 + random.nextInt (90);
                stage.tone.presence = random.nextFloat() * 100.0f;
                engine.mode.index = random.nextInt (2);
                (void) stage.mix.getTargetLocked();
                (void) stage.mix.toString (1);
                (void) stage.segmentSize.toString (1);
                (void) stage.tone.presenceText();
                (void) engine.mode.toString();
                ++writes;
            }
        });

    auto buffer = noise (2, 256, 41);
    float* pointers[] = { buffer[0].data(), buffer[1].data() };
    juce::dsp::AudioBlock<float> audio (pointers, 2, 256);
    for (int block = 0; block < 3000 || writes.load() < 100; ++block)
    {
        const juce::SpinLock::ScopedLockType lock (engine.lock);
        engine.process (audio, audio);
        for (auto& channel : buffer)
            for (auto& x : channel)
                x = juce::jlimit (-1.0f, 1.0f, x * 0.5f + 0.1f);
    }
    running = false;
    writer.join();

    engine.stages[0]->mix.setTarget (33.0f);
    engine.stages[0]->segmentSize.setTarget (17.0f);
    for (int block = 0; block < 40; ++block) // 40 × 256 > the 75 ms ramp at 48 kHz
    {
        const juce::SpinLock::ScopedLockType lock (engine.lock);
        engine.process (audio, audio);
    }
    EXPECT_TRUE (engine.stages[0]->mix.isAtRest (33.0f));
    EXPECT_FLOAT_EQ (engine.stages[0]->segmentSeconds, 17.0f * 0.000001f);
    EXPECT_TRUE (allFinite (buffer[0], 0, 256));
}
