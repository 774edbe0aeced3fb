// Icon, triangle and box toggle buttons.

#include "GuiTestSupport.h"

#include <BinaryData.h>

using namespace kaleidra_test;

namespace
{
struct CountingListener final : public juce::Button::Listener
{
    void buttonClicked (juce::Button* button) override
    {
        clicked.push_back (button);
    }
    std::vector<juce::Button*> clicked;
};

// Black artwork on the left half, red artwork on the right half.
const juce::String twoColourIcon =
    R"(<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 20 10" width="20" height="10">)"
    R"(<path fill="#000000" d="M0 0H10V10H0Z"/><path fill="#ff0000" d="M10 0H20V10H10Z"/></svg>)";

juce::Image render (const juce::Drawable& drawable)
{
    return drawToImage (40, 20,
                        [&] (juce::Graphics& g) {
                            drawable.drawWithin (g, { 0.0f, 0.0f, 40.0f, 20.0f },
                                                 juce::RectanglePlacement::stretchToFit, 1.0f);
                        });
}

struct ButtonsTest : public ::testing::Test
{
    tarn_gui::LookAndFeel laf;
    CountingListener listener;
};
} // namespace

TEST_F (ButtonsTest, ShadesOfTheSecondaryColour)
{
    EXPECT_EQ (laf.secondaryColour.darker (0.4f).getARGB(), juce::Colour (110, 146, 35).getARGB());
    EXPECT_EQ (laf.secondaryColour.darker (1.3f).getARGB(), juce::Colour (66, 89, 21).getARGB());
}

TEST_F (ButtonsTest, IconImagesDifferOnlyWhereTheArtworkWasBlack)
{
    tarn_gui::IconButton button (twoColourIcon.toRawUTF8(), (int) twoColourIcon.getNumBytesAsUTF8(),
                                 laf.secondaryColour, "UndoButton", &listener);
    EXPECT_EQ (button.getName(), "UndoButton");
    EXPECT_EQ (button.buttonPtr, &button);
    EXPECT_EQ (button.replacedColour, juce::Colours::black);

    struct Case
    {
        const juce::Drawable* image;
        juce::Colour expected;
    };
    const Case cases[] = {
        { button.getNormalImage(), laf.secondaryColour },
        { button.getOverImage(), juce::Colour (110, 146, 35) },
        { button.getDownImage(), juce::Colour (66, 89, 21) },
    };
    for (const auto& c : cases)
    {
        ASSERT_NE (c.image, nullptr);
        const auto image = render (*c.image);
        EXPECT_PIXEL (image, 10, 10, c.expected);
        EXPECT_PIXEL (image, 30, 10, juce::Colours::red);
    }

    // Painted as a button in each state, including disabled (60 % alpha).
    button.setBounds (0, 0, 40, 20);
    const auto paintedAt = [&] (juce::Button::ButtonState state)
    {
        button.setState (state);
        return paintToImage (button);
    };
    EXPECT_PIXEL (paintedAt (juce::Button::buttonNormal), 10, 10, laf.secondaryColour);
    EXPECT_PIXEL (paintedAt (juce::Button::buttonOver), 10, 10, juce::Colour (110, 146, 35));
    EXPECT_PIXEL (paintedAt (juce::Button::buttonDown), 10, 10, juce::Colour (66, 89, 21));
    button.setState (juce::Button::buttonNormal);
    button.setEnabled (false);
    const auto disabled = paintToImage (button);
    EXPECT_PIXEL (disabled, 10, 10, laf.secondaryColour.withAlpha ((juce::uint8) 153));
    EXPECT_PIXEL (disabled, 30, 10, juce::Colours::red);
}

TEST_F (ButtonsTest, IconButtonAcceptsTheEmbeddedIconsAndBadData)
{
    tarn_gui::IconButton undo (BinaryData::undo_svg, BinaryData::undo_svgSize, laf.secondaryColour,
                               "UndoButton", nullptr);
    undo.setBounds (0, 0, 22, 22);
    EXPECT_GT (countPixels (paintToImage (undo), laf.secondaryColour, 0), 22 * 22 / 16);

    // Data that is no image gives a button without images, not a crash.
    const char garbage[] = "not an svg";
    tarn_gui::IconButton broken (garbage, (int) sizeof (garbage), laf.secondaryColour, "Broken", nullptr);
    EXPECT_EQ (broken.getNormalImage(), nullptr);
}

TEST_F (ButtonsTest, TriangleShapesPointTheirWay)
{
    struct Case
    {
        int direction;
        juce::Point<int> filled, empty;
    };
    // 30 x 30 buttons: the tip is filled, the far corners beside the tip are empty.
    const Case cases[] = {
        { 0, { 15, 8 }, { 2, 2 } },   // up
        { 1, { 15, 22 }, { 2, 27 } }, // down
        { 2, { 6, 15 }, { 2, 2 } },   // left
        { 3, { 23, 15 }, { 27, 2 } }, // right
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.direction);
        tarn_gui::TriangleButton button (c.direction, laf, "Arrow", nullptr);
        button.setBounds (0, 0, 30, 30);
        const auto image = paintToImage (button);
        EXPECT_PIXEL (image, c.filled.x, c.filled.y, laf.secondaryColour);
        EXPECT_EQ (image.getPixelAt (c.empty.x, c.empty.y).getAlpha(), 0);
    }

    tarn_gui::TriangleButton left (2, laf, "LeftScrollerButton", &listener);
    left.setBounds (0, 0, 30, 30);
    left.setState (juce::Button::buttonOver);
    EXPECT_PIXEL (paintToImage (left), 12, 15, juce::Colour (110, 146, 35));
    EXPECT_EQ (left.buttonPtr, &left);
}

TEST_F (ButtonsTest, TriangleWithUnknownDirectionDrawsNothingButStillClicks)
{
    juce::Component window;
    tarn_gui::TriangleButton button (4, laf, "Nowhere", &listener);
    window.addAndMakeVisible (button);
    button.setBounds (10, 10, 30, 30);

    EXPECT_TRUE (tarn_gui::TriangleButton::makeTriangle (4).isEmpty());
    for (const auto state :
         { juce::Button::buttonNormal, juce::Button::buttonOver, juce::Button::buttonDown })
    {
        button.setState (state);
        EXPECT_EQ (countPixels (paintToImage (button), juce::Colours::transparentBlack, 0), 30 * 30);
    }
    button.setState (juce::Button::buttonNormal);

    // A real click on its middle reaches the listener.
    OnScreen screen (window, { 30, 30, 60, 60 });
    screen.click (screen.centreOf (button));
    ASSERT_EQ (listener.clicked.size(), 1u);
    EXPECT_EQ (listener.clicked.front(), &button);
}

TEST_F (ButtonsTest, BoxToggleOnOffAndHovered)
{
    tarn_gui::BoxToggleButton box (laf);
    box.setBounds (0, 0, 14, 14);
    const auto paintAs = [&] (bool highlighted)
    { return drawToImage (14, 14, [&] (juce::Graphics& g) { box.paintButton (g, highlighted, false); }); };

    // On: a solid primary square, hovered or not.
    box.setToggleState (true, juce::dontSendNotification);
    for (const bool hovered : { false, true })
        EXPECT_EQ (countPixels (paintAs (hovered), laf.primaryColour, 0), 14 * 14);

    // Off: background inside, outline secondary; primary while hovered.
    box.setToggleState (false, juce::dontSendNotification);
    const auto idle = paintAs (false);
    EXPECT_PIXEL (idle, 7, 7, laf.backgroundColour);
    EXPECT_PIXEL (idle, 0, 7, laf.secondaryColour);
    EXPECT_PIXEL (idle, 7, 13, laf.secondaryColour);
    EXPECT_EQ (countPixels (idle, laf.primaryColour, 8), 0);

    const auto hovered = paintAs (true);
    EXPECT_PIXEL (hovered, 7, 7, laf.backgroundColour);
    EXPECT_PIXEL (hovered, 0, 7, laf.primaryColour);
    EXPECT_EQ (countPixels (hovered, laf.secondaryColour, 8), 0);

    // Its text is never drawn.
    box.setButtonText ("Mode");
    box.setToggleState (true, juce::dontSendNotification);
    EXPECT_EQ (countPixels (paintToImage (box), laf.primaryColour, 0), 14 * 14);
}
