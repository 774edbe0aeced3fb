#pragma once

#include <tarn_gui/tarn_gui.h>

// One stage's panel: the stage light with its label and the stage's three sliders ("N Segs",
// "Seg Size", "Seg Mix") with their value labels, in a grid of four rows inside a rounded outline.
// The three panels are alike; which stage a panel serves is decided by the editor's binding.
struct KaleidraStageControls : public juce::Component
{
    explicit KaleidraStageControls (tarn_gui::LookAndFeel& lookAndFeel);

    void paint (juce::Graphics& g) override;
    void resized() override;

    // The light suite of grid item 0.
    tarn_gui::IndicatorLightSuite& lightSuite() const;

    // Light state 2: the stage was switched off from its light.
    static constexpr int switchedOffByClick = 2;

    juce::Colour panelColour;
    tarn_gui::LabeledSuiteGrid grid;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (KaleidraStageControls)
};

// Every parameter control of the window: the three stage panels, one above the other, and below
// them the global row with the "Mode" toggle and the "Tone" slider.
struct KaleidraControls : public juce::Component
{
    explicit KaleidraControls (tarn_gui::LookAndFeel& lookAndFeel);

    void resized() override;

    tarn_gui::ToggleButtonSuite modeSuite;
    tarn_gui::SliderSuite toneSuite;
    juce::OwnedArray<KaleidraStageControls> stagePanels; // stage 1 first

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (KaleidraControls)
};
