#pragma once

#include <tarn_gui/tarn_gui.h>

// The strip between the title and the control panels: undo, redo, the preset browser, the
// previous/next arrows, reload, reset to default and random preset, from left to right. The bar
// only owns and places them; the five icon buttons report their clicks to the editor, and the
// arrows act on the browser themselves.
struct ControlBar : public juce::Component
{
    ControlBar (tarn_gui::LookAndFeel& lookAndFeel, tarn_gui::PresetManager& presetManager,
                juce::Button::Listener* buttonListener, const juce::URL& presetsPage);

    void resized() override;

    tarn_gui::LookAndFeel& lookAndFeel;
    tarn_gui::PresetComponent presetComponent;
    tarn_gui::PresetScroller presetScroller;
    tarn_gui::IconButton undoButton;
    tarn_gui::IconButton redoButton;
    tarn_gui::IconButton reloadButton;
    tarn_gui::IconButton newButton;
    tarn_gui::IconButton randomPresetButton;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (ControlBar)
};
