// kaleidra-widget-gallery OUTDIR
//
// Renders each widget of the kit in its states into PNG files in OUTDIR (created when missing),
// for looking at them by eye. Everything is painted into images; no window is opened. Exits with 1
// when a file cannot be written.

#include <tarn_gui/tarn_gui.h>

#include <BinaryData.h>

#include <iostream>

namespace
{
using tarn_gui::LookAndFeel;

// A sheet: items laid out in rows on the plug-in's background, each with a caption, drawn at a
// scale so that small widgets can be inspected.
struct Sheet
{
    Sheet (LookAndFeel& kitLaf, int widthIn, int heightIn, float scaleIn)
        : laf (kitLaf)
        , scale (scaleIn)
        , image (juce::Image::ARGB, juce::roundToInt ((float) widthIn * scaleIn),
                 juce::roundToInt ((float) heightIn * scaleIn), true)
        , g (image)
        , width (widthIn)
    {
        g.fillAll (laf.backgroundColour);
        g.addTransform (juce::AffineTransform::scale (scale));
    }

    // Paints the component at the current position with a caption above it.
    void add (juce::Component& component, const juce::String& caption)
    {
        const auto w = component.getWidth();
        const auto h = component.getHeight();
        if (x > margin && x + w > width - margin)
            newRow();

        g.setColour (juce::Colours::black.withAlpha (0.7f));
        g.setFont (juce::Font (10.0f));
        g.drawText (caption, x, y, juce::jmax (w, 60), 12, juce::Justification::centredLeft, true);

        juce::Graphics::ScopedSaveState state (g);
        g.setOrigin (x, y + 14);
        g.reduceClipRegion (0, 0, w, h); // as a parent would: fillAll() stays inside the widget
        component.paintEntireComponent (g, false);

        x += juce::jmax (w, 60) + margin;
        rowHeight = juce::jmax (rowHeight, h + 14);
    }

    void newRow()
    {
        x = margin;
        y += rowHeight + margin;
        rowHeight = 0;
    }

    LookAndFeel& laf;
    float scale;
    juce::Image image;
    juce::Graphics g;
    int width;
    static constexpr int margin = 8;
    int x = margin, y = margin, rowHeight = 0;
};

struct Gallery
{
    explicit Gallery (const juce::File& dir)
        : outDir (dir)
    {
    }

    bool save (const juce::Image& image, const juce::String& name)
    {
        const auto file = outDir.getChildFile (name + ".png");
        file.deleteFile();
        juce::FileOutputStream stream (file);
        juce::PNGImageFormat png;
        const auto ok = stream.openedOk() && png.writeImageToStream (image, stream);
        std::cout << (ok ? "wrote " : "FAILED ") << file.getFullPathName() << "\n";
        allWritten = allWritten && ok;
        ++count;
        return ok;
    }

    juce::File outDir;
    bool allWritten = true;
    int count = 0;
};

juce::Image sliders (LookAndFeel& laf)
{
    Sheet sheet (laf, 620, 200, 2.0f);

    const auto horizontal = [&] (double value, bool enabled, const juce::String& caption)
    {
        juce::Slider s (juce::Slider::LinearHorizontal, juce::Slider::NoTextBox);
        s.setLookAndFeel (&laf);
        s.setRange (0.0, 1.0);
        s.setValue (value);
        s.setEnabled (enabled);
        s.setBounds (0, 0, 250, 16);
        sheet.add (s, caption);
        s.setLookAndFeel (nullptr);
    };
    horizontal (0.0, true, "horizontal, minimum");
    horizontal (0.25, true, "horizontal, 25 %");
    horizontal (0.5, true, "horizontal, mid");
    horizontal (1.0, true, "horizontal, maximum");
    horizontal (0.5, false, "horizontal, mid, disabled");
    sheet.newRow();

    const auto rotary = [&] (double value, bool enabled, int size, const juce::String& caption)
    {
        juce::Slider s (juce::Slider::RotaryHorizontalVerticalDrag, juce::Slider::NoTextBox);
        s.setLookAndFeel (&laf);
        s.setRange (0.0, 1.0);
        s.setValue (value);
        s.setEnabled (enabled);
        s.setBounds (0, 0, size, size);
        sheet.add (s, caption);
        s.setLookAndFeel (nullptr);
    };
    rotary (0.0, true, 60, "rotary 0");
    rotary (0.5, true, 60, "rotary 0.5");
    rotary (1.0, true, 60, "rotary 1");
    rotary (0.5, false, 60, "disabled");
    rotary (0.3, true, 10, "10 px");
    return sheet.image;
}

juce::Image comboAndMenu (LookAndFeel& laf)
{
    Sheet sheet (laf, 560, 260, 2.0f);

    juce::ComboBox box;
    box.setLookAndFeel (&laf);
    box.addItem ("Factory: Init", 10);
    box.setSelectedId (10, juce::dontSendNotification);
    box.setBounds (0, 0, 250, 22);
    sheet.add (box, "combo box");
    juce::ComboBox empty;
    empty.setLookAndFeel (&laf);
    empty.setBounds (0, 0, 250, 22);
    sheet.add (empty, "combo box, empty");
    sheet.newRow();

    // A menu drawn item by item on its background.
    struct Item
    {
        const char* text;
        bool separator, active, highlighted, subMenu;
    };
    const Item items[] = {
        { "Normal item", false, true, false, false },
        { "Highlighted, active", false, true, true, false },
        { "Highlighted, inactive", false, false, true, false },
        { "", true, true, false, false },
        { "Sub-menu", false, true, false, true },
        { "Sub-menu, highlighted", false, true, true, true },
    };
    const int itemHeight = 24, menuWidth = 260, sep = 4;
    int menuHeight = 8 + 24; // section header
    for (const auto& item : items)
        menuHeight += item.separator ? sep : itemHeight;

    juce::Image menu (juce::Image::ARGB, menuWidth, menuHeight, true);
    {
        juce::Graphics mg (menu);
        laf.drawPopupMenuBackground (mg, menuWidth, menuHeight);
        int y = 4;
        laf.drawPopupMenuSectionHeader (mg, { 4, y, menuWidth - 8, 24 }, "Section header");
        y += 24;
        for (const auto& item : items)
        {
            const auto h = item.separator ? sep : itemHeight;
            juce::Graphics::ScopedSaveState state (mg);
            mg.setOrigin (4, y);
            laf.drawPopupMenuItem (mg, { 0, 0, menuWidth - 8, h }, item.separator, item.active,
                                   item.highlighted, false, item.subMenu, item.text, {}, nullptr, nullptr);
            y += h;
        }
    }
    juce::ImageComponent menuComponent;
    menuComponent.setImage (menu, juce::RectanglePlacement::doNotResize);
    menuComponent.setBounds (0, 0, menuWidth, menuHeight);
    sheet.add (menuComponent, "popup menu");

    juce::TextEditor editor;
    editor.setLookAndFeel (&laf);
    editor.setText ("Preset name");
    editor.setBounds (0, 0, 200, 24);
    sheet.add (editor, "text editor");

    box.setLookAndFeel (nullptr);
    empty.setLookAndFeel (nullptr);
    editor.setLookAndFeel (nullptr);
    return sheet.image;
}

juce::Image tabs (LookAndFeel& laf)
{
    Sheet sheet (laf, 700, 150, 2.0f);
    const auto bar = [&] (int numTabs, int front, const juce::String& caption)
    {
        juce::TabbedButtonBar tabBar (juce::TabbedButtonBar::TabsAtTop);
        tabBar.setLookAndFeel (&laf);
        for (int i = 0; i < numTabs; ++i)
            tabBar.addTab ("Tab " + juce::String (i + 1), juce::Colours::black, -1);
        tabBar.setBounds (0, 0, 100 * numTabs, 30);
        tabBar.setCurrentTabIndex (front);
        sheet.add (tabBar, caption);
        tabBar.setLookAndFeel (nullptr);
    };
    bar (1, 0, "one tab");
    bar (2, 0, "two tabs, first in front");
    sheet.newRow();
    bar (3, 1, "three tabs, middle in front");

    // A hovered back tab, drawn directly.
    juce::TabbedButtonBar tabBar (juce::TabbedButtonBar::TabsAtTop);
    tabBar.setLookAndFeel (&laf);
    tabBar.addTab ("Front", juce::Colours::black, -1);
    tabBar.addTab ("Hovered", juce::Colours::black, -1);
    tabBar.setBounds (0, 0, 200, 30);
    tabBar.setCurrentTabIndex (0);
    auto* back = tabBar.getTabButton (1);
    juce::Image hovered (juce::Image::ARGB, back->getWidth(), back->getHeight(), true);
    {
        juce::Graphics hg (hovered);
        laf.drawTabButton (*back, hg, true, false);
    }
    juce::ImageComponent hoveredComponent;
    hoveredComponent.setImage (hovered, juce::RectanglePlacement::doNotResize);
    hoveredComponent.setBounds (0, 0, hovered.getWidth(), hovered.getHeight());
    sheet.add (hoveredComponent, "back tab, hovered");
    tabBar.setLookAndFeel (nullptr);
    return sheet.image;
}

juce::Image iconButtons (LookAndFeel& laf)
{
    struct Icon
    {
        const char* data;
        int size;
        const char* name;
    };
    const Icon icons[] = {
        { BinaryData::undo_svg, BinaryData::undo_svgSize, "undo" },
        { BinaryData::redo_svg, BinaryData::redo_svgSize, "redo" },
        { BinaryData::reload_svg, BinaryData::reload_svgSize, "reload" },
        { BinaryData::new_svg, BinaryData::new_svgSize, "new" },
        { BinaryData::randomPreset_svg, BinaryData::randomPreset_svgSize, "randomPreset" },
    };

    Sheet sheet (laf, 440, 320, 3.0f);
    for (const auto& icon : icons)
    {
        tarn_gui::IconButton button (icon.data, icon.size, laf.secondaryColour, icon.name, nullptr);
        button.setBounds (0, 0, 22, 22);
        for (const auto state :
             { juce::Button::buttonNormal, juce::Button::buttonOver, juce::Button::buttonDown })
        {
            button.setState (state);
            sheet.add (button, juce::String (icon.name) + (state == juce::Button::buttonNormal ? ""
                                                           : state == juce::Button::buttonOver ? " over"
                                                                                               : " down"));
        }
        button.setState (juce::Button::buttonNormal);
        button.setEnabled (false);
        sheet.add (button, juce::String (icon.name) + " disabled");

        // The artwork itself, large, in its own black.
        if (auto drawable = juce::Drawable::createFromImageData (icon.data, (size_t) icon.size))
        {
            juce::ImageComponent large;
            juce::Image big (juce::Image::ARGB, 40, 40, true);
            {
                juce::Graphics bg (big);
                drawable->drawWithin (bg, { 0.0f, 0.0f, 40.0f, 40.0f }, juce::RectanglePlacement::centred,
                                      1.0f);
            }
            large.setImage (big, juce::RectanglePlacement::doNotResize);
            large.setBounds (0, 0, 40, 40);
            sheet.add (large, "artwork");
        }
        sheet.newRow();
    }
    return sheet.image;
}

juce::Image triangleButtons (LookAndFeel& laf)
{
    Sheet sheet (laf, 300, 200, 3.0f);
    const char* names[] = { "up", "down", "left", "right", "dir 4" };
    for (int direction = 0; direction < 5; ++direction)
    {
        tarn_gui::TriangleButton button (direction, laf, names[direction], nullptr);
        button.setBounds (0, 0, 18, 22);
        for (const auto state :
             { juce::Button::buttonNormal, juce::Button::buttonOver, juce::Button::buttonDown })
        {
            button.setState (state);
            sheet.add (button,
                       juce::String (names[direction]) + (state == juce::Button::buttonNormal ? ""
                                                          : state == juce::Button::buttonOver ? " over"
                                                                                              : " down"));
        }
        sheet.newRow();
    }
    return sheet.image;
}

juce::Image togglesAndLights (LookAndFeel& laf)
{
    Sheet sheet (laf, 460, 80, 3.0f);

    // The box toggle's look, painted with each highlight state.
    const auto box = [&] (bool on, bool hovered, const juce::String& caption)
    {
        tarn_gui::BoxToggleButton button (laf);
        button.setBounds (0, 0, 14, 14);
        button.setToggleState (on, juce::dontSendNotification);
        juce::Image image (juce::Image::ARGB, 14, 14, true);
        {
            juce::Graphics bg (image);
            button.paintButton (bg, hovered, false);
        }
        juce::ImageComponent ic;
        ic.setImage (image, juce::RectanglePlacement::doNotResize);
        ic.setBounds (0, 0, 14, 14);
        sheet.add (ic, caption);
    };
    box (true, false, "on");
    box (true, true, "on, hovered");
    box (false, false, "off");
    box (false, true, "off, hovered");
    sheet.newRow();

    tarn_gui::IndicatorLightSuite suite (laf);
    suite.light.colours.add (laf.primaryColour.withMultipliedAlpha (0.6f));
    suite.light.setBounds (0, 0, 14, 14);
    for (const int state : { -1, 0, 1, 2, 3 })
    {
        suite.setState (state);
        sheet.add (suite.light, "light " + juce::String (state));
    }
    return sheet.image;
}

juce::Image labels (LookAndFeel& laf)
{
    Sheet sheet (laf, 560, 220, 2.0f);

    tarn_gui::BasicLabel label (laf);
    label.setText ("Mix: 100.0%", juce::dontSendNotification);
    label.setBounds (0, 0, 260, 24);
    sheet.add (label, "basic label, 24 high");
    label.setBounds (0, 0, 260, 16);
    sheet.add (label, "basic label, 16 high");
    sheet.newRow();

    const juce::URL url ("https://example.com");
    tarn_gui::TitleLabels title ("Tarnlight", url, "Kaleidra_v1-1-2", url, laf);
    title.setBounds (0, 0, 540, 34);
    sheet.add (title, "title, 540 wide");
    sheet.newRow();
    title.setBounds (0, 0, 300, 34);
    sheet.add (title, "title, 300 wide (product cut)");
    sheet.newRow();

    tarn_gui::HyperlinkLabelRow row (laf, { "User Guide", "Get Support" }, { url, url },
                                     juce::Justification::bottomLeft);
    row.setBounds (0, 0, 530, 22);
    sheet.add (row, "link row");
    return sheet.image;
}

// The kit's widgets placed roughly as in the plug-in window.
juce::Image editorMock (LookAndFeel& laf)
{
    struct StagePanel : public juce::Component
    {
        StagePanel (LookAndFeel& kitLaf, int stage)
            : grid (kitLaf, { 4, 3, 3, 3 })
            , outline (kitLaf.textColour)
        {
            auto* light = dynamic_cast<tarn_gui::IndicatorLightSuite*> (grid.suites[0]);
            light->light.colours.add (kitLaf.primaryColour.withMultipliedAlpha (0.6f));
            light->setLabelText ("Stage " + juce::String (stage));
            light->setState (stage == 3 ? -1 : (stage == 2 ? 2 : 0));
            const char* texts[] = { "N: 31", "Segment Size: 11.0µs", "Mix: 100.0%" };
            const double values[] = { 0.33, 0.22, 0.83 };
            for (int i = 1; i < 4; ++i)
            {
                auto* suite = dynamic_cast<tarn_gui::SliderSuite*> (grid.suites[i]);
                suite->slider.setRange (0.0, 1.0);
                suite->slider.setValue (values[i - 1]);
                suite->setLabelText (juce::String::fromUTF8 (texts[i - 1]));
            }
            addAndMakeVisible (grid);
        }
        void resized() override
        {
            grid.setBounds (getLocalBounds().reduced (10));
        }
        void paint (juce::Graphics& g) override
        {
            g.setColour (outline);
            g.drawRoundedRectangle (getLocalBounds().toFloat(), 20.0f, 3.0f);
        }
        tarn_gui::LabeledSuiteGrid grid;
        juce::Colour outline;
    };

    struct Mock : public juce::Component
    {
        explicit Mock (LookAndFeel& kitLaf)
            : laf (kitLaf)
            , title ("Tarnlight", juce::URL ("https://example.com"), "Kaleidra_v1-1-2",
                     juce::URL ("https://example.com"), laf)
            , undo (BinaryData::undo_svg, BinaryData::undo_svgSize, laf.secondaryColour, "UndoButton",
                    nullptr)
            , redo (BinaryData::redo_svg, BinaryData::redo_svgSize, laf.secondaryColour, "RedoButton",
                    nullptr)
            , reload (BinaryData::reload_svg, BinaryData::reload_svgSize, laf.secondaryColour, "ReloadButton",
                      nullptr)
            , reset (BinaryData::new_svg, BinaryData::new_svgSize, laf.secondaryColour, "NewButton", nullptr)
            , random (BinaryData::randomPreset_svg, BinaryData::randomPreset_svgSize, laf.secondaryColour,
                      "RandomPresetButton", nullptr)
            , left (2, laf, "LeftScrollerButton", nullptr)
            , right (3, laf, "RightScrollerButton", nullptr)
            , stage1 (laf, 1)
            , stage2 (laf, 2)
            , stage3 (laf, 3)
            , mode (laf)
            , tone (laf, juce::Slider::LinearHorizontal)
            , tip (laf)
            , links (laf, { "User Guide", "Get Support" },
                     { juce::URL ("https://example.com"), juce::URL ("https://example.com") },
                     juce::Justification::bottomLeft)
        {
            presets.setLookAndFeel (&laf);
            presets.addItem ("Factory: Init*", 10);
            presets.setSelectedId (10, juce::dontSendNotification);
            for (auto* c : std::initializer_list<juce::Component*>{ &title, &undo, &redo, &presets, &left,
                                                                    &right, &reload, &reset, &random, &stage1,
                                                                    &stage2, &stage3, &tip, &links })
                addAndMakeVisible (c);
            mode.addToParent (*this);
            tone.addToParent (*this);
            mode.setLabelText ("Mode: Series");
            tone.slider.setRange (0.0, 1.0);
            tone.slider.setValue (0.75);
            tone.setLabelText ("Presence: 75.0%");
            tip.toggleSuite.setLabelText ("Segment length for stage 2 (click label to enter value).");
        }
        ~Mock() override
        {
            presets.setLookAndFeel (nullptr);
        }
        void paint (juce::Graphics& g) override
        {
            g.fillAll (laf.backgroundColour);
        }
        void resized() override
        {
            title.setBounds (10, 0, 540, 34);
            undo.setBounds (10, 59, 22, 22);
            redo.setBounds (32, 59, 22, 22);
            presets.setBounds (62, 59, 250, 22);
            left.setBounds (320, 59, 18, 22);
            right.setBounds (338, 59, 18, 22);
            reload.setBounds (364, 59, 22, 22);
            reset.setBounds (394, 59, 22, 22);
            random.setBounds (424, 59, 22, 22);
            stage1.setBounds (10, 91, 530, 116);
            stage2.setBounds (10, 217, 530, 116);
            stage3.setBounds (10, 343, 530, 116);
            mode.setSuiteBounds ({ juce::Rectangle<float> (20, 469, 18, 18), { 38, 469, 152, 18 } });
            tone.setSuiteBounds ({ juce::Rectangle<float> (190, 470, 186, 16), { 376, 469, 164, 18 } });
            tip.setBounds (10, 503, 540, 22);
            links.setBounds (10, 525, 530, 22);
        }

        LookAndFeel& laf;
        tarn_gui::TitleLabels title;
        tarn_gui::IconButton undo, redo, reload, reset, random;
        juce::ComboBox presets;
        tarn_gui::TriangleButton left, right;
        StagePanel stage1, stage2, stage3;
        tarn_gui::ToggleButtonSuite mode;
        tarn_gui::SliderSuite tone;
        tarn_gui::TipDisplayComponent tip;
        tarn_gui::HyperlinkLabelRow links;
    };

    Mock mock (laf);
    mock.setBounds (0, 0, 550, 550);
    return mock.createComponentSnapshot (mock.getLocalBounds(), true, 2.0f);
}
} // namespace

int main (int argc, char** argv)
{
    if (argc != 2)
    {
        std::cerr << "usage: kaleidra-widget-gallery OUTDIR\n";
        return 2;
    }

    juce::ScopedJuceInitialiser_GUI framework;
    const auto outDir = juce::File::getCurrentWorkingDirectory().getChildFile (juce::String (argv[1]));
    if (!outDir.createDirectory())
    {
        std::cerr << "cannot create " << outDir.getFullPathName() << "\n";
        return 1;
    }

    LookAndFeel laf;
    Gallery gallery (outDir);
    gallery.save (sliders (laf), "sliders");
    gallery.save (comboAndMenu (laf), "combo-and-menu");
    gallery.save (tabs (laf), "tabs");
    gallery.save (iconButtons (laf), "icon-buttons");
    gallery.save (triangleButtons (laf), "triangle-buttons");
    gallery.save (togglesAndLights (laf), "toggles-and-lights");
    gallery.save (labels (laf), "labels");
    gallery.save (editorMock (laf), "editor-mock");

    std::cout << gallery.count << " images in " << outDir.getFullPathName() << "\n";
    return gallery.allWritten ? 0 : 1;
}
