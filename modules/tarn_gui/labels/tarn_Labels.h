#pragma once

namespace tarn_gui
{
// The text label of every control suite: text font and colour, centred left, 6 px border.
struct BasicLabel : public juce::Label
{
    explicit BasicLabel (LookAndFeel& laf);

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (BasicLabel)
};

// A link text that opens a web page in the default browser.
struct HyperlinkLabel : public juce::HyperlinkButton
{
    HyperlinkLabel (const juce::String& text, const juce::URL& url, const juce::Font& font,
                    juce::Colour colour, juce::Justification justification);

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (HyperlinkLabel)
};

// The title line: the company link, directly followed by the product-and-version link, which
// never comes closer than 30 px to the right edge.
struct TitleLabels : public juce::Component
{
    // "_" in the product text shows as a blank and "-" as a point ("Name_v1-2-3" -> "Name v1.2.3").
    TitleLabels (const juce::String& companyName, const juce::URL& companyURL,
                 const juce::String& productNameAndVersion, const juce::URL& productURL, LookAndFeel& laf);

    void resized() override;

    HyperlinkLabel companyLink;
    HyperlinkLabel productLink;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (TitleLabels)
};

// A row of links flush against the right edge, in their given order, separated by " // ".
struct HyperlinkLabelRow : public juce::Component
{
    HyperlinkLabelRow (LookAndFeel& laf, juce::StringArray texts, juce::Array<juce::URL> urls,
                       juce::Justification justification);

    void resized() override;

    static constexpr const char* separator = " // ";

    juce::OwnedArray<HyperlinkLabel> links;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (HyperlinkLabelRow)
};

// A round status light that is also a button. state < 0 draws a 2 px ring in offColour;
// otherwise a disc in colours[state] (transparent when state is past the end).
struct IndicatorLight : public juce::Button
{
    IndicatorLight();

    bool setState (int newState);
    int getState() const noexcept
    {
        return state;
    }

    void paintButton (juce::Graphics& g, bool shouldDrawButtonAsHighlighted,
                      bool shouldDrawButtonAsDown) override;

    juce::Colour offColour{ juce::Colours::white };
    juce::Array<juce::Colour> colours;

private:
    int state = -1;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (IndicatorLight)
};
} // namespace tarn_gui
