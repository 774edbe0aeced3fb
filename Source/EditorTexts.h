#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

// The keyboard shortcuts of the window and the help texts that the hint line shows. A help text
// that names a shortcut is built from the same description as the key press itself, so the two
// cannot differ. All of them are made once, on first use.
namespace shortcuts
{
const juce::String& undoDescription();  // "ctrl+z"
const juce::String& redoDescription();  // "ctrl+shift+z"
const juce::String& saveDescription();  // "ctrl+s"
const juce::String& resetDescription(); // "ctrl+r"

const juce::KeyPress& undo();
const juce::KeyPress& redo();
const juce::KeyPress& save();
const juce::KeyPress& reset();
} // namespace shortcuts

namespace helpTexts
{
// Replaced by the stage number in the texts of a stage panel.
inline constexpr const char* stagePlaceholder = "<stage>";

// Ends the texts of the sliders whose labels take typed values.
inline constexpr const char* typedValueSuffix = " (click label to enter value).";

// A stage text with "<stage>" replaced by the stage number.
juce::String forStage (const juce::String& text, int stage);

const juce::String& companyLink(); // "Go to " and the maker's domain
const juce::String& productLink();
const juce::String& presetBrowser();
const juce::String& previousPreset();
const juce::String& nextPreset();
const juce::String& undo();
const juce::String& redo();
const juce::String& reload();
const juce::String& reset();
const juce::String& randomPreset();
const juce::String& mode();
const juce::String& tone();
const juce::String& stageLight();   // with "<stage>"
const juce::String& segmentCount(); // with "<stage>"
const juce::String& segmentSize();  // with "<stage>"
const juce::String& segmentMix();   // with "<stage>"
const juce::String& userGuide();
const juce::String& support();
} // namespace helpTexts
