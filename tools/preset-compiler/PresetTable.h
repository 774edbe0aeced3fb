#pragma once

// The factory preset table (Source/presets/factory-presets.csv) and the state blobs made from it.
//
// The blobs must be exactly what the plug-in's getState (..., false) writes for the same parameter
// values, so they are made the way the plug-in makes them: a parameter tree with the plug-in's
// eleven parameters, set through the parameters themselves (which snaps each value to its range
// and step), copied with the identity attributes, written as the framework's binary XML.

#include <juce_audio_processors/juce_audio_processors.h>

#include <array>

namespace kaleidra::presets
{
constexpr int numParameters = 11;

// "Mode", "Tone", then per stage 1..3 "N Segs", "Seg Size", "Seg Mix", as "2- Seg Size".
const juce::StringArray& parameterIDs();

// The plug-in's parameter layout, in that order (ranges, steps and defaults of the plug-in).
juce::AudioProcessorValueTreeState::ParameterLayout createReferenceParameterLayout();

// The framework keeps the parameter children sorted by ID; the plug-in keeps them in layout
// order. Moves the "PARAM" children of a tree into that order (others stay behind them).
void sortParameterChildren (juce::ValueTree& state);

// Sets "CompanyName", "ProductNameWithoutVersion" and "ProductVersion", in that order.
void addIdentityAttributes (juce::ValueTree& state);

// The root type of the plug-in's state tree.
const juce::Identifier& stateType();

// A processor that only carries parameters: everything else is a no-op.
class ParameterOnlyProcessor : public juce::AudioProcessor
{
public:
    ParameterOnlyProcessor();

    const juce::String getName() const override;
    void prepareToPlay (double, int) override;
    void releaseResources() override;
    void processBlock (juce::AudioBuffer<float>&, juce::MidiBuffer&) override;
    double getTailLengthSeconds() const override;
    bool acceptsMidi() const override;
    bool producesMidi() const override;
    bool hasEditor() const override;
    juce::AudioProcessorEditor* createEditor() override;
    int getNumPrograms() override;
    int getCurrentProgram() override;
    void setCurrentProgram (int) override;
    const juce::String getProgramName (int) override;
    void changeProgramName (int, const juce::String&) override;
    void getStateInformation (juce::MemoryBlock&) override;
    void setStateInformation (const void*, int) override;
};

// One row of the table.
struct PresetRow
{
    juce::String group, name;
    std::array<float, numParameters> values{}; // plain values; Mode as 0 (Series) or 1 (Parallel)
    int line = 0;                              // line in the table, for messages
};

// Parses the table. Lines starting with '#' and blank lines are ignored; the first other line
// must be the header "Group,Name,Mode,Tone,1- N Segs,...,3- Seg Mix". Every value is checked
// against its parameter's range and step. Groups must form contiguous runs and names be unique.
juce::Result parsePresetTable (const juce::String& text, juce::Array<PresetRow>& rows);

// The plain state blob (not encoded) that the plug-in's getState (..., false) gives for the row.
juce::MemoryBlock makeStateBlob (const PresetRow& row);

// Reads the parameter values back from a plain state blob; false if it is not one.
bool readStateBlob (const void* data, int size, std::array<float, numParameters>& values);

// The C++ source that defines kaleidra::factoryPresetData from the rows (encoded blobs).
juce::String generateSource (const juce::Array<PresetRow>& rows, const juce::String& tableName);
} // namespace kaleidra::presets
