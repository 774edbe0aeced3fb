// The preset browser and its scroller against the preset backend: the menu, the box's text and
// marker, loading, the arrows, the file dialogs' result handlers and the pack dialogs. The dialogs
// are answered by the test through the browser's chooser launcher; no native dialog opens.

#include "PresetTestSupport.h"

namespace kaleidra::test
{
namespace
{
    // The menu as text, one line per entry, submenus indented: "# Header", "---", "Title >",
    // "<id> <text>".
    juce::StringArray describeMenu (const juce::PopupMenu& menu, int depth = 0)
    {
        juce::StringArray lines;
        const auto indent = juce::String::repeatedString ("  ", depth);

        for (juce::PopupMenu::MenuItemIterator it (menu); it.next();)
        {
            const auto& item = it.getItem();

            if (item.isSectionHeader)
                lines.add (indent + "# " + item.text);
            else if (item.isSeparator)
                lines.add (indent + "---");
            else if (item.subMenu != nullptr)
            {
                lines.add (indent + item.text + " >");
                lines.addArray (describeMenu (*item.subMenu, depth + 1));
            }
            else
                lines.add (indent + juce::String (item.itemID) + " " + item.text);
        }

        return lines;
    }

    // The submenu with that title directly in a menu, or null.
    const juce::PopupMenu* submenu (const juce::PopupMenu& menu, const juce::String& title)
    {
        for (juce::PopupMenu::MenuItemIterator it (menu); it.next();)
            if (it.getItem().subMenu != nullptr && it.getItem().text == title)
                return it.getItem().subMenu.get();

        return nullptr;
    }

    // ID -> text of every item in the menu tree.
    std::map<int, juce::String> itemsOf (const juce::PopupMenu& menu)
    {
        std::map<int, juce::String> items;

        for (juce::PopupMenu::MenuItemIterator it (menu, true); it.next();)
            if (it.getItem().itemID != 0)
                items[it.getItem().itemID] = it.getItem().text;

        return items;
    }

    juce::StringArray entryNames (const juce::File& pack)
    {
        juce::ZipFile zip (pack);
        juce::StringArray names;

        for (int i = 0; i < zip.getNumEntries(); ++i)
            names.add (zip.getEntry (i)->filename.replaceCharacter ('\\', '/'));

        return names;
    }

    // One dialog the browser asked for.
    struct Launch
    {
        juce::FileChooser* chooser;
        int flags;
        std::function<void (const juce::File&)> onResult;
    };
} // namespace

class PresetBrowserTest : public PresetTest
{
protected:
    PresetBrowserTest()
    {
        // Every dialog is recorded and left open until the test answers it.
        browser->chooserLauncher = [this] (juce::FileChooser& chooser, int flags, auto onResult) {
            launches.push_back ({ &chooser, flags, std::move (onResult) });
        };
    }

    ~PresetBrowserTest() override
    {
        browser.reset();
    }

    // Answers the oldest open dialog.
    void answer (const juce::File& file)
    {
        ASSERT_FALSE (launches.empty());
        auto launch = launches.front();
        launches.erase (launches.begin());
        launch.onResult (file);
    }

    void choose (int id)
    {
        browser->setSelectedId (id, juce::sendNotificationSync);
    }

    int factoryId (const juce::String& name) const
    {
        for (const auto& [id, preset] : manager().getFactoryPresets())
            if (preset.name == name)
                return id;

        return -1;
    }

    tarn_gui::PresetManager& manager() const
    {
        return processor.presetManager;
    }

    juce::File sandbox() const
    {
        return isolatedHome.home.getChildFile ("sandbox");
    }

    juce::String text() const
    {
        return browser->getText();
    }

    mutable FakePresetProcessor processor;
    tarn_gui::LookAndFeel lookAndFeel;
    std::unique_ptr<tarn_gui::PresetComponent> browser = std::make_unique<tarn_gui::PresetComponent> (
        lookAndFeel, processor.presetManager, juce::URL ("https://tarnlight.example/kaleidra/presets/"));
    std::vector<Launch> launches;
};

//==================================================================================================
TEST_F (PresetBrowserTest, MenuHoldsTheCommandsThePackSubmenuAndTheFactoryTree)
{
    // Without user presets the menu ends with the empty user section.
    const juce::StringArray expected{
        "# Options:",
        "4 New",
        "3 Browse/Open...",
        "1 Save",
        "2 Save as...",
        "---",
        "Preset Pack Options >",
        "  6 Import...",
        "  5 Create...",
        "  7 Downloads & Info",
        "---",
        "# Factory Presets:",
        "Bass >",
        "  Guitar >",
        "    10 Black pepper",
        "    11 Lol as if",
        "    12 Special sauce",
        "  Synth >",
        "    13 Bassment",
        "    14 Oaxaca",
        "    15 Retrograde",
        "Drums >",
        "  808 Kit >",
        "    16 Multileveler",
        "    17 Tokyo above ground",
        "    18 Vintage console",
        "  Kick >",
        "    19 Kick me kick me again kick",
        "    20 Overdriven",
        "    21 Totally wrecked",
        "Guitar >",
        "  Clean >",
        "    22 Alien amplifier",
        "    23 Rough chop",
        "    24 Sayamese",
        "  Dirty >",
        "    25 Funboi",
        "    26 Simple concept",
        "    27 Smoke on water",
        "One-stage >",
        "  28 Bering sea",
        "  29 Depression cherry",
        "  30 Hooked on telephonics",
        "  31 Mean jeans",
        "  32 Twinkle",
        "Series >",
        "  Mild >",
        "    33 Bell de sure",
        "    34 Chorusing",
        "    35 Transist",
        "  Spicy >",
        "    36 Mi comalito",
        "    37 Quite maximal",
        "    38 Sympathetic",
        "Parallel >",
        "  Mild >",
        "    39 Charmed",
        "    40 Current space",
        "    41 Quindle",
        "  Spicy >",
        "    42 Black saint",
        "    43 Sinner lady",
        "    44 Plorvex called",
        "# User Presets:",
    };

    const auto actual = describeMenu (*browser->getRootMenu());
    EXPECT_EQ (actual.joinIntoString ("\n"), expected.joinIntoString ("\n"));

    // A fresh instance has no preset: "*New" and the unchanged marker.
    EXPECT_EQ (text(), "*New ");
    EXPECT_EQ (browser->getSelectedId(), 0);
}

TEST_F (PresetBrowserTest, UserFoldersAreSubmenusAndNamesTakenByFactoryPresetsGetNumbers)
{
    const auto root = presetFolder();
    writePreset (processor, root.getChildFile ("Black Pepper.kd11"));
    writePreset (processor, root.getChildFile ("Leads/oaxaca.kd11"));
    writePreset (processor, root.getChildFile ("Pads/oaxaca.kd11"));
    writePreset (processor, root.getChildFile ("Pads/Warm/deep_space.kd11"));
    root.getChildFile ("Pads/notes.txt").replaceWithText ("not a preset");

    // The menu is rescanned whenever it opens.
    browser->refreshPresets();
    const auto& menu = *browser->getRootMenu();
    const auto lines = describeMenu (menu);
    const auto userSection = lines.indexOf ("# User Presets:");
    ASSERT_GE (userSection, 0);

    // The preset in the folder itself, then one submenu per subfolder.
    const auto blackPepper = manager().findUserPreset (root.getChildFile ("Black Pepper.kd11"));
    ASSERT_NE (blackPepper, nullptr);
    EXPECT_EQ (lines[userSection + 1], juce::String (blackPepper->id) + " Black Pepper (2)");

    const auto* leads = submenu (menu, "Leads");
    const auto* pads = submenu (menu, "Pads");
    ASSERT_NE (leads, nullptr);
    ASSERT_NE (pads, nullptr);

    // The factory "Oaxaca" keeps its name; the two user files get (2) and (3), in scan order.
    const auto leadsItems = itemsOf (*leads), padsItems = itemsOf (*pads);
    const auto idOf = [&] (const char* path)
    { return manager().findUserPreset (root.getChildFile (path))->id; };
    juce::StringArray numbered{ leadsItems.at (idOf ("Leads/oaxaca.kd11")),
                                padsItems.at (idOf ("Pads/oaxaca.kd11")) };
    numbered.sort (false);
    EXPECT_EQ (numbered, juce::StringArray ({ "Oaxaca (2)", "Oaxaca (3)" }));
    EXPECT_EQ (itemsOf (menu).at (factoryId ("Oaxaca")), "Oaxaca");

    // Nested folders nest; files that are no presets are not listed.
    const auto* warm = submenu (*pads, "Warm");
    ASSERT_NE (warm, nullptr);
    EXPECT_EQ (describeMenu (*warm),
               juce::StringArray (juce::String (idOf ("Pads/Warm/deep_space.kd11")) + " Deep space"));
    EXPECT_EQ (padsItems.size(), 2u); // oaxaca and, through Warm, deep_space

    // Loading a numbered user preset shows its plain name.
    choose (idOf ("Pads/oaxaca.kd11"));
    EXPECT_EQ (text(), "Oaxaca ");
}

//==================================================================================================
TEST_F (PresetBrowserTest, TextAndMarkerFollowLoadEditSaveNewAndUndo)
{
    const auto twinkle = factoryId ("Twinkle");
    choose (twinkle);
    EXPECT_EQ (text(), "Twinkle ");
    EXPECT_EQ (manager().getCurrentId(), twinkle);
    EXPECT_FALSE (processor.isModified());

    // An edit replaces the blank by "*".
    processor.setPlain ("Tone", 12.0f);
    EXPECT_EQ (text(), "Twinkle*");

    // Saving into a file of the user folder that exists: that file becomes the current preset.
    const auto file = presetFolder().getChildFile ("mine.kd11");
    ASSERT_TRUE (file.create().wasOk());
    browser->handleSaveAsResult (file);
    EXPECT_EQ (text(), "Mine ");
    ASSERT_NE (manager().getCurrentUserPreset(), nullptr);
    EXPECT_EQ (manager().getCurrentUserPreset()->file, file);
    EXPECT_EQ (manager().getCurrentId(), manager().getCurrentUserPreset()->id);

    // "Save" writes the edit into that file and removes the marker.
    processor.setPlain ("Tone", 33.0f);
    EXPECT_EQ (text(), "Mine*");
    choose (tarn_gui::PresetComponent::saveEntry);
    EXPECT_TRUE (launches.empty());
    EXPECT_EQ (text(), "Mine ");
    {
        FakePresetProcessor reader;
        ASSERT_TRUE (reader.loadPresetFile (file));
        EXPECT_FLOAT_EQ (reader.plain ("Tone"), 33.0f);
    }

    // "New" resets every parameter and shows the entry text; the current preset stays.
    const auto currentBeforeNew = manager().getCurrentId();
    choose (tarn_gui::PresetComponent::newEntry);
    EXPECT_EQ (text().trimEnd(), "New");
    EXPECT_FLOAT_EQ (processor.plain ("Tone"), 75.0f);
    EXPECT_EQ (manager().getCurrentId(), currentBeforeNew);
    EXPECT_FALSE (processor.isModified());

    // ... and an edit after it marks it.
    processor.setPlain ("1- N Segs", 40.0f);
    EXPECT_EQ (text(), "New*");

    // Undoing a load shows "New" with the marker of the state after the undo, until the next
    // refresh shows the preset that was current before the load.
    const auto oaxaca = factoryId ("Oaxaca");
    choose (oaxaca);
    EXPECT_EQ (text(), "Oaxaca ");
    processor.undoManager.undo();
    EXPECT_EQ (text().trimEnd().trimCharactersAtEnd ("*"), "New");
    EXPECT_EQ (text().endsWith ("*"), processor.isModified());
    EXPECT_FLOAT_EQ (processor.plain ("1- N Segs"), 40.0f);
    EXPECT_EQ (manager().getCurrentId(), currentBeforeNew);
    browser->updateDisplay();
    EXPECT_EQ (text(), "Mine*");
}

TEST_F (PresetBrowserTest, ArrowsStepByIdAndWrap)
{
    tarn_gui::LookAndFeel laf;
    tarn_gui::PresetScroller scroller (laf, browser.get());
    const auto right = [&] { scroller.buttonClicked (&scroller.rightButton); };
    const auto left = [&] { scroller.buttonClicked (&scroller.leftButton); };

    // From no preset, right gives the first ID and left the last.
    right();
    EXPECT_EQ (manager().getCurrentId(), 10);
    EXPECT_EQ (text(), "Black pepper ");
    left();
    EXPECT_EQ (manager().getCurrentId(), 44);
    EXPECT_EQ (text(), "Plorvex called ");

    // A user preset found later comes after the factory presets, and right wraps to the first.
    writePreset (processor, presetFolder().getChildFile ("later.kd11"));
    browser->refreshPresets();
    const auto later = manager().findUserPreset (presetFolder().getChildFile ("later.kd11"));
    ASSERT_NE (later, nullptr);
    EXPECT_EQ (later->id, 45);
    right();
    EXPECT_EQ (manager().getCurrentId(), 45);
    EXPECT_EQ (text(), "Later ");
    right();
    EXPECT_EQ (manager().getCurrentId(), 10);
    left();
    EXPECT_EQ (manager().getCurrentId(), 45);
}

TEST_F (PresetBrowserTest, ScrollerPlacesItsArrowsAtTheEnds)
{
    tarn_gui::LookAndFeel laf;
    tarn_gui::PresetScroller scroller (laf, browser.get());
    scroller.setSize (36, 22);
    EXPECT_EQ (scroller.leftButton.getBounds(), juce::Rectangle<int> (0, 0, 11, 22));
    EXPECT_EQ (scroller.rightButton.getBounds(), juce::Rectangle<int> (25, 0, 11, 22));
    EXPECT_EQ (scroller.leftButton.getName(), "LeftScrollerButton");
    EXPECT_EQ (scroller.rightButton.getName(), "RightScrollerButton");

    // Narrower than the two arrows: each gets half, never a negative size.
    scroller.setSize (10, 22);
    EXPECT_EQ (scroller.leftButton.getBounds(), juce::Rectangle<int> (0, 0, 5, 22));
    EXPECT_EQ (scroller.rightButton.getBounds(), juce::Rectangle<int> (5, 0, 5, 22));
}

TEST_F (PresetBrowserTest, ChoosingAnIdThatIsNotInTheMenuOnlyRefreshesTheText)
{
    // A preset opened from deeper than the scanned levels has an ID but no entry.
    const auto deep = presetFolder().getChildFile ("a/b/c/d/deep.kd11");
    processor.setPlain ("Tone", 5.0f);
    writePreset (processor, deep);
    auto* deepPreset = manager().registerUserPreset (deep);

    choose (factoryId ("Twinkle"));
    const auto values = processor.plainValues();
    browser->refreshPresets();
    ASSERT_EQ (itemsOf (*browser->getRootMenu()).count (deepPreset->id), 0u);

    for (const auto id : { deepPreset->id, 999 })
    {
        choose (id);
        EXPECT_EQ (manager().getCurrentId(), factoryId ("Twinkle")) << id;
        EXPECT_EQ (processor.plainValues(), values) << id;
        EXPECT_EQ (text(), "Twinkle ") << id;
        EXPECT_EQ (browser->getSelectedId(), 0) << id;
    }
}

TEST_F (PresetBrowserTest, AFailedLoadChangesNothing)
{
    const auto root = presetFolder();
    const auto good = writePreset (processor, root.getChildFile ("good.kd11"));
    const auto broken = root.getChildFile ("broken.kd11");
    const auto vanishing = writePreset (processor, root.getChildFile ("vanishing.kd11"));
    ASSERT_TRUE (broken.replaceWithText ("this is no preset"));
    browser->refreshPresets();

    choose (manager().findUserPreset (good)->id);
    processor.setPlain ("Tone", 21.0f);
    ASSERT_EQ (text(), "Good*");

    const auto brokenId = manager().findUserPreset (broken)->id;
    const auto vanishingId = manager().findUserPreset (vanishing)->id;
    ASSERT_TRUE (vanishing.deleteFile());

    for (const auto id : { brokenId, vanishingId })
    {
        const auto values = processor.plainValues();
        const auto historyBefore = processor.undoManager.getNumberOfUnitsTakenUpByStoredCommands();
        choose (id);

        EXPECT_EQ (manager().getCurrentId(), manager().findUserPreset (good)->id) << id;
        EXPECT_EQ (manager().getCurrentUserPreset(), manager().findUserPreset (good)) << id;
        EXPECT_TRUE (processor.isModified()) << id;
        EXPECT_EQ (text(), "Good*") << id;
        EXPECT_EQ (processor.plainValues(), values) << id;
        EXPECT_EQ (processor.undoManager.getNumberOfUnitsTakenUpByStoredCommands(), historyBefore) << id;
    }

    // The menu was refreshed: the vanished file is gone, the unreadable one is still offered.
    const auto items = itemsOf (*browser->getRootMenu());
    EXPECT_EQ (items.count (vanishingId), 0u);
    EXPECT_EQ (items.count (brokenId), 1u);
}

//==================================================================================================
TEST_F (PresetBrowserTest, OpenMakesFilesInTheUserFolderUserPresetsAndOthersTheExternalPreset)
{
    choose (factoryId ("Twinkle"));
    const auto twinkleValues = processor.plainValues();

    processor.setPlain ("Tone", 11.0f);
    const auto outside = writePreset (processor, sandbox().getChildFile ("from_friend.kd11"));
    processor.setPlain ("Tone", 22.0f);
    const auto inside = writePreset (processor, presetFolder().getChildFile ("Keys/inside.kd11"));
    choose (factoryId ("Twinkle"));
    ASSERT_EQ (processor.plainValues(), twinkleValues);

    // A dialog that was cancelled changes nothing.
    choose (tarn_gui::PresetComponent::openEntry);
    ASSERT_EQ (launches.size(), 1u);
    EXPECT_EQ (launches[0].chooser, browser->loadChooser.get());
    EXPECT_EQ (launches[0].flags, tarn_gui::PresetComponent::openFlags);
    EXPECT_EQ (text(), "Twinkle ");
    answer ({});
    EXPECT_EQ (processor.plainValues(), twinkleValues);
    EXPECT_EQ (text(), "Twinkle ");

    // Outside the user folder: loaded as the external preset; the current ID stays.
    browser->handleOpenResult (outside);
    EXPECT_FLOAT_EQ (processor.plain ("Tone"), 11.0f);
    ASSERT_NE (manager().getCurrentUserPreset(), nullptr);
    EXPECT_EQ (manager().getCurrentUserPreset(), manager().getExternalPreset());
    EXPECT_EQ (manager().getExternalPreset()->id, -1);
    EXPECT_EQ (manager().getCurrentId(), factoryId ("Twinkle"));
    EXPECT_EQ (text(), "From friend ");

    // Inside: a user preset with its own ID, listed in the menu.
    browser->handleOpenResult (inside);
    EXPECT_FLOAT_EQ (processor.plain ("Tone"), 22.0f);
    const auto* preset = manager().findUserPreset (inside);
    ASSERT_NE (preset, nullptr);
    EXPECT_EQ (manager().getCurrentUserPreset(), preset);
    EXPECT_EQ (manager().getCurrentId(), preset->id);
    EXPECT_EQ (text(), "Inside ");
    EXPECT_EQ (itemsOf (*browser->getRootMenu()).count (preset->id), 1u);

    // A file that is no preset: nothing changes.
    const auto junk = sandbox().getChildFile ("junk.kd11");
    ASSERT_TRUE (junk.replaceWithText ("junk"));
    browser->handleOpenResult (junk);
    EXPECT_FLOAT_EQ (processor.plain ("Tone"), 22.0f);
    EXPECT_EQ (manager().getCurrentUserPreset(), preset);
    EXPECT_EQ (text(), "Inside ");
}

TEST_F (PresetBrowserTest, SaveAsDecidesBetweenUserPresetAndExternalPreset)
{
    choose (factoryId ("Twinkle"));
    const auto twinkle = manager().getCurrentId();

    struct Case
    {
        const char* name;
        juce::File file;
        bool createFirst;
        bool becomesUserPreset;
    };

    const Case cases[] = {
        // A file that already was in the user folder.
        { "existing inside", presetFolder().getChildFile ("Leads/kept.kd11"), true, true },
        // Outside the user folder, existing or new.
        { "existing outside", sandbox().getChildFile ("old.kd11"), true, false },
        { "new outside", sandbox().getChildFile ("new_one.kd11"), false, false },
        // A file the scan has never seen, even inside the user folder.
        { "new inside", presetFolder().getChildFile ("brand_new.kd11"), false, false },
    };

    float tone = 1.0f;

    for (const auto& c : cases)
    {
        if (c.createFirst)
        {
            ASSERT_TRUE (tarn_gui::createFileWithRetries (c.file)) << c.name;
        }

        browser->refreshPresets();
        manager().setCurrentId (twinkle);
        processor.setPlain ("Tone", tone += 3.0f);
        ASSERT_TRUE (processor.isModified());

        browser->handleSaveAsResult (c.file);

        FakePresetProcessor reader;
        ASSERT_TRUE (reader.loadPresetFile (c.file)) << c.name;
        EXPECT_FLOAT_EQ (reader.plain ("Tone"), tone) << c.name;
        EXPECT_FALSE (processor.isModified()) << c.name;
        EXPECT_EQ (text(), tarn_gui::displayNameFromPath (c.file.getFullPathName()) + " ") << c.name;

        if (c.becomesUserPreset)
        {
            EXPECT_EQ (manager().getCurrentUserPreset(), manager().findUserPreset (c.file)) << c.name;
            EXPECT_EQ (manager().getCurrentId(), manager().findUserPreset (c.file)->id) << c.name;
        }
        else
        {
            EXPECT_EQ (manager().getCurrentUserPreset(), manager().getExternalPreset()) << c.name;
            EXPECT_EQ (manager().getExternalPreset()->file, c.file) << c.name;
            EXPECT_EQ (manager().getCurrentId(), twinkle) << c.name;
        }
    }

    // The new file inside the folder shows up in the menu after the refresh.
    const auto* brandNew = manager().findUserPreset (presetFolder().getChildFile ("brand_new.kd11"));
    ASSERT_NE (brandNew, nullptr);
    EXPECT_EQ (itemsOf (*browser->getRootMenu()).count (brandNew->id), 1u);
}

TEST_F (PresetBrowserTest, ASaveAsThatCannotBeWrittenChangesNothing)
{
    choose (factoryId ("Twinkle"));
    processor.setPlain ("Tone", 9.0f);
    const auto folderTarget = presetFolder().getChildFile ("a_folder.kd11");
    ASSERT_TRUE (folderTarget.createDirectory().wasOk());
    const auto blocker = sandbox().getChildFile ("blocker");
    ASSERT_TRUE (tarn_gui::createFileWithRetries (blocker));

    // A folder, a place below a regular file, and a cancelled dialog.
    for (const auto& target : { folderTarget, blocker.getChildFile ("x.kd11"), juce::File() })
    {
        browser->handleSaveAsResult (target);
        EXPECT_EQ (manager().getCurrentId(), factoryId ("Twinkle")) << target.getFullPathName();
        EXPECT_EQ (manager().getCurrentUserPreset(), nullptr) << target.getFullPathName();
        EXPECT_TRUE (processor.isModified()) << target.getFullPathName();
        EXPECT_EQ (text(), "Twinkle*") << target.getFullPathName();
    }

    EXPECT_TRUE (folderTarget.isDirectory());
    EXPECT_FALSE (blocker.getChildFile ("x.kd11").exists());
}

TEST_F (PresetBrowserTest, SaveWithoutAUserFileRunsTheSaveAsDialog)
{
    choose (factoryId ("Twinkle"));
    processor.setPlain ("Tone", 44.0f);

    choose (tarn_gui::PresetComponent::saveEntry);
    ASSERT_EQ (launches.size(), 1u);
    EXPECT_EQ (launches[0].chooser, browser->saveChooser.get());
    EXPECT_EQ (launches[0].flags, tarn_gui::PresetComponent::saveFlags);
    EXPECT_EQ (text(), "Twinkle*");

    const auto target = sandbox().getChildFile ("saved.kd11");
    answer (target);
    FakePresetProcessor reader;
    ASSERT_TRUE (reader.loadPresetFile (target));
    EXPECT_FLOAT_EQ (reader.plain ("Tone"), 44.0f);
    EXPECT_EQ (text(), "Saved ");

    // With a current file, "Save" writes in place and asks nothing.
    processor.setPlain ("Tone", 45.0f);
    choose (tarn_gui::PresetComponent::saveEntry);
    EXPECT_TRUE (launches.empty());
    ASSERT_TRUE (reader.loadPresetFile (target));
    EXPECT_FLOAT_EQ (reader.plain ("Tone"), 45.0f);
}

TEST_F (PresetBrowserTest, TheBrowserIsTheLoadersDisplayWhileItExists)
{
    EXPECT_EQ (processor.getDisplay(), browser.get());
    browser.reset();
    EXPECT_EQ (processor.getDisplay(), nullptr);

    // An edit now reaches no display.
    processor.setPlain ("Tone", 3.0f);
    EXPECT_TRUE (processor.isModified());
}

//==================================================================================================
TEST_F (PresetBrowserTest, CreatePackFromTheUserFolderOrASubfolder)
{
    const auto root = presetFolder();
    writePreset (processor, root.getChildFile ("first.kd11"));
    writePreset (processor, root.getChildFile ("Leads/a.kd11"));
    root.getChildFile ("Leads/readme.txt").replaceWithText ("not a preset");

    // The whole dialog sequence: source folder, then pack file.
    choose (tarn_gui::PresetComponent::createPackEntry);
    ASSERT_EQ (launches.size(), 1u);
    EXPECT_EQ (launches[0].chooser, browser->packSourceChooser.get());
    EXPECT_EQ (launches[0].flags, tarn_gui::PresetComponent::folderFlags);
    answer (root);
    ASSERT_EQ (launches.size(), 1u);
    EXPECT_EQ (launches[0].chooser, browser->packTargetChooser.get());
    EXPECT_EQ (launches[0].flags, tarn_gui::PresetComponent::saveFlags);
    const auto wholePack = sandbox().getChildFile ("all.kd11_pack");
    ASSERT_TRUE (sandbox().createDirectory().wasOk());
    answer (wholePack);
    EXPECT_EQ (entryNames (wholePack), juce::StringArray ({ "first.kd11", "Leads/a.kd11" }));

    // A subfolder: its presets under their names relative to it.
    ASSERT_TRUE (browser->handlePackSourceResult (root.getChildFile ("Leads")));
    const auto leadsPack = sandbox().getChildFile ("leads.kd11_pack");
    browser->handlePackTargetResult (leadsPack);
    EXPECT_EQ (entryNames (leadsPack), juce::StringArray ({ "a.kd11" }));
}

TEST_F (PresetBrowserTest, CreatePackFromAFolderOutsideTheTreeDoesNothing)
{
    ASSERT_TRUE (sandbox().getChildFile ("elsewhere").createDirectory().wasOk());
    writePreset (processor, sandbox().getChildFile ("elsewhere/x.kd11"));

    for (const auto& folder :
         { sandbox().getChildFile ("elsewhere"), presetFolder().getParentDirectory(), juce::File() })
    {
        choose (tarn_gui::PresetComponent::createPackEntry);
        answer (folder);
        EXPECT_TRUE (launches.empty()) << folder.getFullPathName(); // no second dialog

        // Even asked directly, no pack is written without an accepted source.
        browser->handlePackTargetResult (sandbox().getChildFile ("nothing.kd11_pack"));
        EXPECT_FALSE (sandbox().getChildFile ("nothing.kd11_pack").exists()) << folder.getFullPathName();
    }
}

TEST_F (PresetBrowserTest, ImportCreatesTheSubfolderAndImportingTwiceKeepsIds)
{
    // A pack made elsewhere: two presets, one of them in a subfolder.
    const auto source = sandbox().getChildFile ("source");
    writePreset (processor, source.getChildFile ("soft.kd11"));
    writePreset (processor, source.getChildFile ("More/harder.kd11"));
    juce::ZipFile::Builder builder;
    builder.addFile (source.getChildFile ("soft.kd11"), 5, "soft.kd11");
    builder.addFile (source.getChildFile ("More/harder.kd11"), 5, "More/harder.kd11");
    const auto pack = sandbox().getChildFile ("warm_pads.kd11_pack");
    {
        juce::FileOutputStream out (pack);
        ASSERT_TRUE (builder.writeToStream (out, nullptr));
    }

    choose (tarn_gui::PresetComponent::importPackEntry);
    ASSERT_EQ (launches.size(), 1u);
    EXPECT_EQ (launches[0].chooser, browser->packOpenChooser.get());
    EXPECT_EQ (launches[0].flags, tarn_gui::PresetComponent::openFlags);
    answer (pack);

    const auto target = presetFolder().getChildFile ("warm_pads");
    EXPECT_TRUE (target.getChildFile ("soft.kd11").existsAsFile());
    EXPECT_TRUE (target.getChildFile ("More/harder.kd11").existsAsFile());

    const auto* warmPads = submenu (*browser->getRootMenu(), "Warm pads");
    ASSERT_NE (warmPads, nullptr);
    const auto softId = manager().findUserPreset (target.getChildFile ("soft.kd11"))->id;
    const auto harderId = manager().findUserPreset (target.getChildFile ("More/harder.kd11"))->id;
    juce::StringArray expected;
    expected.add (juce::String (softId) + " Soft");
    expected.add ("More >");
    expected.add ("  " + juce::String (harderId) + " Harder");
    EXPECT_EQ (describeMenu (*warmPads), expected);

    // Again: the files are replaced, no duplicates, the same IDs. (The menu is rebuilt, so the
    // submenu is looked up anew.)
    browser->handleUnpackResult (pack);
    const auto* again = submenu (*browser->getRootMenu(), "Warm pads");
    ASSERT_NE (again, nullptr);
    EXPECT_EQ (describeMenu (*again), expected);
    EXPECT_EQ (manager().findUserPreset (target.getChildFile ("soft.kd11"))->id, softId);
    EXPECT_EQ (target.findChildFiles (juce::File::findFiles, true, "*").size(), 2);

    // Cancelled, or not a pack at all: nothing new in the user folder.
    const auto before = presetFolder().findChildFiles (juce::File::findFilesAndDirectories, true, "*").size();
    browser->handleUnpackResult ({});
    const auto notAPack = sandbox().getChildFile ("notes.kd11_pack");
    ASSERT_TRUE (notAPack.replaceWithText ("not a zip"));
    browser->handleUnpackResult (notAPack);
    EXPECT_EQ (presetFolder().findChildFiles (juce::File::findFilesAndDirectories, true, "*").size(), before);
}
} // namespace kaleidra::test
