// The plug-in as a whole, through its processor, in milliseconds per iteration:
//   instanceAndFirstPrepare     createPluginFilter (as the VST3 wrapper calls it) and the first
//                               prepareToPlay (44100, 512); goal below 50 ms. The first instance
//                               of the process: the counter first_instance_ms.
//   editorCreation              createEditor on a prepared processor; goal below 150 ms. The
//                               first editor of the process also loads fonts and icons: its time
//                               is the counter first_editor_ms.
//   processBlock/<case>/<block> the processor's audio callback at 44.1 kHz, stereo, in host
//                               blocks of the given size: the counter x_realtime is seconds of
//                               audio per second of this thread's CPU time, for the defaults and
//                               for the worst case (Parallel, three stages at 1 µs, N 91, every
//                               mix moving between 20 and 110 % every eighth block).
// Destroying the instance or the editor is not timed.
//
// Every instance finds (and creates) its user preset folder in a home folder of this program's
// own, never in the user's. The editor needs a display: on a headless machine run the program
// under a virtual one,
//   flock /tmp/kaleidra-build.lock xvfb-run -a build/bench/plugin/kaleidra_plugin_bench
// Without a display the editor benchmark is skipped with a message; the instance benchmark runs.

#include "PluginProcessor.h"

#include "CpuTime.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <vector>

namespace juce
{
// The framework's own "dispatch one message" step. The plug-in's code is built without modal
// loops, so the queued messages are handled with this between iterations.
bool dispatchNextMessageOnSystemQueue (bool returnIfNoPendingMessages);
} // namespace juce

namespace
{
using kaleidra::bench::cpuSeconds;

constexpr double sampleRate = 44100.0;
constexpr int blockSize = 512;

using Clock = std::chrono::steady_clock;

double millisecondsSince (Clock::time_point began)
{
    return std::chrono::duration<double, std::milli> (Clock::now() - began).count();
}

// Handles what the instance or editor queued for the message thread (outside the timing), so
// that the queue does not grow from one iteration to the next.
void drainMessages()
{
    for (int k = 0; k < 10000 && juce::dispatchNextMessageOnSystemQueue (true); ++k)
    {
    }
}

bool hasDisplay()
{
    return juce::SystemStats::getEnvironmentVariable ("DISPLAY", {}).isNotEmpty();
}

std::unique_ptr<juce::AudioProcessor> createPrepared()
{
    std::unique_ptr<juce::AudioProcessor> processor (createPluginFilter());
    processor->setRateAndBufferSizeDetails (sampleRate, blockSize);
    processor->prepareToPlay (sampleRate, blockSize);
    return processor;
}

void instanceAndFirstPrepare (benchmark::State& state)
{
    double first = -1.0;
    for (auto _ : state)
    {
        const auto began = Clock::now();
        auto processor = createPrepared();
        const double took = millisecondsSince (began);
        state.SetIterationTime (took / 1000.0);
        if (first < 0.0)
            first = took;

        benchmark::DoNotOptimize (processor.get());
        processor.reset();
        drainMessages();
    }
    state.counters["first_instance_ms"] = first;
}

void editorCreation (benchmark::State& state)
{
    if (!hasDisplay())
    {
        state.SkipWithError ("no display: run this program under xvfb-run -a on a headless machine");
        return;
    }

    auto processor = createPrepared();
    drainMessages();

    double first = -1.0;
    for (auto _ : state)
    {
        const auto began = Clock::now();
        std::unique_ptr<juce::AudioProcessorEditor> editor (processor->createEditor());
        const double took = millisecondsSince (began);
        state.SetIterationTime (took / 1000.0);
        if (first < 0.0)
            first = took;

        benchmark::DoNotOptimize (editor.get());
        drainMessages();
        editor.reset();
        drainMessages();
    }
    state.counters["first_editor_ms"] = first;
}

void setPlain (juce::AudioProcessor& processor, const juce::String& id, float plain)
{
    for (auto* parameter : processor.getParameters())
        if (auto* ranged = dynamic_cast<juce::RangedAudioParameter*> (parameter))
            if (ranged->getParameterID() == id)
                ranged->setValueNotifyingHost (ranged->convertTo0to1 (plain));
}

// range(0): host block size; range(1): 0 defaults, 1 worst case.
void processBlock (benchmark::State& state)
{
    const juce::ScopedNoDenormals noDenormals;
    const int hostBlock = static_cast<int> (state.range (0));
    const bool worst = state.range (1) != 0;

    std::unique_ptr<juce::AudioProcessor> processor (createPluginFilter());
    processor->setRateAndBufferSizeDetails (sampleRate, hostBlock);
    processor->prepareToPlay (sampleRate, hostBlock);
    if (worst)
    {
        setPlain (*processor, "Mode", 1.0f);
        for (int stage = 1; stage <= 3; ++stage)
        {
            setPlain (*processor, juce::String (stage) + "- N Segs", 91.0f);
            setPlain (*processor, juce::String (stage) + "- Seg Size", 1.0f);
            setPlain (*processor, juce::String (stage) + "- Seg Mix", 100.0f);
        }
    }
    processor->reset();
    drainMessages();

    // Two seconds of noise and sines, taken cyclically.
    const int frames = static_cast<int> (2.0 * sampleRate);
    juce::AudioBuffer<float> input (2, frames);
    juce::Random random (7);
    for (int c = 0; c < 2; ++c)
        for (int t = 0; t < frames; ++t)
            input.setSample (c, t,
                             0.2f * (2.0f * random.nextFloat() - 1.0f) +
                                 0.3f * std::sin (juce::MathConstants<float>::twoPi * 220.0f *
                                                  static_cast<float> (t) / static_cast<float> (sampleRate)));

    juce::AudioBuffer<float> buffer (2, hostBlock);
    juce::MidiBuffer midi;
    juce::int64 blocks = 0;
    double cpu = 0.0;
    for (auto _ : state)
    {
        // One round: about a tenth of a second of audio.
        const int round = juce::jmax (1, static_cast<int> (0.1 * sampleRate) / hostBlock);
        const double began = cpuSeconds();
        for (int b = 0; b < round; ++b, ++blocks)
        {
            if (worst && blocks % 8 == 0)
                for (int stage = 1; stage <= 3; ++stage)
                    setPlain (*processor, juce::String (stage) + "- Seg Mix",
                              (blocks / 8) % 2 == 0 ? 20.0f : 110.0f);

            const auto offset = static_cast<int> ((blocks * hostBlock) % (frames - hostBlock));
            for (int c = 0; c < 2; ++c)
                buffer.copyFrom (c, 0, input, c, offset, hostBlock);
            processor->processBlock (buffer, midi);
            benchmark::DoNotOptimize (buffer.getReadPointer (0));
        }
        cpu += cpuSeconds() - began;
    }

    const double audioSeconds = static_cast<double> (blocks) * hostBlock / sampleRate;
    state.counters["x_realtime"] = cpu > 0.0 ? audioSeconds / cpu : 0.0;
    state.SetLabel (worst ? "worst case" : "defaults");
    processor.reset();
    drainMessages();
}

// Points HOME and XDG_CONFIG_HOME at a fresh temporary folder while it lives.
class IsolatedHome
{
public:
    IsolatedHome()
        : home (juce::File::createTempFile ("kaleidra-bench-home"))
    {
        home.createDirectory();
        ::setenv ("HOME", home.getFullPathName().toRawUTF8(), 1);
        ::setenv ("XDG_CONFIG_HOME", home.getChildFile (".config").getFullPathName().toRawUTF8(), 1);
    }

    ~IsolatedHome()
    {
        home.deleteRecursively();
    }

private:
    const juce::File home;
};
} // namespace

BENCHMARK (instanceAndFirstPrepare)->Unit (benchmark::kMillisecond)->UseManualTime()->Iterations (50);
BENCHMARK (editorCreation)->Unit (benchmark::kMillisecond)->UseManualTime()->Iterations (50);
BENCHMARK (processBlock)
    ->ArgsProduct ({ { 64, 512, 2048 }, { 0, 1 } })
    ->ArgNames ({ "block", "worst" })
    ->Unit (benchmark::kMillisecond)
    ->MinTime (2.0);

int main (int argc, char** argv)
{
    benchmark::Initialize (&argc, argv);
    if (benchmark::ReportUnrecognizedArguments (argc, argv))
        return 1;

    const IsolatedHome home;
    {
        const juce::ScopedJuceInitialiser_GUI framework;
        benchmark::RunSpecifiedBenchmarks();
    }
    benchmark::Shutdown();
    return 0;
}
