// Runs the kaleidra-host tool against the plug-in bundle of this build, the way a user or a DAW
// would see the plug-in.

#include "support/IsolatedHome.h"

#include <FactoryPresetData.h>
#include <gtest/gtest.h>
#include <juce_audio_formats/juce_audio_formats.h>
#include <juce_audio_processors/juce_audio_processors.h>
#include <juce_graphics/juce_graphics.h>
#include <tarn_gui/tarn_gui.h>

namespace
{
// The hosted plug-in finds (and creates) its user preset folder in a home folder of the test
// program's own; the host processes inherit it.
[[maybe_unused]] auto* const environment =
    ::testing::AddGlobalTestEnvironment (new kaleidra::test::IsolatedHomeEnvironment);

struct RunResult
{
    int exitCode = -1;
    juce::String output;
};

RunResult runHost (const juce::StringArray& arguments, int timeoutMs = 300000)
{
    juce::StringArray command{ KALEIDRA_HOST_EXE };
    command.addArray (arguments);

    juce::ChildProcess process;
    RunResult result;

    if (!process.start (command, juce::ChildProcess::wantStdOut | juce::ChildProcess::wantStdErr))
        return result;

    result.output = process.readAllProcessOutput();

    if (process.waitForProcessToFinish (timeoutMs))
        result.exitCode = (int) process.getExitCode();

    return result;
}

const juce::String bundle (KALEIDRA_VST3_BUNDLE);

juce::var infoJson (const juce::StringArray& extra = {})
{
    juce::StringArray args{ "info", bundle, "--json" };
    args.addArray (extra);
    const auto result = runHost (args);
    EXPECT_EQ (result.exitCode, 0) << result.output;
    const auto json = result.output.fromFirstOccurrenceOf ("{", true, false);
    return juce::JSON::parse (json);
}

struct TempFolder
{
    TempFolder()
    {
        folder.createDirectory();
    }

    ~TempFolder()
    {
        folder.deleteRecursively();
    }

    juce::File file (const juce::String& name) const
    {
        return folder.getChildFile (name);
    }

    juce::File folder = juce::File::getSpecialLocation (juce::File::tempDirectory)
                            .getNonexistentChildFile ("kaleidra-host-test", "");
};

void writeWav (const juce::File& file, const juce::AudioBuffer<float>& buffer, double rate)
{
    file.deleteFile();
    juce::WavAudioFormat wav;
    auto* stream = file.createOutputStream().release();
    std::unique_ptr<juce::AudioFormatWriter> writer (
        wav.createWriterFor (stream, rate, (unsigned int) buffer.getNumChannels(), 32, {}, 0));
    ASSERT_NE (writer, nullptr);
    writer->writeFromAudioSampleBuffer (buffer, 0, buffer.getNumSamples());
}

juce::AudioBuffer<float> readWav (const juce::File& file, double& rate)
{
    juce::WavAudioFormat wav;
    std::unique_ptr<juce::AudioFormatReader> reader (
        wav.createReaderFor (file.createInputStream().release(), true));
    EXPECT_NE (reader, nullptr);

    if (reader == nullptr)
        return {};

    rate = reader->sampleRate;
    juce::AudioBuffer<float> buffer ((int) reader->numChannels, (int) reader->lengthInSamples);
    reader->read (&buffer, 0, buffer.getNumSamples(), 0, true, true);
    return buffer;
}

juce::AudioBuffer<float> testSignal (int channels, int length)
{
    juce::Random random (17);
    juce::AudioBuffer<float> buffer (channels, length);

    for (int c = 0; c < channels; ++c)
        for (int i = 0; i < length; ++i)
            buffer.setSample (c, i,
                              0.5f * std::sin ((float) i * 0.05f * (float) (c + 1)) +
                                  0.1f * (random.nextFloat() - 0.5f));

    return buffer;
}

float largestDifference (const juce::AudioBuffer<float>& a, const juce::AudioBuffer<float>& b)
{
    float worst = 0.0f;

    for (int c = 0; c < a.getNumChannels(); ++c)
        for (int i = 0; i < a.getNumSamples(); ++i)
            worst = juce::jmax (worst, std::abs (a.getSample (c, i) - b.getSample (c, i)));

    return worst;
}

// A preset file as the plug-in writes it: the state blob, read as one little-endian number,
// shifted left by a few bits.
void writePresetFile (const juce::File& file, const juce::String& xmlText, int shift)
{
    juce::MemoryBlock blob;
    juce::AudioProcessor::copyXmlToBinary (*juce::parseXML (xmlText), blob);
    juce::BigInteger number;
    number.loadFromMemoryBlock (blob);
    number.shiftBits (shift, 0);
    ASSERT_TRUE (file.replaceWithData (number.toMemoryBlock().getData(), number.toMemoryBlock().getSize()));
}
} // namespace

TEST (KaleidraHost, InfoMatchesTheIdentityAndParameterTable)
{
    const auto info = infoJson();
    ASSERT_TRUE (info.isObject());

    EXPECT_EQ (info["name"].toString(), "Kaleidra_v1-1");
    EXPECT_EQ (info["vendor"].toString(), "Tarnlight");
    EXPECT_EQ (info["version"].toString(), "1.1.2");
    EXPECT_EQ (info["category"].toString(), "Fx");
    EXPECT_FALSE ((bool) info["isInstrument"]);
    EXPECT_FALSE ((bool) info["acceptsMidi"]);
    EXPECT_FALSE ((bool) info["producesMidi"]);
    EXPECT_TRUE ((bool) info["hasEditor"]);
    EXPECT_EQ ((double) info["tailSeconds"], 0.0);
    EXPECT_EQ ((int) info["latency"], 3 * 213 + 138); // 48 kHz: three stages and the feeder

    // The factory and the class IDs, formed from the manufacturer and plug-in codes.
    const auto factory = info["factory"];
    EXPECT_EQ (factory["vendor"].toString(), "Tarnlight");
    EXPECT_EQ (factory["url"].toString(), "");
    EXPECT_EQ (factory["email"].toString(), "");
    EXPECT_TRUE ((bool) factory["unicode"]);

    const auto* classes = factory["classes"].getArray();
    ASSERT_NE (classes, nullptr);
    ASSERT_EQ (classes->size(), 2);
    EXPECT_EQ ((*classes)[0]["cid"].toString(), "ABCDEF01 9182FAEB 5461726E 4B643131");
    EXPECT_EQ ((*classes)[0]["category"].toString(), "Audio Module Class");
    EXPECT_EQ ((*classes)[0]["name"].toString(), "Kaleidra_v1-1");
    EXPECT_EQ ((*classes)[0]["subCategories"].toString(), "Fx");
    EXPECT_EQ ((*classes)[0]["vendor"].toString(), "Tarnlight");
    EXPECT_EQ ((*classes)[0]["version"].toString(), "1.1.2");
    EXPECT_EQ ((*classes)[1]["cid"].toString(), "ABCDEF01 1234ABCD 5461726E 4B643131");
    EXPECT_EQ ((*classes)[1]["category"].toString(), "Component Controller Class");
    EXPECT_EQ ((*classes)[1]["name"].toString(), "Kaleidra_v1-1");

    // One stereo input "Input", one stereo output "Output".
    const auto* inputs = info["buses"]["inputs"].getArray();
    const auto* outputs = info["buses"]["outputs"].getArray();
    ASSERT_TRUE (inputs != nullptr && outputs != nullptr);
    ASSERT_EQ (inputs->size(), 1);
    ASSERT_EQ (outputs->size(), 1);
    EXPECT_EQ ((*inputs)[0]["name"].toString(), "Input");
    EXPECT_EQ ((*outputs)[0]["name"].toString(), "Output");
    EXPECT_EQ ((int) (*inputs)[0]["channels"], 2);
    EXPECT_EQ ((int) (*outputs)[0]["channels"], 2);

    EXPECT_TRUE ((bool) info["layouts"]["mono>mono"]);
    EXPECT_TRUE ((bool) info["layouts"]["stereo>stereo"]);
    EXPECT_FALSE ((bool) info["layouts"]["stereo>mono"]);
    EXPECT_FALSE ((bool) info["layouts"]["mono>stereo"]);

    // The wrapper publishes a program list only for more than one program; whatever a host
    // sees carries a name.
    const auto* programs = info["programs"].getArray();
    ASSERT_NE (programs, nullptr);

    for (const auto& program : *programs)
        EXPECT_TRUE (program["name"].toString().isNotEmpty());

    // The eleven parameters first, in order, then the wrapper's own bypass.
    const struct
    {
        const char* name;
        double defaultNormalised;
        const char* defaultText;
    } table[] = {
        { "Mode", 0.0, "Series" },
        { "Tone", 0.75, "75.00" },
        { "1- N Segs", 29.0 / 89.0, "31" },
        { "1- Seg Size", 10.0 / 47.0, "11.00" },
        { "1- Seg Mix", 100.0 / 120.0, "100.00" },
        { "2- N Segs", 29.0 / 89.0, "31" },
        { "2- Seg Size", 10.0 / 47.0, "11.00" },
        { "2- Seg Mix", 0.0, "0.00" },
        { "3- N Segs", 29.0 / 89.0, "31" },
        { "3- Seg Size", 10.0 / 47.0, "11.00" },
        { "3- Seg Mix", 0.0, "0.00" },
    };

    const auto* parameters = info["parameters"].getArray();
    ASSERT_NE (parameters, nullptr);
    ASSERT_EQ (parameters->size(), 12);

    for (int i = 0; i < 11; ++i)
    {
        const auto& p = (*parameters)[i];
        SCOPED_TRACE (table[i].name);
        EXPECT_EQ ((int) p["index"], i);
        EXPECT_EQ (p["name"].toString(), table[i].name);
        EXPECT_NEAR ((double) p["default"], table[i].defaultNormalised, 1.0e-6);
        EXPECT_EQ (p["defaultText"].toString(), table[i].defaultText);
        EXPECT_EQ (p["text"].toString(), table[i].defaultText);
        EXPECT_EQ (p["label"].toString(), "");
        EXPECT_TRUE ((bool) p["automatable"]);
        EXPECT_FALSE ((bool) p["bypass"]);
    }

    EXPECT_TRUE ((bool) (*parameters)[11]["bypass"]);
}

TEST (KaleidraHost, InfoReportsTheLatencyForTheRateWhateverTheBlock)
{
    for (const auto* block : { "64", "512", "2048" })
    {
        EXPECT_EQ ((int) infoJson ({ "--rate", "44100", "--block", block })["latency"], 3 * 196 + 127)
            << block;
        EXPECT_EQ ((int) infoJson ({ "--rate", "96000", "--block", block })["latency"], 3 * 425 + 278)
            << block;
    }
}

TEST (KaleidraHost, RenderLinesTheOutputUpWithTheInput)
{
    TempFolder temp;
    const auto input = testSignal (2, 48000);
    writeWav (temp.file ("in.wav"), input, 48000.0);

    // All stages off: the engine passes the input through its delay, which the host removes.
    const auto result =
        runHost ({ "render", bundle, temp.file ("in.wav").getFullPathName(),
                   temp.file ("dry.wav").getFullPathName(), "--set", "1- Seg Mix=0", "--block", "256" });
    ASSERT_EQ (result.exitCode, 0) << result.output;
    EXPECT_TRUE (result.output.contains ("latency=777")) << result.output; // 3 × 213 + 139 − 1

    double rate = 0.0;
    const auto dry = readWav (temp.file ("dry.wav"), rate);
    EXPECT_EQ (rate, 48000.0);
    ASSERT_EQ (dry.getNumChannels(), 2);
    ASSERT_EQ (dry.getNumSamples(), input.getNumSamples());
    EXPECT_LT (largestDifference (dry, input), 1.0e-6f);

    // The defaults change the sound, and the output stays finite.
    const auto wet = runHost ({ "render", bundle, temp.file ("in.wav").getFullPathName(),
                                temp.file ("wet.wav").getFullPathName() });
    ASSERT_EQ (wet.exitCode, 0) << wet.output;
    const auto processed = readWav (temp.file ("wet.wav"), rate);
    ASSERT_EQ (processed.getNumSamples(), input.getNumSamples());
    EXPECT_GT (largestDifference (processed, input), 1.0e-3f);
}

TEST (KaleidraHost, RenderIsTheSameForEveryHostBlockAndAfterOtherMaterial)
{
    // Through the VST3 wrapper, as a DAW exports: host blocks of every size, fixed or changing
    // from block to block, and a render that other material played before (the transport
    // stopped in between) all give the same file, sample for sample.
    TempFolder temp;
    writeWav (temp.file ("in.wav"), testSignal (2, 30000), 44100.0);
    auto other = testSignal (2, 20000);
    other.applyGain (-0.7f);
    writeWav (temp.file ("other.wav"), other, 44100.0);

    const auto render = [&] (const juce::String& name, const juce::StringArray& extra)
    {
        juce::StringArray args{ "render",
                                bundle,
                                temp.file ("in.wav").getFullPathName(),
                                temp.file (name).getFullPathName(),
                                "--set",
                                "Mode=Parallel",
                                "--set",
                                "2- Seg Mix=70",
                                "--set",
                                "3- Seg Size=48" };
        args.addArray (extra);
        const auto result = runHost (args);
        EXPECT_EQ (result.exitCode, 0) << result.output;
        EXPECT_TRUE (result.output.contains ("latency=715")) << result.output;
        double rate = 0.0;
        return readWav (temp.file (name), rate);
    };

    const auto first = render ("512.wav", { "--block", "512" });
    ASSERT_EQ (first.getNumSamples(), 30000);
    EXPECT_GT (first.getRMSLevel (0, 0, 30000), 0.05f);

    const juce::StringArray variants[] = { { "--block", "1" },
                                           { "--block", "7" },
                                           { "--block", "64" },
                                           { "--block", "441" },
                                           { "--block", "4096" },
                                           { "--block", "random" },
                                           { "--block", "random", "--seed", "5" },
                                           { "--pre-roll", temp.file ("other.wav").getFullPathName() },
                                           { "--block", "random", "--pre-roll",
                                             temp.file ("other.wav").getFullPathName() } };

    for (const auto& extra : variants)
    {
        const auto output = render ("variant.wav", extra);
        ASSERT_EQ (output.getNumSamples(), first.getNumSamples()) << extra.joinIntoString (" ");
        EXPECT_EQ (largestDifference (output, first), 0.0f) << extra.joinIntoString (" ");
    }

    // The compare command agrees, and tells a different file apart.
    const auto same = runHost ({ "compare", temp.file ("512.wav").getFullPathName(),
                                 temp.file ("variant.wav").getFullPathName(), "--expect-identical" });
    EXPECT_EQ (same.exitCode, 0) << same.output;
    EXPECT_TRUE (same.output.contains (": identical")) << same.output;

    const auto differ = runHost ({ "compare", temp.file ("512.wav").getFullPathName(),
                                   temp.file ("in.wav").getFullPathName(), "--expect-identical" });
    EXPECT_EQ (differ.exitCode, 1) << differ.output;
    EXPECT_TRUE (differ.output.contains ("differ from frame")) << differ.output;
}

TEST (KaleidraHost, RenderTakesMonoFilesAndPresetFiles)
{
    TempFolder temp;
    const auto input = testSignal (1, 22050);
    writeWav (temp.file ("mono.wav"), input, 44100.0);

    for (int shift : { 1, 3, 7 })
    {
        SCOPED_TRACE (shift);
        writePresetFile (temp.file ("off.kd11"),
                         R"(<Kd11><PARAM id="1- Seg Mix" value="0"/><PARAM id="Tone" value="100"/></Kd11>)",
                         shift);

        const auto result = runHost ({ "render", bundle, temp.file ("mono.wav").getFullPathName(),
                                       temp.file ("out.wav").getFullPathName(), "--preset",
                                       temp.file ("off.kd11").getFullPathName() });
        ASSERT_EQ (result.exitCode, 0) << result.output;

        double rate = 0.0;
        const auto output = readWav (temp.file ("out.wav"), rate);
        EXPECT_EQ (rate, 44100.0);
        ASSERT_EQ (output.getNumChannels(), 1);
        ASSERT_EQ (output.getNumSamples(), input.getNumSamples());
        EXPECT_LT (largestDifference (output, input), 1.0e-6f);
    }
}

TEST (KaleidraHost, RefusesWhatItCannotDo)
{
    TempFolder temp;
    writeWav (temp.file ("in.wav"), testSignal (2, 1000), 48000.0);
    temp.file ("junk.kd11").replaceWithText ("not a preset");

    const struct
    {
        const char* name;
        juce::StringArray args;
    } cases[] = {
        { "no command", {} },
        { "unknown command", { "frobnicate" } },
        { "missing bundle", { "info", temp.file ("none.vst3").getFullPathName() } },
        { "check without bundle", { "check" } },
        { "unknown parameter",
          { "render", bundle, temp.file ("in.wav").getFullPathName(), temp.file ("o.wav").getFullPathName(),
            "--set", "Volume=3" } },
        { "missing input",
          { "render", bundle, temp.file ("none.wav").getFullPathName(),
            temp.file ("o.wav").getFullPathName() } },
        { "junk preset",
          { "render", bundle, temp.file ("in.wav").getFullPathName(), temp.file ("o.wav").getFullPathName(),
            "--preset", temp.file ("junk.kd11").getFullPathName() } },
        { "block size that is no number",
          { "render", bundle, temp.file ("in.wav").getFullPathName(), temp.file ("o.wav").getFullPathName(),
            "--block", "big" } },
        { "missing pre-roll",
          { "render", bundle, temp.file ("in.wav").getFullPathName(), temp.file ("o.wav").getFullPathName(),
            "--pre-roll", temp.file ("none.wav").getFullPathName() } },
        { "compare with a missing file",
          { "compare", temp.file ("in.wav").getFullPathName(), temp.file ("none.wav").getFullPathName() } },
    };

    for (const auto& c : cases)
    {
        const auto result = runHost (c.args);
        EXPECT_NE (result.exitCode, 0) << c.name << "\n" << result.output;
        EXPECT_FALSE (temp.file ("o.wav").exists()) << c.name;
    }
}

TEST (KaleidraHost, EditorCommandSavesAPictureOfTheEditor)
{
    if (juce::SystemStats::getEnvironmentVariable ("DISPLAY", {}).isEmpty())
        GTEST_SKIP() << "needs a display (the test command provides one)";

    TempFolder temp;
    const auto result =
        runHost ({ "editor", bundle, temp.file ("editor.png").getFullPathName(), "--wait", "800" });
    ASSERT_EQ (result.exitCode, 0) << result.output;

    const auto picture = juce::ImageFileFormat::loadFrom (temp.file ("editor.png"));
    ASSERT_TRUE (picture.isValid());
    EXPECT_GE (picture.getWidth(), 100);
    EXPECT_GE (picture.getHeight(), 100);

    // Something was drawn: the picture is not one flat colour.
    const auto first = picture.getPixelAt (0, 0);
    bool varied = false;

    for (int y = 0; y < picture.getHeight() && !varied; y += 3)
        for (int x = 0; x < picture.getWidth() && !varied; x += 3)
            varied = picture.getPixelAt (x, y) != first;

    EXPECT_TRUE (varied);
}

TEST (KaleidraHost, EditorIsTheKaleidraWindowAndSurvivesBeingReopenedDuringPlayback)
{
    if (juce::SystemStats::getEnvironmentVariable ("DISPLAY", {}).isEmpty())
        GTEST_SKIP() << "needs a display (the test command provides one)";

    TempFolder temp;
    const auto result = runHost (
        { "editor", bundle, temp.file ("editor.png").getFullPathName(), "--wait", "800", "--cycles", "20" });
    ASSERT_EQ (result.exitCode, 0) << result.output;
    EXPECT_TRUE (result.output.contains ("opened and closed 20 times")) << result.output;

    const auto picture = juce::ImageFileFormat::loadFrom (temp.file ("editor.png"));
    ASSERT_TRUE (picture.isValid());
    ASSERT_EQ (picture.getWidth(), 550);
    ASSERT_EQ (picture.getHeight(), 550);

    const auto near = [] (juce::Colour actual, juce::uint32 expected)
    {
        const auto e = juce::Colour (expected);
        return std::abs (actual.getRed() - e.getRed()) <= 8 &&
               std::abs (actual.getGreen() - e.getGreen()) <= 8 &&
               std::abs (actual.getBlue() - e.getBlue()) <= 8;
    };

    const auto background = 0xff737373u, outline = 0xfff5f5f5u, light = 0xff8710dcu;

    // Free spots: the band under the title and the margin left of the content column.
    EXPECT_TRUE (near (picture.getPixelAt (300, 45), background)) << picture.getPixelAt (300, 45).toString();
    EXPECT_TRUE (near (picture.getPixelAt (4, 540), background)) << picture.getPixelAt (4, 540).toString();

    // The outline of stage panel 1 (10, 91, 530 x 116): its top and left edges.
    EXPECT_TRUE (near (picture.getPixelAt (275, 91), outline)) << picture.getPixelAt (275, 91).toString();
    EXPECT_TRUE (near (picture.getPixelAt (10, 150), outline)) << picture.getPixelAt (10, 150).toString();

    // Stage 1's light (25, 106, 14 x 14) is lit in the purple of a running stage; stage 2's is not.
    EXPECT_TRUE (near (picture.getPixelAt (32, 113), light)) << picture.getPixelAt (32, 113).toString();
    EXPECT_FALSE (near (picture.getPixelAt (32, 239), light)) << picture.getPixelAt (32, 239).toString();

    // The title band holds text: plenty of pixels that are not background.
    int titlePixels = 0;

    for (int y = 0; y < 34; ++y)
        for (int x = 10; x < 550; ++x)
            titlePixels += near (picture.getPixelAt (x, y), background) ? 0 : 1;

    EXPECT_GT (titlePixels, 300);
}

namespace
{
// The host's stored state of the plug-in around a plug-in state blob, as a DAW project keeps it.
juce::MemoryBlock hostStateAround (const juce::XmlElement& pluginState)
{
    juce::MemoryBlock component;
    juce::AudioProcessor::copyXmlToBinary (pluginState, component);

    juce::XmlElement state ("VST3PluginState");
    state.createNewChildElement ("IComponent")->addTextElement (component.toBase64Encoding());

    juce::MemoryBlock result;
    juce::AudioProcessor::copyXmlToBinary (state, result);
    return result;
}

// Runs "state" and returns the plug-in's state XML it printed.
std::unique_ptr<juce::XmlElement> runState (const juce::StringArray& extra)
{
    juce::StringArray args{ "state", bundle };
    args.addArray (extra);
    const auto result = runHost (args);
    EXPECT_EQ (result.exitCode, 0) << result.output;
    auto xml = juce::parseXML (result.output.fromFirstOccurrenceOf ("<Kd11", true, false));
    EXPECT_NE (xml, nullptr) << result.output;
    return xml;
}

juce::String valueOf (const juce::XmlElement& state, const juce::String& id)
{
    for (auto* child : state.getChildIterator())
        if (child->getStringAttribute ("id") == id)
            return child->getStringAttribute ("value");

    return {};
}
} // namespace

TEST (KaleidraHost, SavedProjectKeepsTheCurrentFactoryPresetAndItsModifiedMark)
{
    TempFolder temp;

    // A project saved with "Twinkle" current and unchanged: its values and its name.
    const kaleidra::FactoryPresetData* twinkle = nullptr;
    for (int i = 0; i < kaleidra::numFactoryPresetData; ++i)
        if (juce::String (kaleidra::factoryPresetData[i].name) == "Twinkle")
            twinkle = &kaleidra::factoryPresetData[i];
    ASSERT_NE (twinkle, nullptr);

    juce::MemoryBlock blob (twinkle->data, (size_t) twinkle->size);
    tarn_gui::decodePresetData (blob);
    auto pluginState = juce::AudioProcessor::getXmlFromBinary (blob.getData(), (int) blob.getSize());
    ASSERT_NE (pluginState, nullptr);
    pluginState->setAttribute ("LoadedPreset", "FactoryPreset:Twinkle");
    pluginState->setAttribute ("LoadedPresetModified", "0");

    const auto project = hostStateAround (*pluginState);
    ASSERT_TRUE (temp.file ("project.state").replaceWithData (project.getData(), project.getSize()));

    // Opened and saved again unchanged: still Twinkle, not modified, with Twinkle's values.
    const auto reopened = runState ({ "--restore", temp.file ("project.state").getFullPathName(), "--save",
                                      temp.file ("unchanged.state").getFullPathName() });
    ASSERT_NE (reopened, nullptr);
    EXPECT_EQ (reopened->getStringAttribute ("LoadedPreset"), "FactoryPreset:Twinkle");
    EXPECT_EQ (reopened->getStringAttribute ("LoadedPresetModified"), "0");
    for (auto* child : pluginState->getChildIterator())
        EXPECT_EQ (valueOf (*reopened, child->getStringAttribute ("id")), child->getStringAttribute ("value"))
            << child->getStringAttribute ("id");

    // Opened, automated, saved: Twinkle, modified.
    const auto edited = runState ({ "--restore", temp.file ("unchanged.state").getFullPathName(), "--set",
                                    "Tone=20", "--save", temp.file ("edited.state").getFullPathName() });
    ASSERT_NE (edited, nullptr);
    EXPECT_EQ (edited->getStringAttribute ("LoadedPreset"), "FactoryPreset:Twinkle");
    EXPECT_EQ (edited->getStringAttribute ("LoadedPresetModified"), "1");
    EXPECT_NEAR (valueOf (*edited, "Tone").getFloatValue(), 20.0f, 0.01f);

    // That project opened in a new instance keeps both.
    const auto restored = runState ({ "--restore", temp.file ("edited.state").getFullPathName() });
    ASSERT_NE (restored, nullptr);
    EXPECT_EQ (restored->getStringAttribute ("LoadedPreset"), "FactoryPreset:Twinkle");
    EXPECT_EQ (restored->getStringAttribute ("LoadedPresetModified"), "1");
    EXPECT_NEAR (valueOf (*restored, "Tone").getFloatValue(), 20.0f, 0.01f);

    // A fresh instance names no preset.
    const auto fresh = runState ({});
    ASSERT_NE (fresh, nullptr);
    EXPECT_EQ (fresh->getStringAttribute ("LoadedPreset"), "");
    EXPECT_EQ (fresh->getStringAttribute ("LoadedPresetModified"), "0");
}
