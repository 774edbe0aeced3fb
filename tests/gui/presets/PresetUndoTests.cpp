// Preset loads as undoable steps on the parameter tree's undo manager.

#include "PresetTestSupport.h"

namespace kaleidra::test
{
namespace
{
    // What the preset browser does when the user picks a factory preset.
    bool loadFactory (FakePresetProcessor& p, int id)
    {
        auto data = p.presetManager.factoryPresetAt (id).data;
        const bool loaded = p.loadState (data);
        p.presetManager.setCurrentUserPreset (nullptr);
        p.setModified (false);
        p.presetManager.setCurrentId (id);
        return loaded;
    }

    // ... and when it picks a user preset.
    bool loadUser (FakePresetProcessor& p, tarn_gui::PresetManager::UserPreset* preset)
    {
        const bool loaded = p.loadPresetFile (preset->file);
        p.presetManager.setCurrentUserPreset (loaded ? preset : nullptr);
        p.setModified (false);
        p.presetManager.setCurrentId (preset->id);
        return loaded;
    }

    int factoryId (FakePresetProcessor& p, const juce::String& name)
    {
        for (const auto& [id, preset] : p.presetManager.getFactoryPresets())
            if (preset.name == name)
                return id;

        return -1;
    }

    // A control dragged by the user: one gesture, recorded by the undo manager, then flushed
    // into the tree as the parameter tree's timer would.
    void dragParameter (FakePresetProcessor& p, const juce::String& id, float plainValue)
    {
        juce::ParameterAttachment attachment (
            *p.tree.getParameter (id), [] (float) {}, &p.undoManager);
        attachment.beginGesture();
        attachment.setValueAsPartOfGesture (plainValue);
        attachment.endGesture();
        p.tree.copyState();
    }
} // namespace

class PresetUndoTest : public PresetTest
{
};

TEST_F (PresetUndoTest, OneLoadIsOneStepAndASecondUndoDoesNothing)
{
    FakePresetProcessor processor;
    dragParameter (processor, "Tone", 12.0f);
    const auto before = processor.plainValues();

    const auto twinkle = factoryId (processor, "Twinkle");
    ASSERT_TRUE (loadFactory (processor, twinkle));
    ASSERT_NE (processor.plainValues(), before);
    EXPECT_EQ (processor.undoManager.getUndoDescriptions().size(), 1);
    EXPECT_FALSE (processor.undoManager.canRedo());

    ASSERT_TRUE (processor.undoManager.undo());
    EXPECT_EQ (processor.plainValues(), before);
    EXPECT_FALSE (processor.undoManager.canUndo());
    EXPECT_FALSE (processor.undoManager.canRedo());

    EXPECT_FALSE (processor.undoManager.undo());
    EXPECT_EQ (processor.plainValues(), before);
}

TEST_F (PresetUndoTest, UndoBringsBackThePreviousPresetAndSelectsNew)
{
    FakePresetProcessor processor;
    RecordingDisplay display;
    processor.setDisplay (&display);

    const auto oaxaca = factoryId (processor, "Oaxaca");
    ASSERT_TRUE (loadFactory (processor, oaxaca));
    const auto oaxacaValues = processor.plainValues();

    ASSERT_TRUE (loadFactory (processor, factoryId (processor, "Twinkle")));
    EXPECT_EQ (display.newEntrySelections, 0);

    processor.undoManager.undo();
    EXPECT_EQ (display.newEntrySelections, 1);
    EXPECT_EQ (processor.presetManager.getCurrentId(), oaxaca);
    EXPECT_EQ (processor.plainValues(), oaxacaValues);
    EXPECT_FALSE (processor.isModified());

    processor.setDisplay (nullptr);
}

TEST_F (PresetUndoTest, UndoBringsBackAUserPresetOrNoPresetAtAll)
{
    FakePresetProcessor processor;

    // No preset before the load: none after the undo.
    ASSERT_EQ (processor.presetManager.getCurrentId(), tarn_gui::PresetManager::noPresetId);
    ASSERT_TRUE (loadFactory (processor, factoryId (processor, "Bassment")));
    processor.undoManager.undo();
    EXPECT_EQ (processor.presetManager.getCurrentId(), tarn_gui::PresetManager::noPresetId);

    // A user preset, modified after it was loaded.
    processor.setPlain ("3- Seg Mix", 77.0f);
    const auto file = writePreset (processor, presetFolder().getChildFile ("mine.kd11"));
    auto* mine = processor.presetManager.registerUserPreset (file);
    ASSERT_TRUE (loadUser (processor, mine));
    processor.setPlain ("Tone", 5.0f);
    const auto edited = processor.plainValues();

    ASSERT_TRUE (loadFactory (processor, factoryId (processor, "Twinkle")));
    processor.undoManager.undo();

    EXPECT_EQ (processor.presetManager.getCurrentId(), mine->id);
    EXPECT_EQ (processor.presetManager.getCurrentUserPreset(), mine);
    EXPECT_TRUE (processor.isModified());
    EXPECT_EQ (processor.plainValues(), edited);
}

TEST_F (PresetUndoTest, AfterUndoingALoadTheNextEditCanBeUndone)
{
    FakePresetProcessor processor;
    ASSERT_TRUE (loadFactory (processor, factoryId (processor, "Sinner lady")));
    processor.undoManager.undo();

    const float mixBefore = processor.plain ("2- Seg Mix");
    dragParameter (processor, "2- Seg Mix", 88.0f);
    ASSERT_EQ (processor.plain ("2- Seg Mix"), 88.0f);
    ASSERT_TRUE (processor.undoManager.canUndo());

    ASSERT_TRUE (processor.undoManager.undo());
    EXPECT_EQ (processor.plain ("2- Seg Mix"), mixBefore);

    // And the edit can be redone.
    ASSERT_TRUE (processor.undoManager.redo());
    EXPECT_EQ (processor.plain ("2- Seg Mix"), 88.0f);
}

TEST_F (PresetUndoTest, EditsAfterALoadAreUndoneBeforeTheLoad)
{
    FakePresetProcessor processor;
    const auto before = processor.plainValues();

    ASSERT_TRUE (loadFactory (processor, factoryId (processor, "Chorusing")));
    const auto chorusing = processor.plainValues();
    dragParameter (processor, "1- N Segs", 60.0f);

    processor.undoManager.undo();
    EXPECT_EQ (processor.plainValues(), chorusing);

    processor.undoManager.undo();
    EXPECT_EQ (processor.plainValues(), before);
    EXPECT_FALSE (processor.undoManager.canUndo());

    // A load after all that is again one step.
    ASSERT_TRUE (loadFactory (processor, factoryId (processor, "Chorusing")));
    EXPECT_EQ (processor.undoManager.getUndoDescriptions().size(), 1);
    processor.undoManager.undo();
    EXPECT_EQ (processor.plainValues(), before);
}

TEST_F (PresetUndoTest, ARefusedLoadLeavesTheHistoryAlone)
{
    FakePresetProcessor processor;
    dragParameter (processor, "Tone", 40.0f);
    ASSERT_EQ (processor.undoManager.getUndoDescriptions().size(), 1);

    juce::MemoryBlock junk ("not a preset", 12);
    EXPECT_FALSE (processor.loadState (junk));
    EXPECT_EQ (processor.undoManager.getUndoDescriptions().size(), 1);

    processor.undoManager.undo();
    EXPECT_EQ (processor.plain ("Tone"), 75.0f);
}
} // namespace kaleidra::test
