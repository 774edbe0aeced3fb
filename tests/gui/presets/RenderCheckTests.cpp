// The check applied to renders of the factory presets.

#include <RenderCheck.h>
#include <gtest/gtest.h>

namespace kaleidra::test
{
namespace
{
    juce::AudioBuffer<float> sine (float amplitude, float cyclesPerSample, int channels = 2,
                                   int samples = 4800)
    {
        juce::AudioBuffer<float> b (channels, samples);

        for (int c = 0; c < channels; ++c)
            for (int i = 0; i < samples; ++i)
                b.setSample (c, i,
                             amplitude *
                                 std::sin (juce::MathConstants<float>::twoPi * cyclesPerSample * (float) i));

        return b;
    }
} // namespace

TEST (RenderCheck, FlagsSilenceClippingAndIdenticalRenders)
{
    juce::AudioBuffer<float> silent (2, 4800);
    silent.clear();
    silent.setSample (0, 100, 1.0e-3f); // one click in silence is still silence

    auto clipped = sine (1.2f, 0.01f);
    auto fine = sine (0.5f, 0.02f);
    auto sameAsFine = fine;
    auto nearlyFine = fine;
    nearlyFine.applyGain (0.99f); // differs by -46 dBFS: not alike
    auto notFinite = sine (0.5f, 0.03f);
    notFinite.setSample (1, 7, std::numeric_limits<float>::quiet_NaN());

    const auto result = presets::checkRenders ({ "silent", "clipped", "fine", "same", "nearly", "nan" },
                                               { silent, clipped, fine, sameAsFine, nearlyFine, notFinite });

    EXPECT_EQ (result.figures.size(), 6);
    EXPECT_NEAR (result.figures[2].peak, 0.5f, 1.0e-3f);
    EXPECT_NEAR (result.figures[2].rms, 0.5f / std::sqrt (2.0f), 1.0e-3f);
    EXPECT_GT (result.figures[1].samplesAboveFullScale, 0);

    const auto problems = result.problems.joinIntoString ("\n");
    EXPECT_EQ (result.problems.size(), 4) << problems;
    EXPECT_TRUE (problems.contains ("silent: silent")) << problems;
    EXPECT_TRUE (problems.contains ("clipped: ")) << problems;
    EXPECT_TRUE (problems.contains ("fine and same: identical")) << problems;
    EXPECT_TRUE (problems.contains ("nan: not finite")) << problems;

    EXPECT_TRUE (presets::checkRenders ({ "a", "b" }, { fine, nearlyFine }).problems.isEmpty());

    // A sample exactly at full scale is not beyond it.
    auto atFullScale = sine (0.5f, 0.02f);
    atFullScale.setSample (0, 0, 1.0f);
    atFullScale.setSample (1, 0, -1.0f);
    EXPECT_TRUE (presets::checkRenders ({ "full" }, { atFullScale }).problems.isEmpty());
}
} // namespace kaleidra::test
