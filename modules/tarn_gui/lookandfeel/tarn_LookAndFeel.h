#pragma once

namespace tarn_gui
{
// The kit's four colours, parsed once from AARRGGBB strings.
namespace palette
{
    inline const juce::Colour primaryColour = juce::Colour::fromString ("#ff8710dc");    // purple
    inline const juce::Colour secondaryColour = juce::Colour::fromString ("#ff9acd32");  // yellow-green
    inline const juce::Colour backgroundColour = juce::Colour::fromString ("#ff737373"); // mid grey
    inline const juce::Colour textColour = juce::Colour::fromString ("#fff5f5f5");       // near-white
} // namespace palette

// The three fonts of the kit, held by value.
struct FontSet
{
    juce::Font textFont;     // labels, menus, combo box, tabs, hint line, link row
    juce::Font titleFont;    // company title link
    juce::Font subtitleFont; // product name and version link
};

// The embedded fonts: Source Code Pro Bold at 19 for text, Courier Prime Bold at 34 for the title
// and the same Courier Prime typeface at 28 for the subtitle. Made once, on first use, and kept
// until the library unloads.
const FontSet& embeddedFonts();

// The plug-in's look-and-feel: the palette and fonts that the kit widgets read directly, and the
// drawing of the framework controls switched to it (sliders, the preset combo box with its menus,
// text editors and tab bars). Read-only after construction.
struct LookAndFeel : public juce::LookAndFeel_V4
{
    // The tab bar's overflow button: a black box.
    struct ExtrasButtonPlaceholder : public juce::ShapeButton
    {
        ExtrasButtonPlaceholder();
        void paintButton (juce::Graphics& g, bool shouldDrawButtonAsHighlighted,
                          bool shouldDrawButtonAsDown) override;
    };

    LookAndFeel (juce::Colour primary = palette::primaryColour,
                 juce::Colour secondary = palette::secondaryColour,
                 juce::Colour background = palette::backgroundColour, juce::Colour text = palette::textColour,
                 FontSet fontSet = embeddedFonts());

    // TextEditor
    void fillTextEditorBackground (juce::Graphics&, int width, int height, juce::TextEditor&) override;
    void drawTextEditorOutline (juce::Graphics&, int width, int height, juce::TextEditor&) override;

    // PopupMenu
    void drawPopupMenuBackground (juce::Graphics&, int width, int height) override;
    void drawPopupMenuItem (juce::Graphics&, const juce::Rectangle<int>& area, bool isSeparator,
                            bool isActive, bool isHighlighted, bool isTicked, bool hasSubMenu,
                            const juce::String& text, const juce::String& shortcutKeyText,
                            const juce::Drawable* icon, const juce::Colour* textColour) override;
    void drawPopupMenuSectionHeader (juce::Graphics&, const juce::Rectangle<int>& area,
                                     const juce::String& sectionName) override;

    // ComboBox
    void drawComboBox (juce::Graphics&, int width, int height, bool isButtonDown, int buttonX, int buttonY,
                       int buttonW, int buttonH, juce::ComboBox&) override;
    juce::Font getComboBoxFont (juce::ComboBox&) override;

    // Slider
    void drawLinearSlider (juce::Graphics&, int x, int y, int width, int height, float sliderPos,
                           float minSliderPos, float maxSliderPos, juce::Slider::SliderStyle,
                           juce::Slider&) override;
    void drawRotarySlider (juce::Graphics&, int x, int y, int width, int height, float sliderPos,
                           float rotaryStartAngle, float rotaryEndAngle, juce::Slider&) override;

    // TabbedButtonBar
    int getTabButtonOverlap (int tabDepth) override;
    int getTabButtonBestWidth (juce::TabBarButton&, int tabDepth) override;
    juce::Rectangle<int> getTabButtonExtraComponentBounds (const juce::TabBarButton&,
                                                           juce::Rectangle<int>& textArea,
                                                           juce::Component& extraComp) override;
    void drawTabButton (juce::TabBarButton&, juce::Graphics&, bool isMouseOver, bool isMouseDown) override;
    juce::Font getTabButtonFont (juce::TabBarButton&, float height) override;
    void drawTabButtonText (juce::TabBarButton&, juce::Graphics&, bool isMouseOver,
                            bool isMouseDown) override;
    void drawTabAreaBehindFrontButton (juce::TabbedButtonBar&, juce::Graphics&, int w, int h) override;
    void createTabButtonShape (juce::TabBarButton&, juce::Path&, bool isMouseOver, bool isMouseDown) override;
    void fillTabButtonShape (juce::TabBarButton&, juce::Graphics&, const juce::Path&, bool isMouseOver,
                             bool isMouseDown) override;
    juce::Button* createTabBarExtrasButton() override;

    // A colour as a control draws it: at 60 % of its alpha when the control (or a parent) is disabled.
    static juce::Colour dimmedFor (const juce::Component& control, juce::Colour colour);

    juce::Colour primaryColour;
    juce::Colour secondaryColour;
    juce::Colour backgroundColour;
    juce::Colour textColour;
    FontSet fonts;
};
} // namespace tarn_gui
