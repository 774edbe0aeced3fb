// The plug-in's window against the real processor: where every child sits, the label texts and
// stage lights, the keyboard shortcuts and arrow keys, the control bar's buttons, and closing the
// window while the host automates on the audio thread. The window is put on the (virtual) desktop
// where keyboard focus matters; the test command runs the suite under Xvfb.

#include "ControlBar.h"
#include "EditorTexts.h"
#include "PluginEditor.h"
#include "PluginTestHelpers.h"
#include "support/XErrors.h"
#include "WebLinks.h"

#include <atomic>
#include <mutex>
#include <thread>

namespace kaleidra::test
{
namespace
{
    using Rect = juce::Rectangle<int>;

    bool hasDisplay()
    {
        return juce::SystemStats::getEnvironmentVariable ("DISPLAY", {}).isNotEmpty();
    }

    const juce::KeyPress left (juce::KeyPress::leftKey), right (juce::KeyPress::rightKey),
        up (juce::KeyPress::upKey), down (juce::KeyPress::downKey);

    juce::KeyPress withModifiers (const juce::KeyPress& key, int modifiers)
    {
        return juce::KeyPress (key.getKeyCode(), juce::ModifierKeys (modifiers), 0);
    }

    std::map<juce::String, float> allPlainValues (PluginProcessor& p)
    {
        std::map<juce::String, float> values;

        for (const auto& id : parameterIDsInOrder())
            values[id] = plainValue (p, id);

        return values;
    }

    void setPlain (PluginProcessor& p, const juce::String& id, float value)
    {
        auto& param = parameter (p, id);
        param.setValueNotifyingHost (param.convertTo0to1 (value));
    }
} // namespace

class EditorTest : public ::testing::Test
{
protected:
    EditorTest()
    {
        ignoreXErrors();
    }

    ~EditorTest() override
    {
        if (editor != nullptr && editor->isOnDesktop())
            editor->removeFromDesktop();

        editor.reset();
    }

    PluginEditor& open()
    {
        editor.reset (dynamic_cast<PluginEditor*> (processor->createEditor()));
        EXPECT_NE (editor, nullptr) << "createEditor must return the plug-in's own editor";
        return *editor;
    }

    // The editor as a window of its own, so that its components can take the keyboard focus.
    PluginEditor& openOnScreen()
    {
        auto& e = open();
        e.setTopLeftPosition (30, 30);
        e.addToDesktop (0);
        e.setVisible (true);
        pumpMessagesFor (50);
        return e;
    }

    void focus (juce::Component& c)
    {
        c.grabKeyboardFocus();
        ASSERT_TRUE (pumpMessagesUntil ([&] { return c.hasKeyboardFocus (false); }, 2000))
            << "no keyboard focus for " << c.getName();
    }

    tarn_gui::SliderSuite& slider (int stage, ParameterType type) const
    {
        return editor->sliderSuite (stage, type);
    }

    // The bounds of a component relative to another one that contains it.
    static Rect boundsIn (const juce::Component& c, const juce::Component& ancestor)
    {
        return ancestor.getLocalArea (&c, c.getLocalBounds());
    }

    std::unique_ptr<PluginProcessor> processor = makePreparedProcessor();
    std::unique_ptr<PluginEditor> editor;
};

//==================================================================================================
TEST_F (EditorTest, WindowChildrenSitAtTheirRectangles)
{
    auto& e = open();
    EXPECT_EQ (e.getWidth(), 550);
    EXPECT_EQ (e.getHeight(), 550);
    EXPECT_FALSE (e.isResizable());

    const std::pair<juce::Component*, Rect> children[] = {
        { &e.titleLabels, { 10, 0, 540, 34 } }, { &e.controlBar, { 10, 59, 540, 22 } },
        { &e.controls, { 0, 81, 550, 416 } },   { &e.tipDisplay, { 10, 503, 540, 22 } },
        { &e.linkRow, { 10, 525, 530, 22 } },
    };

    for (const auto& [child, expected] : children)
    {
        EXPECT_EQ (child->getBounds(), expected) << child->getName();
        EXPECT_EQ (child->getParentComponent(), &e);
        EXPECT_TRUE (child->isVisible());
    }

    // The panels and the global row inside the controls band.
    auto& controls = e.controls;
    const std::pair<juce::Component*, Rect> panels[] = {
        { controls.stagePanels[0], { 10, 10, 530, 116 } },
        { controls.stagePanels[1], { 10, 136, 530, 116 } },
        { controls.stagePanels[2], { 10, 262, 530, 116 } },
        { &controls.modeSuite.button, { 20, 388, 18, 18 } },
        { &controls.modeSuite.label, { 38, 388, 152, 18 } },
        { &controls.toneSuite.slider, { 190, 389, 186, 16 } },
        { &controls.toneSuite.label, { 376, 388, 164, 18 } },
    };

    for (const auto& [child, expected] : panels)
        EXPECT_EQ (boundsIn (*child, controls), expected);

    // Every stage panel holds the same grid, relative to the panel.
    for (int stage = 1; stage <= numStages; ++stage)
    {
        auto& panel = *controls.stagePanels[stage - 1];
        auto& light = e.lightSuite (stage);
        const std::pair<juce::Component*, Rect> items[] = {
            { &panel.grid, { 10, 10, 510, 96 } },
            { &light.light, { 15, 15, 14, 14 } },
            { &light.label, { 34, 10, 486, 24 } },
            { &slider (stage, nSegs).slider, { 10, 34, 250, 16 } },
            { &slider (stage, nSegs).label, { 260, 34, 260, 16 } },
            { &slider (stage, segSize).slider, { 10, 58, 250, 16 } },
            { &slider (stage, segSize).label, { 260, 58, 260, 16 } },
            { &slider (stage, segMix).slider, { 10, 82, 250, 16 } },
            { &slider (stage, segMix).label, { 260, 82, 260, 16 } },
        };

        for (const auto& [child, expected] : items)
            EXPECT_EQ (boundsIn (*child, panel), expected) << "stage " << stage;
    }
}

TEST_F (EditorTest, ControlBarPiecesAtFullAndAtNarrowWidth)
{
    auto& bar = open().controlBar;
    const auto pieces = [&bar]
    {
        return std::vector<Rect>{ bar.undoButton.getBounds(),        bar.redoButton.getBounds(),
                                  bar.presetComponent.getBounds(),   bar.presetScroller.getBounds(),
                                  bar.reloadButton.getBounds(),      bar.newButton.getBounds(),
                                  bar.randomPresetButton.getBounds() };
    };

    EXPECT_EQ (pieces(), (std::vector<Rect>{ { 0, 0, 22, 22 },
                                             { 22, 0, 22, 22 },
                                             { 52, 0, 250, 22 },
                                             { 310, 0, 36, 22 },
                                             { 354, 0, 22, 22 },
                                             { 384, 0, 22, 22 },
                                             { 414, 0, 22, 22 } }));

    // The scroller's arrows at its two ends.
    EXPECT_EQ (bar.presetScroller.leftButton.getBounds(), Rect (0, 0, 11, 22));
    EXPECT_EQ (bar.presetScroller.rightButton.getBounds(), Rect (25, 0, 11, 22));

    // Narrower than its pieces: the last ones get what is left, down to nothing.
    bar.setSize (100, 22);
    const auto narrow = pieces();
    EXPECT_EQ (narrow[0], Rect (0, 0, 22, 22));
    EXPECT_EQ (narrow[1], Rect (22, 0, 22, 22));
    EXPECT_EQ (narrow[2], Rect (52, 0, 48, 22));

    for (size_t i = 3; i < narrow.size(); ++i)
        EXPECT_EQ (narrow[i].getWidth(), 0) << i;

    EXPECT_EQ (bar.undoButton.getName(), "UndoButton");
    EXPECT_EQ (bar.redoButton.getName(), "RedoButton");
    EXPECT_EQ (bar.reloadButton.getName(), "ReloadButton");
    EXPECT_EQ (bar.newButton.getName(), "NewButton");
    EXPECT_EQ (bar.randomPresetButton.getName(), "RandomPresetButton");
}

TEST_F (EditorTest, APanelSmallerThanItsMarginsLaysItsGridOutEmpty)
{
    tarn_gui::LookAndFeel laf;

    for (const auto& size : { Rect (0, 0, 15, 60), Rect (0, 0, 60, 12), Rect (0, 0, 0, 0) })
    {
        KaleidraStageControls panel (laf);
        panel.setBounds (size);
        EXPECT_GE (panel.grid.getWidth(), 0);
        EXPECT_GE (panel.grid.getHeight(), 0);
        EXPECT_EQ (panel.grid.getWidth(), juce::jmax (0, size.getWidth() - 20));
        EXPECT_EQ (panel.grid.getHeight(), juce::jmax (0, size.getHeight() - 20));

        for (auto* child : panel.grid.getChildren())
        {
            EXPECT_GE (child->getWidth(), 0);
            EXPECT_GE (child->getHeight(), 0);
        }
    }
}

//==================================================================================================
TEST_F (EditorTest, HelpTextsOfEveryHintableComponent)
{
    auto& e = open();
    auto& bar = e.controlBar;

    const std::pair<juce::Component*, juce::String> texts[] = {
        { &e.titleLabels.companyLink, "Go to tarnlight.example" },
        { &e.titleLabels.productLink, "Go to Kaleidra main page." },
        { &bar.presetComponent, "Save (ctrl+s) and load presets." },
        { &bar.presetScroller.leftButton, "Previous preset." },
        { &bar.presetScroller.rightButton, "Next preset." },
        { &bar.undoButton, "Undo action (ctrl+z)." },
        { &bar.redoButton, "Redo action (ctrl+shift+z)." },
        { &bar.reloadButton, "Reload current preset." },
        { &bar.newButton, "Reset to default (ctrl+r)." },
        { &bar.randomPresetButton, "Random preset." },
        { &e.controls.modeSuite.button, "How stages are ordered." },
        { &e.controls.modeSuite.label, "How stages are ordered." },
        { &e.controls.toneSuite.slider, "Affects high frequency response of wet signal." },
        { &e.controls.toneSuite.label, "Affects high frequency response of wet signal." },
        { &e.lightSuite (3).light, "Indicates if stage 3 is active." },
        { &e.lightSuite (3).label, "Indicates if stage 3 is active." },
        { &slider (3, nSegs).slider, "Number of segments for stage 3 (click label to enter value)." },
        { &slider (3, segSize).label, "Segment length for stage 3 (click label to enter value)." },
        { &slider (3, segMix).slider, "Relative mix for stage 3 (click label to enter value)." },
        { &slider (1, segMix).label, "Relative mix for stage 1 (click label to enter value)." },
        { &e.lightSuite (2).light, "Indicates if stage 2 is active." },
        { e.linkRow.links[0], "Go to user guide page." },
        { e.linkRow.links[1], "Go to support page." },
    };

    for (const auto& [component, expected] : texts)
        EXPECT_EQ (component->getHelpText(), expected) << component->getName();

    for (int stage = 1; stage <= numStages; ++stage)
        EXPECT_EQ (e.lightSuite (stage).label.getText(), "Stage " + juce::String (stage));

    EXPECT_EQ (e.titleLabels.productLink.getButtonText(), "Kaleidra v1.1.2");
    EXPECT_EQ (e.linkRow.links[0]->getButtonText(), "User Guide");
    EXPECT_EQ (e.linkRow.links[1]->getButtonText(), " // Get Support"); // the row's separator leads
}

TEST_F (EditorTest, UserGuideLinkOpensTheGuideInstalledInTheBundle)
{
    // Inside the bundle the guide lies in Contents/Resources, two levels above the binary.
    const auto bundle = juce::File ("/plugins/Kaleidra_v1-1.vst3");
    EXPECT_EQ (webLinks::userGuideNextTo (bundle.getChildFile ("Contents/x86_64-linux/Kaleidra_v1-1.so")),
               bundle.getChildFile ("Contents/Resources/user-guide.html"));

    // The guide the build installed is a real page, and the link names it with a file:// address.
    const auto installed =
        juce::File (KALEIDRA_VST3_BUNDLE).getChildFile ("Contents/Resources/user-guide.html");
    ASSERT_TRUE (installed.existsAsFile());
    EXPECT_TRUE (installed.loadFileAsString().contains ("<h1")) << "not an HTML page";
    EXPECT_TRUE (installed.loadFileAsString().contains ("ctrl+shift+z"));

    const auto url = juce::URL (installed);
    EXPECT_TRUE (url.isLocalFile());
    EXPECT_TRUE (url.toString (false).startsWith ("file://"));

    // All web addresses are the maker's own.
    for (const auto* address : { webLinks::homePage, webLinks::productPage, webLinks::userGuidePage,
                                 webLinks::supportPage, webLinks::presetsPage })
        EXPECT_EQ (juce::URL (address).getDomain(), "tarnlight.example") << address;
}

//==================================================================================================
TEST_F (EditorTest, LabelsShowTheProcessorsTextsAndLightsTheStages)
{
    // What the processor says about its current values, before any editor exists.
    RecordingLabelUpdater recorder;
    processor->setLabelUpdater (&recorder);
    processor->setLabelUpdater (nullptr);
    ASSERT_GE (recorder.entries.size(), (size_t) numParameters);

    auto& e = open();

    for (const auto& entry : recorder.entries)
    {
        const auto type = (ParameterType) entry.type;
        const auto shown = type == mode   ? e.controls.modeSuite.label.getText()
                           : type == tone ? e.controls.toneSuite.label.getText()
                                          : slider (entry.stage, type).label.getText();
        EXPECT_EQ (shown, entry.text) << entry.type << " " << entry.stage;
        EXPECT_TRUE (shown.isNotEmpty());
    }

    // A fresh instance: only stage 1 is heard.
    EXPECT_EQ (e.lightSuite (1).light.getState(), 0);
    EXPECT_EQ (e.lightSuite (2).light.getState(), -1);
    EXPECT_EQ (e.lightSuite (3).light.getState(), -1);

    // Moving stage 1's mix slider to 0 leaves the ring; the label follows.
    slider (1, segMix).slider.setValue (0.0, juce::sendNotificationSync);
    EXPECT_EQ (plainValue (*processor, "1- Seg Mix"), 0.0f);
    EXPECT_EQ (e.lightSuite (1).light.getState(), -1);
    EXPECT_EQ (slider (1, segMix).label.getText(), "Mix: 0.0%");

    // Typed into a label from the processor's side: another parameter's label follows at once.
    setPlain (*processor, "2- N Segs", 40.0f);
    EXPECT_EQ (slider (2, nSegs).label.getText(), "N: 40");
}

TEST_F (EditorTest, ClickingAStageLightSwitchesTheStageAndDimsItsLight)
{
    auto& e = openOnScreen();
    auto& light = e.lightSuite (2).light;
    ASSERT_EQ (light.getState(), -1);

    // On: the stage comes back at 90 % and the light turns on.
    light.triggerClick();
    ASSERT_TRUE (pumpMessagesUntil ([&] { return plainValue (*processor, "2- Seg Mix") == 90.0f; }));
    EXPECT_EQ (light.getState(), 0);

    // Off again: switched off from its light, so the dimmed colour rather than the ring.
    light.triggerClick();
    ASSERT_TRUE (pumpMessagesUntil ([&] { return plainValue (*processor, "2- Seg Mix") == 0.0f; }));
    EXPECT_EQ (light.getState(), 2);

    // The dimmed colour is the primary colour at 60 % opacity.
    ASSERT_EQ (light.colours.size(), 3);
    EXPECT_EQ (light.colours[2].getAlpha(), 153);
    EXPECT_EQ (light.colours[2].withAlpha ((juce::uint8) 255),
               e.lookAndFeel.primaryColour.withAlpha ((juce::uint8) 255));

    // Another stage is untouched.
    EXPECT_EQ (e.lightSuite (1).light.getState(), 0);
    EXPECT_EQ (plainValue (*processor, "1- Seg Mix"), 100.0f);
}

//==================================================================================================
TEST_F (EditorTest, ArrowKeysStepTheFocusedControl)
{
    if (!hasDisplay())
        GTEST_SKIP() << "needs a display (the test command provides one)";

    auto& e = openOnScreen();
    auto& size = slider (1, segSize);

    struct Case
    {
        const char* name;
        float start;
        juce::KeyPress key;
        float expected;
    };

    const Case cases[] = {
        { "right", 11.0f, right, 11.2f },   { "up is right", 11.0f, up, 11.2f },
        { "left", 11.0f, left, 10.8f },     { "down is left", 11.0f, down, 10.8f },
        { "top end", 47.9f, right, 48.0f }, { "at the top", 48.0f, up, 48.0f },
        { "bottom end", 1.1f, left, 1.0f }, { "at the bottom", 1.0f, down, 1.0f },
    };

    for (auto* target :
         { static_cast<juce::Component*> (&size.slider), static_cast<juce::Component*> (&size.label) })
    {
        focus (*target);

        for (const auto& c : cases)
        {
            setPlain (*processor, "1- Seg Size", c.start);
            EXPECT_TRUE (e.keyPressed (c.key, target)) << c.name;
            EXPECT_NEAR (plainValue (*processor, "1- Seg Size"), c.expected, 1.0e-4f) << c.name;
        }

        // With a modifier the arrows are not used.
        setPlain (*processor, "1- Seg Size", 11.0f);

        for (const auto modifiers : { juce::ModifierKeys::ctrlModifier, juce::ModifierKeys::shiftModifier,
                                      juce::ModifierKeys::altModifier })
        {
            EXPECT_FALSE (e.keyPressed (withModifiers (right, modifiers), target));
            EXPECT_FLOAT_EQ (plainValue (*processor, "1- Seg Size"), 11.0f);
        }
    }

    // A whole step for the segment count of stage 3.
    focus (slider (3, nSegs).slider);
    setPlain (*processor, "3- N Segs", 31.0f);
    EXPECT_TRUE (e.keyPressed (right, &slider (3, nSegs).slider));
    EXPECT_FLOAT_EQ (plainValue (*processor, "3- N Segs"), 32.0f);

    // Any arrow on the Mode toggle flips it.
    focus (e.controls.modeSuite.button);
    auto expectedMode = plainValue (*processor, "Mode");

    for (const auto& key : { right, left, up, down })
    {
        expectedMode = 1.0f - expectedMode;
        EXPECT_TRUE (e.keyPressed (key, &e.controls.modeSuite.button));
        EXPECT_FLOAT_EQ (plainValue (*processor, "Mode"), expectedMode);
    }

    // Focus outside the bound controls: the key goes on to the framework.
    focus (e.controlBar.reloadButton);
    const auto before = allPlainValues (*processor);
    EXPECT_FALSE (e.keyPressed (right, &e.controlBar.reloadButton));
    EXPECT_EQ (allPlainValues (*processor), before);

    // Keys that mean nothing here are not consumed either.
    EXPECT_FALSE (e.keyPressed (juce::KeyPress ('q'), &e));
}

TEST_F (EditorTest, UndoRedoAndResetShortcuts)
{
    auto& e = open();
    auto& undo = processor->getUndoManager();

    // An empty history: the key is consumed and nothing changes.
    pumpMessagesFor (100);
    undo.clearUndoHistory();
    const auto fresh = allPlainValues (*processor);
    EXPECT_TRUE (e.keyPressed (juce::KeyPress::createFromDescription ("ctrl+z"), &e));
    pumpMessagesFor (50);
    EXPECT_EQ (allPlainValues (*processor), fresh);

    // A change through a control is undone and redone by the keys (through the buttons' clicks).
    slider (1, nSegs).slider.setValue (50.0, juce::sendNotificationSync);
    ASSERT_FLOAT_EQ (plainValue (*processor, "1- N Segs"), 50.0f);
    pumpMessagesFor (100); // the tree records the change on its own timer
    undo.beginNewTransaction();
    EXPECT_TRUE (e.keyPressed (juce::KeyPress::createFromDescription ("ctrl+z"), &e));
    EXPECT_TRUE (
        pumpMessagesUntil ([&] { return plainValue (*processor, "1- N Segs") == fresh.at ("1- N Segs"); }));
    EXPECT_TRUE (e.keyPressed (juce::KeyPress::createFromDescription ("ctrl+shift+z"), &e));
    EXPECT_TRUE (pumpMessagesUntil ([&] { return plainValue (*processor, "1- N Segs") == 50.0f; }));

    // ctrl+r does what the reset button does: every parameter back to its default, and the box
    // shows "New"; the current preset stays.
    for (auto* trigger :
         { static_cast<juce::Component*> (nullptr), static_cast<juce::Component*> (&e.controlBar.newButton) })
    {
        setPlain (*processor, "Tone", 12.0f);
        setPlain (*processor, "3- Seg Size", 30.0f);
        const auto currentId = processor->presetManager.getCurrentId();

        if (trigger == nullptr)
            EXPECT_TRUE (e.keyPressed (juce::KeyPress::createFromDescription ("ctrl+r"), &e));
        else
            e.controlBar.newButton.triggerClick();

        EXPECT_TRUE (pumpMessagesUntil ([&] { return allPlainValues (*processor) == fresh; }));
        EXPECT_EQ (e.controlBar.presetComponent.getText().trimEnd(), "New");
        EXPECT_FALSE (processor->isModified());
        EXPECT_EQ (processor->presetManager.getCurrentId(), currentId);
    }
}

TEST_F (EditorTest, SaveShortcutWritesTheCurrentFileOrAsksForOne)
{
    auto& e = open();
    auto& browser = e.controlBar.presetComponent;
    std::vector<juce::FileChooser*> dialogs;
    browser.chooserLauncher = [&dialogs] (juce::FileChooser& chooser, int, auto)
    { dialogs.push_back (&chooser); };
    const auto ctrlS = juce::KeyPress::createFromDescription ("ctrl+s");

    // No current user file: the save dialog.
    setPlain (*processor, "Tone", 40.0f);
    EXPECT_TRUE (e.keyPressed (ctrlS, &e));
    ASSERT_EQ (dialogs.size(), 1u);
    EXPECT_EQ (dialogs[0], browser.saveChooser.get());

    // With a current user file: written in place, no dialog, marker gone.
    const auto folder = processor->presetManager.getUserRoot()->file;
    const auto file = folder.getChildFile ("shortcut.kd11");
    ASSERT_TRUE (tarn_gui::createFileWithRetries (file));
    browser.handleSaveAsResult (file);
    ASSERT_EQ (processor->presetManager.getCurrentUserPreset(),
               processor->presetManager.findUserPreset (file));

    setPlain (*processor, "Tone", 55.0f);
    EXPECT_TRUE (pumpMessagesUntil ([&] { return browser.getText().endsWith ("*"); }));
    EXPECT_TRUE (e.keyPressed (ctrlS, &e));
    EXPECT_EQ (dialogs.size(), 1u);
    EXPECT_FALSE (processor->isModified());

    auto reader = makePreparedProcessor();
    ASSERT_TRUE (reader->loadPresetFile (file));
    EXPECT_FLOAT_EQ (plainValue (*reader, "Tone"), 55.0f);
    file.deleteFile();
}

TEST_F (EditorTest, ReloadAndRandomButtonsLoadPresets)
{
    auto& e = open();
    auto& presets = processor->presetManager;
    auto& browser = e.controlBar.presetComponent;

    // Without a current preset, reload does nothing.
    setPlain (*processor, "Tone", 12.0f);
    const auto edited = allPlainValues (*processor);
    e.buttonClicked (&e.controlBar.reloadButton);
    pumpMessagesFor (50);
    EXPECT_EQ (allPlainValues (*processor), edited);

    // Random: some other preset, loaded.
    e.buttonClicked (&e.controlBar.randomPresetButton);
    ASSERT_TRUE (pumpMessagesUntil ([&] { return presets.getCurrentId() >= 10; }));
    const auto chosen = presets.getCurrentId();
    const auto loaded = allPlainValues (*processor);
    EXPECT_FALSE (browser.getText().startsWith ("*New"));

    // Reload after an edit brings the preset back.
    setPlain (*processor, "Tone", loaded.at ("Tone") == 3.0f ? 4.0f : 3.0f);
    ASSERT_TRUE (processor->isModified());
    e.buttonClicked (&e.controlBar.reloadButton);
    ASSERT_TRUE (pumpMessagesUntil ([&] { return !processor->isModified(); }));
    EXPECT_EQ (allPlainValues (*processor), loaded);
    EXPECT_EQ (presets.getCurrentId(), chosen);

    // Random again: never the same preset.
    for (int i = 0; i < 5; ++i)
    {
        const auto before = presets.getCurrentId();
        e.buttonClicked (&e.controlBar.randomPresetButton);
        ASSERT_TRUE (pumpMessagesUntil ([&] { return presets.getCurrentId() != before; }));
        EXPECT_GE (presets.getCurrentId(), 10);
    }
}

//==================================================================================================
TEST_F (EditorTest, ClosingTheEditorWhileTheHostAutomatesDeliversNothingToIt)
{
    // The audio thread automates a parameter and processes, as a host does, while the window is
    // opened and closed again and again. Texts noted for a closed window must go nowhere (a late
    // delivery would touch freed memory, which the sanitizer build reports).
    std::atomic<bool> running{ true };
    std::thread audio (
        [this, &running]
        {
            auto buffer = makeNoise (2, 512, 7);
            juce::MidiBuffer midi;
            auto& param = parameter (*processor, "2- N Segs");
            float value = 0.0f;

            while (running.load())
            {
                value = value > 0.9f ? 0.0f : value + 0.01f;
                param.setValueNotifyingHost (value);
                processor->processBlock (buffer, midi);
            }
        });

    for (int i = 0; i < 20; ++i)
    {
        open();
        pumpMessagesFor (10);
        EXPECT_EQ (slider (2, nSegs).label.getText().upToFirstOccurrenceOf (":", true, false), "N:");
        editor.reset();
        pumpMessagesFor (3 * PluginProcessor::deliveryIntervalMs);
    }

    running = false;
    audio.join();
    pumpMessagesFor (3 * PluginProcessor::deliveryIntervalMs);

    // The last automated value reaches a window opened afterwards.
    open();
    EXPECT_EQ (slider (2, nSegs).label.getText(),
               "N: " + juce::String (juce::roundToInt (plainValue (*processor, "2- N Segs"))));
}
} // namespace kaleidra::test
