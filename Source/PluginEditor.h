#pragma once

#include "ControlBar.h"
#include "KaleidraControls.h"
#include "PluginProcessor.h"

#include <map>

// The plug-in's window, 550 x 550 and not resizable: the title links, the control bar, the
// control panels, the hint line and the help links, all drawn with one look-and-feel that the
// editor owns. It binds the controls to the processor's parameters, turns the shortcuts and the
// arrow keys into actions, carries out the clicks of the control bar's icon buttons and of the
// stage lights, and receives the display texts the processor sends for the labels.
//
// Everything runs on the message thread. The editor starts no timer or thread of its own.
class PluginEditor
    : public juce::AudioProcessorEditor
    , public juce::Button::Listener
    , public tarn_gui::LabelUpdater
    , public juce::KeyListener
{
public:
    explicit PluginEditor (PluginProcessor& processor);
    ~PluginEditor() override;

    void paint (juce::Graphics& g) override;
    void resized() override;

    void buttonClicked (juce::Button* button) override;
    bool keyPressed (const juce::KeyPress& key, juce::Component* originatingComponent) override;
    void updateLabel (const juce::String& text, int parameterType, int stage) override;

    static constexpr int editorWidth = 550;
    static constexpr int editorHeight = 550;

    // The suites of stage panel `stage` (1 to 3): the light and the three sliders.
    tarn_gui::IndicatorLightSuite& lightSuite (int stage) const;
    tarn_gui::SliderSuite& sliderSuite (int stage, ParameterType type) const;

    PluginProcessor& pluginProcessor;
    tarn_gui::LookAndFeel lookAndFeel;
    KaleidraControls controls;
    tarn_gui::TitleLabels titleLabels;
    ControlBar controlBar;
    tarn_gui::TipDisplayComponent tipDisplay;
    tarn_gui::HyperlinkLabelRow linkRow;
    std::map<juce::Component*, tarn_gui::LabeledSuite*> keyTargets;

private:
    void bindSuite (tarn_gui::LabeledSuite& suite, ParameterType type, int stage, float step,
                    const juce::String& helpText);
    KaleidraStageControls* stagePanel (int stage) const;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (PluginEditor)
};
