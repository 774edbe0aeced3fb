namespace tarn_gui
{
namespace
{
    juce::File userRootOf (const PresetManager& manager)
    {
        auto* root = manager.getUserRoot();
        return root != nullptr ? root->file : juce::File();
    }

    std::unique_ptr<juce::FileChooser> makeChooser (const juce::String& title, const juce::File& folder,
                                                    const juce::String& pattern)
    {
        return std::make_unique<juce::FileChooser> (title, folder, pattern);
    }
} // namespace

//==================================================================================================
PresetComponent::PresetComponent (juce::LookAndFeel& lookAndFeel, PresetManager& presetManager,
                                  const juce::URL& page)
    : juce::ComboBox (juce::String())
    , presetsPage (page)
    , manager (&presetManager)
    , saveChooser (
          makeChooser ("Save Preset", userRootOf (presetManager), "*" + presetManager.getExtension()))
    , loadChooser (
          makeChooser ("Load Preset", userRootOf (presetManager), "*" + presetManager.getExtension()))
    , packSourceChooser (makeChooser ("Create Preset Pack From..", userRootOf (presetManager),
                                      "*" + presetManager.getPackExtension()))
    , packTargetChooser (
          makeChooser ("Save Pack To...", userRootOf (presetManager), "*" + presetManager.getPackExtension()))
    , packOpenChooser (makeChooser ("Open Preset Pack", userRootOf (presetManager),
                                    "*" + presetManager.getPackExtension()))
{
    setLookAndFeel (&lookAndFeel);

    // A focused combo box turns the arrow keys into "select the neighbouring entry", and the
    // entries next to each other here are commands ("New" resets everything). The box therefore
    // never takes the keyboard focus; the arrow keys stay with the parameter controls.
    setWantsKeyboardFocus (false);

    addListener (this);

    if (auto* loader = getLoader())
        loader->setDisplay (this);

    refreshPresets();
}

PresetComponent::~PresetComponent()
{
    if (auto* loader = getLoader(); loader != nullptr && loader->getDisplay() == this)
        loader->setDisplay (nullptr);

    removeListener (this);
    setLookAndFeel (nullptr);
}

juce::File PresetComponent::userRootFolder() const
{
    return userRootOf (*manager);
}

//==================================================================================================
void PresetComponent::refreshPresets()
{
    if (auto* root = manager->getUserRoot())
        root->refresh (0);

    rebuildMenu();
    updateDisplay();
}

void PresetComponent::rebuildMenu()
{
    auto& menu = *getRootMenu();
    menu.clear();

    menu.addSectionHeader ("Options:");
    menu.addItem (newEntry, "New");
    menu.addItem (openEntry, "Browse/Open...");
    menu.addItem (saveEntry, "Save");
    menu.addItem (saveAsEntry, "Save as...");

    menu.addSeparator();
    juce::PopupMenu packs;
    packs.addItem (importPackEntry, "Import...");
    packs.addItem (createPackEntry, "Create...");
    packs.addItem (downloadsEntry, "Downloads & Info");
    menu.addSubMenu ("Preset Pack Options", packs);

    // One list of names across both trees, so that a user preset named like a factory preset
    // is told apart by a number.
    juce::StringArray usedNames;

    menu.addSeparator();
    menu.addSectionHeader ("Factory Presets:");

    if (auto* factoryRoot = manager->getFactoryRoot())
        factoryRoot->addToMenu (menu, usedNames);

    menu.addSectionHeader ("User Presets:");

    if (auto* userRoot = manager->getUserRoot())
        userRoot->addToMenu (menu, usedNames);

    repaint();
}

void PresetComponent::updateDisplay()
{
    const auto id = manager->getCurrentId();
    setSelectedId (clearSelectionId, juce::dontSendNotification);

    juce::String name;
    auto* current = manager->getCurrentUserPreset();

    if (current != nullptr && current == manager->getExternalPreset())
        name = current->displayName;
    else if (manager->isUserPresetIdValid (id))
        name = manager->userPresetAt (id).displayName;
    else if (manager->isFactoryPresetId (id))
        name = manager->factoryPresetAt (id).name;
    else
        name = "*New";

    showText (name + " ");

    auto* loader = getLoader();
    presetModifiedChanged (loader != nullptr && loader->isModified());
}

void PresetComponent::showText (const juce::String& text)
{
    setText (text, juce::dontSendNotification);
    shownText = text;
}

void PresetComponent::presetModifiedChanged (bool isModified)
{
    const auto text = getText();

    if (isModified && !text.endsWith ("*"))
        showText (text.trimEnd() + "*");
    else if (!isModified && text.endsWith ("*"))
        showText (text.dropLastCharacters (1) + " ");
    else
        shownText = text;
}

void PresetComponent::selectNewEntry (juce::NotificationType notification)
{
    // Acting on "New" again while it is still selected must not be swallowed as "no change".
    if (notification != juce::dontSendNotification)
        setSelectedId (clearSelectionId, juce::dontSendNotification);

    setSelectedId (newEntry, notification);

    if (notification == juce::dontSendNotification)
        shownText = getText();
}

//==================================================================================================
void PresetComponent::showPopup()
{
    refreshPresets();
    juce::ComboBox::showPopup();
}

void PresetComponent::comboBoxChanged (juce::ComboBox*)
{
    const auto id = getSelectedId();

    switch (id)
    {
        case saveEntry:
            save();
            break;
        case saveAsEntry:
            launchSaveAs();
            break;
        case openEntry:
            launchOpen();
            break;
        case newEntry:
            // The current preset stays what it was, so that reload and the arrows still refer to
            // it; the box keeps the entry text "New" with its marker.
            if (auto* loader = getLoader())
                loader->resetToDefaults();

            shownText = getText();
            break;
        case createPackEntry:
            launchCreatePresetPack();
            break;
        case importPackEntry:
            launchUnpackPresetPack();
            break;
        case downloadsEntry:
            presetsPage.launchInDefaultBrowser();
            updateDisplay();
            break;
        default:
            if (id >= PresetManager::firstPresetId)
                loadPreset (id);
            else
                updateDisplay();
            break;
    }
}

void PresetComponent::loadPreset (int id)
{
    auto* loader = getLoader();
    auto loaded = false;

    if (loader != nullptr)
    {
        if (manager->isUserPresetIdValid (id))
        {
            auto& preset = manager->userPresetAt (id);

            if (loader->loadPresetFile (preset.file))
            {
                manager->setCurrentUserPreset (&preset);
                loaded = true;
            }
        }
        else if (manager->isFactoryPresetId (id))
        {
            auto data = manager->factoryPresetAt (id).data; // the loader decodes its own copy

            if (loader->loadState (std::move (data)))
            {
                manager->setCurrentUserPreset (nullptr);
                loaded = true;
            }
        }
    }

    if (!loaded)
    {
        // Nothing was loaded, so nothing may look loaded: the current preset, the modified flag
        // and the text stay as they were. The menu is rescanned so that an entry whose file has
        // gone disappears.
        if (auto* root = manager->getUserRoot())
            root->refresh (0);

        rebuildMenu();
        showText (shownText);
        return;
    }

    loader->setModified (false);
    manager->setCurrentId (id);
    updateDisplay();
}

//==================================================================================================
void PresetComponent::launch (juce::FileChooser& chooser, int flags,
                              std::function<void (PresetComponent&, const juce::File&)> handler)
{
    // The browser may be gone (the editor closed) by the time the dialog returns.
    auto onResult = [safe = juce::Component::SafePointer<PresetComponent> (this),
                     handler = std::move (handler)] (const juce::File& file)
    {
        if (auto* self = safe.getComponent())
            handler (*self, file);
    };

    if (chooserLauncher)
    {
        chooserLauncher (chooser, flags, std::move (onResult));
        return;
    }

    chooser.launchAsync (flags, [onResult = std::move (onResult)] (const juce::FileChooser& fc)
                         { onResult (fc.getResult()); });
}

void PresetComponent::save()
{
    auto* loader = getLoader();
    auto* current = manager->getCurrentUserPreset();

    if (loader != nullptr && current != nullptr && loader->savePresetFile (current->file))
    {
        updateDisplay();
        return;
    }

    launchSaveAs();
}

void PresetComponent::launchSaveAs()
{
    launch (*saveChooser, saveFlags,
            [] (PresetComponent& self, const juce::File& file) { self.handleSaveAsResult (file); });
    updateDisplay();
}

void PresetComponent::launchOpen()
{
    launch (*loadChooser, openFlags,
            [] (PresetComponent& self, const juce::File& file) { self.handleOpenResult (file); });
    updateDisplay();
}

void PresetComponent::launchCreatePresetPack()
{
    launch (*packSourceChooser, folderFlags,
            [] (PresetComponent& self, const juce::File& folder)
            {
                if (self.handlePackSourceResult (folder))
                    self.launch (*self.packTargetChooser, saveFlags,
                                 [] (PresetComponent& s, const juce::File& target)
                                 { s.handlePackTargetResult (target); });
            });
    updateDisplay();
}

void PresetComponent::launchUnpackPresetPack()
{
    launch (*packOpenChooser, openFlags,
            [] (PresetComponent& self, const juce::File& pack) { self.handleUnpackResult (pack); });
    updateDisplay();
}

//==================================================================================================
void PresetComponent::handleSaveAsResult (const juce::File& file)
{
    auto* loader = getLoader();

    if (loader == nullptr || file.getFullPathName().isEmpty())
    {
        refreshPresets();
        return;
    }

    const auto existedAsFile = file.existsAsFile();
    const auto existed = file.exists();

    if (!existed && !createFileWithRetries (file))
    {
        refreshPresets();
        return;
    }

    // A file that was there before is a user preset when it lies in the user preset tree; a new
    // one only when the scan already knows it, otherwise it is the external preset.
    const auto asUserPreset =
        existedAsFile ? file.isAChildOf (userRootFolder()) : manager->isRegisteredUserPresetFile (file);

    // Only a file that now holds the state becomes current: a write that fails (a folder, a
    // read-only file, a full disk) changes nothing and leaves no empty file behind.
    if (!loader->savePresetFile (file))
    {
        if (!existed)
            file.deleteFile();

        refreshPresets();
        return;
    }

    makeFileCurrent (file, asUserPreset);
    refreshPresets();
}

void PresetComponent::makeFileCurrent (const juce::File& file, bool asUserPreset)
{
    if (asUserPreset)
    {
        auto* preset = manager->registerUserPreset (file);
        manager->setCurrentUserPreset (preset);
        getLoader()->setModified (false);
        manager->setCurrentId (preset->id);
    }
    else
    {
        manager->setExternalPreset (file);
    }
}

void PresetComponent::handleOpenResult (const juce::File& file)
{
    auto* loader = getLoader();

    if (loader != nullptr && file.getFullPathName().isNotEmpty() && file.existsAsFile() &&
        loader->loadPresetFile (file))
    {
        makeFileCurrent (file, file.isAChildOf (userRootFolder()));
    }

    refreshPresets();
}

bool PresetComponent::handlePackSourceResult (const juce::File& folder)
{
    packSource = juce::File();

    const auto root = userRootFolder();

    if (folder.getFullPathName().isEmpty() || root.getFullPathName().isEmpty() ||
        !(folder == root || folder.isAChildOf (root)))
        return false;

    // The pack holds what a scan of the tree finds now.
    if (auto* rootRecord = manager->getUserRoot())
        rootRecord->refresh (0);

    if (manager->findUserFolder (folder) == nullptr)
        return false;

    packSource = folder;
    return true;
}

void PresetComponent::handlePackTargetResult (const juce::File& target)
{
    const auto source = std::exchange (packSource, juce::File());

    if (target.getFullPathName().isEmpty() || source.getFullPathName().isEmpty())
        return;

    if (auto* folder = manager->findUserFolder (source))
        writePresetPack (*folder, target);
}

void PresetComponent::handleUnpackResult (const juce::File& pack)
{
    if (pack.getFullPathName().isEmpty())
    {
        updateDisplay();
        return;
    }

    unpackPresetPack (pack, userRootFolder(), manager->getExtension());
    refreshPresets();
}

//==================================================================================================
PresetScroller::PresetScroller (LookAndFeel& lookAndFeel, PresetComponent* browser)
    : leftButton (2, lookAndFeel, "LeftScrollerButton", this)
    , rightButton (3, lookAndFeel, "RightScrollerButton", this)
    , presetComponent (browser)
{
    addAndMakeVisible (leftButton);
    addAndMakeVisible (rightButton);
}

void PresetScroller::resized()
{
    const auto w = (float) getWidth();
    const auto h = (float) getHeight();
    const auto s = juce::jmin (w / 2.0f, h / 2.0f);
    const auto r = juce::jmin (w - s, s);

    const auto place = [] (juce::Component& c, float x, float y, float width, float height)
    {
        c.setBounds (juce::roundToInt (x), juce::roundToInt (y), juce::roundToInt (width),
                     juce::roundToInt (height));
    };

    place (leftButton, 0.0f, 0.0f, s, h);
    place (rightButton, w - r, 0.0f, r, h);
}

void PresetScroller::buttonClicked (juce::Button* button)
{
    if (presetComponent == nullptr)
        return;

    const auto direction = button == &leftButton ? -1 : 1;
    const auto id = presetComponent->manager->nextPresetId (direction);

    if (id != PresetManager::noPresetId)
        presetComponent->setSelectedId (id, juce::sendNotificationSync);
}
} // namespace tarn_gui
