// The kit look-and-feel: palette, embedded fonts and the drawing of the framework controls.

#include "GuiTestSupport.h"

using namespace kaleidra_test;

namespace
{
struct LookAndFeelTest : public ::testing::Test
{
    tarn_gui::LookAndFeel laf;
};
} // namespace

TEST_F (LookAndFeelTest, PaletteHoldsTheFourColoursAndTheLookAndFeelStartsWithThem)
{
    struct Case
    {
        juce::Colour constant, member;
        juce::uint32 argb;
    };
    const Case cases[] = {
        { tarn_gui::palette::primaryColour, laf.primaryColour, 0xff8710dc },
        { tarn_gui::palette::secondaryColour, laf.secondaryColour, 0xff9acd32 },
        { tarn_gui::palette::backgroundColour, laf.backgroundColour, 0xff737373 },
        { tarn_gui::palette::textColour, laf.textColour, 0xfff5f5f5 },
    };
    for (const auto& c : cases)
    {
        EXPECT_EQ (c.constant.getARGB(), c.argb);
        EXPECT_EQ (c.member.getARGB(), c.argb);
    }
}

TEST_F (LookAndFeelTest, FontsAreTheEmbeddedTypefacesAtTheirHeights)
{
    const auto& fonts = laf.fonts;

    EXPECT_EQ (fonts.textFont.getTypefaceName(), "Source Code Pro");
    EXPECT_EQ (fonts.titleFont.getTypefaceName(), "Courier Prime");
    EXPECT_EQ (fonts.subtitleFont.getTypefaceName(), "Courier Prime");
    EXPECT_EQ (fonts.textFont.getTypefaceStyle(), "Bold");
    EXPECT_EQ (fonts.titleFont.getTypefaceStyle(), "Bold");

    EXPECT_FLOAT_EQ (fonts.textFont.getHeight(), 19.0f);
    EXPECT_FLOAT_EQ (fonts.titleFont.getHeight(), 34.0f);
    EXPECT_FLOAT_EQ (fonts.subtitleFont.getHeight(), 28.0f);

    // Title and subtitle share one typeface object; the text font has its own.
    EXPECT_EQ (fonts.titleFont.getTypefacePtr().get(), fonts.subtitleFont.getTypefacePtr().get());
    EXPECT_NE (fonts.textFont.getTypefacePtr().get(), fonts.titleFont.getTypefacePtr().get());

    // Both are real monospaced faces with glyphs (a fallback face would not be monospaced).
    for (const auto& font : { fonts.textFont, fonts.titleFont })
    {
        const auto narrow = font.getStringWidthFloat ("iiii");
        EXPECT_GT (narrow, 0.0f);
        EXPECT_NEAR (narrow, font.getStringWidthFloat ("MMMM"), 0.01f);
    }
}

//==============================================================================
namespace
{
struct SliderPixels : public LookAndFeelTest
{
    SliderPixels()
    {
        slider.setLookAndFeel (&laf);
        slider.setRange (0.0, 100.0);
        slider.setBounds (0, 0, 250, 16);
    }

    ~SliderPixels() override
    {
        slider.setLookAndFeel (nullptr);
    }

    juce::Slider slider{ juce::Slider::LinearHorizontal, juce::Slider::NoTextBox };
};
} // namespace

TEST_F (SliderPixels, AtMinimumTheThumbEndsAtSliderPosAndNoTrackIsFilled)
{
    slider.setValue (0.0);
    const auto pos = slider.getPositionOfValue (0.0);
    const auto image = paintToImage (slider);
    const auto y = 8; // mid-height, clear of the outline

    EXPECT_PIXEL (image, (int) std::floor (pos) - 1, y, laf.primaryColour);
    EXPECT_PIXEL (image, 0, y, laf.primaryColour); // the thumb reaches past the slider's left edge
    EXPECT_EQ (image.getPixelAt ((int) std::ceil (pos) + 3, y).getAlpha(), 0);
    EXPECT_EQ (countPixels (image, laf.secondaryColour, 8), 0);
}

TEST_F (SliderPixels, AtMidValueTheTrackFillsUpToTheThumb)
{
    slider.setValue (50.0);
    const auto pos = slider.getPositionOfValue (50.0);
    const auto thumbWidth = 0.618034f * 16.0f;
    const auto image = paintToImage (slider);
    const auto y = 8;

    // Thumb: its right edge is at sliderPos.
    EXPECT_PIXEL (image, (int) std::floor (pos) - 1, y, laf.primaryColour);
    EXPECT_PIXEL (image, (int) std::floor (pos - thumbWidth) + 1, y, laf.primaryColour);
    EXPECT_EQ (image.getPixelAt ((int) std::ceil (pos) + 1, y).getAlpha(), 0);

    // Track fill, from the slider's own origin to the thumb.
    EXPECT_PIXEL (image, 0, y, laf.secondaryColour);
    EXPECT_PIXEL (image, (int) std::floor (pos - thumbWidth) - 1, y, laf.secondaryColour);

    // Outline of the slider area in the primary colour.
    EXPECT_PIXEL (image, (int) std::ceil (pos) + 10, 0, laf.primaryColour);
}

TEST_F (SliderPixels, DisabledSliderDrawsItsColoursAtSixtyPercentAlpha)
{
    juce::Component parent;
    parent.addAndMakeVisible (slider);
    parent.setBounds (0, 0, 250, 16);
    slider.setValue (50.0);
    parent.setEnabled (false); // a disabled parent disables the slider

    const auto pos = slider.getPositionOfValue (50.0);
    const auto image = paintToImage (slider);

    EXPECT_PIXEL (image, (int) std::floor (pos) - 2, 8, laf.primaryColour.withAlpha ((juce::uint8) 153));
    EXPECT_PIXEL (image, 2, 8, laf.secondaryColour.withAlpha ((juce::uint8) 153));
}

TEST_F (LookAndFeelTest, DisabledRotarySliderDimsBodyButNotPointer)
{
    juce::Slider rotary (juce::Slider::RotaryHorizontalVerticalDrag, juce::Slider::NoTextBox);
    rotary.setLookAndFeel (&laf);
    rotary.setRotaryParameters (0.0f, juce::MathConstants<float>::twoPi, true);
    rotary.setRange (0.0, 1.0);
    rotary.setValue (0.0); // pointer upright
    rotary.setBounds (0, 0, 60, 60);

    for (const bool enabled : { true, false })
    {
        rotary.setEnabled (enabled);
        const auto image = paintToImage (rotary);
        const auto body = enabled ? laf.primaryColour : laf.primaryColour.withAlpha ((juce::uint8) 153);
        EXPECT_PIXEL (image, 30, 45, body);
        EXPECT_PIXEL (image, 30, 16, laf.backgroundColour); // pointer, never dimmed
        EXPECT_PIXEL (image, 30, 2, laf.backgroundColour);  // its tip lies outside the body
    }
    rotary.setLookAndFeel (nullptr);
}

TEST_F (LookAndFeelTest, ComboBoxDrawsBoxOutlineAndDownArrow)
{
    juce::ComboBox box;
    box.setLookAndFeel (&laf);
    box.setBounds (0, 0, 250, 22);
    const auto image = paintToImage (box);

    // Arrow: side 12, tip at (236, 16.2), top edge at y = 5.8 from x = 230 to 242.
    EXPECT_PIXEL (image, 236, 12, laf.secondaryColour);  // inside the triangle
    EXPECT_PIXEL (image, 236, 13, laf.secondaryColour);  // towards the tip
    EXPECT_PIXEL (image, 236, 3, laf.backgroundColour);  // above it
    EXPECT_PIXEL (image, 226, 11, laf.backgroundColour); // left of it
    EXPECT_PIXEL (image, 231, 14, laf.backgroundColour); // beside the tip: the arrow narrows downwards
    EXPECT_PIXEL (image, 245, 11, laf.backgroundColour); // between arrow and outline
    EXPECT_PIXEL (image, 0, 11, laf.secondaryColour);    // outline
    EXPECT_PIXEL (image, 249, 11, laf.secondaryColour);
    EXPECT_PIXEL (image, 100, 11, laf.backgroundColour);
    box.setLookAndFeel (nullptr);
}

TEST_F (LookAndFeelTest, PopupMenuItems)
{
    const juce::Rectangle<int> area (0, 0, 200, 24);
    const auto draw = [&] (bool separator, bool active, bool highlighted, bool subMenu)
    {
        return drawToImage (200, 24,
                            [&] (juce::Graphics& g)
                            {
                                laf.drawPopupMenuItem (g, area, separator, active, highlighted, false,
                                                       subMenu, "Item", {}, nullptr, nullptr);
                            });
    };

    // A separator is a solid band of the text colour over the whole item.
    const auto separator = draw (true, true, false, false);
    EXPECT_EQ (countPixels (separator, laf.textColour, 0), 200 * 24);

    // Highlighted but inactive: no highlight, text in the text colour.
    const auto inactive = draw (false, false, true, false);
    EXPECT_EQ (countPixels (inactive, laf.primaryColour, 8), 0);
    EXPECT_GT (countPixels (inactive, laf.textColour, 0), 10);
    EXPECT_EQ (inactive.getPixelAt (190, 2).getAlpha(), 0);

    // Highlighted and active: filled, text in the background colour.
    const auto active = draw (false, true, true, false);
    EXPECT_PIXEL (active, 190, 2, laf.primaryColour);
    EXPECT_GT (countPixels (active, laf.backgroundColour, 0), 10);
    EXPECT_EQ (countPixels (active, laf.textColour, 8), 0);

    // A sub-menu arrow points right and ends 8 px from the right edge.
    const auto withArrow = draw (false, true, false, true);
    EXPECT_PIXEL (withArrow, 188, 12, laf.textColour);
    EXPECT_EQ (withArrow.getPixelAt (194, 12).getAlpha(), 0);
}

//==============================================================================
namespace
{
struct TabBar : public LookAndFeelTest
{
    void build (int numTabs, int frontTab)
    {
        bar.setLookAndFeel (&laf);
        for (int i = 0; i < numTabs; ++i)
            bar.addTab ("Tab" + juce::String (i + 1), juce::Colours::black, -1);
        bar.setBounds (0, 0, 100 * numTabs, 30);
        bar.setCurrentTabIndex (frontTab);
    }

    ~TabBar() override
    {
        bar.setLookAndFeel (nullptr);
    }

    // Whether the tab's shape covers a point just inside each top corner of its active area.
    std::pair<bool, bool> topCornersCovered (int index)
    {
        auto* button = bar.getTabButton (index);
        juce::Path shape;
        laf.createTabButtonShape (*button, shape, false, false);
        const auto area = button->getActiveArea().toFloat();
        EXPECT_TRUE (shape.contains (area.getCentreX(), area.getBottom() - 1.0f));
        return { shape.contains (area.getX() + 1.0f, area.getY() + 1.0f),
                 shape.contains (area.getRight() - 1.0f, area.getY() + 1.0f) };
    }

    juce::TabbedButtonBar bar{ juce::TabbedButtonBar::TabsAtTop };
};
} // namespace

TEST_F (TabBar, FrontTabIsFilledAndBackTabIsStroked)
{
    build (2, 0);
    const auto image = paintToImage (bar);
    const auto front = bar.getTabButton (0)->getBoundsInParent();
    const auto back = bar.getTabButton (1)->getBoundsInParent();

    // Front tab: filled, so a point near its bottom-left inside corner is the primary colour.
    EXPECT_PIXEL (image, front.getX() + 4, front.getBottom() - 4, laf.primaryColour);

    // Back tab: a 3 px stroke in the secondary colour, empty inside.
    const auto backArea = bar.getTabButton (1)->getActiveArea().translated (back.getX(), back.getY());
    EXPECT_PIXEL (image, backArea.getX() + 20, backArea.getY(), laf.secondaryColour);
    EXPECT_EQ (image.getPixelAt (backArea.getX() + 5, backArea.getBottom() - 5).getAlpha(), 0);

    // Hovered, the back tab's stroke turns primary.
    auto* backButton = bar.getTabButton (1);
    const auto hovered =
        drawToImage (backButton->getWidth(), backButton->getHeight(),
                     [&] (juce::Graphics& g) { laf.drawTabButton (*backButton, g, true, false); });
    const auto area = backButton->getActiveArea();
    EXPECT_PIXEL (hovered, area.getX() + 20, area.getY(), laf.primaryColour);
}

TEST_F (TabBar, SingleTabSoftensOnlyItsTopLeftCorner)
{
    build (1, 0);
    EXPECT_EQ (topCornersCovered (0), std::make_pair (false, true));
}

TEST_F (TabBar, TwoTabsSoftenOnlyTheOuterTopCorners)
{
    build (2, 1);
    EXPECT_EQ (topCornersCovered (0), std::make_pair (false, true));
    EXPECT_EQ (topCornersCovered (1), std::make_pair (true, false));
}

TEST_F (TabBar, MiddleTabIsAPlainRectangle)
{
    build (3, 0);
    EXPECT_EQ (topCornersCovered (1), std::make_pair (true, true));
    EXPECT_EQ (laf.getTabButtonOverlap (30), 0);
}

TEST_F (LookAndFeelTest, ExtrasButtonIsABlackBox)
{
    std::unique_ptr<juce::Button> extras (laf.createTabBarExtrasButton());
    extras->setBounds (0, 0, 10, 10);
    const auto image = paintToImage (*extras);
    EXPECT_EQ (extras->getName(), "Placeholder");
    EXPECT_EQ (countPixels (image, juce::Colours::black, 0), 100);
}
