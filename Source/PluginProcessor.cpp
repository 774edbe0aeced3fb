#include "PluginProcessor.h"
#include "PluginEditor.h"

#include <FactoryPresetData.h>

#include <cmath>

namespace
{
const juce::String& microsecondsText()
{
    static const juce::String text (juce::CharPointer_UTF8 ("\xc2\xb5s"));
    return text;
}

bool isOnMessageThread() noexcept
{
    return juce::MessageManager::existsAndIsCurrentThread();
}

// Reads a stored "value" text; false when it is no finite number ("nan", "inf", "1e999").
bool readFiniteValue (const juce::var& value, double& result)
{
    const auto text = value.toString().trim().toLowerCase();

    if (text.contains ("nan") || text.contains ("inf"))
        return false;

    result = text.getDoubleValue();
    return std::isfinite (result);
}
} // namespace

//==============================================================================
PluginProcessor::PluginProcessor()
    : juce::AudioProcessor (BusesProperties()
                                .withInput ("Input", juce::AudioChannelSet::stereo(), true)
                                .withOutput ("Output", juce::AudioChannelSet::stereo(), true))
    , modelTree (*this, createParameterLayout())
    , userPresetFolder (tarn_gui::locateUserPresetFolder ("Tarnlight", "Kaleidra_v1-1"))
    , presetManager (this, "Kd11", userPresetFolder)
{
    // Preset loads are steps of the parameter tree's own history.
    setUndoManager (&modelTree.getUndoManager());

    for (auto& flag : labelPending)
        flag.store (false);

    addParameterListeners (modelTree, this);

    for (auto& mix : rememberedMix)
        mix.store (0.75f);

    // The factory presets get their IDs after the user presets the manager found above; then the
    // user folder gets its record (scanned once, or empty when the folder does not exist).
    tarn_gui::FactoryPresetRegistrar::registerAll (presetManager, kaleidra::factoryPresetData,
                                                   kaleidra::numFactoryPresetData);
    presetManager.setUserRoot (userPresetFolder);

    if (!stateLoaded)
        resetToDefaults();

    // The framework reports a parameter to its listeners only when its value changes, and it
    // may already have settled some values (the segment counts) while building the tree, before
    // any listener was registered. Hand the engine every value once.
    routeAllParametersToEngine();

    modelTree.getUndoManager().clearUndoHistory();

    startTimer (deliveryIntervalMs);
}

PluginProcessor::~PluginProcessor()
{
    // Nothing is delivered any more once destruction has begun.
    stopTimer();
    labelUpdater = nullptr;
    setDisplay (nullptr);

    for (const auto& id : parameterIDsInOrder())
        modelTree.removeParameterListener (id, this);
}

//==============================================================================
const juce::String PluginProcessor::getName() const
{
    return "Kaleidra_v1-1";
}

void PluginProcessor::prepareToPlay (double sampleRate, int)
{
    // The engine never sees the host's blocks: the feeder hands it chunks of a fixed duration, so
    // the sound and the latency are the same whatever block sizes the host uses.
    const auto channels = juce::jmax (0, getTotalNumInputChannels());
    const auto quantum = tarn_dsp::FixedBlockFeeder::quantumFor (sampleRate);
    const juce::dsp::ProcessSpec spec{ sampleRate, (juce::uint32) quantum, (juce::uint32) channels };

    // The rate, the sizes and the channel count change together, under the engine lock.
    {
        const juce::SpinLock::ScopedLockType lock (engine.lock);
        engine.sampleRate = (float) sampleRate;
        engine.prepare (spec);
        engine.reset();
        feeder.prepare (channels, quantum);
        preparedChannels = channels;
    }

    transportWasPlaying.store (false);

    // The whole delay: the three stages and the feeding; announced only when it changes.
    const auto latency = getTotalLatency();

    if (latency != getLatencySamples())
        setLatencySamples (latency);
}

int PluginProcessor::getTotalLatency() const noexcept
{
    return engine.getTotalLatency() + feeder.getLatency();
}

void PluginProcessor::releaseResources() {}

bool PluginProcessor::transportStarted()
{
    auto* head = getPlayHead();

    if (head == nullptr)
        return false;

    const auto position = head->getPosition();

    if (!position.hasValue())
        return false;

    const auto playing = position->getIsPlaying();
    const auto wasPlaying = transportWasPlaying.exchange (playing);
    return playing && !wasPlaying;
}

void PluginProcessor::processBlock (juce::AudioBuffer<float>& buffer, juce::MidiBuffer&)
{
    juce::ScopedNoDenormals noDenormals;

    clearChannelsWithoutInput (buffer);
    const auto numSamples = buffer.getNumSamples();

    // Playback (or an offline render) that starts begins from silence, so that every render from
    // one position gives the same output and nothing of the last playback reaches it. A jump
    // while playing (a loop) carries on.
    if (transportStarted() || resetPending.load())
        resetEngine();

    if (buffer.getNumChannels() <= 0 || numSamples <= 0)
        return;

    const juce::SpinLock::ScopedLockType lock (engine.lock);

    // The engine sees the channels it was prepared for, never more.
    const auto channels = juce::jmin (buffer.getNumChannels(), preparedChannels);

    if (channels <= 0)
        return;

    juce::dsp::AudioBlock<float> block (buffer.getArrayOfWritePointers(), (size_t) channels,
                                        (size_t) numSamples);
    feeder.process (block, [this] (juce::dsp::AudioBlock<float>& chunk) { engine.process (chunk, chunk); });
}

void PluginProcessor::processBlockBypassed (juce::AudioBuffer<float>& buffer, juce::MidiBuffer&)
{
    juce::ScopedNoDenormals noDenormals;

    clearChannelsWithoutInput (buffer);
    const auto numSamples = buffer.getNumSamples();

    if (transportStarted())
        resetEngine();

    if (buffer.getNumChannels() > 0 && numSamples > 0)
    {
        const juce::SpinLock::ScopedLockType lock (engine.lock);
        const auto channels = juce::jmin (buffer.getNumChannels(), preparedChannels);

        // The dry input, delayed by exactly the reported latency, so that switching the bypass
        // keeps the track aligned.
        if (channels > 0)
        {
            juce::dsp::AudioBlock<float> block (buffer.getArrayOfWritePointers(), (size_t) channels,
                                                (size_t) numSamples);
            feeder.process (block, [this] (juce::dsp::AudioBlock<float>& chunk)
                            { engine.processBypassed (chunk, chunk); });
        }
    }

    // The stages did not follow the input while bypassed: start them afresh on resume.
    resetPending.store (true);
}

void PluginProcessor::clearChannelsWithoutInput (juce::AudioBuffer<float>& buffer) const
{
    // Output channels that have no input channel behind them carry silence.
    for (auto channel = getTotalNumInputChannels(); channel < buffer.getNumChannels(); ++channel)
        buffer.clear (channel, 0, buffer.getNumSamples());
}

void PluginProcessor::reset()
{
    resetEngine();

    // A host that stops calling the audio callback while its transport is stopped resets first:
    // the next block that plays is a start again.
    transportWasPlaying.store (false);
}

void PluginProcessor::resetEngine()
{
    // Never allocates: it also runs on the audio thread.
    {
        const juce::SpinLock::ScopedLockType lock (engine.lock);
        engine.reset();
        feeder.reset();
    }
    resetPending.store (false);
}

bool PluginProcessor::isBusesLayoutSupported (const BusesLayout& layouts) const
{
    const auto output = layouts.getMainOutputChannelSet();

    if (output != juce::AudioChannelSet::mono() && output != juce::AudioChannelSet::stereo())
        return false;

    return layouts.getMainInputChannelSet() == output;
}

double PluginProcessor::getTailLengthSeconds() const
{
    return 0.0;
}

bool PluginProcessor::acceptsMidi() const
{
    return false;
}

bool PluginProcessor::producesMidi() const
{
    return false;
}

bool PluginProcessor::isMidiEffect() const
{
    return false;
}

bool PluginProcessor::supportsMPE() const
{
    return false;
}

bool PluginProcessor::canAddBus (bool) const
{
    return false;
}

bool PluginProcessor::canRemoveBus (bool) const
{
    return false;
}

bool PluginProcessor::supportsDoublePrecisionProcessing() const
{
    return false;
}

juce::AudioProcessorParameter* PluginProcessor::getBypassParameter() const
{
    return nullptr;
}

juce::AudioProcessorEditor* PluginProcessor::createEditor()
{
    return new PluginEditor (*this);
}

bool PluginProcessor::hasEditor() const
{
    return true;
}

// One program. It carries a name because hosts and validators reject programs without one.
int PluginProcessor::getNumPrograms()
{
    return 1;
}

int PluginProcessor::getCurrentProgram()
{
    return 0;
}

void PluginProcessor::setCurrentProgram (int) {}

const juce::String PluginProcessor::getProgramName (int)
{
    return "Default";
}

void PluginProcessor::changeProgramName (int, const juce::String&) {}

void PluginProcessor::getStateInformation (juce::MemoryBlock& destData)
{
    getState (destData, true);
}

void PluginProcessor::setStateInformation (const void* data, int sizeInBytes)
{
    setState (data, sizeInBytes);
}

//==============================================================================
void PluginProcessor::getState (juce::MemoryBlock& destData, bool includePresetInfo)
{
    auto state = modelTree.copyState();

    state.setProperty ("CompanyName", "Tarnlight", nullptr);
    state.setProperty ("ProductNameWithoutVersion", "Kaleidra", nullptr);
    state.setProperty ("ProductVersion", "1.1.2", nullptr);

    if (includePresetInfo)
        presetManager.addPresetInfo (state);

    destData.reset();

    if (const auto xml = state.createXml())
        copyXmlToBinary (*xml, destData);
}

bool PluginProcessor::setState (const void* data, int sizeInBytes)
{
    // The framework's parser trusts its input more than a host blob or a preset file deserves.
    if (data == nullptr || !tarn_gui::isParsableStateBlob (data, sizeInBytes))
        return false;

    const auto xml = getXmlFromBinary (data, sizeInBytes);

    if (xml == nullptr || !xml->getTagName().equalsIgnoreCase (modelTreeType().toString()))
        return false;

    const auto restored = tarn_gui::stateTreeFromXml (*xml);

    if (!restored.isValid())
        return false;

    // The root always carries the tree's own type, whatever case the blob used.
    juce::ValueTree newState (modelTreeType());
    newState.copyPropertiesAndChildrenFrom (restored, nullptr);
    sanitiseParameterValues (newState, modelTree);

    // Replaces the tree and empties the undo history, also when this runs inside an undo step.
    replaceParameterState (modelTree, newState);
    stateLoaded = true;

    const auto presetName = newState.getProperty ("LoadedPreset").toString();

    if (presetName.isNotEmpty())
        presetManager.applyLoadedPreset (presetName,
                                         (bool) newState.getProperty ("LoadedPresetModified", false));

    return true;
}

void PluginProcessor::resetToDefaults()
{
    for (const auto& id : parameterIDsInOrder())
        if (auto* parameter = modelTree.getParameter (id))
            parameter->setValueNotifyingHost (parameter->getDefaultValue());

    setModified (false);
}

void PluginProcessor::sanitiseParameterValues (juce::ValueTree& state, ModelTree& tree)
{
    static const juce::Identifier idProperty ("id"), valueProperty ("value");

    for (auto child : state)
    {
        if (!child.hasType ("PARAM") || !child.hasProperty (valueProperty))
            continue;

        auto* parameter = tree.getParameter (child.getProperty (idProperty).toString());

        if (parameter == nullptr)
            continue;

        const auto& range = parameter->getNormalisableRange();
        double value = 0.0;

        if (!readFiniteValue (child.getProperty (valueProperty), value))
            child.setProperty (valueProperty, parameter->convertFrom0to1 (parameter->getDefaultValue()),
                               nullptr);
        else if (value < range.start || value > range.end)
            child.setProperty (valueProperty, juce::jlimit ((double) range.start, (double) range.end, value),
                               nullptr);
    }
}

//==============================================================================
void PluginProcessor::parameterChanged (const juce::String& parameterID, float newValue)
{
    const auto [type, stage] = parseParameterID (parameterID);
    const auto index = parameterIndex (type, stage);

    // Unknown IDs change nothing; a value that is no number never reaches the engine.
    if (index < 0 || !std::isfinite (newValue))
        return;

    routeToEngine (type, stage, newValue);

    // The base keeps the flag atomic and tells the preset display on the message thread only.
    setModified (true);

    // On the message thread the text goes out at once; from any other thread only a flag is set,
    // and the timer sends the text with the value current at that time.
    if (isOnMessageThread())
        sendLabelText (type, stage);
    else
        labelPending[(size_t) index].store (true);
}

void PluginProcessor::routeToEngine (ParameterType type, int stage, float value)
{
    // Without the engine lock: atomics, and the ramped holders' own flags.
    auto* stageEngine =
        (stage >= 1 && stage <= numStages) ? engine.stages[(size_t) (stage - 1)].get() : nullptr;

    switch (type)
    {
        case nSegs:
            if (stageEngine != nullptr)
                stageEngine->segmentCount.value.store ((int) value);
            break;
        case segSize:
            if (stageEngine != nullptr)
                stageEngine->segmentSize.setTarget (value);
            break;
        case segMix:
            if (stageEngine != nullptr)
                stageEngine->mix.setTarget (value);
            break;
        case tone:
            for (auto& s : engine.stages)
                s->tone.presence.store (value);
            break;
        case mode:
        {
            const auto modeIndex = (int) value;

            if (engine.mode.index.load() != modeIndex)
                engine.mode.index.store (modeIndex);
            break;
        }
        case none:
        default:
            break;
    }
}

void PluginProcessor::routeAllParametersToEngine()
{
    for (const auto& id : parameterIDsInOrder())
    {
        const auto [type, stage] = parseParameterID (id);
        routeToEngine (type, stage, modelTree.getRawParameterValue (id)->load());
    }
}

void PluginProcessor::timerCallback()
{
    deliverPendingNotifications();
}

void PluginProcessor::deliverPendingNotifications()
{
    const auto& ids = parameterIDsInOrder();

    for (size_t i = 0; i < labelPending.size(); ++i)
    {
        if (labelPending[i].load (std::memory_order_relaxed) && labelPending[i].exchange (false))
        {
            const auto [type, stage] = parseParameterID (ids[i]);
            sendLabelText (type, stage);
        }
    }
}

//==============================================================================
void PluginProcessor::setLabelUpdater (tarn_gui::LabelUpdater* updater)
{
    labelUpdater = updater;

    if (labelUpdater == nullptr)
        return;

    sendLabelText (mode, -1);

    for (int stage = 1; stage <= numStages; ++stage)
        for (auto type : { nSegs, segSize, segMix, tone })
            sendLabelText (type, stage);
}

void PluginProcessor::sendLabelText (int parameterType, int stage)
{
    if (labelUpdater == nullptr)
        return;

    juce::String text;
    auto* stageEngine =
        (stage >= 1 && stage <= numStages) ? engine.stages[(size_t) (stage - 1)].get() : nullptr;

    switch (parameterType)
    {
        case nSegs:
            if (stageEngine != nullptr)
                text = juce::String (stageEngine->segmentCount.toString());
            break;
        case segSize:
            if (stageEngine != nullptr)
                text = juce::String (stageEngine->segmentSize.toString (1))
                           .replace ("<microseconds>", microsecondsText());
            break;
        case segMix:
            if (stageEngine != nullptr)
                text = juce::String (stageEngine->mix.toString (1));
            break;
        case tone:
            // All stages share the presence value.
            text = juce::String (engine.stages[0]->tone.presenceText());
            break;
        case mode:
            text = juce::String (engine.mode.toString());
            break;
        default:
            break;
    }

    labelUpdater->updateLabel (text, parameterType, stage);
}

void PluginProcessor::updateUserValue (const juce::String& parameterID, float plainValue)
{
    const auto [type, stage] = parseParameterID (parameterID);
    auto* parameter = modelTree.getParameter (parameterID);

    if (type == mode && parameter != nullptr && std::isfinite (plainValue))
    {
        // The integer part is the choice index, which for two options is the normalised value.
        parameter->setValueNotifyingHost (std::trunc (plainValue));
        return;
    }

    auto applied = false;

    if (parameter != nullptr && type != none && type != mode && isInPlainRange (type, plainValue))
        applied = setParameterIfChanged (*parameter, plainToNormalised (type, plainValue));

    if (!applied)
        sendLabelText (type, stage);
}

bool PluginProcessor::setParameterIfChanged (juce::RangedAudioParameter& parameter, float normalised)
{
    if (parameter.getValue() == normalised)
        return false;

    parameter.beginChangeGesture();
    parameter.setValueNotifyingHost (normalised);
    parameter.endChangeGesture();
    return true;
}

bool PluginProcessor::toggleStage (int stage)
{
    if (stage < 1 || stage > numStages)
        return false;

    auto* parameter = modelTree.getParameter (makeParameterID (segMix, stage));

    if (parameter == nullptr)
        return false;

    auto& remembered = rememberedMix[(size_t) (stage - 1)];
    const auto current = parameter->getValue();

    if (current > 0.0f)
    {
        remembered.store (current);
        setParameterIfChanged (*parameter, 0.0f);
        return true;
    }

    setParameterIfChanged (*parameter, remembered.load());
    return false;
}

//==============================================================================
juce::AudioProcessor* JUCE_CALLTYPE createPluginFilter()
{
    return new PluginProcessor();
}
