#pragma once

// A stand-in for the plug-in's processor as the preset system sees it: a juce::AudioProcessor with
// the plug-in's eleven parameters in a parameter tree with its own undo manager, the PresetLoader
// base with the three state operations written the way the plug-in writes them, a preset manager
// and the factory presets. No engine, no window.

#include <FactoryPresetData.h>
#include <PresetTable.h>
#include <tarn_gui/tarn_gui.h>

namespace kaleidra::test
{
class FakePresetProcessor
    : public presets::ParameterOnlyProcessor
    , public tarn_gui::PresetManager::PresetLoader
    , private juce::AudioProcessorValueTreeState::Listener
{
public:
    // With registerFactory false the manager gets no factory presets (for tests of an empty
    // manager). presetFolder defaults to the located user preset folder.
    explicit FakePresetProcessor (bool registerFactory = true, juce::File presetFolder = locateFolder())
        : tree (*this, &undoManager, presets::stateType(), presets::createReferenceParameterLayout())
        , presetManager (this, "Kd11", presetFolder)
    {
        setUndoManager (&undoManager);
        presets::sortParameterChildren (tree.state);

        for (const auto& id : presets::parameterIDs())
            tree.addParameterListener (id, this);

        if (registerFactory)
            tarn_gui::FactoryPresetRegistrar::registerAll (presetManager, factoryPresetData,
                                                           numFactoryPresetData);

        presetManager.setUserRoot (presetFolder);

        if (!stateLoaded)
            resetToDefaults();

        undoManager.clearUndoHistory();
    }

    ~FakePresetProcessor() override
    {
        for (const auto& id : presets::parameterIDs())
            tree.removeParameterListener (id, this);
    }

    static juce::File locateFolder()
    {
        return tarn_gui::locateUserPresetFolder ("Tarnlight", "Kaleidra_v1-1");
    }

    //==============================================================================================
    void getState (juce::MemoryBlock& destData, bool includePresetInfo) override
    {
        auto state = tree.copyState();
        presets::addIdentityAttributes (state);

        if (includePresetInfo)
            presetManager.addPresetInfo (state);

        destData.reset();
        copyXmlToBinary (*state.createXml(), destData);
    }

    bool setState (const void* data, int sizeInBytes) override
    {
        if (!tarn_gui::isParsableStateBlob (data, sizeInBytes))
            return false;

        auto xml = getXmlFromBinary (data, sizeInBytes);

        if (xml == nullptr || !xml->getTagName().equalsIgnoreCase (presets::stateType().toString()))
            return false;

        auto newState = tarn_gui::stateTreeFromXml (*xml);

        // Values that are not finite numbers fall back to the parameter's default.
        for (auto child : newState)
            if (child.hasType ("PARAM") && !std::isfinite ((double) child.getProperty ("value")))
                child.removeProperty ("value", nullptr);

        replaceParameterState (tree, newState);
        stateLoaded = true;

        auto name = newState.getProperty ("LoadedPreset").toString();

        if (name.isNotEmpty())
            presetManager.applyLoadedPreset (name,
                                             (bool) newState.getProperty ("LoadedPresetModified", false));

        return true;
    }

    void resetToDefaults() override
    {
        for (const auto& id : presets::parameterIDs())
        {
            auto* parameter = tree.getParameter (id);
            parameter->setValueNotifyingHost (parameter->getDefaultValue());
        }

        setModified (false);
    }

    //==============================================================================================
    float plain (const juce::String& id) const
    {
        auto* parameter = tree.getParameter (id);
        return parameter->convertFrom0to1 (parameter->getValue());
    }

    void setPlain (const juce::String& id, float value)
    {
        auto* parameter = tree.getParameter (id);
        parameter->setValueNotifyingHost (parameter->convertTo0to1 (value));
    }

    std::array<float, presets::numParameters> plainValues() const
    {
        std::array<float, presets::numParameters> values{};

        for (int i = 0; i < presets::numParameters; ++i)
            values[(size_t) i] = plain (presets::parameterIDs()[i]);

        return values;
    }

    juce::MemoryBlock hostState()
    {
        juce::MemoryBlock block;
        getState (block, true);
        return block;
    }

    juce::UndoManager undoManager;
    juce::AudioProcessorValueTreeState tree;
    tarn_gui::PresetManager presetManager;
    bool stateLoaded = false;

private:
    void parameterChanged (const juce::String&, float) override
    {
        setModified (true);
    }
};

// A preset display that records what it is told.
struct RecordingDisplay : tarn_gui::PresetManager::PresetLoader::PresetDisplay
{
    void presetModifiedChanged (bool isModified) override
    {
        modifiedCalls.add (isModified);
        calledOnMessageThread = calledOnMessageThread && juce::MessageManager::existsAndIsCurrentThread();
    }

    void selectNewEntry (juce::NotificationType) override
    {
        ++newEntrySelections;
    }

    juce::Array<bool> modifiedCalls;
    int newEntrySelections = 0;
    bool calledOnMessageThread = true;
};
} // namespace kaleidra::test
