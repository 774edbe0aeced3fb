// The thirty-five factory presets: names, order, groups, their data, and the table they are
// compiled from.

#include "PresetTestSupport.h"

namespace kaleidra::test
{
namespace
{
    struct Expected
    {
        const char* group;
        const char* name;
    };

    // Names, groups and order as the browser must offer them.
    const Expected expectedPresets[] = {
        { "Bass//Guitar", "Black pepper" },
        { "Bass//Guitar", "Lol as if" },
        { "Bass//Guitar", "Special sauce" },
        { "Bass//Synth", "Bassment" },
        { "Bass//Synth", "Oaxaca" },
        { "Bass//Synth", "Retrograde" },
        { "Drums//808 Kit", "Multileveler" },
        { "Drums//808 Kit", "Tokyo above ground" },
        { "Drums//808 Kit", "Vintage console" },
        { "Drums//Kick", "Kick me kick me again kick" },
        { "Drums//Kick", "Overdriven" },
        { "Drums//Kick", "Totally wrecked" },
        { "Guitar//Clean", "Alien amplifier" },
        { "Guitar//Clean", "Rough chop" },
        { "Guitar//Clean", "Sayamese" },
        { "Guitar//Dirty", "Funboi" },
        { "Guitar//Dirty", "Simple concept" },
        { "Guitar//Dirty", "Smoke on water" },
        { "One-stage", "Bering sea" },
        { "One-stage", "Depression cherry" },
        { "One-stage", "Hooked on telephonics" },
        { "One-stage", "Mean jeans" },
        { "One-stage", "Twinkle" },
        { "Series//Mild", "Bell de sure" },
        { "Series//Mild", "Chorusing" },
        { "Series//Mild", "Transist" },
        { "Series//Spicy", "Mi comalito" },
        { "Series//Spicy", "Quite maximal" },
        { "Series//Spicy", "Sympathetic" },
        { "Parallel//Mild", "Charmed" },
        { "Parallel//Mild", "Current space" },
        { "Parallel//Mild", "Quindle" },
        { "Parallel//Spicy", "Black saint" },
        { "Parallel//Spicy", "Sinner lady" },
        { "Parallel//Spicy", "Plorvex called" },
    };

    juce::StringArray namesOf (const juce::Array<tarn_gui::PresetManager::FactoryGroup*>& groups)
    {
        juce::StringArray names;
        for (auto* g : groups)
            names.add (g->name);
        return names;
    }

    juce::StringArray namesOf (const juce::Array<tarn_gui::PresetManager::FactoryPreset*>& presets)
    {
        juce::StringArray names;
        for (auto* p : presets)
            names.add (p->name);
        return names;
    }

    juce::Array<presets::PresetRow> tableRows()
    {
        juce::Array<presets::PresetRow> rows;
        const auto result =
            presets::parsePresetTable (juce::File (KALEIDRA_PRESET_TABLE).loadFileAsString(), rows);
        EXPECT_TRUE (result.wasOk()) << result.getErrorMessage();
        return rows;
    }

    juce::MemoryBlock decoded (const juce::MemoryBlock& data)
    {
        auto copy = data;
        tarn_gui::decodePresetData (copy);
        return copy;
    }
} // namespace

class FactoryPresetTest : public PresetTest
{
};

TEST_F (FactoryPresetTest, ThirtyFivePresetsInOrderFromId10)
{
    FakePresetProcessor processor;
    const auto& factory = processor.presetManager.getFactoryPresets();
    ASSERT_EQ (factory.size(), std::size (expectedPresets));

    int id = 10;
    for (const auto& expected : expectedPresets)
    {
        ASSERT_EQ (factory.count (id), 1u) << id;
        EXPECT_EQ (factory.at (id).name, expected.name) << id;
        EXPECT_EQ (factory.at (id).id, id);
        ++id;
    }

    EXPECT_EQ (factory.at (10).name, "Black pepper");
    EXPECT_EQ (factory.at (44).name, "Plorvex called");

    // Stepping right from "Totally wrecked" gives "Alien amplifier".
    processor.presetManager.setCurrentId (21);
    EXPECT_EQ (factory.at (processor.presetManager.nextPresetId (1)).name, "Alien amplifier");
}

TEST_F (FactoryPresetTest, GroupTree)
{
    FakePresetProcessor processor;
    auto& manager = processor.presetManager;
    auto* root = manager.getFactoryRoot();
    ASSERT_NE (root, nullptr);
    EXPECT_EQ (root->name, "Root");
    EXPECT_TRUE (root->presets.isEmpty());
    EXPECT_EQ (namesOf (root->subgroups),
               juce::StringArray ({ "Bass", "Drums", "Guitar", "One-stage", "Series", "Parallel" }));

    const std::map<juce::String, juce::StringArray> categories{
        { "Bass", { "Bass//Guitar", "Bass//Synth" } },
        { "Drums", { "Drums//808 Kit", "Drums//Kick" } },
        { "Guitar", { "Guitar//Clean", "Guitar//Dirty" } },
        { "Series", { "Series//Mild", "Series//Spicy" } },
        { "Parallel", { "Parallel//Mild", "Parallel//Spicy" } },
    };

    for (auto* category : root->subgroups)
    {
        if (category->name == "One-stage")
            continue;

        EXPECT_EQ (namesOf (category->subgroups), categories.at (category->name)) << category->name;
        EXPECT_TRUE (category->presets.isEmpty()) << category->name;
    }

    // Every group of presets holds its presets in table order.
    std::map<juce::String, juce::StringArray> expectedGroups;
    for (const auto& e : expectedPresets)
        expectedGroups[e.group].add (e.name);

    for (const auto& [groupName, names] : expectedGroups)
    {
        const auto& groups = manager.getFactoryGroups();
        ASSERT_EQ (groups.count (groupName), 1u) << groupName;
        EXPECT_EQ (namesOf (groups.at (groupName).presets), names) << groupName;
        EXPECT_TRUE (groups.at (groupName).subgroups.isEmpty());
    }

    EXPECT_EQ (manager.getFactoryGroups().size(), expectedGroups.size() + 5 + 1);
}

TEST_F (FactoryPresetTest, RestoredStateNamingTwinkleMakesItCurrent)
{
    FakePresetProcessor processor;
    auto state = processor.tree.copyState();
    presets::addIdentityAttributes (state);
    state.setProperty ("LoadedPreset", "FactoryPreset:Twinkle", nullptr);
    state.setProperty ("LoadedPresetModified", false, nullptr);

    juce::MemoryBlock blob;
    juce::AudioProcessor::copyXmlToBinary (*state.createXml(), blob);

    FakePresetProcessor restored;
    ASSERT_TRUE (restored.setState (blob.getData(), (int) blob.getSize()));
    const int id = restored.presetManager.getCurrentId();
    ASSERT_TRUE (restored.presetManager.isFactoryPresetId (id));
    EXPECT_EQ (restored.presetManager.factoryPresetAt (id).name, "Twinkle");
    EXPECT_FALSE (restored.isModified());
}

TEST_F (FactoryPresetTest, EveryPresetHoldsItsTableValuesAndSurvivesSavingAsAUserFile)
{
    FakePresetProcessor processor;
    const auto rows = tableRows();
    ASSERT_EQ (rows.size(), 35);

    int index = 0;
    for (const auto& [id, preset] : processor.presetManager.getFactoryPresets())
    {
        const auto& row = rows.getReference (index++);
        EXPECT_EQ (row.name, preset.name);

        ASSERT_TRUE (processor.loadState (preset.data)) << preset.name;
        const auto loaded = processor.plainValues();

        for (int p = 0; p < presets::numParameters; ++p)
            EXPECT_NEAR (loaded[(size_t) p], row.values[(size_t) p], 1.0e-4f)
                << preset.name << " " << presets::parameterIDs()[p];

        const auto file = presetFolder().getChildFile ("saved_" + juce::String (id) + ".kd11");
        writePreset (processor, file);
        processor.resetToDefaults();
        ASSERT_TRUE (processor.loadPresetFile (file)) << preset.name;
        EXPECT_EQ (processor.plainValues(), loaded) << preset.name;
    }
}

TEST_F (FactoryPresetTest, BlobsAreWhatTheProcessorWouldWrite)
{
    // Loading a factory preset and writing the state again without preset information gives
    // the same bytes: the compiled blobs have the layout, attribute order and value texts of
    // the processor's own state.
    FakePresetProcessor processor;

    for (const auto& [id, preset] : processor.presetManager.getFactoryPresets())
    {
        const auto blob = decoded (preset.data);
        ASSERT_TRUE (processor.setState (blob.getData(), (int) blob.getSize()));

        juce::MemoryBlock written;
        processor.getState (written, false);

        // Decoding drops the final zero byte of the blob.
        ASSERT_EQ (written.getSize(), blob.getSize() + 1) << preset.name;
        EXPECT_EQ (std::memcmp (written.getData(), blob.getData(), blob.getSize()), 0) << preset.name;

        auto xml = juce::AudioProcessor::getXmlFromBinary (blob.getData(), (int) blob.getSize());
        ASSERT_NE (xml, nullptr);
        EXPECT_EQ (xml->getNumAttributes(), 3) << preset.name;
        EXPECT_EQ (xml->getAttributeName (0), "CompanyName");
        EXPECT_EQ (xml->getAttributeName (1), "ProductNameWithoutVersion");
        EXPECT_EQ (xml->getAttributeName (2), "ProductVersion");

        juce::StringArray order;
        for (auto* child : xml->getChildIterator())
            order.add (child->getStringAttribute ("id"));
        EXPECT_EQ (order, presets::parameterIDs()) << preset.name;
    }
}

TEST (FactoryPresetTable, VoicingFollowsTheGroups)
{
    const auto rows = tableRows();
    ASSERT_EQ (rows.size(), 35);

    std::set<std::array<float, presets::numParameters>> distinct;

    for (const auto& row : rows)
    {
        const auto& v = row.values;
        const juce::String what = row.group + " / " + row.name;
        distinct.insert (v);

        const auto mode = v[0];
        const float n[] = { v[2], v[5], v[8] }, size[] = { v[3], v[6], v[9] }, mix[] = { v[4], v[7], v[10] };
        int active = 0;
        float maxMix = 0, maxN = 0, minSize = 48, longestGroupUs = 0;

        for (int s = 0; s < 3; ++s)
        {
            if (mix[s] <= 0)
                continue;

            ++active;
            maxMix = std::max (maxMix, mix[s]);
            maxN = std::max (maxN, n[s]);
            minSize = std::min (minSize, size[s]);
            longestGroupUs = std::max (longestGroupUs, n[s] * size[s]);
        }

        EXPECT_GE (active, 1) << what;

        if (row.group == "One-stage")
        {
            EXPECT_GT (mix[0], 0.0f) << what;
            EXPECT_EQ (active, 1) << what;
        }

        if (row.group.startsWith ("Series//"))
        {
            EXPECT_EQ (mode, 0.0f) << what;
        }

        if (row.group.startsWith ("Parallel//"))
        {
            EXPECT_EQ (mode, 1.0f) << what;
            EXPECT_GE (active, 2) << what;
        }

        if (row.group.endsWith ("//Mild"))
        {
            EXPECT_LE (maxMix, 50.0f) << what;
        }

        if (row.group.endsWith ("//Spicy"))
        {
            EXPECT_GE (maxMix, 110.0f) << what;
            EXPECT_GE (maxN, 48.0f) << what;
            EXPECT_LE (minSize, 6.0f) << what;
        }

        // Bass presets leave the low end alone: no stage mirrors across more than 0.35 ms.
        if (row.group.startsWith ("Bass//"))
        {
            EXPECT_LE (longestGroupUs, 350.0f) << what;
        }
    }

    EXPECT_EQ (distinct.size(), (size_t) rows.size());
}

TEST (FactoryPresetTable, MalformedTablesAreRefusedWithTheirLine)
{
    const juce::String header = "Group,Name,Mode,Tone,1- N Segs,1- Seg Size,1- Seg Mix,2- N Segs,2- Seg Size,"
                                "2- Seg Mix,3- N Segs,3- Seg Size,3- Seg Mix\n";
    const juce::String good = "G,A,Series,75,31,11,100,31,11,0,31,11,0\n";

    struct Case
    {
        juce::String table;
        const char* message;
    };

    const Case cases[] = {
        { "", "no header" },
        { "Group,Name,Mode\n" + good, "line 1: the header" },
        { header + "G,A,Sideways,75,31,11,100,31,11,0,31,11,0\n", "line 2: Mode" },
        { header + "G,A,Series,101,31,11,100,31,11,0,31,11,0\n", "line 2: Tone" },
        { header + "G,A,Series,75,1,11,100,31,11,0,31,11,0\n", "line 2: 1- N Segs" },
        { header + "G,A,Series,75,31.5,11,100,31,11,0,31,11,0\n", "line 2: 1- N Segs" },
        { header + "G,A,Series,75,31,11.005,100,31,11,0,31,11,0\n", "line 2: 1- Seg Size" },
        { header + "G,A,Series,75,31,11,abc,31,11,0,31,11,0\n", "line 2: 1- Seg Mix" },
        { header + "G,A,Series,75,31,11,100,31,11,0,31,11\n", "line 2: expected 13" },
        { header + good + "# comment\n" + good, "line 4: the name" },
        { header + good + "H,B,Series,75,31,11,100,31,11,0,31,11,0\n" +
              "G,C,Series,75,31,11,100,31,11,0,31,11,0\n",
          "line 4: the presets of group" },
        { header + "G,\"Q\",Series,75,31,11,100,31,11,0,31,11,0\n", "line 2: group and name" },
    };

    for (const auto& c : cases)
    {
        juce::Array<presets::PresetRow> rows;
        const auto result = presets::parsePresetTable (c.table, rows);
        EXPECT_TRUE (result.failed()) << c.message;
        EXPECT_TRUE (result.getErrorMessage().contains (c.message))
            << result.getErrorMessage() << " / " << c.message;
    }

    juce::Array<presets::PresetRow> rows;
    ASSERT_TRUE (presets::parsePresetTable ("# comment\n\n" + header + good, rows).wasOk());
    ASSERT_EQ (rows.size(), 1);
    EXPECT_EQ (rows[0].values[4], 100.0f);
    EXPECT_EQ (rows[0].line, 4);
}
} // namespace kaleidra::test

namespace kaleidra::test
{
namespace
{
    // "text=id" for every item of a menu, submenus as "title:[...]".
    juce::String describe (const juce::PopupMenu& menu)
    {
        juce::StringArray parts;

        for (juce::PopupMenu::MenuItemIterator it (menu); it.next();)
        {
            const auto& item = it.getItem();

            if (item.subMenu != nullptr)
                parts.add (item.text + ":[" + describe (*item.subMenu) + "]");
            else
                parts.add (item.text + "=" + juce::String (item.itemID));
        }

        return parts.joinIntoString (",");
    }
} // namespace

TEST_F (FactoryPresetTest, MenuEntriesOfFactoryAndUserPresetsHaveDistinctNames)
{
    FakePresetProcessor writer;
    const auto root = presetFolder();
    writePreset (writer, root.getChildFile ("Black_Pepper.kd11"));
    writePreset (writer, root.getChildFile ("A/Oaxaca.kd11"));
    writePreset (writer, root.getChildFile ("B/oaxaca.kd11"));
    writePreset (writer, root.getChildFile ("B/gone.kd11"));

    FakePresetProcessor processor;
    auto& manager = processor.presetManager;
    ASSERT_TRUE (root.getChildFile ("B/gone.kd11").deleteFile());

    juce::StringArray used;
    juce::PopupMenu factoryMenu, userMenu;
    manager.getFactoryRoot()->addToMenu (factoryMenu, used);
    manager.getUserRoot()->addToMenu (userMenu, used);

    const auto factory = describe (factoryMenu);
    EXPECT_TRUE (factory.startsWith ("Bass:[Guitar:[Black pepper=" + juce::String (10 + 4))) << factory;
    EXPECT_TRUE (factory.contains ("Drums:[808 Kit:[")) << factory;
    EXPECT_TRUE (factory.contains ("One-stage:[Bering sea=")) << factory;
    EXPECT_EQ (used.size(), 35 + 3);

    const auto idOf = [&] (const char* path)
    { return juce::String (manager.findUserPreset (root.getChildFile (path))->id); };
    const auto user = describe (userMenu);
    EXPECT_TRUE (user.startsWith ("Black Pepper (2)=" + idOf ("Black_Pepper.kd11"))) << user;
    // The subfolders come in the order the folder lists them, so either may get the 2.
    const auto a = "A:[Oaxaca (", b = "B:[Oaxaca (";
    EXPECT_TRUE (user.contains (a + juce::String ("2)=") + idOf ("A/Oaxaca.kd11") + "]") ||
                 user.contains (a + juce::String ("3)=") + idOf ("A/Oaxaca.kd11") + "]"))
        << user;
    EXPECT_TRUE (user.contains (b + juce::String ("2)=") + idOf ("B/oaxaca.kd11") + "]") ||
                 user.contains (b + juce::String ("3)=") + idOf ("B/oaxaca.kd11") + "]"))
        << user;
    EXPECT_TRUE (user.contains ("Oaxaca (2)") && user.contains ("Oaxaca (3)")) << user;
    EXPECT_FALSE (user.contains ("Gone")) << user;
}
} // namespace kaleidra::test
