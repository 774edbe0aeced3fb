// The preset manager: IDs, the user preset folder, the next/previous/random choices and the
// preset information of a host state.

#include "PresetTestSupport.h"

#include <set>

namespace kaleidra::test
{
using Manager = tarn_gui::PresetManager;

TEST (DisplayName, FromPath)
{
    struct Case
    {
        const char* path;
        const char* expected;
    };

    const Case cases[] = {
        { "/presets/deep_space.kd11", "Deep space" },
        { "/presets/x_y.z.kd11", "X y.z" },
        { "/presets/.kd11", ".kd11" },
        { "/presets/my.old_sets", "My" },
        { "/presets/Leads", "Leads" },
        { "warm_pad.kd11", "Warm pad" },
        { "/presets/a.kd11", "A" },
        { "", "" },
#if JUCE_WINDOWS
        { "C:\\presets\\deep_space.kd11", "Deep space" },
        { "C:\\presets/mixed\\bass_one.kd11", "Bass one" },
#else
        // A backslash is an ordinary character of a file name here.
        { "/presets/odd\\name_one.kd11", "Odd\\name one" },
#endif
    };

    for (const auto& c : cases)
        EXPECT_EQ (tarn_gui::displayNameFromPath (c.path), juce::String (c.expected)) << c.path;
}

TEST (FileCreation, RetriesCreateFilesAndFoldersAndGiveUpOnImpossiblePaths)
{
    auto root = juce::File::createTempFile ("kaleidra-create");
    ASSERT_TRUE (tarn_gui::createDirectoryWithRetries (root.getChildFile ("a/b/c")));
    EXPECT_TRUE (root.getChildFile ("a/b/c").isDirectory());
    EXPECT_TRUE (tarn_gui::createFileWithRetries (root.getChildFile ("a/b/c/file.kd11")));
    EXPECT_TRUE (root.getChildFile ("a/b/c/file.kd11").existsAsFile());

    // A folder below a regular file can never be made.
    EXPECT_FALSE (tarn_gui::createDirectoryWithRetries (root.getChildFile ("a/b/c/file.kd11/sub")));
    EXPECT_FALSE (tarn_gui::createFileWithRetries (juce::File()));
    root.deleteRecursively();
}

//==================================================================================================
class PresetManagerTest : public PresetTest
{
};

TEST_F (PresetManagerTest, UserFolderIsMadeInTheUserConfigurationFolderOnly)
{
    const auto folder = presetFolder();
    EXPECT_EQ (folder, isolatedHome.home.getChildFile (".config/Tarnlight/Kaleidra_v1-1/Presets"));
    EXPECT_TRUE (folder.isDirectory());

#if JUCE_LINUX
    // Tests run as root on CI, where the global locations would be writable.
    EXPECT_FALSE (juce::File ("/usr/Tarnlight").exists());
    EXPECT_FALSE (juce::File ("/opt/Tarnlight").exists());
#endif
}

TEST_F (PresetManagerTest, AnExistingBaseFolderIsPreferredInTheOrderOfLocations)
{
    // A base folder in Documents exists (without its Presets child); the configuration folder
    // comes earlier in the order but has none, so Documents is used.
    const auto documentsBase = isolatedHome.home.getChildFile ("Documents/Tarnlight/Kaleidra_v1-1");
    ASSERT_TRUE (documentsBase.createDirectory().wasOk());

    EXPECT_EQ (presetFolder(), documentsBase.getChildFile ("Presets"));
    EXPECT_TRUE (documentsBase.getChildFile ("Presets").isDirectory());
    EXPECT_FALSE (isolatedHome.home.getChildFile (".config/Tarnlight").exists());
}

TEST_F (PresetManagerTest, FactoryPresetsGetIds10To44AndTheArrowsWrap)
{
    FakePresetProcessor processor;
    auto& manager = processor.presetManager;

    ASSERT_EQ (manager.getFactoryPresets().size(), 35u);
    EXPECT_EQ (manager.getFactoryPresets().begin()->first, 10);
    EXPECT_EQ (manager.getFactoryPresets().rbegin()->first, 44);
    EXPECT_EQ (manager.getNextId(), 45);

    EXPECT_EQ (manager.getCurrentId(), -1);
    EXPECT_EQ (manager.nextPresetId (1), 10);
    EXPECT_EQ (manager.nextPresetId (-1), 44);
    EXPECT_EQ (manager.nextPresetId (0), -1);

    manager.setCurrentId (44);
    EXPECT_EQ (manager.nextPresetId (1), 10);
    manager.setCurrentId (10);
    EXPECT_EQ (manager.nextPresetId (-1), 44);
    manager.setCurrentId (Manager::newPresetId);
    EXPECT_EQ (manager.nextPresetId (1), 10);
    EXPECT_EQ (manager.nextPresetId (-1), 44);
}

TEST_F (PresetManagerTest, UserFilesFoundAtConstructionComeFirst)
{
    {
        FakePresetProcessor writer;
        writePreset (writer, presetFolder().getChildFile ("one.kd11"));
        writePreset (writer, presetFolder().getChildFile ("two.kd11"));
    }

    FakePresetProcessor processor;
    auto& manager = processor.presetManager;

    std::set<int> userIds;
    for (const auto& entry : manager.getUserPresets())
        userIds.insert (entry.first);

    EXPECT_EQ (userIds, (std::set<int>{ 10, 11 }));
    EXPECT_EQ (manager.getFactoryPresets().begin()->first, 12);
    EXPECT_EQ (manager.getFactoryPresets().begin()->second.name, "Black pepper");
    EXPECT_EQ (manager.getFactoryPresets().rbegin()->first, 46);
    EXPECT_EQ (manager.getFactoryPresets().rbegin()->second.name, "Plorvex called");
    EXPECT_EQ (manager.getUserRoot()->presets.size(), 2);
}

TEST_F (PresetManagerTest, ScanFollowsThreeLevelsAndOnlyPresetFiles)
{
    FakePresetProcessor writer;
    const auto root = presetFolder();
    writePreset (writer, root.getChildFile ("top.kd11"));
    writePreset (writer, root.getChildFile ("l1/l2/l3/deep.kd11"));
    writePreset (writer, root.getChildFile ("l1/l2/l3/l4/too_deep.kd11"));
    root.getChildFile ("l1/notes.txt").replaceWithText ("not a preset");
    root.getChildFile ("l1/preset.kd11.bak").replaceWithText ("not a preset");

    FakePresetProcessor processor;
    auto& manager = processor.presetManager;
    auto* userRoot = manager.getUserRoot();

    ASSERT_EQ (userRoot->presets.size(), 1);
    EXPECT_EQ (userRoot->presets[0]->displayName, "Top");
    ASSERT_EQ (userRoot->subfolders.size(), 1);

    auto* l3 = userRoot->subfolders[0]->subfolders[0]->subfolders[0];
    EXPECT_EQ (l3->displayName, "L3");
    ASSERT_EQ (l3->presets.size(), 1);
    EXPECT_EQ (l3->presets[0]->displayName, "Deep");
    EXPECT_TRUE (l3->subfolders.isEmpty());
    EXPECT_EQ (userRoot->subfolders[0]->presets.size(), 0);

    EXPECT_EQ (manager.getUserPresets().size(), 2u);
    EXPECT_EQ (manager.findUserPreset (root.getChildFile ("l1/l2/l3/l4/too_deep.kd11")), nullptr);

    // A rescan finds nothing new and hands out no new IDs.
    const int next = manager.getNextId();
    userRoot->refresh (0);
    EXPECT_EQ (manager.getNextId(), next);
}

TEST_F (PresetManagerTest, DeletedFilesAreSkippedButKeepTheirIds)
{
    FakePresetProcessor writer;
    const auto a = writePreset (writer, presetFolder().getChildFile ("a.kd11"));
    const auto b = writePreset (writer, presetFolder().getChildFile ("b.kd11"));

    FakePresetProcessor processor (false); // no factory presets: only the two files
    auto& manager = processor.presetManager;
    const int idA = manager.findUserPreset (a)->id;
    const int idB = manager.findUserPreset (b)->id;

    manager.setCurrentId (idA);
    EXPECT_EQ (manager.nextPresetId (1), idB);

    juce::MemoryBlock content;
    ASSERT_TRUE (b.loadFileAsData (content));
    ASSERT_TRUE (b.deleteFile());

    EXPECT_FALSE (manager.isUserPresetIdValid (idB));
    EXPECT_EQ (manager.nextPresetId (1), -1); // only the current one is left
    EXPECT_EQ (manager.nextPresetId (-1), -1);
    EXPECT_EQ (manager.randomPresetId (idA), -1);

    manager.setCurrentId (Manager::noPresetId);
    EXPECT_EQ (manager.nextPresetId (1), idA);
    EXPECT_EQ (manager.nextPresetId (-1), idA);

    // Back again: same record, same ID, after a rescan too.
    ASSERT_TRUE (b.replaceWithData (content.getData(), content.getSize()));
    manager.getUserRoot()->refresh (0);
    EXPECT_EQ (manager.findUserPreset (b)->id, idB);
    EXPECT_TRUE (manager.isUserPresetIdValid (idB));
    manager.setCurrentId (idA);
    EXPECT_EQ (manager.nextPresetId (1), idB);
}

TEST_F (PresetManagerTest, AnEmptyManagerHasNoNextAndNoRandomPreset)
{
    FakePresetProcessor processor (false);
    auto& manager = processor.presetManager;

    for (int current : { -1, 4, 10, 99 })
    {
        manager.setCurrentId (current);
        EXPECT_EQ (manager.nextPresetId (1), -1) << current;
        EXPECT_EQ (manager.nextPresetId (-1), -1) << current;
    }

    EXPECT_EQ (manager.randomPresetId (-1), -1);
}

TEST_F (PresetManagerTest, RandomChoiceNeverGivesTheExcludedIdAndReachesAllOthers)
{
    FakePresetProcessor processor;
    auto& manager = processor.presetManager;
    const auto file = writePreset (processor, presetFolder().getChildFile ("user.kd11"));
    const int userId = manager.registerUserPreset (file)->id;

    manager.seedRandom (2024);
    std::map<int, int> counts;

    for (int i = 0; i < 5000; ++i)
        ++counts[manager.randomPresetId (20)];

    EXPECT_EQ (counts.count (20), 0u);
    EXPECT_EQ (counts.count (-1), 0u);
    EXPECT_EQ (counts.size(), 35u); // 34 factory presets and the user file
    EXPECT_EQ (counts.count (userId), 1u);

    for (const auto& [id, count] : counts)
        EXPECT_TRUE (manager.isFactoryPresetId (id) || id == userId) << id;

    // The same seed gives the same choices.
    std::vector<int> first, second;
    manager.seedRandom (7);
    for (int i = 0; i < 20; ++i)
        first.push_back (manager.randomPresetId (-1));
    manager.seedRandom (7);
    for (int i = 0; i < 20; ++i)
        second.push_back (manager.randomPresetId (-1));
    EXPECT_EQ (first, second);
}

TEST_F (PresetManagerTest, RandomChoiceNeedsTwoCandidates)
{
    FakePresetProcessor writer;
    const auto a = writePreset (writer, presetFolder().getChildFile ("a.kd11"));
    const auto b = writePreset (writer, presetFolder().getChildFile ("b.kd11"));

    FakePresetProcessor processor (false);
    auto& manager = processor.presetManager;
    const int idA = manager.findUserPreset (a)->id;
    const int idB = manager.findUserPreset (b)->id;

    manager.seedRandom (1);
    EXPECT_EQ (manager.randomPresetId (idA), -1);
    EXPECT_EQ (manager.randomPresetId (idB), -1);

    for (int i = 0; i < 50; ++i)
    {
        const int id = manager.randomPresetId (-1);
        EXPECT_TRUE (id == idA || id == idB) << id;
    }
}

//==================================================================================================
TEST_F (PresetManagerTest, PresetInformationNamesFactoryAndUserPresets)
{
    FakePresetProcessor processor;
    auto& manager = processor.presetManager;
    juce::ValueTree state ("Kd11");

    manager.addPresetInfo (state);
    EXPECT_EQ (state["LoadedPreset"].toString(), "");
    EXPECT_EQ (state["LoadedPresetModified"].toString(), "0");

    manager.setCurrentId (10);
    processor.setModified (true);
    manager.addPresetInfo (state);
    EXPECT_EQ (state["LoadedPreset"].toString(), "FactoryPreset:Black pepper");
    EXPECT_EQ (state["LoadedPresetModified"].toString(), "1");

    const auto file = writePreset (processor, presetFolder().getChildFile ("user_one.kd11"));
    auto* user = manager.registerUserPreset (file);
    manager.setCurrentId (user->id);
    manager.addPresetInfo (state);
    EXPECT_EQ (state["LoadedPreset"].toString(), file.getFullPathName());
    EXPECT_EQ (state["LoadedPresetModified"].toString(), "0");

    // A file that is gone names nothing, and so is never modified.
    processor.setModified (true);
    ASSERT_TRUE (file.deleteFile());
    manager.addPresetInfo (state);
    EXPECT_EQ (state["LoadedPreset"].toString(), "");
    EXPECT_EQ (state["LoadedPresetModified"].toString(), "0");

    // "New" names nothing either.
    manager.setCurrentId (Manager::newPresetId);
    manager.addPresetInfo (state);
    EXPECT_EQ (state["LoadedPreset"].toString(), "");
}

TEST_F (PresetManagerTest, ApplyingLoadedPresetInformation)
{
    FakePresetProcessor processor;
    auto& manager = processor.presetManager;
    const auto file = writePreset (processor, presetFolder().getChildFile ("keeper.kd11"));
    auto* keeper = manager.registerUserPreset (file);

    int oaxaca = -1;
    for (const auto& [id, preset] : manager.getFactoryPresets())
        if (preset.name == "Oaxaca")
            oaxaca = id;

    // Factory name, with the modified flag the state carried.
    processor.setModified (true);
    manager.applyLoadedPreset ("FactoryPreset:Oaxaca", true);
    EXPECT_EQ (manager.getCurrentId(), oaxaca);
    EXPECT_TRUE (processor.isModified());
    manager.applyLoadedPreset ("FactoryPreset:Oaxaca", false);
    EXPECT_FALSE (processor.isModified());

    // Unknown factory names leave everything alone.
    processor.setModified (true);
    for (auto name : { "FactoryPreset:Nope", "FactoryPreset:oaxaca", "FactoryPreset:" })
    {
        manager.applyLoadedPreset (name, false);
        EXPECT_EQ (manager.getCurrentId(), oaxaca) << name;
        EXPECT_TRUE (processor.isModified()) << name;
    }

    manager.applyLoadedPreset ("", false);
    EXPECT_EQ (manager.getCurrentId(), oaxaca);

    // A user file.
    manager.applyLoadedPreset (file.getFullPathName(), true);
    EXPECT_EQ (manager.getCurrentId(), keeper->id);
    EXPECT_EQ (manager.getCurrentUserPreset(), keeper);
    EXPECT_TRUE (processor.isModified());

    // A file that appeared after the last scan is found by a rescan.
    const auto late = presetFolder().getChildFile ("late.kd11");
    ASSERT_TRUE (file.copyFileTo (late));
    manager.applyLoadedPreset (late.getFullPathName(), false);
    ASSERT_NE (manager.getCurrentUserPreset(), nullptr);
    EXPECT_EQ (manager.getCurrentUserPreset()->file, late);

    // Missing files, paths that are not absolute, and the prefix in another case (which makes
    // the name a path): "New", nothing current, not modified.
    for (auto name :
         { presetFolder().getChildFile ("moved_away.kd11").getFullPathName(), juce::String ("keeper.kd11"),
           juce::String ("../keeper.kd11"), juce::String ("factorypreset:Twinkle") })
    {
        manager.setCurrentUserPreset (keeper);
        processor.setModified (true);
        manager.applyLoadedPreset (name, true);
        EXPECT_EQ (manager.getCurrentId(), Manager::newPresetId) << name;
        EXPECT_EQ (manager.getCurrentUserPreset(), nullptr) << name;
        EXPECT_FALSE (processor.isModified()) << name;
    }
}

TEST_F (PresetManagerTest, HostStateKeepsTheCurrentPresetAcrossInstances)
{
    FakePresetProcessor first;
    const auto file = writePreset (first, presetFolder().getChildFile ("song_preset.kd11"));
    first.presetManager.getUserRoot()->refresh (0);
    auto* preset = first.presetManager.findUserPreset (file);
    ASSERT_NE (preset, nullptr);
    first.presetManager.setCurrentId (preset->id);
    first.presetManager.setCurrentUserPreset (preset);
    first.setPlain ("Tone", 1.0f);

    const auto saved = first.hostState();

    FakePresetProcessor second;
    ASSERT_TRUE (second.setState (saved.getData(), (int) saved.getSize()));
    ASSERT_NE (second.presetManager.getCurrentUserPreset(), nullptr);
    EXPECT_EQ (second.presetManager.getCurrentUserPreset()->file, file);
    EXPECT_EQ (second.presetManager.getCurrentId(), second.presetManager.findUserPreset (file)->id);
    EXPECT_TRUE (second.isModified());
    EXPECT_EQ (second.plainValues(), first.plainValues());
    EXPECT_FALSE (second.undoManager.canUndo());

    // The file moved away: "New", not modified.
    ASSERT_TRUE (file.moveFileTo (isolatedHome.home.getChildFile ("elsewhere.kd11")));
    FakePresetProcessor third;
    ASSERT_TRUE (third.setState (saved.getData(), (int) saved.getSize()));
    EXPECT_EQ (third.presetManager.getCurrentId(), Manager::newPresetId);
    EXPECT_FALSE (third.isModified());
}

TEST_F (PresetManagerTest, ExternalPresetAndSavingTheCurrentPreset)
{
    FakePresetProcessor processor;
    auto& manager = processor.presetManager;
    EXPECT_FALSE (manager.saveCurrentUserPreset());

    manager.setCurrentId (12);
    const auto outside = isolatedHome.home.getChildFile ("outside_file.kd11");
    ASSERT_TRUE (tarn_gui::createFileWithRetries (outside));
    processor.setModified (true);
    manager.setExternalPreset (outside);

    ASSERT_NE (manager.getCurrentUserPreset(), nullptr);
    EXPECT_EQ (manager.getCurrentUserPreset(), manager.getExternalPreset());
    EXPECT_EQ (manager.getExternalPreset()->id, -1);
    EXPECT_EQ (manager.getExternalPreset()->displayName, "Outside file");
    EXPECT_EQ (manager.getCurrentId(), 12);
    EXPECT_FALSE (processor.isModified());

    processor.setPlain ("Tone", 3.0f);
    EXPECT_TRUE (manager.saveCurrentUserPreset());
    EXPECT_FALSE (processor.isModified());
    EXPECT_GT (outside.getSize(), 0);

    processor.resetToDefaults();
    ASSERT_TRUE (processor.loadPresetFile (outside));
    EXPECT_EQ (processor.plain ("Tone"), 3.0f);
}
} // namespace kaleidra::test
