namespace tarn_gui
{
void PresetManager::UserFolder::addToZip (juce::ZipFile::Builder& builder, const juce::File& root) const
{
    constexpr int compressionLevel = 5;

    for (auto* preset : presets)
    {
        const auto name = preset->file.getRelativePathFrom (root);

        // The builder would store a link as a link; a pack carries the preset itself.
        if (preset->file.isSymbolicLink())
            builder.addEntry (new juce::FileInputStream (preset->file), compressionLevel, name,
                              preset->file.getLastModificationTime());
        else
            builder.addFile (preset->file, compressionLevel, name);
    }

    for (auto* sub : subfolders)
        sub->addToZip (builder, root);
}

bool writePresetPack (const PresetManager::UserFolder& folder, const juce::File& target)
{
    juce::ZipFile::Builder builder;
    folder.addToZip (builder, folder.file);

    // Written next to the target and moved over it only when complete, so that a pack that cannot
    // be written (a preset file that cannot be read, a full disk) leaves an older pack intact.
    juce::TemporaryFile temp (target, juce::TemporaryFile::useHiddenFile);

    {
        juce::FileOutputStream out (temp.getFile(), 16384);

        if (!out.openedOk() || !builder.writeToStream (out, nullptr))
            return false;

        out.flush();

        if (!out.getStatus().wasOk())
            return false;
    }

    return temp.overwriteTargetFileWithTemporary();
}

namespace
{
    bool endsWithExtension (const juce::String& name, const juce::String& extension)
    {
        return juce::File::areFileNamesCaseSensitive() ? name.endsWith (extension)
                                                       : name.endsWithIgnoreCase (extension);
    }

    // True if a folder between base (exclusive) and folder (inclusive) that exists is a link.
    bool passesThroughLink (const juce::File& base, juce::File folder)
    {
        while (folder != base && folder.isAChildOf (base))
        {
            if (folder.isSymbolicLink())
                return true;

            folder = folder.getParentDirectory();
        }

        return false;
    }

    // Reads at most limit + 1 bytes, so that an entry that claims to be small but is not is
    // recognised without inflating it whole.
    bool readEntry (juce::InputStream& in, juce::MemoryBlock& dest, juce::int64 limit)
    {
        juce::MemoryOutputStream out (dest, false);
        const auto copied = out.writeFromInputStream (in, limit + 1);
        out.flush();
        return copied <= limit;
    }

    bool writeFileAtomically (const juce::File& target, const juce::MemoryBlock& data)
    {
        juce::TemporaryFile temp (target, juce::TemporaryFile::useHiddenFile);

        {
            juce::FileOutputStream out (temp.getFile());

            if (!out.openedOk() || !out.write (data.getData(), data.getSize()))
                return false;

            out.flush();

            if (!out.getStatus().wasOk())
                return false;
        }

        // Moving the file over the target replaces a link at that name instead of writing
        // through it.
        return temp.overwriteTargetFileWithTemporary();
    }
} // namespace

PackImportResult unpackPresetPackInto (juce::ZipFile& archive, const juce::File& targetFolder,
                                       const juce::String& presetExtension)
{
    PackImportResult result;

    if (!targetFolder.isDirectory())
        return result;

    result.opened = true;

    for (int i = 0; i < archive.getNumEntries(); ++i)
    {
        const auto* entry = archive.getEntry (i);

        if (entry == nullptr)
            continue;

        auto entryPath = entry->filename;
#if !JUCE_WINDOWS
        entryPath = entryPath.replaceCharacter ('\\', '/');
#endif
        // The framework checks paths recursively, one call per path element: a name of some ten
        // thousand elements would overflow the stack. Preset folders are scanned three levels deep,
        // so a name with many more elements than that is no preset of a pack anyway.
        constexpr int maxNameLength = 1024, maxNameElements = 16;

        // A name that is not UTF-8 hides its separators from the framework's path functions,
        // which then never reach the target folder while walking up from the file.
        if (entryPath.length() > maxNameLength ||
            entryPath.length() - entryPath.removeCharacters ("/\\").length() > maxNameElements ||
            !isStrictUtf8 (entryPath.toRawUTF8(), (int) entryPath.getNumBytesAsUTF8()))
        {
            ++result.skipped;
            continue;
        }

        const auto targetFile = targetFolder.getChildFile (entryPath);

        const bool acceptable =
            entryPath.isNotEmpty() && !entry->isSymbolicLink &&
            endsWithExtension (entryPath, presetExtension) && entry->uncompressedSize >= 0 &&
            entry->uncompressedSize <= maxPresetFileBytes && !juce::File::isAbsolutePath (entryPath) &&
            targetFile.isAChildOf (targetFolder) &&
            !passesThroughLink (targetFolder, targetFile.getParentDirectory()) && !targetFile.isDirectory();

        if (!acceptable)
        {
            ++result.skipped;
            continue;
        }

        juce::MemoryBlock content;
        std::unique_ptr<juce::InputStream> in (archive.createStreamForEntry (i));

        // An empty entry is no preset either.
        if (in == nullptr || !readEntry (*in, content, maxPresetFileBytes) || content.isEmpty())
        {
            ++result.skipped;
            continue;
        }

        const auto parent = targetFile.getParentDirectory();

        if (!parent.createDirectory().wasOk() || passesThroughLink (targetFolder, parent) ||
            !writeFileAtomically (targetFile, content))
        {
            result.failed = true;
            break;
        }

        targetFile.setLastModificationTime (entry->fileTime);
        ++result.extracted;
    }

    return result;
}

PackImportResult unpackPresetPack (const juce::File& pack, const juce::File& presetFolder,
                                   const juce::String& presetExtension)
{
    const auto name = fileStemFromPath (pack.getFullPathName());

    if (name.isEmpty() || name == "." || name == ".." || presetFolder.getFullPathName().isEmpty() ||
        !pack.existsAsFile())
        return {};

    const auto target = presetFolder.getChildFile (name);

    if (!target.isAChildOf (presetFolder))
        return {};

    const bool targetExisted = target.isDirectory();

    if (!targetExisted && !target.createDirectory().wasOk())
        return {};

    juce::ZipFile archive (pack);
    const auto result = unpackPresetPackInto (archive, target, presetExtension);

    // A pack that held no preset leaves no empty folder behind.
    if (!targetExisted && result.extracted == 0)
        target.deleteRecursively();

    return result;
}
} // namespace tarn_gui
