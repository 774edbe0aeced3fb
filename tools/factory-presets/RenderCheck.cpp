#include "RenderCheck.h"

#include <cmath>

namespace kaleidra::presets
{
RenderFigures measure (const juce::String& name, const juce::AudioBuffer<float>& audio)
{
    RenderFigures f;
    f.name = name;
    double sum = 0.0;
    const auto count = (double) audio.getNumChannels() * audio.getNumSamples();

    for (int c = 0; c < audio.getNumChannels(); ++c)
    {
        for (int i = 0; i < audio.getNumSamples(); ++i)
        {
            const auto x = audio.getSample (c, i);
            const auto magnitude = std::isfinite (x) ? std::abs (x) : std::numeric_limits<float>::infinity();
            f.peak = juce::jmax (f.peak, magnitude);
            f.samplesAboveFullScale += std::isfinite (x) && magnitude > 1.0f ? 1 : 0;
            sum += (double) x * x;
        }
    }

    f.rms = count > 0 ? (float) std::sqrt (sum / count) : 0.0f;
    return f;
}

float differenceRms (const juce::AudioBuffer<float>& a, const juce::AudioBuffer<float>& b)
{
    const int channels = juce::jmax (a.getNumChannels(), b.getNumChannels());
    const int samples = juce::jmax (a.getNumSamples(), b.getNumSamples());
    double sum = 0.0;

    const auto sample = [] (const juce::AudioBuffer<float>& buffer, int c, int i)
    { return c < buffer.getNumChannels() && i < buffer.getNumSamples() ? buffer.getSample (c, i) : 0.0f; };

    for (int c = 0; c < channels; ++c)
        for (int i = 0; i < samples; ++i)
        {
            const double d = (double) sample (a, c, i) - sample (b, c, i);
            sum += d * d;
        }

    const double count = (double) channels * samples;
    return count > 0 ? (float) std::sqrt (sum / count) : 0.0f;
}

RenderCheckResult checkRenders (const juce::StringArray& names,
                                const juce::Array<juce::AudioBuffer<float>>& renders)
{
    RenderCheckResult result;

    for (int i = 0; i < renders.size(); ++i)
    {
        const auto f = measure (names[i], renders.getReference (i));
        result.figures.add (f);

        if (!std::isfinite (f.peak) || !std::isfinite (f.rms))
            result.problems.add (f.name + ": not finite");
        else if (f.rms < silentRms)
            result.problems.add (f.name + ": silent (RMS " +
                                 juce::String (juce::Decibels::gainToDecibels (f.rms), 1) + " dBFS)");

        if (f.samplesAboveFullScale > 0)
            result.problems.add (f.name + ": " + juce::String (f.samplesAboveFullScale) +
                                 " samples beyond 0 dBFS (peak " +
                                 juce::String (juce::Decibels::gainToDecibels (f.peak), 2) + " dBFS)");
    }

    for (int i = 0; i < renders.size(); ++i)
        for (int j = i + 1; j < renders.size(); ++j)
            if (differenceRms (renders.getReference (i), renders.getReference (j)) < alikeRms)
                result.problems.add (names[i] + " and " + names[j] + ": identical renders");

    return result;
}
} // namespace kaleidra::presets
