// The hint line and its thread. These tests put a window on the screen (run them under Xvfb when
// there is no display) and drive the mouse with synthetic events. Every wait for the thread is
// generous: the thread writes about every 160 ms, the tests allow seconds.

#include "GuiTestSupport.h"

using namespace kaleidra_test;

namespace
{
const juce::String sliderHelp = "Segment length for stage 1 (click label to enter value).";

// A stand-in for the editor: a slider suite with a help text, a component without one and the
// hint line, on the editor's own background.
struct HintedEditor : public juce::Component
{
    explicit HintedEditor (tarn_gui::LookAndFeel& laf)
        : suite (laf, juce::Slider::LinearHorizontal)
        , tip (laf)
    {
        suite.addToParent (*this);
        suite.setHelpText (sliderHelp);
        addAndMakeVisible (plain);
        addAndMakeVisible (tip);
    }

    void resized() override
    {
        suite.setSuiteBounds ({ juce::Rectangle<float> (10, 10, 250, 16), { 260, 10, 200, 16 } });
        plain.setBounds (10, 40, 100, 30);
        tip.setBounds (10, 150, 540, 22);
    }

    tarn_gui::SliderSuite suite;
    juce::Component plain;
    tarn_gui::TipDisplayComponent tip; // last: its thread stops before the rest goes
};

struct TipDisplayTest : public ::testing::Test
{
    TipDisplayTest()
    {
        ignoreXErrors();
        // Keep the real pointer away from the test windows; only synthetic events move the mouse.
        juce::Desktop::setMousePosition ({ 1270, 1010 });
    }

    bool hintBecomes (const juce::String& text)
    {
        const auto shown = pumpUntil ([&] { return editor.tip.getHintText() == text; });
        if (!shown)
            ADD_FAILURE() << "hint line shows \"" << editor.tip.getHintText() << "\", expected \"" << text
                          << "\"";
        return shown;
    }

    tarn_gui::LookAndFeel laf;
    HintedEditor editor{ laf };
    const juce::String defaultText = tarn_gui::TipDisplayComponent::defaultText;
    const juce::String offText = tarn_gui::TipDisplayComponent::hintsOffText;
};
} // namespace

TEST_F (TipDisplayTest, StartsWithHintsOnAndLaysOutTheBoxAndTheLine)
{
    auto& tip = editor.tip;
    EXPECT_EQ (tip.getThreadName(), "TipDisplayThread");
    EXPECT_TRUE (tip.isThreadRunning());
    EXPECT_TRUE (tip.hintsEnabled.load());
    EXPECT_TRUE (tip.toggleSuite.button.getToggleState());
    EXPECT_FALSE (tip.toggleSuite.label.isEditable());

    editor.setBounds (0, 0, 560, 200);
    EXPECT_EQ (tip.toggleSuite.button.getBounds(), juce::Rectangle<int> (4, 4, 14, 14));
    EXPECT_EQ (tip.toggleSuite.label.getBounds(), juce::Rectangle<int> (22, 0, 518, 22));
}

TEST_F (TipDisplayTest, ShowsTheDefaultTextAndHelpTextsOfTheComponentUnderTheMouse)
{
    OnScreen screen (editor, { 0, 0, 560, 200 });

    screen.moveTo ({ 500, 100 }); // the editor's own background
    hintBecomes (defaultText);

    screen.moveTo (screen.centreOf (editor.suite.slider));
    hintBecomes (sliderHelp);

    screen.moveTo (screen.centreOf (editor.plain)); // no help text of its own
    hintBecomes (defaultText);

    screen.moveTo (screen.centreOf (editor.suite.label)); // the label carries the same text
    hintBecomes (sliderHelp);
}

TEST_F (TipDisplayTest, SwitchingOffShowsTheOffTextAtOnceAndOnAgainFollowsTheMouse)
{
    OnScreen screen (editor, { 0, 0, 560, 200 });
    auto& tip = editor.tip;

    screen.moveTo (screen.centreOf (editor.suite.slider));
    hintBecomes (sliderHelp);

    // A click on the box switches hints off; the line says so at once.
    screen.click (screen.centreOf (tip.toggleSuite.button));
    EXPECT_FALSE (tip.toggleSuite.button.getToggleState());
    EXPECT_FALSE (tip.hintsEnabled.load());
    EXPECT_EQ (tip.getHintText(), offText);

    // It stays so while the mouse moves over components with help texts.
    screen.moveTo (screen.centreOf (editor.suite.slider));
    pumpFor (3 * tarn_gui::TipDisplayComponent::periodMs);
    EXPECT_EQ (tip.getHintText(), offText);
    EXPECT_TRUE (tip.isThreadRunning());

    // Switched on again, the line follows the mouse within a few periods.
    tip.toggleSuite.button.triggerClick();
    EXPECT_TRUE (pumpUntil ([&] { return tip.hintsEnabled.load(); }));
    hintBecomes (sliderHelp);
}

TEST_F (TipDisplayTest, SwitchingOffWhileTheThreadWaitsForTheLockKeepsTheOffText)
{
    OnScreen screen (editor, { 0, 0, 560, 200 });
    screen.moveTo (screen.centreOf (editor.suite.slider));
    hintBecomes (sliderHelp);

    // With no message loop running, the thread, which saw hints on, waits for the lock...
    juce::Thread::sleep (3 * tarn_gui::TipDisplayComponent::periodMs);
    // ...while the user switches hints off.
    editor.tip.toggleSuite.button.setToggleState (false, juce::sendNotificationSync);
    EXPECT_EQ (editor.tip.getHintText(), offText);

    // Once it has the lock it must not write the hint over the "off" text.
    pumpFor (3 * tarn_gui::TipDisplayComponent::periodMs);
    EXPECT_EQ (editor.tip.getHintText(), offText);
}

TEST_F (TipDisplayTest, HeldMouseButtonShowsTheDefaultText)
{
    OnScreen screen (editor, { 0, 0, 560, 200 });
    const auto onSlider = screen.centreOf (editor.suite.slider);

    screen.moveTo (onSlider);
    hintBecomes (sliderHelp);

    screen.press (onSlider);
    hintBecomes (defaultText);
    pumpFor (2 * tarn_gui::TipDisplayComponent::periodMs);
    EXPECT_EQ (editor.tip.getHintText(), defaultText);

    screen.release (onSlider);
    hintBecomes (sliderHelp);
}

TEST_F (TipDisplayTest, ComponentsBehindAModalComponentShowTheDefaultText)
{
    OnScreen screen (editor, { 0, 0, 560, 200 });
    const auto onSlider = screen.centreOf (editor.suite.slider);
    screen.moveTo (onSlider);
    hintBecomes (sliderHelp);

    juce::Component dialog;
    dialog.setBounds (700, 300, 100, 100);
    dialog.addToDesktop (0);
    dialog.setVisible (true);
    dialog.enterModalState (false);
    screen.moveTo (onSlider.translated (1, 0));
    hintBecomes (defaultText);

    dialog.exitModalState (0);
    dialog.removeFromDesktop();
    screen.moveTo (onSlider);
    hintBecomes (sliderHelp);
}

TEST_F (TipDisplayTest, DestructionWhileTheThreadWaitsForTheLockEndsItWithoutTouchingTheLine)
{
    auto tip = std::make_unique<tarn_gui::TipDisplayComponent> (laf);

    // This (message) thread runs no message loop here, so the hint thread's request for the
    // message manager lock stays unanswered: it is waiting, and has written nothing without the lock.
    juce::Thread::sleep (3 * tarn_gui::TipDisplayComponent::periodMs);
    ASSERT_TRUE (tip->isThreadRunning());
    EXPECT_TRUE (tip->getHintText().isEmpty());

    // Destroying it stops the thread, which gives up waiting. Were the stop to deadlock, it would
    // run into its 1000 ms timeout and kill the thread; an orderly exit is far quicker than that.
    const auto start = juce::Time::getMillisecondCounterHiRes();
    tip.reset();
    EXPECT_LT (juce::Time::getMillisecondCounterHiRes() - start, 900.0);

    // The abandoned lock request is delivered late and does no harm.
    pumpFor (200);
}
