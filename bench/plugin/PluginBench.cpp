// The plug-in as a whole, through its processor, in milliseconds per iteration:
//   instanceAndFirstPrepare     createPluginFilter (as the VST3 wrapper calls it) and the first
//                               prepareToPlay (44100, 512); goal below 50 ms. The first instance
//                               of the process: the counter first_instance_ms.
//   editorCreation              createEditor on a prepared processor; goal below 150 ms. The
//                               first editor of the process also loads fonts and icons: its time
//                               is the counter first_editor_ms.
// Destroying the instance or the editor is not timed.
//
// Every instance finds (and creates) its user preset folder in a home folder of this program's
// own, never in the user's. The editor needs a display: on a headless machine run the program
// under a virtual one,
//   flock /tmp/kaleidra-build.lock xvfb-run -a build/bench/plugin/kaleidra_plugin_bench
// Without a display the editor benchmark is skipped with a message; the instance benchmark runs.

#include "PluginProcessor.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <memory>

namespace juce
{
// The framework's own "dispatch one message" step. The plug-in's code is built without modal
// loops, so the queued messages are handled with this between iterations.
bool dispatchNextMessageOnSystemQueue (bool returnIfNoPendingMessages);
} // namespace juce

namespace
{
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
