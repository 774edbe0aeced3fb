#pragma once

// Test isolation from the user's own files: the plug-in finds (and creates) its user preset folder
// below HOME and XDG_CONFIG_HOME.

#include <gtest/gtest.h>
#include <juce_core/juce_core.h>

#include <cstdlib>
#include <memory>

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

// One IsolatedHome for a whole test program, for suites whose every test builds a plug-in (or
// starts a host process, which inherits the environment). Register it once per program:
//     ::testing::AddGlobalTestEnvironment (new kaleidra::test::IsolatedHomeEnvironment);
class IsolatedHomeEnvironment final : public ::testing::Environment
{
public:
    void SetUp() override
    {
        home = std::make_unique<IsolatedHome>();
    }

    void TearDown() override
    {
        home.reset();
    }

private:
    std::unique_ptr<IsolatedHome> home;
};

} // namespace kaleidra::test
