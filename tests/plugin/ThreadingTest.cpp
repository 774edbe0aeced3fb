#include "PluginTestHelpers.h"
#include "support/AllocationGuard.h"

#include <atomic>

using namespace kaleidra::test;

namespace
{
// Runs `fn` on a thread of its own (the host's audio thread, say) and waits for it.
template <typename Fn>
void onOtherThread (Fn&& fn)
{
    std::thread thread (std::forward<Fn> (fn));
    thread.join();
}

size_t countOf (const RecordingLabelUpdater& labels, int type, int stage)
{
    size_t n = 0;

    for (const auto& e : labels.entries)
        if (e.type == type && e.stage == stage)
            ++n;

    return n;
}
} // namespace

TEST (Threading, OneAutomatedChangeGivesExactlyOneTextOnTheMessageThread)
{
    PluginProcessor processor;
    RecordingLabelUpdater labels;
    processor.setLabelUpdater (&labels);
    labels.entries.clear();

    const float mixes[] = { 50.0f, 12.5f, 0.0f, 120.0f };

    for (auto mix : mixes)
    {
        onOtherThread ([&] { parameter (processor, "2- Seg Mix").setValueNotifyingHost (mix / 120.0f); });

        // Nothing is delivered on the automating thread itself.
        ASSERT_TRUE (pumpMessagesUntil ([&] { return !labels.entries.empty(); }));
        pumpMessagesFor (3 * PluginProcessor::deliveryIntervalMs);

        ASSERT_EQ (labels.entries.size(), 1u) << mix;
        EXPECT_EQ (labels.entries[0].type, 2);
        EXPECT_EQ (labels.entries[0].stage, 2);
        EXPECT_TRUE (labels.entries[0].onMessageThread);
        EXPECT_EQ (labels.entries[0].text, "Mix: " + juce::String (mix, 1) + "%");
        labels.entries.clear();
    }

    processor.setLabelUpdater (nullptr);
}

TEST (Threading, ManyChangesBetweenDeliveriesAreCoalescedToTheLatestValue)
{
    PluginProcessor processor;
    RecordingLabelUpdater labels;
    processor.setLabelUpdater (&labels);
    labels.entries.clear();

    onOtherThread (
        [&]
        {
            for (int i = 0; i <= 200; ++i)
            {
                parameter (processor, "Tone").setValueNotifyingHost ((float) i / 200.0f);
                parameter (processor, "1- N Segs").setValueNotifyingHost ((float) (i % 90) / 89.0f);
            }
        });

    ASSERT_TRUE (
        pumpMessagesUntil ([&] { return countOf (labels, 3, -1) == 1 && countOf (labels, 0, 1) == 1; }));
    pumpMessagesFor (3 * PluginProcessor::deliveryIntervalMs);

    ASSERT_EQ (labels.entries.size(), 2u);

    for (const auto& e : labels.entries)
        EXPECT_EQ (e.text, e.type == 3 ? "Presence: 100.0%" : "N: 22"); // the last values sent

    processor.setLabelUpdater (nullptr);
}

TEST (Threading, ModifiedFlagFromTheAudioThreadReachesTheDisplayOnTheMessageThread)
{
    PluginProcessor processor;
    RecordingPresetDisplay display;
    processor.setDisplay (&display);
    const auto& told = display.modifiedCalls;

    onOtherThread (
        [&]
        {
            for (int i = 0; i < 50; ++i)
                parameter (processor, "3- Seg Size").setValueNotifyingHost ((float) i / 50.0f);
        });

    EXPECT_TRUE (processor.isModified());
    ASSERT_TRUE (pumpMessagesUntil ([&] { return !told.empty(); }));
    pumpMessagesFor (200);
    ASSERT_EQ (told.size(), 1u);
    EXPECT_TRUE (told[0].first);
    EXPECT_TRUE (told[0].second);
    processor.setDisplay (nullptr);
}

TEST (Threading, PendingTextsNeverReachADestroyedProcessorOrReceiver)
{
    RecordingLabelUpdater labels;

    for (int round = 0; round < 5; ++round)
    {
        auto processor = std::make_unique<PluginProcessor>();
        processor->setLabelUpdater (&labels);
        labels.entries.clear();

        onOtherThread ([&] { parameter (*processor, "1- Seg Mix").setValueNotifyingHost (0.25f); });

        // Destroyed with the text still pending: nothing may arrive afterwards.
        processor.reset();
        pumpMessagesFor (5 * PluginProcessor::deliveryIntervalMs);
        EXPECT_TRUE (labels.entries.empty());
    }

    // A receiver that unregisters (as an editor does when it closes) gets nothing more either.
    PluginProcessor processor;
    processor.setLabelUpdater (&labels);
    onOtherThread ([&] { parameter (processor, "2- Seg Size").setValueNotifyingHost (0.5f); });
    processor.setLabelUpdater (nullptr);
    labels.entries.clear();
    pumpMessagesFor (5 * PluginProcessor::deliveryIntervalMs);
    EXPECT_TRUE (labels.entries.empty());
}

TEST (Threading, AudioThreadNeverAllocatesWhileAutomationRuns)
{
    auto processor = makePreparedProcessor (48000.0, 256);
    RecordingLabelUpdater labels;
    processor->setLabelUpdater (&labels);

    // Every stage audible, so that the whole engine runs.
    processor->updateUserValue ("2- Seg Mix", 50.0f);
    processor->updateUserValue ("3- Seg Mix", 70.0f);

    const auto input = makeNoise (2, 256, 21);
    std::atomic<bool> stop{ false };
    std::atomic<size_t> allocations{ 0 };
    std::atomic<int> blocks{ 0 };
    std::atomic<bool> finite{ true };

    // A second thread automates as well, like a host's automation thread.
    std::thread automation (
        [&]
        {
            juce::Random random (5);

            while (!stop)
            {
                for (const auto& id : parameterIDsInOrder())
                    parameter (*processor, id).setValueNotifyingHost (random.nextFloat());

                std::this_thread::yield();
            }
        });

    std::thread audio (
        [&]
        {
            juce::AudioBuffer<float> buffer (2, 256);
            juce::MidiBuffer midi;
            juce::Random random (9);
            buffer.makeCopyOf (input); // sized before the guard
            auto& mix2 = parameter (*processor, "2- Seg Mix");
            auto& segments1 = parameter (*processor, "1- N Segs");
            auto& modeParameter = parameter (*processor, "Mode");

            AllocationGuard guard;

            for (int i = 0; i < 400; ++i)
            {
                // Host automation on the audio thread, between and inside blocks.
                mix2.setValueNotifyingHost (random.nextFloat());
                segments1.setValueNotifyingHost (random.nextFloat());
                modeParameter.setValueNotifyingHost (random.nextBool() ? 1.0f : 0.0f);

                for (int c = 0; c < 2; ++c)
                    buffer.copyFrom (c, 0, input, c, 0, 256);

                if (i % 50 == 49)
                    processor->processBlockBypassed (buffer, midi);
                else
                    processor->processBlock (buffer, midi);

                if (!std::isfinite (buffer.getMagnitude (0, 256)))
                    finite = false;

                ++blocks;
            }

            allocations = guard.allocations();
        });

    // The message thread keeps delivering texts meanwhile.
    pumpMessagesUntil ([&] { return blocks.load() >= 400; }, 120000);
    audio.join();
    stop = true;
    automation.join();

    EXPECT_EQ (blocks.load(), 400);
    EXPECT_EQ (allocations.load(), 0u);
    EXPECT_TRUE (finite.load());

    processor->setLabelUpdater (nullptr);
}
