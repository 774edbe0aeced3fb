#include "KaleidraControls.h"

namespace
{
juce::Rectangle<float> sliceTop (juce::Rectangle<float>& area, float wanted)
{
    return area.removeFromTop (juce::jmin (wanted, area.getHeight()));
}

juce::Rectangle<float> sliceLeft (juce::Rectangle<float>& area, float wanted)
{
    return area.removeFromLeft (juce::jmin (wanted, area.getWidth()));
}
} // namespace

//==================================================================================================
KaleidraStageControls::KaleidraStageControls (tarn_gui::LookAndFeel& laf)
    : panelColour (laf.textColour)
    , grid (laf, { tarn_gui::indicatorLight, tarn_gui::horizontalSlider, tarn_gui::horizontalSlider,
                   tarn_gui::horizontalSlider })
{
    // The light's third colour: the stage was switched off from its light.
    lightSuite().light.colours.add (laf.primaryColour.withMultipliedAlpha (0.6f));

    addAndMakeVisible (grid);
}

tarn_gui::IndicatorLightSuite& KaleidraStageControls::lightSuite() const
{
    auto* light = dynamic_cast<tarn_gui::IndicatorLightSuite*> (grid.suites.getFirst());
    jassert (light != nullptr);
    return *light;
}

void KaleidraStageControls::paint (juce::Graphics& g)
{
    g.setColour (panelColour);
    g.drawRoundedRectangle (getLocalBounds().toFloat(), 20.0f, 3.0f);
}

void KaleidraStageControls::resized()
{
    // reduced() never gives a negative size: a panel under 20 px lays the grid out empty.
    grid.setBounds (getLocalBounds().reduced (10));
}

//==================================================================================================
KaleidraControls::KaleidraControls (tarn_gui::LookAndFeel& laf)
    : modeSuite (laf)
    , toneSuite (laf, juce::Slider::LinearHorizontal)
{
    modeSuite.addToParent (*this);
    toneSuite.addToParent (*this);

    for (int stage = 0; stage < 3; ++stage)
        addAndMakeVisible (stagePanels.add (new KaleidraStageControls (laf)));
}

void KaleidraControls::resized()
{
    const auto width = (float) getWidth();
    const auto height = (float) getHeight();
    auto inner = juce::Rectangle<float> (10.0f, 10.0f, juce::jmax (0.0f, width - 20.0f),
                                         juce::jmax (0.0f, height - 20.0f));

    auto row = inner.removeFromBottom (juce::jmin (inner.getHeight(), 18.0f));

    // The stage panels share the rest in three equal slices, each leaving 10 px below its panel.
    const auto slice = inner.getHeight() / 3.0f;

    for (auto* panel : stagePanels)
    {
        auto piece = sliceTop (inner, slice);
        const auto panelHeight = juce::jmax (0.0f, juce::jmin (piece.getHeight(), slice - 10.0f));
        panel->setBounds (piece.withHeight (panelHeight).toNearestInt());
    }

    // Global row: a 10 px margin, then the mode toggle and its label, the tone slider (1 px
    // shorter at top and bottom) and its label.
    sliceLeft (row, 10.0f);
    const auto toggle = sliceLeft (row, 18.0f);
    const auto modeLabel = sliceLeft (row, 152.0f);
    const auto toneSlider = sliceLeft (row, 186.0f);
    const auto toneLabel = sliceLeft (row, 164.0f);

    modeSuite.setSuiteBounds ({ toggle, modeLabel });
    toneSuite.setSuiteBounds (
        { toneSlider.reduced (0.0f, juce::jmin (1.0f, toneSlider.getHeight() / 2.0f)), toneLabel });
}
