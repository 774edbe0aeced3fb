namespace tarn_dsp
{
template <typename T>
template <typename U>
KaleidraStage<T>::SecondsTrackingMicrosecondsArg_v2<U>::SecondsTrackingMicrosecondsArg_v2 (
    juce::String nameToUse)
    : FloatArg_v2<U, 1> (U (1), std::move (nameToUse), "<microseconds>")
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
juce::String KaleidraStage<T>::ToneFilter<U>::presenceText() const
{
    return holderText (presenceName, formatFixed (static_cast<double> (presence.load()), 1), presenceUnit);
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

    // Size the queues and the working memory now, so that nothing allocates later. A block
    // consumes at most `latency` input samples.
    historyStride = std::max (0, latency) + 4;
    const auto positions =
        static_cast<size_t> (historyStride) * static_cast<size_t> (std::max (0, numChannels));
    history.assign (positions, T (0));
    inputCubics.assign (positions, Cubic{});
    resampled.assign (positions, T (0));
    groupMix.assign (static_cast<size_t> (std::max (0, scratchLength) / minSegments + 1), T (0));
    stamp.assign (static_cast<size_t> (std::max (0, scratchLength)), 0u);
    currentStamp = 0;

    inputFifo.init (numChannels, latency, 0);
    outputFifo.init (numChannels, 2 * latency, latency);
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
    inputFifo.init (numChannels, latency, 0);
    outputFifo.init (numChannels, 2 * latency, latency);
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

    // 3. Whole groups available.
    const T segmentsQueued = static_cast<T> (inputFifo.fill[0] - 1) / w;
    const int groups =
        segmentsQueued > T (0) && segmentsQueued < T (1.0e9) ? static_cast<int> (segmentsQueued) / N : 0;

    // A scratch or working memory smaller than the engine sizes them never gets written past.
    const int valueLimit = std::min ({ scratch.lengthPerChannel, static_cast<int> (stamp.size()) });
    const int usableGroups = std::min (groups, valueLimit / N);

    if (usableGroups > 0)
    {
        BlockPlan plan;
        plan.segments = N;
        plan.values = N * usableGroups;
        plan.w = w;
        plan.groupReciprocal = (std::uint64_t (1) << 32) / static_cast<std::uint64_t> (N) + 1;

        // 4. The analysis grid G = k·w runs over the input from the oldest queued sample; its last
        // point needs the input up to the smallest whole position not below it.
        const T lastG = static_cast<T> (plan.values - 1) * w;
        plan.consumed = std::max (1, static_cast<int> (std::ceil (lastG)));

        // 5. Arguments for this block.
        const int consumed = plan.consumed;
        const T C = static_cast<T> (consumed) / static_cast<T> (plan.values);
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

        // 6. How the groups are mirrored: nothing at rest at 0, a swap at rest at 100 %, otherwise
        // each group's amount from the ramp at its position in the block.
        const bool singleValue = !mixFilled || mix.rampLast == 0;
        const T firstValue = mixFilled ? mix.rampBuffer[0] : mix.output.load (std::memory_order_relaxed);
        if (singleValue && firstValue == T (0))
            plan.mirroring = Mirroring::none;
        else if (singleValue && firstValue == T (1))
            plan.mirroring = Mirroring::exchange;
        else
        {
            plan.mirroring = Mirroring::crossfade;
            const T outputValue = mix.output.load (std::memory_order_relaxed);
            for (int g = 0; g < usableGroups; ++g)
                groupMix[static_cast<size_t> (g)] =
                    mixFilled ? mix.rampBuffer[static_cast<size_t> (
                                    juce::jmin (mix.rampLast, static_cast<int> (static_cast<T> (g * N) * C)))]
                              : outputValue;
        }

        if (mixFilled)
            mix.releaseRamp();

        // Which positions of a group belong to a mirrored pair: every second pair from the ends
        // inward, (k, N − 1 − k) for k = 0, 2, 4, ... below N / 2. -1 marks a position left alone.
        for (int r = 0; r < N; ++r)
        {
            const int fromEnd = std::min (r, N - 1 - r);
            pairPosition[static_cast<size_t> (r)] = fromEnd % 2 == 0 && fromEnd < N / 2 ? fromEnd : -1;
        }

        // 7. Analysis, mirroring and the resampling back, i values per channel. Only the grid
        // values the resampling reads (and their mirror partners) are computed.
        for (int first = 0; first < channels; first += maxSettleChannels)
        {
            plan.firstChannel = first;
            plan.channels = std::min (maxSettleChannels, channels - first);
            resampleBlock (plan, scratch);
        }

        firstBlock = false;
        lastSegmentValues = plan.values;
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

namespace
{
    // The four-point cubic through (x(-1), x0, x1, x2), as the trackers compute it.
    template <typename T, typename Cubic>
    inline Cubic cubicThrough (T xm, T a, T b, T d) noexcept
    {
        constexpr T half = T (0.5);
        constexpr T third = T (1) / T (3);
        constexpr T sixth = T (1) / T (6);
        return { a, b - xm * third - a * half - d * sixth, (xm + b) * half - a,
                 (a - b) * half + (d - xm) * sixth };
    }

    template <typename T, typename Cubic>
    inline T valueOf (const Cubic& p, T f) noexcept
    {
        return ((p.c3 * f + p.c2) * f + p.c1) * f + p.c0;
    }
} // namespace

template <typename T>
inline void KaleidraStage<T>::computeGridValues (int position, const BlockPlan& plan,
                                                 T* values) const noexcept
{
    // The analysis value at grid point k = position, for every channel: the input's cubic at
    // G = k·w. The cubic of input position l (the smallest whole position not below G) runs from
    // x(l − 1) to x(l).
    const int channels = plan.channels;
    const auto stride = static_cast<size_t> (historyStride);

    if (position == 0)
    {
        for (int c = 0; c < channels; ++c)
            values[c] = history[static_cast<size_t> (c) * stride + 1];
        return;
    }

    const T G = static_cast<T> (position) * plan.w;
    int l = static_cast<int> (G);
    if (static_cast<T> (l) < G)
        ++l;

    if (static_cast<T> (l) == G)
    {
        for (int c = 0; c < channels; ++c)
            values[c] = history[static_cast<size_t> (c) * stride + static_cast<size_t> (l + 1)];
        return;
    }

    const T f = G - static_cast<T> (l - 1);
    const Cubic* cubics = inputCubics.data() + static_cast<size_t> (l * channels);
    for (int c = 0; c < channels; ++c)
        values[c] = valueOf (cubics[c], f);
}

template <typename T>
inline void KaleidraStage<T>::computeMirroredValues (int position, const BlockPlan& plan,
                                                     T* values) const noexcept
{
    // The value a grid position has after mirroring, for every channel, without keeping it.
    const int channels = plan.channels;
    if (plan.mirroring != Mirroring::none)
    {
        const int N = plan.segments;
        const auto group = static_cast<int> ((static_cast<std::uint64_t> (position) * plan.groupReciprocal) >>
                                             32); // position / N
        const int groupStart = group * N;
        const int fromEnd = pairPosition[static_cast<size_t> (position - groupStart)];

        if (fromEnd >= 0)
        {
            const int first = groupStart + fromEnd;
            const int second = groupStart + N - 1 - fromEnd;
            const bool isFirst = position == first;
            T a[maxSettleChannels], b[maxSettleChannels];
            computeGridValues (first, plan, a);
            computeGridValues (second, plan, b);

            const T o = plan.mirroring == Mirroring::exchange ? T (1) : groupMix[static_cast<size_t> (group)];
            if (plan.mirroring == Mirroring::exchange)
            {
                for (int c = 0; c < channels; ++c)
                    values[c] = isFirst ? b[c] : a[c];
            }
            else if (o > T (0))
            {
                for (int c = 0; c < channels; ++c)
                {
                    const T v = lerpWithoutBranches (a[c], b[c], o);
                    values[c] = isFirst ? v : (a[c] - v) + b[c];
                }
            }
            else
            {
                for (int c = 0; c < channels; ++c)
                    values[c] = isFirst ? a[c] : b[c];
            }
            return;
        }
    }

    computeGridValues (position, plan, values);
}

template <typename T>
inline void KaleidraStage<T>::settle (int position, const BlockPlan& plan) noexcept
{
    const auto index = static_cast<size_t> (position);
    if (stamp[index] == currentStamp)
        return;

    const int channels = plan.channels;
    T a[maxSettleChannels], b[maxSettleChannels];

    if (plan.mirroring != Mirroring::none)
    {
        const int N = plan.segments;
        const auto group = static_cast<int> ((static_cast<std::uint64_t> (position) * plan.groupReciprocal) >>
                                             32); // position / N
        const int groupStart = group * N;
        const int fromEnd = pairPosition[static_cast<size_t> (position - groupStart)];

        if (fromEnd >= 0)
        {
            // Every second pair from the group's ends inward: (k, N − 1 − k). Both values are
            // settled together; their sum never changes.
            const auto first = static_cast<size_t> (groupStart + fromEnd);
            const auto second = static_cast<size_t> (groupStart + N - 1 - fromEnd);
            computeGridValues (static_cast<int> (first), plan, a);
            computeGridValues (static_cast<int> (second), plan, b);

            const T o = plan.mirroring == Mirroring::exchange ? T (1) : groupMix[static_cast<size_t> (group)];
            if (plan.mirroring == Mirroring::exchange)
            {
                for (int c = 0; c < channels; ++c)
                {
                    plan.grids[c][first] = b[c];
                    plan.grids[c][second] = a[c];
                }
            }
            else if (o > T (0))
            {
                for (int c = 0; c < channels; ++c)
                {
                    const T v = lerpWithoutBranches (a[c], b[c], o);
                    plan.grids[c][first] = v;
                    plan.grids[c][second] = (a[c] - v) + b[c];
                }
            }
            else
            {
                for (int c = 0; c < channels; ++c)
                {
                    plan.grids[c][first] = a[c];
                    plan.grids[c][second] = b[c];
                }
            }

            stamp[first] = currentStamp;
            stamp[second] = currentStamp;
            return;
        }
    }

    computeGridValues (position, plan, a);
    for (int c = 0; c < channels; ++c)
        plan.grids[c][index] = a[c];
    stamp[index] = currentStamp;
}

template <typename T>
void KaleidraStage<T>::resampleBlock (BlockPlan& plan, SampleRing& scratch)
{
    const int channels = plan.channels;
    const int S = plan.values;
    const int consumed = plan.consumed;
    const T w = plan.w;
    const auto stride = static_cast<size_t> (historyStride);

    // Each channel's input: history[0] is x(-1) (the analysis tracker's last x0, or silence on the
    // first block), history[1 + j] the j-th queued sample, where positions past the queued
    // samples hold the newest one. The analysis tracker takes `consumed` samples and ends on
    // input position `consumed`.
    for (int c = 0; c < channels; ++c)
    {
        T* h = history.data() + static_cast<size_t> (c) * stride;
        auto& analysis = trackers[static_cast<size_t> (plan.firstChannel + c)];
        const int queued = inputFifo.fill[static_cast<size_t> (plan.firstChannel + c)];
        const int oldest = inputFifo.writeIndex[static_cast<size_t> (plan.firstChannel + c)] - (queued - 1);
        h[0] = firstBlock ? T (0) : analysis.x0();
        for (int j = 0; j <= consumed + 1; ++j)
            h[j + 1] = inputFifo.at (oldest + std::min (j, queued - 1));

        inputFifo.discard (plan.firstChannel + c, consumed);
        analysis.set (h[consumed - 1], h[consumed], h[consumed + 1], h[consumed + 2]);
    }

    // The cubic of every input position l = 1 ... consumed, from x(l − 2) ... x(l + 1), the
    // channels of one position side by side.
    for (int c = 0; c < channels; ++c)
    {
        const T* h = history.data() + static_cast<size_t> (c) * stride;
        for (int l = 1; l <= consumed; ++l)
            inputCubics[static_cast<size_t> (l * channels + c)] =
                cubicThrough<T, Cubic> (h[l - 1], h[l], h[l + 1], h[l + 2]);
    }

    // Each channel's grid lives in its own region of the scratch; a fresh stamp marks every value
    // as not yet computed.
    if (++currentStamp == 0)
    {
        std::fill (stamp.begin(), stamp.end(), 0u);
        currentStamp = 1;
    }
    for (int c = 0; c < channels; ++c)
    {
        const int base = (plan.firstChannel + c) * scratch.lengthPerChannel;
        plan.grids[c] = scratch.data.data() + base;
        scratch.writeIndex[static_cast<size_t> (plan.firstChannel + c)] = base + S - 1;
    }

    // Synthesis: output position l reads the grid at P = l / w through the cubic around the grid
    // position below P; the last stretch, where no grid value is left for a cubic, is linear.
    // When consecutive output samples read overlapping stretches of the grid (segments longer
    // than a quarter sample), grid values are kept once computed; at shorter segments every
    // stretch is new and the values are worked out on the spot.
    const bool keepValues = w * T (4) > T (1);
    const auto fetch = [this, &plan, keepValues] (int position, T* values)
    {
        if (keepValues)
        {
            settle (position, plan);
            for (int c = 0; c < plan.channels; ++c)
                values[c] = plan.grids[c][position];
        }
        else
        {
            computeMirroredValues (position, plan, values);
        }
    };

    // x(-1), x0, x1 and x2 of the synthesis cubic, per channel.
    T window[4][maxSettleChannels];
    const int second = std::min (1, S - 1);
    const int third = std::min (2, S - 1);
    for (int c = 0; c < channels; ++c)
        window[0][c] =
            firstBlock ? T (0) : trackers[static_cast<size_t> (numChannels + plan.firstChannel + c)].x0();
    fetch (0, window[1]);
    fetch (second, window[2]);
    fetch (third, window[3]);

    Cubic current[maxSettleChannels];
    for (int c = 0; c < channels; ++c)
    {
        current[c] = cubicThrough<T, Cubic> (window[0][c], window[1][c], window[2][c], window[3][c]);
        resampled[static_cast<size_t> (c) * stride] = window[1][c];
    }

    const T lastCubicPosition = static_cast<T> (S - 2);
    T tail[2][maxSettleChannels];
    bool tailFetched = false;
    int x0Index = 0;
    for (int l = 1; l < consumed; ++l)
    {
        const T P = static_cast<T> (l) / w;
        const auto at = static_cast<size_t> (l);
        if (P > lastCubicPosition)
        {
            if (!tailFetched)
            {
                fetch (S - 2, tail[0]);
                fetch (S - 1, tail[1]);
                tailFetched = true;
            }
            const T f = P - lastCubicPosition;
            for (int c = 0; c < channels; ++c)
                resampled[static_cast<size_t> (c) * stride + at] = lerp (tail[0][c], tail[1][c], f);
            continue;
        }

        // The smallest grid position m with P ≤ m + 1.
        int m = static_cast<int> (P);
        if (static_cast<T> (m) == P)
            --m;
        if (m > x0Index)
        {
            x0Index = m;
            for (int k = 0; k < 4; ++k)
                fetch (m - 1 + k, window[k]);
            for (int c = 0; c < channels; ++c)
                current[c] = cubicThrough<T, Cubic> (window[0][c], window[1][c], window[2][c], window[3][c]);
        }

        if (P == static_cast<T> (x0Index + 1))
        {
            for (int c = 0; c < channels; ++c)
                resampled[static_cast<size_t> (c) * stride + at] = window[2][c];
        }
        else
        {
            const T f = P - static_cast<T> (x0Index);
            for (int c = 0; c < channels; ++c)
                resampled[static_cast<size_t> (c) * stride + at] = valueOf (current[c], f);
        }
    }

    for (int c = 0; c < channels; ++c)
    {
        // The synthesis tracker keeps the grid values around where it stopped.
        trackers[static_cast<size_t> (numChannels + plan.firstChannel + c)].set (window[0][c], window[1][c],
                                                                                 window[2][c], window[3][c]);

        // Values beyond the output queue's capacity are dropped, as one at a time would be.
        const int room = outputFifo.capacity - outputFifo.fill[static_cast<size_t> (plan.firstChannel + c)];
        outputFifo.push (plan.firstChannel + c, resampled.data() + static_cast<size_t> (c) * stride,
                         std::min (consumed, room));
    }
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
} // namespace tarn_dsp
