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
void KaleidraStage<T>::ToneFilter<U>::reset()
{
    updateArguments();
    HighShelfFilter<U>::reset();
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

    // Both queues hold at most the delay plus one block: the input queue what the last analysis
    // held back (never more than the delay) plus the new block, the output queue its pre-fill
    // plus one block's output less what the analysis held back.
    queueCapacity = std::max (0, latency) + std::max (1, static_cast<int> (spec.maximumBlockSize));

    // Size the working memory now, so that nothing allocates later. A block consumes at most
    // queueCapacity input samples.
    const auto positions = static_cast<size_t> (queueCapacity + 4);
    inputLanes.assign (positions, Lanes::expand (T (0)));
    inputCubics.assign (positions, Cubic{});
    resampledLanes.assign (positions, Lanes::expand (T (0)));
    channelOutput.assign (positions, T (0));
    groupMix.assign (static_cast<size_t> (std::max (0, scratchLength) / minSegments + 1), T (0));

    // The whole grid is worked out only while a segment is longer than a quarter sample: a block
    // then has fewer than 4 × queueCapacity grid values.
    const auto kept = std::min (static_cast<size_t> (std::max (0, scratchLength)), 4 * positions);
    gridLanes.assign (kept, Lanes::expand (T (0)));

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
    const T longest = longestSegmentSeconds();
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

    // 3. Whole groups available. The analysis reads the two samples after the last one it takes
    // (its cubic's look-ahead), so the grid ends where both of them are queued.
    const T segmentsQueued = static_cast<T> (inputFifo.fill[0] - analysisLookAhead) / w;
    const int groups =
        segmentsQueued > T (0) && segmentsQueued < T (1.0e9) ? static_cast<int> (segmentsQueued) / N : 0;

    // Working memory sized for other settings than these is never written past.
    const bool wholeGrid = w * T (4) > T (1);
    const int valueLimit = wholeGrid ? static_cast<int> (gridLanes.size())
                                     : static_cast<int> (groupMix.size() - 1) * minSegments;
    const int usableGroups = std::min (groups, valueLimit / N);

    if (usableGroups > 0)
    {
        BlockPlan plan;
        plan.segments = N;
        plan.values = N * usableGroups;
        plan.w = w;
        plan.wholeGrid = wholeGrid;
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

        // 7. Analysis, mirroring and the resampling back, i values per channel, up to
        // maxLaneChannels channels per pass.
        for (int first = 0; first < channels; first += maxLaneChannels)
        {
            plan.firstChannel = first;
            plan.channels = std::min (maxLaneChannels, channels - first);
            resampleBlock (plan);
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
    // The four-point cubic through (x(-1), x0, x1, x2), as the trackers compute it, for every lane.
    template <typename Lanes, typename Cubic, typename T>
    inline Cubic cubicThrough (Lanes xm, Lanes a, Lanes b, Lanes d) noexcept
    {
        constexpr T half = T (0.5);
        constexpr T third = T (1) / T (3);
        constexpr T sixth = T (1) / T (6);
        return { a, b - xm * third - a * half - d * sixth, (xm + b) * half - a,
                 (a - b) * half + (d - xm) * sixth };
    }

    template <typename Lanes, typename Cubic, typename T>
    inline Lanes valueOf (const Cubic& p, T f) noexcept
    {
        return ((p.c3 * f + p.c2) * f + p.c1) * f + p.c0;
    }

    template <typename Lanes>
    inline Lanes lanesFrom (const typename Lanes::ElementType* values) noexcept
    {
        alignas (sizeof (Lanes)) typename Lanes::ElementType aligned[Lanes::SIMDNumElements];
        for (size_t c = 0; c < Lanes::SIMDNumElements; ++c)
            aligned[c] = values[c];
        return Lanes::fromRawArray (aligned);
    }
} // namespace

template <typename T>
inline typename KaleidraStage<T>::Lanes KaleidraStage<T>::gridValues (int position,
                                                                      const BlockPlan& plan) const noexcept
{
    // The analysis value at grid point k = position: the input's cubic at G = k·w. The cubic of
    // input position l (the smallest whole position not below G) runs from x(l − 1) to x(l).
    if (position == 0)
        return inputLanes[1];

    const T G = static_cast<T> (position) * plan.w;
    int l = static_cast<int> (G);
    if (static_cast<T> (l) < G)
        ++l;

    if (static_cast<T> (l) == G)
        return inputLanes[static_cast<size_t> (l + 1)];

    return valueOf<Lanes> (inputCubics[static_cast<size_t> (l)], G - static_cast<T> (l - 1));
}

template <typename T>
inline typename KaleidraStage<T>::Lanes
    KaleidraStage<T>::mirroredValues (int position, const BlockPlan& plan) const noexcept
{
    // The value a grid position has after mirroring, without keeping it.
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
            const bool isFirst = position == first;
            const Lanes a = gridValues (first, plan);
            const Lanes b = gridValues (groupStart + N - 1 - fromEnd, plan);

            if (plan.mirroring == Mirroring::exchange)
                return isFirst ? b : a;

            const T o = groupMix[static_cast<size_t> (group)];
            if (!(o > T (0)))
                return isFirst ? a : b;

            const Lanes v = lerpLanes (a, b, o);
            return isFirst ? v : (a - v) + b;
        }
    }

    return gridValues (position, plan);
}

template <typename T>
void KaleidraStage<T>::analyseAndMirrorGrid (const BlockPlan& plan) noexcept
{
    const int N = plan.segments;
    const int S = plan.values;
    for (int k = 0; k < S; ++k)
        gridLanes[static_cast<size_t> (k)] = gridValues (k, plan);

    if (plan.mirroring == Mirroring::none)
        return;

    // Every second pair from each group's ends inward: (k, N − 1 − k) for k = 0, 2, 4, ... below
    // N / 2. The pair's sum never changes.
    for (int groupStart = 0, group = 0; groupStart < S; groupStart += N, ++group)
    {
        const T o = plan.mirroring == Mirroring::exchange ? T (1) : groupMix[static_cast<size_t> (group)];
        if (!(o > T (0)))
            continue;

        for (int k = 0; k < N / 2; k += 2)
        {
            auto& first = gridLanes[static_cast<size_t> (groupStart + k)];
            auto& second = gridLanes[static_cast<size_t> (groupStart + N - 1 - k)];
            const Lanes a = first, b = second;
            if (plan.mirroring == Mirroring::exchange)
            {
                first = b;
                second = a;
            }
            else
            {
                const Lanes v = lerpLanes (a, b, o);
                first = v;
                second = (a - v) + b;
            }
        }
    }
}

template <typename T>
void KaleidraStage<T>::resampleBlock (const BlockPlan& plan)
{
    const int channels = plan.channels;
    const int S = plan.values;
    const int consumed = plan.consumed;
    const T w = plan.w;
    constexpr auto lanes = static_cast<size_t> (maxLaneChannels);

    // The input, channels side by side: lane c of inputLanes[0] is x(-1) (the analysis tracker's
    // last x0, or silence on the first block), of inputLanes[1 + j] the j-th queued sample, where
    // positions past the queued samples hold the newest one. The analysis tracker takes
    // `consumed` samples and ends on input position `consumed`.
    T* input = reinterpret_cast<T*> (inputLanes.data());
    // Lanes beyond this pass's channels keep what they held (zeros from prepare, or finite audio
    // of a block with more channels); their results are never read.
    for (int c = 0; c < channels; ++c)
    {
        const auto lane = static_cast<size_t> (c);

        auto& analysis = trackers[static_cast<size_t> (plan.firstChannel + c)];
        const int queued = inputFifo.fill[static_cast<size_t> (plan.firstChannel + c)];
        const int oldest = inputFifo.writeIndex[static_cast<size_t> (plan.firstChannel + c)] - (queued - 1);
        input[lane] = firstBlock ? T (0) : analysis.x0();
        for (int j = 0; j <= consumed + 1; ++j)
            input[static_cast<size_t> (j + 1) * lanes + lane] =
                inputFifo.at (oldest + std::min (j, queued - 1));

        // The look-ahead past the newest queued sample (never, as the groups are counted; a reader
        // of readsPastFill would see it).
        inputFifo.readsPastFill += std::max (0, consumed + analysisLookAhead - queued);
        inputFifo.discard (plan.firstChannel + c, consumed);
        const auto x = [input, lane] (int j) { return input[static_cast<size_t> (j) * lanes + lane]; };
        analysis.set (x (consumed - 1), x (consumed), x (consumed + 1), x (consumed + 2));
    }

    // The cubic of every input position l = 1 ... consumed, from x(l − 2) ... x(l + 1).
    for (int l = 1; l <= consumed; ++l)
    {
        const auto at = static_cast<size_t> (l);
        inputCubics[at] = cubicThrough<Lanes, Cubic, T> (inputLanes[at - 1], inputLanes[at],
                                                         inputLanes[at + 1], inputLanes[at + 2]);
    }

    // When consecutive output samples read overlapping stretches of the grid (segments longer
    // than a quarter sample), the whole grid is needed: it is analysed and mirrored in place once.
    // At shorter segments each output sample reads a stretch of its own, and only those values
    // (with their pair partners) are worked out, on the spot.
    if (plan.wholeGrid)
        analyseAndMirrorGrid (plan);

    // Synthesis: output position l reads the grid at P = l / w through the cubic around the grid
    // position below P; the last stretch, where no grid value is left for a cubic, is linear.
    const auto fetch = [this, &plan] (int position)
    { return plan.wholeGrid ? gridLanes[static_cast<size_t> (position)] : mirroredValues (position, plan); };

    const auto store = [this] (size_t at, Lanes v) { resampledLanes[at] = v; };

    // x(-1), x0, x1 and x2 of the synthesis cubic.
    const int second = std::min (1, S - 1);
    const int third = std::min (2, S - 1);
    T before[maxLaneChannels]{};
    if (!firstBlock)
        for (int c = 0; c < channels; ++c)
            before[c] = trackers[static_cast<size_t> (numChannels + plan.firstChannel + c)].x0();
    Lanes window[4] = { lanesFrom<Lanes> (before), fetch (0), fetch (second), fetch (third) };
    Cubic current = cubicThrough<Lanes, Cubic, T> (window[0], window[1], window[2], window[3]);
    store (0, window[1]);

    const T lastCubicPosition = static_cast<T> (S - 2);
    Lanes tail[2];
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
                tail[0] = fetch (S - 2);
                tail[1] = fetch (S - 1);
                tailFetched = true;
            }
            // Linear between the last two grid values.
            const T f = P - lastCubicPosition;
            Lanes value;
            for (size_t c = 0; c < lanes; ++c)
                value.set (c, lerp (tail[0].get (c), tail[1].get (c), f));
            store (at, value);
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
                window[k] = fetch (m - 1 + k);
            current = cubicThrough<Lanes, Cubic, T> (window[0], window[1], window[2], window[3]);
        }

        if (P == static_cast<T> (x0Index + 1))
            store (at, window[2]);
        else
            store (at, valueOf<Lanes> (current, P - static_cast<T> (x0Index)));
    }

    const T* values = reinterpret_cast<const T*> (resampledLanes.data());
    for (int c = 0; c < channels; ++c)
    {
        const auto lane = static_cast<size_t> (c);

        // The synthesis tracker keeps the grid values around where it stopped.
        trackers[static_cast<size_t> (numChannels + plan.firstChannel + c)].set (
            window[0].get (lane), window[1].get (lane), window[2].get (lane), window[3].get (lane));

        // Values beyond the output queue's capacity are dropped, as one at a time would be.
        const int room = outputFifo.capacity - outputFifo.fill[static_cast<size_t> (plan.firstChannel + c)];
        const int count = std::min (consumed, room);
        for (int l = 0; l < count; ++l)
            channelOutput[static_cast<size_t> (l)] = values[static_cast<size_t> (l) * lanes + lane];
        outputFifo.push (plan.firstChannel + c, channelOutput.data(), count);
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
    {
        int c = 0;
        for (; c + 1 < channels; c += 2)
            tone.filterPairInPlace (c, output.getChannelPointer (static_cast<size_t> (c)), c + 1,
                                    output.getChannelPointer (static_cast<size_t> (c + 1)), n);
        if (c < channels)
            tone.filterInPlace (c, output.getChannelPointer (static_cast<size_t> (c)), n);
    }
}

template class KaleidraStage<float>;
template class KaleidraStage<float>::SecondsTrackingMicrosecondsArg_v2<float>;
template class KaleidraStage<float>::ToneFilter<float>;
} // namespace tarn_dsp
