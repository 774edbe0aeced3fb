#include "PluginTestHelpers.h"

using namespace kaleidra::test;

namespace
{
struct LatencyCounter : juce::AudioProcessorListener
{
    void audioProcessorParameterChanged (juce::AudioProcessor*, int, float) override {}

    void audioProcessorChanged (juce::AudioProcessor*, const ChangeDetails& details) override
    {
        if (details.latencyChanged)
            ++latencyAnnouncements;
    }

    int latencyAnnouncements = 0;
};
} // namespace

TEST (Processor, FreshInstanceHasDefaultsNoModificationAndNoUndoHistory)
{
    PluginProcessor processor;

    for (auto* p : processor.getParameters())
        EXPECT_FLOAT_EQ (p->getValue(), p->getDefaultValue()) << p->getName (100);

    EXPECT_FLOAT_EQ (plainValue (processor, "1- Seg Mix"), 100.0f);
    EXPECT_FLOAT_EQ (plainValue (processor, "2- Seg Mix"), 0.0f);
    EXPECT_FLOAT_EQ (plainValue (processor, "3- Seg Mix"), 0.0f);
    EXPECT_FALSE (processor.isModified());
    EXPECT_FALSE (processor.wasStateLoaded());
    EXPECT_FALSE (processor.getUndoManager().canUndo());
    EXPECT_FALSE (processor.getUndoManager().canRedo());

    // The engine follows the defaults.
    auto& engine = processor.getEngine();
    EXPECT_EQ (engine.mode.index.load(), 0);

    for (int s = 0; s < 3; ++s)
    {
        EXPECT_EQ (engine.stages[(size_t) s]->segmentCount.value.load(), 31);
        EXPECT_FLOAT_EQ (engine.stages[(size_t) s]->segmentSize.getTargetLocked(), 11.0f);
        EXPECT_FLOAT_EQ (engine.stages[(size_t) s]->mix.getTargetLocked(), s == 0 ? 100.0f : 0.0f);
        EXPECT_FLOAT_EQ (engine.stages[(size_t) s]->tone.presence.load(), 75.0f);
    }
}

TEST (Processor, ReportsTheWholeDelayOnceAsLatency)
{
    PluginProcessor processor;
    LatencyCounter counter;
    processor.addListener (&counter);

    // Three stages of 213 and the feeder's 139 − 1.
    processor.prepareToPlay (48000.0, 512);
    EXPECT_EQ (processor.getLatencySamples(), 3 * 213 + 138);
    EXPECT_EQ (processor.getLatencySamples(),
               processor.getEngine().getTotalLatency() + processor.getFeeder().getLatency());
    EXPECT_EQ (counter.latencyAnnouncements, 1);

    // The host's block size changes nothing.
    processor.prepareToPlay (48000.0, 512);
    processor.prepareToPlay (48000.0, 2048);
    processor.prepareToPlay (48000.0, 1);
    EXPECT_EQ (processor.getLatencySamples(), 3 * 213 + 138);
    EXPECT_EQ (counter.latencyAnnouncements, 1);

    processor.prepareToPlay (44100.0, 512);
    EXPECT_EQ (processor.getLatencySamples(), 3 * 196 + 127);
    EXPECT_EQ (counter.latencyAnnouncements, 2);

    processor.removeListener (&counter);
}

TEST (Processor, OutputChannelsWithoutInputAreSilent)
{
    auto processor = makePreparedProcessor();
    auto buffer = makeNoise (4, 512, 1);
    juce::MidiBuffer midi;

    for (int i = 0; i < 8; ++i)
    {
        auto block = makeNoise (4, 512, (juce::uint32) i + 2);
        processor->processBlock (block, midi);
        EXPECT_EQ (block.getMagnitude (2, 0, 512), 0.0f);
        EXPECT_EQ (block.getMagnitude (3, 0, 512), 0.0f);
        EXPECT_TRUE (std::isfinite (block.getMagnitude (0, 0, 512)));
    }
}

TEST (Processor, EmptyBlockTouchesNothing)
{
    auto touched = makePreparedProcessor();
    auto fresh = makePreparedProcessor();
    juce::MidiBuffer midi;

    juce::AudioBuffer<float> noSamples (2, 0);
    touched->processBlock (noSamples, midi);
    juce::AudioBuffer<float> noChannels (0, 512);
    touched->processBlock (noChannels, midi);

    // Afterwards it behaves exactly like an instance that never saw the empty blocks.
    const auto input = makeNoise (2, 8 * 512, 3);
    EXPECT_TRUE (sameSamples (processInBlocks (*touched, input, 512), processInBlocks (*fresh, input, 512)));
}

TEST (Processor, BypassedBlockPassesDryInputAtTheLatencyThenResetsOnResume)
{
    auto processor = makePreparedProcessor();
    auto reference = makePreparedProcessor();
    const auto latency = processor->getLatencySamples();
    juce::MidiBuffer midi;

    // Some history in the engine first.
    processInBlocks (*processor, makeNoise (2, 6 * 512, 4), 512);

    // Bypassed: the input comes out delayed by exactly the latency.
    const auto dry = makeNoise (2, latency + 3 * 512, 5);
    juce::AudioBuffer<float> bypassed (2, dry.getNumSamples());
    {
        for (int start = 0; start < dry.getNumSamples(); start += 512)
        {
            const auto n = juce::jmin (512, dry.getNumSamples() - start);
            juce::AudioBuffer<float> chunk (2, n);

            for (int c = 0; c < 2; ++c)
                chunk.copyFrom (c, 0, dry, c, start, n);

            processor->processBlockBypassed (chunk, midi);

            for (int c = 0; c < 2; ++c)
                bypassed.copyFrom (c, start, chunk, c, 0, n);
        }
    }

    for (int c = 0; c < 2; ++c)
        for (int i = latency; i < dry.getNumSamples(); ++i)
            ASSERT_FLOAT_EQ (bypassed.getSample (c, i), dry.getSample (c, i - latency)) << c << " " << i;

    // The first normal block resets the engine: from then on it matches an instance with another
    // history that was reset explicitly, while one that was not reset does not match.
    processInBlocks (*reference, makeNoise (2, 9 * 512, 7), 512);
    auto notReset = makePreparedProcessor();
    processInBlocks (*notReset, makeNoise (2, 9 * 512, 7), 512);
    reference->reset();

    const auto input = makeNoise (2, 6 * 512, 6);
    const auto resumed = processInBlocks (*processor, input, 512);
    EXPECT_TRUE (sameSamples (resumed, processInBlocks (*reference, input, 512)));
    EXPECT_FALSE (sameSamples (resumed, processInBlocks (*notReset, input, 512)));
}

TEST (Processor, UserValuesInsideTheRangeApplyOthersResendTheText)
{
    PluginProcessor processor;
    RecordingLabelUpdater labels;
    processor.setLabelUpdater (&labels);
    labels.entries.clear();

    // Out of range: nothing changes, the current text comes back.
    processor.updateUserValue ("1- N Segs", 92.0f);
    EXPECT_FLOAT_EQ (plainValue (processor, "1- N Segs"), 31.0f);
    ASSERT_EQ (labels.entries.size(), 1u);
    EXPECT_EQ (labels.entries[0].text, "N: 31");
    EXPECT_EQ (labels.entries[0].type, 0);
    EXPECT_EQ (labels.entries[0].stage, 1);
    EXPECT_FALSE (processor.isModified());

    // The minimum is inside: applied, and the new text arrives through the parameter change.
    labels.entries.clear();
    processor.updateUserValue ("1- N Segs", 2.0f);
    EXPECT_FLOAT_EQ (plainValue (processor, "1- N Segs"), 2.0f);
    ASSERT_EQ (labels.entries.size(), 1u);
    EXPECT_EQ (labels.entries[0].text, "N: 2");
    EXPECT_TRUE (processor.isModified());

    // The same value again changes nothing and re-sends the text.
    labels.entries.clear();
    processor.updateUserValue ("1- N Segs", 2.0f);
    ASSERT_EQ (labels.entries.size(), 1u);
    EXPECT_EQ (labels.entries[0].text, "N: 2");

    const struct
    {
        const char* id;
        float value;
        bool applied;
        float expected;
    } cases[] = {
        { "Tone", 100.0f, true, 100.0f },        { "Tone", 100.5f, false, 100.0f },
        { "Tone", -0.01f, false, 100.0f },       { "2- Seg Size", 48.0f, true, 48.0f },
        { "2- Seg Size", 0.99f, false, 48.0f },  { "3- Seg Mix", 120.0f, true, 120.0f },
        { "3- Seg Mix", 120.5f, false, 120.0f }, { "3- Seg Mix", std::nanf (""), false, 120.0f },
        { "1- Seg Mix", 33.3f, true, 33.3f },    { "3- Seg Size", INFINITY, false, 11.0f },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (juce::String (c.id) + " " + juce::String (c.value));
        labels.entries.clear();
        processor.updateUserValue (c.id, c.value);
        EXPECT_NEAR (plainValue (processor, c.id), c.expected, 0.005f);
        ASSERT_EQ (labels.entries.size(), 1u);
        EXPECT_EQ (labels.entries[0].type, (int) parseParameterID (c.id).first);
    }

    // "Mode" takes the integer part, without a range test.
    processor.updateUserValue ("Mode", 1.7f);
    EXPECT_EQ (processor.getEngine().mode.index.load(), 1);
    processor.updateUserValue ("Mode", 0.2f);
    EXPECT_EQ (processor.getEngine().mode.index.load(), 0);

    // An unknown ID changes nothing and gets an empty text.
    labels.entries.clear();
    processor.updateUserValue ("Volume", 1.0f);
    ASSERT_EQ (labels.entries.size(), 1u);
    EXPECT_EQ (labels.entries[0].text, "");
    EXPECT_EQ (labels.entries[0].type, 5);
    EXPECT_EQ (labels.entries[0].stage, -1);

    processor.setLabelUpdater (nullptr);
}

TEST (Processor, ToggleStageSwitchesOffAndBackToTheRememberedMix)
{
    PluginProcessor processor;

    EXPECT_FALSE (processor.toggleStage (2)); // switched on at 90 %
    EXPECT_NEAR (plainValue (processor, "2- Seg Mix"), 90.0f, 1.0e-3f);
    EXPECT_TRUE (processor.toggleStage (2)); // off
    EXPECT_FLOAT_EQ (plainValue (processor, "2- Seg Mix"), 0.0f);
    EXPECT_FALSE (processor.toggleStage (2)); // on again
    EXPECT_NEAR (plainValue (processor, "2- Seg Mix"), 90.0f, 1.0e-3f);

    // Stage 1 comes back at the mix it had before it was switched off.
    processor.updateUserValue ("1- Seg Mix", 42.0f);
    EXPECT_TRUE (processor.toggleStage (1));
    EXPECT_FALSE (processor.toggleStage (1));
    EXPECT_NEAR (plainValue (processor, "1- Seg Mix"), 42.0f, 1.0e-3f);

    // Stages outside 1 to 3 are ignored.
    EXPECT_FALSE (processor.toggleStage (0));
    EXPECT_FALSE (processor.toggleStage (4));
}

TEST (Processor, LabelTextsOfTheEngineSettings)
{
    PluginProcessor processor;
    RecordingLabelUpdater labels;
    processor.setLabelUpdater (&labels);

    // Registering sends the whole set: Mode, then per stage N, size, mix and tone.
    ASSERT_EQ (labels.entries.size(), 13u);
    EXPECT_EQ (labels.entries[0].text, "Mode: Series");
    EXPECT_EQ (labels.entries[0].type, 4);
    EXPECT_EQ (labels.entries[0].stage, -1);

    const char* expected[] = { "N: 31", "Segment Size: 11.0\xc2\xb5s", "Mix: 100.0%", "Presence: 75.0%" };

    for (int stage = 1; stage <= 3; ++stage)
    {
        for (int t = 0; t < 4; ++t)
        {
            const auto& e = labels.entries[(size_t) (1 + (stage - 1) * 4 + t)];
            EXPECT_EQ (e.type, t);
            EXPECT_EQ (e.stage, stage);

            if (t == 2 && stage > 1)
                EXPECT_EQ (e.text, "Mix: 0.0%");
            else
                EXPECT_EQ (e.text, juce::String (juce::CharPointer_UTF8 (expected[t])));
        }
    }

    // A change on the message thread sends its text at once.
    labels.entries.clear();
    parameter (processor, "Mode").setValueNotifyingHost (1.0f);
    ASSERT_EQ (labels.entries.size(), 1u);
    EXPECT_EQ (labels.entries[0].text, "Mode: Parallel");

    processor.setLabelUpdater (nullptr);
    labels.entries.clear();
    parameter (processor, "Tone").setValueNotifyingHost (0.3f);
    EXPECT_TRUE (labels.entries.empty());
}
