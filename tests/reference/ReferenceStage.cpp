// The engine in its literal, unoptimised form, kept only so that tests and benchmarks can check
// and measure the optimised engine (modules/tarn_dsp) against it in the same run. It must not be
// optimised: it is the engine as it stood before optimisation, in namespace kaleidra_reference
// with the same class names. Only the argument holders, Processor, the holder text helpers, the
// mode options and lerp are shared with tarn_dsp; everything else is its own copy.

#include "ReferenceEngine.h"

namespace kaleidra_reference
{
template <typename T>
template <typename U>
KaleidraStage<T>::SecondsTrackingMicrosecondsArg_v2<U>::SecondsTrackingMicrosecondsArg_v2 (
    juce::String nameToUse)
    : tarn_dsp::FloatArg_v2<U, 1> (U (1), std::move (nameToUse), "<microseconds>")
{
}

//==============================================================================================
template <typename T>
template <typename U>
KaleidraStage<T>::ToneFilter<U>::ToneFilter()
{
    constexpr U corner = U (12300);
    constexpr U quality = U (0.9);
    const U gainDb = gainForPresence (appliedPresence);

    this->gain.setAtRest (gainDb);
    this->frequency.setAtRest (corner);
    this->q.setAtRest (quality);
    this->appliedGain = gainDb;
    this->appliedFrequency = corner;
    this->appliedQ = quality;
    this->setCoefficients (corner, quality, gainDb);
}

template <typename T>
template <typename U>
void KaleidraStage<T>::ToneFilter<U>::updateArguments()
{
    const U wanted = presence.load (std::memory_order_relaxed);
    if (wanted == appliedPresence)
        return;

    // The audio thread never waits: if the gain is busy, the new presence is taken up in a
    // later block.
    if (this->gain.trySetTarget (gainForPresence (wanted)) < 0)
        return;

    appliedPresence = wanted;
}

template <typename T>
template <typename U>
void KaleidraStage<T>::ToneFilter<U>::reset()
{
    updateArguments();
    HighShelfFilter<U>::reset();
}

template <typename T>
template <typename U>
juce::String KaleidraStage<T>::ToneFilter<U>::presenceText() const
{
    return tarn_dsp::holderText (
        presenceName, tarn_dsp::formatFixed (static_cast<double> (presence.load()), 1), presenceUnit);
}

//==============================================================================================
template <typename T>
KaleidraStage<T>::KaleidraStage()
{
    segmentSize.setAtRest (T (50));
    mix.setAtRest (T (100));
    segmentSeconds = segmentSize.output.load();
}

template <typename T>
void KaleidraStage<T>::prepare (const juce::dsp::ProcessSpec& spec, int scratchLength, int latency)
{
    sampleRate = static_cast<T> (spec.sampleRate);
    numChannels = static_cast<int> (spec.numChannels);
    segmentSize.prepare (scratchLength);
    mix.prepare (scratchLength);
    tone.prepareLocked (spec);
    trackers.assign (static_cast<size_t> (2 * numChannels), CubicTracker{});

    // Size the queues now, so that nothing allocates later: the delay plus one block each.
    queueCapacity = std::max (0, latency) + std::max (1, static_cast<int> (spec.maximumBlockSize));
    flush (latency);
}

template <typename T>
void KaleidraStage<T>::reset (int latency)
{
    segmentSize.reset (static_cast<double> (sampleRate));
    mix.reset (static_cast<double> (sampleRate));
    segmentSeconds = segmentSize.output.load();
    flush (latency);
    tone.resetLocked();
}

template <typename T>
void KaleidraStage<T>::flush (int latency) noexcept
{
    inputFifo.init (numChannels, queueCapacity, 0);
    outputFifo.init (numChannels, queueCapacity, latency);
    for (auto& tracker : trackers)
        tracker.clear();
    firstBlock = true;
}

template <typename T>
int KaleidraStage<T>::clampedSegmentCount() const noexcept
{
    return juce::jlimit (minSegments, maxSegments, segmentCount.value.load (std::memory_order_relaxed));
}

template <typename T>
T KaleidraStage<T>::segmentSecondsInRange() const noexcept
{
    // The bounds are the values the segment-size holder gives for 1 and 48 microseconds.
    const T shortest = T (1) * T (0.000001);
    const T longest = T (48) * T (0.000001);
    if (!(segmentSeconds >= shortest)) // also catches NaN
        return shortest;
    return segmentSeconds > longest ? longest : segmentSeconds;
}

template <typename T>
void KaleidraStage<T>::process (const juce::dsp::AudioBlock<T>& input, int n, SampleRing& scratch,
                                juce::dsp::AudioBlock<T>& output, T gain, bool accumulate, bool replace,
                                bool silent)
{
    const int channels =
        std::min ({ numChannels, static_cast<int> (input.getNumChannels()),
                    static_cast<int> (output.getNumChannels()), inputFifo.fifoChannels,
                    outputFifo.fifoChannels, static_cast<int> (trackers.size()) / 2, scratch.channels });
    n = std::min ({ n, static_cast<int> (input.getNumSamples()), static_cast<int> (output.getNumSamples()) });
    if (channels <= 0 || n <= 0)
        return;

    // 1. Queue the input.
    for (int c = 0; c < channels; ++c)
        inputFifo.push (c, input.getChannelPointer (static_cast<size_t> (c)), n);

    // 2. Segment count and segment length in input samples.
    const int N = clampedSegmentCount();
    const T w = segmentSecondsInRange() * sampleRate;

    // 3. Whole groups available, keeping the two samples the analysis cubic reads past the last
    // one it takes.
    const T segmentsQueued = static_cast<T> (inputFifo.fill[0] - 2) / w;
    const int groups =
        segmentsQueued > T (0) && segmentsQueued < T (1.0e9) ? static_cast<int> (segmentsQueued) / N : 0;

    if (groups > 0)
    {
        const int S = N * groups;

        // 4. Analysis: the input sampled every w samples onto the scratch grid.
        int consumed = 1;
        for (int c = 0; c < channels; ++c)
        {
            auto& tracker = trackers[static_cast<size_t> (c)];
            const T before = firstBlock ? T (0) : tracker.x0();
            const T u = inputFifo.take (c);
            tracker.set (before, u, inputFifo.peek (c, 0), inputFifo.peek (c, 1));
            scratch.write (c, u);

            int l = 1;
            for (int k = 1; k < S; ++k)
            {
                const T G = static_cast<T> (k) * w;
                while (static_cast<T> (l) < G)
                {
                    ++l;
                    inputFifo.discard (c, 1);
                    tracker.shift (inputFifo.peek (c, 1));
                }

                const T value = static_cast<T> (l) == G
                                    ? tracker.x1()
                                    : tracker.valueAt (G - static_cast<T> (static_cast<int> (G)));
                scratch.write (c, value);
            }

            if (c == 0)
                consumed = l;
        }

        // 5. Arguments for this block.
        const T C = static_cast<T> (consumed) / static_cast<T> (S);
        const bool mixFilled = mix.fillRamp (consumed);
        if (segmentSize.advanceBlock (consumed))
        {
            segmentSeconds = segmentSize.rampBuffer[0];
            segmentSize.releaseRamp();
        }
        else
        {
            segmentSeconds = segmentSize.output.load (std::memory_order_relaxed);
        }

        // 6. Mirroring: every second pair from each group's ends inward.
        const int pairLimit = N / 2;
        const bool singleValue = !mixFilled || mix.rampLast == 0;
        const T firstValue = mixFilled ? mix.rampBuffer[0] : mix.output.load (std::memory_order_relaxed);

        if (!(singleValue && firstValue == T (0)))
        {
            const bool exchange = singleValue && firstValue == T (1);
            for (int c = 0; c < channels; ++c)
            {
                const int base = scratch.positionOfLast (c, S);
                for (int g = 0; g < groups; ++g)
                {
                    const int groupStart = base + g * N;
                    if (exchange)
                    {
                        for (int k = 0; k < pairLimit; k += 2)
                            std::swap (scratch.at (groupStart + k), scratch.at (groupStart + N - 1 - k));
                        continue;
                    }

                    const T o = mixFilled ? mix.rampBuffer[static_cast<size_t> (juce::jmin (
                                                mix.rampLast, static_cast<int> (static_cast<T> (g * N) * C)))]
                                          : mix.output.load (std::memory_order_relaxed);
                    if (o <= T (0))
                        continue;

                    for (int k = 0; k < pairLimit; k += 2)
                    {
                        auto& first = scratch.at (groupStart + k);
                        auto& second = scratch.at (groupStart + N - 1 - k);
                        const T a = first;
                        const T b = second;
                        const T v = tarn_dsp::lerp (a, b, o);
                        first = v;
                        second = (a - v) + b;
                    }
                }
            }
        }

        if (mixFilled)
            mix.releaseRamp();

        // 7. Synthesis: back to one value per input sample, i values per channel.
        const T lastCubicPosition = static_cast<T> (S - 2);
        for (int c = 0; c < channels; ++c)
        {
            auto& tracker = trackers[static_cast<size_t> (numChannels + c)];
            const int base = scratch.positionOfLast (c, S);
            const auto s = [&scratch, base] (int k) { return scratch.at (base + k); };

            const T before = firstBlock ? T (0) : tracker.x0();
            tracker.set (before, s (0), s (juce::jmin (1, S - 1)), s (juce::jmin (2, S - 1)));
            outputFifo.pushIfRoom (c, s (0));

            int x0Index = 0;
            for (int l = 1; l < consumed; ++l)
            {
                const T P = static_cast<T> (l) / w;
                T value;
                if (P > lastCubicPosition)
                {
                    // No value left to shift in: linear between the last two grid values.
                    value = tarn_dsp::lerp (s (S - 2), s (S - 1), P - lastCubicPosition);
                }
                else
                {
                    while (P > static_cast<T> (x0Index + 1))
                    {
                        tracker.shift (s (x0Index + 3));
                        ++x0Index;
                    }

                    value = P == static_cast<T> (x0Index + 1)
                                ? tracker.x1()
                                : tracker.valueAt (P - static_cast<T> (x0Index));
                }

                outputFifo.pushIfRoom (c, value);
            }
        }

        firstBlock = false;
        lastSegmentValues = S;
        lastConsumed = consumed;
    }

    // 8. Output.
    if (silent)
    {
        for (int c = 0; c < channels; ++c)
            outputFifo.discard (c, n);
        return;
    }

    combineOutput (output, channels, n, gain, accumulate, replace);
}

template <typename T>
void KaleidraStage<T>::combineOutput (juce::dsp::AudioBlock<T>& output, int channels, int n, T gain,
                                      bool accumulate, bool replace)
{
    for (int c = 0; c < channels; ++c)
    {
        T* destination = output.getChannelPointer (static_cast<size_t> (c));
        if (accumulate && !replace)
        {
            if (gain > T (0))
                outputFifo.read (c, destination, n, gain, true);
            else
                outputFifo.discard (c, n);
        }
        else
        {
            outputFifo.read (c, destination, n, gain > T (0) ? gain : T (1), false);
        }
    }

    tone.updateBlock (n);
    if (tone.engaged)
        for (int c = 0; c < channels; ++c)
            tone.filterInPlace (c, output.getChannelPointer (static_cast<size_t> (c)), n);
}

template class KaleidraStage<float>;
template class KaleidraStage<float>::SecondsTrackingMicrosecondsArg_v2<float>;
template class KaleidraStage<float>::ToneFilter<float>;
} // namespace kaleidra_reference
