#include "EditorTexts.h"
#include "WebLinks.h"

namespace shortcuts
{
const juce::String& undoDescription()
{
    static const juce::String text ("ctrl+z");
    return text;
}

const juce::String& redoDescription()
{
    static const juce::String text ("ctrl+shift+z");
    return text;
}

const juce::String& saveDescription()
{
    static const juce::String text ("ctrl+s");
    return text;
}

const juce::String& resetDescription()
{
    static const juce::String text ("ctrl+r");
    return text;
}

const juce::KeyPress& undo()
{
    static const auto key = juce::KeyPress::createFromDescription (undoDescription());
    return key;
}

const juce::KeyPress& redo()
{
    static const auto key = juce::KeyPress::createFromDescription (redoDescription());
    return key;
}

const juce::KeyPress& save()
{
    static const auto key = juce::KeyPress::createFromDescription (saveDescription());
    return key;
}

const juce::KeyPress& reset()
{
    static const auto key = juce::KeyPress::createFromDescription (resetDescription());
    return key;
}
} // namespace shortcuts

namespace helpTexts
{
juce::String forStage (const juce::String& text, int stage)
{
    return text.replace (stagePlaceholder, juce::String (stage));
}

#define KALEIDRA_HELP_TEXT(name, expression)                                                                 \
    const juce::String& name()                                                                               \
    {                                                                                                        \
        static const juce::String text (expression);                                                         \
        return text;                                                                                         \
    }

KALEIDRA_HELP_TEXT (companyLink, "Go to " + webLinks::companyDomain())
KALEIDRA_HELP_TEXT (productLink, "Go to Kaleidra main page.")
KALEIDRA_HELP_TEXT (presetBrowser, "Save (" + shortcuts::saveDescription() + ") and load presets.")
KALEIDRA_HELP_TEXT (previousPreset, "Previous preset.")
KALEIDRA_HELP_TEXT (nextPreset, "Next preset.")
KALEIDRA_HELP_TEXT (undo, "Undo action (" + shortcuts::undoDescription() + ").")
KALEIDRA_HELP_TEXT (redo, "Redo action (" + shortcuts::redoDescription() + ").")
KALEIDRA_HELP_TEXT (reload, "Reload current preset.")
KALEIDRA_HELP_TEXT (reset, "Reset to default (" + shortcuts::resetDescription() + ").")
KALEIDRA_HELP_TEXT (randomPreset, "Random preset.")
KALEIDRA_HELP_TEXT (mode, "How stages are ordered.")
KALEIDRA_HELP_TEXT (tone, "Affects high frequency response of wet signal.")
KALEIDRA_HELP_TEXT (stageLight, "Indicates if stage " + juce::String (stagePlaceholder) + " is active.")
KALEIDRA_HELP_TEXT (segmentCount,
                    "Number of segments for stage " + juce::String (stagePlaceholder) + typedValueSuffix)
KALEIDRA_HELP_TEXT (segmentSize,
                    "Segment length for stage " + juce::String (stagePlaceholder) + typedValueSuffix)
KALEIDRA_HELP_TEXT (segmentMix,
                    "Relative mix for stage " + juce::String (stagePlaceholder) + typedValueSuffix)
KALEIDRA_HELP_TEXT (userGuide, "Go to user guide page.")
KALEIDRA_HELP_TEXT (support, "Go to support page.")

#undef KALEIDRA_HELP_TEXT
} // namespace helpTexts
