#include "Commands.h"
#include "PluginHost.h"

#include <atomic>
#include <cstring>
#include <iostream>
#include <random>
#include <thread>

namespace kaleidra_host
{
namespace
{
    const int sampleRates[] = { 44100, 48000, 88200, 96000, 192000 };
    const int blockSizes[] = { 1, 7, 64, 250, 512, 1024, 4096 };

    struct Report
    {
        void line (bool ok, const juce::String& text)
        {
            std::cout << (ok ? "PASS  " : "FAIL  ") << text << std::endl;

            if (!ok)
                ++failures;
        }

        int failures = 0;
    };

    juce::AudioBuffer<float> noise (int channels, int length, float level, unsigned seed)
    {
        std::mt19937 random (seed);
        std::uniform_real_distribution<float> dist (-level, level);
        juce::AudioBuffer<float> buffer (channels, length);

        for (int c = 0; c < channels; ++c)
            for (int i = 0; i < length; ++i)
                buffer.setSample (c, i, dist (random));

        return buffer;
    }

    juce::AudioBuffer<float> impulse (int channels, int length, int position)
    {
        juce::AudioBuffer<float> buffer (channels, length);
        buffer.clear();

        for (int c = 0; c < channels; ++c)
            buffer.setSample (c, position, 0.5f);

        return buffer;
    }

    void setDefaults (juce::AudioPluginInstance& plugin)
    {
        const auto* bypass = plugin.getBypassParameter();

        for (auto* parameter : plugin.getParameters())
            if (parameter != bypass)
                parameter->setValueNotifyingHost (parameter->getDefaultValue());
    }

    juce::String applyAll (juce::AudioPluginInstance& plugin, const juce::StringArray& settings)
    {
        for (const auto& s : settings)
        {
            const auto problem = applySetting (plugin, s);

            if (problem.isNotEmpty())
                return problem;
        }

        return {};
    }

    // Settings under which neither the shelf, nor the mirroring, nor the segment grid moves an
    // impulse's peak: no shelf, a tiny mix, and 1 µs segments, finer than a sample at any rate.
    juce::StringArray latencySettings (const juce::String& modeName, const juce::String& mix)
    {
        juce::StringArray settings{ "Mode=" + modeName, "Tone=100" };

        for (int stage = 1; stage <= 3; ++stage)
        {
            settings.add (juce::String (stage) + "- Seg Mix=" + mix);
            settings.add (juce::String (stage) + "- Seg Size=1");
        }

        return settings;
    }

    // Where an impulse comes out, relative to where it went in; -1 when nothing came out.
    int measureDelay (juce::AudioPluginInstance& plugin, int channels, int latency, int block,
                      bool bypassed = false)
    {
        const auto position = 2 * block + 3;
        const auto length = position + latency + 2 * block + 16;
        const auto out =
            processOffline (plugin, impulse (channels, length, position), length, block, bypassed);
        const auto peak = indexOfPeak (out, 0);
        return peak < 0 ? -1 : peak - position;
    }

    struct SweepResult
    {
        juce::StringArray problems;
        juce::Array<int> latencies;
    };

    void sweepOne (juce::AudioPluginInstance& plugin, int channels, double rate, int block,
                   SweepResult& result)
    {
        const auto where = juce::String (block) + ": ";
        plugin.releaseResources();
        plugin.setRateAndBufferSizeDetails (rate, block);
        preparePlugin (plugin, rate, block);
        const auto latency = plugin.getLatencySamples();
        result.latencies.add (latency);

        if (latency < 0)
            result.problems.add (where + "negative latency");

        // Defaults: finite, and audible after the delay.
        setDefaults (plugin);
        settleParameters (plugin, block);
        const auto length = latency + 4 * block + (int) (rate * 0.05);
        const auto out = processOffline (plugin, noise (channels, length, 0.5f, 7u), length, block);

        if (!allFinite (out))
            result.problems.add (where + "output not finite");
        else if (rmsOf (out, latency) < 1.0e-4f)
            result.problems.add (where + "output silent");

        // The impulse comes out exactly at the reported latency, whatever the routing.
        const std::pair<const char*, juce::StringArray> routings[] = {
            { "Series", latencySettings ("Series", "0.01") },
            { "Parallel", latencySettings ("Parallel", "0.01") },
            { "all stages off", latencySettings ("Series", "0") },
        };

        for (const auto& [name, settings] : routings)
        {
            const auto problem = applyAll (plugin, settings);

            if (problem.isNotEmpty())
            {
                result.problems.add (where + problem);
                continue;
            }

            settleParameters (plugin, block);
            const auto delay = measureDelay (plugin, channels, latency, block);

            if (delay != latency)
                result.problems.add (where + name + " impulse at " + juce::String (delay) + ", reported " +
                                     juce::String (latency));
        }
    }

    void checkLayouts (juce::AudioPluginInstance& plugin, Report& report)
    {
        const auto mono = juce::AudioChannelSet::mono();
        const auto stereo = juce::AudioChannelSet::stereo();

        struct Case
        {
            const char* name;
            juce::AudioChannelSet in, out;
            bool accepted;
        };

        const Case cases[] = {
            { "mono in, mono out", mono, mono, true },
            { "stereo in, stereo out", stereo, stereo, true },
            { "stereo in, mono out", stereo, mono, false },
            { "mono in, stereo out", mono, stereo, false },
        };

        juce::StringArray wrong;

        for (const auto& c : cases)
        {
            auto layout = plugin.getBusesLayout();
            layout.getChannelSet (true, 0) = c.in;
            layout.getChannelSet (false, 0) = c.out;

            if (plugin.checkBusesLayoutSupported (layout) != c.accepted)
                wrong.add (juce::String (c.name) + (c.accepted ? " refused" : " accepted"));
        }

        report.line (wrong.isEmpty(),
                     "bus layouts: mono and stereo accepted, mixed layouts refused" +
                         (wrong.isEmpty() ? juce::String() : " (" + wrong.joinIntoString (", ") + ")"));
    }

    void checkSweep (juce::AudioPluginInstance& plugin, Report& report)
    {
        for (const auto& [layoutName, set] :
             { std::pair<const char*, juce::AudioChannelSet>{ "mono", juce::AudioChannelSet::mono() },
               std::pair<const char*, juce::AudioChannelSet>{ "stereo", juce::AudioChannelSet::stereo() } })
        {
            if (!setMainLayout (plugin, set))
            {
                report.line (false, juce::String (layoutName) + ": layout refused");
                continue;
            }

            for (auto rate : sampleRates)
            {
                SweepResult result;

                for (auto block : blockSizes)
                    sweepOne (plugin, set.size(), rate, block, result);

                juce::StringArray latencies;

                for (auto l : result.latencies)
                    latencies.add (juce::String (l));

                // One latency per sample rate, whatever the host's block size.
                for (auto l : result.latencies)
                    if (l != result.latencies.getFirst())
                        result.problems.add ("latency " + juce::String (l) + " differs from " +
                                             juce::String (result.latencies.getFirst()));

                auto text = juce::String (layoutName).paddedRight (' ', 7) +
                            juce::String (rate).paddedLeft (' ', 6) +
                            " Hz, blocks 1-4096: finite, audible, impulse at the reported latency in Series, "
                            "Parallel and with all stages off (latencies " +
                            latencies.joinIntoString ("/") + ")";

                if (!result.problems.isEmpty())
                    text << " -- block " << result.problems.joinIntoString ("; block ");

                report.line (result.problems.isEmpty(), text);
            }
        }
    }

    // Renders that start with the transport, the way a DAW exports: one input must give the
    // same output, bit for bit, at every host block size and after other material has played.
    void checkReproducibility (juce::AudioPluginInstance& plugin, Report& report)
    {
        const double rate = 48000.0;
        setMainLayout (plugin, juce::AudioChannelSet::stereo());

        auto input = noise (2, (int) (0.5 * rate), 0.25f, 17u);
        for (int c = 0; c < 2; ++c)
            for (int t = 2000; t < input.getNumSamples(); t += 5003)
                input.setSample (c, t, 0.9f);
        const auto other = noise (2, (int) (0.3 * rate), 0.5f, 19u);

        struct Render
        {
            juce::String blocks;
            bool preRoll;
        };

        const Render renders[] = { { "512", false },    { "1", false },     { "7", false },
                                   { "64", false },     { "441", false },   { "4096", false },
                                   { "random", false }, { "random", true }, { "64", true } };
        int identical = 0, total = 0;
        juce::StringArray differing;

        for (const auto& [settingsName, settings] :
             { std::pair<const char*, juce::StringArray>{ "defaults", {} },
               std::pair<const char*, juce::StringArray>{ "Parallel",
                                                          { "Mode=Parallel", "2- Seg Mix=60", "2- N Segs=5",
                                                            "2- Seg Size=3", "3- Seg Mix=120", "3- N Segs=91",
                                                            "3- Seg Size=48" } } })
        {
            juce::AudioBuffer<float> first;

            for (const auto& render : renders)
            {
                BlockSizes blocks;
                BlockSizes::parse (render.blocks, 23, blocks);
                plugin.releaseResources();
                preparePlugin (plugin, rate, blocks.announced());
                setDefaults (plugin);
                applyAll (plugin, settings);
                settleParameters (plugin, blocks.announced());

                HostPlayHead playHead;
                const auto out = renderFromTransportStart (plugin, input, render.preRoll ? &other : nullptr,
                                                           blocks, playHead);
                ++total;

                if (first.getNumSamples() == 0)
                    first = out;

                bool same = out.getNumSamples() == first.getNumSamples() && rmsOf (out) > 1.0e-3f;

                for (int c = 0; c < out.getNumChannels() && same; ++c)
                    same = std::memcmp (out.getReadPointer (c), first.getReadPointer (c),
                                        sizeof (float) * (size_t) out.getNumSamples()) == 0;

                if (same)
                    ++identical;
                else
                    differing.add (juce::String (settingsName) + " at blocks " + render.blocks +
                                   (render.preRoll ? " after other material" : ""));
            }
        }

        report.line (
            differing.isEmpty(),
            "reproducibility: renders from the transport start are bit-identical at host blocks 1, 7, "
            "64, 441, 512, 4096 and random sizes, and after other material with the transport "
            "stopped in between, in Series (defaults) and Parallel (" +
                juce::String (identical) + " of " + juce::String (total) + " renders identical)" +
                (differing.isEmpty() ? juce::String() : " -- differ: " + differing.joinIntoString ("; ")));
        plugin.releaseResources();
    }

    void checkStateRoundTrip (juce::AudioPluginInstance& plugin, Report& report)
    {
        setMainLayout (plugin, juce::AudioChannelSet::stereo());
        preparePlugin (plugin, 48000, 512);
        applyAll (plugin,
                  { "Mode=Parallel", "Tone=42.5", "2- N Segs=17", "3- Seg Size=3.25", "2- Seg Mix=66.6" });
        settleParameters (plugin, 512);

        juce::MemoryBlock first, second, third;
        plugin.getStateInformation (first);
        plugin.setStateInformation (first.getData(), (int) first.getSize());
        plugin.getStateInformation (second);

        report.line (first.getSize() > 0 && first == second,
                     "state round trip: getState -> setState -> getState gives identical bytes (" +
                         juce::String ((int) first.getSize()) + " bytes)");

        // A blob that is no state of this plug-in changes nothing.
        const char garbage[] = "VC2!\x05\0\0\0<oops";
        const auto wrapped = wrapComponentState (juce::MemoryBlock (garbage, sizeof (garbage)));
        plugin.setStateInformation (wrapped.getData(), (int) wrapped.getSize());
        plugin.getStateInformation (third);
        report.line (third == first, "state: a corrupt blob is refused and changes nothing");
        plugin.releaseResources();
    }

    void checkAutomation (juce::AudioPluginInstance& plugin, Report& report)
    {
        const int block = 256;
        setMainLayout (plugin, juce::AudioChannelSet::stereo());
        preparePlugin (plugin, 48000, block);
        setDefaults (plugin);
        settleParameters (plugin, block);

        const auto input = noise (2, block, 0.5f, 11u);
        std::atomic<bool> finite{ true }, stop{ false };
        std::atomic<int> blocks{ 0 };
        constexpr int minimumBlocks = 600, minimumChanges = 20000;

        std::thread audio (
            [&]
            {
                juce::AudioBuffer<float> buffer (2, block);
                juce::MidiBuffer midi;

                while (!stop || blocks.load() < minimumBlocks)
                {
                    buffer.makeCopyOf (input, true);
                    plugin.processBlock (buffer, midi);

                    if (!allFinite (buffer))
                        finite = false;

                    ++blocks;
                }
            });

        // Automation from this (a second) thread while the audio thread runs.
        std::mt19937 random (3u);
        std::uniform_real_distribution<float> dist (0.0f, 1.0f);
        const auto* bypass = plugin.getBypassParameter();
        int changes = 0;

        while (changes < minimumChanges || blocks.load() < minimumBlocks)
        {
            for (auto* parameter : plugin.getParameters())
            {
                if (parameter != bypass)
                {
                    parameter->setValueNotifyingHost (dist (random));
                    ++changes;
                }
            }

            juce::MessageManager::getInstance()->runDispatchLoopUntil (1);
        }

        stop = true;
        audio.join();
        report.line (finite.load() && blocks.load() >= minimumBlocks,
                     "automation from a second thread while processing: " + juce::String (changes) +
                         " changes over " + juce::String (blocks.load()) + " blocks, output finite");
        plugin.releaseResources();
    }

    void checkBypass (juce::AudioPluginInstance& plugin, Report& report)
    {
        const int block = 512;
        setMainLayout (plugin, juce::AudioChannelSet::stereo());
        preparePlugin (plugin, 48000, block);
        setDefaults (plugin);
        settleParameters (plugin, block);
        const auto latency = plugin.getLatencySamples();

        // Bypassed: the dry input, delayed by exactly the latency.
        const auto position = 2 * block + 3;
        const auto length = position + latency + 2 * block;
        const auto in = noise (2, length, 0.5f, 5u);
        const auto out = processOffline (plugin, in, length, block, true);
        float worst = 0.0f;

        for (int c = 0; c < 2; ++c)
            for (int i = 0; i < length; ++i)
                worst = juce::jmax (worst, std::abs (out.getSample (c, i) -
                                                     (i >= latency ? in.getSample (c, i - latency) : 0.0f)));

        report.line (worst < 1.0e-6f && plugin.getBypassParameter() != nullptr,
                     "bypass: the host bypass passes the input delayed by exactly the latency (" +
                         juce::String (latency) + " samples, largest difference " + juce::String (worst) +
                         ")");

        // Back to normal processing.
        const auto resumed =
            processOffline (plugin, noise (2, latency + 4 * block, 0.5f, 9u), latency + 4 * block, block);
        report.line (allFinite (resumed) && rmsOf (resumed, latency) > 1.0e-4f,
                     "bypass: processing resumes finite and audible");
        plugin.releaseResources();
    }

    void checkPrepareReleasePrepare (juce::AudioPluginInstance& plugin, Report& report)
    {
        setMainLayout (plugin, juce::AudioChannelSet::stereo());
        preparePlugin (plugin, 96000, 1024);
        const auto first = plugin.getLatencySamples();
        plugin.releaseResources();
        preparePlugin (plugin, 44100, 64);
        plugin.releaseResources();
        preparePlugin (plugin, 96000, 1024);
        const auto latency = plugin.getLatencySamples();

        setDefaults (plugin);
        settleParameters (plugin, 1024);
        const auto length = latency + 8 * 1024;
        const auto out = processOffline (plugin, noise (2, length, 0.5f, 13u), length, 1024);
        applyAll (plugin, latencySettings ("Series", "0"));
        settleParameters (plugin, 1024);
        const auto delay = measureDelay (plugin, 2, latency, 1024);

        report.line (latency == first && allFinite (out) && rmsOf (out, latency) > 1.0e-4f &&
                         delay == latency,
                     "prepare/release/prepare: same latency (" + juce::String (latency) +
                         "), finite and audible output, impulse at " + juce::String (delay));
        plugin.releaseResources();
    }
} // namespace

int runCheck (const juce::StringArray& args)
{
    if (args.size() != 1 || args[0].startsWith ("--"))
        return usageError ("check: expected BUNDLE");

    const auto bundle = absoluteFile (args[0]);
    juce::String error;
    auto loaded = loadPlugin (bundle, 48000, 512, error);

    if (loaded.instance == nullptr)
        return failure ("check: " + error);

    auto& plugin = *loaded.instance;
    Report report;
    const auto started = juce::Time::getMillisecondCounterHiRes();

    juce::StringArray missing;

    for (const auto* name : { "Mode", "Tone", "1- Seg Mix", "2- Seg Mix", "3- Seg Mix" })
        if (findParameter (plugin, name) == nullptr)
            missing.add (name);

    report.line (missing.isEmpty(),
                 "loaded \"" + loaded.description.name + "\" " + loaded.description.version + " by " +
                     loaded.description.manufacturerName + ", " +
                     juce::String (plugin.getParameters().size()) + " parameters" +
                     (missing.isEmpty() ? juce::String() : ", missing " + missing.joinIntoString (", ")));

    if (!missing.isEmpty())
        return 1;

    checkLayouts (plugin, report);
    checkSweep (plugin, report);
    checkReproducibility (plugin, report);
    checkStateRoundTrip (plugin, report);
    checkAutomation (plugin, report);
    checkBypass (plugin, report);
    checkPrepareReleasePrepare (plugin, report);

    const auto seconds = (juce::Time::getMillisecondCounterHiRes() - started) / 1000.0;
    std::cout << (report.failures == 0 ? "all checks passed"
                                       : juce::String (report.failures) + " check(s) failed")
              << " in " << juce::String (seconds, 1) << " s" << std::endl;

    loaded.instance.reset();
    return report.failures == 0 ? 0 : 1;
}
} // namespace kaleidra_host
