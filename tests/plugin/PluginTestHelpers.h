#pragma once

#include "PluginProcessor.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <thread>
#include <vector>

namespace juce
{
// The framework's own "dispatch one message" step. The plug-in's code is built without modal
// loops, so the tests drive the message queue with this instead.
bool dispatchNextMessageOnSystemQueue (bool returnIfNoPendingMessages);
} // namespace juce

namespace kaleidra::test
{
// Runs the message loop until `done` is true or the time is up; returns `done`'s last answer.
inline bool pumpMessagesUntil (const std::function<bool()>& done, int timeoutMs = 5000)
{
    const auto deadline = juce::Time::getMillisecondCounterHiRes() + timeoutMs;

    while (!done())
    {
        if (juce::Time::getMillisecondCounterHiRes() > deadline)
            return false;

        if (!juce::dispatchNextMessageOnSystemQueue (true))
            juce::Thread::sleep (1);
    }

    return true;
}

// Runs the message loop for a while, for checks that nothing more arrives.
inline void pumpMessagesFor (int milliseconds)
{
    pumpMessagesUntil ([] { return false; }, milliseconds);
}

// Records every text the processor sends, with the thread it arrived on.
struct RecordingLabelUpdater final : tarn_gui::LabelUpdater
{
    struct Entry
    {
        juce::String text;
        int type, stage;
        bool onMessageThread;
    };

    void updateLabel (const juce::String& text, int type, int stage) override
    {
        entries.push_back ({ text, type, stage, juce::MessageManager::existsAndIsCurrentThread() });
    }

    std::vector<Entry> entries;
};

// A preset display (the editor's preset browser) that records what the processor tells it, with
// the thread each call arrived on.
struct RecordingPresetDisplay final : tarn_gui::PresetManager::PresetLoader::PresetDisplay
{
    void presetModifiedChanged (bool isModified) override
    {
        modifiedCalls.push_back ({ isModified, juce::MessageManager::existsAndIsCurrentThread() });
    }

    void selectNewEntry (juce::NotificationType) override
    {
        ++newEntrySelections;
    }

    std::vector<std::pair<bool, bool>> modifiedCalls; // value, on the message thread
    int newEntrySelections = 0;
};

// A processor prepared for stereo at the given rate and block size.
inline std::unique_ptr<PluginProcessor> makePreparedProcessor (double rate = 48000.0, int block = 512)
{
    auto processor = std::make_unique<PluginProcessor>();
    processor->setRateAndBufferSizeDetails (rate, block);
    processor->prepareToPlay (rate, block);
    return processor;
}

// Deterministic noise.
inline juce::AudioBuffer<float> makeNoise (int channels, int samples, juce::uint32 seed)
{
    juce::Random random ((juce::int64) seed);
    juce::AudioBuffer<float> buffer (channels, samples);

    for (int c = 0; c < channels; ++c)
        for (int i = 0; i < samples; ++i)
            buffer.setSample (c, i, random.nextFloat() - 0.5f);

    return buffer;
}

// Processes `input` in host blocks of the sizes blockAt (block index) gives, through processBlock
// or processBlockBypassed, and returns the concatenated output. `beforeBlock` runs before each
// block with its index.
inline juce::AudioBuffer<float> processInBlocks (PluginProcessor& processor,
                                                 const juce::AudioBuffer<float>& input,
                                                 const std::function<int (int)>& blockAt,
                                                 const std::function<void (int)>& beforeBlock = {},
                                                 bool bypassed = false)
{
    juce::AudioBuffer<float> output (input.getNumChannels(), input.getNumSamples());
    juce::MidiBuffer midi;

    for (int start = 0, index = 0; start < input.getNumSamples(); ++index)
    {
        if (beforeBlock)
            beforeBlock (index);

        const auto n = juce::jmin (juce::jmax (1, blockAt (index)), input.getNumSamples() - start);
        juce::AudioBuffer<float> chunk (input.getNumChannels(), n);

        for (int c = 0; c < input.getNumChannels(); ++c)
            chunk.copyFrom (c, 0, input, c, start, n);

        if (bypassed)
            processor.processBlockBypassed (chunk, midi);
        else
            processor.processBlock (chunk, midi);

        for (int c = 0; c < input.getNumChannels(); ++c)
            output.copyFrom (c, start, chunk, c, 0, n);

        start += n;
    }

    return output;
}

// The same in blocks of one size.
inline juce::AudioBuffer<float> processInBlocks (PluginProcessor& processor,
                                                 const juce::AudioBuffer<float>& input, int block)
{
    return processInBlocks (processor, input, [block] (int) { return block; });
}

inline bool sameSamples (const juce::AudioBuffer<float>& a, const juce::AudioBuffer<float>& b)
{
    if (a.getNumChannels() != b.getNumChannels() || a.getNumSamples() != b.getNumSamples())
        return false;

    for (int c = 0; c < a.getNumChannels(); ++c)
        if (std::memcmp (a.getReadPointer (c), b.getReadPointer (c),
                         sizeof (float) * (size_t) a.getNumSamples()) != 0)
            return false;

    return true;
}

// A host's play head: playing or stopped at a position, or with no position at all.
struct TestPlayHead final : juce::AudioPlayHead
{
    juce::Optional<PositionInfo> getPosition() const override
    {
        if (!hasPosition)
            return {};

        PositionInfo info;
        info.setIsPlaying (playing);
        info.setTimeInSamples (timeInSamples);
        return info;
    }

    bool playing = false;
    bool hasPosition = true;
    juce::int64 timeInSamples = 0;
};

inline juce::RangedAudioParameter& parameter (PluginProcessor& p, const juce::String& id)
{
    auto* result = p.getModelTree().getParameter (id);
    EXPECT_NE (result, nullptr) << id;
    return *result;
}

inline float plainValue (PluginProcessor& p, const juce::String& id)
{
    return p.getModelTree().getRawParameterValue (id)->load();
}
} // namespace kaleidra::test
