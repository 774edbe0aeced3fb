// Preset packs: making a pack of a user folder, and importing packs, hostile ones included.

#include "PresetTestSupport.h"

namespace kaleidra::test
{
namespace
{
    juce::StringArray entryNames (const juce::File& pack)
    {
        juce::ZipFile zip (pack);
        juce::StringArray names;

        for (int i = 0; i < zip.getNumEntries(); ++i)
            names.add (zip.getEntry (i)->filename);

        return names;
    }

    // A pack with arbitrary entry names and contents.
    juce::File makePack (const juce::File& pack,
                         const std::vector<std::pair<juce::String, juce::MemoryBlock>>& entries)
    {
        juce::ZipFile::Builder builder;

        for (const auto& [name, content] : entries)
            builder.addEntry (new juce::MemoryInputStream (content, true), 5, name,
                              juce::Time::getCurrentTime());

        pack.deleteFile();
        pack.getParentDirectory().createDirectory();
        juce::FileOutputStream out (pack);
        EXPECT_TRUE (builder.writeToStream (out, nullptr));
        return pack;
    }

    juce::MemoryBlock bytes (const juce::String& text)
    {
        return juce::MemoryBlock (text.toRawUTF8(), text.getNumBytesAsUTF8());
    }

    // Every file below folder, relative to it.
    juce::StringArray filesBelow (const juce::File& folder)
    {
        juce::StringArray names;

        for (const auto& f :
             folder.findChildFiles (juce::File::findFiles, true, "*", juce::File::FollowSymlinks::no))
            names.add (f.getRelativePathFrom (folder));

        names.sort (false);
        return names;
    }
} // namespace

class PresetPackTest : public PresetTest
{
protected:
    juce::File sandbox() const
    {
        return isolatedHome.home.getChildFile ("sandbox");
    }
};

TEST_F (PresetPackTest, PackHoldsTheFoldersPresetFilesWithRelativeNames)
{
    FakePresetProcessor processor;
    const auto root = presetFolder();
    writePreset (processor, root.getChildFile ("first.kd11"));
    writePreset (processor, root.getChildFile ("second.kd11"));
    writePreset (processor, root.getChildFile ("Leads/a.kd11"));
    root.getChildFile ("readme.txt").replaceWithText ("not a preset");
    root.getChildFile ("Leads/a.kd11.txt").replaceWithText ("not a preset");
    processor.presetManager.getUserRoot()->refresh (0);

    const auto pack = sandbox().getChildFile ("mine.kd11_pack");
    ASSERT_TRUE (pack.getParentDirectory().createDirectory().wasOk());
    pack.replaceWithText (juce::String::repeatedString ("old pack content ", 10000));

    ASSERT_TRUE (tarn_gui::writePresetPack (*processor.presetManager.getUserRoot(), pack));

    const auto names = entryNames (pack);
    ASSERT_EQ (names.size(), 3);
    // The root's files first, under their bare names (in the order the folder lists them).
    juce::StringArray rootEntries{ names[0], names[1] };
    rootEntries.sort (false);
    EXPECT_EQ (rootEntries, juce::StringArray ({ "first.kd11", "second.kd11" }));
    EXPECT_EQ (names[2], "Leads/a.kd11");

    // Writing over an old pack leaves only the new archive: it opens and holds those entries.
    juce::ZipFile zip (pack);
    auto stream = std::unique_ptr<juce::InputStream> (zip.createStreamForEntry (2));
    ASSERT_NE (stream, nullptr);
    juce::MemoryBlock content;
    stream->readIntoMemoryBlock (content);
    juce::MemoryBlock original;
    root.getChildFile ("Leads/a.kd11").loadFileAsData (original);
    EXPECT_EQ (content, original);
    EXPECT_LT (pack.getSize(), 10000);
}

TEST_F (PresetPackTest, ImportCreatesTheNamedSubfolderAndTwiceKeepsIds)
{
    FakePresetProcessor processor;
    processor.setPlain ("Tone", 11.0f);
    const auto source = sandbox().getChildFile ("source");
    writePreset (processor, source.getChildFile ("pad_one.kd11"));
    writePreset (processor, source.getChildFile ("Soft/pad_two.kd11"));

    auto& manager = processor.presetManager;
    auto* sourceFolder = manager.getOrCreateUserFolder (source, 0);
    const auto pack = sandbox().getChildFile ("warm_pads.kd11_pack");
    ASSERT_TRUE (tarn_gui::writePresetPack (*sourceFolder, pack));

    auto result = tarn_gui::unpackPresetPack (pack, presetFolder());
    EXPECT_TRUE (result.opened);
    EXPECT_EQ (result.extracted, 2);
    EXPECT_EQ (result.skipped, 0);
    EXPECT_FALSE (result.failed);

    manager.getUserRoot()->refresh (0);
    auto* imported = manager.findUserFolder (presetFolder().getChildFile ("warm_pads"));
    ASSERT_NE (imported, nullptr);
    EXPECT_EQ (imported->displayName, "Warm pads");
    ASSERT_EQ (imported->presets.size(), 1);
    EXPECT_EQ (imported->presets[0]->displayName, "Pad one");
    ASSERT_EQ (imported->subfolders.size(), 1);
    ASSERT_EQ (imported->subfolders[0]->presets.size(), 1);

    const int idOne = imported->presets[0]->id;
    const int idTwo = imported->subfolders[0]->presets[0]->id;
    const auto presetsBefore = manager.getUserPresets().size();

    // A changed pack imported again overwrites the files; no duplicates, same IDs.
    processor.setPlain ("Tone", 22.0f);
    writePreset (processor, source.getChildFile ("pad_one.kd11"));
    ASSERT_TRUE (tarn_gui::writePresetPack (*sourceFolder, pack));
    result = tarn_gui::unpackPresetPack (pack, presetFolder());
    EXPECT_EQ (result.extracted, 2);

    manager.getUserRoot()->refresh (0);
    EXPECT_EQ (manager.getUserPresets().size(), presetsBefore);
    EXPECT_EQ (imported->presets.size(), 1);
    EXPECT_EQ (imported->presets[0]->id, idOne);
    EXPECT_EQ (imported->subfolders[0]->presets[0]->id, idTwo);
    EXPECT_EQ (filesBelow (presetFolder().getChildFile ("warm_pads")),
               juce::StringArray ({ "Soft/pad_two.kd11", "pad_one.kd11" }));

    processor.resetToDefaults();
    ASSERT_TRUE (processor.loadPresetFile (imported->presets[0]->file));
    EXPECT_EQ (processor.plain ("Tone"), 22.0f);
}

TEST_F (PresetPackTest, HostilePackWritesNothingOutsideAndNoSkippedEntry)
{
    FakePresetProcessor processor;
    const auto good = [&]
    {
        juce::MemoryBlock b;
        processor.getState (b, false);
        tarn_gui::encodePresetData (b);
        return b;
    }();

    juce::MemoryBlock huge ((size_t) tarn_gui::maxPresetFileBytes + 10, true);
    const auto absolute = isolatedHome.home.getChildFile ("absolute.kd11");

    const auto pack = makePack (sandbox().getChildFile ("evil.kd11_pack"),
                                { { "ok.kd11", good },
                                  { "../escaped.kd11", bytes ("x") },
                                  { "sub/../../escaped2.kd11", bytes ("x") },
                                  { "..\\escaped3.kd11", bytes ("x") },
                                  { absolute.getFullPathName(), bytes ("x") },
                                  { "huge.kd11", huge },
                                  { "script.sh", bytes ("#!/bin/sh") },
                                  { "sub/notes.txt", bytes ("x") },
                                  { "sub/", {} },
                                  { "empty.kd11", {} },
                                  { juce::String::repeatedString ("d/", 20000) + "deep.kd11", good },
                                  { juce::String (juce::CharPointer_UTF8 ("Lead\xf3/b.kd11")), good },
                                  { "sub/inner.kd11", good } });

    const auto before = filesBelow (isolatedHome.home);
    const auto result = tarn_gui::unpackPresetPack (pack, presetFolder());

    EXPECT_TRUE (result.opened);
    EXPECT_EQ (result.extracted, 2);
    EXPECT_EQ (result.skipped, 11);
    EXPECT_FALSE (result.failed);

    EXPECT_EQ (filesBelow (presetFolder().getChildFile ("evil")),
               juce::StringArray ({ "ok.kd11", "sub/inner.kd11" }));

    auto after = filesBelow (isolatedHome.home);
    for (auto name : { ".config/Tarnlight/Kaleidra_v1-1/Presets/evil/ok.kd11",
                       ".config/Tarnlight/Kaleidra_v1-1/Presets/evil/sub/inner.kd11" })
        after.removeString (name);
    EXPECT_EQ (after, before);
    EXPECT_FALSE (absolute.exists());
}

TEST_F (PresetPackTest, TheFrameworkItselfRefusesEscapingEntries)
{
    // The import does its own checks, but the framework's extraction refuses these as well.
    const auto pack =
        makePack (sandbox().getChildFile ("escape.kd11_pack"),
                  { { "../escaped.kd11", bytes ("x") },
                    { isolatedHome.home.getChildFile ("abs.kd11").getFullPathName(), bytes ("x") } });
    const auto target = sandbox().getChildFile ("target");
    ASSERT_TRUE (target.createDirectory().wasOk());

    juce::ZipFile zip (pack);
    ASSERT_EQ (zip.getNumEntries(), 2);

    for (int i = 0; i < zip.getNumEntries(); ++i)
        EXPECT_TRUE (zip.uncompressEntry (i, target, juce::ZipFile::OverwriteFiles::yes,
                                          juce::ZipFile::FollowSymlinks::no)
                         .failed())
            << zip.getEntry (i)->filename;

    EXPECT_FALSE (sandbox().getChildFile ("escaped.kd11").exists());
    EXPECT_FALSE (isolatedHome.home.getChildFile ("abs.kd11").exists());
}

TEST_F (PresetPackTest, LinksAreSkippedAndSizeLiesWriteNoMoreThanDeclared)
{
    // A symbolic link stored in a pack, pointing out of the preset folder.
    const auto outsideTarget = isolatedHome.home.getChildFile ("secret.txt");
    outsideTarget.replaceWithText ("secret");
    const auto link = sandbox().getChildFile ("links/link.kd11");
    ASSERT_TRUE (link.getParentDirectory().createDirectory().wasOk());
    ASSERT_TRUE (outsideTarget.createSymbolicLink (link, true));

    juce::ZipFile::Builder builder;
    builder.addFile (link, 5, "link.kd11");
    juce::MemoryBlock big ((size_t) tarn_gui::maxPresetFileBytes * 2, true);
    builder.addEntry (new juce::MemoryInputStream (big, true), 9, "liar.kd11", juce::Time::getCurrentTime());

    juce::MemoryOutputStream packBytes;
    ASSERT_TRUE (builder.writeToStream (packBytes, nullptr));
    auto data = packBytes.getMemoryBlock();

    // The second central directory record claims that liar.kd11 holds 100 bytes.
    auto* raw = static_cast<juce::uint8*> (data.getData());
    int records = 0;
    for (size_t i = 0; i + 46 < data.getSize(); ++i)
    {
        if (juce::ByteOrder::littleEndianInt (raw + i) == 0x02014b50 && ++records == 2)
        {
            const juce::uint32 claimed = 100; // the uncompressed size field
            std::memcpy (raw + i + 24, &claimed, 4);
        }
    }
    ASSERT_EQ (records, 2);

    const auto pack = sandbox().getChildFile ("tricks.kd11_pack");
    ASSERT_TRUE (pack.replaceWithData (data.getData(), data.getSize()));

    juce::ZipFile zip (pack);
    ASSERT_EQ (zip.getNumEntries(), 2);
    ASSERT_TRUE (zip.getEntry (0)->isSymbolicLink);
    ASSERT_EQ (zip.getEntry (1)->uncompressedSize, 100);

    const auto result = tarn_gui::unpackPresetPack (pack, presetFolder());
    EXPECT_GE (result.skipped, 1);

    const auto target = presetFolder().getChildFile ("tricks");
    EXPECT_FALSE (target.getChildFile ("link.kd11").exists());
    EXPECT_FALSE (target.getChildFile ("link.kd11").isSymbolicLink());

    // The framework reads a deflated entry only up to the size it claims, so the lie can at
    // worst give a short file, never more than was declared.
    const auto liar = target.getChildFile ("liar.kd11");
    EXPECT_TRUE (!liar.exists() || liar.getSize() <= 100) << liar.getSize();
    EXPECT_EQ (outsideTarget.loadFileAsString(), "secret");
}

TEST_F (PresetPackTest, PackNamesThatWouldLeaveThePresetFolderAreRefused)
{
    FakePresetProcessor processor;
    juce::MemoryBlock good;
    processor.getState (good, false);
    tarn_gui::encodePresetData (good);

    for (auto packName : { "..kd11_pack", "...kd11_pack", ".kd11_pack" })
    {
        const auto pack = makePack (sandbox().getChildFile (packName), { { "ok.kd11", good } });
        const auto result = tarn_gui::unpackPresetPack (pack, presetFolder());

        if (juce::String (packName) == ".kd11_pack")
        {
            // No dot after the first character: the whole name is the folder.
            EXPECT_TRUE (result.opened);
            EXPECT_TRUE (presetFolder().getChildFile (".kd11_pack/ok.kd11").existsAsFile());
        }
        else
        {
            EXPECT_FALSE (result.opened) << packName;
            EXPECT_EQ (result.extracted, 0) << packName;
        }
    }

    EXPECT_FALSE (presetFolder().getChildFile ("ok.kd11").exists());
    EXPECT_FALSE (presetFolder().getParentDirectory().getChildFile ("ok.kd11").exists());
}

TEST_F (PresetPackTest, APackThatIsNoArchiveImportsNothing)
{
    const auto pack = sandbox().getChildFile ("broken.kd11_pack");
    ASSERT_TRUE (pack.getParentDirectory().createDirectory().wasOk());
    pack.replaceWithText ("this is not a zip archive");

    const auto result = tarn_gui::unpackPresetPack (pack, presetFolder());
    EXPECT_EQ (result.extracted, 0);
    EXPECT_TRUE (filesBelow (presetFolder()).isEmpty());
    EXPECT_FALSE (presetFolder().getChildFile ("broken").exists()); // no empty folder left behind

    EXPECT_FALSE (
        tarn_gui::unpackPresetPack (sandbox().getChildFile ("missing.kd11_pack"), presetFolder()).opened);
    EXPECT_FALSE (tarn_gui::unpackPresetPack (pack, juce::File()).opened);
}

TEST_F (PresetPackTest, APackThatCannotBeWrittenCompletelyLeavesTheOldOne)
{
    FakePresetProcessor processor;
    const auto folder = presetFolder().getChildFile ("Set");
    writePreset (processor, folder.getChildFile ("one.kd11"));
    const auto two = writePreset (processor, folder.getChildFile ("two.kd11"));
    auto* record = processor.presetManager.getOrCreateUserFolder (folder, 1);
    ASSERT_EQ (record->presets.size(), 2);

    const auto pack = sandbox().getChildFile ("set.kd11_pack");
    ASSERT_TRUE (sandbox().createDirectory().wasOk());
    ASSERT_TRUE (tarn_gui::writePresetPack (*record, pack));
    juce::MemoryBlock before;
    ASSERT_TRUE (pack.loadFileAsData (before));

    // A file of the scan vanished before the pack was written.
    ASSERT_TRUE (two.deleteFile());
    EXPECT_FALSE (tarn_gui::writePresetPack (*record, pack));

    juce::MemoryBlock after;
    ASSERT_TRUE (pack.loadFileAsData (after));
    EXPECT_EQ (after, before);
    EXPECT_EQ (sandbox().getNumberOfChildFiles (juce::File::findFiles, "*"), 1); // no temporary left
}
} // namespace kaleidra::test
