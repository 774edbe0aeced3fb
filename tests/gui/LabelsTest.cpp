// Basic and link labels, the title line, the link row and the indicator lights.

#include "GuiTestSupport.h"

using namespace kaleidra_test;

namespace
{
struct LabelsTest : public ::testing::Test
{
    // The width a link takes after fitting its text.
    static int fittedWidth (const juce::Font& font, const juce::String& text)
    {
        return font.getStringWidth (text) + 6;
    }

    tarn_gui::LookAndFeel laf;
    const juce::URL first{ "https://example.com/guide" };
    const juce::URL second{ "https://example.com/support" };
    const juce::URL third{ "https://example.com/about" };
};
} // namespace

TEST_F (LabelsTest, BasicLabelIsStyledFromTheLookAndFeel)
{
    tarn_gui::BasicLabel label (laf);
    EXPECT_EQ (label.getFont(), laf.fonts.textFont);
    EXPECT_EQ (label.findColour (juce::Label::textColourId), laf.textColour);
    EXPECT_EQ (label.getJustificationType(), juce::Justification::centredLeft);
    EXPECT_EQ (label.getBorderSize(), juce::BorderSize<int> (6));
    EXPECT_FALSE (label.isEditable());
}

TEST_F (LabelsTest, RowOfThreeLinksIsSeparatedAndFlushRightAfterTwoLayouts)
{
    tarn_gui::HyperlinkLabelRow row (laf, { "User Guide", "Get Support", "About" }, { first, second, third },
                                     juce::Justification::bottomLeft);
    ASSERT_EQ (row.links.size(), 3);

    for (int pass = 0; pass < 2; ++pass)
    {
        SCOPED_TRACE (pass);
        row.setBounds (0, 0, 530, 22);
        row.resized();

        const juce::StringArray expected{ "User Guide", " // Get Support", " // About" };
        auto right = 530;
        for (int i = 2; i >= 0; --i)
        {
            auto* link = row.links[i];
            EXPECT_EQ (link->getButtonText(), expected[i]);
            EXPECT_EQ (link->getWidth(), fittedWidth (laf.fonts.textFont, expected[i]));
            EXPECT_EQ (link->getRight(), right);
            EXPECT_EQ (link->getY(), 0);
            EXPECT_EQ (link->getHeight(), 22);
            right = link->getX();
        }
        EXPECT_EQ (row.links[0]->getURL(), first);
        EXPECT_EQ (row.links[2]->getURL(), third);
        EXPECT_EQ (row.links[0]->findColour (juce::HyperlinkButton::textColourId), laf.textColour);
    }
}

TEST_F (LabelsTest, FirstLinkGivenWithTheSeparatorLosesIt)
{
    tarn_gui::HyperlinkLabelRow row (laf, { " // User Guide", "Get Support" }, { first, second },
                                     juce::Justification::bottomLeft);
    row.setBounds (0, 0, 400, 22);
    EXPECT_EQ (row.links[0]->getButtonText(), "User Guide");
    EXPECT_EQ (row.links[1]->getButtonText(), " // Get Support");
}

TEST_F (LabelsTest, RowMakesOneLinkPerTextAndURLPair)
{
    tarn_gui::HyperlinkLabelRow row (laf, { "A", "B", "C" }, { first, second },
                                     juce::Justification::bottomLeft);
    EXPECT_EQ (row.links.size(), 2);
    EXPECT_EQ (row.getNumChildComponents(), 2);
}

TEST_F (LabelsTest, TitleLinksFollowEachOtherWhenBothFit)
{
    tarn_gui::TitleLabels title ("Tarnlight", first, "Kaleidra_v1-1-2", second, laf);
    title.setBounds (0, 0, 540, 34);

    EXPECT_EQ (title.productLink.getButtonText(), "Kaleidra v1.1.2");
    const auto companyWidth = fittedWidth (laf.fonts.titleFont, "Tarnlight");
    const auto productWidth = fittedWidth (laf.fonts.subtitleFont, "Kaleidra v1.1.2");
    ASSERT_LT (companyWidth + productWidth + 30, 540);

    EXPECT_EQ (title.companyLink.getBounds(), juce::Rectangle<int> (0, 0, companyWidth, 34));
    EXPECT_EQ (title.productLink.getBounds(), juce::Rectangle<int> (companyWidth, 0, productWidth, 34));
    EXPECT_EQ (title.companyLink.findColour (juce::HyperlinkButton::textColourId), laf.primaryColour);
    EXPECT_EQ (title.productLink.findColour (juce::HyperlinkButton::textColourId), laf.secondaryColour);
}

TEST_F (LabelsTest, TitleProductLinkIsCutThirtyPixelsShortOfTheRightEdge)
{
    tarn_gui::TitleLabels title ("Tarnlight", first, "Kaleidra_v1-1-2", second, laf);
    const auto companyWidth = fittedWidth (laf.fonts.titleFont, "Tarnlight");
    const auto width = companyWidth + 100;
    title.setBounds (0, 0, width, 34);

    EXPECT_EQ (title.companyLink.getBounds(), juce::Rectangle<int> (0, 0, companyWidth, 34));
    EXPECT_EQ (title.productLink.getBounds(), juce::Rectangle<int> (companyWidth, 0, 70, 34));

    // Narrower than the company text: the company link is cut, the product link gets nothing.
    title.setBounds (0, 0, 50, 34);
    EXPECT_EQ (title.companyLink.getBounds(), juce::Rectangle<int> (0, 0, 50, 34));
    EXPECT_EQ (title.productLink.getWidth(), 0);

    // Wide again: both regain their fitted widths.
    title.setBounds (0, 0, 540, 34);
    EXPECT_EQ (title.productLink.getWidth(), fittedWidth (laf.fonts.subtitleFont, "Kaleidra v1.1.2"));
}

TEST_F (LabelsTest, LightStates)
{
    tarn_gui::IndicatorLightSuite suite (laf);
    auto& light = suite.light;
    light.colours.add (laf.primaryColour.withMultipliedAlpha (0.6f)); // as the stage panels do
    light.setBounds (0, 0, 20, 20);

    EXPECT_EQ (light.getName(), "IndicatorLight");
    EXPECT_EQ (light.getState(), -1);

    struct Case
    {
        int state;
        juce::Colour centre; // transparent: nothing drawn there
        juce::Colour edge;
    };
    const auto none = juce::Colours::transparentBlack;
    const Case cases[] = {
        { -1, none, laf.textColour },                    // off: a ring
        { 0, laf.primaryColour, laf.primaryColour },     // on
        { 1, laf.secondaryColour, laf.secondaryColour }, //
        { 2, laf.primaryColour.withAlpha ((juce::uint8) 153),
          laf.primaryColour.withAlpha ((juce::uint8) 153) },
        { 3, none, none },            // past the end
        { -5, none, laf.textColour }, // any negative is off
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.state);
        EXPECT_TRUE (suite.setState (c.state));
        EXPECT_EQ (light.getState(), c.state);
        const auto image = paintToImage (light);
        EXPECT_PIXEL (image, 10, 10, c.centre);
        EXPECT_PIXEL (image, 10, 2, c.centre); // just inside the 2 px ring
        EXPECT_PIXEL (image, 2, 10, c.centre);
        // The outermost pixels at the top and at the left (partly covered, hence the tolerance).
        EXPECT_PIXEL_NEAR (image, 10, 0, c.edge, 16);
        EXPECT_PIXEL_NEAR (image, 0, 10, c.edge, 16);
        EXPECT_EQ (image.getPixelAt (0, 0).getAlpha(), 0); // outside the circle
    }
}

TEST_F (LabelsTest, LightClickReachesItsListeners)
{
    struct Listener final : public juce::Button::Listener
    {
        void buttonClicked (juce::Button*) override
        {
            ++clicks;
        }
        int clicks = 0;
    } listener;

    juce::Component window;
    tarn_gui::IndicatorLightSuite suite (laf);
    suite.addToParent (window);
    suite.setSuiteBounds (
        { juce::Rectangle<float> (5.0f, 5.0f, 14.0f, 14.0f), { 24.0f, 0.0f, 100.0f, 24.0f } });
    suite.light.addListener (&listener);

    OnScreen screen (window, { 30, 30, 130, 24 });
    screen.click (screen.centreOf (suite.light));
    EXPECT_EQ (listener.clicks, 1);
    EXPECT_EQ (suite.light.getState(), -1); // the owner sets the state, not the click
    suite.light.removeListener (&listener);
}
