namespace tarn_gui
{
//==============================================================================
void LabeledSuite::registerComponents (std::map<juce::Component*, LabeledSuite*>&) {}

void LabeledSuite::addKeyListener (juce::KeyListener*) {}

void LabeledSuite::attach (juce::AudioProcessorValueTreeState& tree, const juce::String& parameterID,
                           UserValueUpdater*, float)
{
    createAttachment (tree, parameterID);
}

void LabeledSuite::createAttachment (juce::AudioProcessorValueTreeState&, const juce::String&) {}

void LabeledSuite::nudge (int) {}

void LabeledSuite::setRoundedBounds (juce::Component& component, juce::Rectangle<float> rect)
{
    component.setBounds (juce::roundToInt (rect.getX()), juce::roundToInt (rect.getY()),
                         juce::roundToInt (rect.getWidth()), juce::roundToInt (rect.getHeight()));
}

//==============================================================================
SliderSuite::SliderSuite (LookAndFeel& laf, juce::Slider::SliderStyle style)
    : label (laf)
    , slider (style, juce::Slider::NoTextBox)
{
    if (&slider.getLookAndFeel() != &laf)
        slider.setLookAndFeel (&laf);
}

bool SliderSuite::ownsComponent (juce::Component* component)
{
    return component == &slider || component == &label;
}

void SliderSuite::registerComponents (std::map<juce::Component*, LabeledSuite*>& map)
{
    map.emplace (&slider, this);
    map.emplace (&label, this);
}

void SliderSuite::addKeyListener (juce::KeyListener* listener)
{
    slider.addKeyListener (listener);
    label.addKeyListener (listener);
}

void SliderSuite::createAttachment (juce::AudioProcessorValueTreeState& tree, const juce::String& id)
{
    attachment = std::make_unique<juce::AudioProcessorValueTreeState::SliderAttachment> (tree, id, slider);
}

void SliderSuite::attach (juce::AudioProcessorValueTreeState& tree, const juce::String& id,
                          UserValueUpdater* updater, float newStep)
{
    createAttachment (tree, id);
    parameterID = id;
    userValueUpdater = updater;

    // A click elsewhere while editing throws the typed text away.
    label.setEditable (true, false, true);
    label.removeListener (this);
    label.addListener (this);

    if (newStep != 0.0f)
    {
        slider.setWantsKeyboardFocus (true);
        step = newStep;
    }
}

float SliderSuite::parseTypedValue (const juce::String& text)
{
    const auto valueText = text.contains (": ") ? text.fromFirstOccurrenceOf (": ", false, false) : text;
    return (float) valueText.getDoubleValue();
}

void SliderSuite::labelTextChanged (juce::Label* labelThatHasChanged)
{
    if (userValueUpdater == nullptr || labelThatHasChanged != &label)
        return;

    const auto value = parseTypedValue (label.getText());

    // Not a number, or beyond every range: nothing is applied, and the label goes back to the
    // text it showed before the edit.
    if (!std::isfinite (value))
    {
        label.setText (displayedText, juce::dontSendNotification);
        return;
    }

    // The label keeps the typed text until the processor reports the new display text.
    userValueUpdater->updateUserValue (parameterID, value);
}

void SliderSuite::nudge (int direction)
{
    if (userValueUpdater == nullptr || direction == 0)
        return;

    auto value = (float) direction * step + (float) slider.getValue();
    if (direction < 0)
        value = juce::jmax (value, (float) slider.getMinimum());
    else
        value = juce::jmin (value, (float) slider.getMaximum());

    userValueUpdater->updateUserValue (parameterID, value);
}

void SliderSuite::addToParent (juce::Component& parent)
{
    parent.addAndMakeVisible (label);
    parent.addAndMakeVisible (slider);
}

void SliderSuite::setSuiteBounds (juce::Array<juce::Rectangle<float>> rects)
{
    if (rects.size() > 0)
        setRoundedBounds (slider, rects.getReference (0));
    if (rects.size() > 1)
        setRoundedBounds (label, rects.getReference (1));
}

void SliderSuite::setLabelText (const juce::String& text)
{
    displayedText = text;
    label.setText (text, juce::dontSendNotification);
}

void SliderSuite::setEnabled (bool shouldBeEnabled)
{
    slider.setEnabled (shouldBeEnabled);
    label.setEnabled (shouldBeEnabled);
}

void SliderSuite::setVisible (bool shouldBeVisible)
{
    slider.setVisible (shouldBeVisible);
    label.setVisible (shouldBeVisible);
}

void SliderSuite::setHelpText (const juce::String& helpText)
{
    slider.setHelpText (helpText);
    label.setHelpText (helpText);
}

//==============================================================================
ToggleButtonSuite::ToggleButtonSuite (LookAndFeel& laf)
    : label (laf)
    , button (laf)
{
}

bool ToggleButtonSuite::ownsComponent (juce::Component* component)
{
    return component == &button || component == &label;
}

void ToggleButtonSuite::registerComponents (std::map<juce::Component*, LabeledSuite*>& map)
{
    map.emplace (&button, this);
    map.emplace (&label, this);
}

void ToggleButtonSuite::addKeyListener (juce::KeyListener* listener)
{
    button.addKeyListener (listener);
    label.addKeyListener (listener);
}

void ToggleButtonSuite::createAttachment (juce::AudioProcessorValueTreeState& tree, const juce::String& id)
{
    attachment = std::make_unique<juce::AudioProcessorValueTreeState::ButtonAttachment> (tree, id, button);
}

void ToggleButtonSuite::attach (juce::AudioProcessorValueTreeState& tree, const juce::String& id,
                                UserValueUpdater* updater, float newStep)
{
    createAttachment (tree, id);
    parameterID = id;
    userValueUpdater = updater;

    if (newStep != 0.0f)
    {
        button.setWantsKeyboardFocus (true);
        step = newStep;
    }
}

void ToggleButtonSuite::nudge (int direction)
{
    if (userValueUpdater == nullptr || direction == 0)
        return;

    // Any arrow flips the setting.
    userValueUpdater->updateUserValue (parameterID, button.getToggleState() ? 0.0f : 1.0f);
}

void ToggleButtonSuite::addToParent (juce::Component& parent)
{
    parent.addAndMakeVisible (label);
    parent.addAndMakeVisible (button);
}

void ToggleButtonSuite::setSuiteBounds (juce::Array<juce::Rectangle<float>> rects)
{
    if (rects.size() > 0)
        setRoundedBounds (button, rects.getReference (0));
    if (rects.size() > 1)
        setRoundedBounds (label, rects.getReference (1));
}

void ToggleButtonSuite::setLabelText (const juce::String& text)
{
    label.setText (text, juce::dontSendNotification);
}

void ToggleButtonSuite::setEnabled (bool shouldBeEnabled)
{
    button.setEnabled (shouldBeEnabled);
    label.setEnabled (shouldBeEnabled);
}

void ToggleButtonSuite::setVisible (bool shouldBeVisible)
{
    button.setVisible (shouldBeVisible);
    label.setVisible (shouldBeVisible);
}

void ToggleButtonSuite::setHelpText (const juce::String& helpText)
{
    button.setHelpText (helpText);
    label.setHelpText (helpText);
}

//==============================================================================
IndicatorLightSuite::IndicatorLightSuite (LookAndFeel& laf)
    : label (laf)
{
    light.offColour = laf.textColour;
    light.colours = { laf.primaryColour, laf.secondaryColour };
    light.setState (-1);
}

bool IndicatorLightSuite::ownsComponent (juce::Component* component)
{
    return component == &light || component == &label;
}

void IndicatorLightSuite::registerComponents (std::map<juce::Component*, LabeledSuite*>& map)
{
    map.emplace (&light, this);
    map.emplace (&label, this);
}

void IndicatorLightSuite::addToParent (juce::Component& parent)
{
    parent.addAndMakeVisible (light);
    parent.addAndMakeVisible (label);
}

void IndicatorLightSuite::setSuiteBounds (juce::Array<juce::Rectangle<float>> rects)
{
    if (rects.size() > 0)
        setRoundedBounds (light, rects.getReference (0));
    if (rects.size() > 1)
        setRoundedBounds (label, rects.getReference (1));
}

void IndicatorLightSuite::setLabelText (const juce::String& text)
{
    label.setText (text, juce::dontSendNotification);
}

void IndicatorLightSuite::setEnabled (bool shouldBeEnabled)
{
    light.setEnabled (shouldBeEnabled);
    label.setEnabled (shouldBeEnabled);
}

void IndicatorLightSuite::setVisible (bool shouldBeVisible)
{
    light.setVisible (shouldBeVisible);
    label.setVisible (shouldBeVisible);
}

void IndicatorLightSuite::setHelpText (const juce::String& helpText)
{
    light.setHelpText (helpText);
    label.setHelpText (helpText);
}

//==============================================================================
LabeledSuiteGrid::LabeledSuiteGrid (LookAndFeel& laf, juce::Array<int> kindsToCreate)
    : kinds (std::move (kindsToCreate))
{
    for (int i = 0; i < kinds.size(); ++i)
    {
        if (auto* suite = createSuite (laf, kinds.getUnchecked (i)))
        {
            suites.add (suite);
            cellOfSuite.add (i);
            suite->addToParent (*this);
        }
    }
}

LabeledSuite* LabeledSuiteGrid::createSuite (LookAndFeel& laf, int kind)
{
    switch (kind)
    {
        case rotarySlider:
            return rotarySliders.add (new SliderSuite (laf, juce::Slider::RotaryHorizontalVerticalDrag));
        case toggle:
            return toggles.add (new ToggleButtonSuite (laf));
        case verticalSlider:
            return verticalSliders.add (new SliderSuite (laf, juce::Slider::LinearVertical));
        case horizontalSlider:
            return horizontalSliders.add (new SliderSuite (laf, juce::Slider::LinearHorizontal));
        case indicatorLight:
            return lights.add (new IndicatorLightSuite (laf));
        default:
            jassertfalse; // not a SuiteKind: the cell stays empty
            return nullptr;
    }
}

void LabeledSuiteGrid::resized()
{
    if (rows <= 0 || columns <= 0)
        return;

    const auto cellW = (float) getWidth() / (float) columns;
    const auto cellH = (float) getHeight() / (float) rows;

    for (int i = 0; i < suites.size(); ++i)
    {
        const auto cell = cellOfSuite.getUnchecked (i);
        const auto kind = kinds[cell];
        const auto cellX = (float) (cell % columns) * cellW;
        const auto cellY = (float) (cell / columns) * cellH;

        juce::Rectangle<float> control, text;
        switch (kind)
        {
            case rotarySlider:
            case toggle:
            case indicatorLight:
            {
                // A c x c control centred in the s x s square at the cell's top-left.
                const auto s = juce::jmin (cellW, cellH);
                const auto c = kind == rotarySlider ? rotarySize : (kind == toggle ? toggleSize : lightSize);
                const auto size = juce::jmax (c, 0.0f);
                control = { cellX + (s - c) / 2.0f, cellY + (s - c) / 2.0f, size, size };
                text = { cellX + s, cellY, cellW - s, s };
                break;
            }
            case horizontalSlider:
                control = { cellX, cellY, sliderWidth, sliderHeight };
                text = { cellX + sliderWidth, cellY, cellW - sliderWidth, sliderHeight };
                break;
            case verticalSlider:
            default:
            {
                // A column sliderHeight wide down the cell's left side, the label in one line
                // beside it.
                const auto w = juce::jmin (sliderHeight, cellW);
                control = { cellX, cellY, w, cellH };
                text = { cellX + w, cellY, cellW - w, juce::jmin (cellH, sliderHeight) };
                break;
            }
        }

        suites.getUnchecked (i)->setSuiteBounds ({ control, text });
    }
}
} // namespace tarn_gui
