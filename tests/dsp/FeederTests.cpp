// The fixed-block feeder: the quantum per sample rate, chunks of exactly the quantum whatever the
// host's blocks, a delay of exactly quantum − 1, reset, channel counts that change.

#include "DspTestHelpers.h"

#include <gtest/gtest.h>

using namespace kaleidra::test;
using tarn_dsp::FixedBlockFeeder;

namespace
{
// Host block sizes of a kind: fixed, or a seeded random sequence (0) of 1 to 4096 samples.
std::function<int (int)> hostBlocks (int size)
{
    if (size > 0)
        return [size] (int) { return size; };
    auto random = std::make_shared<juce::Random> (57);
    return [random] (int)
    { return random->nextInt (8) == 0 ? 1 + random->nextInt (4096) : 1 + random->nextInt (300); };
}

// A chunk processor whose output depends on where the chunks start and how many came before:
// every sample is scaled by the chunk's number and shifted by its position in the chunk. Any
// difference in where the chunks fall shows in the output.
struct ChunkNumbering
{
    void operator() (juce::dsp::AudioBlock<float>& chunk)
    {
        sizes.push_back (static_cast<int> (chunk.getNumSamples()));
        ++count;
        for (size_t c = 0; c < chunk.getNumChannels(); ++c)
            for (size_t t = 0; t < chunk.getNumSamples(); ++t)
                chunk.getChannelPointer (c)[t] =
                    chunk.getChannelPointer (c)[t] * static_cast<float> (count) + static_cast<float> (t);
    }

    std::vector<int> sizes;
    int count = 0;
};

Signal feed (FixedBlockFeeder& feeder, const Signal& input, const std::function<int (int)>& blockSizeAt,
             ChunkNumbering& processor)
{
    Signal output = input;
    std::vector<float*> pointers (output.size());
    const int frames = static_cast<int> (input[0].size());
    for (int start = 0, block = 0; start < frames; ++block)
    {
        const int n = juce::jmin (blockSizeAt (block), frames - start);
        for (size_t c = 0; c < output.size(); ++c)
            pointers[c] = output[c].data() + start;
        juce::dsp::AudioBlock<float> audio (pointers.data(), output.size(), static_cast<size_t> (n));
        feeder.process (audio, processor);
        start += n;
    }
    return output;
}
} // namespace

TEST (FixedBlockFeeder, QuantumIsAboutThreeMillisecondsAtEveryRate)
{
    const std::pair<double, int> cases[] = { { 22050.0, 64 },   { 44100.0, 128 },      { 48000.0, 139 },
                                             { 88200.0, 256 },  { 96000.0, 279 },      { 176400.0, 512 },
                                             { 192000.0, 557 }, { 8000.0, 23 },        { 0.0, 128 },
                                             { -48000.0, 128 }, { std::nan (""), 128 } };
    for (const auto& [rate, quantum] : cases)
        EXPECT_EQ (FixedBlockFeeder::quantumFor (rate), quantum) << rate;
}

TEST (FixedBlockFeeder, ChunksAreTheQuantumAndTheDelayIsOneLessWhateverTheHostBlocks)
{
    // The identity in chunks: the output is the input delayed by exactly quantum − 1 samples.
    const int quantum = 139;
    const auto input = noise (2, 20000, 59);
    Signal firstOutput;
    for (const int size : { 1, 7, 64, 138, 139, 140, 441, 512, 4096, 0 })
    {
        FixedBlockFeeder feeder;
        feeder.prepare (2, quantum);
        ASSERT_EQ (feeder.getLatency(), quantum - 1);

        ChunkNumbering numbering;
        const auto output = feed (feeder, input, hostBlocks (size), numbering);
        EXPECT_EQ (numbering.count, 20000 / quantum) << size;
        for (const int n : numbering.sizes)
            ASSERT_EQ (n, quantum) << size;
        EXPECT_EQ (feeder.readsPastFill(), 0) << size;

        // Chunk k (from 1) of the input lands at its own place in the output, whatever the cut.
        for (size_t c = 0; c < 2; ++c)
            for (int t = 0; t < quantum * numbering.count && t + quantum - 1 < 20000; ++t)
                ASSERT_EQ (output[c][static_cast<size_t> (t + quantum - 1)],
                           input[c][static_cast<size_t> (t)] * static_cast<float> (t / quantum + 1) +
                               static_cast<float> (t % quantum))
                    << size << " frame " << t;
        for (size_t c = 0; c < 2; ++c)
            for (int t = 0; t < quantum - 1; ++t)
                ASSERT_EQ (output[c][static_cast<size_t> (t)], 0.0f) << size;

        if (firstOutput.empty())
            firstOutput = output;
        EXPECT_EQ (output, firstOutput) << "host blocks of " << size;
    }
}

TEST (FixedBlockFeeder, ResetDropsWhatIsInFlight)
{
    const int quantum = 64;
    FixedBlockFeeder feeder;
    feeder.prepare (1, quantum);
    ChunkNumbering numbering;
    const auto input = noise (1, 1000, 61);
    feed (feeder, input, hostBlocks (100), numbering);

    // After a reset the output starts again with quantum − 1 zeros, then the new input.
    feeder.reset();
    ChunkNumbering afterReset;
    const auto output = feed (feeder, input, hostBlocks (37), afterReset);
    for (int t = 0; t < quantum - 1; ++t)
        ASSERT_EQ (output[0][static_cast<size_t> (t)], 0.0f);
    EXPECT_EQ (output[0][static_cast<size_t> (quantum - 1)], input[0][0]);
    EXPECT_EQ (feeder.readsPastFill(), 0);
}

TEST (FixedBlockFeeder, ChannelCountsThatChangeStayInStep)
{
    // Blocks with fewer channels than prepared keep the missing channels in step (silence in,
    // output dropped); channels beyond the prepared ones are left alone.
    const int quantum = 32, frames = 400;
    FixedBlockFeeder feeder;
    feeder.prepare (2, quantum);
    auto identity = [] (juce::dsp::AudioBlock<float>&) {};

    auto signal = noise (3, frames, 63);
    const auto original = signal;
    std::vector<bool> twoChannels (static_cast<size_t> (frames));
    for (int start = 0, block = 0; start < frames; ++block)
    {
        const int n = juce::jmin (1 + block * 7 % 50, frames - start);
        float* pointers[] = { signal[0].data() + start, signal[1].data() + start, signal[2].data() + start };
        const size_t channels = block % 3 == 0 ? 1 : 3;
        for (int t = start; t < start + n; ++t)
            twoChannels[static_cast<size_t> (t)] = channels > 1;
        juce::dsp::AudioBlock<float> audio (pointers, channels, static_cast<size_t> (n));
        feeder.process (audio, identity);
        start += n;
    }

    EXPECT_EQ (signal[2], original[2]);
    for (int t = quantum - 1; t < frames; ++t)
    {
        const auto at = static_cast<size_t> (t), from = static_cast<size_t> (t - quantum + 1);
        ASSERT_EQ (signal[0][at], original[0][from]) << t;
        if (twoChannels[at])
            ASSERT_EQ (signal[1][at], twoChannels[from] ? original[1][from] : 0.0f) << t;
        else
            ASSERT_EQ (signal[1][at], original[1][at]) << t;
    }
    EXPECT_EQ (feeder.readsPastFill(), 0);
}
