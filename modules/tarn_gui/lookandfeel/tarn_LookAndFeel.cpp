#include <BinaryData.h>

namespace tarn_gui
{
namespace
{
    juce::Font makeEmbeddedFont (const juce::Typeface::Ptr& typeface, float height)
    {
        return juce::Font (typeface).withHeight (height);
    }

    // An equilateral triangle's height for a side of 1.
    constexpr float triangleHeight = 0.8660254f;
} // namespace

const FontSet& embeddedFonts()
{
    static const FontSet fonts = []
    {
        auto textFace = juce::Typeface::createSystemTypefaceFor (
            BinaryData::SourceCodeProBold_ttf, (size_t) BinaryData::SourceCodeProBold_ttfSize);
        auto titleFace = juce::Typeface::createSystemTypefaceFor (
            BinaryData::CourierPrimeBold_ttf, (size_t) BinaryData::CourierPrimeBold_ttfSize);
        const auto titleFont = makeEmbeddedFont (titleFace, 34.0f);
        // The subtitle is the title's typeface object, re-sized.
        return FontSet{ makeEmbeddedFont (textFace, 19.0f), titleFont, titleFont.withHeight (28.0f) };
    }();
    return fonts;
}

//==============================================================================
LookAndFeel::ExtrasButtonPlaceholder::ExtrasButtonPlaceholder()
    : juce::ShapeButton ("Placeholder", juce::Colours::black, juce::Colours::black, juce::Colours::black)
{
}

void LookAndFeel::ExtrasButtonPlaceholder::paintButton (juce::Graphics& g, bool, bool)
{
    g.setColour (juce::Colours::black);
    g.fillRect (getLocalBounds().toFloat());
}

//==============================================================================
LookAndFeel::LookAndFeel (juce::Colour primary, juce::Colour secondary, juce::Colour background,
                          juce::Colour text, FontSet fontSet)
    : juce::LookAndFeel_V4()
    , primaryColour (primary)
    , secondaryColour (secondary)
    , backgroundColour (background)
    , textColour (text)
    , fonts (std::move (fontSet))
{
}

juce::Colour LookAndFeel::dimmedFor (const juce::Component& control, juce::Colour colour)
{
    return control.isEnabled() ? colour : colour.withMultipliedAlpha (0.6f);
}

//==============================================================================
void LookAndFeel::fillTextEditorBackground (juce::Graphics& g, int, int, juce::TextEditor&)
{
    g.fillAll (backgroundColour);
}

void LookAndFeel::drawTextEditorOutline (juce::Graphics& g, int, int, juce::TextEditor& editor)
{
    g.setColour (secondaryColour);
    g.drawRect (juce::Rectangle<float> (0.0f, 0.0f, (float) editor.getWidth(), (float) editor.getHeight()),
                1.0f);
}

//==============================================================================
void LookAndFeel::drawPopupMenuBackground (juce::Graphics& g, int width, int height)
{
    g.fillAll (backgroundColour);
    g.setColour (textColour);
    g.drawRect (juce::Rectangle<float> (0.0f, 0.0f, (float) width, (float) height), 2.0f);
}

void LookAndFeel::drawPopupMenuItem (juce::Graphics& g, const juce::Rectangle<int>& area, bool isSeparator,
                                     bool isActive, bool isHighlighted, bool, bool hasSubMenu,
                                     const juce::String& text, const juce::String&, const juce::Drawable*,
                                     const juce::Colour*)
{
    if (isSeparator)
    {
        g.setColour (textColour);
        g.fillRect (area);
        return;
    }

    if (isHighlighted && isActive)
    {
        g.setColour (primaryColour);
        g.fillRect (area);
        g.setColour (backgroundColour);
    }
    else
    {
        g.setColour (textColour);
    }

    if (hasSubMenu)
    {
        // Placed from the item's own origin, like the framework's menu items.
        const auto side = (float) area.getHeight() * 0.54545456f;
        const auto tipX = (float) area.getWidth() - 8.0f;
        const auto tipY = (float) area.getHeight() * 0.5f;
        juce::Path arrow;
        arrow.addTriangle (tipX, tipY, tipX - side * triangleHeight, tipY - side * 0.5f,
                           tipX - side * triangleHeight, tipY + side * 0.5f);
        g.fillPath (arrow);
    }

    g.setFont (fonts.textFont);
    g.drawFittedText (text, area.getX() + 4, area.getY() + 4, juce::jmax (0, area.getWidth() - 8),
                      juce::jmax (0, area.getHeight() - 8), juce::Justification::centredLeft, 1, 1.0f);
}

void LookAndFeel::drawPopupMenuSectionHeader (juce::Graphics& g, const juce::Rectangle<int>& area,
                                              const juce::String& sectionName)
{
    g.setColour (textColour);
    g.setFont (fonts.textFont);
    g.drawFittedText (sectionName, area, juce::Justification::centred, 1);
}

//==============================================================================
void LookAndFeel::drawComboBox (juce::Graphics& g, int width, int height, bool, int, int, int, int,
                                juce::ComboBox& box)
{
    g.fillAll (backgroundColour);

    g.setColour (secondaryColour);
    g.drawRect (juce::Rectangle<float> (0.0f, 0.0f, (float) box.getWidth(), (float) box.getHeight()), 2.0f);

    // A downward triangle, centred vertically, ending 8 px from the right edge.
    const auto side = (float) height * 0.54545456f;
    const auto rise = side * triangleHeight;
    const auto tipX = (float) width - 8.0f - side * 0.5f;
    const auto tipY = (float) height - ((float) height - rise) * 0.5f;
    juce::Path arrow;
    arrow.addTriangle (tipX, tipY, tipX - side * 0.5f, tipY - rise, tipX + side * 0.5f, tipY - rise);
    g.fillPath (arrow);
}

juce::Font LookAndFeel::getComboBoxFont (juce::ComboBox&)
{
    return fonts.textFont;
}

//==============================================================================
void LookAndFeel::drawLinearSlider (juce::Graphics& g, int x, int y, int width, int height, float sliderPos,
                                    float, float, juce::Slider::SliderStyle style, juce::Slider& slider)
{
    g.setColour (dimmedFor (slider, primaryColour));
    g.drawRect (juce::Rectangle<float> ((float) x, (float) y, (float) width, (float) height), 2.0f);

    if (style == juce::Slider::LinearHorizontal)
    {
        // The thumb ends at sliderPos; the track fill runs up to the thumb. Both are placed from
        // the slider's own origin.
        const auto h = (float) height;
        const auto thumbWidth = 0.618034f * h;

        g.setColour (dimmedFor (slider, primaryColour));
        g.fillRect (juce::Rectangle<float> (sliderPos - thumbWidth, 0.0f, thumbWidth, h));

        g.setColour (dimmedFor (slider, secondaryColour));
        g.fillRect (juce::Rectangle<float> (0.0f, 0.0f, sliderPos - thumbWidth, h));
    }
}

void LookAndFeel::drawRotarySlider (juce::Graphics& g, int x, int y, int width, int height, float sliderPos,
                                    float rotaryStartAngle, float rotaryEndAngle, juce::Slider& slider)
{
    const auto size = juce::jmin (width, height);
    const auto radius = (float) size * 0.5f;
    const auto diameter = (float) juce::jmax (size - 12, 0);
    const juce::Rectangle<float> body ((float) x + 6.0f, (float) y + 6.0f, diameter, diameter);

    g.setColour (dimmedFor (slider, primaryColour));
    g.fillEllipse (body);

    g.setColour (dimmedFor (slider, secondaryColour));
    g.drawEllipse (body, 3.0f);

    // The pointer stands upright at angle 0: its tip on the radius, its base inside the body.
    const auto angle = rotaryStartAngle + sliderPos * (rotaryEndAngle - rotaryStartAngle);
    juce::Path pointer;
    pointer.addTriangle (0.0f, -radius, -0.32258067f * radius, -0.1923077f * radius, 0.32258067f * radius,
                         -0.1923077f * radius);
    pointer.applyTransform (
        juce::AffineTransform::rotation (angle).translated ((float) x + radius, (float) y + radius));
    g.setColour (backgroundColour);
    g.fillPath (pointer);
}

//==============================================================================
int LookAndFeel::getTabButtonOverlap (int)
{
    return 0;
}

int LookAndFeel::getTabButtonBestWidth (juce::TabBarButton& button, int)
{
    const auto textWidth = fonts.textFont.getStringWidthFloat (button.getButtonText().trim());
    return juce::jmax (40, (int) std::ceil (textWidth) + 12);
}

juce::Rectangle<int> LookAndFeel::getTabButtonExtraComponentBounds (const juce::TabBarButton&,
                                                                    juce::Rectangle<int>&, juce::Component&)
{
    return {};
}

void LookAndFeel::createTabButtonShape (juce::TabBarButton& button, juce::Path& path, bool, bool)
{
    const auto area = button.getActiveArea().toFloat();
    const auto x = area.getX(), y = area.getY(), w = area.getWidth(), h = area.getHeight();
    path.clear();

    const auto numTabs = button.getTabbedButtonBar().getNumTabs();
    const auto index = button.getIndex();

    // Only the outer top corners of the row are softened: the first tab's top-left (a single tab
    // counts as first) and the last tab's top-right.
    if (index == 0)
    {
        path.startNewSubPath (x, y + h);
        path.lineTo (x, y);
        path.lineTo (x + w, y);
        path = path.createPathWithRoundedCorners (8.0f);
        path.lineTo (x + w, y + h);
    }
    else if (index == numTabs - 1)
    {
        path.startNewSubPath (x, y);
        path.lineTo (x + w, y);
        path.lineTo (x + w, y + h);
        path = path.createPathWithRoundedCorners (8.0f);
        path.lineTo (x, y + h);
    }
    else
    {
        path.addRectangle (x, y, w, h);
    }

    path.closeSubPath();
}

void LookAndFeel::drawTabButton (juce::TabBarButton& button, juce::Graphics& g, bool isMouseOver,
                                 bool isMouseDown)
{
    juce::Path shape;
    createTabButtonShape (button, shape, isMouseOver, isMouseDown);

    juce::Colour textColourToUse;
    if (button.getToggleState())
    {
        g.setColour (primaryColour);
        g.fillPath (shape);
        textColourToUse = backgroundColour;
    }
    else
    {
        g.setColour (isMouseOver || isMouseDown ? primaryColour : secondaryColour);
        g.strokePath (shape,
                      juce::PathStrokeType (3.0f, juce::PathStrokeType::mitered, juce::PathStrokeType::butt));
        textColourToUse = textColour;
    }

    g.setColour (textColourToUse);
    g.setFont (fonts.textFont);
    g.drawText (button.getButtonText(), button.getTextArea().toFloat(), juce::Justification::centred, true);
}

juce::Font LookAndFeel::getTabButtonFont (juce::TabBarButton&, float)
{
    return {};
}

void LookAndFeel::drawTabButtonText (juce::TabBarButton&, juce::Graphics&, bool, bool) {}

void LookAndFeel::drawTabAreaBehindFrontButton (juce::TabbedButtonBar&, juce::Graphics&, int, int) {}

void LookAndFeel::fillTabButtonShape (juce::TabBarButton&, juce::Graphics&, const juce::Path&, bool, bool) {}

juce::Button* LookAndFeel::createTabBarExtrasButton()
{
    return new ExtrasButtonPlaceholder();
}
} // namespace tarn_gui
