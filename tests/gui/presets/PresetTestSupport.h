#pragma once

#include "FakePresetProcessor.h"
#include "support/IsolatedHome.h"

#include <gtest/gtest.h>

namespace kaleidra::test
{
// Every preset test runs in its own home folder.
class PresetTest : public ::testing::Test
{
protected:
    juce::File presetFolder() const
    {
        return FakePresetProcessor::locateFolder();
    }

    // Writes a preset file holding the given processor's current state.
    static juce::File writePreset (FakePresetProcessor& processor, const juce::File& file)
    {
        EXPECT_TRUE (tarn_gui::createFileWithRetries (file));
        EXPECT_TRUE (processor.savePresetFile (file));
        return file;
    }

    // The encoded form of a plain blob, as a preset file holds it.
    static juce::MemoryBlock encoded (juce::MemoryBlock blob)
    {
        tarn_gui::encodePresetData (blob);
        return blob;
    }

    static juce::MemoryBlock blobWithXml (const juce::String& xmlText)
    {
        juce::MemoryBlock blob;
        auto xml = juce::parseXML (xmlText);
        juce::AudioProcessor::copyXmlToBinary (*xml, blob);
        return blob;
    }

    IsolatedHome isolatedHome;
};

// Runs the message loop until the condition holds or a generous limit passes.
template <typename Condition>
bool pumpUntil (Condition&& condition, int limitMs = 5000)
{
    const auto end = juce::Time::getMillisecondCounter() + (juce::uint32) limitMs;

    while (!condition() && juce::Time::getMillisecondCounter() < end)
        juce::MessageManager::getInstance()->runDispatchLoopUntil (10);

    return condition();
}
} // namespace kaleidra::test
