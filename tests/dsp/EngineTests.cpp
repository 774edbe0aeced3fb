// The three-stage engine: sizes, the reported latency in every mode and block size, switching,
// the dry path, the parallel sum, the series chain, the tone filter restart, channels, non-finite
// input, the bypass.

#include "DspTestHelpers.h"

#include <gtest/gtest.h>

using namespace kaleidra::test;

namespace
{
constexpr float tiny = 0.01f; // a stage active with 0.01 % mix is nearly transparent

std::vector<StageSettings> mixes (float m1, float m2, float m3)
{
    return { { 31, 11.0f, m1 }, { 31, 11.0f, m2 }, { 31, 11.0f, m3 } };
}

void setMixes (Engine& engine, float m1, float m2, float m3)
{
    engine.stages[0]->mix.setTarget (m1);
    engine.stages[1]->mix.setTarget (m2);
    engine.stages[2]->mix.setTarget (m3);
}

// Frames of the non-finite samples in x.
std::vector<int> nonFiniteFrames (const std::vector<float>& x)
{
    std::vector<int> frames;
    for (size_t t = 0; t < x.size(); ++t)
        if (!std::isfinite (x[t]))
            frames.push_back (static_cast<int> (t));
    return frames;
}
} // namespace

TEST (Engine, LatencyAndScratchSizes)
{
    struct Case
    {
        double fs;
        int block, latency, scratchLength;
    };
    // L = 2 + ⌊92 × 48 µs × fs + 1/64⌋ whatever the block size; the scratch holds the 1 µs segments
    // of L plus one block, plus 3.
    for (const auto& c :
         { Case{ 22050, 64, 99, 7395 }, Case{ 44100, 128, 196, 7349 }, Case{ 44100, 512, 196, 16057 },
           Case{ 48000, 139, 213, 7336 }, Case{ 96000, 279, 425, 7336 }, Case{ 192000, 557, 849, 7325 } })
    {
        Engine engine;
        engine.prepareLocked (makeSpec (c.fs, c.block, 2));
        EXPECT_EQ (engine.latency, c.latency) << c.fs;
        EXPECT_EQ (engine.scratchLength, c.scratchLength) << c.fs;
        EXPECT_EQ (engine.getTotalLatency(), 3 * c.latency) << c.fs;
        EXPECT_EQ (engine.sampleRate, static_cast<float> (c.fs));
        for (auto& stage : engine.stages)
        {
            EXPECT_EQ (stage->sampleRate, static_cast<float> (c.fs));
            EXPECT_EQ (stage->tone.sampleRate, static_cast<float> (c.fs));
            EXPECT_EQ (stage->outputFifo.fill[0], c.latency);
            EXPECT_EQ (stage->outputFifo.capacity, c.latency + c.block);
            EXPECT_EQ (stage->inputFifo.capacity, c.latency + c.block);
        }
    }
}

TEST (Engine, ImpulseComesOutAtTheReportedLatency)
{
    struct Mode
    {
        const char* name;
        bool series;
        float m1, m2, m3;
    };
    const Mode modes[] = {
        { "series, stage 1", true, tiny, 0, 0 },    { "series, all stages", true, tiny, tiny, tiny },
        { "parallel, stage 2", false, 0, tiny, 0 }, { "parallel, all stages", false, tiny, tiny, tiny },
        { "no stage active", true, 0, 0, 0 },
    };

    for (const double fs : { 44100.0, 48000.0, 96000.0 })
        for (const int block : { 1, 7, 64, 512, 1500 }) // 1500: larger than prepared
            for (const auto& mode : modes)
            {
                Engine engine;
                prepareEngine (engine, fs, 512, 2, mode.series, mixes (mode.m1, mode.m2, mode.m3), 100.0f);
                const int total = engine.getTotalLatency();
                ASSERT_EQ (total, 3 * engine.latency);

                const std::vector<int> at{ 300, 2999, 6001 };
                const auto input = impulses (2, 6001 + total + 300, at);
                const auto output = runEngine (engine, input, block);

                for (size_t c = 0; c < 2; ++c)
                {
                    // The two resampling passes at about one sample per segment can halve an
                    // impulse, depending on where the grid falls; its position never moves.
                    const auto peaks = peaksAbove (output[c], 0.3f);
                    ASSERT_EQ (peaks.size(), at.size()) << mode.name << " " << fs << " block " << block;
                    for (size_t i = 0; i < at.size(); ++i)
                        EXPECT_EQ (peaks[i], at[i] + total) << mode.name << " " << fs << " block " << block;
                }
            }
}

TEST (Engine, NoQueueEverRunsDry)
{
    // At the extremes (22.05 to 192 kHz; N 2 and 91; 1 and 48 µs), with mixes, sizes, counts and
    // the mode moving, resets and bypassed blocks in between: fed in chunks of the quantum from
    // host blocks of 1 to 4096 samples, and directly in blocks of 1 to 4096 samples, not one
    // sample is read past a queue's fill.
    for (const double fs : { 22050.0, 44100.0, 48000.0, 96000.0, 192000.0 })
        for (const bool throughFeeder : { true, false })
        {
            const int quantum = tarn_dsp::FixedBlockFeeder::quantumFor (fs);
            Engine engine;
            prepareEngine (engine, fs, throughFeeder ? quantum : 4096, 2, true,
                           { { 91, 48.0f, 100.0f }, { 2, 1.0f, 120.0f }, { 91, 1.0f, 50.0f } }, 75.0f);
            tarn_dsp::FixedBlockFeeder feeder;
            feeder.prepare (2, quantum);

            auto buffer = noise (2, 4096, 43);
            float* pointers[] = { buffer[0].data(), buffer[1].data() };
            juce::Random random (static_cast<juce::int64> (fs) + (throughFeeder ? 1 : 0));
            const float mixes[] = { 0.0f, 30.0f, 100.0f, 120.0f };

            for (int done = 0, block = 0; done < static_cast<int> (fs); ++block)
            {
                auto& stage = *engine.stages[static_cast<size_t> (random.nextInt (3))];
                switch (random.nextInt (8))
                {
                    case 0:
                        stage.segmentCount.value = random.nextBool() ? 2 : 91;
                        break;
                    case 1:
                        stage.segmentSize.setTarget (random.nextBool() ? 1.0f : 48.0f);
                        break;
                    case 2:
                        stage.mix.setTarget (mixes[random.nextInt (4)]);
                        break;
                    case 3:
                        engine.mode.index = random.nextInt (2);
                        break;
                    default:
                        break;
                }

                const int n = random.nextInt (8) == 0 ? 1 + random.nextInt (4096) : 1 + random.nextInt (600);
                juce::dsp::AudioBlock<float> audio (pointers, 2, static_cast<size_t> (n));
                const juce::SpinLock::ScopedLockType lock (engine.lock);
                if (block % 173 == 100)
                {
                    engine.reset();
                    feeder.reset();
                }
                const bool bypassed = block % 61 < 2;
                if (throughFeeder)
                    feeder.process (audio,
                                    [&engine, bypassed] (juce::dsp::AudioBlock<float>& chunk)
                                    {
                                        if (bypassed)
                                            engine.processBypassed (chunk, chunk);
                                        else
                                            engine.process (chunk, chunk);
                                    });
                else if (bypassed)
                    engine.processBypassed (audio, audio);
                else
                    engine.process (audio, audio);

                // Keep the signal alive and bounded.
                for (auto& channel : buffer)
                    for (auto& x : channel)
                        x = juce::jlimit (-1.0f, 1.0f, 0.5f * x + 0.5f * (random.nextFloat() - 0.5f));
                done += n;
            }

            EXPECT_EQ (readsPastFill (engine), 0)
                << fs << (throughFeeder ? " through the feeder" : " directly");
            EXPECT_EQ (feeder.readsPastFill(), 0) << fs;
        }
}

TEST (Engine, SwitchingModesAndStagesKeepsTheAlignment)
{
    // Changes at block boundaries while impulses are in flight: every peak must sit exactly at its
    // impulse plus the total latency (nothing early, late or replayed).
    struct Setting
    {
        bool series;
        float m1, m2, m3;
    };
    const Setting settings[] = {
        { true, tiny, 0, 0 }, { false, tiny, 0, 0 },      { false, tiny, tiny, tiny },
        { true, 0, 0, 0 },    { true, 0, tiny, tiny },    { false, 0, 0, tiny },
        { false, 0, 0, 0 },   { true, tiny, tiny, tiny }, { false, tiny, 0, tiny },
        { true, 0, tiny, 0 }, { false, 0, tiny, 0 },      { true, tiny, 0, tiny },
    };

    for (const int block : { 64, 301, 512 })
    {
        Engine engine;
        prepareEngine (engine, 44100, 512, 2, true, mixes (tiny, 0, 0), 100.0f);
        const int total = engine.getTotalLatency();

        std::vector<int> at;
        for (int t = 500; t < 60000; t += 1777)
            at.push_back (t);
        const auto input = impulses (2, 60000 + total, at);

        std::vector<int> switches;
        size_t next = 0;
        const auto output = runEngine (engine, input, block,
                                       [&] (int, int start)
                                       {
                                           if (start / 2500 >= static_cast<int> (next) + 1)
                                           {
                                               const auto& s = settings[next % std::size (settings)];
                                               engine.mode.index = s.series ? 0 : 1;
                                               setMixes (engine, s.m1, s.m2, s.m3);
                                               switches.push_back (start);
                                               ++next;
                                           }
                                       });
        ASSERT_GT (switches.size(), 15u);

        for (size_t c = 0; c < 2; ++c)
        {
            const auto peaks = peaksAbove (output[c], 0.3f);
            for (int p : peaks)
                EXPECT_TRUE (std::find (at.begin(), at.end(), p - total) != at.end())
                    << "block " << block << ": peak at " << p << " matches no impulse";

            // An impulse with no change between its arrival and its departure is always there.
            for (int t : at)
            {
                const bool quiet = std::none_of (switches.begin(), switches.end(),
                                                 [&] (int s) { return s > t - 4000 && s <= t + total; });
                if (quiet && t + total < static_cast<int> (output[c].size()))
                {
                    EXPECT_TRUE (std::find (peaks.begin(), peaks.end(), t + total) != peaks.end())
                        << "block " << block << ": impulse at " << t << " missing";
                }
            }
        }
    }
}

TEST (Engine, ModeChangeKeepsEverythingInFlight)
{
    // Stage 1 active (it sees the input in both modes): impulses every 97 samples, a change of mode
    // in the middle. Every impulse comes out once, exactly at the total latency, including those
    // in flight during the change.
    for (const bool startSeries : { true, false })
        for (const int block : { 64, 500 })
        {
            Engine engine;
            prepareEngine (engine, 44100, 512, 1, startSeries, mixes (tiny, 0, 0), 100.0f);
            const int total = engine.getTotalLatency();
            std::vector<int> at;
            for (int t = 40; t < 12000; t += 97)
                at.push_back (t);
            const auto input = impulses (1, 12000 + total, at);
            const int change = 6000 / block * block;
            const auto output = runEngine (engine, input, block,
                                           [&] (int, int start)
                                           {
                                               if (start == change)
                                                   engine.mode.index = startSeries ? 1 : 0;
                                           });

            std::vector<int> expected;
            for (int t : at)
                expected.push_back (t + total);
            EXPECT_EQ (peaksAbove (output[0], 0.5f, 20), expected)
                << (startSeries ? "series first" : "parallel first") << ", block " << block;
        }
}

TEST (Engine, StagesSwitchingOnAndOffKeepEverythingInFlight)
{
    // Stages go on and off while impulses pass (every 97 samples): while no stage is active the
    // stages keep running on the signal they would get, so the output continues seamlessly from
    // the dry delay to the stages and back. Every impulse comes out once, at the total latency.
    for (const bool series : { true, false })
    {
        Engine engine;
        prepareEngine (engine, 48000, 256, 2, series, mixes (0, 0, 0), 100.0f);
        const int total = engine.getTotalLatency();
        std::vector<int> at;
        for (int t = 40; t < 40000; t += 97)
            at.push_back (t);
        const auto input = impulses (2, 40000 + total, at);
        const auto output = runEngine (engine, input, 256,
                                       [&] (int block, int)
                                       {
                                           switch (block)
                                           {
                                               case 10:
                                                   setMixes (engine, 0, tiny, 0);
                                                   break; // on
                                               case 30:
                                                   setMixes (engine, 0, 0, 0);
                                                   break; // off (ramp)
                                               case 70:
                                                   setMixes (engine, tiny, 0, tiny);
                                                   break; // two on
                                               case 90:
                                                   setMixes (engine, 0, 0, 0);
                                                   break;
                                               case 130:
                                                   setMixes (engine, 0, 0, tiny);
                                                   break;
                                               default:
                                                   break;
                                           }
                                       });

        std::vector<int> expected;
        for (int t : at)
            expected.push_back (t + total);
        for (size_t c = 0; c < 2; ++c)
            EXPECT_EQ (peaksAbove (output[c], 0.5f, 20), expected) << (series ? "series" : "parallel");
    }
}

TEST (Engine, AllMixesZeroGiveTheDrySignalExactly)
{
    for (const bool series : { true, false })
        for (const int channels : { 1, 2 })
            for (const int block : { 1, 64, 333, 512, 2000 })
            {
                Engine engine;
                prepareEngine (engine, 48000, 512, channels, series, mixes (0, 0, 0), 40.0f);
                const auto input = noise (channels, 8000, 17);
                const auto output = runEngine (engine, input, block);
                const int total = engine.getTotalLatency();
                for (int c = 0; c < channels; ++c)
                    for (int t = 0; t < 8000; ++t)
                        ASSERT_EQ (output[static_cast<size_t> (c)][static_cast<size_t> (t)],
                                   t < total
                                       ? 0.0f
                                       : input[static_cast<size_t> (c)][static_cast<size_t> (t - total)])
                            << (series ? "series" : "parallel") << " block " << block << " frame " << t;
            }
}

TEST (Engine, DryPathDelayIsConstantWhateverCameBefore)
{
    // Stages active for a while, then all switched off: once their mix ramps have ended, the
    // output is exactly the input delayed by the total latency.
    for (const bool series : { true, false })
    {
        Engine engine;
        prepareEngine (engine, 44100, 256, 2, series, mixes (100, 60, 30), 70.0f);
        const auto input = noise (2, 30000, 18);
        const auto output = runEngine (engine, input, 256,
                                       [&] (int, int start)
                                       {
                                           if (start == 256 * 20)
                                               setMixes (engine, 0, 0, 0);
                                       });
        const int total = engine.getTotalLatency();
        const int quietFrom = 256 * 20 + 3308 + 256; // the ramps are over
        for (size_t c = 0; c < 2; ++c)
            EXPECT_EQ (maxDelayedDifference (output[c], input[c], total, quietFrom, 30000), 0.0f)
                << (series ? "series" : "parallel");
    }
}

TEST (Engine, ParallelIsTheSumOfTheStagesRunSeparately)
{
    // Processed in place: every stage must still read the block's original input.
    const std::vector<StageSettings> settings{ { 5, 3.0f, 100.0f },
                                               { 31, 11.0f, 50.0f },
                                               { 91, 40.0f, 120.0f } };
    for (const int block : { 64, 512 })
    {
        Engine engine;
        prepareEngine (engine, 44100, 512, 2, false, settings, 100.0f);
        const auto input = bandLimited (2, 12000, 44100, 8000, 19);
        const auto output = runEngine (engine, input, block);

        Signal sum = silence (2, 12000);
        for (const auto& s : settings)
        {
            StageRig rig (44100, 512, 2);
            applyNow (rig.stage, s, 44100);
            settleTone (rig.stage.tone, 100.0f);
            rig.stage.reset (rig.latency);
            const auto y = rig.run (input, block);
            for (size_t c = 0; c < 2; ++c)
                for (size_t t = 0; t < y[c].size(); ++t)
                    sum[c][t] += y[c][t];
        }

        for (size_t c = 0; c < 2; ++c)
        {
            EXPECT_LE (maxDelayedDifference (output[c], sum[c], 2 * engine.latency, 0, 12000), 1e-6f)
                << block;
            EXPECT_GT (maxDelayedDifference (output[c], silence (2, 12000)[0], 0, 0, 12000),
                       0.5f); // not silent
        }
    }
}

TEST (Engine, SeriesIsTheChainOfTheStages)
{
    const std::vector<StageSettings> settings{ { 7, 2.0f, 100.0f },
                                               { 31, 11.0f, 0.0f },
                                               { 60, 25.0f, 80.0f } };
    Engine engine;
    prepareEngine (engine, 48000, 256, 2, true, settings, 100.0f);
    const auto input = noise (2, 9000, 20);
    const auto output = runEngine (engine, input, 256);

    auto chained = input;
    for (const auto& s : settings)
    {
        StageRig rig (48000, 256, 2);
        applyNow (rig.stage, s, 48000);
        settleTone (rig.stage.tone, 100.0f);
        rig.stage.reset (rig.latency);
        chained = rig.run (chained, 256);
    }
    EXPECT_EQ (output, chained);
}

TEST (Engine, ModeIndexOutOfRangeProcessesInParallel)
{
    const auto input = noise (2, 6000, 21);
    Engine parallel;
    prepareEngine (parallel, 44100, 256, 2, false, mixes (100, 50, 0), 80.0f);
    const auto expected = runEngine (parallel, input, 256);

    for (const int index : { 2, 9, -1 })
    {
        Engine engine;
        prepareEngine (engine, 44100, 256, 2, false, mixes (100, 50, 0), 80.0f);
        engine.mode.index = index;
        engine.resetLocked();
        EXPECT_FALSE (engine.isSeries());
        EXPECT_EQ (runEngine (engine, input, 256), expected) << index;
    }
}

TEST (Engine, StageSwitchedOnStartsWithAResetToneFilter)
{
    Engine engine;
    prepareEngine (engine, 44100, 256, 2, false, mixes (100, 0, 0), 100.0f);
    const auto input = noise (2, 256 * 6, 22);
    runEngine (engine, input, 256,
               [&] (int block, int)
               {
                   if (block == 1)
                       for (auto& stage : engine.stages)
                           stage->tone.presence = 0.0f; // every tone filter starts a 75 ms gain ramp
                   if (block == 4)
                       engine.stages[1]->mix.setTarget (50.0f); // stage 2 comes on mid-ramp
               });

    // Stage 2's filter was reset when it came on: its ramp jumped to the target.
    EXPECT_EQ (engine.stages[1]->tone.gain.remaining, 0);
    EXPECT_EQ (engine.stages[1]->tone.gain.current, -56.0f);
    // Stage 3, still off, is mid-ramp.
    EXPECT_GT (engine.stages[2]->tone.gain.remaining, 0);
    EXPECT_FALSE (engine.stageInactive[1]);
    EXPECT_TRUE (engine.stageInactive[2]);
}

TEST (Engine, ZeroChannelsAndEmptyBlocksLeaveTheBlockUntouched)
{
    const auto input = noise (2, 512, 23);

    Engine noChannels;
    noChannels.prepareLocked (makeSpec (44100, 512, 0));
    EXPECT_EQ (runEngine (noChannels, input, 512), input);
    EXPECT_EQ (runEngine (noChannels, input, 512, {}, {}, true), input);

    Engine engine;
    engine.prepareLocked (makeSpec (44100, 512, 2));
    juce::dsp::AudioBlock<float> empty;
    engine.process (empty, empty);
    engine.processBypassed (empty, empty);

    auto copy = input;
    float* pointers[] = { copy[0].data(), copy[1].data() };
    juce::dsp::AudioBlock<float> noSamples (pointers, 2, 0);
    const auto fillBefore = engine.dryDelay.fill;
    engine.process (noSamples, noSamples);
    EXPECT_EQ (engine.dryDelay.fill, fillBefore);
    EXPECT_EQ (copy, input);
}

TEST (Engine, StereoChannelsAreProcessedIndependently)
{
    // Each channel of a stereo engine equals a mono engine fed that channel alone.
    for (const bool series : { true, false })
    {
        const std::vector<StageSettings> settings{ { 31, 11.0f, 100.0f },
                                                   { 4, 30.0f, 70.0f },
                                                   { 91, 1.0f, 20.0f } };
        auto input = noise (2, 9000, 24, 0.8f);
        for (size_t t = 0; t < 3000; ++t)
            input[1][t] = 0.0f; // right silent at first

        Engine stereo;
        prepareEngine (stereo, 44100, 512, 2, series, settings, 60.0f);
        const auto output = runEngine (stereo, input, 512);
        // Mirroring can move a sample earlier by up to a group (here at most about 25 samples over
        // the three stages), so the right channel may wake up a little before 3000 + the latency.
        EXPECT_EQ (maxDelayedDifference (output[1], silence (1, 9000)[0], 0, 0,
                                         3000 + stereo.getTotalLatency() - 100),
                   0.0f)
            << "the silent channel stayed silent";

        for (size_t c = 0; c < 2; ++c)
        {
            Engine mono;
            prepareEngine (mono, 44100, 512, 1, series, settings, 60.0f);
            const auto alone = runEngine (mono, Signal{ input[c] }, 512);
            EXPECT_EQ (output[c], alone[0]) << (series ? "series" : "parallel") << " channel " << c;
        }
    }
}

TEST (Engine, NonFiniteInputRecovers)
{
    const float bad[] = { std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                          -std::numeric_limits<float>::infinity() };
    for (const bool series : { true, false })
        for (const float value : bad)
        {
            Engine engine;
            prepareEngine (engine, 44100, 256, 2, series, mixes (100, 50, 70), 50.0f);
            auto input = noise (2, 20000, 25);
            for (size_t c = 0; c < 2; ++c)
            {
                input[c][5000] = value;
                input[c][5001] = value;
            }
            const auto output = runEngine (engine, input, 256);
            const int total = engine.getTotalLatency();

            for (size_t c = 0; c < 2; ++c)
            {
                const auto frames = nonFiniteFrames (output[c]);
                ASSERT_FALSE (frames.empty()); // the bad samples do pass through
                EXPECT_LT (frames.back(), 5001 + total + 4 * 256)
                    << (series ? "series " : "parallel ") << value;
                float peak = 0.0f;
                for (size_t t = static_cast<size_t> (frames.back()) + 1; t < output[c].size(); ++t)
                    peak = std::max (peak, std::abs (output[c][t]));
                EXPECT_LT (peak, 4.0f);
                EXPECT_GT (peak, 0.01f); // and the signal is back
            }
        }
}

TEST (Engine, ResetReturnsToTheStartingState)
{
    const std::vector<StageSettings> settings{ { 31, 11.0f, 100.0f },
                                               { 5, 20.0f, 60.0f },
                                               { 31, 11.0f, 0.0f } };
    const auto before = noise (2, 7000, 26);
    const auto input = noise (2, 7000, 27);

    Engine used;
    prepareEngine (used, 44100, 512, 2, true, settings, 75.0f);
    runEngine (used, before, 512, [&] (int block, int) { used.mode.index = block % 3 == 0 ? 1 : 0; });
    used.mode.index = 0;
    used.resetLocked();

    Engine fresh;
    prepareEngine (fresh, 44100, 512, 2, true, settings, 75.0f);
    EXPECT_EQ (runEngine (used, input, 512), runEngine (fresh, input, 512));
}

TEST (Engine, BypassIsTheInputDelayedByTheTotalLatency)
{
    for (const int block : { 1, 100, 512, 1300 })
    {
        Engine engine;
        prepareEngine (engine, 48000, 512, 2, true, mixes (100, 100, 100), 20.0f);
        const auto input = noise (2, 8000, 28);
        const auto output = runEngine (engine, input, block, {}, {}, true);
        const int total = engine.getTotalLatency();
        for (size_t c = 0; c < 2; ++c)
            EXPECT_EQ (maxDelayedDifference (output[c], input[c], total, 0, 8000), 0.0f) << block;
    }
}

TEST (Engine, SwitchingToAndFromBypassNeverMisaligns)
{
    // Process, bypass from frame 6000, back to processing at 12000 (with the reset the plug-in
    // makes, and without it), bypass again at 18000.
    for (const bool resetOnResume : { true, false })
    {
        Engine engine;
        prepareEngine (engine, 44100, 256, 2, true, mixes (tiny, 0, 0), 100.0f);
        const int total = engine.getTotalLatency();
        std::vector<int> at;
        for (int t = 300; t < 24000; t += 1111)
            at.push_back (t);
        const auto input = impulses (2, 24000 + total, at);
        auto output = input;

        std::vector<float*> pointers (2);
        for (int start = 0; start < 24000 + total; start += 256)
        {
            const int n = std::min (256, 24000 + total - start);
            for (size_t c = 0; c < 2; ++c)
                pointers[c] = output[c].data() + start;
            juce::dsp::AudioBlock<float> block (pointers.data(), 2, static_cast<size_t> (n));
            const bool bypassed = (start >= 6144 && start < 12032) || start >= 18176;
            if (start == 12032 && resetOnResume)
                engine.resetLocked();
            if (bypassed)
                engine.processBypassed (block, block);
            else
                engine.process (block, block);
        }

        const auto peaks = peaksAbove (output[0], 0.3f);
        for (int p : peaks)
            EXPECT_TRUE (std::find (at.begin(), at.end(), p - total) != at.end()) << "peak at " << p;
        // Into the bypass nothing is lost: the dry delay carries what was in flight.
        for (int t : at)
            if (t + total >= 6144 && t + total < 12032)
            {
                EXPECT_TRUE (std::find (peaks.begin(), peaks.end(), t + total) != peaks.end()) << t;
            }
        EXPECT_GT (peaks.size(), at.size() / 2);
    }
}
