// One stage on its own: its delay, the worked pair exchanges, the mix crossfade, blocks without a
// whole group, the output combinations, N changes, the segment count limits, channel separation.

#include "DspTestHelpers.h"

#include <gtest/gtest.h>

using namespace kaleidra::test;

namespace
{
// A sample rate and segment size at which one segment is exactly one sample (w = 1), so the
// resampling passes are exact and the mirrored pairs can be read off the output.
constexpr double unitRate = 1000000.0;
constexpr float unitSegment = 1.0f;

// Input whose values name their own frame: x[t] = t + 1 (exact in float).
Signal countingSignal (int channels, int frames)
{
    auto signal = silence (channels, frames);
    for (size_t c = 0; c < signal.size(); ++c)
        for (int t = 0; t < frames; ++t)
            signal[c][static_cast<size_t> (t)] = static_cast<float> (t + 1) * (c == 0 ? 1.0f : -1.0f);
    return signal;
}

// A stage in the unit set-up, Tone 100 (filter out of the way).
struct UnitRig : StageRig
{
    UnitRig (int segments, float mixPercent, int blockSize = 512, int numChannels = 1)
        : StageRig (unitRate, blockSize, numChannels)
    {
        applyNow (stage, { segments, unitSegment, mixPercent }, unitRate);
        settleTone (stage.tone, 100.0f);
        stage.reset (latency);
    }
};
} // namespace

TEST (Stage, OneSegmentIsOneSampleInTheUnitSetUp)
{
    Stage stage;
    stage.segmentSize.setAtRest (unitSegment);
    EXPECT_EQ (stage.segmentSize.output.load() * static_cast<float> (unitRate), 1.0f);
}

TEST (Stage, MixZeroDelaysTheInputByExactlyL)
{
    // Band-limited input (12 partials below 2 kHz, peak about 0.9), Tone 100: the stage is two
    // cubic resampling passes and a delay of L. The bound is the largest difference measured with
    // this signal (in the comment), with some margin; segments longer than a sample resample
    // onto a coarser grid and so differ more.
    struct Case
    {
        double fs;
        int segments;
        float microseconds;
        float bound;
    };
    const Case cases[] = {
        { 44100, 31, 11.0f, 1e-4f },  // measured 1.7e-5
        { 44100, 2, 1.0f, 2e-4f },    // measured 5.1e-5
        { 44100, 91, 48.0f, 1e-2f },  // measured 6.1e-3
        { 48000, 31, 11.0f, 1e-3f },  // measured 5.3e-4
        { 96000, 5, 23.0f, 5e-3f },   // measured 3.2e-3
        { 44100, 7, 33.0f, 1.2e-2f }, // measured 7.5e-3
    };

    for (const auto& c : cases)
    {
        StageRig rig (c.fs, 512, 1);
        applyNow (rig.stage, { c.segments, c.microseconds, 0.0f }, c.fs);
        settleTone (rig.stage.tone, 100.0f);
        rig.stage.reset (rig.latency);

        const int frames = 12000;
        const auto input = bandLimited (1, frames, c.fs, 2000.0, 21);
        const auto output = rig.run (input, 512);

        const int from = rig.latency + 600, to = frames;
        EXPECT_EQ (bestMatchingDelay (output[0], input[0], rig.latency - 20, rig.latency + 20, from, to),
                   rig.latency)
            << c.fs << " N " << c.segments << " " << c.microseconds << " us";
        const float difference = maxDelayedDifference (output[0], input[0], rig.latency, from, to);
        EXPECT_LT (difference, c.bound) << c.fs << " N " << c.segments << " " << c.microseconds << " us";
        // The first L samples are the queue's initial zeros.
        EXPECT_EQ (maxDelayedDifference (output[0], silence (1, frames)[0], 0, 0, rig.latency), 0.0f);
    }
}

TEST (Stage, FullMixExchangesTheWorkedPairs)
{
    struct Case
    {
        int segments;
        std::vector<int> order; // source position of each position in a group
    };
    const Case cases[] = {
        { 2, { 1, 0 } },
        { 4, { 3, 1, 2, 0 } },
        { 5, { 4, 1, 2, 3, 0 } },
        { 6, { 5, 1, 3, 2, 4, 0 } },
        { 31, { 30, 1,  28, 3,  26, 5,  24, 7,  22, 9,  20, 11, 18, 13, 16, 15,
                14, 17, 12, 19, 10, 21, 8,  23, 6,  25, 4,  27, 2,  29, 0 } },
    };

    for (const auto& c : cases)
    {
        UnitRig rig (c.segments, 100.0f);
        const int frames = rig.latency + 1024;
        const auto input = countingSignal (1, frames);
        const auto output = rig.run (input, 512);

        // The first block's grid starts at input frame 0 and comes out after L samples. Every
        // group of it that was output whole follows the worked order. (A block outputs one value
        // less than its grid holds: its last grid position starts the next block's grid, so its
        // last group is not output whole.)
        const int groupsOut = 511 / c.segments - 1;
        ASSERT_GE (groupsOut, 1);
        for (int g = 0; g < groupsOut; ++g)
            for (int p = 0; p < c.segments; ++p)
            {
                const int outFrame = rig.latency + g * c.segments + p;
                const float expected =
                    input[0][static_cast<size_t> (g * c.segments + c.order[static_cast<size_t> (p)])];
                ASSERT_EQ (output[0][static_cast<size_t> (outFrame)], expected)
                    << "N " << c.segments << " group " << g << " position " << p;
            }

        // Over many blocks every output sample is an input sample from its own neighbourhood.
        for (int t = rig.latency; t < frames; ++t)
        {
            const float v = output[0][static_cast<size_t> (t)];
            const int source = static_cast<int> (v) - 1;
            ASSERT_EQ (static_cast<float> (source + 1), v);
            ASSERT_LT (std::abs (source - (t - rig.latency)), c.segments + 1)
                << "N " << c.segments << " at " << t;
        }
    }
}

TEST (Stage, PartialMixCrossfadesPairsAndKeepsTheirSums)
{
    for (const float mix : { 25.0f, 50.0f, 99.0f, 120.0f })
    {
        UnitRig rig (4, mix);
        const auto input = countingSignal (1, rig.latency + 600);
        const auto output = rig.run (input, 512);
        const float o = mix * 0.01f;
        for (int g = 0; g < 100; ++g)
        {
            const auto at = [&] (int p) { return output[0][static_cast<size_t> (rig.latency + 4 * g + p)]; };
            const float a = input[0][static_cast<size_t> (4 * g)];
            const float b = input[0][static_cast<size_t> (4 * g + 3)];
            EXPECT_EQ (at (0), tarn_dsp::lerp (a, b, o)) << mix;
            EXPECT_EQ (at (3), (a - at (0)) + b) << mix;
            EXPECT_FLOAT_EQ (at (0) + at (3), a + b) << mix;
            EXPECT_EQ (at (1), input[0][static_cast<size_t> (4 * g + 1)]); // the odd pair stays
            EXPECT_EQ (at (2), input[0][static_cast<size_t> (4 * g + 2)]);
        }
        if (mix > 100.0f)
        {
            EXPECT_GT (output[0][static_cast<size_t> (rig.latency)], input[0][3]); // pushed past the exchange
        }
    }
}

TEST (Stage, BlocksWithoutAWholeGroupOnlyEmptyTheOutputQueue)
{
    // 91 segments of 48 µs are about 193 samples: the first three 64-sample blocks hold no group.
    StageRig rig (44100, 512, 1);
    applyNow (rig.stage, { 91, 48.0f, 100.0f }, 44100);
    const auto input = noise (1, 64 * 4, 8);
    std::vector<float> out (64, 5.0f);

    for (int b = 0; b < 3; ++b)
    {
        const float* in[] = { input[0].data() + 64 * b };
        float* o[] = { out.data() };
        std::fill (out.begin(), out.end(), 5.0f);
        rig.process (in, o, 1, 64);
        EXPECT_EQ (rig.stage.lastConsumed, 0) << b;
        EXPECT_EQ (rig.stage.inputFifo.fill[0], 64 * (b + 1));
        EXPECT_EQ (rig.stage.outputFifo.fill[0], rig.latency - 64 * (b + 1));
        for (float v : out)
            ASSERT_EQ (v, 0.0f); // the initial zeros, through the tone filter
    }

    const float* in[] = { input[0].data() + 192 };
    float* o[] = { out.data() };
    rig.process (in, o, 1, 64);
    EXPECT_GT (rig.stage.lastConsumed, 180);
    EXPECT_EQ (rig.stage.lastSegmentValues, 91);
    // Delay kept: what is queued in and out still adds up to L.
    EXPECT_EQ (rig.stage.inputFifo.fill[0] + rig.stage.outputFifo.fill[0], rig.latency);
}

TEST (Stage, HoldsBackAtMostItsDelayAndTheBoundIsReached)
{
    // The stage hands out every block in full exactly while it holds back at most L input
    // samples after its analysis (its output queue starts with L zeros). The most it can hold
    // back is at N 91 and 48 µs, a group that only just did not fit: every first block size
    // after a reset, up to four times L, finds it, and with one zero less that block runs dry.
    for (const double fs : { 22050.0, 44100.0, 48000.0, 96000.0, 192000.0 })
    {
        const int L = engineLatencyFor (fs);
        ASSERT_EQ (L, Engine::stageDelayFor (static_cast<float> (fs)));
        StageRig rig (fs, 4 * L, 1);
        applyNow (rig.stage, { 91, 48.0f, 100.0f }, fs);
        const auto input = noise (1, 4 * L, 41);
        std::vector<float> out (static_cast<size_t> (4 * L));
        const float* in[] = { input[0].data() };
        float* o[] = { out.data() };

        int most = 0, mostAt = 0;
        for (int n = 1; n <= 4 * L; ++n)
        {
            rig.stage.reset (L);
            rig.stage.outputFifo.readsPastFill = 0;
            rig.process (in, o, 1, n);
            const int heldBack = rig.stage.inputFifo.fill[0];
            ASSERT_EQ (rig.stage.outputFifo.readsPastFill, 0) << fs << " block " << n;
            ASSERT_EQ (rig.stage.outputFifo.fill[0], L - heldBack) << fs << " block " << n;
            if (heldBack > most)
            {
                most = heldBack;
                mostAt = n;
            }
        }
        EXPECT_EQ (most, L) << fs;

        rig.stage.reset (L - 1);
        rig.stage.outputFifo.readsPastFill = 0;
        rig.process (in, o, 1, mostAt);
        EXPECT_EQ (rig.stage.outputFifo.readsPastFill, 1) << fs << " block " << mostAt;
        EXPECT_EQ (rig.stage.inputFifo.readsPastFill, 0) << fs;
    }
}

TEST (Stage, SilentKeepsTheQueuesMovingButLeavesOutputAndFilterAlone)
{
    StageRig silentRig (44100, 256, 2), reference (44100, 256, 2);
    for (auto* rig : { &silentRig, &reference })
    {
        applyNow (rig->stage, { 13, 20.0f, 100.0f }, 44100);
        settleTone (rig->stage.tone, 100.0f);
        rig->stage.reset (rig->latency);
    }

    const auto input = noise (2, 256 * 12, 12);
    std::vector<float> a (256), b (256), c (256), d (256);
    silentRig.stage.tone.presence = 20.0f; // would start a gain ramp if the filter ran

    for (int block = 0; block < 12; ++block)
    {
        const float* in[] = { input[0].data() + 256 * block, input[1].data() + 256 * block };
        float* silentOut[] = { a.data(), b.data() };
        float* referenceOut[] = { c.data(), d.data() };
        const bool silent = block < 6;
        std::fill (a.begin(), a.end(), 3.0f);
        std::fill (b.begin(), b.end(), 3.0f);
        if (!silent)
            silentRig.stage.tone.presence = 100.0f;
        silentRig.process (in, silentOut, 2, 256, 1.0f, false, false, silent);
        reference.process (in, referenceOut, 2, 256);

        if (silent)
        {
            for (int t = 0; t < 256; ++t)
                ASSERT_TRUE (a[static_cast<size_t> (t)] == 3.0f && b[static_cast<size_t> (t)] == 3.0f);
            EXPECT_EQ (silentRig.stage.tone.appliedPresence, 100.0f) << "the filter did not advance";
        }
        else
        {
            EXPECT_EQ (a, c) << block; // the queue moved exactly as if the output had been used
            EXPECT_EQ (b, d) << block;
        }
        EXPECT_EQ (silentRig.stage.outputFifo.fill, reference.stage.outputFifo.fill);
    }
}

TEST (Stage, OutputCombinations)
{
    // dst starts at 2; the stage's own output (as written at gain 1) is y.
    struct Case
    {
        const char* name;
        float gain;
        bool accumulate, replace;
        std::function<float (float y)> expected;
    };
    const Case cases[] = {
        { "accumulate, gain 0: dropped", 0.0f, true, false, [] (float) { return 2.0f; } },
        { "accumulate, gain 1: added", 1.0f, true, false, [] (float y) { return 2.0f + y; } },
        { "accumulate, gain 0.5", 0.5f, true, false, [] (float y) { return 2.0f + 0.5f * y; } },
        { "replace, gain 0: written at 1", 0.0f, true, true, [] (float y) { return y; } },
        { "overwrite, gain 0: written at 1", 0.0f, false, false, [] (float y) { return y; } },
        { "overwrite, gain 2", 2.0f, false, false, [] (float y) { return y * 2.0f; } },
    };

    for (const auto& c : cases)
    {
        StageRig rig (44100, 128, 1), reference (44100, 128, 1);
        for (auto* r : { &rig, &reference })
        {
            applyNow (r->stage, { 9, 5.0f, 70.0f }, 44100);
            settleTone (r->stage.tone, 100.0f);
            r->stage.reset (r->latency);
        }

        const auto input = noise (1, 128 * 10, 13);
        std::vector<float> y (128), dst (128);
        for (int block = 0; block < 10; ++block)
        {
            const float* in[] = { input[0].data() + 128 * block };
            float* refOut[] = { y.data() };
            float* out[] = { dst.data() };
            std::fill (dst.begin(), dst.end(), 2.0f);
            reference.process (in, refOut, 1, 128);
            rig.process (in, out, 1, 128, c.gain, c.accumulate, c.replace, false);
            for (int t = 0; t < 128; ++t)
                ASSERT_FLOAT_EQ (dst[static_cast<size_t> (t)], c.expected (y[static_cast<size_t> (t)]))
                    << c.name << " block " << block;
            ASSERT_EQ (rig.stage.outputFifo.fill, reference.stage.outputFifo.fill) << c.name;
        }
    }
}

TEST (Stage, SegmentCountChangeTakesEffectInTheNextBlock)
{
    UnitRig rig (31, 100.0f);
    const int frames = rig.latency + 2048;
    const auto input = countingSignal (1, frames);
    auto output = input;

    const float* in[] = { input[0].data() };
    float* out[] = { output[0].data() };
    rig.process (in, out, 1, 512);
    const int firstConsumed = rig.stage.lastConsumed;
    EXPECT_EQ (rig.stage.lastSegmentValues % 31, 0);

    rig.stage.segmentCount.value = 2; // no ramp: the next block groups by 2
    for (int start = 512; start < frames; start += 512)
    {
        const int n = std::min (512, frames - start);
        const float* i2[] = { input[0].data() + start };
        float* o2[] = { output[0].data() + start };
        rig.process (i2, o2, 1, n);
    }

    // The second block's grid starts where the first one stopped consuming; it comes out after L.
    for (int g = 0; g < 50; ++g)
    {
        const int outFrame = rig.latency + firstConsumed + 2 * g;
        const int first = firstConsumed + 2 * g; // input frame of the group's first segment
        EXPECT_EQ (output[0][static_cast<size_t> (outFrame)], input[0][static_cast<size_t> (first + 1)]);
        EXPECT_EQ (output[0][static_cast<size_t> (outFrame + 1)], input[0][static_cast<size_t> (first)]);
    }
}

TEST (Stage, SegmentCountOutsideItsRangeIsLimited)
{
    struct Case
    {
        int given, used;
    };
    for (const auto& c : { Case{ 0, 2 }, Case{ 1, 2 }, Case{ -7, 2 }, Case{ 92, 91 }, Case{ 100000, 91 },
                           Case{ std::numeric_limits<int>::min(), 2 } })
    {
        StageRig given (44100, 256, 1), used (44100, 256, 1);
        applyNow (given.stage, { c.given, 7.0f, 100.0f }, 44100);
        applyNow (used.stage, { c.used, 7.0f, 100.0f }, 44100);
        EXPECT_EQ (given.stage.clampedSegmentCount(), c.used);

        const auto input = noise (1, 256 * 8, 14);
        EXPECT_EQ (given.run (input, 256), used.run (input, 256)) << c.given;
    }
}

TEST (Stage, SegmentSizeOutsideItsRangeIsLimited)
{
    struct Case
    {
        float given, used;
    };
    for (const auto& c : { Case{ 0.0f, 1.0f }, Case{ -3.0f, 1.0f }, Case{ 0.2f, 1.0f }, Case{ 500.0f, 48.0f },
                           Case{ std::numeric_limits<float>::quiet_NaN(), 1.0f } })
    {
        StageRig given (44100, 256, 1), used (44100, 256, 1);
        applyNow (given.stage, { 31, c.given, 100.0f }, 44100);
        applyNow (used.stage, { 31, c.used, 100.0f }, 44100);

        const auto input = noise (1, 256 * 8, 15);
        const auto a = given.run (input, 256);
        EXPECT_EQ (a, used.run (input, 256)) << c.given;
        EXPECT_TRUE (allFinite (a[0], 0, 256 * 8));
    }
}

TEST (Stage, ChannelsStaySeparate)
{
    // Channel 1 silent, channel 0 loud: channel 1 must stay exactly silent. Short queues make the
    // analysis look past the queued samples, where the ring holds other data.
    struct Case
    {
        int segments;
        float microseconds;
        int block;
    };
    for (const auto& c : { Case{ 91, 48.0f, 1 }, Case{ 91, 48.0f, 7 }, Case{ 2, 1.0f, 64 },
                           Case{ 31, 11.0f, 512 }, Case{ 3, 40.0f, 33 } })
    {
        StageRig rig (44100, 512, 2);
        applyNow (rig.stage, { c.segments, c.microseconds, 100.0f }, 44100);
        settleTone (rig.stage.tone, 30.0f);
        rig.stage.reset (rig.latency);

        auto input = noise (2, 6000, 16, 0.9f);
        std::fill (input[1].begin(), input[1].end(), 0.0f);
        const auto output = rig.run (input, c.block);
        for (int t = 0; t < 6000; ++t)
            ASSERT_EQ (output[1][static_cast<size_t> (t)], 0.0f)
                << "N " << c.segments << " block " << c.block << " at " << t;
    }
}
