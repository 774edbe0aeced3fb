namespace tarn_gui
{
FactoryPresetRegistrar::FactoryPresetRegistrar (PresetManager& managerToFill)
    : manager (managerToFill)
{
}

juce::String FactoryPresetRegistrar::categoryOf (const juce::String& groupName)
{
    return groupName.contains ("//") ? groupName.upToFirstOccurrenceOf ("//", false, false) : juce::String();
}

void FactoryPresetRegistrar::add (const juce::String& group, const juce::String& name, const void* data,
                                  int size)
{
    jassert (!finished);

    if (group != currentGroup)
    {
        flushGroup();

        if (categoryOf (group) != currentCategory)
            flushCategory();

        currentGroup = group;
        currentCategory = categoryOf (group);
    }

    groupPresets.add (manager.addFactoryPreset (name, data, size));
}

void FactoryPresetRegistrar::flushGroup()
{
    if (groupPresets.isEmpty())
        return;

    auto* group = manager.addFactoryGroup (currentGroup, groupPresets);
    groupPresets.clearQuick();

    if (categoryOf (currentGroup).isNotEmpty())
        categoryGroups.add (group);
    else
        rootChildren.add (group);
}

void FactoryPresetRegistrar::flushCategory()
{
    if (categoryGroups.isEmpty())
        return;

    rootChildren.add (manager.addFactoryFolder (currentCategory, categoryGroups, false));
    categoryGroups.clearQuick();
}

void FactoryPresetRegistrar::finish()
{
    if (finished)
        return;

    flushGroup();
    flushCategory();
    manager.addFactoryFolder ("Root", rootChildren, true);
    finished = true;
}
} // namespace tarn_gui
