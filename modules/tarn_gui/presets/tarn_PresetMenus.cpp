// The preset records' part of the preset browser's menu.

namespace tarn_gui
{
void PresetManager::FactoryGroup::addToMenu (juce::PopupMenu& menu, juce::StringArray& usedNames) const
{
    for (auto* preset : presets)
    {
        menu.addItem (preset->id, preset->name);
        usedNames.add (preset->name);
    }

    for (auto* group : subgroups)
    {
        juce::PopupMenu submenu;
        group->addToMenu (submenu, usedNames);
        const auto title = group->name.contains ("//")
                               ? group->name.fromFirstOccurrenceOf ("//", false, false)
                               : group->name;
        menu.addSubMenu (title, submenu);
    }
}

void PresetManager::UserFolder::addToMenu (juce::PopupMenu& menu, juce::StringArray& usedNames) const
{
    for (auto* preset : presets)
    {
        if (preset->file.getFullPathName().isEmpty() || !preset->file.existsAsFile())
            continue;

        auto text = preset->displayName;

        for (int n = 2; usedNames.contains (text, true); ++n)
            text = preset->displayName + " (" + juce::String (n) + ")";

        menu.addItem (preset->id, text);
        usedNames.add (text);
    }

    for (auto* folder : subfolders)
    {
        juce::PopupMenu submenu;
        folder->addToMenu (submenu, usedNames);
        menu.addSubMenu (folder->displayName, submenu);
    }
}
} // namespace tarn_gui
