// Parameter-bound control suites and their grid.

#include "GuiTestSupport.h"

using namespace kaleidra_test;

namespace
{
struct SuitesTest : public ::testing::Test
{
    // Types a text into a slider suite's label the way a user does: open the editor, type,
    // press return.
    static void typeIntoLabel (tarn_gui::SliderSuite& suite, const juce::String& text)
    {
        suite.label.showEditor();
        auto* editor = suite.label.getCurrentTextEditor();
        ASSERT_NE (editor, nullptr);
        editor->setText (text, false);
        suite.label.hideEditor (false);
    }

    tarn_gui::LookAndFeel laf;
    FakeProcessor processor;
    RecordingUpdater updater;
};
} // namespace

TEST_F (SuitesTest, TypedValuesAreHandedToTheUpdater)
{
    tarn_gui::SliderSuite suite (laf, juce::Slider::LinearHorizontal);
    suite.attach (processor.tree, FakeProcessor::floatID, &updater, 0.2f);

    struct Case
    {
        const char* typed;
        float applied;
    };
    const Case cases[] = {
        { "12", 12.0f },
        { "Mix: 12", 12.0f },
        { "Segment Size: 11.5µs", 11.5f }, // a display text typed back: name and unit ignored
        { "  7.25 ", 7.25f },
        { "-3", -3.0f }, // out of range: the processor decides
        { "abc", 0.0f }, // no number
        { "", 0.0f },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.typed);
        updater.calls.clear();
        typeIntoLabel (suite, juce::String::fromUTF8 (c.typed));
        ASSERT_EQ (updater.calls.size(), 1u);
        EXPECT_EQ (updater.calls[0].parameterID, FakeProcessor::floatID);
        EXPECT_FLOAT_EQ (updater.calls[0].value, c.applied);
    }
}

TEST_F (SuitesTest, NonFiniteTypedValuesAreNotAppliedAndTheLabelIsRestored)
{
    tarn_gui::SliderSuite suite (laf, juce::Slider::LinearHorizontal);
    suite.attach (processor.tree, FakeProcessor::floatID, &updater, 0.2f);
    suite.setLabelText (juce::String::fromUTF8 ("Segment Size: 11.0µs"));

    for (const auto* typed : { "nan", "NaN", "inf", "-inf", "1e999", "1e39", "Mix: nan", "Mix: -1e999" })
    {
        SCOPED_TRACE (typed);
        typeIntoLabel (suite, typed);
        EXPECT_TRUE (updater.calls.empty());
        EXPECT_EQ (suite.label.getText(), juce::String::fromUTF8 ("Segment Size: 11.0µs"));
    }

    // A finite value right after still goes through.
    typeIntoLabel (suite, "3.5e1");
    ASSERT_EQ (updater.calls.size(), 1u);
    EXPECT_FLOAT_EQ (updater.calls[0].value, 35.0f);
}

TEST_F (SuitesTest, LabelBecomesEditableOnlyWhenAttached)
{
    tarn_gui::SliderSuite suite (laf, juce::Slider::LinearHorizontal);
    EXPECT_FALSE (suite.label.isEditableOnSingleClick());
    EXPECT_FALSE (suite.label.isEditableOnDoubleClick());
    EXPECT_EQ (suite.userValueUpdater, nullptr);
    EXPECT_TRUE (suite.parameterID.isEmpty());

    // Text set on an unattached label (as the processor would) hands nothing on.
    suite.label.setText ("12", juce::sendNotificationSync);
    EXPECT_TRUE (updater.calls.empty());

    suite.attach (processor.tree, FakeProcessor::floatID, &updater, 0.0f);
    EXPECT_TRUE (suite.label.isEditableOnSingleClick());
    EXPECT_FALSE (suite.label.isEditableOnDoubleClick());
    EXPECT_TRUE (suite.label.doesLossOfFocusDiscardChanges());
    EXPECT_EQ (suite.userValueUpdater, &updater);
    EXPECT_EQ (suite.parameterID, FakeProcessor::floatID);

    // Attaching again does not register the suite twice: one edit, one value.
    suite.attach (processor.tree, FakeProcessor::floatID, &updater, 0.0f);
    typeIntoLabel (suite, "5");
    EXPECT_EQ (updater.calls.size(), 1u);
}

TEST_F (SuitesTest, OnScreenLabelOpensOnSingleClickOnlyWhenAttachedAndDiscardsOnClickElsewhere)
{
    juce::Component window;
    tarn_gui::SliderSuite unattached (laf, juce::Slider::LinearHorizontal);
    tarn_gui::SliderSuite attached (laf, juce::Slider::LinearHorizontal);
    unattached.addToParent (window);
    attached.addToParent (window);
    unattached.setSuiteBounds ({ juce::Rectangle<float> (0, 0, 150, 20), { 150, 0, 150, 20 } });
    attached.setSuiteBounds ({ juce::Rectangle<float> (0, 30, 150, 20), { 150, 30, 150, 20 } });
    attached.attach (processor.tree, FakeProcessor::floatID, &updater, 1.0f);

    OnScreen screen (window, { 40, 40, 300, 60 });
    window.toFront (true);
    pumpFor (50);

    screen.click (screen.centreOf (unattached.label));
    EXPECT_FALSE (unattached.label.isBeingEdited());

    screen.click (screen.centreOf (attached.label));
    ASSERT_TRUE (attached.label.isBeingEdited());
    attached.label.getCurrentTextEditor()->setText ("30", false);

    // Clicking the slider moves the keyboard focus away from the label: the typed text is dropped.
    screen.click (screen.centreOf (attached.slider));
    EXPECT_TRUE (pumpUntil ([&] { return !attached.label.isBeingEdited(); }));
    EXPECT_TRUE (updater.calls.empty());
    EXPECT_NE (attached.label.getText(), "30");
}

//==============================================================================
TEST_F (SuitesTest, AttachBindsTheSliderToItsParameter)
{
    tarn_gui::SliderSuite suite (laf, juce::Slider::LinearHorizontal);
    suite.attach (processor.tree, FakeProcessor::floatID, &updater, 0.2f);

    EXPECT_DOUBLE_EQ (suite.slider.getMinimum(), 1.0);
    EXPECT_DOUBLE_EQ (suite.slider.getMaximum(), 48.0);
    EXPECT_NEAR (suite.slider.getValue(), 11.0, 1e-4);
    EXPECT_TRUE (suite.slider.getWantsKeyboardFocus());
    EXPECT_FLOAT_EQ (suite.step, 0.2f);

    processor.setPlain (FakeProcessor::floatID, 20.0f);
    EXPECT_NEAR (suite.slider.getValue(), 20.0, 1e-4);

    suite.slider.setValue (30.0, juce::sendNotificationSync);
    EXPECT_NEAR (processor.getPlain (FakeProcessor::floatID), 30.0f, 1e-3f);
    EXPECT_EQ (&suite.slider.getLookAndFeel(), &laf);
}

TEST_F (SuitesTest, UnknownParameterLeavesTheSliderUnboundButStillHandsValuesOn)
{
    tarn_gui::SliderSuite suite (laf, juce::Slider::LinearHorizontal);
    suite.attach (processor.tree, "No Such Parameter", &updater, 1.0f);
    EXPECT_EQ (suite.parameterID, "No Such Parameter");

    typeIntoLabel (suite, "4");
    ASSERT_EQ (updater.calls.size(), 1u);
    EXPECT_EQ (updater.calls[0].parameterID, "No Such Parameter");
    EXPECT_FLOAT_EQ (updater.calls[0].value, 4.0f);
}

TEST_F (SuitesTest, NudgeStepsAndStopsAtTheRangeEnds)
{
    tarn_gui::SliderSuite sizeSuite (laf, juce::Slider::LinearHorizontal);
    tarn_gui::SliderSuite segsSuite (laf, juce::Slider::LinearHorizontal);
    sizeSuite.attach (processor.tree, FakeProcessor::floatID, &updater, 0.2f);
    segsSuite.attach (processor.tree, FakeProcessor::intID, &updater, 1.0f);

    struct Case
    {
        tarn_gui::SliderSuite& suite;
        const char* id;
        float current;
        int direction;
        float handed;
    };
    const Case cases[] = {
        { sizeSuite, FakeProcessor::floatID, 11.0f, +1, 11.2f },
        { sizeSuite, FakeProcessor::floatID, 11.0f, -1, 10.8f },
        { sizeSuite, FakeProcessor::floatID, 48.0f, +1, 48.0f }, // at the maximum: the maximum itself
        { sizeSuite, FakeProcessor::floatID, 47.9f, +1, 48.0f }, // a step past it: clamped
        { sizeSuite, FakeProcessor::floatID, 1.0f, -1, 1.0f },   // at the minimum: the minimum
        { sizeSuite, FakeProcessor::floatID, 1.0f, +1, 1.2f },
        { segsSuite, FakeProcessor::intID, 31.0f, +1, 32.0f },
        { segsSuite, FakeProcessor::intID, 91.0f, +1, 91.0f },
        { segsSuite, FakeProcessor::intID, 2.0f, -1, 2.0f },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE (juce::String (c.id) + " at " + juce::String (c.current) + " by " +
                      juce::String (c.direction));
        processor.setPlain (c.id, c.current);
        updater.calls.clear();
        c.suite.nudge (c.direction);
        ASSERT_EQ (updater.calls.size(), 1u);
        EXPECT_EQ (updater.calls[0].parameterID, c.id);
        EXPECT_NEAR (updater.calls[0].value, c.handed, 1e-4f);
    }

    // Direction 0 hands nothing on.
    updater.calls.clear();
    sizeSuite.nudge (0);
    EXPECT_TRUE (updater.calls.empty());
}

TEST_F (SuitesTest, StepZeroKeepsTheArrowKeysWithoutAnyChange)
{
    tarn_gui::SliderSuite suite (laf, juce::Slider::LinearHorizontal);
    suite.attach (processor.tree, FakeProcessor::intID, &updater, 0.0f);
    EXPECT_FLOAT_EQ (suite.step, 0.0f);
    EXPECT_FALSE (suite.slider.getWantsKeyboardFocus());

    // A step of 0 moves nothing: the value handed on is the current one.
    for (const int direction : { -1, +1 })
        suite.nudge (direction);
    ASSERT_EQ (updater.calls.size(), 2u);
    for (const auto& call : updater.calls)
        EXPECT_FLOAT_EQ (call.value, 31.0f);

    // Binding again with step 0 keeps an earlier step.
    suite.attach (processor.tree, FakeProcessor::intID, &updater, 1.0f);
    suite.attach (processor.tree, FakeProcessor::intID, &updater, 0.0f);
    EXPECT_FLOAT_EQ (suite.step, 1.0f);
}

TEST_F (SuitesTest, UnattachedSuitesIgnoreNudges)
{
    tarn_gui::SliderSuite slider (laf, juce::Slider::LinearHorizontal);
    tarn_gui::ToggleButtonSuite toggle (laf);
    tarn_gui::IndicatorLightSuite light (laf);
    for (const int direction : { -1, +1 })
    {
        slider.nudge (direction);
        toggle.nudge (direction);
        light.nudge (direction);
    }
    // Nothing could have been recorded: none of them knows the updater. Their state is unchanged.
    EXPECT_EQ (slider.userValueUpdater, nullptr);
    EXPECT_FALSE (toggle.button.getToggleState());
    EXPECT_EQ (light.light.getState(), -1);
}

TEST_F (SuitesTest, ToggleNudgeFlipsTheSetting)
{
    tarn_gui::ToggleButtonSuite suite (laf);
    suite.attach (processor.tree, FakeProcessor::boolID, &updater, 1.0f);
    EXPECT_TRUE (suite.button.getWantsKeyboardFocus());
    EXPECT_FALSE (suite.label.isEditableOnSingleClick());

    struct Case
    {
        bool on;
        int direction;
        float handed;
    };
    const Case cases[] = { { false, +1, 1.0f }, { false, -1, 1.0f }, { true, +1, 0.0f }, { true, -1, 0.0f } };
    for (const auto& c : cases)
    {
        processor.setPlain (FakeProcessor::boolID, c.on ? 1.0f : 0.0f);
        ASSERT_EQ (suite.button.getToggleState(), c.on);
        updater.calls.clear();
        suite.nudge (c.direction);
        ASSERT_EQ (updater.calls.size(), 1u);
        EXPECT_EQ (updater.calls[0].parameterID, FakeProcessor::boolID);
        EXPECT_FLOAT_EQ (updater.calls[0].value, c.handed);
    }
}

TEST_F (SuitesTest, SuitesForwardToBothComponents)
{
    juce::Component parent;
    tarn_gui::SliderSuite slider (laf, juce::Slider::LinearHorizontal);
    tarn_gui::ToggleButtonSuite toggle (laf);
    tarn_gui::IndicatorLightSuite light (laf);
    slider.addToParent (parent);
    toggle.addToParent (parent);
    light.addToParent (parent);

    // Z-order: label then slider, label then toggle, light then label.
    ASSERT_EQ (parent.getNumChildComponents(), 6);
    EXPECT_EQ (parent.getChildComponent (0), &slider.label);
    EXPECT_EQ (parent.getChildComponent (1), &slider.slider);
    EXPECT_EQ (parent.getChildComponent (3), &toggle.button);
    EXPECT_EQ (parent.getChildComponent (4), &light.light);
    EXPECT_EQ (parent.getChildComponent (5), &light.label);

    struct Pair
    {
        tarn_gui::LabeledSuite& suite;
        juce::Component& control;
        juce::Label& label;
    };
    const Pair pairs[] = { { slider, slider.slider, slider.label },
                           { toggle, toggle.button, toggle.label },
                           { light, light.light, light.label } };
    std::map<juce::Component*, tarn_gui::LabeledSuite*> map;
    for (const auto& p : pairs)
    {
        EXPECT_TRUE (p.control.isVisible());
        EXPECT_TRUE (p.label.isVisible());

        p.suite.setHelpText ("Some help.");
        EXPECT_EQ (p.control.getHelpText(), "Some help.");
        EXPECT_EQ (p.label.getHelpText(), "Some help.");

        p.suite.setLabelText ("Text");
        EXPECT_EQ (p.label.getText(), "Text");

        p.suite.setEnabled (false);
        EXPECT_FALSE (p.control.isEnabled());
        EXPECT_FALSE (p.label.isEnabled());
        p.suite.setVisible (false);
        EXPECT_FALSE (p.control.isVisible());
        EXPECT_FALSE (p.label.isVisible());

        p.suite.setSuiteBounds (
            { juce::Rectangle<float> (1.4f, 2.6f, 10.6f, 3.49f), { 20.0f, 0.0f, 30.0f, 5.0f } });
        EXPECT_EQ (p.control.getBounds(), juce::Rectangle<int> (1, 3, 11, 3));
        EXPECT_EQ (p.label.getBounds(), juce::Rectangle<int> (20, 0, 30, 5));

        EXPECT_TRUE (p.suite.ownsComponent (&p.control));
        EXPECT_TRUE (p.suite.ownsComponent (&p.label));
        EXPECT_FALSE (p.suite.ownsComponent (&parent));
        p.suite.registerComponents (map);
    }

    // Each component maps to its own suite; registering again keeps the first entry.
    EXPECT_EQ (map.size(), 6u);
    toggle.registerComponents (map);
    map[&slider.slider] = &toggle;
    slider.registerComponents (map);
    EXPECT_EQ (map.at (&slider.slider), &toggle);
    EXPECT_EQ (map.at (&slider.label), &slider);
    EXPECT_EQ (map.at (&light.light), &light);
}

//==============================================================================
TEST_F (SuitesTest, GridOfALightAndThreeSlidersMatchesTheStagePanelLayout)
{
    tarn_gui::LabeledSuiteGrid grid (laf, { 4, 3, 3, 3 });
    ASSERT_EQ (grid.suites.size(), 4);
    EXPECT_EQ (grid.lights.size(), 1);
    EXPECT_EQ (grid.horizontalSliders.size(), 3);
    EXPECT_EQ (grid.getNumChildComponents(), 8);

    grid.setBounds (0, 0, 510, 96);

    auto* light = dynamic_cast<tarn_gui::IndicatorLightSuite*> (grid.suites[0]);
    ASSERT_NE (light, nullptr);
    EXPECT_EQ (light->light.getBounds(), juce::Rectangle<int> (5, 5, 14, 14));
    EXPECT_EQ (light->label.getBounds(), juce::Rectangle<int> (24, 0, 486, 24));

    for (int i = 1; i < 4; ++i)
    {
        SCOPED_TRACE (i);
        auto* slider = dynamic_cast<tarn_gui::SliderSuite*> (grid.suites[i]);
        ASSERT_NE (slider, nullptr);
        EXPECT_EQ (slider, grid.horizontalSliders[i - 1]);
        EXPECT_EQ (slider->slider.getSliderStyle(), juce::Slider::LinearHorizontal);
        EXPECT_EQ (slider->slider.getTextBoxPosition(), juce::Slider::NoTextBox);
        EXPECT_EQ (slider->slider.getBounds(), juce::Rectangle<int> (0, 24 * i, 250, 16));
        EXPECT_EQ (slider->label.getBounds(), juce::Rectangle<int> (250, 24 * i, 260, 16));
    }
}

TEST_F (SuitesTest, GridWithTwoColumnsPlacesCellsLeftToRightThenDown)
{
    tarn_gui::LabeledSuiteGrid grid (laf, { 1, 4, 3, 0 });
    grid.rows = 2;
    grid.columns = 2;
    grid.toggleSize = 18.0f;
    grid.rotarySize = 20.0f;
    grid.setBounds (0, 0, 600, 60); // cells of 300 x 30

    auto* toggle = dynamic_cast<tarn_gui::ToggleButtonSuite*> (grid.suites[0]);
    auto* light = dynamic_cast<tarn_gui::IndicatorLightSuite*> (grid.suites[1]);
    auto* slider = dynamic_cast<tarn_gui::SliderSuite*> (grid.suites[2]);
    auto* rotary = dynamic_cast<tarn_gui::SliderSuite*> (grid.suites[3]);
    ASSERT_TRUE (toggle != nullptr && light != nullptr && slider != nullptr && rotary != nullptr);
    EXPECT_EQ (rotary->slider.getSliderStyle(), juce::Slider::RotaryHorizontalVerticalDrag);

    EXPECT_EQ (toggle->button.getBounds(), juce::Rectangle<int> (6, 6, 18, 18));
    EXPECT_EQ (toggle->label.getBounds(), juce::Rectangle<int> (30, 0, 270, 30));
    EXPECT_EQ (light->light.getBounds(), juce::Rectangle<int> (308, 8, 14, 14));
    EXPECT_EQ (light->label.getBounds(), juce::Rectangle<int> (330, 0, 270, 30));
    EXPECT_EQ (slider->slider.getBounds(), juce::Rectangle<int> (0, 30, 250, 16));
    EXPECT_EQ (slider->label.getBounds(), juce::Rectangle<int> (250, 30, 50, 16));
    EXPECT_EQ (rotary->slider.getBounds(), juce::Rectangle<int> (305, 35, 20, 20));
}

TEST_F (SuitesTest, GridSkipsKindsItDoesNotKnowAndNeverSizesNegatively)
{
#if !JUCE_DEBUG // an unknown kind is a programming error that asserts in debug builds
    tarn_gui::LabeledSuiteGrid odd (laf, { 4, 9, 3 });
    ASSERT_EQ (odd.suites.size(), 2);
    odd.rows = 3;
    odd.setBounds (0, 0, 510, 72);
    auto* third = dynamic_cast<tarn_gui::SliderSuite*> (odd.suites[1]);
    ASSERT_NE (third, nullptr);
    EXPECT_EQ (third->slider.getY(), 48); // still in its own (third) cell
#endif

    // Narrower than a slider: its label gets zero width, not a negative one.
    tarn_gui::LabeledSuiteGrid narrow (laf, { 4, 3 });
    narrow.setBounds (0, 0, 100, 8);
    auto* light = dynamic_cast<tarn_gui::IndicatorLightSuite*> (narrow.suites[0]);
    auto* slider = dynamic_cast<tarn_gui::SliderSuite*> (narrow.suites[1]);
    ASSERT_TRUE (light != nullptr && slider != nullptr);
    EXPECT_EQ (light->label.getBounds(), juce::Rectangle<int> (2, 0, 98, 2));
    EXPECT_EQ (slider->label.getBounds(), juce::Rectangle<int> (250, 2, 0, 16));
}
