namespace tarn_gui
{
using PresetLoader = PresetManager::PresetLoader;

PresetLoader::PresetLoader (juce::UndoManager* undoManagerToUse)
    : undoManager (undoManagerToUse)
{
}

PresetLoader::~PresetLoader()
{
    displaySync.stop();

    if (presetManager != nullptr && presetManager->loader == this)
        presetManager->loader = nullptr;
}

//==================================================================================================
void PresetLoader::setModified (bool isModified)
{
    if (modified.exchange (isModified) == isModified)
        return;

    // Off the message thread (host automation on the audio thread) only the atomic flag is
    // written; the display is brought up to date by the timer that runs while one is attached.
    if (juce::MessageManager::existsAndIsCurrentThread())
        tellDisplay();
}

void PresetLoader::tellDisplay()
{
    const bool now = modified.load();

    if (display == nullptr || now == displayShowsModified)
        return;

    displayShowsModified = now;
    display->presetModifiedChanged (now);
}

void PresetLoader::setDisplay (PresetDisplay* newDisplay)
{
    display = newDisplay;

    if (display == nullptr)
    {
        displaySync.stop();
        return;
    }

    displayShowsModified = modified.load();
    displaySync.start();
}

//==================================================================================================
bool PresetLoader::savePresetFile (const juce::File& file)
{
    if (file.getFullPathName().isEmpty() || !file.existsAsFile())
        return false;

    const bool wasModified = modified.load();
    setModified (false);

    juce::MemoryBlock block;
    getState (block, false);
    encodePresetData (block);

    // Like juce::File::replaceWithData, but the temporary file is only moved over the preset
    // when every byte reached it, and an empty state never deletes the file.
    bool written = false;

    if (block.getSize() > 0)
    {
        juce::TemporaryFile temp (file, juce::TemporaryFile::useHiddenFile);

        {
            juce::FileOutputStream out (temp.getFile());

            written = out.openedOk() && out.write (block.getData(), block.getSize());
            out.flush();
            written = written && out.getStatus().wasOk();
        }

        written = written && temp.getFile().getSize() == (juce::int64) block.getSize() &&
                  temp.overwriteTargetFileWithTemporary();
    }

    if (!written && wasModified)
        setModified (true);

    return written;
}

bool PresetLoader::loadPresetFile (const juce::File& file)
{
    if (file.getFullPathName().isEmpty() || !file.existsAsFile())
        return false;

    const auto size = file.getSize();

    if (size <= 0 || size > maxPresetFileBytes)
        return false;

    juce::FileInputStream in (file);

    if (!in.openedOk())
        return false;

    juce::MemoryBlock block ((size_t) size);

    if (in.read (block.getData(), (int) size) != (int) size)
        return false;

    return loadState (std::move (block));
}

bool PresetLoader::loadState (juce::MemoryBlock data)
{
    decodePresetData (data);

    if (!isParsableStateBlob (data.getData(), (int) data.getSize()))
        return false;

    juce::MemoryBlock oldState;
    getState (oldState, true);

    auto action = std::make_unique<LoadStateUndoableAction> (this, std::move (data), std::move (oldState));

    if (undoManager == nullptr)
        return action->perform();

    // The load is a step of its own, never merged into an edit that is still open.
    undoManager->beginNewTransaction();
    return undoManager->perform (action.release());
}

void PresetLoader::replaceParameterState (juce::AudioProcessorValueTreeState& tree,
                                          const juce::ValueTree& newState)
{
    if (undoManager != nullptr && undoManager->isPerformingUndoRedo())
    {
        // Inside an undo or redo step; the step empties the history when it returns. Assigning
        // the state redirects the tree exactly as replaceState does, minus the history.
        tree.state = newState;
        return;
    }

    tree.replaceState (newState);
}

//==================================================================================================
PresetLoader::LoadStateUndoableAction::LoadStateUndoableAction (PresetLoader* loaderToUse,
                                                                juce::MemoryBlock newStateToApply,
                                                                juce::MemoryBlock oldStateToRestore)
    : loader (loaderToUse)
    , newState (std::move (newStateToApply))
    , oldState (std::move (oldStateToRestore))
{
    if (auto* manager = loader->presetManager)
        previous = manager->getCurrentPreset();
}

bool PresetLoader::LoadStateUndoableAction::perform()
{
    const bool applied = loader->setState (newState.getData(), (int) newState.getSize());

    // A redo: the replaced tree leaves no earlier step valid, and returning false makes the undo
    // manager empty its history now that this step has finished.
    if (loader->undoManager != nullptr && loader->undoManager->isPerformingUndoRedo())
        return false;

    return applied;
}

bool PresetLoader::LoadStateUndoableAction::undo()
{
    if (auto* display = loader->display)
        display->selectNewEntry (juce::dontSendNotification);

    const bool restored = loader->setState (oldState.getData(), (int) oldState.getSize());

    // The old state names the preset that was current when it named one (setState applied that);
    // when it named none (no preset, "New", or the external file) the record does.
    if (restored && !previous.namedInState)
        if (auto* manager = loader->presetManager)
            manager->restoreCurrentPreset (previous);

    // The state was replaced, so no earlier step still applies: returning false makes the undo
    // manager empty its history once this step has returned, which leaves nothing to undo or
    // redo and the next edit undoable.
    return false;
}
} // namespace tarn_gui
