#pragma once

// Checks renders of the factory presets: none silent, none beyond 0 dBFS, no two alike.

#include <juce_audio_basics/juce_audio_basics.h>

namespace kaleidra::presets
{
struct RenderFigures
{
    juce::String name;
    float peak = 0.0f; // largest absolute sample
    float rms = 0.0f;  // over all channels
    int samplesAboveFullScale = 0;
};

struct RenderCheckResult
{
    juce::Array<RenderFigures> figures;
    juce::StringArray problems; // empty when every render passes
};

// Limits: a render is silent below silentRms (-80 dBFS); clipped with any sample beyond 1.0
// (0 dBFS); two renders are alike when the RMS of their difference is below alikeRms
// (-100 dBFS) relative to full scale.
constexpr float silentRms = 1.0e-4f;
constexpr float alikeRms = 1.0e-5f;

RenderFigures measure (const juce::String& name, const juce::AudioBuffer<float>& audio);
float differenceRms (const juce::AudioBuffer<float>& a, const juce::AudioBuffer<float>& b);

RenderCheckResult checkRenders (const juce::StringArray& names,
                                const juce::Array<juce::AudioBuffer<float>>& renders);
} // namespace kaleidra::presets
