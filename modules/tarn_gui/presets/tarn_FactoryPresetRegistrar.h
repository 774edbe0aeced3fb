#pragma once

namespace tarn_gui
{
// Hands a table of factory presets to a preset manager. Give it the presets in table order;
// consecutive presets of one group form that group. Each group is added right after its
// presets; a category ("Bass" for "Bass//Guitar" and "Bass//Synth") right after its last group;
// at finish() the root "Root" with the categories and the plain groups in the order they first
// appeared.
class FactoryPresetRegistrar
{
public:
    explicit FactoryPresetRegistrar (PresetManager& manager);

    void add (const juce::String& group, const juce::String& name, const void* data, int size);
    void finish();

    // Any table of records with the fields group, name, data and size.
    template <typename Record>
    static void registerAll (PresetManager& manager, const Record* records, int numRecords)
    {
        FactoryPresetRegistrar registrar (manager);

        for (int i = 0; i < numRecords; ++i)
            registrar.add (records[i].group, records[i].name, records[i].data, records[i].size);

        registrar.finish();
    }

    static juce::String categoryOf (const juce::String& groupName);

private:
    void flushGroup();
    void flushCategory();

    PresetManager& manager;
    juce::String currentGroup, currentCategory;
    juce::Array<PresetManager::FactoryPreset*> groupPresets;
    juce::Array<PresetManager::FactoryGroup*> categoryGroups, rootChildren;
    bool finished = false;
};
} // namespace tarn_gui
