#pragma once

#include "FakePresetProcessor.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace kaleidra::test
{
// Points HOME and XDG_CONFIG_HOME at a fresh temporary folder for the test's lifetime, so that
// the user preset folder is the test's own.
class IsolatedHome
{
public:
    IsolatedHome()
        : home (juce::File::createTempFile ("kaleidra-home"))
    {
        home.createDirectory();
        save ("HOME", oldHome, hadHome);
        save ("XDG_CONFIG_HOME", oldConfig, hadConfig);
        ::setenv ("HOME", home.getFullPathName().toRawUTF8(), 1);
        ::setenv ("XDG_CONFIG_HOME", home.getChildFile (".config").getFullPathName().toRawUTF8(), 1);
    }

    ~IsolatedHome()
    {
        restore ("HOME", oldHome, hadHome);
        restore ("XDG_CONFIG_HOME", oldConfig, hadConfig);
        home.deleteRecursively();
    }

    const juce::File home;

private:
    static void save (const char* name, juce::String& value, bool& had)
    {
        const char* current = std::getenv (name);
        had = current != nullptr;
        value = had ? juce::String (current) : juce::String();
    }

    static void restore (const char* name, const juce::String& value, bool had)
    {
        if (had)
            ::setenv (name, value.toRawUTF8(), 1);
        else
            ::unsetenv (name);
    }

    juce::String oldHome, oldConfig;
    bool hadHome = false, hadConfig = false;
};

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
