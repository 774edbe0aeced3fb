#pragma once

#include <cstdint>

namespace tarn_dsp
{
// Hands a block processor chunks of exactly `quantum` samples, whatever the sizes of the blocks
// it is given (1 sample up to any length, changing from block to block), so that what the
// processor computes never depends on how the host cuts the stream.
//
// A chunk is processed as soon as its last sample has arrived, and the block that brought that
// sample reads the chunk's first output at once. The output therefore starts with quantum − 1
// zeros: the delay is exactly getLatency() = quantum − 1 samples, the least that never lets the
// output run dry (after t samples in, ⌊t / quantum⌋ chunks are done, and quantum − 1 +
// quantum·⌊t / quantum⌋ ≥ t for every t).
//
// prepare allocates; reset and process never do.
class FixedBlockFeeder
{
public:
    // The chunk for a sample rate: a fixed duration of about 2.9 ms, 128 samples at 44.1 kHz, 139
    // at 48 kHz, 279 at 96 kHz, 557 at 192 kHz. A rate that is no positive number counts as
    // 44.1 kHz.
    static int quantumFor (double sampleRate) noexcept;

    // Sizes the chunk and the output queue for `channels` channels and chunks of `quantum`
    // samples (at least 1), then resets.
    void prepare (int channels, int quantum);

    // Drops the chunk being gathered and everything in flight; the output starts again with
    // quantum − 1 zeros.
    void reset() noexcept;

    int getQuantum() const noexcept
    {
        return quantum;
    }

    int getNumChannels() const noexcept
    {
        return channels;
    }

    // The delay the feeding adds: quantum − 1 samples.
    int getLatency() const noexcept
    {
        return quantum - 1;
    }

    // Samples the output was asked for past its fill since construction (by construction never;
    // tests check it).
    std::int64_t readsPastFill() const noexcept
    {
        return output.readsPastFill;
    }

    // Runs `block` through processChunk in place, delayed by getLatency(). processChunk is
    // called with a juce::dsp::AudioBlock<float>& of getNumChannels() channels and exactly
    // getQuantum() samples, which it processes in place. The block's channels beyond the
    // prepared ones are left alone; prepared channels the block does not have are fed silence
    // and their output is dropped, so that every channel stays in step.
    template <typename ChunkProcessor>
    void process (juce::dsp::AudioBlock<float>& block, ChunkProcessor&& processChunk)
    {
        const int blockChannels = std::min (static_cast<int> (block.getNumChannels()), channels);
        const int total = static_cast<int> (block.getNumSamples());
        if (channels <= 0 || total <= 0)
            return;

        juce::dsp::AudioBlock<float> chunkBlock (
            chunk.getArrayOfWritePointers(), static_cast<size_t> (channels), static_cast<size_t> (quantum));

        for (int position = 0; position < total;)
        {
            const int n = std::min (total - position, quantum - gathered);
            gather (block, blockChannels, position, n);

            if (gathered == quantum)
            {
                processChunk (chunkBlock);
                for (int c = 0; c < channels; ++c)
                    output.push (c, chunk.getReadPointer (c), quantum);
                gathered = 0;
            }

            deliver (block, blockChannels, position, n);
            position += n;
        }
    }

private:
    void gather (const juce::dsp::AudioBlock<float>& block, int blockChannels, int position, int n) noexcept;
    void deliver (juce::dsp::AudioBlock<float>& block, int blockChannels, int position, int n) noexcept;

    juce::AudioBuffer<float> chunk;
    SampleFifo output;
    int quantum = 1;
    int channels = 0;
    int gathered = 0; // samples of the current chunk already in
};
} // namespace tarn_dsp
