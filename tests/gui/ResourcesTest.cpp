// The embedded fonts and icons.

#include "GuiTestSupport.h"

#include <BinaryData.h>

using namespace kaleidra_test;

TEST (Resources, FontsAreEmbeddedTrueTypeFiles)
{
    for (const auto* name : { "SourceCodeProBold_ttf", "CourierPrimeBold_ttf" })
    {
        SCOPED_TRACE (name);
        int size = 0;
        const auto* data = reinterpret_cast<const juce::uint8*> (BinaryData::getNamedResource (name, size));
        ASSERT_NE (data, nullptr);
        ASSERT_GT (size, 1000);
        // sfnt version 1.0: TrueType outlines.
        EXPECT_EQ (juce::ByteOrder::bigEndianInt (data), 0x00010000u);
        EXPECT_STREQ (BinaryData::getNamedResourceOriginalFilename (name),
                      juce::String (name).replace ("Bold_ttf", "-Bold.ttf").toRawUTF8());
    }
}

TEST (Resources, IconsAreOpaqueBlackArtworkInTheirViewBoxes)
{
    struct Icon
    {
        const char* name;
        float viewBoxSize;
    };
    const Icon icons[] = {
        { "undo_svg", 24.0f }, { "redo_svg", 24.0f },          { "reload_svg", 32.0f },
        { "new_svg", 24.0f },  { "randomPreset_svg", 256.0f },
    };

    for (const auto& icon : icons)
    {
        SCOPED_TRACE (icon.name);
        int size = 0;
        const auto* data = BinaryData::getNamedResource (icon.name, size);
        ASSERT_NE (data, nullptr);

        const auto svg = juce::XmlDocument::parse (juce::String::fromUTF8 (data, size));
        ASSERT_NE (svg, nullptr);
        EXPECT_EQ (svg->getStringAttribute ("viewBox"), "0 0 " + juce::String ((int) icon.viewBoxSize) + " " +
                                                            juce::String ((int) icon.viewBoxSize));
        EXPECT_FALSE (juce::String::fromUTF8 (data, size).contains ("stroke"));

        const auto drawable = juce::Drawable::createFromImageData (data, (size_t) size);
        ASSERT_NE (drawable, nullptr);
        const auto bounds = drawable->getDrawableBounds();
        EXPECT_FALSE (bounds.isEmpty());
        EXPECT_TRUE (
            juce::Rectangle<float> (0.0f, 0.0f, icon.viewBoxSize, icon.viewBoxSize).contains (bounds));

        // Rendered, every covered pixel is black, and a good part of the picture is solid.
        const auto image = drawToImage (96, 96,
                                        [&] (juce::Graphics& g) {
                                            drawable->drawWithin (g, { 0.0f, 0.0f, 96.0f, 96.0f },
                                                                  juce::RectanglePlacement::centred, 1.0f);
                                        });
        int covered = 0, solid = 0;
        for (int y = 0; y < 96; ++y)
            for (int x = 0; x < 96; ++x)
            {
                const auto c = image.getPixelAt (x, y);
                if (c.getAlpha() == 0)
                    continue;
                ++covered;
                solid += c.getAlpha() == 255 ? 1 : 0;
                EXPECT_EQ (c.getRed() + c.getGreen() + c.getBlue(), 0) << x << ", " << y;
            }
        EXPECT_GT (solid, 96 * 96 / 10);
        EXPECT_LT (covered, 96 * 96 * 9 / 10);
    }
}
