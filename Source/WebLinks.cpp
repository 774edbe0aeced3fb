#include "WebLinks.h"

namespace webLinks
{
juce::String companyDomain()
{
    return juce::URL (homePage).getDomain();
}

juce::File userGuideNextTo (const juce::File& pluginBinary)
{
    return pluginBinary.getParentDirectory()
        .getParentDirectory()
        .getChildFile ("Resources")
        .getChildFile (userGuideFileName);
}

juce::File installedUserGuide()
{
    // Inside a plug-in this is the plug-in's own binary, not the host's executable.
    return userGuideNextTo (juce::File::getSpecialLocation (juce::File::currentExecutableFile));
}

juce::URL userGuide()
{
    const auto guide = installedUserGuide();
    return guide.existsAsFile() ? juce::URL (guide) : juce::URL (userGuidePage);
}
} // namespace webLinks
