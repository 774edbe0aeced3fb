namespace tarn_gui
{
//==============================================================================
BasicLabel::BasicLabel (LookAndFeel& laf)
{
    setFont (laf.fonts.textFont);
    setColour (juce::Label::textColourId, laf.textColour);
    setJustificationType (juce::Justification::centredLeft);
    setBorderSize (juce::BorderSize<int> (6));
}

//==============================================================================
HyperlinkLabel::HyperlinkLabel (const juce::String& text, const juce::URL& url, const juce::Font& font,
                                juce::Colour colour, juce::Justification justification)
    : juce::HyperlinkButton (text, url)
{
    setFont (font, false);
    setColour (juce::HyperlinkButton::textColourId, colour);
    setJustificationType (justification);
}

//==============================================================================
TitleLabels::TitleLabels (const juce::String& companyName, const juce::URL& companyURL,
                          const juce::String& productNameAndVersion, const juce::URL& productURL,
                          LookAndFeel& laf)
    : companyLink (companyName, companyURL, laf.fonts.titleFont, laf.primaryColour,
                   juce::Justification::centredLeft)
    , productLink (productNameAndVersion.replaceCharacters ("_-", " ."), productURL, laf.fonts.subtitleFont,
                   laf.secondaryColour, juce::Justification::centredLeft)
{
    addAndMakeVisible (companyLink);
    addAndMakeVisible (productLink);
}

void TitleLabels::resized()
{
    const auto width = getWidth();
    const auto height = getHeight();

    companyLink.changeWidthToFitText();
    productLink.changeWidthToFitText();

    const auto companyWidth = juce::jmin (width, companyLink.getWidth());
    companyLink.setBounds (0, 0, companyWidth, height);

    const auto rest = width - companyWidth;
    const auto productWidth = juce::jmax (0, juce::jmin (rest - 30, productLink.getWidth()));
    productLink.setBounds (companyWidth, 0, productWidth, height);
}

//==============================================================================
HyperlinkLabelRow::HyperlinkLabelRow (LookAndFeel& laf, juce::StringArray texts, juce::Array<juce::URL> urls,
                                      juce::Justification justification)
{
    const auto count = juce::jmin (texts.size(), urls.size());
    for (int i = 0; i < count; ++i)
    {
        auto* link = links.add (
            new HyperlinkLabel (texts[i], urls[i], laf.fonts.textFont, laf.textColour, justification));
        addAndMakeVisible (link);
    }
}

void HyperlinkLabelRow::resized()
{
    const auto height = getHeight();
    auto x = getWidth();

    for (int i = links.size(); --i >= 0;)
    {
        auto* link = links.getUnchecked (i);
        const auto text = link->getButtonText();

        if (i > 0)
        {
            if (!text.startsWith (separator))
                link->setButtonText (separator + text);
        }
        else if (text.startsWith (separator))
        {
            link->setButtonText (text.trimCharactersAtStart (" /"));
        }

        link->changeWidthToFitText();
        x -= link->getWidth();
        link->setBounds (x, 0, link->getWidth(), height);
    }
}

//==============================================================================
IndicatorLight::IndicatorLight()
    : juce::Button ("IndicatorLight")
{
}

bool IndicatorLight::setState (int newState)
{
    state = newState;
    repaint();
    return true;
}

void IndicatorLight::paintButton (juce::Graphics& g, bool, bool)
{
    const auto bounds = getLocalBounds().toFloat();

    if (state < 0)
    {
        g.setColour (offColour);
        g.drawEllipse (bounds, 2.0f);
        return;
    }

    g.setColour (juce::isPositiveAndBelow (state, colours.size()) ? colours.getUnchecked (state)
                                                                  : juce::Colours::transparentBlack);
    g.fillEllipse (bounds);
}
} // namespace tarn_gui
