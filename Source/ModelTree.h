#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

#include <array>
#include <utility>

// The vocabulary the plug-in uses to talk about its parameters: IDs, type codes, the layout the
// host sees and the value tree that holds the parameters.

// Type codes decoded from a parameter ID. Other parts of the program pass them around as plain
// integers (label routing, engine texts), so the numbers are fixed.
enum ParameterType
{
    nSegs = 0,
    segSize = 1,
    segMix = 2,
    tone = 3,
    mode = 4,
    none = 5
};

// Number of stages the engine runs; stage numbers in IDs and texts are 1 to numStages.
constexpr int numStages = 3;

// Number of automatable parameters: "Mode", "Tone" and three per stage.
constexpr int numParameters = 2 + 3 * numStages;

// The options of the "Mode" parameter, "Series" then "Parallel".
const juce::StringArray& modeChoices();

// The identifier of the parameter tree's root, the plug-in code "Kd11".
const juce::Identifier& modelTreeType();

// Builds a parameter ID: the base name for types 0 to 4 ("N Segs", "Seg Size", "Seg Mix", "Tone",
// "Mode"; empty for any other type), prefixed with the stage number and "- " when stage >= 0.
juce::String makeParameterID (ParameterType type, int stage);

// Decodes an ID into its type and stage number: (segMix, 3) for "3- Seg Mix", (tone, -1) for
// "Tone", (none, -1) for anything that names no parameter.
std::pair<ParameterType, int> parseParameterID (const juce::String& id);

// The eleven parameter IDs in the order the host lists them: "Mode", "Tone", then per stage
// "N Segs", "Seg Size", "Seg Mix".
const std::array<juce::String, numParameters>& parameterIDsInOrder();

// Position of a parameter in parameterIDsInOrder() from its decoded type and stage, or -1.
int parameterIndex (ParameterType type, int stage) noexcept;

// Converts a plain value of a parameter into its normalised value (Mode: the integer part).
float plainToNormalised (ParameterType type, float plainValue) noexcept;

// True when a plain value lies inside the parameter's closed range (Mode: always).
bool isInPlainRange (ParameterType type, float plainValue) noexcept;

juce::AudioProcessorValueTreeState::ParameterLayout createParameterLayout();

// The parameter tree: the framework's parameter state with an undo manager of its own, so that
// every undoable parameter change and preset load lands in one history.
class ModelTree : public juce::AudioProcessorValueTreeState
{
public:
    ModelTree (juce::AudioProcessor& processor, juce::AudioProcessorValueTreeState::ParameterLayout layout);
    ~ModelTree() override;

    juce::UndoManager& getUndoManager() noexcept
    {
        return undo;
    }

private:
    juce::UndoManager undo;
};

// Registers one listener for all eleven parameters, in the host's order.
void addParameterListeners (ModelTree& tree, juce::AudioProcessorValueTreeState::Listener* listener);
