// The engine in its literal, unoptimised form, kept only so that tests and benchmarks can check
// and measure the optimised engine (modules/tarn_dsp) against it in the same run. It must not be
// optimised: it is the engine as it stood before optimisation, in namespace kaleidra_reference
// with the same class names. Only the argument holders, Processor, the holder text helpers, the
// mode options and lerp are shared with tarn_dsp; everything else is its own copy.

#include "ReferenceEngine.h"

namespace kaleidra_reference
{
template <typename T, int NumStages>
KaleidraMultistage<T, NumStages>::KaleidraMultistage()
{
    stages.reserve (NumStages);
    for (int s = 0; s < NumStages; ++s)
        stages.push_back (std::make_unique<KaleidraStage<T>>());
}

template <typename T, int NumStages>
void KaleidraMultistage<T, NumStages>::prepare (const juce::dsp::ProcessSpec& spec)
{
    // A sample rate that cannot be right would make the sizes below meaningless.
    auto fs = static_cast<float> (spec.sampleRate);
    if (!(std::isfinite (fs) && fs > 0.0f))
        fs = 44100.0f;
    this->sampleRate = static_cast<T> (fs);

    numChannels = static_cast<int> (spec.numChannels);
    maxBlockSize = static_cast<int> (spec.maximumBlockSize);

    // The most input a stage can hold back after its analysis (92 of the longest segments) plus
    // the analysis look-ahead of 2 samples.
    const float longestW = T (48) * T (0.000001) * fs;
    latency = 2 + static_cast<int> (std::floor (92.0 * static_cast<double> (longestW) + 1.0 / 64.0));

    // The number of the shortest segments in a stage's input queue, plus 3.
    const int blockCapacity = juce::jmax (1, maxBlockSize);
    scratchLength =
        static_cast<int> (static_cast<float> (latency + blockCapacity) / (fs * minSegmentSeconds)) + 3;

    const juce::dsp::ProcessSpec stageSpec{ static_cast<double> (fs), spec.maximumBlockSize,
                                            spec.numChannels };
    for (auto& stage : stages)
        stage->prepare (stageSpec, scratchLength, latency);

    inputCopy.setSize (numChannels, blockCapacity);
    work.setSize (numChannels, blockCapacity);

    scratch.setSize (numChannels, scratchLength);
    dryDelay.init (numChannels, NumStages * latency + blockCapacity, NumStages * latency);
    parallelDelay.init (numChannels, (NumStages - 1) * latency + blockCapacity, (NumStages - 1) * latency);
}

template <typename T, int NumStages>
void KaleidraMultistage<T, NumStages>::reset()
{
    scratch.setSize (numChannels, scratchLength);
    // The dry delay holds NumStages × L samples at all times; it has room for one block more.
    const int blockCapacity = juce::jmax (1, maxBlockSize);
    dryDelay.init (numChannels, NumStages * latency + blockCapacity, NumStages * latency);
    parallelDelay.init (numChannels, (NumStages - 1) * latency + blockCapacity, (NumStages - 1) * latency);

    for (auto& stage : stages)
        stage->reset (latency);

    inputCopy.clear();
    work.clear();
    previousSeries = isSeries();
    seriesRefill = 0;
    bypassedSinceProcess = false;
}

template <typename T, int NumStages>
int KaleidraMultistage<T, NumStages>::processableChannels (
    const juce::dsp::AudioBlock<T>& input, const juce::dsp::AudioBlock<T>& output) const noexcept
{
    return std::min ({ numChannels, static_cast<int> (input.getNumChannels()),
                       static_cast<int> (output.getNumChannels()), inputCopy.getNumChannels(),
                       dryDelay.fifoChannels });
}

template <typename T, int NumStages>
void KaleidraMultistage<T, NumStages>::processBypassed (const juce::dsp::AudioBlock<T>& input,
                                                        juce::dsp::AudioBlock<T>& output)
{
    const int channels = processableChannels (input, output);
    const int total = static_cast<int> (juce::jmin (input.getNumSamples(), output.getNumSamples()));
    if (channels <= 0 || total <= 0)
        return;

    const int piece = juce::jmax (1, maxBlockSize);
    for (int start = 0; start < total; start += piece)
    {
        const int n = juce::jmin (piece, total - start);
        for (int c = 0; c < channels; ++c)
        {
            // Queue first: the output may be the input's memory.
            dryDelay.push (c, input.getChannelPointer (static_cast<size_t> (c)) + start, n);
            dryDelay.read (c, output.getChannelPointer (static_cast<size_t> (c)) + start, n, 1.0f, false);
        }
    }

    bypassedSinceProcess = true;
}

template <typename T, int NumStages>
void KaleidraMultistage<T, NumStages>::dropStageContents (int firstStage)
{
    for (int s = firstStage; s < NumStages; ++s)
        stages[static_cast<size_t> (s)]->flush (latency);
}

template <typename T, int NumStages>
void KaleidraMultistage<T, NumStages>::process (const juce::dsp::AudioBlock<T>& input,
                                                juce::dsp::AudioBlock<T>& output)
{
    const int channels = processableChannels (input, output);
    const int total = static_cast<int> (juce::jmin (input.getNumSamples(), output.getNumSamples()));
    if (channels <= 0 || total <= 0)
        return;

    if (bypassedSinceProcess)
    {
        // What the stages held dates from before the bypass.
        dropStageContents (0);
        parallelDelay.init (numChannels, (NumStages - 1) * latency + juce::jmax (1, maxBlockSize),
                            (NumStages - 1) * latency);
        seriesRefill = 0;
        bypassedSinceProcess = false;
    }

    const int piece = juce::jmax (1, maxBlockSize);
    for (int start = 0; start < total; start += piece)
    {
        const int n = juce::jmin (piece, total - start);
        const auto inputPiece = input.getSubBlock (static_cast<size_t> (start), static_cast<size_t> (n));
        auto outputPiece = output.getSubBlock (static_cast<size_t> (start), static_cast<size_t> (n));
        processChunk (inputPiece, outputPiece, channels, n);
    }

    // Channels the engine was not prepared for pass through.
    const auto passChannels = juce::jmin (input.getNumChannels(), output.getNumChannels());
    for (auto c = static_cast<size_t> (channels); c < passChannels; ++c)
        if (output.getChannelPointer (c) != input.getChannelPointer (c))
            juce::FloatVectorOperations::copy (output.getChannelPointer (c), input.getChannelPointer (c),
                                               total);
}

template <typename T, int NumStages>
void KaleidraMultistage<T, NumStages>::processChunk (const juce::dsp::AudioBlock<T>& input,
                                                     juce::dsp::AudioBlock<T>& output, int channels, int n)
{
    const auto numCh = static_cast<size_t> (channels);
    const auto numSamples = static_cast<size_t> (n);

    // 1. Keep the block's input: the stages write into the output, which may be the same memory.
    for (int c = 0; c < channels; ++c)
        juce::FloatVectorOperations::copy (inputCopy.getWritePointer (c),
                                           input.getChannelPointer (static_cast<size_t> (c)), n);

    juce::dsp::AudioBlock<T> source (inputCopy.getArrayOfWritePointers(), numCh, numSamples);
    juce::dsp::AudioBlock<T> staged (work.getArrayOfWritePointers(), numCh, numSamples);

    // 2. The dry delay is fed in every block.
    for (int c = 0; c < channels; ++c)
        dryDelay.push (c, inputCopy.getReadPointer (c), n);

    // 3. Stage activity. A stage that comes on starts with a freshly reset tone filter.
    bool inactive[NumStages];
    int active = 0;
    for (int s = 0; s < NumStages; ++s)
    {
        auto& stage = *stages[static_cast<size_t> (s)];
        inactive[s] = stage.mix.isAtRest (T (0));
        if (!inactive[s])
        {
            ++active;
            if (stageInactive[s])
                stage.tone.resetLocked();
        }
        stageInactive[s] = inactive[s];
    }

    // 4. Mode. After a change, stages 2 and up hold the other topology's signal: drop it.
    const bool series = isSeries();
    if (series != previousSeries)
    {
        dropStageContents (1);
        seriesRefill = series ? (NumStages - 1) * latency : 0;
        previousSeries = series;
    }

    // 5. The stages, into the work block.
    if (series)
    {
        for (int c = 0; c < channels; ++c)
            juce::FloatVectorOperations::copy (work.getWritePointer (c), inputCopy.getReadPointer (c), n);

        for (int s = 0; s < NumStages; ++s)
        {
            // Every stage overwrites the block with its output (an inactive one at gain 1 too).
            stages[static_cast<size_t> (s)]->process (staged, n, scratch, staged, inactive[s] ? T (0) : T (1),
                                                      false, false, false);

            // Stage 1 sees the input in both modes: its output keeps the parallel delay fed.
            if (s == 0)
                for (int c = 0; c < channels; ++c)
                    parallelDelay.push (c, work.getReadPointer (c), n);
        }
    }
    else
    {
        bool allBeforeInactive = true;
        for (int s = 0; s < NumStages; ++s)
        {
            // The first active stage overwrites the block, later active stages add to it, later
            // inactive stages drop their output. Every stage reads the block's original input.
            stages[static_cast<size_t> (s)]->process (source, n, scratch, staged, inactive[s] ? T (0) : T (1),
                                                      true, allBeforeInactive, false);
            allBeforeInactive = allBeforeInactive && inactive[s];
        }

        for (int c = 0; c < channels; ++c)
            parallelDelay.push (c, work.getReadPointer (c), n);
    }

    // 6. Output: the delayed dry input with no stage active, the chain in Series (the parallel
    // delay while the chain refills after a change of mode), the delayed sum in Parallel.
    const int fromParallel = series ? juce::jmin (n, seriesRefill) : n;
    for (int c = 0; c < channels; ++c)
    {
        T* destination = output.getChannelPointer (static_cast<size_t> (c));
        if (active == 0)
        {
            dryDelay.read (c, destination, n, 1.0f, false);
            parallelDelay.discard (c, n);
            continue;
        }

        dryDelay.discard (c, n);
        parallelDelay.read (c, destination, fromParallel, 1.0f, false);
        parallelDelay.discard (c, n - fromParallel);
        if (fromParallel < n)
            juce::FloatVectorOperations::copy (destination + fromParallel,
                                               work.getReadPointer (c) + fromParallel, n - fromParallel);
    }

    seriesRefill = juce::jmax (0, seriesRefill - n);
}

template class KaleidraMultistage<float, 3>;
} // namespace kaleidra_reference
