// kaleidra-host state: the host's side of saving and restoring a project. Restores a state the way
// a DAW does when it opens a project, changes parameters as automation would, saves the state the
// way a DAW does when it saves the project, and shows what the plug-in put into it.

#include "Commands.h"
#include "PluginHost.h"

#include <iostream>

namespace kaleidra_host
{
namespace
{
    // The plug-in's own state blob inside the state the VST3 hosting keeps for it.
    juce::MemoryBlock componentStateOf (const juce::MemoryBlock& hostState)
    {
        const auto xml =
            juce::AudioProcessor::getXmlFromBinary (hostState.getData(), (int) hostState.getSize());

        if (xml == nullptr)
            return {};

        juce::MemoryBlock component;

        if (auto* element = xml->getChildByName ("IComponent"))
            component.fromBase64Encoding (element->getAllSubText().trim());

        return component;
    }
} // namespace

int runState (const juce::StringArray& args)
{
    juce::StringArray positional, settings;
    juce::String restorePath, savePath;
    const double rate = 48000.0;
    const int block = 512;

    for (int i = 0; i < args.size(); ++i)
    {
        const auto& a = args[i];

        if (a == "--restore" && i + 1 < args.size())
            restorePath = args[++i];
        else if (a == "--save" && i + 1 < args.size())
            savePath = args[++i];
        else if (a == "--set" && i + 1 < args.size())
            settings.add (args[++i]);
        else if (!a.startsWith ("--"))
            positional.add (a);
        else
            return usageError ("state: unexpected argument \"" + a + "\"");
    }

    if (positional.size() != 1)
        return usageError (
            "state: expected BUNDLE [--restore FILE] [--set \"Name=value\" ...] [--save FILE]");

    juce::String error;
    auto loaded = loadPlugin (absoluteFile (positional[0]), rate, block, error);

    if (loaded.instance == nullptr)
        return failure ("state: " + error);

    auto& plugin = *loaded.instance;
    preparePlugin (plugin, rate, block);

    if (restorePath.isNotEmpty())
    {
        juce::MemoryBlock saved;
        const auto file = absoluteFile (restorePath);

        if (!file.loadFileAsData (saved) || saved.isEmpty())
            return failure ("state: cannot read " + file.getFullPathName());

        plugin.setStateInformation (saved.getData(), (int) saved.getSize());
    }

    for (const auto& setting : settings)
    {
        const auto problem = applySetting (plugin, setting);

        if (problem.isNotEmpty())
            return failure ("state: " + problem);
    }

    // Parameter changes reach the plug-in with the next processed block, as in a running DAW.
    settleParameters (plugin, block);
    plugin.releaseResources();

    juce::MemoryBlock hostState;
    plugin.getStateInformation (hostState);

    if (savePath.isNotEmpty())
    {
        const auto file = absoluteFile (savePath);

        if (!file.replaceWithData (hostState.getData(), hostState.getSize()))
            return failure ("state: cannot write " + file.getFullPathName());
    }

    const auto component = componentStateOf (hostState);
    const auto xml = juce::AudioProcessor::getXmlFromBinary (component.getData(), (int) component.getSize());

    if (xml == nullptr)
        return failure ("state: the plug-in's saved state holds no readable XML");

    std::cout << xml->toString (juce::XmlElement::TextFormat().singleLine().withoutHeader()) << std::endl;
    return 0;
}
} // namespace kaleidra_host
