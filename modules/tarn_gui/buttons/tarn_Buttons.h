#pragma once

namespace tarn_gui
{
// A single-colour vector icon drawn in one colour and its shades: hover darker (0.4), pressed
// darker (1.3), disabled at 60 % alpha. The artwork's opaque black parts take the colour; parts of
// any other colour are left as drawn.
struct IconButton : public juce::DrawableButton
{
    // svgData/svgSize: an SVG document; listener may be null.
    IconButton (const void* svgData, int svgSize, juce::Colour colour, const juce::String& name,
                juce::Button::Listener* listener);

    juce::Colour replacedColour;
    juce::Button* buttonPtr; // this button, for listeners that tell buttons apart

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (IconButton)
};

// A triangle in the look-and-feel's secondary colour (with its hover and pressed shades),
// pointing up (0), down (1), left (2) or right (3). Any other direction draws nothing but the
// button still takes clicks.
struct TriangleButton : public juce::ShapeButton
{
    TriangleButton (int direction, LookAndFeel& laf, const juce::String& name,
                    juce::Button::Listener* listener);

    // The unit-square triangle for a direction; empty for an unknown direction.
    static juce::Path makeTriangle (int direction);

    juce::Button* buttonPtr;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (TriangleButton)
};

// The square on/off box of a toggle suite: solid primary colour when on; background with an
// outline (primary while hovered, secondary otherwise) when off.
struct BoxToggleButton : public juce::ToggleButton
{
    explicit BoxToggleButton (LookAndFeel& laf);

    void paintButton (juce::Graphics& g, bool shouldDrawButtonAsHighlighted,
                      bool shouldDrawButtonAsDown) override;

private:
    LookAndFeel* kit;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (BoxToggleButton)
};
} // namespace tarn_gui
