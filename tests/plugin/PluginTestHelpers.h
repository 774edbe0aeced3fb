#pragma once

#include "PluginProcessor.h"

#include <gtest/gtest.h>

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
