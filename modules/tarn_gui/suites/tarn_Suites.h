#pragma once

#include <map>

namespace tarn_gui
{
// What a grid cell holds.
enum SuiteKind
{
    rotarySlider = 0,     // SliderSuite, RotaryHorizontalVerticalDrag
    toggle = 1,           // ToggleButtonSuite
    verticalSlider = 2,   // SliderSuite, LinearVertical
    horizontalSlider = 3, // SliderSuite, LinearHorizontal
    indicatorLight = 4    // IndicatorLightSuite
};

// One editable setting: a control and its text label, optionally bound to one parameter of a
// juce::AudioProcessorValueTreeState. Owners handle the two components only through the suite.
// Suites are owned and deleted through their concrete types, never through this base.
struct LabeledSuite
{
    virtual bool ownsComponent (juce::Component* component) = 0;

    // Maps the control and the label to this suite; existing entries are kept.
    virtual void registerComponents (std::map<juce::Component*, LabeledSuite*>& map);
    virtual void addKeyListener (juce::KeyListener* listener);

    // Binds the control to the parameter (through the framework attachment and so the tree's undo
    // manager) and hands typed or stepped values to updater. A non-zero step makes the control
    // take keyboard focus and sets the size of one arrow-key step; a step of 0 leaves it as it was.
    virtual void attach (juce::AudioProcessorValueTreeState& tree, const juce::String& parameterID,
                         UserValueUpdater* updater, float newStep);
    virtual void createAttachment (juce::AudioProcessorValueTreeState& tree, const juce::String& parameterID);

    // One arrow-key step: direction -1 or +1.
    virtual void nudge (int direction);

    virtual void addToParent (juce::Component& parent) = 0;
    // rects[0] is the control, rects[1] the label.
    virtual void setSuiteBounds (juce::Array<juce::Rectangle<float>> rects) = 0;
    virtual void setLabelText (const juce::String& text) = 0;
    virtual void setEnabled (bool shouldBeEnabled) = 0;
    virtual void setVisible (bool shouldBeVisible) = 0;
    virtual void setHelpText (const juce::String& helpText) = 0;

    UserValueUpdater* userValueUpdater = nullptr; // not owned; null until attached
    float step = 0.0f;                            // keyboard step in plain units; 0: arrows change nothing

protected:
    LabeledSuite() = default;
    ~LabeledSuite() = default;

    static void setRoundedBounds (juce::Component& component, juce::Rectangle<float> rect);
};

//==============================================================================
// A slider (no text box) and the label that shows its value. Once attached, a single click on
// the label edits it: the typed number goes to the UserValueUpdater.
struct SliderSuite final
    : public LabeledSuite
    , public juce::Label::Listener
{
    SliderSuite (LookAndFeel& laf, juce::Slider::SliderStyle style);

    bool ownsComponent (juce::Component* component) override;
    void registerComponents (std::map<juce::Component*, LabeledSuite*>& map) override;
    void addKeyListener (juce::KeyListener* listener) override;
    void attach (juce::AudioProcessorValueTreeState& tree, const juce::String& id, UserValueUpdater* updater,
                 float newStep) override;
    void createAttachment (juce::AudioProcessorValueTreeState& tree, const juce::String& id) override;
    void nudge (int direction) override;
    void addToParent (juce::Component& parent) override;
    void setSuiteBounds (juce::Array<juce::Rectangle<float>> rects) override;
    void setLabelText (const juce::String& text) override;
    void setEnabled (bool shouldBeEnabled) override;
    void setVisible (bool shouldBeVisible) override;
    void setHelpText (const juce::String& helpText) override;

    // The user has typed a value into the label.
    void labelTextChanged (juce::Label* labelThatHasChanged) override;

    // The value in a typed text: what follows the first ": " when there is one, else the whole
    // text; its leading number, or 0 when there is none. Not finite for "nan", "inf" or a number
    // beyond the float range.
    static float parseTypedValue (const juce::String& text);

    BasicLabel label;
    juce::Slider slider;
    std::unique_ptr<juce::AudioProcessorValueTreeState::SliderAttachment> attachment;
    juce::String parameterID;

private:
    juce::String displayedText; // the last text set through setLabelText

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (SliderSuite)
};

//==============================================================================
// A box toggle and its label.
struct ToggleButtonSuite final : public LabeledSuite
{
    explicit ToggleButtonSuite (LookAndFeel& laf);

    bool ownsComponent (juce::Component* component) override;
    void registerComponents (std::map<juce::Component*, LabeledSuite*>& map) override;
    void addKeyListener (juce::KeyListener* listener) override;
    void attach (juce::AudioProcessorValueTreeState& tree, const juce::String& id, UserValueUpdater* updater,
                 float newStep) override;
    void createAttachment (juce::AudioProcessorValueTreeState& tree, const juce::String& id) override;
    void nudge (int direction) override;
    void addToParent (juce::Component& parent) override;
    void setSuiteBounds (juce::Array<juce::Rectangle<float>> rects) override;
    void setLabelText (const juce::String& text) override;
    void setEnabled (bool shouldBeEnabled) override;
    void setVisible (bool shouldBeVisible) override;
    void setHelpText (const juce::String& helpText) override;

    BasicLabel label;
    BoxToggleButton button;
    std::unique_ptr<juce::AudioProcessorValueTreeState::ButtonAttachment> attachment;
    juce::String parameterID;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (ToggleButtonSuite)
};

//==============================================================================
// A status light and its label; never bound to a parameter. The light starts off (ring in the
// text colour) with the on-colours {primary, secondary}; owners may append more.
struct IndicatorLightSuite final : public LabeledSuite
{
    explicit IndicatorLightSuite (LookAndFeel& laf);

    bool ownsComponent (juce::Component* component) override;
    void registerComponents (std::map<juce::Component*, LabeledSuite*>& map) override;
    void addToParent (juce::Component& parent) override;
    void setSuiteBounds (juce::Array<juce::Rectangle<float>> rects) override;
    void setLabelText (const juce::String& text) override;
    void setEnabled (bool shouldBeEnabled) override;
    void setVisible (bool shouldBeVisible) override;
    void setHelpText (const juce::String& helpText) override;

    // Sets the light's state (see IndicatorLight).
    bool setState (int newState)
    {
        return light.setState (newState);
    }

    BasicLabel label;
    IndicatorLight light;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (IndicatorLightSuite)
};

//==============================================================================
// Suites laid out in a grid of rows x columns, one per cell in the order of their kinds.
// Square controls (rotary, toggle, light) are centred in a square at the cell's top-left with the
// label to its right; a horizontal slider is sliderWidth x sliderHeight with the label after it.
struct LabeledSuiteGrid : public juce::Component
{
    LabeledSuiteGrid (LookAndFeel& laf, juce::Array<int> kinds);

    void resized() override;

    int rows = 4;
    int columns = 1;
    juce::Array<int> kinds;

    float rotarySize = 0.0f;
    float toggleSize = 0.0f;
    float lightSize = 14.0f;
    float sliderWidth = 250.0f;
    float sliderHeight = 16.0f;

    juce::OwnedArray<SliderSuite> rotarySliders;
    juce::OwnedArray<SliderSuite> horizontalSliders;
    juce::OwnedArray<SliderSuite> verticalSliders;
    juce::OwnedArray<ToggleButtonSuite> toggles;
    juce::OwnedArray<IndicatorLightSuite> lights;

    // Every suite in cell order, not owning. A kind outside 0 to 4 leaves its cell empty and
    // makes no suite.
    juce::Array<LabeledSuite*> suites;

private:
    LabeledSuite* createSuite (LookAndFeel& laf, int kind);

    juce::Array<int> cellOfSuite; // cell index of each entry of suites

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (LabeledSuiteGrid)
};
} // namespace tarn_gui
