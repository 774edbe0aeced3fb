// Writes a few seconds of synthetic drums and plucked-string chords as a stereo WAV file: material
// with sharp attacks and sustained tones, on which the segment mirroring is easy to hear.
//
//     kaleidra-demo-clip OUT.wav [--rate 48000] [--seconds 6] [--peak-dbfs P] [--tones]
//
// With --tones it writes a steady test signal instead: sines at 220, 1000 and 3150 Hz, whose
// sparse spectrum shows anything the effect adds between them.

#include <juce_audio_formats/juce_audio_formats.h>

#include <cmath>
#include <iostream>
#include <random>
#include <vector>

namespace
{
constexpr double twoPi = 6.283185307179586;

// One plucked string (Karplus-Strong): a noise burst circulating in a damped delay line.
void addPluck (juce::AudioBuffer<float>& out, double rate, int start, double frequency, float gain, float pan,
               std::mt19937& random)
{
    const auto period = juce::jmax (2, (int) std::lround (rate / frequency));
    std::vector<float> line ((size_t) period);
    std::uniform_real_distribution<float> noise (-1.0f, 1.0f);

    for (auto& v : line)
        v = noise (random);

    const auto length = juce::jmin (out.getNumSamples() - start, (int) (rate * 2.5));
    float previous = 0.0f;

    for (int i = 0; i < length; ++i)
    {
        auto& v = line[(size_t) (i % period)];
        const auto s = v;
        v = 0.996f * 0.5f * (v + previous);
        previous = s;
        out.addSample (0, start + i, s * gain * (1.0f - pan));
        out.addSample (1, start + i, s * gain * pan);
    }
}

void addKick (juce::AudioBuffer<float>& out, double rate, int start)
{
    const auto length = juce::jmin (out.getNumSamples() - start, (int) (rate * 0.4));
    double phase = 0.0;

    for (int i = 0; i < length; ++i)
    {
        const auto t = i / rate;
        const auto frequency = 45.0 + 110.0 * std::exp (-t * 30.0);
        phase += twoPi * frequency / rate;
        const auto s = (float) (std::sin (phase) * std::exp (-t * 9.0) * 0.8);
        out.addSample (0, start + i, s);
        out.addSample (1, start + i, s);
    }
}

void addNoiseHit (juce::AudioBuffer<float>& out, double rate, int start, double decay, float gain, float pan,
                  bool bright, std::mt19937& random)
{
    const auto length = juce::jmin (out.getNumSamples() - start, (int) (rate * 6.0 / decay));
    std::uniform_real_distribution<float> noise (-1.0f, 1.0f);
    float previous = 0.0f;
    double phase = 0.0;

    for (int i = 0; i < length; ++i)
    {
        const auto t = i / rate;
        auto n = noise (random);

        // Hats keep only the hiss (a first difference); the snare gets a body tone too.
        auto s = bright ? n - previous : 0.6f * n + 0.5f * (float) std::sin (phase);
        previous = n;
        phase += twoPi * 190.0 / rate;
        s *= (float) std::exp (-t * decay) * gain;
        out.addSample (0, start + i, s * (1.0f - pan));
        out.addSample (1, start + i, s * pan);
    }
}
} // namespace

int main (int argc, char* argv[])
{
    juce::String outPath;
    double rate = 48000.0, seconds = 6.0, peakDbfs = -3.1;
    bool tones = false;

    for (int i = 1; i < argc; ++i)
    {
        const juce::String a (argv[i]);

        if (a == "--rate" && i + 1 < argc)
            rate = juce::String (argv[++i]).getDoubleValue();
        else if (a == "--seconds" && i + 1 < argc)
            seconds = juce::String (argv[++i]).getDoubleValue();
        else if (a == "--peak-dbfs" && i + 1 < argc)
            peakDbfs = juce::String (argv[++i]).getDoubleValue();
        else if (a == "--tones")
            tones = true;
        else if (outPath.isEmpty() && !a.startsWith ("--"))
            outPath = a;
        else
        {
            std::cerr
                << "usage: kaleidra-demo-clip OUT.wav [--rate R] [--seconds S] [--peak-dbfs P] [--tones]\n";
            return 2;
        }
    }

    if (outPath.isEmpty() || rate < 8000.0 || rate > 384000.0 || seconds <= 0.0 || seconds > 60.0 ||
        !(peakDbfs >= -60.0 && peakDbfs <= 0.0))
    {
        std::cerr << "usage: kaleidra-demo-clip OUT.wav [--rate R] [--seconds S] [--peak-dbfs P] [--tones]\n";
        return 2;
    }

    const auto length = (int) (rate * seconds);
    juce::AudioBuffer<float> clip (2, length);
    clip.clear();
    std::mt19937 random (2024u);

    // 100 BPM: kick on 1 and 3, snare on 2 and 4, eighth-note hats, a chord per bar.
    const auto beat = rate * 60.0 / 100.0;
    const double chords[][3] = { { 110.0, 164.81, 220.0 },
                                 { 98.0, 146.83, 196.0 },
                                 { 130.81, 196.0, 261.63 },
                                 { 82.41, 123.47, 164.81 } };

    for (int t = 0; tones && t < length; ++t)
        for (int c = 0; c < 2; ++c)
            clip.setSample (c, t,
                            (float) (std::sin (twoPi * 220.0 * t / rate) +
                                     std::sin (twoPi * 1000.0 * t / rate + c) +
                                     std::sin (twoPi * 3150.0 * t / rate + 2 * c)));

    for (int b = 0; !tones && b * beat < length; ++b)
    {
        const auto at = (int) (b * beat);

        if (b % 2 == 0)
            addKick (clip, rate, at);
        else
            addNoiseHit (clip, rate, at, 18.0, 0.45f, 0.45f, false, random);

        addNoiseHit (clip, rate, at, 60.0, 0.18f, 0.7f, true, random);

        if (at + (int) (beat / 2) < length)
            addNoiseHit (clip, rate, at + (int) (beat / 2), 70.0, 0.12f, 0.7f, true, random);

        if (b % 4 == 0)
        {
            const auto& chord = chords[(size_t) ((b / 4) % 4)];

            for (int n = 0; n < 3; ++n)
                addPluck (clip, rate, juce::jmin (length - 1, at + n * (int) (rate * 0.018)), chord[n], 0.35f,
                          0.3f + 0.2f * (float) n, random);
        }
    }

    // Leave headroom: the peak is set to peakDbfs (about 0.7 by default).
    const auto peak = clip.getMagnitude (0, length);

    if (peak > 0.0f)
        clip.applyGain (juce::Decibels::decibelsToGain ((float) peakDbfs) / peak);

    const auto file = juce::File::getCurrentWorkingDirectory().getChildFile (outPath);
    file.getParentDirectory().createDirectory();
    file.deleteFile();

    juce::WavAudioFormat wav;
    std::unique_ptr<juce::OutputStream> stream (file.createOutputStream());
    std::unique_ptr<juce::AudioFormatWriter> writer;

    if (stream != nullptr)
        writer.reset (wav.createWriterFor (stream.get(), rate, 2, 24, {}, 0));

    if (writer == nullptr)
    {
        std::cerr << "cannot write " << file.getFullPathName() << "\n";
        return 1;
    }

    stream.release();
    writer->writeFromAudioSampleBuffer (clip, 0, length);
    writer.reset();
    std::cout << "demo clip: " << file.getFullPathName() << " (" << seconds << " s at " << rate << " Hz)\n";
    return 0;
}
