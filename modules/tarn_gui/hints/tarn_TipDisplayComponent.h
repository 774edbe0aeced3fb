#pragma once

#include <atomic>

namespace tarn_gui
{
// The one-line hint bar: shows the help text (juce::Component::setHelpText) of the component
// under the mouse, written by its own "TipDisplayThread" about every 160 ms. A box toggle at its
// left switches hints off and on; the switch is not saved and starts on.
//
// The thread touches components only while it holds the message manager lock, and gives up
// waiting for that lock as soon as it is asked to exit, so closing never deadlocks.
struct TipDisplayComponent
    : public juce::Component
    , public juce::Thread
    , public juce::Button::Listener
{
    explicit TipDisplayComponent (LookAndFeel& laf);
    ~TipDisplayComponent() override;

    void resized() override;
    void run() override;
    void buttonClicked (juce::Button* button) override;
    void buttonStateChanged (juce::Button*) override {}

    // The text the line shows now.
    juce::String getHintText() const
    {
        return toggleSuite.label.getText();
    }

    static constexpr const char* defaultText = "Toggle button to disable hints.";
    static constexpr const char* hintsOffText = "Component Hints: Off";
    static constexpr int periodMs = 160;

    juce::Desktop& desktop;
    std::atomic<bool> hintsEnabled{ true };
    ToggleButtonSuite toggleSuite;

private:
    // Called by the hint thread with the message manager locked.
    void showHintForComponentUnderMouse();

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (TipDisplayComponent)
};
} // namespace tarn_gui
