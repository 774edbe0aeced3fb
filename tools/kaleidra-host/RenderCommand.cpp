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
    juce::String presetPath;
    double rate = 0.0;
    int block = 512;

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
            block = args[++i].getIntValue();
        else if (!a.startsWith ("--"))
            positional.add (a);
        else
            return usageError ("render: unexpected argument \"" + a + "\"");
    }

    if (positional.size() != 3 || block <= 0 || rate < 0.0)
        return usageError (
            "render: expected BUNDLE IN.wav OUT.wav [--preset FILE.kd11] [--set \"Name=value\" ...] "
            "[--rate R] [--block N]");

    const auto bundle = absoluteFile (positional[0]);
    const auto inFile = absoluteFile (positional[1]);
    const auto outFile = absoluteFile (positional[2]);

    juce::AudioFormatManager formats;
    formats.registerBasicFormats();
    std::unique_ptr<juce::AudioFormatReader> reader (formats.createReaderFor (inFile));

    if (reader == nullptr)
        return failure ("render: cannot read audio from " + inFile.getFullPathName());

    const auto channels = (int) reader->numChannels;

    if (channels < 1 || channels > 2)
        return failure ("render: only mono and stereo files are supported");

    if (reader->lengthInSamples > std::numeric_limits<int>::max() / 2)
        return failure ("render: the input file is too long");

    const auto length = (int) reader->lengthInSamples;

    if (rate == 0.0)
        rate = reader->sampleRate;

    juce::AudioBuffer<float> input (channels, length);
    reader->read (&input, 0, length, 0, true, true);

    juce::String error;
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

    ProgressBar bar (stderrIsTerminal());
    auto processed = processOffline (plugin, input, length + latency, block, false,
                                     [&bar] (int done, int total) { bar.update (done, total); });
    bar.finish();
    plugin.releaseResources();

    // Drop the plug-in's delay, so that the output lines up with the input.
    juce::AudioBuffer<float> output (processed.getNumChannels(), length);

    for (int c = 0; c < output.getNumChannels(); ++c)
        output.copyFrom (c, 0, processed, c, latency, length);

    outFile.getParentDirectory().createDirectory();
    outFile.deleteFile();
    juce::WavAudioFormat wav;
    std::unique_ptr<juce::OutputStream> stream (outFile.createOutputStream());
    std::unique_ptr<juce::AudioFormatWriter> writer;

    if (stream != nullptr)
        writer.reset (
            wav.createWriterFor (stream.get(), rate, (unsigned int) output.getNumChannels(), 32, {}, 0));

    if (writer == nullptr)
        return failure ("render: cannot write " + outFile.getFullPathName());

    stream.release(); // the writer owns it now

    if (!writer->writeFromAudioSampleBuffer (output, 0, output.getNumSamples()))
        return failure ("render: writing " + outFile.getFullPathName() + " failed");

    writer.reset();

    std::cout << "rendered " << outFile.getFullPathName() << " samples=" << length << " rate=" << rate
              << " channels=" << output.getNumChannels() << " latency=" << latency
              << " peak_dbfs=" << juce::String (toDecibels (peakOf (output)), 2)
              << " rms_dbfs=" << juce::String (toDecibels (rmsOf (output)), 2) << std::endl;

    if (!allFinite (output))
        return failure ("render: the output holds samples that are not finite");

    return 0;
}
} // namespace kaleidra_host
