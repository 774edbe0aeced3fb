// kaleidra-engine-demo <output folder>
//
// Generates a deterministic test signal (four seconds of plucked notes over a small drum pattern),
// runs it through the three-stage engine with a few contrasting settings and writes one stereo
// 24-bit WAV file per setting. The engine's latency is compensated in the files, so they line up
// with each other. Prints one line per file: settings, latency, peak and RMS.

#include <tarn_dsp/tarn_dsp.h>
#include <juce_audio_formats/juce_audio_formats.h>

#include <cstdio>
#include <functional>
#include <vector>

namespace
{
using Engine = tarn_dsp::KaleidraMultistage<float, 3>;

constexpr double sampleRate = 44100.0;
constexpr int blockSize = 512;
constexpr int channels = 2;
constexpr double seconds = 4.0;

//==============================================================================================
// Plucked strings (Karplus-Strong), a kick, a snare and hats, at 120 beats per minute.
juce::AudioBuffer<float> makeTestSignal()
{
    const int frames = static_cast<int> (seconds * sampleRate);
    juce::AudioBuffer<float> signal (channels, frames);
    signal.clear();
    juce::Random random (1234);

    const int beat = static_cast<int> (sampleRate / 2.0); // 120 bpm
    const double notes[] = { 220.0, 261.63, 329.63, 392.0, 440.0, 392.0, 329.63, 261.63 };

    // Plucks: one per beat, alternating a little left and right.
    for (int n = 0; n < 8; ++n)
    {
        const int start = n * beat;
        const int period = juce::roundToInt (sampleRate / notes[n]);
        std::vector<float> line (static_cast<size_t> (period));
        for (auto& x : line)
            x = 2.0f * random.nextFloat() - 1.0f;

        const float pan = n % 2 == 0 ? 0.35f : 0.65f;
        for (int t = 0; t < 2 * beat && start + t < frames; ++t)
        {
            const auto i = static_cast<size_t> (t % period);
            const auto next = static_cast<size_t> ((t + 1) % period);
            const float y = line[i];
            line[i] = 0.996f * 0.5f * (line[i] + line[next]);
            signal.addSample (0, start + t, 0.12f * y * (1.0f - pan));
            signal.addSample (1, start + t, 0.12f * y * pan);
        }
    }

    for (int b = 0; b < 8; ++b)
    {
        const int start = b * beat;

        // Kick on every beat: a falling sine with a fast decay.
        double phase = 0.0;
        for (int t = 0; t < beat / 2 && start + t < frames; ++t)
        {
            const double time = t / sampleRate;
            phase +=
                juce::MathConstants<double>::twoPi * (45.0 + 90.0 * std::exp (-time * 30.0)) / sampleRate;
            const auto v = static_cast<float> (0.3 * std::sin (phase) * std::exp (-time * 9.0));
            signal.addSample (0, start + t, v);
            signal.addSample (1, start + t, v);
        }

        // Snare on beats 2 and 4: a noise burst with some body.
        if (b % 2 == 1)
            for (int t = 0; t < beat / 3 && start + t < frames; ++t)
            {
                const double time = t / sampleRate;
                const auto body =
                    static_cast<float> (std::sin (juce::MathConstants<double>::twoPi * 190.0 * time));
                const auto env = static_cast<float> (std::exp (-time * 22.0));
                const float v = 0.12f * env * (2.0f * random.nextFloat() - 1.0f + 0.5f * body);
                signal.addSample (0, start + t, v);
                signal.addSample (1, start + t, v);
            }

        // Hats on the off-beats: short, bright noise (first difference of white noise).
        const int hat = start + beat / 2;
        float previous = 0.0f;
        for (int t = 0; t < beat / 8 && hat + t < frames; ++t)
        {
            const float white = 2.0f * random.nextFloat() - 1.0f;
            const float v = 0.05f * (white - previous) * std::exp (-static_cast<float> (t) / 300.0f);
            previous = white;
            signal.addSample (0, hat + t, 0.8f * v);
            signal.addSample (1, hat + t, v);
        }
    }

    // Headroom for Parallel, which adds up three processed copies.
    signal.applyGain (0.4f);
    return signal;
}

//==============================================================================================
struct StageSetting
{
    int segments;
    float microseconds, mix;
};

struct Setting
{
    const char* file;
    const char* description;
    bool series;
    StageSetting stages[3];
    float tone;
};

// Runs the whole signal through a freshly prepared engine in blocks, in place, and returns the
// output with the latency removed.
juce::AudioBuffer<float> render (const juce::AudioBuffer<float>& input, const Setting& setting, int& latency)
{
    Engine engine;
    engine.mode.index = setting.series ? 0 : 1;
    engine.prepareLocked (
        { sampleRate, static_cast<juce::uint32> (blockSize), static_cast<juce::uint32> (channels) });
    for (size_t s = 0; s < 3; ++s)
    {
        auto& stage = *engine.stages[s];
        stage.segmentCount.value = setting.stages[s].segments;
        stage.segmentSize.setTarget (setting.stages[s].microseconds);
        stage.mix.setTarget (setting.stages[s].mix);
        stage.tone.presence = setting.tone;
    }
    engine.resetLocked(); // the values above take effect at once, without ramps
    latency = engine.getTotalLatency();

    const int frames = input.getNumSamples();
    juce::AudioBuffer<float> work (channels, frames + latency);
    work.clear();
    for (int c = 0; c < channels; ++c)
        work.copyFrom (c, 0, input, c, 0, frames);

    for (int start = 0; start < work.getNumSamples(); start += blockSize)
    {
        const int n = juce::jmin (blockSize, work.getNumSamples() - start);
        juce::dsp::AudioBlock<float> block (work.getArrayOfWritePointers(), channels,
                                            static_cast<size_t> (start), static_cast<size_t> (n));
        const juce::SpinLock::ScopedLockType lock (engine.lock);
        engine.process (block, block);
    }

    juce::AudioBuffer<float> output (channels, frames);
    for (int c = 0; c < channels; ++c)
        output.copyFrom (c, 0, work, c, latency, frames);
    return output;
}

bool writeWav (const juce::File& file, const juce::AudioBuffer<float>& audio, juce::String& error)
{
    file.deleteFile();
    auto stream = std::make_unique<juce::FileOutputStream> (file);
    if (!stream->openedOk())
    {
        error = "cannot write " + file.getFullPathName() + ": " + stream->getStatus().getErrorMessage();
        return false;
    }

    juce::WavAudioFormat format;
    std::unique_ptr<juce::AudioFormatWriter> writer (
        format.createWriterFor (stream.get(), sampleRate, static_cast<unsigned int> (channels), 24, {}, 0));
    if (writer == nullptr)
    {
        error = "cannot create a WAV writer for " + file.getFullPathName();
        return false;
    }
    stream.release(); // the writer owns the stream now

    if (!writer->writeFromAudioSampleBuffer (audio, 0, audio.getNumSamples()))
    {
        error = "writing " + file.getFullPathName() + " failed";
        return false;
    }
    return true;
}

double toDecibels (double gain)
{
    return gain > 0.0 ? 20.0 * std::log10 (gain) : -200.0;
}
} // namespace

int main (int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf (stderr, "usage: kaleidra-engine-demo <output folder>\n");
        return 2;
    }

    const auto folder =
        juce::File::getCurrentWorkingDirectory().getChildFile (juce::String::fromUTF8 (argv[1]));
    if (!folder.createDirectory())
    {
        std::fprintf (stderr, "kaleidra-engine-demo: cannot create %s\n",
                      folder.getFullPathName().toRawUTF8());
        return 1;
    }

    const Setting settings[] = {
        { "01-defaults.wav",
          "defaults: Series, stage 1 N 31 / 11 us / mix 100 %, stages 2-3 off, Tone 75",
          true,
          { { 31, 11.0f, 100.0f }, { 31, 11.0f, 0.0f }, { 31, 11.0f, 0.0f } },
          75.0f },
        { "02-tiny-segments.wav",
          "tiny segments: Series, stage 1 N 91 / 1 us / mix 120 %, stages 2-3 off, Tone 75",
          true,
          { { 91, 1.0f, 120.0f }, { 31, 11.0f, 0.0f }, { 31, 11.0f, 0.0f } },
          75.0f },
        { "03-parallel.wav",
          "Parallel, all stages: N 31 / 11 us / 100 %, N 7 / 25 us / 90 %, N 91 / 2 us / 80 %, Tone 75",
          false,
          { { 31, 11.0f, 100.0f }, { 7, 25.0f, 90.0f }, { 91, 2.0f, 80.0f } },
          75.0f },
        { "04-dry.wav",
          "all stages off (dry): Series, every mix 0 %",
          true,
          { { 31, 11.0f, 0.0f }, { 31, 11.0f, 0.0f }, { 31, 11.0f, 0.0f } },
          75.0f },
    };

    const auto input = makeTestSignal();
    int failures = 0;
    for (const auto& setting : settings)
    {
        int latency = 0;
        const auto output = render (input, setting, latency);
        const auto file = folder.getChildFile (setting.file);

        juce::String error;
        if (!writeWav (file, output, error))
        {
            std::fprintf (stderr, "kaleidra-engine-demo: %s\n", error.toRawUTF8());
            ++failures;
            continue;
        }

        double peak = 0.0, sumSquares = 0.0;
        for (int c = 0; c < channels; ++c)
            for (int t = 0; t < output.getNumSamples(); ++t)
            {
                const double v = output.getSample (c, t);
                peak = std::max (peak, std::abs (v));
                sumSquares += v * v;
            }
        const double rms = std::sqrt (sumSquares / (channels * output.getNumSamples()));

        std::printf (
            "%-22s %s | latency %d samples (%.1f ms, compensated) | peak %.1f dBFS | RMS %.1f dBFS\n",
            setting.file, setting.description, latency, 1000.0 * latency / sampleRate, toDecibels (peak),
            toDecibels (rms));
    }

    return failures == 0 ? 0 : 1;
}
