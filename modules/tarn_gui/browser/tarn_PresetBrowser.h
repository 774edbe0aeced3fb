#pragma once

#include <functional>

namespace tarn_gui
{
// The preset browser: a drop-down box whose menu holds the commands ("Options:", with the preset
// pack submenu), the factory presets as nested submenus and the user preset folder as nested
// submenus. The box shows the current preset's name followed by one marker character: a blank
// while the preset is unchanged, "*" once it has been modified.
//
// It works only through the preset manager and its PresetLoader, and is that loader's display
// while it exists. File dialogs are always asynchronous; what happens with the chosen file is in
// the handle...Result operations, which take the file (empty when the dialog was cancelled).
// Everything runs on the message thread.
class PresetComponent
    : public juce::ComboBox
    , public juce::ComboBox::Listener
    , public PresetManager::PresetLoader::PresetDisplay
{
public:
    // Menu entry IDs below the preset IDs.
    enum EntryId
    {
        saveEntry = 1,
        saveAsEntry = 2,
        openEntry = 3,
        newEntry = 4,
        createPackEntry = 5,
        importPackEntry = 6,
        downloadsEntry = 7,
        clearSelectionId = 9 // never an entry: selecting it clears the selection
    };

    PresetComponent (juce::LookAndFeel& lookAndFeel, PresetManager& manager, const juce::URL& presetsPage);
    ~PresetComponent() override;

    // Rescans the user preset folder, rebuilds the menu and refreshes the text.
    void refreshPresets();
    // Fills the menu from scratch.
    void rebuildMenu();
    // Shows the current preset's name and marker, with nothing selected.
    void updateDisplay();

    // "Save": into the current user preset file, or through the save dialog when there is none or
    // the write fails.
    void save();
    void launchSaveAs();
    void launchOpen();
    void launchCreatePresetPack();
    void launchUnpackPresetPack();

    // What the dialogs do with their result (an empty file when cancelled).
    void handleSaveAsResult (const juce::File& file);
    void handleOpenResult (const juce::File& file);
    // Accepts a folder of the scanned user preset tree as the source of a new pack; true when
    // the dialog for the pack file should follow.
    bool handlePackSourceResult (const juce::File& folder);
    // Writes the pack of the accepted source folder.
    void handlePackTargetResult (const juce::File& target);
    void handleUnpackResult (const juce::File& pack);

    // juce::ComboBox: the menu is rescanned and rebuilt each time it opens.
    void showPopup() override;
    // juce::ComboBox::Listener: the user picked an entry, or setSelectedId was called with a
    // notification.
    void comboBoxChanged (juce::ComboBox*) override;

    // PresetDisplay
    void presetModifiedChanged (bool isModified) override;
    void selectNewEntry (juce::NotificationType notification) override;

    // Shows a chooser and hands its result to onResult. By default the chooser is launched
    // asynchronously (juce::FileChooser::launchAsync); a test may replace this to answer the
    // dialog itself.
    using ChooserLauncher = std::function<void (juce::FileChooser& chooser, int flags,
                                                std::function<void (const juce::File&)> onResult)>;
    ChooserLauncher chooserLauncher;

    static constexpr int saveFlags = juce::FileBrowserComponent::saveMode |
                                     juce::FileBrowserComponent::canSelectFiles |
                                     juce::FileBrowserComponent::warnAboutOverwriting;
    static constexpr int openFlags =
        juce::FileBrowserComponent::openMode | juce::FileBrowserComponent::canSelectFiles;
    static constexpr int folderFlags =
        juce::FileBrowserComponent::openMode | juce::FileBrowserComponent::canSelectDirectories;

    const juce::URL presetsPage;
    PresetManager* const manager;

    const std::unique_ptr<juce::FileChooser> saveChooser;
    const std::unique_ptr<juce::FileChooser> loadChooser;
    const std::unique_ptr<juce::FileChooser> packSourceChooser;
    const std::unique_ptr<juce::FileChooser> packTargetChooser;
    const std::unique_ptr<juce::FileChooser> packOpenChooser;

private:
    PresetManager::PresetLoader* getLoader() const noexcept
    {
        return manager->getLoader();
    }
    juce::File userRootFolder() const;

    // Loads the preset with that ID. A load that fails changes nothing but the menu.
    void loadPreset (int id);
    // After a successful open or save: a file in the user preset tree becomes the current user
    // preset (unmodified), any other file the external preset.
    void makeFileCurrent (const juce::File& file, bool asUserPreset);
    // Sets the box's text without notification; no entry ends up selected.
    void showText (const juce::String& text);
    void launch (juce::FileChooser& chooser, int flags,
                 std::function<void (PresetComponent&, const juce::File&)> handler);

    juce::String shownText; // the text last shown for a state (restored after a failed load)
    juce::File packSource;  // the folder accepted for the next pack

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (PresetComponent)
};

//==================================================================================================
// The two arrows beside the browser: previous and next preset, by ID, wrapping around.
struct PresetScroller
    : public juce::Component
    , public juce::Button::Listener
{
    PresetScroller (LookAndFeel& lookAndFeel, PresetComponent* presetComponent);

    // One arrow at each end, each as wide as half the scroller's height (at most half its width).
    void resized() override;
    void buttonClicked (juce::Button* button) override;

    TriangleButton leftButton;        // "LeftScrollerButton"
    TriangleButton rightButton;       // "RightScrollerButton"
    PresetComponent* presetComponent; // not owned

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (PresetScroller)
};
} // namespace tarn_gui
