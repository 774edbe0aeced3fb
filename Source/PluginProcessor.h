#pragma once

#include "ModelTree.h"

#include <tarn_dsp/tarn_dsp.h>
#include <tarn_gui/tarn_gui.h>

#include <array>
#include <atomic>

// The plug-in's audio processor: owns the parameter tree and the signal engine, carries every
// parameter change into the engine, runs the engine on the audio thread and feeds the editor with
// display texts of the engine's settings.
//
// The host's blocks never reach the engine as they come: a fixed-block feeder hands it chunks of
// a fixed duration, so that the sound and the latency (the three stages' delays plus the feeder's)
// are the same whatever block sizes the host uses. When the host's play head says that playback
// has started, the engine starts afresh, so that every render from one position is the same.
//
// Parameter changes may arrive on the audio thread (host automation). That path never allocates and
// never waits: texts for the editor are noted in pre-allocated atomic flags and delivered on the
// message thread by a timer, coalesced per parameter; the "modified" flag of the PresetLoader base
// is atomic and reaches the preset display on the message thread only.
//
// The preset system sees the processor through its PresetLoader base: the three state operations,
// the modified flag, preset files and undoable preset loads. The processor owns the preset manager
// with the factory presets and the user preset folder.
class PluginProcessor
    : public juce::AudioProcessor
    , public juce::AudioProcessorValueTreeState::Listener
    , public tarn_gui::PresetManager::PresetLoader
    , public tarn_gui::UserValueUpdater
    , private juce::Timer
{
public:
    PluginProcessor();
    ~PluginProcessor() override;

    //==============================================================================
    const juce::String getName() const override;

    void prepareToPlay (double sampleRate, int samplesPerBlock) override;
    void releaseResources() override;
    void processBlock (juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midi) override;
    void processBlockBypassed (juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midi) override;
    void reset() override;

    bool isBusesLayoutSupported (const BusesLayout& layouts) const override;

    double getTailLengthSeconds() const override;
    bool acceptsMidi() const override;
    bool producesMidi() const override;
    bool isMidiEffect() const override;
    bool supportsMPE() const override;
    bool canAddBus (bool isInput) const override;
    bool canRemoveBus (bool isInput) const override;
    bool supportsDoublePrecisionProcessing() const override;
    juce::AudioProcessorParameter* getBypassParameter() const override;

    juce::AudioProcessorEditor* createEditor() override;
    bool hasEditor() const override;

    int getNumPrograms() override;
    int getCurrentProgram() override;
    void setCurrentProgram (int index) override;
    const juce::String getProgramName (int index) override;
    void changeProgramName (int index, const juce::String& newName) override;

    void getStateInformation (juce::MemoryBlock& destData) override;
    void setStateInformation (const void* data, int sizeInBytes) override;

    //==============================================================================
    // State operations, shared by the host's save and restore and the preset system.

    // Writes the state blob ("VC2!", length, XML, 0) into destData, replacing its content; with
    // includePresetInfo the preset manager names the current preset in it.
    void getState (juce::MemoryBlock& destData, bool includePresetInfo) override;

    // Replaces the whole state from a blob; false (and nothing changed) if the blob is not a state
    // of this plug-in. A preset named in the blob becomes the current preset.
    bool setState (const void* data, int sizeInBytes) override;

    // Sets every parameter to its default and clears the modified flag; the current preset stays.
    void resetToDefaults() override;

    //==============================================================================
    // Services for the editor (message thread).

    // Registers the receiver of display texts (null to unregister). A new receiver gets the whole
    // set of texts at once.
    void setLabelUpdater (tarn_gui::LabelUpdater* updater);

    // Sends the display text of one engine setting to the registered receiver.
    void sendLabelText (int parameterType, int stage);

    // Applies a typed or stepped plain value; values outside the range are refused and the current
    // text is sent again.
    void updateUserValue (const juce::String& parameterID, float plainValue) override;

    // Switches a stage (1 to 3) off (returns true) or back on at its last mix (returns false).
    bool toggleStage (int stage);

    //==============================================================================
    void parameterChanged (const juce::String& parameterID, float newValue) override;

    ModelTree& getModelTree() noexcept
    {
        return modelTree;
    }

    juce::UndoManager& getUndoManager() noexcept
    {
        return modelTree.getUndoManager();
    }

    tarn_dsp::KaleidraMultistage<float, 3>& getEngine() noexcept
    {
        return engine;
    }

    // What feeds the engine its fixed-size chunks.
    const tarn_dsp::FixedBlockFeeder& getFeeder() const noexcept
    {
        return feeder;
    }

    // The latency the processor reports once prepared: the engine's delay plus the feeding's.
    int getTotalLatency() const noexcept;

    // The user preset folder this instance scans (empty when none exists and none could be made).
    const juce::File& getUserPresetFolder() const noexcept
    {
        return userPresetFolder;
    }

    // True once a saved state has been applied.
    bool wasStateLoaded() const noexcept
    {
        return stateLoaded;
    }

    // Interval of the message-thread delivery of texts and flag changes.
    static constexpr int deliveryIntervalMs = 20;

private:
    void timerCallback() override;
    bool transportStarted();
    void resetEngine();
    void routeToEngine (ParameterType type, int stage, float value);
    void routeAllParametersToEngine();
    void clearChannelsWithoutInput (juce::AudioBuffer<float>& buffer) const;
    void deliverPendingNotifications();
    static bool setParameterIfChanged (juce::RangedAudioParameter& parameter, float normalised);
    static void sanitiseParameterValues (juce::ValueTree& state, ModelTree& tree);

    ModelTree modelTree;
    std::array<std::atomic<float>, numStages> rememberedMix;
    const juce::File userPresetFolder;

public:
    // Factory and user presets, the current preset and undoable preset loads. The editor's preset
    // browser works on it directly.
    tarn_gui::PresetManager presetManager;

private:
    tarn_gui::LabelUpdater* labelUpdater = nullptr;
    tarn_dsp::KaleidraMultistage<float, 3> engine;
    tarn_dsp::FixedBlockFeeder feeder; // guarded by the engine lock

    bool stateLoaded = false;
    std::atomic<bool> resetPending{ false };
    std::atomic<bool> transportWasPlaying{ false }; // as the play head said in the last block
    int preparedChannels = 0;                       // guarded by the engine lock

    // Notes for the message thread: one flag per parameter, set from any thread and cleared by
    // the timer, so that many changes between two deliveries give one text.
    std::array<std::atomic<bool>, numParameters> labelPending;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (PluginProcessor)
};
