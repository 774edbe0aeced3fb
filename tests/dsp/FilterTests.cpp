// The tone filter: coefficients against an independent double-precision evaluation, the identity
// at 0 dB, presence to gain, the block-wise gain ramp, the magnitude response, the corner at
// several sample rates (recomputed on reset, kept below Nyquist), engagement, state clearing.

#include "DspTestHelpers.h"

#include <gtest/gtest.h>

#include <complex>

using namespace kaleidra::test;

namespace
{
struct Coefficients
{
    double b0, b1, b2, a1, a2;
};

// The cookbook high shelf in double precision, with the corner limited to 0.45 × fs.
Coefficients highShelf (double fs, double f, double q, double gainDb)
{
    f = std::min (f, 0.45 * fs);
    const double A = std::pow (10.0, gainDb / 40.0);
    const double w0 = 2.0 * juce::MathConstants<double>::pi * f / fs;
    const double alpha = std::sin (w0) / (2.0 * q);
    const double cs = std::cos (w0);
    const double sq = 2.0 * std::sqrt (A) * alpha;
    const double a0 = (A + 1) - (A - 1) * cs + sq;
    return { A * ((A + 1) + (A - 1) * cs + sq) / a0, -2 * A * ((A - 1) + (A + 1) * cs) / a0,
             A * ((A + 1) + (A - 1) * cs - sq) / a0, 2 * ((A - 1) - (A + 1) * cs) / a0,
             ((A + 1) - (A - 1) * cs - sq) / a0 };
}

double magnitudeDb (const Coefficients& k, double hz, double fs)
{
    const auto z = std::polar (1.0, -2.0 * juce::MathConstants<double>::pi * hz / fs); // z^-1
    const auto h = (k.b0 + k.b1 * z + k.b2 * z * z) / (1.0 + k.a1 * z + k.a2 * z * z);
    return 20.0 * std::log10 (std::abs (h));
}

// Gain in dB of the filter at one frequency, from a long sine (the transient skipped), by
// correlating input and output with the sine and cosine at that frequency.
double measuredGainDb (ToneFilter& tone, double hz, double fs)
{
    const int frames = static_cast<int> (fs); // one second
    const int skip = frames / 2;
    std::vector<float> x (static_cast<size_t> (frames));
    const double w = 2.0 * juce::MathConstants<double>::pi * hz / fs;
    for (int t = 0; t < frames; ++t)
        x[static_cast<size_t> (t)] = static_cast<float> (0.5 * std::sin (w * t));

    auto y = x;
    constexpr int block = 256;
    for (int start = 0; start < frames; start += block)
    {
        const int n = std::min (block, frames - start);
        tone.updateBlock (n);
        if (tone.engaged)
            tone.filterInPlace (0, y.data() + start, n);
    }

    auto amplitude = [&] (const std::vector<float>& v)
    {
        std::complex<double> acc;
        for (int t = skip; t < frames; ++t)
            acc += static_cast<double> (v[static_cast<size_t> (t)]) * std::polar (1.0, -w * t);
        return std::abs (acc);
    };
    return 20.0 * std::log10 (amplitude (y) / amplitude (x));
}

// A tone filter prepared for one channel at fs, settled at a presence.
void prepareTone (ToneFilter& tone, double fs, float presence, int block = 256)
{
    tone.prepareLocked (makeSpec (fs, block, 1));
    settleTone (tone, presence);
    tone.updateBlock (1);
}
} // namespace

TEST (ToneFilter, CoefficientsMatchADoublePrecisionEvaluation)
{
    struct Case
    {
        double fs, f, q, gainDb;
    };
    const Case cases[] = {
        { 44100, 12300, 0.9, -28 }, { 48000, 12300, 0.9, -56 }, { 96000, 12300, 0.9, -14 },
        { 44100, 1000, 1.0, 6 },    { 192000, 12300, 0.9, -3 }, { 22050, 12300, 0.9, -28 }, // corner limited
    };

    for (const auto& c : cases)
    {
        tarn_dsp::HighShelfFilter<float> filter;
        filter.sampleRate = static_cast<float> (c.fs);
        filter.setCoefficients (static_cast<float> (c.f), static_cast<float> (c.q),
                                static_cast<float> (c.gainDb));
        const auto k = highShelf (c.fs, c.f, c.q, c.gainDb);

        const double tolerance = 2e-5;
        EXPECT_NEAR (filter.b0, k.b0, tolerance * std::max (1.0, std::abs (k.b0))) << c.fs << " " << c.gainDb;
        EXPECT_NEAR (filter.b1, k.b1, tolerance * std::max (1.0, std::abs (k.b1))) << c.fs << " " << c.gainDb;
        EXPECT_NEAR (filter.b2, k.b2, tolerance * std::max (1.0, std::abs (k.b2))) << c.fs << " " << c.gainDb;
        EXPECT_NEAR (filter.a1, k.a1, tolerance * std::max (1.0, std::abs (k.a1))) << c.fs << " " << c.gainDb;
        EXPECT_NEAR (filter.a2, k.a2, tolerance * std::max (1.0, std::abs (k.a2))) << c.fs << " " << c.gainDb;
    }
}

TEST (ToneFilter, ZeroDecibelsIsAnIdentitySection)
{
    for (const double fs : { 44100.0, 48000.0, 96000.0 })
    {
        tarn_dsp::HighShelfFilter<float> filter;
        filter.sampleRate = static_cast<float> (fs);
        filter.setCoefficients (12300.0f, 0.9f, 0.0f);
        EXPECT_NEAR (filter.b0, 1.0f, 1.2e-7f) << fs;
        EXPECT_EQ (filter.b1, filter.a1) << fs;
        EXPECT_EQ (filter.b2, filter.a2) << fs;

        filter.prepareLocked (makeSpec (fs, 64, 1));
        filter.setCoefficients (12300.0f, 0.9f, 0.0f);
        auto x = noise (1, 64, 3)[0];
        auto y = x;
        filter.filterInPlace (0, y.data(), 64);
        for (size_t t = 0; t < x.size(); ++t)
            EXPECT_NEAR (y[t], x[t], 1e-6f);
    }
}

TEST (ToneFilter, PresenceMapsToShelfGain)
{
    struct Case
    {
        float presence, gainDb;
    };
    for (const auto& c : { Case{ 0, -56 }, Case{ 50, -28 }, Case{ 75, -14 }, Case{ 100, 0 } })
    {
        ToneFilter tone;
        tone.prepareLocked (makeSpec (44100, 512, 1));
        tone.presence = c.presence;
        for (int block = 0; block < 8; ++block) // 8 × 512 > 3308
            tone.updateBlock (512);
        EXPECT_EQ (tone.appliedGain, c.gainDb) << c.presence;
        EXPECT_EQ (tone.gain.target, c.gainDb) << c.presence;
        EXPECT_EQ (tone.engaged, c.presence != 100.0f) << c.presence;
    }

    ToneFilter fresh;
    EXPECT_EQ (fresh.appliedGain, -28.0f);
    EXPECT_EQ (fresh.appliedFrequency, 12300.0f);
    EXPECT_EQ (fresh.appliedQ, 0.9f);
}

TEST (ToneFilter, GainRampIsFollowedBlockByBlock)
{
    ToneFilter tone;
    prepareTone (tone, 44100, 100.0f);
    ASSERT_FALSE (tone.engaged);

    // The same ramp, stepped sample by sample on an independent holder.
    tarn_dsp::FloatArg_v2<float, 0> reference (0.0f);
    reference.prepare (1);
    reference.setTarget (-56.0f);
    std::vector<float> afterSample{ 0.0f };
    for (int t = 0; t < 4000; ++t)
    {
        reference.fillRamp (1);
        afterSample.push_back (reference.rampBuffer[0]);
        reference.releaseRamp();
    }

    tone.presence = 0.0f;
    constexpr int block = 64;
    int updates = 0;
    float previous = 0.0f;
    for (int b = 0; b * block < 3308 + 2 * block; ++b)
    {
        const float before = tone.b0;
        tone.updateBlock (block);
        // The coefficients are those of the gain after the block's first sample.
        EXPECT_EQ (tone.appliedGain, afterSample[static_cast<size_t> (std::min (b * block + 1, 3308))]) << b;
        EXPECT_LE (tone.appliedGain, previous);
        EXPECT_TRUE (tone.engaged);
        if (tone.b0 != before)
            ++updates;
        previous = tone.appliedGain;

        tarn_dsp::HighShelfFilter<float> check;
        check.sampleRate = 44100.0f;
        check.setCoefficients (12300.0f, 0.9f, tone.appliedGain);
        EXPECT_EQ (tone.b0, check.b0);
        EXPECT_EQ (tone.a2, check.a2);
    }

    EXPECT_EQ (tone.appliedGain, -56.0f);
    // One update in every block whose first sample lies inside the ramp (blocks 0 … 51), and one
    // more when the applied gain lands on the target.
    EXPECT_EQ (updates, 53);
}

TEST (ToneFilter, SettledMagnitudeMatchesTheAnalyticResponse)
{
    ToneFilter tone;
    prepareTone (tone, 44100, 75.0f); // −14 dB
    const auto k = highShelf (44100, 12300, 0.9, -14);
    for (const double hz : { 100.0, 1000.0, 5000.0, 12300.0, 18000.0 })
        EXPECT_NEAR (measuredGainDb (tone, hz, 44100), magnitudeDb (k, hz, 44100), 0.1) << hz;

    EXPECT_NEAR (magnitudeDb (k, 12300, 44100), -7.0, 1e-6); // the midpoint of the shelf
}

TEST (ToneFilter, CornerIsRightAtEverySampleRateAfterPrepare)
{
    // The shelf's midpoint (half its gain) must sit at 12.3 kHz whatever rate the filter was
    // prepared for: the coefficients are recomputed on reset.
    for (const double fs : { 44100.0, 48000.0, 96000.0, 192000.0 })
    {
        ToneFilter tone;
        prepareTone (tone, fs, 0.0f); // −56 dB
        EXPECT_NEAR (measuredGainDb (tone, 12300.0, fs), -28.0, 0.1) << fs;
        EXPECT_NEAR (measuredGainDb (tone, 200.0, fs), 0.0, 0.1) << fs;
    }

    // Re-prepared from 96 kHz to 44.1 kHz: follows again.
    ToneFilter tone;
    prepareTone (tone, 96000.0, 0.0f);
    prepareTone (tone, 44100.0, 0.0f);
    EXPECT_NEAR (measuredGainDb (tone, 12300.0, 44100.0), -28.0, 0.1);
}

TEST (ToneFilter, StaysStableWhenTheCornerWouldPassNyquist)
{
    // At 22.05 kHz a 12.3 kHz shelf lies above Nyquist; the corner is held at 0.45 × fs.
    for (const double fs : { 22050.0, 16000.0, 8000.0 })
    {
        ToneFilter tone;
        prepareTone (tone, fs, 0.0f);
        auto x = noise (1, static_cast<int> (fs) * 2, 9)[0];
        for (size_t start = 0; start < x.size(); start += 256)
        {
            const int n = static_cast<int> (std::min<size_t> (256, x.size() - start));
            tone.updateBlock (n);
            tone.filterInPlace (0, x.data() + start, n);
        }
        float peak = 0.0f;
        for (float v : x)
            peak = std::max (peak, std::abs (v));
        EXPECT_TRUE (allFinite (x, 0, static_cast<int> (x.size()))) << fs;
        EXPECT_LT (peak, 1.0f) << fs;
        EXPECT_NEAR (measuredGainDb (tone, 0.45 * fs, fs), -28.0, 0.1) << fs;
    }
}

TEST (ToneFilter, PassesThroughUntouchedWhenDisengaged)
{
    ToneFilter tone;
    prepareTone (tone, 48000, 100.0f);
    const auto x = noise (1, 512, 4)[0];
    auto y = x;
    float* inPointers[] = { const_cast<float*> (x.data()) };
    const juce::dsp::AudioBlock<float> in (inPointers, 1, 512);
    float* out[] = { y.data() };
    juce::dsp::AudioBlock<float> outBlock (out, 1, 512);
    tone.process (in, outBlock);
    EXPECT_FALSE (tone.engaged);
    EXPECT_EQ (y, x);

    tone.presence = 50.0f;
    tone.process (in, outBlock);
    EXPECT_TRUE (tone.engaged);
    EXPECT_NE (y, x);
}

TEST (ToneFilter, ReengagingWithoutACoefficientUpdateClearsStaleState)
{
    ToneFilter tone;
    prepareTone (tone, 44100, 100.0f);
    ASSERT_FALSE (tone.engaged);
    tone.s1[0] = 0.75f; // left over from long ago
    tone.s2[0] = -0.5f;

    // The gain starts moving but its ramp buffer is busy this block, so the coefficients cannot be
    // updated: the filter engages with a cleared state.
    tone.gain.setTarget (-10.0f);
    tone.gain.rampLock = 1;
    tone.updateBlock (64);
    EXPECT_TRUE (tone.engaged);
    EXPECT_EQ (tone.s1[0], 0.0f);
    EXPECT_EQ (tone.s2[0], 0.0f);
    tone.gain.rampLock = 0;
}

TEST (ToneFilter, ResetDuringAGainRampJumpsAndClearsTheState)
{
    ToneFilter tone;
    prepareTone (tone, 44100, 100.0f);
    tone.presence = 0.0f;
    auto x = noise (1, 512, 5)[0];
    tone.updateBlock (512);
    tone.filterInPlace (0, x.data(), 512);
    ASSERT_GT (tone.gain.remaining, 0);
    ASSERT_NE (tone.s1[0], 0.0f);

    tone.resetLocked();
    EXPECT_EQ (tone.gain.current, -56.0f);
    EXPECT_EQ (tone.gain.remaining, 0);
    EXPECT_EQ (tone.appliedGain, -56.0f);
    EXPECT_EQ (tone.s1[0], 0.0f);
    EXPECT_EQ (tone.s2[0], 0.0f);

    tarn_dsp::HighShelfFilter<float> check;
    check.sampleRate = 44100.0f;
    check.setCoefficients (12300.0f, 0.9f, -56.0f);
    EXPECT_EQ (tone.b0, check.b0);
}

TEST (ToneFilter, ResetTakesUpAPresenceSetSinceTheLastBlock)
{
    // A presence stored after the last block (a fresh instance gets its "Tone" before it ever
    // plays) is in place at once after a reset: the first block after it is filtered at the new
    // gain instead of ramping towards it, like every later start.
    ToneFilter tone;
    prepareTone (tone, 48000, 50.0f);
    tone.presence = 75.0f;
    tone.resetLocked();
    EXPECT_EQ (tone.appliedPresence, 75.0f);
    EXPECT_EQ (tone.appliedGain, ToneFilter::gainForPresence (75.0f));
    EXPECT_EQ (tone.gain.remaining, 0);

    ToneFilter settled;
    prepareTone (settled, 48000, 75.0f);
    auto a = noise (1, 512, 6)[0];
    auto b = a;
    tone.updateBlock (512);
    tone.filterInPlace (0, a.data(), 512);
    settled.updateBlock (512);
    settled.filterInPlace (0, b.data(), 512);
    EXPECT_EQ (a, b);
}

TEST (ToneFilter, NonFiniteStateIsClearedAtTheEndOfTheBlock)
{
    const float bad[] = { std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                          -std::numeric_limits<float>::infinity() };
    for (const float value : bad)
    {
        ToneFilter tone;
        prepareTone (tone, 44100, 50.0f);
        auto x = noise (1, 256, 6)[0];
        x[100] = value;
        tone.filterInPlace (0, x.data(), 256);
        EXPECT_FALSE (std::isfinite (x[100]));
        EXPECT_EQ (tone.s1[0], 0.0f);
        EXPECT_EQ (tone.s2[0], 0.0f);

        auto next = noise (1, 256, 7)[0];
        tone.filterInPlace (0, next.data(), 256);
        EXPECT_TRUE (allFinite (next, 0, 256));
    }
}

TEST (ToneFilter, PresenceChangeWaitsForABusyGainWithoutBlocking)
{
    ToneFilter tone;
    prepareTone (tone, 44100, 50.0f);
    tone.presence = 0.0f;

    tone.gain.lockFlag = 1; // a writer holds the gain: the audio thread must not wait for it
    tone.updateBlock (64);
    EXPECT_EQ (tone.appliedPresence, 50.0f);
    tone.gain.lockFlag = 0;

    tone.updateBlock (64); // taken up in the next block
    EXPECT_EQ (tone.appliedPresence, 0.0f);
    EXPECT_EQ (tone.gain.target, -56.0f);
    EXPECT_GT (tone.gain.remaining, 0);
}
