// How the processor feeds the engine: one latency per sample rate whatever the host's block size,
// the same output for every way the host cuts the stream, resets at playback starts, and no
// allocation or empty queue on the audio thread while the blocks vary.

#include "PluginTestHelpers.h"
#include "support/AllocationGuard.h"

using namespace kaleidra::test;

namespace
{
// Host block sizes: fixed, or a seeded random sequence (size 0) of 1 to 4096 samples.
std::function<int (int)> hostBlocks (int size, juce::int64 seed = 71)
{
    if (size > 0)
        return [size] (int) { return size; };

    auto random = std::make_shared<juce::Random> (seed);
    return [random] (int)
    { return random->nextInt (6) == 0 ? 1 + random->nextInt (4096) : 1 + random->nextInt (700); };
}

void setPlain (PluginProcessor& processor, const juce::String& id, float plain)
{
    auto& p = parameter (processor, id);
    p.setValueNotifyingHost (p.convertTo0to1 (plain));
}

// Parallel, all three stages audible at different settings.
void useAllStages (PluginProcessor& processor)
{
    setPlain (processor, "Mode", 1.0f);
    setPlain (processor, "2- Seg Mix", 60.0f);
    setPlain (processor, "2- N Segs", 5.0f);
    setPlain (processor, "2- Seg Size", 3.0f);
    setPlain (processor, "3- Seg Mix", 120.0f);
    setPlain (processor, "3- N Segs", 91.0f);
    setPlain (processor, "3- Seg Size", 48.0f);
}

std::int64_t queueReadsPastFill (PluginProcessor& processor)
{
    auto& engine = processor.getEngine();
    auto total = engine.dryDelay.readsPastFill + engine.parallelDelay.readsPastFill +
                 processor.getFeeder().readsPastFill();

    for (const auto& stage : engine.stages)
        total += stage->inputFifo.readsPastFill + stage->outputFifo.readsPastFill;

    return total;
}
} // namespace

TEST (Feed, OneLatencyPerSampleRateWhateverTheHostBlock)
{
    // Three stage delays of 2 + ⌊92 × 48 µs × fs + 1/64⌋ and the feeder's quantum − 1.
    const std::pair<double, int> cases[] = { { 22050.0, 3 * 99 + 63 },   { 44100.0, 3 * 196 + 127 },
                                             { 48000.0, 3 * 213 + 138 }, { 88200.0, 3 * 391 + 255 },
                                             { 96000.0, 3 * 425 + 278 }, { 192000.0, 3 * 849 + 556 } };

    for (const auto& [rate, latency] : cases)
        for (const int block : { 1, 64, 512, 2048, 4096 })
        {
            PluginProcessor processor;
            processor.setRateAndBufferSizeDetails (rate, block);
            processor.prepareToPlay (rate, block);
            EXPECT_EQ (processor.getLatencySamples(), latency) << rate << " Hz, block " << block;
            EXPECT_EQ (processor.getEngine().maxBlockSize, tarn_dsp::FixedBlockFeeder::quantumFor (rate));

            // At most 20 ms where most sessions run.
            if (rate == 44100.0 || rate == 48000.0)
            {
                EXPECT_LE (latency, (int) (0.020 * rate)) << rate;
            }
        }
}

TEST (Feed, OutputIsBitIdenticalForEveryWayTheHostCutsTheStream)
{
    // Prepared for 512, then given blocks of 1 up to 4096 (larger than prepared too), fixed and
    // changing from block to block: with the parameters at rest, every sample is the same.
    for (const double rate : { 44100.0, 96000.0 })
        for (const bool allStages : { false, true })
        {
            const auto input = makeNoise (2, (int) rate, 73);
            juce::AudioBuffer<float> first;

            for (const int size : { 512, 1, 7, 64, 441, 4096, 0 })
            {
                auto processor = makePreparedProcessor (rate, 512);
                if (allStages)
                    useAllStages (*processor);
                processor->reset();

                const auto output = processInBlocks (*processor, input, hostBlocks (size));
                EXPECT_GT (output.getRMSLevel (0, processor->getLatencySamples(),
                                               output.getNumSamples() - processor->getLatencySamples()),
                           0.01f);

                if (first.getNumSamples() == 0)
                    first = output;
                else
                    EXPECT_TRUE (sameSamples (output, first))
                        << rate << " Hz, " << (allStages ? "all stages" : "defaults") << ", host blocks of "
                        << (size > 0 ? juce::String (size) : juce::String ("random sizes"));
            }
        }
}

TEST (Transport, PlaybackStartRendersAsFromAFreshInstance)
{
    // A processor with a history: it played other material, then ran with the transport stopped
    // (input still arriving, as while monitoring), then playback starts. From that block on, its
    // output is exactly a fresh instance's, whatever the host blocks; nothing of the earlier
    // material comes through.
    const auto earlier = makeNoise (2, 30000, 75);
    const auto clip = makeNoise (2, 40000, 77);

    auto fresh = makePreparedProcessor (48000.0, 512);
    TestPlayHead freshHead;
    fresh->setPlayHead (&freshHead);
    freshHead.playing = true;
    const auto expected = processInBlocks (*fresh, clip, 512);

    const auto withHistory = [&] (TestPlayHead* head)
    {
        auto processor = makePreparedProcessor (48000.0, 512);
        processor->setPlayHead (head);
        const auto setPlaying = [head] (bool playing)
        {
            if (head != nullptr)
                head->playing = playing;
        };

        setPlaying (true);
        processInBlocks (*processor, earlier, hostBlocks (0, 79));
        setPlaying (false);
        processInBlocks (*processor, makeNoise (2, 3000, 81), 100);
        setPlaying (true);
        return processInBlocks (*processor, clip, hostBlocks (0, 83));
    };

    TestPlayHead head;
    EXPECT_TRUE (sameSamples (withHistory (&head), expected));

    // A host without a play head, or one whose play head knows no position, keeps what came
    // before: only prepare and reset start afresh there.
    EXPECT_FALSE (sameSamples (withHistory (nullptr), expected));
    TestPlayHead noPosition;
    noPosition.hasPosition = false;
    EXPECT_FALSE (sameSamples (withHistory (&noPosition), expected));
}

TEST (Transport, AJumpWhilePlayingCarriesOn)
{
    // A loop: the position jumps back every 40 blocks while playing. Nothing resets (a reset
    // would silence the output for the latency), so the output equals a run without jumps.
    const auto input = makeNoise (2, 48000, 85);

    const auto run = [&input] (bool looping, bool stopAtTheJumps)
    {
        auto processor = makePreparedProcessor (48000.0, 256);
        TestPlayHead head;
        head.playing = true;
        processor->setPlayHead (&head);
        auto output = processInBlocks (*processor, input, hostBlocks (256),
                                       [&head, looping, stopAtTheJumps] (int block)
                                       {
                                           head.timeInSamples = looping ? (block % 40) * 256 : block * 256;
                                           head.playing = !(stopAtTheJumps && block % 40 == 39);
                                       });
        processor->setPlayHead (nullptr);
        return output;
    };

    const auto straight = run (false, false);
    EXPECT_TRUE (sameSamples (run (true, false), straight));
    // The same transport stopping for one block before each jump does restart (the check
    // above would see it).
    EXPECT_FALSE (sameSamples (run (true, true), straight));
}

TEST (Feed, AudioThreadNeverAllocatesOrRunsDryWhileBlocksVaryAndPlaybackRestarts)
{
    auto processor = makePreparedProcessor (44100.0, 512);
    useAllStages (*processor);
    TestPlayHead head;
    processor->setPlayHead (&head);

    juce::AudioBuffer<float> storage (2, 4096);
    const auto input = makeNoise (2, 4096, 87);
    auto blockAt = hostBlocks (0, 89);
    std::vector<int> sizes;
    for (int i = 0; i < 600; ++i)
        sizes.push_back (blockAt (i));

    juce::MidiBuffer midi;
    size_t allocations = 0;
    {
        AllocationGuard guard;

        for (size_t i = 0; i < sizes.size(); ++i)
        {
            // Playback stops and starts again now and then; some blocks arrive bypassed.
            head.playing = i % 37 < 30;
            storage.copyFrom (0, 0, input, 0, 0, sizes[i]);
            storage.copyFrom (1, 0, input, 1, 0, sizes[i]);
            juce::AudioBuffer<float> block (storage.getArrayOfWritePointers(), 2, sizes[i]);

            if (i % 53 == 52)
                processor->processBlockBypassed (block, midi);
            else
                processor->processBlock (block, midi);
        }

        allocations = guard.allocations();
    }

    EXPECT_EQ (allocations, 0u);
    EXPECT_EQ (queueReadsPastFill (*processor), 0);
    EXPECT_TRUE (std::isfinite (storage.getMagnitude (0, 4096)));
    processor->setPlayHead (nullptr);
}
