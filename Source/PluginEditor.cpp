#include "PluginEditor.h"
#include "EditorTexts.h"
#include "WebLinks.h"

namespace
{
constexpr float contentWidth = 540.0f;
constexpr float controlBarBand = 28.0f, controlBarHeight = 22.0f;
constexpr float controlsHeight = 416.0f, gapAboveHint = 6.0f, hintHeight = 22.0f, linkHeight = 22.0f;
constexpr float linkRowMaxWidth = 530.0f;

juce::Rectangle<float> sliceTop (juce::Rectangle<float>& area, float wanted)
{
    return area.removeFromTop (juce::jmin (wanted, area.getHeight()));
}

void place (juce::Component& component, float x, float y, float width, float height)
{
    component.setBounds (juce::roundToInt (x), juce::roundToInt (y), juce::roundToInt (width),
                         juce::roundToInt (height));
}

bool isArrowKey (int keyCode)
{
    return keyCode == juce::KeyPress::leftKey || keyCode == juce::KeyPress::rightKey ||
           keyCode == juce::KeyPress::upKey || keyCode == juce::KeyPress::downKey;
}
} // namespace

//==================================================================================================
PluginEditor::PluginEditor (PluginProcessor& p)
    : juce::AudioProcessorEditor (p)
    , pluginProcessor (p)
    , controls (lookAndFeel)
    , titleLabels ("Tarnlight", juce::URL (webLinks::homePage), "Kaleidra_v1-1-2",
                   juce::URL (webLinks::productPage), lookAndFeel)
    , controlBar (lookAndFeel, p.presetManager, this, juce::URL (webLinks::presetsPage))
    , tipDisplay (lookAndFeel)
    , linkRow (lookAndFeel, { "User Guide", "Get Support" },
               { webLinks::userGuide(), juce::URL (webLinks::supportPage) }, juce::Justification::bottomLeft)
{
    titleLabels.companyLink.setHelpText (helpTexts::companyLink());
    titleLabels.productLink.setHelpText (helpTexts::productLink());
    controlBar.presetComponent.setHelpText (helpTexts::presetBrowser());
    controlBar.presetScroller.leftButton.setHelpText (helpTexts::previousPreset());
    controlBar.presetScroller.rightButton.setHelpText (helpTexts::nextPreset());
    controlBar.undoButton.setHelpText (helpTexts::undo());
    controlBar.redoButton.setHelpText (helpTexts::redo());
    controlBar.reloadButton.setHelpText (helpTexts::reload());
    controlBar.newButton.setHelpText (helpTexts::reset());
    controlBar.randomPresetButton.setHelpText (helpTexts::randomPreset());
    addAndMakeVisible (titleLabels);
    addAndMakeVisible (controlBar);

    bindSuite (controls.modeSuite, mode, -1, 1.0f, helpTexts::mode());
    bindSuite (controls.toneSuite, tone, -1, 1.0f, helpTexts::tone());

    for (int stage = 1; stage <= numStages; ++stage)
    {
        // The light has no parameter: a click switches the stage through the processor.
        auto& light = lightSuite (stage);
        light.setLabelText ("Stage " + juce::String (stage));
        light.setHelpText (helpTexts::forStage (helpTexts::stageLight(), stage));
        light.light.addListener (this);

        bindSuite (sliderSuite (stage, nSegs), nSegs, stage, 1.0f,
                   helpTexts::forStage (helpTexts::segmentCount(), stage));
        bindSuite (sliderSuite (stage, segSize), segSize, stage, 0.2f,
                   helpTexts::forStage (helpTexts::segmentSize(), stage));
        bindSuite (sliderSuite (stage, segMix), segMix, stage, 1.0f,
                   helpTexts::forStage (helpTexts::segmentMix(), stage));
    }

    addAndMakeVisible (controls);
    addAndMakeVisible (tipDisplay);
    addAndMakeVisible (linkRow);
    linkRow.links[0]->setHelpText (helpTexts::userGuide());
    linkRow.links[1]->setHelpText (helpTexts::support());

    addKeyListener (this);

    // From here on the processor sends texts; it sends the whole set at once.
    pluginProcessor.setLabelUpdater (this);

    setSize (editorWidth, editorHeight);
}

PluginEditor::~PluginEditor()
{
    // First of all: no text may reach an editor that is being taken apart.
    pluginProcessor.setLabelUpdater (nullptr);
    removeKeyListener (this);
}

void PluginEditor::bindSuite (tarn_gui::LabeledSuite& suite, ParameterType type, int stage, float step,
                              const juce::String& helpText)
{
    suite.attach (pluginProcessor.getModelTree(), makeParameterID (type, stage), &pluginProcessor, step);
    suite.addKeyListener (this);
    suite.setHelpText (helpText);
    suite.registerComponents (keyTargets);
}

KaleidraStageControls* PluginEditor::stagePanel (int stage) const
{
    return controls.stagePanels[stage - 1];
}

tarn_gui::IndicatorLightSuite& PluginEditor::lightSuite (int stage) const
{
    return stagePanel (stage)->lightSuite();
}

tarn_gui::SliderSuite& PluginEditor::sliderSuite (int stage, ParameterType type) const
{
    // Grid items 1 to 3 are "N Segs", "Seg Size" and "Seg Mix", in the order of their type codes.
    auto* suite = dynamic_cast<tarn_gui::SliderSuite*> (stagePanel (stage)->grid.suites[1 + (int) type]);
    jassert (suite != nullptr);
    return *suite;
}

//==================================================================================================
void PluginEditor::paint (juce::Graphics& g)
{
    g.fillAll (lookAndFeel.backgroundColour);
}

void PluginEditor::resized()
{
    const auto width = (float) getWidth();
    const auto column = juce::jmin (width, contentWidth);
    const auto x = width - column; // flush with the right edge
    auto area = getLocalBounds().toFloat();

    const auto title = sliceTop (area, lookAndFeel.fonts.titleFont.getHeight());
    place (titleLabels, x, title.getY(), column, title.getHeight());

    sliceTop (area, lookAndFeel.fonts.textFont.getHeight()); // free band

    auto barBand = sliceTop (area, controlBarBand);
    const auto bar = barBand.removeFromBottom (juce::jmin (controlBarHeight, barBand.getHeight()));
    place (controlBar, x, bar.getY(), column, bar.getHeight());

    const auto controlsArea = sliceTop (area, controlsHeight);
    place (controls, 0.0f, controlsArea.getY(), width, controlsArea.getHeight());

    sliceTop (area, gapAboveHint);

    const auto hint = sliceTop (area, hintHeight);
    place (tipDisplay, x, hint.getY(), column, hint.getHeight());

    const auto links = sliceTop (area, linkHeight);
    place (linkRow, x, links.getY(), juce::jmin (column, linkRowMaxWidth), links.getHeight());
}

//==================================================================================================
bool PluginEditor::keyPressed (const juce::KeyPress& key, juce::Component*)
{
    if (key == shortcuts::undo())
    {
        controlBar.undoButton.triggerClick();
        return true;
    }

    if (key == shortcuts::redo())
    {
        controlBar.redoButton.triggerClick();
        return true;
    }

    if (key == shortcuts::save())
    {
        // In place when there is a current user preset file; otherwise (or when that write fails)
        // the browser's "Save", which ends in the save dialog.
        if (!pluginProcessor.presetManager.saveCurrentUserPreset())
            controlBar.presetComponent.save();

        return true;
    }

    if (key == shortcuts::reset())
    {
        controlBar.newButton.triggerClick();
        return true;
    }

    if (isArrowKey (key.getKeyCode()) && !key.getModifiers().isAnyModifierKeyDown())
    {
        const auto target = keyTargets.find (juce::Component::getCurrentlyFocusedComponent());

        // Not a bound control: the framework's own handling gets the key.
        if (target == keyTargets.end())
            return false;

        auto* suite = target->second;

        if (suite->step != 0.0f)
        {
            const auto code = key.getKeyCode();
            suite->nudge (code == juce::KeyPress::leftKey || code == juce::KeyPress::downKey ? -1 : 1);
        }

        return true;
    }

    return false;
}

void PluginEditor::buttonClicked (juce::Button* button)
{
    auto& browser = controlBar.presetComponent;
    auto& presets = pluginProcessor.presetManager;
    const auto current = presets.getCurrentId();

    if (button == &controlBar.newButton)
    {
        browser.selectNewEntry (juce::sendNotificationAsync);
    }
    else if (button == &controlBar.undoButton)
    {
        pluginProcessor.getUndoManager().undo();
    }
    else if (button == &controlBar.redoButton)
    {
        pluginProcessor.getUndoManager().redo();
    }
    else if (button == &controlBar.reloadButton)
    {
        if (current >= tarn_gui::PresetManager::firstPresetId)
            browser.setSelectedId (current, juce::sendNotificationAsync);
    }
    else if (button == &controlBar.randomPresetButton)
    {
        const auto next =
            presets.randomPresetId (current >= tarn_gui::PresetManager::firstPresetId ? current : -1);

        if (next >= tarn_gui::PresetManager::firstPresetId)
            browser.setSelectedId (next, juce::sendNotificationAsync);
    }
    else
    {
        for (int stage = 1; stage <= numStages; ++stage)
        {
            auto& light = lightSuite (stage);

            if (light.ownsComponent (button))
            {
                // Switching off delivers the mix text (a ring) synchronously; a stage muted from its
                // light then shows the dimmed colour instead.
                if (pluginProcessor.toggleStage (stage))
                    light.setState (KaleidraStageControls::switchedOffByClick);

                return;
            }
        }
    }
}

//==================================================================================================
void PluginEditor::updateLabel (const juce::String& text, int parameterType, int stage)
{
    switch (parameterType)
    {
        case nSegs:
        case segSize:
        case segMix:
        {
            if (stage < 1 || stage > numStages)
                return;

            sliderSuite (stage, (ParameterType) parameterType).setLabelText (text);

            if (parameterType == segMix)
            {
                // A ring while the stage's mix is on its way to 0, lit otherwise.
                auto& engineStage = *pluginProcessor.getEngine().stages[(size_t) (stage - 1)];
                lightSuite (stage).setState (engineStage.mix.getTargetLocked() == 0.0f ? -1 : 0);
            }
            break;
        }
        case tone:
            controls.toneSuite.setLabelText (text);
            break;
        case mode:
            controls.modeSuite.setLabelText (text);
            break;
        default:
            break;
    }
}
