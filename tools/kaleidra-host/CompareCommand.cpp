#include "Commands.h"
#include "PluginHost.h"

#include <juce_dsp/juce_dsp.h>

#include <cmath>
#include <cstring>
#include <iostream>

namespace kaleidra_host
{
namespace
{
    struct BandLevels
    {
        juce::Array<double> centres, power;
    };

    // The long-term spectrum of all channels in third-octave bands from 25 Hz to 20 kHz: Hann
    // windows of 8192 samples overlapping by half, power summed per band.
    BandLevels thirdOctaves (const juce::AudioBuffer<float>& audio, int start, int length, double rate)
    {
        constexpr int order = 13, size = 1 << order;
        juce::dsp::FFT fft (order);
        juce::dsp::WindowingFunction<float> window (size, juce::dsp::WindowingFunction<float>::hann, false);
        std::vector<float> frame (2 * size);
        std::vector<double> spectrum (size / 2 + 1, 0.0);

        for (int c = 0; c < audio.getNumChannels(); ++c)
            for (int offset = 0; offset + size <= length; offset += size / 2)
            {
                std::fill (frame.begin(), frame.end(), 0.0f);
                std::memcpy (frame.data(), audio.getReadPointer (c, start + offset), sizeof (float) * size);
                window.multiplyWithWindowingTable (frame.data(), size);
                fft.performFrequencyOnlyForwardTransform (frame.data(), true);

                for (int k = 0; k <= size / 2; ++k)
                    spectrum[(size_t) k] += (double) frame[(size_t) k] * frame[(size_t) k];
            }

        BandLevels bands;

        for (int k = -16; k <= 13; ++k)
        {
            const auto centre = 1000.0 * std::pow (2.0, k / 3.0);
            const auto low = centre * std::pow (2.0, -1.0 / 6.0), high = centre * std::pow (2.0, 1.0 / 6.0);

            if (high > rate / 2.0)
                break;

            double power = 0.0;
            int bins = 0;

            for (int bin = 1; bin <= size / 2; ++bin)
            {
                const auto hz = bin * rate / size;

                if (hz >= low && hz < high)
                {
                    power += spectrum[(size_t) bin];
                    ++bins;
                }
            }

            if (bins > 0)
            {
                bands.centres.add (centre);
                bands.power.add (power);
            }
        }

        return bands;
    }
} // namespace

int runCompare (const juce::StringArray& args)
{
    juce::StringArray positional;
    int offset = 0, from = 0;
    bool expectIdentical = false;
    double tolerance = -1.0;

    for (int i = 0; i < args.size(); ++i)
    {
        const auto& a = args[i];

        if (a == "--offset" && i + 1 < args.size())
            offset = args[++i].getIntValue();
        else if (a == "--from" && i + 1 < args.size())
            from = juce::jmax (0, args[++i].getIntValue());
        else if (a == "--expect-identical")
            expectIdentical = true;
        else if (a == "--tolerance" && i + 1 < args.size())
            tolerance = args[++i].getDoubleValue();
        else if (!a.startsWith ("--"))
            positional.add (a);
        else
            return usageError ("compare: unexpected argument \"" + a + "\"");
    }

    if (positional.size() != 2)
        return usageError ("compare: expected A.wav B.wav [--offset N] [--from S] [--expect-identical] "
                           "[--tolerance T]");

    juce::AudioBuffer<float> a, b;
    double rateA = 0.0, rateB = 0.0;
    juce::String error;

    if (!readAudioFile (absoluteFile (positional[0]), a, rateA, error) ||
        !readAudioFile (absoluteFile (positional[1]), b, rateB, error))
        return failure ("compare: " + error);

    if (a.getNumChannels() != b.getNumChannels() || rateA != rateB)
        return failure ("compare: the files differ in channels or sample rate");

    // Frame t of A against frame t + offset of B, from frame `from` of A on.
    const auto start = juce::jmax (from, -offset);
    const auto end = juce::jmin (a.getNumSamples(), b.getNumSamples() - offset);
    const auto length = end - start;

    if (length <= 0)
        return failure ("compare: nothing overlaps");

    double energyA = 0.0, energyDifference = 0.0, largest = 0.0;
    int firstDifference = -1;

    for (int c = 0; c < a.getNumChannels(); ++c)
        for (int t = start; t < end; ++t)
        {
            const float x = a.getSample (c, t), y = b.getSample (c, t + offset);

            if (std::memcmp (&x, &y, sizeof x) != 0 && (firstDifference < 0 || t < firstDifference))
                firstDifference = t;

            const double d = (double) x - (double) y;
            energyA += (double) x * x;
            energyDifference += d * d;
            largest = juce::jmax (largest, std::abs (d));
        }

    const auto sameLength = a.getNumSamples() == b.getNumSamples() && offset == 0 && from == 0;
    std::cout << "compared " << length << " frames x " << a.getNumChannels() << " channels at " << rateA
              << " Hz";

    if (firstDifference < 0)
    {
        std::cout << ": identical" << (sameLength ? "" : " where they overlap") << std::endl;
        return 0;
    }

    const auto decibels = [] (double ratio) { return ratio > 0.0 ? 10.0 * std::log10 (ratio) : -999.0; };
    std::cout << ": differ from frame " << firstDifference << ", largest difference "
              << juce::String (largest, 7) << ", difference energy "
              << juce::String (decibels (energyDifference / energyA), 2) << " dB relative to A";

    // The long-term spectra in third-octave bands, where A has energy within 60 dB of its
    // loudest band.
    const auto bandsA = thirdOctaves (a, start, length, rateA);
    juce::AudioBuffer<float> shiftedB (b.getNumChannels(), length);

    for (int c = 0; c < b.getNumChannels(); ++c)
        shiftedB.copyFrom (c, 0, b, c, start + offset, length);

    const auto bandsB = thirdOctaves (shiftedB, 0, length, rateA);
    double loudest = 0.0, worstBand = 0.0, worstCentre = 0.0;

    for (auto p : bandsA.power)
        loudest = juce::jmax (loudest, p);

    for (int k = 0; k < bandsA.power.size() && k < bandsB.power.size(); ++k)
    {
        if (bandsA.power[k] <= loudest * 1.0e-6 || bandsB.power[k] <= 0.0)
            continue;

        const auto difference = decibels (bandsB.power[k] / bandsA.power[k]);

        if (std::abs (difference) > std::abs (worstBand))
        {
            worstBand = difference;
            worstCentre = bandsA.centres[k];
        }
    }

    if (worstCentre > 0.0)
        std::cout << ", largest third-octave difference " << juce::String (worstBand, 2) << " dB at "
                  << juce::String (worstCentre, 0) << " Hz";

    std::cout << std::endl;

    if (expectIdentical)
        return 1;

    return tolerance >= 0.0 && largest > tolerance ? 1 : 0;
}
} // namespace kaleidra_host
