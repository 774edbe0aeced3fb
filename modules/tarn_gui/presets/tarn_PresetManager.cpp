namespace tarn_gui
{
const juce::String PresetManager::factoryPrefix{ "FactoryPreset:" };

PresetManager::PresetManager (PresetLoader* loaderToUse, const juce::String& pluginCode,
                              const juce::File& presetFolder)
    : loader (loaderToUse)
    , random (std::random_device{}())
{
    auto code = pluginCode.toLowerCase();
    extension = code.startsWithChar ('.') ? code : "." + code;
    packExtension = extension + "_pack";

    if (loader != nullptr)
        loader->presetManager = this;

    if (presetFolder.isDirectory())
        setUserRoot (presetFolder);
}

PresetManager::~PresetManager()
{
    if (loader != nullptr && loader->presetManager == this)
        loader->presetManager = nullptr;
}

//==================================================================================================
PresetManager::FactoryPreset* PresetManager::addFactoryPreset (const juce::String& name, const void* data,
                                                               int size)
{
    auto id = nextId++;
    auto& preset = factoryPresets[id];
    preset.id = id;
    preset.name = name;
    preset.data.replaceAll (data, (size_t) juce::jmax (0, size));
    return &preset;
}

PresetManager::FactoryGroup* PresetManager::addFactoryGroup (const juce::String& name,
                                                             const juce::Array<FactoryPreset*>& presets)
{
    auto [it, inserted] = factoryGroups.try_emplace (name);

    if (inserted)
    {
        it->second.name = name;
        it->second.presets = presets;
        it->second.owner = this;
    }

    return &it->second;
}

PresetManager::FactoryGroup* PresetManager::addFactoryFolder (const juce::String& name,
                                                              const juce::Array<FactoryGroup*>& subgroups,
                                                              bool isRoot)
{
    auto [it, inserted] = factoryGroups.try_emplace (name);

    if (inserted)
    {
        it->second.name = name;
        it->second.subgroups = subgroups;
        it->second.owner = this;
    }

    if (isRoot)
        factoryRoot = &it->second;

    return &it->second;
}

//==================================================================================================
void PresetManager::setUserRoot (const juce::File& folder)
{
    userRoot = getOrCreateUserFolder (folder, 0);
}

PresetManager::UserFolder* PresetManager::getOrCreateUserFolder (const juce::File& folder, int depth)
{
    if (auto* existing = findUserFolder (folder))
        return existing;

    // A folder that was scanned before, vanished and came back keeps its record (and address).
    auto& record = userFolders[folder];
    record.file = folder;
    record.displayName = displayNameFromPath (folder.getFullPathName());
    record.owner = this;
    record.refresh (depth);
    return &record;
}

PresetManager::UserFolder* PresetManager::findUserFolder (const juce::File& folder)
{
    auto it = userFolders.find (folder);

    if (it == userFolders.end() || !folder.isDirectory())
        return nullptr;

    return &it->second;
}

void PresetManager::UserFolder::refresh (int depth)
{
    presets.clearQuick();
    subfolders.clearQuick();

    if (owner == nullptr || file.getFullPathName().isEmpty() || !file.isDirectory())
        return;

    for (const auto& child : file.findChildFiles (juce::File::findFiles, false, "*" + owner->extension,
                                                  juce::File::FollowSymlinks::yes))
        presets.add (owner->registerUserPreset (child));

    if (depth >= 3)
        return;

    for (const auto& child :
         file.findChildFiles (juce::File::findDirectories, false, "*", juce::File::FollowSymlinks::yes))
    {
        auto* sub = owner->findUserFolder (child);

        if (sub == nullptr)
            sub = owner->getOrCreateUserFolder (child, depth + 1); // scans it
        else
            sub->refresh (depth + 1);

        subfolders.add (sub);
    }
}

PresetManager::UserPreset* PresetManager::registerUserPreset (const juce::File& file)
{
    if (auto* existing = findUserPreset (file))
        return existing;

    auto id = nextId++;
    auto& preset = userPresets[id];
    preset.file = file;
    preset.displayName = displayNameFromPath (file.getFullPathName());
    preset.id = id;
    userPresetsByFile[file] = &preset;
    return &preset;
}

PresetManager::UserPreset* PresetManager::findUserPreset (const juce::File& file)
{
    return isRegisteredUserPresetFile (file) ? userPresetsByFile.at (file) : nullptr;
}

bool PresetManager::isRegisteredUserPresetFile (const juce::File& file) const
{
    return userPresetsByFile.count (file) != 0 && file.getFullPathName().isNotEmpty() && file.existsAsFile();
}

bool PresetManager::isUserPresetIdValid (int id) const
{
    auto it = userPresets.find (id);
    return it != userPresets.end() && it->second.file.getFullPathName().isNotEmpty() &&
           it->second.file.existsAsFile();
}

bool PresetManager::isFactoryPresetId (int id) const
{
    return factoryPresets.count (id) != 0;
}

PresetManager::UserPreset& PresetManager::userPresetAt (int id)
{
    return userPresets.at (id);
}

PresetManager::FactoryPreset& PresetManager::factoryPresetAt (int id)
{
    return factoryPresets.at (id);
}

//==================================================================================================
void PresetManager::addPresetInfo (juce::ValueTree& state) const
{
    juce::String name;

    if (currentId > 0)
    {
        if (auto it = factoryPresets.find (currentId); it != factoryPresets.end())
            name = factoryPrefix + it->second.name;
        else if (isUserPresetIdValid (currentId))
            name = userPresets.at (currentId).file.getFullPathName();
    }

    const bool modified = name.isNotEmpty() && loader != nullptr && loader->isModified();
    state.setProperty ("LoadedPreset", name, nullptr);
    state.setProperty ("LoadedPresetModified", modified, nullptr);
}

void PresetManager::applyLoadedPreset (const juce::String& name, bool modified)
{
    if (name.isEmpty())
        return;

    if (name.startsWith (factoryPrefix))
    {
        const auto presetName = name.substring (factoryPrefix.length());
        bool found = false;

        for (const auto& [id, preset] : factoryPresets)
        {
            if (preset.name == presetName)
            {
                currentId = id;
                found = true;
            }
        }

        // Restoring a state moves the parameters, which marks the preset modified; the stored
        // flag says whether it really was.
        if (found && loader != nullptr)
            loader->setModified (modified);

        return;
    }

    // Only absolute paths can name a preset file; anything else in a restored state names nothing.
    auto* preset = juce::File::isAbsolutePath (name) ? findUserPreset (juce::File (name)) : nullptr;

    if (preset == nullptr && juce::File::isAbsolutePath (name) && userRoot != nullptr)
    {
        userRoot->refresh (0);
        preset = findUserPreset (juce::File (name));
    }

    if (preset == nullptr)
    {
        currentUserPreset = nullptr;

        if (loader != nullptr)
            loader->setModified (false);

        currentId = newPresetId;
        return;
    }

    currentUserPreset = preset;
    currentId = preset->id;

    if (loader != nullptr)
        loader->setModified (modified);
}

void PresetManager::setExternalPreset (const juce::File& file)
{
    auto record = std::make_unique<UserPreset>();
    record->file = file;
    record->displayName = displayNameFromPath (file.getFullPathName());
    record->id = noPresetId;
    std::swap (externalPreset, record);
    currentUserPreset = externalPreset.get();

    if (loader != nullptr)
        loader->setModified (false);
}

bool PresetManager::saveCurrentUserPreset()
{
    if (currentUserPreset == nullptr || loader == nullptr)
        return false;

    return loader->savePresetFile (currentUserPreset->file);
}

//==================================================================================================
bool PresetManager::isSelectableId (int id) const
{
    return isFactoryPresetId (id) || isUserPresetIdValid (id);
}

int PresetManager::nextPresetId (int direction) const
{
    if (direction == 0)
        return noPresetId;

    int n = currentId + direction;

    // The walk reaches the range 10 .. nextId - 1 and then visits each ID in it at most once;
    // the bound also ends it when no ID is selectable and the current one lies outside the range.
    const int stepsToRange = juce::jmax (0, firstPresetId - n, n - nextId);

    for (int steps = stepsToRange + nextId - firstPresetId + 2; --steps >= 0;)
    {
        if (isSelectableId (n))
            return n;

        if (direction > 0)
        {
            if (++n >= nextId)
                n = firstPresetId;
        }
        else
        {
            if (n <= firstPresetId)
                n = nextId;

            --n;
        }

        if (n == currentId)
            return noPresetId;
    }

    return noPresetId;
}

int PresetManager::randomPresetId (int excludedId)
{
    std::vector<int> candidates;
    candidates.reserve (factoryPresets.size() + userPresets.size());

    for (const auto& entry : factoryPresets)
        if (entry.first != excludedId)
            candidates.push_back (entry.first);

    for (const auto& entry : userPresets)
        if (entry.first != excludedId && isUserPresetIdValid (entry.first))
            candidates.push_back (entry.first);

    if (candidates.size() < 2)
        return noPresetId;

    std::uniform_int_distribution<int> pick (0, (int) candidates.size() - 1);
    return candidates[(size_t) pick (random)];
}

void PresetManager::seedRandom (unsigned int seed)
{
    random.seed (seed);
}

//==================================================================================================
PresetManager::CurrentPreset PresetManager::getCurrentPreset() const
{
    CurrentPreset current;
    current.id = currentId;
    current.userPreset = currentUserPreset;
    current.userPresetIsExternal = currentUserPreset != nullptr && currentUserPreset == externalPreset.get();
    current.modified = loader != nullptr && loader->isModified();
    current.namedInState =
        currentId > 0 && (isFactoryPresetId (currentId) || isUserPresetIdValid (currentId));
    return current;
}

void PresetManager::restoreCurrentPreset (const CurrentPreset& previous)
{
    currentId = previous.id;

    if (previous.userPresetIsExternal)
        currentUserPreset = externalPreset.get();
    else
        currentUserPreset = previous.userPreset; // records of user presets live as long as the manager

    if (loader != nullptr)
        loader->setModified (previous.modified);
}
} // namespace tarn_gui
