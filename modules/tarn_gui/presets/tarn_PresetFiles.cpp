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

int stateBlobNestingDepth (const void* data, int sizeInBytes)
{
    constexpr juce::uint32 magic = 0x21324356; // "VC2!"

    if (data == nullptr || sizeInBytes <= 8 || juce::ByteOrder::littleEndianInt (data) != magic)
        return -1;

    const auto declared = (int) juce::ByteOrder::littleEndianInt (static_cast<const char*> (data) + 4);
    const auto* text = static_cast<const char*> (data) + 8;
    const auto length = (size_t) juce::jlimit (0, sizeInBytes - 8, declared);
    const auto* end = text + length;

    const auto skipPast = [end] (const char* from, const char* terminator)
    {
        const auto termLength = (std::ptrdiff_t) std::strlen (terminator);

        for (auto* p = from; end - p >= termLength; ++p)
            if (std::memcmp (p, terminator, (size_t) termLength) == 0)
                return p + termLength;

        return end;
    };

    int depth = 0, deepest = 0;

    for (auto* p = text; p < end;)
    {
        if (*p != '<')
        {
            ++p;
            continue;
        }

        const char next = end - p > 1 ? p[1] : '\0';

        if (next == '!')
        {
            if (end - p >= 4 && std::memcmp (p, "<!--", 4) == 0)
                p = skipPast (p + 4, "-->");
            else if (end - p >= 9 && std::memcmp (p, "<![CDATA[", 9) == 0)
                p = skipPast (p + 9, "]]>");
            else
                p = skipPast (p + 2, ">");

            continue;
        }

        if (next == '?')
        {
            p = skipPast (p + 2, "?>");
            continue;
        }

        const bool closing = next == '/';
        depth += closing ? -1 : 1;
        deepest = juce::jmax (deepest, depth);

        // The rest of the tag; quoted attribute values may hold '>' or "/>".
        char quote = 0;

        for (++p; p < end; ++p)
        {
            if (quote != 0)
            {
                if (*p == quote)
                    quote = 0;
            }
            else if (*p == '"' || *p == '\'')
            {
                quote = *p;
            }
            else if (*p == '>')
            {
                if (!closing && p[-1] == '/')
                    --depth;

                ++p;
                break;
            }
        }
    }

    return deepest;
}

bool isParsableStateBlob (const void* data, int sizeInBytes)
{
    const auto depth = stateBlobNestingDepth (data, sizeInBytes);

    if (depth < 0 || depth > maxStateNesting)
        return false;

    // The parser steps over a UTF-8 sequence by its first byte alone: a lead byte without its
    // continuation bytes right before the end walks it past the end of the text. Overlong forms
    // and surrogates are refused too: the framework decodes them to other characters, so such a
    // text would not save back to itself.
    const auto declared = (int) juce::ByteOrder::littleEndianInt (static_cast<const char*> (data) + 4);
    const auto length = juce::jlimit (0, sizeInBytes - 8, declared);
    return isStrictUtf8 (static_cast<const char*> (data) + 8, length);
}

bool isStrictUtf8 (const char* text, int maxBytes)
{
    const auto* p = reinterpret_cast<const juce::uint8*> (text);
    const auto* const end = p + juce::jmax (0, maxBytes);

    while (p < end && *p != 0)
    {
        const auto lead = *p++;

        if (lead < 0x80)
            continue;

        // The number of continuation bytes and the smallest code point the length may encode.
        int extra = 0;
        juce::uint32 codePoint = 0, smallest = 0;

        if (lead >= 0xc2 && lead <= 0xdf)
        {
            extra = 1;
            codePoint = lead & 0x1fu;
            smallest = 0x80;
        }
        else if (lead >= 0xe0 && lead <= 0xef)
        {
            extra = 2;
            codePoint = lead & 0x0fu;
            smallest = 0x800;
        }
        else if (lead >= 0xf0 && lead <= 0xf4)
        {
            extra = 3;
            codePoint = lead & 0x07u;
            smallest = 0x10000;
        }
        else
        {
            return false; // a continuation byte without a lead, 0xc0, 0xc1 or 0xf5 and above
        }

        if (end - p < extra)
            return false;

        for (int i = 0; i < extra; ++i, ++p)
        {
            if ((*p & 0xc0u) != 0x80u)
                return false;

            codePoint = (codePoint << 6) | (*p & 0x3fu);
        }

        if (codePoint < smallest || codePoint > 0x10ffff || (codePoint >= 0xd800 && codePoint <= 0xdfff))
            return false;
    }

    return true;
}

juce::ValueTree stateTreeFromXml (const juce::XmlElement& xml)
{
    juce::ValueTree tree (xml.getTagName());

    for (int i = 0; i < xml.getNumAttributes(); ++i)
    {
        const juce::Identifier name (xml.getAttributeName (i));

        if (!tree.hasProperty (name))
            tree.setProperty (name, xml.getAttributeValue (i), nullptr);
    }

    for (auto* child : xml.getChildIterator())
        if (!child->isTextElement())
            tree.appendChild (stateTreeFromXml (*child), nullptr);

    return tree;
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
