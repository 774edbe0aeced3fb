// kaleidra-host: a headless VST3 host that loads a bundle through the framework's VST3 hosting,
// the way a DAW does, to inspect, render, check and photograph a plug-in.

#include "Commands.h"
#include "X11Support.h"

#include <juce_events/juce_events.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include <iostream>

namespace kaleidra_host
{
int usageError (const juce::String& message)
{
    std::cerr << message << std::endl;
    return 2;
}

int failure (const juce::String& message)
{
    std::cerr << message << std::endl;
    return 1;
}
} // namespace kaleidra_host

namespace
{
const char* usage = "usage: kaleidra-host COMMAND ...\n"
                    "  info BUNDLE [--json] [--rate R] [--block N]\n"
                    "      name, vendor, version, class IDs, buses, parameters and latency\n"
                    "  render BUNDLE IN.wav OUT.wav [--preset FILE.kd11] [--set \"Name=value\" ...]\n"
                    "         [--rate R] [--block N|random] [--seed S] [--pre-roll OTHER.wav] [--lead N]\n"
                    "      processes a mono or stereo WAV file offline as a DAW exports it: the transport\n"
                    "      starts with IN (after OTHER played and the transport stopped, with --pre-roll;\n"
                    "      N samples of silence before IN with --lead); host blocks of N samples or of\n"
                    "      random sizes; OUT lines up with IN\n"
                    "  check BUNDLE\n"
                    "      conformance run over sample rates, block sizes and layouts\n"
                    "  editor BUNDLE OUT.png [--wait MS] [--cycles N]\n"
                    "      opens the plug-in's editor in a window and saves a screenshot; then opens\n"
                    "      and closes it N more times while audio is processed and automated\n"
                    "  state BUNDLE [--restore FILE] [--set \"Name=value\" ...] [--save FILE]\n"
                    "      restores a saved host state, applies settings, saves the host state again\n"
                    "      and prints the plug-in's state XML\n"
                    "  compare A.wav B.wav [--offset N] [--from S] [--expect-identical] [--tolerance T]\n"
                    "      whether two renders are identical; if not, where they first differ, the largest\n"
                    "      difference, the difference energy and the largest third-octave difference\n";
} // namespace

int main (int argc, char* argv[])
{
    // Xlib must be thread-safe before anything talks to the X server: the plug-in runs a message
    // thread of its own.
    kaleidra_host::x11::initialiseThreads();

    juce::StringArray args;

    for (int i = 1; i < argc; ++i)
        args.add (juce::String::fromUTF8 (argv[i]));

    if (args.isEmpty() || args[0] == "--help" || args[0] == "-h")
    {
        std::cout << usage;
        return args.isEmpty() ? 2 : 0;
    }

    const auto command = args[0];
    args.remove (0);

    int result = 2;
    {
        // The message manager first: the VST3 hosting and the plug-in's wrapper both rely on it.
        juce::MessageManager::getInstance();
        juce::ScopedJuceInitialiser_GUI framework;

        if (command == "info")
            result = kaleidra_host::runInfo (args);
        else if (command == "render")
            result = kaleidra_host::runRender (args);
        else if (command == "check")
            result = kaleidra_host::runCheck (args);
        else if (command == "editor")
            result = kaleidra_host::runEditor (args);
        else if (command == "state")
            result = kaleidra_host::runState (args);
        else if (command == "compare")
            result = kaleidra_host::runCompare (args);
        else
            std::cerr << "unknown command \"" << command << "\"\n" << usage;
    }

    return result;
}
