// The ring, the queue, the cubic tracker and lerp.

#include "DspTestHelpers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <tuple>
#include <utility>
#include <vector>

using tarn_dsp::CubicTracker;
using tarn_dsp::SampleFifo;
using tarn_dsp::SampleRing;

namespace
{
std::vector<float> readAll (SampleFifo& fifo, int channel, int n, float gain = 1.0f)
{
    std::vector<float> out (static_cast<size_t> (n), -99.0f);
    fifo.read (channel, out.data(), n, gain, false);
    return out;
}

void pushValues (SampleFifo& fifo, int channel, std::vector<float> values)
{
    fifo.push (channel, values.data(), static_cast<int> (values.size()));
}
} // namespace

TEST (SampleRing, SizeIsAPowerOfTwoWithOneRegionPerChannel)
{
    struct Case
    {
        int channels, length, size;
    };
    for (const auto& c : { Case{ 2, 710, 2048 }, Case{ 1, 1, 2 }, Case{ 0, 0, 2 }, Case{ 3, 100, 512 },
                           Case{ 2, 16102, 32768 }, Case{ 1, 1024, 1024 } })
    {
        SampleRing ring;
        ring.setSize (c.channels, c.length);
        EXPECT_EQ (ring.data.size(), static_cast<size_t> (c.size)) << c.channels << "x" << c.length;
        EXPECT_EQ (ring.mask, c.size - 1);
        for (int ch = 0; ch < c.channels; ++ch)
            EXPECT_EQ (ring.writeIndex[static_cast<size_t> (ch)], ch * c.length);
    }

    // Same sizes again: the data is zeroed and the write positions go back to their starts.
    SampleRing ring;
    ring.setSize (2, 8);
    ring.write (1, 5.0f);
    ring.setSize (2, 8);
    EXPECT_EQ (ring.writeIndex[1], 8);
    for (float v : ring.data)
        EXPECT_EQ (v, 0.0f);
}

TEST (SampleFifo, PrefillQueuesZerosUpToTheCapacity)
{
    SampleFifo fifo;
    fifo.init (2, 8, 5);
    EXPECT_EQ (fifo.fill, (std::vector<int>{ 5, 5 }));
    pushValues (fifo, 0, { 1, 2 });
    EXPECT_EQ (readAll (fifo, 0, 7), (std::vector<float>{ 0, 0, 0, 0, 0, 1, 2 }));

    fifo.init (1, 4, 10);
    EXPECT_EQ (fifo.fill[0], 4);
}

TEST (SampleFifo, PushPastCapacityKeepsTheNewestWithoutTouchingOtherChannels)
{
    // Channels share one ring and advance together (the same count per block): each keeps its own
    // newest samples even when a push runs far past the capacity.
    SampleFifo fifo;
    fifo.init (2, 4, 0);
    pushValues (fifo, 0, { 1, 2, 3, 4, 5, 6 }); // two past the capacity
    pushValues (fifo, 1, { 10, 20, 30, 40, 50, 60 });
    EXPECT_EQ (fifo.fill, (std::vector<int>{ 4, 4 }));
    EXPECT_EQ (readAll (fifo, 0, 4), (std::vector<float>{ 3, 4, 5, 6 }));
    EXPECT_EQ (readAll (fifo, 1, 4), (std::vector<float>{ 30, 40, 50, 60 }));

    pushValues (fifo, 0, { 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17 }); // one push far past it
    pushValues (fifo, 1, { -7, -8, -9, -10, -11, -12, -13, -14, -15, -16, -17 });
    EXPECT_EQ (fifo.fill, (std::vector<int>{ 4, 4 }));
    EXPECT_EQ (readAll (fifo, 0, 4), (std::vector<float>{ 14, 15, 16, 17 }));
    EXPECT_EQ (readAll (fifo, 1, 4), (std::vector<float>{ -14, -15, -16, -17 }));
}

TEST (SampleFifo, ReadWithGainAddAndShortQueues)
{
    struct Case
    {
        const char* name;
        int queued;
        float gain;
        bool add;
        std::vector<float> expected;
    };
    // dst starts as { 100, 100, 100, 100 }; the queue holds 1, 2, 3 (or fewer).
    const Case cases[] = {
        { "overwrite", 3, 1.0f, false, { 1, 2, 3, 0 } },
        { "overwrite with gain", 3, 0.5f, false, { 0.5f, 1, 1.5f, 0 } },
        { "add with gain", 3, 2.0f, true, { 102, 104, 106, 100 } },
        { "overwrite, short queue", 1, 1.0f, false, { 1, 0, 0, 0 } },
        { "add, short queue", 2, 1.0f, true, { 101, 102, 100, 100 } },
        { "overwrite, empty", 0, 1.0f, false, { 0, 0, 0, 0 } },
        { "add, empty", 0, 1.0f, true, { 100, 100, 100, 100 } },
    };

    for (const auto& c : cases)
    {
        SampleFifo fifo;
        fifo.init (1, 8, 0);
        std::vector<float> values{ 1, 2, 3 };
        fifo.push (0, values.data(), c.queued);
        std::vector<float> dst (4, 100.0f);
        fifo.read (0, dst.data(), 4, c.gain, c.add);
        EXPECT_EQ (dst, c.expected) << c.name;
        EXPECT_EQ (fifo.fill[0], 0) << c.name;
    }
}

TEST (SampleFifo, DiscardTakeAndPeek)
{
    SampleFifo fifo;
    fifo.init (1, 8, 0);
    pushValues (fifo, 0, { 1, 2, 3, 4, 5 });
    fifo.discard (0, 2);
    EXPECT_EQ (fifo.fill[0], 3);
    EXPECT_EQ (fifo.peek (0, 0), 3.0f);
    EXPECT_EQ (fifo.peek (0, 2), 5.0f);
    EXPECT_EQ (fifo.take (0), 3.0f);
    EXPECT_EQ (fifo.fill[0], 2);
    fifo.discard (0, 100);
    EXPECT_EQ (fifo.fill[0], 0);
    EXPECT_EQ (fifo.take (0), 0.0f); // empty
    EXPECT_EQ (fifo.fill[0], 0);
}

TEST (SampleFifo, PeekPastTheQueuedSamplesHoldsTheNewestOfTheSameChannel)
{
    // Two channels in one ring: positions past channel 0's newest sample belong to stale data or to
    // channel 1. A peek there must give channel 0's newest sample.
    SampleFifo fifo;
    fifo.init (2, 4, 0);
    for (int round = 0; round < 5; ++round) // go around the ring a few times
    {
        pushValues (fifo, 0, { 1.0f + round, 2.0f + round });
        pushValues (fifo, 1, { -50.0f, -60.0f });
        EXPECT_EQ (fifo.peek (0, 1), 2.0f + round);
        EXPECT_EQ (fifo.peek (0, 2), 2.0f + round) << round;
        EXPECT_EQ (fifo.peek (0, 7), 2.0f + round) << round;
        fifo.discard (0, 2);
        fifo.discard (1, 2);
        // Nothing queued: still the newest sample of channel 0.
        EXPECT_EQ (fifo.peek (0, 0), 2.0f + round) << round;
        EXPECT_EQ (fifo.peek (0, 1), 2.0f + round) << round;
        EXPECT_EQ (fifo.peek (1, 1), -60.0f) << round;
    }
}

TEST (SampleFifo, PushIfRoomStopsAtTheCapacity)
{
    SampleFifo fifo;
    fifo.init (1, 3, 0);
    for (int i = 1; i <= 5; ++i)
        fifo.pushIfRoom (0, static_cast<float> (i));
    EXPECT_EQ (fifo.fill[0], 3);
    EXPECT_EQ (readAll (fifo, 0, 3), (std::vector<float>{ 1, 2, 3 }));
}

TEST (CubicTracker, ReproducesCubicPolynomials)
{
    juce::Random random (11);
    for (int trial = 0; trial < 200; ++trial)
    {
        const double k0 = random.nextDouble() * 2 - 1, k1 = random.nextDouble() * 2 - 1,
                     k2 = random.nextDouble() * 2 - 1, k3 = random.nextDouble() * 2 - 1;
        const auto p = [&] (double t) { return ((k3 * t + k2) * t + k1) * t + k0; };

        CubicTracker tracker;
        tracker.set (static_cast<float> (p (-1)), static_cast<float> (p (0)), static_cast<float> (p (1)),
                     static_cast<float> (p (2)));

        // Travel along the polynomial, shifting the ring all the way round twice.
        for (int origin = 0; origin < 8; ++origin)
        {
            // Float rounding scales with the size of the values in play.
            const double scale = std::abs (tracker.xMinus1()) + std::abs (tracker.x0()) +
                                 std::abs (tracker.x1()) + std::abs (tracker.x2()) + 1.0;
            EXPECT_EQ (tracker.valueAt (0.0f), tracker.x0());
            EXPECT_NEAR (tracker.valueAt (1.0f), tracker.x1(), 1e-6 * scale);
            for (const float f : { 0.0f, 0.125f, 0.3f, 0.5f, 0.77f, 1.0f })
            {
                EXPECT_NEAR (tracker.valueAt (f), p (origin + f), 1e-6 * scale)
                    << trial << " origin " << origin << " f " << f;
            }
            tracker.shift (static_cast<float> (p (origin + 3)));
        }
    }
}

TEST (CubicTracker, ShiftKeepsTheIndicesInOrder)
{
    CubicTracker tracker;
    tracker.set (-1, 0, 1, 2);
    for (int v = 3; v < 12; ++v)
    {
        tracker.shift (static_cast<float> (v));
        EXPECT_EQ (tracker.xMinus1(), static_cast<float> (v - 3));
        EXPECT_EQ (tracker.x0(), static_cast<float> (v - 2));
        EXPECT_EQ (tracker.x1(), static_cast<float> (v - 1));
        EXPECT_EQ (tracker.x2(), static_cast<float> (v));
    }
}

TEST (Lerp, FollowsTheRulesOfP0811)
{
    using tarn_dsp::lerp;
    EXPECT_TRUE (tarn_dsp::lerpUsesStandardLibrary()) << "C++20 builds take std::lerp";

    juce::Random random (5);
    const auto value = [&random]
    {
        const float magnitude = std::pow (10.0f, random.nextFloat() * 8.0f - 4.0f);
        return random.nextBool() ? magnitude : -magnitude;
    };

    for (int trial = 0; trial < 2000; ++trial)
    {
        const float a = value(), b = trial % 7 == 0 ? a : value();
        EXPECT_EQ (lerp (a, b, 0.0f), a);                       // exact at 0
        EXPECT_EQ (lerp (a, b, 1.0f), b);                       // exact at 1
        EXPECT_EQ (lerp (a, a, random.nextFloat() * 3 - 1), a); // consistent
        if ((a <= 0 && b >= 0) || (a >= 0 && b <= 0))           // opposite signs
        {
            const float t = random.nextFloat();
            EXPECT_EQ (lerp (a, b, t), t * b + (1.0f - t) * a);
        }

        // Bounded in [0, 1], monotonic everywhere (including around 1 and beyond it).
        float previous = lerp (a, b, -0.5f);
        for (float t = -0.5f; t <= 1.5f; t += 0.0625f)
        {
            for (const float u : { t, std::nextafter (1.0f, 0.0f), 1.0f, std::nextafter (1.0f, 2.0f) })
            {
                const float v = lerp (a, b, u);
                if (u >= 0.0f && u <= 1.0f)
                {
                    EXPECT_GE (v, std::min (a, b));
                    EXPECT_LE (v, std::max (a, b));
                }
            }
            const float v = lerp (a, b, t);
            if (b > a)
            {
                EXPECT_GE (v, previous);
            }
            else if (b < a)
            {
                EXPECT_LE (v, previous);
            }
            previous = v;
        }
        const float below = lerp (a, b, std::nextafter (1.0f, 0.0f));
        if (b > a)
        {
            EXPECT_LE (below, b);
        }
        else if (b < a)
        {
            EXPECT_GE (below, b);
        }

        // The library and the reference formulation agree bit for bit.
        const float t = random.nextFloat() * 1.4f - 0.2f;
        EXPECT_EQ (lerp (a, b, t), tarn_dsp::lerpReference (a, b, t));
    }

    EXPECT_EQ (lerp (1.0f, 2.0f, 2.0f), 3.0f); // extrapolates past b
    EXPECT_EQ (lerp (1.0f, 3.0f, 0.5f), 2.0f);
    EXPECT_TRUE (std::isnan (lerp (1.0f, std::numeric_limits<float>::quiet_NaN(), 0.5f)));
}

TEST (Lerp, LanesGiveTheSameBitsAsLerp)
{
    // The stage's inner loops crossfade in SIMD lanes; every lane must agree with lerp bit for bit,
    // including signed zeros, infinities and NaN, or the optimised engine would drift from the
    // reference.
    using Lanes = juce::dsp::SIMDRegister<float>;
    constexpr auto width = Lanes::SIMDNumElements;
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float specials[] = { 0.0f,     -0.0f,     1.0f,    -1.0f, 0.5f, -2.5f,
                               1.0e-30f, -1.0e-38f, 3.0e38f, inf,   -inf, nan };
    const float amounts[] = {
        0.0f, -0.0f, 0.25f, 0.5f, 1.0f, std::nextafter (1.0f, 0.0f), std::nextafter (1.0f, 2.0f),
        1.2f, -0.5f, inf,   nan
    };

    const auto same = [] (float x, float y)
    { return (std::isnan (x) && std::isnan (y)) || std::memcmp (&x, &y, sizeof (float)) == 0; };

    // Each lane its own (a, b); t is shared, as in the stage.
    std::vector<std::pair<float, float>> operands;
    for (const float a : specials)
        for (const float b : specials)
            operands.emplace_back (a, b);
    juce::Random random (11);
    for (int trial = 0; trial < 50000; ++trial)
    {
        const float a = (random.nextFloat() * 2.0f - 1.0f) * (trial % 3 == 0 ? 1.0e-3f : 1.0f);
        operands.emplace_back (a, trial % 5 == 0 ? -a : (random.nextFloat() * 2.0f - 1.0f));
    }

    int checked = 0;
    for (size_t first = 0; first + width <= operands.size(); first += width)
    {
        alignas (sizeof (Lanes)) float as[width], bs[width], out[width];
        for (size_t lane = 0; lane < width; ++lane)
            std::tie (as[lane], bs[lane]) = operands[first + lane];

        const bool special = first < std::size (specials) * std::size (specials);
        const float randomAmount = random.nextFloat() * 1.2f;
        for (const float t : special ? std::vector<float> (std::begin (amounts), std::end (amounts))
                                     : std::vector<float>{ randomAmount })
        {
            tarn_dsp::lerpLanes (Lanes::fromRawArray (as), Lanes::fromRawArray (bs), t).copyToRawArray (out);
            for (size_t lane = 0; lane < width; ++lane, ++checked)
                ASSERT_TRUE (same (out[lane], tarn_dsp::lerp (as[lane], bs[lane], t)))
                    << as[lane] << " " << bs[lane] << " " << t << " gave " << out[lane];
        }
    }
    EXPECT_GT (checked, 50000);
}
