namespace tarn_gui
{
//==============================================================================
IconButton::IconButton (const void* svgData, int svgSize, juce::Colour colour, const juce::String& name,
                        juce::Button::Listener* listener)
    : juce::DrawableButton (name, juce::DrawableButton::ImageFitted)
    , replacedColour (juce::Colours::black)
    , buttonPtr (this)
{
    if (svgData != nullptr && svgSize > 0)
    {
        if (const auto icon = juce::Drawable::createFromImageData (svgData, (size_t) svgSize))
        {
            const auto recoloured = [&] (juce::Colour replacement)
            {
                auto copy = icon->createCopy();
                copy->replaceColour (replacedColour, replacement);
                return copy;
            };

            const auto normal = recoloured (colour);
            const auto over = recoloured (colour.darker (0.4f));
            const auto down = recoloured (colour.darker (1.3f));
            const auto disabled = recoloured (colour.withMultipliedAlpha (0.6f));
            setImages (normal.get(), over.get(), down.get(), disabled.get());
        }
    }

    if (listener != nullptr)
        addListener (listener);
}

//==============================================================================
juce::Path TriangleButton::makeTriangle (int direction)
{
    constexpr float s = 0.8660254f;
    juce::Path path;
    switch (direction)
    {
        case 0:
            path.addTriangle (0.5f, 0.0f, 0.0f, s, 1.0f, s);
            break;
        case 1:
            path.addTriangle (0.5f, 1.0f, 0.0f, 1.0f - s, 1.0f, 1.0f - s);
            break;
        case 2:
            path.addTriangle (0.0f, 0.5f, s, 0.0f, s, 1.0f);
            break;
        case 3:
            path.addTriangle (1.0f, 0.5f, 1.0f - s, 0.0f, 1.0f - s, 1.0f);
            break;
        default:
            break;
    }
    return path;
}

TriangleButton::TriangleButton (int direction, LookAndFeel& laf, const juce::String& name,
                                juce::Button::Listener* listener)
    : juce::ShapeButton (name, laf.secondaryColour, laf.secondaryColour.darker (0.4f),
                         laf.secondaryColour.darker (1.3f))
    , buttonPtr (this)
{
    setShape (makeTriangle (direction), false, true, false);

    if (listener != nullptr)
        addListener (listener);
}

//==============================================================================
BoxToggleButton::BoxToggleButton (LookAndFeel& lf)
    : kit (&lf)
{
}

void BoxToggleButton::paintButton (juce::Graphics& g, bool shouldDrawButtonAsHighlighted, bool)
{
    const auto bounds = getLocalBounds().toFloat();

    if (getToggleState())
    {
        g.setColour (kit->primaryColour);
        g.fillRect (bounds);
        return;
    }

    g.setColour (kit->backgroundColour);
    g.fillRect (bounds);
    g.setColour (shouldDrawButtonAsHighlighted ? kit->primaryColour : kit->secondaryColour);
    g.drawRect (bounds, 2.0f);
}
} // namespace tarn_gui
