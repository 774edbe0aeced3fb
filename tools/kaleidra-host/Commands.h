#pragma once

#include <juce_core/juce_core.h>

// The host's sub-commands. Each takes the arguments after its name and returns the exit code.
namespace kaleidra_host
{
int runInfo (const juce::StringArray& args);
int runRender (const juce::StringArray& args);
int runCheck (const juce::StringArray& args);
int runEditor (const juce::StringArray& args);
int runState (const juce::StringArray& args);
int runCompare (const juce::StringArray& args);

// Prints the message to stderr; exit code 2 (wrong usage) or 1 (failure).
int usageError (const juce::String& message);
int failure (const juce::String& message);

// The VST3 factory's flag for entirely Unicode strings.
constexpr int Vst3FactoryFlagUnicode = 1 << 4;
} // namespace kaleidra_host
