#pragma once

#include <map>
#include <memory>
#include <random>

namespace tarn_gui
{
// The table of preset IDs: the factory presets compiled into the plug-in, the user preset files
// found in the user preset folder and its subfolders (three levels deep), the current preset,
// the preset information stored with a host state, and the next, previous and random choices.
//
// IDs start at 10 and are handed out in the order presets become known; they are never reused
// while the manager lives. Below 10: -1 means no preset, 1 to 7 are the browser's commands
// (4 is "New"), 9 clears the browser's selection.
//
// The manager reads and writes no preset data itself: files and undoable loads go through its
// PresetLoader, which is the processor. Everything here runs on the message thread.
class PresetManager
{
public:
    class PresetLoader;

    static constexpr int firstPresetId = 10;
    static constexpr int newPresetId = 4;
    static constexpr int noPresetId = -1;

    struct FactoryPreset
    {
        int id = noPresetId;
        juce::String name;
        juce::MemoryBlock data; // encoded, like a preset file
    };

    // A group holds either presets or subgroups. In "Bass//Guitar" the part before "//" names
    // the category, the part after it the menu title.
    struct FactoryGroup
    {
        juce::String name;
        juce::Array<FactoryPreset*> presets;
        juce::Array<FactoryGroup*> subgroups;
        PresetManager* owner = nullptr;

        // Adds the group's presets as items (ID and name), then one submenu per subgroup, titled
        // with the subgroup's name after its "//". Every name used is appended to usedNames.
        void addToMenu (juce::PopupMenu& menu, juce::StringArray& usedNames) const;
    };

    struct UserPreset
    {
        juce::File file;
        juce::String displayName;
        int id = noPresetId;
    };

    struct UserFolder
    {
        juce::File file;
        juce::String displayName;
        juce::Array<UserPreset*> presets;    // preset files directly in the folder
        juce::Array<UserFolder*> subfolders; // scanned subfolders
        PresetManager* owner = nullptr;

        // Rescans the folder: its preset files, and at depth below 3 its subfolders.
        void refresh (int depth);

        // Adds this folder's preset files, then those of its subfolders (depth first), named by
        // their path relative to root, deflated at level 5.
        void addToZip (juce::ZipFile::Builder& builder, const juce::File& root) const;

        // Adds the folder's existing preset files as items, named by their display names made
        // unique against usedNames ("Name (2)", "Name (3)", ... ignoring case), then one submenu
        // per subfolder. Every name used is appended to usedNames.
        void addToMenu (juce::PopupMenu& menu, juce::StringArray& usedNames) const;
    };

    // What was current at one moment, so that undoing a load can bring it back.
    struct CurrentPreset
    {
        int id = noPresetId;
        UserPreset* userPreset = nullptr;
        bool userPresetIsExternal = false;
        bool modified = false;
        bool namedInState = false; // addPresetInfo would store a name for it
    };

    PresetManager (PresetLoader* loader, const juce::String& pluginCode, const juce::File& presetFolder);
    ~PresetManager();

    //==============================================================================================
    // Factory presets, added by the processor's constructor (see FactoryPresetRegistrar).
    FactoryPreset* addFactoryPreset (const juce::String& name, const void* data, int size);
    FactoryGroup* addFactoryGroup (const juce::String& name, const juce::Array<FactoryPreset*>& presets);
    FactoryGroup* addFactoryFolder (const juce::String& name, const juce::Array<FactoryGroup*>& subgroups,
                                    bool isRoot);

    //==============================================================================================
    // The user preset folder.
    void setUserRoot (const juce::File& folder);
    UserFolder* getOrCreateUserFolder (const juce::File& folder, int depth);
    UserFolder* findUserFolder (const juce::File& folder);

    UserPreset* registerUserPreset (const juce::File& file);
    UserPreset* findUserPreset (const juce::File& file);
    bool isRegisteredUserPresetFile (const juce::File& file) const;
    bool isUserPresetIdValid (int id) const;
    bool isFactoryPresetId (int id) const;
    UserPreset& userPresetAt (int id);
    FactoryPreset& factoryPresetAt (int id);

    //==============================================================================================
    // The current preset and the host state.
    void addPresetInfo (juce::ValueTree& state) const;
    void applyLoadedPreset (const juce::String& name, bool modified);
    void setExternalPreset (const juce::File& file);
    bool saveCurrentUserPreset();

    int nextPresetId (int direction) const;
    int randomPresetId (int excludedId);
    void seedRandom (unsigned int seed);

    CurrentPreset getCurrentPreset() const;
    void restoreCurrentPreset (const CurrentPreset& previous);

    //==============================================================================================
    int getCurrentId() const noexcept
    {
        return currentId;
    }
    void setCurrentId (int id) noexcept
    {
        currentId = id;
    }
    UserPreset* getCurrentUserPreset() const noexcept
    {
        return currentUserPreset;
    }
    void setCurrentUserPreset (UserPreset* preset) noexcept
    {
        currentUserPreset = preset;
    }
    UserPreset* getExternalPreset() const noexcept
    {
        return externalPreset.get();
    }
    UserFolder* getUserRoot() const noexcept
    {
        return userRoot;
    }
    FactoryGroup* getFactoryRoot() const noexcept
    {
        return factoryRoot;
    }
    const std::map<int, FactoryPreset>& getFactoryPresets() const noexcept
    {
        return factoryPresets;
    }
    const std::map<juce::String, FactoryGroup>& getFactoryGroups() const noexcept
    {
        return factoryGroups;
    }
    const std::map<int, UserPreset>& getUserPresets() const noexcept
    {
        return userPresets;
    }
    PresetLoader* getLoader() const noexcept
    {
        return loader;
    }
    const juce::String& getExtension() const noexcept
    {
        return extension;
    }
    const juce::String& getPackExtension() const noexcept
    {
        return packExtension;
    }
    int getNextId() const noexcept
    {
        return nextId;
    }

    static const juce::String factoryPrefix; // "FactoryPreset:"

private:
    bool isSelectableId (int id) const;

    juce::String extension, packExtension;
    PresetLoader* loader = nullptr;
    int currentId = noPresetId;
    int nextId = firstPresetId;
    std::map<int, FactoryPreset> factoryPresets;
    std::map<juce::String, FactoryGroup> factoryGroups;
    FactoryGroup* factoryRoot = nullptr;
    std::map<int, UserPreset> userPresets;
    std::map<juce::File, UserPreset*> userPresetsByFile;
    UserPreset* currentUserPreset = nullptr;
    std::map<juce::File, UserFolder> userFolders;
    UserFolder* userRoot = nullptr;
    std::unique_ptr<UserPreset> externalPreset;
    std::mt19937 random;

    JUCE_DECLARE_NON_COPYABLE (PresetManager)
};

//==================================================================================================
// The preset system's view of the processor, which derives from it: the three state operations
// the processor implements, the "modified" flag, preset files, and preset loads as undoable steps
// on the parameter tree's undo manager.
class PresetManager::PresetLoader
{
public:
    // Bits by which preset data is shifted in files and in the factory preset blobs.
    static constexpr int encodingShift = 3;

    // The attached preset browser. Both calls arrive on the message thread.
    struct PresetDisplay
    {
        virtual void presetModifiedChanged (bool isModified) = 0;
        virtual void selectNewEntry (juce::NotificationType notification) = 0;

    protected:
        virtual ~PresetDisplay() = default;
    };

    // One preset load. Undoing it brings back the state (and the current preset) from before.
    class LoadStateUndoableAction : public juce::UndoableAction
    {
    public:
        LoadStateUndoableAction (PresetLoader* loader, juce::MemoryBlock newState,
                                 juce::MemoryBlock oldState);

        bool perform() override;
        bool undo() override;

    private:
        PresetLoader* loader;
        juce::MemoryBlock newState, oldState;
        CurrentPreset previous;
    };

    explicit PresetLoader (juce::UndoManager* undoManager = nullptr);

    // Writes the state blob into destData (replacing its content); with includePresetInfo the
    // preset manager's "LoadedPreset" information is part of it.
    virtual void getState (juce::MemoryBlock& destData, bool includePresetInfo) = 0;
    // Replaces the whole state from a blob; false, with nothing changed, if it is not a state of
    // this plug-in. Implementations replace the tree through replaceParameterState().
    virtual bool setState (const void* data, int sizeInBytes) = 0;
    // Sets every parameter to its default and clears the modified flag.
    virtual void resetToDefaults() = 0;

    // May be called on any thread (the parameter listener runs on the audio thread under
    // automation); the display hears of the change on the message thread only.
    void setModified (bool isModified);
    bool isModified() const noexcept
    {
        return modified.load();
    }

    // The browser attaches itself when it is created and detaches (nullptr) when destroyed.
    void setDisplay (PresetDisplay* newDisplay);
    PresetDisplay* getDisplay() const noexcept
    {
        return display;
    }

    void setUndoManager (juce::UndoManager* newUndoManager) noexcept
    {
        undoManager = newUndoManager;
    }
    juce::UndoManager* getUndoManager() const noexcept
    {
        return undoManager;
    }
    PresetManager* getPresetManager() const noexcept
    {
        return presetManager;
    }

    // Writes the state, without preset information, encoded into an existing file. False for a
    // missing file or a folder (nothing is written) and when the write fails (the file keeps
    // its old content and the modified flag its old value).
    bool savePresetFile (const juce::File& file);
    // Reads a preset file (at most maxPresetFileBytes) and loads it as one undoable step.
    bool loadPresetFile (const juce::File& file);
    // Decodes data and applies it as one undoable step. False, with nothing changed and no undo
    // step added, if the data is not a state of this plug-in.
    bool loadState (juce::MemoryBlock data);

protected:
    // Not deleted through this base; virtual only so that derived classes need no exception.
    virtual ~PresetLoader();

    // Makes newState the parameter tree's state. Normally that is the framework's replaceState,
    // which also empties the undo history. While the undo manager is itself undoing or redoing a
    // step, emptying the history from inside that step would destroy the running step and leave
    // the manager's position out of range (so that the next edit could not be undone); then the
    // tree is swapped without touching the history, and the loader's step asks the undo manager
    // to empty it once the step has returned.
    void replaceParameterState (juce::AudioProcessorValueTreeState& tree, const juce::ValueTree& newState);

private:
    friend class PresetManager;

    struct DisplaySync : private juce::Timer
    {
        explicit DisplaySync (PresetLoader& o)
            : owner (o)
        {
        }
        void start()
        {
            startTimerHz (30);
        }
        void stop()
        {
            stopTimer();
        }
        void timerCallback() override
        {
            owner.tellDisplay();
        }
        PresetLoader& owner;
    };

    void tellDisplay();

    std::atomic<bool> modified{ false };
    PresetDisplay* display = nullptr;
    juce::UndoManager* undoManager = nullptr;
    PresetManager* presetManager = nullptr;
    bool displayShowsModified = false;
    DisplaySync displaySync{ *this };

    JUCE_DECLARE_NON_COPYABLE (PresetLoader)
};
} // namespace tarn_gui
