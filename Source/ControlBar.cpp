#include "ControlBar.h"

#include <BinaryData.h>

ControlBar::ControlBar (tarn_gui::LookAndFeel& laf, tarn_gui::PresetManager& presetManager,
                        juce::Button::Listener* buttonListener, const juce::URL& presetsPage)
    : lookAndFeel (laf)
    , presetComponent (laf, presetManager, presetsPage)
    , presetScroller (laf, &presetComponent)
    , undoButton (BinaryData::undo_svg, BinaryData::undo_svgSize, laf.secondaryColour, "UndoButton",
                  buttonListener)
    , redoButton (BinaryData::redo_svg, BinaryData::redo_svgSize, laf.secondaryColour, "RedoButton",
                  buttonListener)
    , reloadButton (BinaryData::reload_svg, BinaryData::reload_svgSize, laf.secondaryColour, "ReloadButton",
                    buttonListener)
    , newButton (BinaryData::new_svg, BinaryData::new_svgSize, laf.secondaryColour, "NewButton",
                 buttonListener)
    , randomPresetButton (BinaryData::randomPreset_svg, BinaryData::randomPreset_svgSize, laf.secondaryColour,
                          "RandomPresetButton", buttonListener)
{
    addAndMakeVisible (presetComponent);
    addAndMakeVisible (presetScroller);
    addAndMakeVisible (undoButton);
    addAndMakeVisible (redoButton);
    addAndMakeVisible (reloadButton);
    addAndMakeVisible (newButton);
    addAndMakeVisible (randomPresetButton);
}

void ControlBar::resized()
{
    auto area = getLocalBounds().toFloat();

    // Pieces from the left, each the wanted width or what is left; the rest stays empty.
    const auto take = [&area] (float wanted)
    { return area.removeFromLeft (juce::jmin (wanted, area.getWidth())); };
    const auto place = [&take] (juce::Component& c, float wanted)
    { c.setBounds (take (wanted).toNearestInt()); };
    constexpr float gap = 8.0f, button = 22.0f;

    place (undoButton, button);
    place (redoButton, button);
    take (gap);
    place (presetComponent, 250.0f);
    take (gap);
    place (presetScroller, 36.3f);
    take (gap);
    place (reloadButton, button);
    take (gap);
    place (newButton, button);
    take (gap);
    place (randomPresetButton, button);
}
