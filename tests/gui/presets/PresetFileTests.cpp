// Preset files: the encoding, saving and loading, and the refusal of everything that is not a
// preset of this plug-in.

#include "PresetTestSupport.h"

#include <cstring>
#include <thread>

namespace kaleidra::test
{
namespace
{
    juce::MemoryBlock randomBytes (juce::Random& rng, int size)
    {
        juce::MemoryBlock block ((size_t) size);

        for (int i = 0; i < size; ++i)
            block[(size_t) i] = (char) rng.nextInt (256);

        return block;
    }

    // Non-default values for all eleven parameters.
    void setDistinctValues (FakePresetProcessor& p)
    {
        p.setPlain ("Mode", 1.0f);
        p.setPlain ("Tone", 33.5f);
        p.setPlain ("1- N Segs", 7.0f);
        p.setPlain ("1- Seg Size", 2.25f);
        p.setPlain ("1- Seg Mix", 120.0f);
        p.setPlain ("2- N Segs", 91.0f);
        p.setPlain ("2- Seg Size", 48.0f);
        p.setPlain ("2- Seg Mix", 12.34f);
        p.setPlain ("3- N Segs", 2.0f);
        p.setPlain ("3- Seg Size", 1.0f);
        p.setPlain ("3- Seg Mix", 66.6f);
    }
} // namespace

TEST (PresetEncoding, RoundTripsEveryBlobThatDoesNotEndInZeroBytes)
{
    juce::Random rng (1234);

    for (int size : { 1, 2, 3, 7, 8, 9, 100, 4096 })
    {
        auto blob = randomBytes (rng, size);
        blob[(size_t) size - 1] = (char) (1 + rng.nextInt (255)); // a non-zero top byte

        auto coded = blob;
        tarn_gui::encodePresetData (coded);
        EXPECT_NE (coded, blob) << size;

        // The shift can carry into one more byte, never more.
        EXPECT_GE (coded.getSize(), blob.getSize());
        EXPECT_LE (coded.getSize(), blob.getSize() + 1);

        tarn_gui::decodePresetData (coded);
        EXPECT_EQ (coded, blob) << size;
    }
}

TEST (PresetEncoding, ShiftsTheBlobAsOneLittleEndianNumber)
{
    // 0x21324356 ("VC2!") shifted left by the fixed shift, written in the fewest bytes.
    juce::MemoryBlock blob ("VC2!", 4);
    tarn_gui::encodePresetData (blob);

    const juce::uint64 expected = (juce::uint64) 0x21324356u
                                  << tarn_gui::PresetManager::PresetLoader::encodingShift;
    juce::uint64 actual = 0;

    for (size_t i = 0; i < blob.getSize(); ++i)
        actual |= (juce::uint64) (juce::uint8) blob[i] << (8 * i);

    EXPECT_EQ (actual, expected);
    EXPECT_EQ (blob.getSize(), 5u);

    juce::MemoryBlock empty;
    tarn_gui::encodePresetData (empty);
    EXPECT_EQ (empty.getSize(), 0u);
}

TEST (StateBlobNesting, CountsElementsNotTextThatLooksLikeThem)
{
    const auto blob = [] (const juce::String& text)
    {
        juce::MemoryOutputStream out;
        out.writeInt (0x21324356);
        out.writeInt ((int) text.getNumBytesAsUTF8());
        out << text;
        out.writeByte (0);
        return out.getMemoryBlock();
    };

    struct Case
    {
        juce::String xml;
        int depth;
    };

    const Case cases[] = {
        { "<?xml version=\"1.0\"?><Kd11 a=\"1\"><PARAM id=\"Tone\" value=\"1.0\"/><PARAM "
          "id=\"Mode\"/></Kd11>",
          2 },
        { "<a><b><c/></b><b/></a>", 3 },
        { "<a x=\"/>\"><a y='/>'><a/></a></a>", 3 },
        { "<a><!-- <b><c><d> --><![CDATA[<b><c>]]></a>", 1 },
        { "<a>" + juce::String::repeatedString ("<b>", 40), 41 },
        { "", 0 },
    };

    for (const auto& c : cases)
    {
        const auto b = blob (c.xml);
        EXPECT_EQ (tarn_gui::stateBlobNestingDepth (b.getData(), (int) b.getSize()), c.depth) << c.xml;
    }

    // Text that is not UTF-8 never reaches the parser, which would read past its end.
    const auto accented = blob (juce::String::fromUTF8 ("<Kd11 a=\"\xc3\xa9\"/>"));
    EXPECT_TRUE (tarn_gui::isParsableStateBlob (accented.getData(), (int) accented.getSize()));
    const char truncatedSequence[] = "VC2!\x08\0\0\0<Kd11>\xe0\0";
    EXPECT_FALSE (tarn_gui::isParsableStateBlob (truncatedSequence, (int) sizeof (truncatedSequence) - 1));
    const char strayContinuation[] = "VC2!\x08\0\0\0<Kd11\x80>\0";
    EXPECT_FALSE (tarn_gui::isParsableStateBlob (strayContinuation, (int) sizeof (strayContinuation) - 1));

    // Forms the framework would decode to other characters (so that the text does not save back
    // to itself) are refused as well; well-formed text of every length is taken.
    struct Utf8Case
    {
        const char* bytes;
        bool valid;
    };
    const Utf8Case utf8Cases[] = {
        { "plain", true },
        { "\xc3\xa9 \xe2\x82\xac \xf0\x9f\x8e\xb9", true }, // 2, 3 and 4 bytes
        { "\xf4\x8f\xbf\xbf", true },                       // U+10FFFF
        { "P\xc1\xa8", false },                             // overlong 'h'
        { "\xc0\xaf", false },                              // overlong '/'
        { "\xe0\x80\xaf", false },                          // overlong, three bytes
        { "\xf0\x80\x80\xaf", false },                      // overlong, four bytes
        { "\xed\xa0\x80", false },                          // a surrogate
        { "\xf4\x90\x80\x80", false },                      // above U+10FFFF
        { "\xf8\x88\x80\x80\x80", false },                  // five-byte form
        { "a\x80", false },                                 // stray continuation
        { "\xe2\x82", false },                              // cut short
        { "\xe2\x28\xa1", false },                          // lead without its continuation
    };

    for (const auto& c : utf8Cases)
    {
        EXPECT_EQ (tarn_gui::isStrictUtf8 (c.bytes, (int) std::strlen (c.bytes)), c.valid) << c.bytes;
    }

    const char overlongName[] = "VC2!\x09\0\0\0<P\xc1\xa8"
                                "EM/>\0";
    EXPECT_FALSE (tarn_gui::isParsableStateBlob (overlongName, (int) sizeof (overlongName) - 1));

    EXPECT_EQ (tarn_gui::stateBlobNestingDepth ("VC2!", 4), -1);
    EXPECT_EQ (tarn_gui::stateBlobNestingDepth ("XXXX\1\0\0\0<a/>", 13), -1);
}

class PresetFileTest : public PresetTest
{
};

TEST_F (PresetFileTest, SaveThenLoadRestoresEveryParameter)
{
    FakePresetProcessor processor;
    setDistinctValues (processor);
    const auto saved = processor.plainValues();

    const auto file = writePreset (processor, presetFolder().getChildFile ("all_values.kd11"));
    EXPECT_FALSE (processor.isModified());

    processor.resetToDefaults();
    ASSERT_NE (processor.plainValues(), saved);

    ASSERT_TRUE (processor.loadPresetFile (file));
    EXPECT_EQ (processor.plainValues(), saved);
}

TEST_F (PresetFileTest, FileIsEncodedAndDecodesToTheStateBlob)
{
    FakePresetProcessor processor;
    const auto file = writePreset (processor, presetFolder().getChildFile ("coded.kd11"));

    juce::MemoryBlock content;
    ASSERT_TRUE (file.loadFileAsData (content));
    ASSERT_GE (content.getSize(), 4u);
    EXPECT_NE (std::memcmp (content.getData(), "VC2!", 4), 0);

    tarn_gui::decodePresetData (content);
    ASSERT_GE (content.getSize(), 4u);
    EXPECT_EQ (std::memcmp (content.getData(), "VC2!", 4), 0);

    // The file carries no preset information, even when the host state would.
    auto xml = juce::AudioProcessor::getXmlFromBinary (content.getData(), (int) content.getSize());
    ASSERT_NE (xml, nullptr);
    EXPECT_TRUE (xml->hasTagName ("Kd11"));
    EXPECT_FALSE (xml->hasAttribute ("LoadedPreset"));
    EXPECT_EQ (xml->getNumChildElements(), 11);
}

TEST_F (PresetFileTest, SavingIntoAMissingFileOrAFolderWritesNothing)
{
    FakePresetProcessor processor;
    processor.setPlain ("Tone", 10.0f);
    ASSERT_TRUE (processor.isModified());

    const auto missing = presetFolder().getChildFile ("not_there.kd11");
    EXPECT_FALSE (processor.savePresetFile (missing));
    EXPECT_FALSE (missing.exists());

    const auto folder = presetFolder().getChildFile ("a_folder.kd11");
    ASSERT_TRUE (folder.createDirectory().wasOk());
    EXPECT_FALSE (processor.savePresetFile (folder));
    EXPECT_TRUE (folder.isDirectory());
    EXPECT_EQ (
        folder.getNumberOfChildFiles (juce::File::findFilesAndDirectories | juce::File::ignoreHiddenFiles),
        0);
    EXPECT_EQ (presetFolder().getNumberOfChildFiles (juce::File::findFiles, "*"), 0);

    EXPECT_FALSE (processor.savePresetFile (juce::File()));
    EXPECT_TRUE (processor.isModified());
}

#if JUCE_LINUX
TEST_F (PresetFileTest, AFailedWriteKeepsTheFileAndTheModifiedFlag)
{
    // An existing regular file in a folder where nothing can be created: the temporary file
    // cannot be written, so the save fails (also for root).
    const juce::File target ("/proc/version");
    ASSERT_TRUE (target.existsAsFile());
    const auto before = target.loadFileAsString();

    FakePresetProcessor processor;
    RecordingDisplay display;
    processor.setDisplay (&display);
    processor.setPlain ("Tone", 10.0f);
    ASSERT_TRUE (processor.isModified());

    EXPECT_FALSE (processor.savePresetFile (target));
    EXPECT_TRUE (processor.isModified());
    EXPECT_EQ (target.loadFileAsString(), before);

    // The display was told the flag went off and then on again, so it shows the truth.
    ASSERT_FALSE (display.modifiedCalls.isEmpty());
    EXPECT_TRUE (display.modifiedCalls.getLast());
    processor.setDisplay (nullptr);
}
#endif

//==================================================================================================
// Files that are not presets of this plug-in are refused and change nothing: not the
// parameters, not the modified flag, not the current preset, and no undo step is added.
struct RefusedFile
{
    const char* what;
    std::function<juce::MemoryBlock (FakePresetProcessor&)> content;
};

class RefusedPresetFileTest
    : public PresetTest
    , public ::testing::WithParamInterface<RefusedFile>
{
};

TEST_P (RefusedPresetFileTest, IsRefusedAndChangesNothing)
{
    FakePresetProcessor processor;
    processor.setPlain ("1- Seg Mix", 42.0f);
    processor.setModified (false);
    processor.presetManager.setCurrentId (17);
    processor.tree.copyState(); // the edit reaches the tree (and the history) now, not later
    processor.undoManager.clearUndoHistory();

    const auto before = processor.plainValues();
    const auto beforeState = processor.hostState();

    const auto file = presetFolder().getChildFile ("refused.kd11");
    const auto content = GetParam().content (processor);
    ASSERT_TRUE (file.replaceWithData (content.getData(), content.getSize()) || content.isEmpty());
    ASSERT_TRUE (file.existsAsFile() || tarn_gui::createFileWithRetries (file));

    EXPECT_FALSE (processor.loadPresetFile (file)) << GetParam().what;

    EXPECT_EQ (processor.plainValues(), before);
    EXPECT_FALSE (processor.isModified());
    EXPECT_EQ (processor.presetManager.getCurrentId(), 17);
    EXPECT_FALSE (processor.undoManager.canUndo());
    EXPECT_EQ (processor.hostState(), beforeState);
    EXPECT_FALSE (processor.stateLoaded);
}

juce::MemoryBlock validPresetFile (FakePresetProcessor& processor)
{
    juce::MemoryBlock blob;
    processor.getState (blob, false);
    tarn_gui::encodePresetData (blob);
    return blob;
}

// A state blob of the given text, encoded; parsed and written again by the framework unless
// the text is to be kept as it is.
juce::MemoryBlock encodedXml (const juce::String& xml, bool throughParser = true)
{
    juce::MemoryBlock blob;

    if (throughParser)
    {
        juce::AudioProcessor::copyXmlToBinary (*juce::parseXML (xml), blob);
    }
    else
    {
        juce::MemoryOutputStream out (blob, false);
        out.writeInt (0x21324356);
        out.writeInt ((int) xml.getNumBytesAsUTF8());
        out << xml;
        out.writeByte (0);
    }

    tarn_gui::encodePresetData (blob);
    return blob;
}

INSTANTIATE_TEST_SUITE_P (
    PresetFiles, RefusedPresetFileTest,
    ::testing::Values (
        RefusedFile{ "empty", [] (FakePresetProcessor&) { return juce::MemoryBlock(); } },
        RefusedFile{ "truncated to 12 bytes",
                     [] (FakePresetProcessor& p)
                     {
                         auto b = validPresetFile (p);
                         b.setSize (12);
                         return b;
                     } },
        RefusedFile{ "truncated inside the XML",
                     [] (FakePresetProcessor& p)
                     {
                         auto b = validPresetFile (p);
                         b.setSize (b.getSize() / 2);
                         return b;
                     } },
        RefusedFile{ "random bytes",
                     [] (FakePresetProcessor&)
                     {
                         juce::Random rng (99);
                         return randomBytes (rng, 777);
                     } },
        RefusedFile{ "a plain, unencoded state blob",
                     [] (FakePresetProcessor& p)
                     {
                         juce::MemoryBlock b;
                         p.getState (b, false);
                         return b;
                     } },
        RefusedFile{ "larger than 1 MiB",
                     [] (FakePresetProcessor& p)
                     {
                         // A valid state, made too large by one long attribute.
                         auto state = p.tree.copyState();
                         state.setProperty ("Padding", juce::String::repeatedString ("x", 1100000), nullptr);
                         juce::MemoryBlock b;
                         juce::AudioProcessor::copyXmlToBinary (*state.createXml(), b);
                         tarn_gui::encodePresetData (b);
                         return b;
                     } },
        RefusedFile{ "another plug-in's preset",
                     [] (FakePresetProcessor&)
                     {
                         return encodedXml ("<Zq42 CompanyName=\"Someone\"><PARAM id=\"Tone\" value=\"3.0\"/>"
                                            "<PARAM id=\"Drive\" value=\"9.0\"/></Zq42>");
                     } },
        RefusedFile{ "this plug-in's parameters under a wrong root",
                     [] (FakePresetProcessor&)
                     {
                         return encodedXml ("<KaleidraState><PARAM id=\"Tone\" value=\"3.0\"/>"
                                            "<PARAM id=\"1- Seg Mix\" value=\"9.0\"/></KaleidraState>");
                     } },
        RefusedFile{ "elements nested a hundred thousand deep",
                     [] (FakePresetProcessor&)
                     {
                         // Parsed recursively, this would overflow the stack.
                         return encodedXml (
                             "<Kd11>" + juce::String::repeatedString ("<a>", 100000) + "</Kd11>", false);
                     } },
        RefusedFile{ "XML that does not parse",
                     [] (FakePresetProcessor&)
                     {
                         const char text[] = "<Kd11><PARAM id=\"Tone\" value=";
                         juce::MemoryOutputStream out;
                         out.writeInt (0x21324356);
                         out.writeInt ((int) sizeof (text) - 1);
                         out.write (text, sizeof (text) - 1);
                         out.writeByte (0);
                         auto b = out.getMemoryBlock();
                         tarn_gui::encodePresetData (b);
                         return b;
                     } }),
    [] (const ::testing::TestParamInfo<RefusedFile>& testInfo) {
        return juce::String (testInfo.param.what)
            .retainCharacters ("abcdefghijklmnopqrstuvwxyz")
            .toStdString();
    });

TEST_F (PresetFileTest, AnOversizedFileIsRefusedBeforeItIsRead)
{
    // 1 MiB + 1 of zeros behind a valid preset: refused by size alone.
    FakePresetProcessor processor;
    auto content = validPresetFile (processor);
    const auto validSize = content.getSize();
    content.setSize ((size_t) tarn_gui::maxPresetFileBytes + 1, true);

    const auto file = presetFolder().getChildFile ("big.kd11");
    ASSERT_TRUE (file.replaceWithData (content.getData(), content.getSize()));
    EXPECT_FALSE (processor.loadPresetFile (file));

    // The same preset within the limit loads.
    ASSERT_TRUE (file.replaceWithData (content.getData(), validSize));
    EXPECT_TRUE (processor.loadPresetFile (file));
}

TEST_F (PresetFileTest, RandomDataGivenToLoadStateChangesNothing)
{
    FakePresetProcessor processor;
    const auto before = processor.hostState();
    juce::Random rng (7);

    for (int i = 0; i < 200; ++i)
    {
        auto data = randomBytes (rng, 1 + rng.nextInt (300));

        // Half of the cases start with a real header, so that the XML parser is reached.
        if (i % 2 == 0)
        {
            juce::MemoryOutputStream out;
            out.writeInt (0x21324356);
            out.writeInt ((int) data.getSize());
            out.write (data.getData(), data.getSize());
            data = out.getMemoryBlock();
            tarn_gui::encodePresetData (data);
        }

        EXPECT_FALSE (processor.loadState (data)) << i;
    }

    EXPECT_EQ (processor.hostState(), before);
    EXPECT_FALSE (processor.undoManager.canUndo());
}

//==================================================================================================
TEST_F (PresetFileTest, AttributesGivenTwiceKeepTheirFirstValueThroughSaves)
{
    // Found by the fuzzer: with both values kept, the parameter took the first and the next save
    // wrote the second, so a state changed each time it was saved and restored.
    FakePresetProcessor processor;
    ASSERT_TRUE (processor.loadState (encodedXml ("<Kd11 ProductVersion=\"9\" ProductVersion=\"8\">"
                                                  "<PARAM id=\"Tone\" value=\"12.0\" value=\"34.0\"/>"
                                                  "text between elements</Kd11>",
                                                  false)));
    EXPECT_EQ (processor.plain ("Tone"), 12.0f);

    juce::MemoryBlock saved;
    processor.getState (saved, false);
    auto xml = juce::AudioProcessor::getXmlFromBinary (saved.getData(), (int) saved.getSize());
    ASSERT_NE (xml, nullptr);
    EXPECT_EQ (xml->getStringAttribute ("ProductVersion"), "1.1.2");
    EXPECT_EQ (xml->getChildByAttribute ("id", "Tone")->getDoubleAttribute ("value"), 12.0);

    ASSERT_TRUE (processor.setState (saved.getData(), (int) saved.getSize()));
    juce::MemoryBlock again;
    processor.getState (again, false);
    EXPECT_EQ (again, saved);
}

TEST_F (PresetFileTest, TheDisplayHearsOfEachChangeOnceOnTheMessageThread)
{
    FakePresetProcessor processor;
    RecordingDisplay display;
    processor.setDisplay (&display);

    processor.setPlain ("Tone", 20.0f);
    processor.setPlain ("Tone", 30.0f);
    processor.setModified (true);
    processor.setModified (false);
    processor.setModified (false);

    ASSERT_EQ (display.modifiedCalls.size(), 2);
    EXPECT_TRUE (display.modifiedCalls[0]);
    EXPECT_FALSE (display.modifiedCalls[1]);

    // A change on another thread (host automation) only sets the flag there; the display is
    // told later, on the message thread.
    std::thread automation ([&] { processor.setPlain ("2- Seg Mix", 50.0f); });
    automation.join();
    EXPECT_TRUE (processor.isModified());

    EXPECT_TRUE (pumpUntil ([&] { return display.modifiedCalls.size() == 3; }));
    EXPECT_TRUE (display.modifiedCalls.getLast());
    EXPECT_TRUE (display.calledOnMessageThread);

    processor.setDisplay (nullptr);
    processor.setModified (false);
    EXPECT_EQ (display.modifiedCalls.size(), 3);
}
} // namespace kaleidra::test
