namespace tarn_gui
{
void encodePresetData (juce::MemoryBlock& data)
{
    juce::BigInteger number;
    number.loadFromMemoryBlock (data);
    number.shiftBits (PresetManager::PresetLoader::encodingShift, 0);
    data = number.toMemoryBlock();
}

void decodePresetData (juce::MemoryBlock& data)
{
    juce::BigInteger number;
    number.loadFromMemoryBlock (data);
    number.shiftBits (-PresetManager::PresetLoader::encodingShift, 0);
    data = number.toMemoryBlock();
}

namespace
{
    juce::String lastPathElement (const juce::String& path)
    {
        auto separator = path.lastIndexOfChar ('/');
#if JUCE_WINDOWS
        separator = juce::jmax (separator, path.lastIndexOfChar ('\\'));
#endif
        return path.substring (separator + 1);
    }
} // namespace

juce::String fileStemFromPath (const juce::String& path)
{
    auto name = lastPathElement (path);
    auto dot = name.lastIndexOfChar ('.');
    return dot > 0 ? name.substring (0, dot) : name;
}

juce::String displayNameFromPath (const juce::String& path)
{
    auto name = fileStemFromPath (path).replaceCharacter ('_', ' ');
    return name.substring (0, 1).toUpperCase() + name.substring (1);
}

namespace
{
    template <typename Attempt>
    bool retry (Attempt&& attempt)
    {
        constexpr int attempts = 5;
        constexpr juce::uint32 pauseMs = 100;

        for (int i = 0; i < attempts; ++i)
        {
            if (auto* thread = juce::Thread::getCurrentThread())
                if (thread->threadShouldExit())
                    return false;

            if (attempt())
                return true;

            if (i + 1 < attempts)
            {
                auto start = juce::Time::getMillisecondCounter();

                while (juce::Time::getMillisecondCounter() - start < pauseMs)
                    juce::Thread::sleep (10);
            }
        }

        return false;
    }
} // namespace

bool createFileWithRetries (const juce::File& file)
{
    if (file.getFullPathName().isEmpty())
        return false;

    return retry ([&] { return file.create().wasOk(); });
}

bool createDirectoryWithRetries (const juce::File& folder)
{
    if (folder.getFullPathName().isEmpty())
        return false;

    return retry ([&] { return folder.createDirectory().wasOk(); });
}

juce::File locateUserPresetFolder (const juce::String& companyName, const juce::String& pluginName)
{
    using Location = juce::File::SpecialLocationType;

    const juce::String relative = "/" + companyName + "/" + pluginName.replaceCharacter (' ', '_');

    const Location searched[] = {
        juce::File::globalApplicationsDirectory, juce::File::commonApplicationDataDirectory,
        juce::File::commonDocumentsDirectory,    juce::File::userApplicationDataDirectory,
        juce::File::userDocumentsDirectory,      juce::File::userHomeDirectory
    };

#if JUCE_LINUX || JUCE_BSD
    // On Linux the global and common locations are /usr and /opt: a folder that an installer
    // put there is used, but nothing is ever created there.
    const Location creatable[] = { juce::File::userApplicationDataDirectory,
                                   juce::File::userDocumentsDirectory, juce::File::userHomeDirectory };
    const auto mayCreateIn = [&] (Location location)
    { return std::find (std::begin (creatable), std::end (creatable), location) != std::end (creatable); };
#else
    const auto& creatable = searched;
    const auto mayCreateIn = [] (Location) { return true; };
#endif

    const auto baseFolderIn = [&] (Location location)
    {
        auto locationFolder = juce::File::getSpecialLocation (location);

        if (locationFolder.getFullPathName().isEmpty())
            return juce::File();

        return juce::File (locationFolder.getFullPathName() + relative);
    };

    for (auto location : searched)
    {
        auto base = baseFolderIn (location);

        if (!base.isDirectory())
            continue;

        auto presets = base.getChildFile ("Presets");

        if (presets.isDirectory())
            return presets;

        if (mayCreateIn (location) && createDirectoryWithRetries (presets))
            return presets;
    }

    for (auto location : creatable)
    {
        auto base = baseFolderIn (location);

        if (base.getFullPathName().isEmpty() || !createDirectoryWithRetries (base))
            continue;

        auto presets = base.getChildFile ("Presets");

        if (createDirectoryWithRetries (presets))
            return presets;
    }

    return {};
}
} // namespace tarn_gui
