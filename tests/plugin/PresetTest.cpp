// The preset system on the plug-in's own processor: factory preset IDs and blobs, preset files,
// host states that name a preset, and preset loads as undoable steps.

#include "PluginTestHelpers.h"
#include "support/IsolatedHome.h"

#include <FactoryPresetData.h>
#include <PresetTable.h>

using namespace kaleidra::test;

namespace
{
using Values = std::array<float, numParameters>;

Values plainValues (PluginProcessor& p)
{
    Values values{};

    for (size_t i = 0; i < values.size(); ++i)
        values[i] = plainValue (p, parameterIDsInOrder()[i]);

    return values;
}

int factoryId (PluginProcessor& p, const juce::String& name)
{
    for (const auto& [id, preset] : p.presetManager.getFactoryPresets())
        if (preset.name == name)
            return id;

    return -1;
}

// What the preset browser does when the user picks a factory preset ...
bool loadFactory (PluginProcessor& p, int id)
{
    const bool loaded = p.loadState (p.presetManager.factoryPresetAt (id).data);

    if (loaded)
    {
        p.presetManager.setCurrentUserPreset (nullptr);
        p.presetManager.setCurrentId (id);
        p.setModified (false);
    }

    return loaded;
}

// ... and a user preset.
bool loadUser (PluginProcessor& p, tarn_gui::PresetManager::UserPreset& preset)
{
    const bool loaded = p.loadPresetFile (preset.file);

    if (loaded)
    {
        p.presetManager.setCurrentUserPreset (&preset);
        p.presetManager.setCurrentId (preset.id);
        p.setModified (false);
    }

    return loaded;
}

// A control dragged by the user through the framework's attachment: one gesture in a new
// transaction, recorded by the tree's undo manager once the value reaches the tree.
void dragParameter (PluginProcessor& p, const juce::String& id, std::initializer_list<float> plainPath)
{
    juce::ParameterAttachment attachment (
        *p.getModelTree().getParameter (id), [] (float) {}, &p.getUndoManager());
    attachment.beginGesture();

    for (auto v : plainPath)
        attachment.setValueAsPartOfGesture (v);

    attachment.endGesture();

    // The tree's timer would write the value into the tree; a copy of the state does it at once.
    p.getModelTree().copyState();
}

juce::MemoryBlock decoded (juce::MemoryBlock data)
{
    tarn_gui::decodePresetData (data);
    return data;
}

juce::MemoryBlock stateOf (PluginProcessor& p, bool includePresetInfo)
{
    juce::MemoryBlock block;
    p.getState (block, includePresetInfo);
    return block;
}

std::unique_ptr<juce::XmlElement> xmlOf (const juce::MemoryBlock& blob)
{
    return juce::AudioProcessor::getXmlFromBinary (blob.getData(), (int) blob.getSize());
}

juce::Array<kaleidra::presets::PresetRow> tableRows()
{
    juce::Array<kaleidra::presets::PresetRow> rows;
    const auto parsed =
        kaleidra::presets::parsePresetTable (juce::File (KALEIDRA_PRESET_TABLE).loadFileAsString(), rows);
    EXPECT_TRUE (parsed.wasOk()) << parsed.getErrorMessage();
    return rows;
}

class ProcessorPresetTest : public ::testing::Test
{
protected:
    static juce::File presetFolder()
    {
        return tarn_gui::locateUserPresetFolder ("Tarnlight", "Kaleidra_v1-1");
    }

    // A user preset file holding the processor's current state.
    static juce::File writeUserPreset (PluginProcessor& p, const juce::String& name)
    {
        const auto file = presetFolder().getChildFile (name);
        EXPECT_TRUE (tarn_gui::createFileWithRetries (file));
        EXPECT_TRUE (p.savePresetFile (file));
        return file;
    }

    IsolatedHome isolatedHome;
};
} // namespace

//==================================================================================================
TEST_F (ProcessorPresetTest, FreshInstanceNumbersTheFactoryPresets10To44InTableOrder)
{
    PluginProcessor processor;
    auto& manager = processor.presetManager;

    EXPECT_EQ (processor.getUserPresetFolder(), presetFolder());
    EXPECT_TRUE (presetFolder().isDirectory());
    EXPECT_EQ (processor.getUndoManager().getUndoDescriptions().size(), 0);
    const tarn_gui::PresetManager::PresetLoader& loader = processor;
    EXPECT_EQ (loader.getPresetManager(), &manager);
    EXPECT_EQ (loader.getUndoManager(), &processor.getModelTree().getUndoManager());

    const auto& factory = manager.getFactoryPresets();
    ASSERT_EQ ((int) factory.size(), 35);
    ASSERT_EQ (kaleidra::numFactoryPresetData, 35);

    int expectedId = 10;
    for (const auto& [id, preset] : factory)
    {
        EXPECT_EQ (id, expectedId);
        EXPECT_EQ (preset.name, juce::String (kaleidra::factoryPresetData[id - 10].name));
        ++expectedId;
    }

    EXPECT_EQ (factory.at (10).name, "Black pepper");
    EXPECT_EQ (factory.at (44).name, "Plorvex called");
    EXPECT_TRUE (manager.getUserPresets().empty());

    // The browser's categories under the root, in order.
    ASSERT_NE (manager.getFactoryRoot(), nullptr);
    juce::StringArray categories;
    for (auto* group : manager.getFactoryRoot()->subgroups)
        categories.add (group->name);
    EXPECT_EQ (categories,
               juce::StringArray ({ "Bass", "Drums", "Guitar", "One-stage", "Series", "Parallel" }));

    // From no preset the arrows give the first and the last preset, and the walk wraps.
    EXPECT_EQ (manager.getCurrentId(), -1);
    EXPECT_EQ (manager.nextPresetId (1), 10);
    EXPECT_EQ (manager.nextPresetId (-1), 44);
    manager.setCurrentId (factoryId (processor, "Totally wrecked"));
    EXPECT_EQ (manager.factoryPresetAt (manager.nextPresetId (1)).name, "Alien amplifier");
    manager.setCurrentId (44);
    EXPECT_EQ (manager.nextPresetId (1), 10);
}

TEST_F (ProcessorPresetTest, TwoUserFilesFoundAtConstructionTakeIds10And11)
{
    {
        PluginProcessor first;
        first.updateUserValue ("Tone", 20.0f);
        writeUserPreset (first, "first_one.kd11");
        first.updateUserValue ("Tone", 30.0f);
        writeUserPreset (first, "second_one.kd11");
    }

    PluginProcessor processor;
    const auto& manager = processor.presetManager;

    juce::Array<int> userIds;
    for (const auto& [id, preset] : manager.getUserPresets())
        userIds.add (id);
    EXPECT_EQ (userIds, juce::Array<int> ({ 10, 11 }));

    ASSERT_EQ ((int) manager.getFactoryPresets().size(), 35);
    EXPECT_EQ (manager.getFactoryPresets().begin()->first, 12);
    EXPECT_EQ (manager.getFactoryPresets().rbegin()->first, 46);
    EXPECT_EQ (manager.getFactoryPresets().at (12).name, "Black pepper");
    EXPECT_EQ (manager.getFactoryPresets().at (46).name, "Plorvex called");
    EXPECT_EQ (manager.getNextId(), 47);
}

//==================================================================================================
TEST_F (ProcessorPresetTest, CompiledFactoryBlobsAreWhatTheProcessorWritesForTheTableValues)
{
    const auto rows = tableRows();
    ASSERT_EQ (rows.size(), kaleidra::numFactoryPresetData);

    PluginProcessor processor;

    for (int i = 0; i < rows.size(); ++i)
    {
        const auto& row = rows.getReference (i);
        const auto& compiled = kaleidra::factoryPresetData[i];
        ASSERT_EQ (row.name, juce::String (compiled.name));
        ASSERT_EQ (row.group, juce::String (compiled.group));

        // The table's values set through the processor's own parameters.
        for (size_t p = 0; p < row.values.size(); ++p)
        {
            auto& param = parameter (processor, parameterIDsInOrder()[p]);
            param.setValueNotifyingHost (param.convertTo0to1 (row.values[p]));
        }

        const auto written = stateOf (processor, false);
        const auto blob = decoded (juce::MemoryBlock (compiled.data, (size_t) compiled.size));

        // Decoding drops the blob's closing zero byte.
        ASSERT_EQ (written.getSize(), blob.getSize() + 1) << row.name;
        EXPECT_EQ (std::memcmp (written.getData(), blob.getData(), blob.getSize()), 0)
            << row.name << "\nprocessor: " << xmlOf (written)->toString()
            << "\ncompiled:  " << xmlOf (blob)->toString();
    }
}

TEST_F (ProcessorPresetTest, EveryFactoryPresetSavedAsAUserFileLoadsBackToTheSameValues)
{
    const auto rows = tableRows();
    PluginProcessor processor;
    int index = 0;

    for (const auto& [id, preset] : processor.presetManager.getFactoryPresets())
    {
        const auto& row = rows.getReference (index++);
        ASSERT_TRUE (loadFactory (processor, id)) << preset.name;
        const auto loaded = plainValues (processor);

        for (size_t p = 0; p < loaded.size(); ++p)
            EXPECT_NEAR (loaded[p], row.values[p], 1.0e-4f) << preset.name << " " << parameterIDsInOrder()[p];

        const auto file = writeUserPreset (processor, "saved_" + juce::String (id) + ".kd11");
        processor.resetToDefaults();
        ASSERT_NE (plainValues (processor), loaded);

        ASSERT_TRUE (processor.loadPresetFile (file)) << preset.name;
        EXPECT_EQ (plainValues (processor), loaded) << preset.name;
    }
}

TEST_F (ProcessorPresetTest, RestoredStateNamingTwinkleMakesItCurrent)
{
    PluginProcessor source;
    ASSERT_TRUE (loadFactory (source, factoryId (source, "Twinkle")));
    const auto blob = stateOf (source, true);
    ASSERT_EQ (xmlOf (blob)->getStringAttribute ("LoadedPreset"), "FactoryPreset:Twinkle");

    for (const bool edited : { false, true })
    {
        auto xml = xmlOf (blob);
        xml->setAttribute ("LoadedPresetModified", edited ? "1" : "0");
        juce::MemoryBlock state;
        juce::AudioProcessor::copyXmlToBinary (*xml, state);

        PluginProcessor restored;
        ASSERT_TRUE (restored.setState (state.getData(), (int) state.getSize()));
        EXPECT_EQ (restored.presetManager.getCurrentId(), factoryId (restored, "Twinkle"));
        EXPECT_EQ (restored.isModified(), edited);
        EXPECT_EQ (plainValues (restored), plainValues (source));
        EXPECT_FALSE (restored.getUndoManager().canUndo());

        const auto again = xmlOf (stateOf (restored, true));
        EXPECT_EQ (again->getStringAttribute ("LoadedPreset"), "FactoryPreset:Twinkle");
        EXPECT_EQ (again->getStringAttribute ("LoadedPresetModified"), edited ? "1" : "0");
    }
}

TEST_F (ProcessorPresetTest, HostStateKeepsAUserPresetAndFallsBackToNewWhenItsFileIsGone)
{
    PluginProcessor processor;
    processor.updateUserValue ("2- Seg Mix", 40.0f);
    const auto file = writeUserPreset (processor, "warm_pad.kd11");
    auto* preset = processor.presetManager.registerUserPreset (file);
    ASSERT_TRUE (loadUser (processor, *preset));
    processor.updateUserValue ("Tone", 33.0f);

    const auto blob = stateOf (processor, true);
    EXPECT_EQ (xmlOf (blob)->getStringAttribute ("LoadedPreset"), file.getFullPathName());

    {
        PluginProcessor restored;
        ASSERT_TRUE (restored.setState (blob.getData(), (int) blob.getSize()));
        ASSERT_NE (restored.presetManager.getCurrentUserPreset(), nullptr);
        EXPECT_EQ (restored.presetManager.getCurrentUserPreset()->file, file);
        EXPECT_TRUE (restored.isModified());
        EXPECT_EQ (plainValues (restored), plainValues (processor));
    }

    ASSERT_TRUE (file.deleteFile());
    PluginProcessor restored;
    ASSERT_TRUE (restored.setState (blob.getData(), (int) blob.getSize()));
    EXPECT_EQ (restored.presetManager.getCurrentId(), tarn_gui::PresetManager::newPresetId);
    EXPECT_EQ (restored.presetManager.getCurrentUserPreset(), nullptr);
    EXPECT_FALSE (restored.isModified());
    EXPECT_EQ (plainValues (restored), plainValues (processor));
}

//==================================================================================================
TEST_F (ProcessorPresetTest, FilesAreEncodedAndRefusedFilesChangeNothing)
{
    PluginProcessor processor;
    processor.updateUserValue ("3- N Segs", 70.0f);
    processor.updateUserValue ("Mode", 1.0f);
    const auto file = writeUserPreset (processor, "enc.kd11");
    const auto saved = plainValues (processor);

    juce::MemoryBlock raw;
    ASSERT_TRUE (file.loadFileAsData (raw));
    EXPECT_NE (std::memcmp (raw.getData(), "VC2!", 4), 0);
    EXPECT_EQ (std::memcmp (decoded (raw).getData(), "VC2!", 4), 0);

    // Saving needs an existing file; a folder or a missing file gets nothing written.
    const auto missing = presetFolder().getChildFile ("missing.kd11");
    EXPECT_FALSE (processor.savePresetFile (missing));
    EXPECT_FALSE (missing.exists());
    EXPECT_FALSE (processor.savePresetFile (presetFolder()));

    processor.resetToDefaults();
    const auto defaults = plainValues (processor);
    const auto historyBefore = processor.getUndoManager().getUndoDescriptions().size();

    // Files that are no preset of this plug-in.
    juce::MemoryBlock otherPlugin;
    {
        juce::XmlElement other ("OtherPlugin");
        other.createNewChildElement ("PARAM")->setAttribute ("id", "Tone");
        juce::AudioProcessor::copyXmlToBinary (other, otherPlugin);
        tarn_gui::encodePresetData (otherPlugin);
    }
    juce::MemoryBlock randomBytes (512);
    juce::Random (7).fillBitsRandomly (randomBytes.getData(), randomBytes.getSize());

    // The saved preset followed by zero bytes: they are high-order zeros of the encoded number, so
    // the content still decodes to the preset and only the file's size is wrong with it.
    juce::MemoryBlock oversized (raw);
    oversized.setSize ((size_t) tarn_gui::maxPresetFileBytes + 1, true);
    ASSERT_EQ (decoded (oversized), decoded (raw));

    const std::vector<std::pair<juce::String, juce::MemoryBlock>> refused = {
        { "empty", {} },
        { "truncated", juce::MemoryBlock (raw.getData(), raw.getSize() / 2) },
        { "random", randomBytes },
        { "other plug-in", otherPlugin },
        { "oversized", oversized },
    };

    for (const auto& [name, bytes] : refused)
    {
        const auto bad = presetFolder().getChildFile ("bad.kd11");
        ASSERT_TRUE (bad.replaceWithData (bytes.getData(), bytes.getSize()) || bytes.isEmpty());
        ASSERT_TRUE (tarn_gui::createFileWithRetries (bad));
        EXPECT_FALSE (processor.loadPresetFile (bad)) << name;
        EXPECT_EQ (plainValues (processor), defaults) << name;
        EXPECT_EQ (processor.getUndoManager().getUndoDescriptions().size(), historyBefore) << name;
        EXPECT_FALSE (processor.isModified()) << name;
        bad.deleteFile();
    }

    ASSERT_TRUE (processor.loadPresetFile (file));
    EXPECT_EQ (plainValues (processor), saved);
}

//==================================================================================================
TEST_F (ProcessorPresetTest, OneLoadIsOneStepUndoneWithThePreviousPresetAndNewSelected)
{
    PluginProcessor processor;
    RecordingPresetDisplay display;
    processor.setDisplay (&display);

    const auto oaxaca = factoryId (processor, "Oaxaca");
    ASSERT_TRUE (loadFactory (processor, oaxaca));
    processor.getUndoManager().clearUndoHistory(); // as if Oaxaca had come with the host's project
    const auto oaxacaValues = plainValues (processor);
    const auto engineMix = processor.getEngine().stages[0]->mix.getTargetLocked();

    ASSERT_TRUE (loadFactory (processor, factoryId (processor, "Black saint")));
    EXPECT_NE (plainValues (processor), oaxacaValues);
    EXPECT_EQ (processor.getUndoManager().getUndoDescriptions().size(), 1);
    EXPECT_FALSE (processor.getUndoManager().canRedo());
    EXPECT_EQ (processor.getEngine().mode.index.load(), 1); // a Parallel preset reached the engine
    EXPECT_EQ (display.newEntrySelections, 0);

    ASSERT_TRUE (processor.getUndoManager().undo());
    EXPECT_EQ (display.newEntrySelections, 1);
    EXPECT_EQ (plainValues (processor), oaxacaValues);
    EXPECT_EQ (processor.presetManager.getCurrentId(), oaxaca);
    EXPECT_FALSE (processor.isModified());
    EXPECT_EQ (processor.getEngine().mode.index.load(), 0);
    EXPECT_FLOAT_EQ (processor.getEngine().stages[0]->mix.getTargetLocked(), engineMix);
    EXPECT_FALSE (processor.getUndoManager().canUndo());
    EXPECT_FALSE (processor.getUndoManager().canRedo());

    // A second undo does nothing.
    EXPECT_FALSE (processor.getUndoManager().undo());
    EXPECT_EQ (plainValues (processor), oaxacaValues);
    EXPECT_EQ (processor.presetManager.getCurrentId(), oaxaca);

    processor.setDisplay (nullptr);
}

TEST_F (ProcessorPresetTest, UndoingALoadFromAnEditedUserPresetBringsBackTheEdits)
{
    PluginProcessor processor;
    processor.updateUserValue ("3- Seg Mix", 77.0f);
    const auto file = writeUserPreset (processor, "mine.kd11");
    auto* mine = processor.presetManager.registerUserPreset (file);
    ASSERT_TRUE (loadUser (processor, *mine));
    dragParameter (processor, "Tone", { 20.0f, 10.0f, 5.0f });
    const auto edited = plainValues (processor);
    ASSERT_TRUE (processor.isModified());

    ASSERT_TRUE (loadFactory (processor, factoryId (processor, "Twinkle")));
    ASSERT_TRUE (processor.getUndoManager().undo());

    EXPECT_EQ (processor.presetManager.getCurrentId(), mine->id);
    EXPECT_EQ (processor.presetManager.getCurrentUserPreset(), mine);
    EXPECT_TRUE (processor.isModified());
    EXPECT_EQ (plainValues (processor), edited);
}

TEST_F (ProcessorPresetTest, AfterUndoingALoadADraggedParameterCanBeUndone)
{
    PluginProcessor processor;
    auto& undo = processor.getUndoManager();

    ASSERT_TRUE (loadFactory (processor, factoryId (processor, "Sinner lady")));
    ASSERT_TRUE (undo.undo());
    const auto afterUndo = plainValues (processor);
    const auto mixBefore = plainValue (processor, "2- Seg Mix");

    dragParameter (processor, "2- Seg Mix", { 30.0f, 60.0f, 88.0f });
    ASSERT_FLOAT_EQ (plainValue (processor, "2- Seg Mix"), 88.0f);
    ASSERT_TRUE (undo.canUndo());

    ASSERT_TRUE (undo.undo());
    EXPECT_FLOAT_EQ (plainValue (processor, "2- Seg Mix"), mixBefore);
    EXPECT_EQ (plainValues (processor), afterUndo);
    EXPECT_FLOAT_EQ (processor.getEngine().stages[1]->mix.getTargetLocked(), mixBefore);

    ASSERT_TRUE (undo.redo());
    EXPECT_FLOAT_EQ (plainValue (processor, "2- Seg Mix"), 88.0f);

    // The same after undoing the load of a user preset file.
    const auto file = writeUserPreset (processor, "after_undo.kd11");
    ASSERT_TRUE (processor.loadPresetFile (file));
    ASSERT_TRUE (undo.undo());
    const auto segsBefore = plainValue (processor, "1- N Segs");
    ASSERT_NE (segsBefore, 50.0f);
    dragParameter (processor, "1- N Segs", { 40.0f, 50.0f });
    ASSERT_FLOAT_EQ (plainValue (processor, "1- N Segs"), 50.0f);
    ASSERT_TRUE (undo.undo());
    EXPECT_FLOAT_EQ (plainValue (processor, "1- N Segs"), segsBefore);

    // Undoing a load leaves nothing to redo.
    ASSERT_TRUE (loadFactory (processor, factoryId (processor, "Quindle")));
    ASSERT_TRUE (undo.undo());
    EXPECT_FALSE (undo.canRedo());
}

TEST_F (ProcessorPresetTest, EditsAfterALoadAreUndoneBeforeTheLoadAndARefusedLoadAddsNoStep)
{
    PluginProcessor processor;
    auto& undo = processor.getUndoManager();
    const auto before = plainValues (processor);

    ASSERT_TRUE (loadFactory (processor, factoryId (processor, "Chorusing")));
    const auto chorusing = plainValues (processor);
    dragParameter (processor, "1- N Segs", { 60.0f });

    juce::MemoryBlock junk ("not a preset", 12);
    EXPECT_FALSE (processor.loadState (junk));
    EXPECT_EQ (undo.getUndoDescriptions().size(), 2);

    ASSERT_TRUE (undo.undo());
    EXPECT_EQ (plainValues (processor), chorusing);
    ASSERT_TRUE (undo.undo());
    EXPECT_EQ (plainValues (processor), before);
    EXPECT_FALSE (undo.canUndo());
}
