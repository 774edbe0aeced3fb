// Golden snapshots: a deterministic test signal through a table of settings, compared with the
// reference outputs in tests/dsp/golden/ (format and regeneration: golden/README.md).
//
// The references freeze the engine's output as the plug-in feeds it (chunks of the fixed quantum,
// whatever the host's blocks). Any later change to the engine (an optimisation in particular)
// must keep these outputs within the tolerance below.

#include "DspTestHelpers.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace kaleidra::test;

namespace
{
constexpr double goldenRate = 44100.0;
constexpr int goldenBlock = 256; // host block size
constexpr int goldenFrames = 4096;
constexpr int goldenChannels = 2;
// Largest allowed difference per sample (about −106 dBFS).
constexpr float tolerance = 5.0e-6f;

juce::File goldenFolder()
{
    return juce::File (KALEIDRA_TEST_DATA_DIR).getChildFile ("golden");
}

bool regenerating()
{
    const char* flag = std::getenv ("KALEIDRA_REGENERATE_GOLDEN");
    return flag != nullptr && juce::String (flag).getIntValue() != 0;
}

// A plucked, saw-like tone per channel (220 Hz left, 330 Hz right) with noise bursts every 1024
// frames, like a small drum pattern. juce::Random is the same generator on every platform.
Signal goldenInput()
{
    auto signal = silence (goldenChannels, goldenFrames);
    juce::Random random (2024);
    for (int c = 0; c < goldenChannels; ++c)
    {
        const double hz = c == 0 ? 220.0 : 330.0;
        for (int t = 0; t < goldenFrames; ++t)
        {
            double saw = 0.0;
            for (int k = 1; k <= 24; ++k)
                saw += std::sin (juce::MathConstants<double>::twoPi * hz * k * t / goldenRate) / k;
            const double pluck = std::exp (-static_cast<double> (t % 2048) / 900.0);
            signal[static_cast<size_t> (c)][static_cast<size_t> (t)] =
                static_cast<float> (0.35 * saw * pluck);
        }
    }
    for (int burst = 0; burst < goldenFrames; burst += 1024)
        for (int t = burst; t < burst + 300 && t < goldenFrames; ++t)
        {
            const float envelope = std::exp (-static_cast<float> (t - burst) / 60.0f);
            const float n = (2.0f * random.nextFloat() - 1.0f) * 0.5f * envelope;
            signal[0][static_cast<size_t> (t)] += n;
            signal[1][static_cast<size_t> (t)] += 0.7f * n;
        }
    return signal;
}

struct GoldenCase
{
    const char* name;
    bool series;
    std::vector<StageSettings> stages;
    float presence;
    std::function<void (Engine&, int block)> during = {};
    std::function<int (int block)> blockSize = {};
};

void PrintTo (const GoldenCase& c, std::ostream* os)
{
    *os << c.name;
}

std::vector<GoldenCase> goldenCases()
{
    const StageSettings off{ 31, 11.0f, 0.0f };
    std::vector<GoldenCase> cases;
    cases.push_back ({ "defaults", true, { { 31, 11.0f, 100.0f }, off, off }, 75.0f });
    cases.push_back ({ "tiny-segments", true, { { 91, 1.0f, 120.0f }, off, off }, 75.0f });
    cases.push_back ({ "long-segments", true, { { 2, 48.0f, 50.0f }, off, off }, 75.0f });
    cases.push_back ({ "parallel-all",
                       false,
                       { { 31, 11.0f, 100.0f }, { 5, 3.0f, 60.0f }, { 91, 40.0f, 110.0f } },
                       40.0f });
    cases.push_back (
        { "series-all", true, { { 31, 11.0f, 100.0f }, { 7, 23.0f, 80.0f }, { 60, 2.0f, 30.0f } }, 90.0f });

    // Everything moving: ramps running through host blocks of changing size (one larger than the
    // quantum), N changes, stages coming on, a change of mode.
    GoldenCase ramps{ "ramps", true, { { 31, 11.0f, 100.0f }, off, off }, 75.0f };
    ramps.during = [] (Engine& engine, int block)
    {
        auto& s1 = *engine.stages[0];
        auto& s2 = *engine.stages[1];
        auto& s3 = *engine.stages[2];
        switch (block)
        {
            case 2:
                s1.mix.setTarget (30.0f);
                break;
            case 4:
                for (auto& stage : engine.stages)
                    stage->tone.presence = 20.0f;
                break;
            case 5:
                s1.segmentSize.setTarget (37.0f);
                break;
            case 7:
                s1.segmentCount.value = 8;
                break;
            case 8:
                s2.mix.setTarget (70.0f);
                break;
            case 11:
                s3.mix.setTarget (100.0f);
                s3.segmentSize.setTarget (5.0f);
                break;
            case 16:
                engine.mode.index = 1;
                break;
            case 19:
                s2.segmentCount.value = 3;
                break;
            default:
                break;
        }
    };
    ramps.blockSize = [] (int block)
    {
        const int sizes[] = { 256, 100, 37, 256, 600, 1, 129 };
        return sizes[block % 7];
    };
    cases.push_back (ramps);
    return cases;
}

int goldenQuantum()
{
    return tarn_dsp::FixedBlockFeeder::quantumFor (goldenRate);
}

Signal render (const GoldenCase& c)
{
    Engine engine;
    prepareEngine (engine, goldenRate, goldenQuantum(), goldenChannels, c.series, c.stages, c.presence);
    tarn_dsp::FixedBlockFeeder feeder;
    feeder.prepare (goldenChannels, goldenQuantum());
    return runEngine (
        engine, goldenInput(), goldenBlock,
        [&] (int block, int)
        {
            if (c.during)
                c.during (engine, block);
        },
        c.blockSize, false, &feeder);
}

// Output before this frame is silent: the total latency, less what mirroring can move earlier
// (up to one group of the longest segments, about 193 samples, per stage).
int goldenStart()
{
    return 3 * engineLatencyFor (goldenRate) + goldenQuantum() - 1 - 3 * 200;
}

// File layout, little-endian: "KLDG", int32 version 1, int32 sample rate, int32 channels,
// int32 first frame, int32 frame count, then float32 samples, channel after channel.
bool writeGolden (const juce::File& file, const Signal& output, int start)
{
    file.getParentDirectory().createDirectory();
    file.deleteFile();
    juce::FileOutputStream stream (file);
    if (!stream.openedOk())
        return false;
    stream.write ("KLDG", 4);
    stream.writeInt (1);
    stream.writeInt (static_cast<int> (goldenRate));
    stream.writeInt (static_cast<int> (output.size()));
    stream.writeInt (start);
    stream.writeInt (static_cast<int> (output[0].size()) - start);
    for (const auto& channel : output)
        for (size_t t = static_cast<size_t> (start); t < channel.size(); ++t)
            stream.writeFloat (channel[t]);
    stream.flush();
    return stream.getStatus().wasOk();
}

bool readGolden (const juce::File& file, Signal& samples, int& start, juce::String& problem)
{
    juce::FileInputStream stream (file);
    if (!stream.openedOk())
    {
        problem = "cannot open " + file.getFullPathName();
        return false;
    }
    char magic[4]{};
    stream.read (magic, 4);
    const int version = stream.readInt();
    const int rate = stream.readInt();
    const int channels = stream.readInt();
    start = stream.readInt();
    const int frames = stream.readInt();
    if (juce::String (magic, 4) != "KLDG" || version != 1 || rate != static_cast<int> (goldenRate) ||
        channels != goldenChannels || start < 0 || frames < 0 || start + frames != goldenFrames ||
        stream.getNumBytesRemaining() != static_cast<juce::int64> (channels) * frames * 4)
    {
        problem = "unexpected header or size in " + file.getFullPathName();
        return false;
    }
    samples = silence (channels, frames);
    for (auto& channel : samples)
        for (auto& x : channel)
            x = stream.readFloat();
    return true;
}
} // namespace

class GoldenSnapshot : public ::testing::TestWithParam<GoldenCase>
{
};

TEST_P (GoldenSnapshot, MatchesTheReference)
{
    const auto& c = GetParam();
    const auto output = render (c);
    const int start = goldenStart();
    const auto file = goldenFolder().getChildFile (juce::String (c.name) + ".golden");

    // Until shortly before the total latency the engine outputs silence.
    for (const auto& channel : output)
        for (int t = 0; t < start; ++t)
            ASSERT_EQ (channel[static_cast<size_t> (t)], 0.0f) << c.name << " frame " << t;

    if (regenerating())
    {
        ASSERT_TRUE (writeGolden (file, output, start)) << file.getFullPathName();
        GTEST_SKIP() << "KALEIDRA_REGENERATE_GOLDEN is set: wrote " << file.getFullPathName();
    }

    Signal reference;
    int referenceStart = 0;
    juce::String problem;
    ASSERT_TRUE (file.existsAsFile())
        << file.getFullPathName() << " is missing; see tests/dsp/golden/README.md to create it";
    ASSERT_TRUE (readGolden (file, reference, referenceStart, problem)) << problem;
    ASSERT_EQ (referenceStart, start);

    float worst = 0.0f;
    int worstFrame = -1;
    size_t worstChannel = 0;
    for (size_t ch = 0; ch < output.size(); ++ch)
        for (size_t t = 0; t < reference[ch].size(); ++t)
        {
            const float difference =
                std::abs (output[ch][t + static_cast<size_t> (start)] - reference[ch][t]);
            if (!(difference <= worst)) // NaN counts as the worst
            {
                worst = difference;
                worstFrame = static_cast<int> (t) + start;
                worstChannel = ch;
            }
        }
    EXPECT_LE (worst, tolerance) << c.name << ": largest difference at channel " << worstChannel << " frame "
                                 << worstFrame;

    // The reference is not silent (the comparison means something).
    float peak = 0.0f;
    for (const auto& channel : reference)
        for (float x : channel)
            peak = std::max (peak, std::abs (x));
    EXPECT_GT (peak, 0.1f) << c.name;
}

INSTANTIATE_TEST_SUITE_P (Engine, GoldenSnapshot, ::testing::ValuesIn (goldenCases()),
                          [] (const ::testing::TestParamInfo<GoldenCase>& param)
                          {
                              auto name = juce::String (param.param.name).replaceCharacter ('-', '_');
                              return name.toStdString();
                          });

TEST (GoldenSnapshotFiles, CorruptReferenceIsRefusedClearly)
{
    const auto temp = juce::File::createTempFile (".golden");
    temp.replaceWithText ("not a reference");
    Signal samples;
    int start = 0;
    juce::String problem;
    EXPECT_FALSE (readGolden (temp, samples, start, problem));
    EXPECT_TRUE (problem.contains ("unexpected header"));
    temp.deleteFile();
}
