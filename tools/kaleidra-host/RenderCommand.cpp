#include "Commands.h"
#include "PluginHost.h"

#include <cstdio>
#include <iostream>

#if JUCE_WINDOWS
    #include <io.h>
#else
    #include <unistd.h>
#endif

namespace kaleidra_host
{
namespace
{
    bool stderrIsTerminal()
    {
#if JUCE_WINDOWS
        return _isatty (_fileno (stderr)) != 0;
#else
        return isatty (fileno (stderr)) != 0;
#endif
    }

    // A bar on the terminal, redrawn only when the shown percentage changes.
    struct ProgressBar
    {
        explicit ProgressBar (bool enabledIn)
            : enabled (enabledIn)
        {
        }

        void update (int done, int total)
        {
            if (!enabled || total <= 0)
                return;

            const auto percent = (int) ((juce::int64) done * 100 / total);

            if (percent == shown)
                return;

            shown = percent;
            const auto filled = percent * width / 100;
            std::string bar ((size_t) filled, '#');
            bar.append ((size_t) (width - filled), '.');
            std::fprintf (stderr, "\r[%s] %3d%%", bar.c_str(), percent);
            std::fflush (stderr);
        }

        void finish()
        {
            if (enabled && shown >= 0)
                std::fprintf (stderr, "\n");
        }

        bool enabled;
        int shown = -1;
        static constexpr int width = 40;
    };

    double toDecibels (float gain)
    {
        return gain > 0.0f ? 20.0 * std::log10 ((double) gain) : -200.0;
    }
} // namespace

int runRender (const juce::StringArray& args)
{
    juce::StringArray positional, settings;
    juce::String presetPath, preRollPath, blockText ("512");
    double rate = 0.0;
    juce::int64 seed = 1;
    int lead = 0;

    for (int i = 0; i < args.size(); ++i)
    {
        const auto& a = args[i];

        if (a == "--preset" && i + 1 < args.size())
            presetPath = args[++i];
        else if (a == "--set" && i + 1 < args.size())
            settings.add (args[++i]);
        else if (a == "--rate" && i + 1 < args.size())
            rate = args[++i].getDoubleValue();
        else if (a == "--block" && i + 1 < args.size())
            blockText = args[++i];
        else if (a == "--seed" && i + 1 < args.size())
            seed = args[++i].getLargeIntValue();
        else if (a == "--pre-roll" && i + 1 < args.size())
            preRollPath = args[++i];
        else if (a == "--lead" && i + 1 < args.size())
            lead = args[++i].getIntValue();
        else if (!a.startsWith ("--"))
            positional.add (a);
        else
            return usageError ("render: unexpected argument \"" + a + "\"");
    }

    BlockSizes blocks;

    if (positional.size() != 3 || !BlockSizes::parse (blockText, seed, blocks) || rate < 0.0 || lead < 0 ||
        lead > 10000000)
        return usageError (
            "render: expected BUNDLE IN.wav OUT.wav [--preset FILE.kd11] [--set \"Name=value\" ...] "
            "[--rate R] [--block N|random] [--seed S] [--pre-roll FILE.wav] [--lead N]");

    const auto bundle = absoluteFile (positional[0]);
    const auto inFile = absoluteFile (positional[1]);
    const auto outFile = absoluteFile (positional[2]);

    juce::String error;
    double fileRate = 0.0;
    juce::AudioBuffer<float> input;

    if (!readAudioFile (inFile, input, fileRate, error))
        return failure ("render: " + error);

    juce::AudioBuffer<float> preRoll;

    if (preRollPath.isNotEmpty())
    {
        double preRollRate = 0.0;

        if (!readAudioFile (absoluteFile (preRollPath), preRoll, preRollRate, error))
            return failure ("render: " + error);
    }

    if (lead > 0)
    {
        // Silence before the input; the output is still taken from the input's first sample on.
        juce::AudioBuffer<float> padded (input.getNumChannels(), lead + input.getNumSamples());
        padded.clear();

        for (int c = 0; c < input.getNumChannels(); ++c)
            padded.copyFrom (c, lead, input, c, 0, input.getNumSamples());

        input = std::move (padded);
    }

    const auto channels = input.getNumChannels();

    if (rate == 0.0)
        rate = fileRate;

    const auto block = blocks.announced();

    auto loaded = loadPlugin (bundle, rate, block, error);

    if (loaded.instance == nullptr)
        return failure ("render: " + error);

    auto& plugin = *loaded.instance;

    if (!setMainLayout (plugin,
                        channels == 1 ? juce::AudioChannelSet::mono() : juce::AudioChannelSet::stereo()))
        return failure ("render: the plug-in refuses a " + juce::String (channels == 1 ? "mono" : "stereo") +
                        " layout");

    preparePlugin (plugin, rate, block);

    if (presetPath.isNotEmpty())
    {
        const auto blob = readPresetFile (absoluteFile (presetPath), error);

        if (blob.isEmpty())
            return failure ("render: " + error);

        const auto state = wrapComponentState (blob);
        plugin.setStateInformation (state.getData(), (int) state.getSize());
    }

    for (const auto& setting : settings)
    {
        const auto problem = applySetting (plugin, setting);

        if (problem.isNotEmpty())
            return failure ("render: " + problem);
    }

    settleParameters (plugin, block);
    const auto latency = plugin.getLatencySamples();

    // Like a DAW's export: the transport starts with the input (after the pre-roll, if any), and
    // the output is taken from there, without the plug-in's delay.
    ProgressBar bar (stderrIsTerminal());
    HostPlayHead playHead;
    const auto output =
        renderFromTransportStart (plugin, input, preRoll.getNumSamples() > 0 ? &preRoll : nullptr, blocks,
                                  playHead, [&bar] (int done, int total) { bar.update (done, total); });
    bar.finish();
    plugin.releaseResources();

    // Without the lead-in, the output lines up with the file that was read.
    const auto length = output.getNumSamples() - lead;
    juce::AudioBuffer<float> written (output.getNumChannels(), length);

    for (int c = 0; c < written.getNumChannels(); ++c)
        written.copyFrom (c, 0, output, c, lead, length);

    if (!writeWavFile (outFile, written, rate, error))
        return failure ("render: " + error);

    std::cout << "rendered " << outFile.getFullPathName() << " samples=" << length << " rate=" << rate
              << " channels=" << written.getNumChannels() << " latency=" << latency
              << " blocks=" << blocks.describe()
              << (lead > 0 ? " lead=" + juce::String (lead) : juce::String())
              << " peak_dbfs=" << juce::String (toDecibels (peakOf (written)), 2)
              << " rms_dbfs=" << juce::String (toDecibels (rmsOf (written)), 2) << std::endl;

    if (!allFinite (written))
        return failure ("render: the output holds samples that are not finite");

    return 0;
}
} // namespace kaleidra_host
