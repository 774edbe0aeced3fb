// kaleidra-state-probe: saves and restores a VST3 plug-in's state through the framework's VST3
// hosting, the way a DAW keeps it in a project. Built for Linux and for Windows, it shows that a
// project moved between the two systems keeps its settings: a state saved by one build is
// restored by the other, and saving it again gives the same bytes.
//
//   kaleidra-state-probe save BUNDLE OUT.state ["Name=text" ...]
//       applies the settings (text as the plug-in reads it), then writes the host state
//   kaleidra-state-probe load BUNDLE IN.state OUT.state
//       restores IN, then writes the host state again to OUT
//
// Both then print every parameter as "name = text (normalised value)". Exit status: 0 done,
// 1 failure, 2 wrong usage.

#include <juce_audio_processors/juce_audio_processors.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include <iostream>

namespace
{
int fail (const juce::String& message, int code = 1)
{
    std::cerr << "kaleidra-state-probe: " << message << std::endl;
    return code;
}

// Windows' VST3 hosting wants the module file inside the bundle, Linux's the bundle folder.
juce::File moduleFile (const juce::File& bundle)
{
#if JUCE_WINDOWS
    if (bundle.isDirectory())
    {
        const auto dll =
            bundle.getChildFile ("Contents").getChildFile ("x86_64-win").getChildFile (bundle.getFileName());
        if (dll.existsAsFile())
            return dll;
    }
#endif
    return bundle;
}

std::unique_ptr<juce::AudioPluginInstance> loadPlugin (const juce::File& bundle, juce::String& error)
{
    juce::VST3PluginFormat format;
    juce::OwnedArray<juce::PluginDescription> types;
    format.findAllTypesForFile (types, moduleFile (bundle).getFullPathName());
    if (types.isEmpty())
    {
        error = "no VST3 plug-in in " + bundle.getFullPathName();
        return {};
    }
    auto instance = format.createInstanceFromDescription (*types[0], 48000.0, 512, error);
    if (instance == nullptr && error.isEmpty())
        error = "the plug-in could not be created";
    return instance;
}

// Lets the plug-in take in parameter changes: one silent block, as a host's next callback would.
void runOneBlock (juce::AudioPluginInstance& plugin)
{
    juce::AudioBuffer<float> buffer (
        juce::jmax (plugin.getTotalNumInputChannels(), plugin.getTotalNumOutputChannels()), 512);
    buffer.clear();
    juce::MidiBuffer midi;
    plugin.processBlock (buffer, midi);
}

juce::String applySetting (juce::AudioPluginInstance& plugin, const juce::String& assignment)
{
    const auto name = assignment.upToFirstOccurrenceOf ("=", false, false).trim();
    const auto text = assignment.fromFirstOccurrenceOf ("=", false, false).trim();
    if (name.isEmpty() || !assignment.contains ("="))
        return "a setting is \"Name=text\", not \"" + assignment + "\"";
    for (auto* parameter : plugin.getParameters())
    {
        if (parameter->getName (1024) == name)
        {
            parameter->beginChangeGesture();
            parameter->setValueNotifyingHost (parameter->getValueForText (text));
            parameter->endChangeGesture();
            return {};
        }
    }
    return "no parameter named \"" + name + "\"";
}

void printParameters (juce::AudioPluginInstance& plugin)
{
    for (auto* parameter : plugin.getParameters())
    {
        const auto value = parameter->getValue();
        std::cout << parameter->getName (1024) << " = " << parameter->getText (value, 1024) << " ("
                  << juce::String (value, 6) << ")" << std::endl;
    }
}

bool writeState (juce::AudioPluginInstance& plugin, const juce::File& file, juce::String& error)
{
    juce::MemoryBlock state;
    plugin.getStateInformation (state);
    if (state.isEmpty())
        error = "the plug-in gave an empty state";
    else if (!file.replaceWithData (state.getData(), state.getSize()))
        error = "cannot write " + file.getFullPathName();
    return error.isEmpty();
}

int run (const juce::StringArray& args)
{
    const auto command = args[0];
    if ((command != "save" || args.size() < 3) && (command != "load" || args.size() != 4))
        return fail ("usage: kaleidra-state-probe save BUNDLE OUT.state [\"Name=text\" ...]\n"
                     "       kaleidra-state-probe load BUNDLE IN.state OUT.state",
                     2);

    const auto cwd = juce::File::getCurrentWorkingDirectory();
    juce::String error;
    auto plugin = loadPlugin (cwd.getChildFile (args[1]), error);
    if (plugin == nullptr)
        return fail (error);

    plugin->enableAllBuses();
    plugin->prepareToPlay (48000.0, 512);

    if (command == "save")
    {
        for (int i = 3; i < args.size(); ++i)
            if (const auto problem = applySetting (*plugin, args[i]); problem.isNotEmpty())
                return fail (problem, 2);
        runOneBlock (*plugin);
        if (!writeState (*plugin, cwd.getChildFile (args[2]), error))
            return fail (error);
    }
    else
    {
        juce::MemoryBlock state;
        if (!cwd.getChildFile (args[2]).loadFileAsData (state) || state.isEmpty())
            return fail ("cannot read " + args[2]);
        plugin->setStateInformation (state.getData(), (int) state.getSize());
        runOneBlock (*plugin);
        if (!writeState (*plugin, cwd.getChildFile (args[3]), error))
            return fail (error);
    }

    printParameters (*plugin);
    plugin->releaseResources();
    return 0;
}
} // namespace

int main (int argc, char* argv[])
{
    juce::StringArray args;
    for (int i = 1; i < argc; ++i)
        args.add (juce::String::fromUTF8 (argv[i]));
    if (args.isEmpty())
        return fail ("usage: kaleidra-state-probe save|load BUNDLE ...", 2);

    juce::MessageManager::getInstance();
    juce::ScopedJuceInitialiser_GUI framework;
    return run (args);
}
