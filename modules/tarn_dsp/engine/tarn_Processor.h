#pragma once

namespace tarn_dsp
{
// Common base of the engine's processing classes (filters and the multistage engine).
//
// Input and output blocks may describe the same memory (in-place processing). The owner holds
// `lock` around every whole-object operation; prepareLocked and resetLocked take it themselves.
template <typename T>
class Processor
{
public:
    Processor() = default;
    virtual ~Processor() = default;

    Processor (const Processor&) = delete;
    Processor& operator= (const Processor&) = delete;

    // Virtual operations, in this order.
    virtual void processBypassed (const juce::dsp::AudioBlock<T>& input,
                                  juce::dsp::AudioBlock<T>& output) = 0;
    virtual void process (const juce::dsp::AudioBlock<T>& input, juce::dsp::AudioBlock<T>& output) = 0;
    virtual void prepare (const juce::dsp::ProcessSpec& spec) = 0;
    virtual void reset() = 0;

    // Takes `lock`, stores the sample rate, prepares and resets.
    void prepareLocked (const juce::dsp::ProcessSpec& spec)
    {
        const juce::SpinLock::ScopedLockType scoped (lock);
        sampleRate = static_cast<T> (spec.sampleRate);
        prepare (spec);
        reset();
    }

    // Takes `lock` and resets.
    void resetLocked()
    {
        const juce::SpinLock::ScopedLockType scoped (lock);
        reset();
    }

    T sampleRate = static_cast<T> (44100);
    juce::SpinLock lock;
};
} // namespace tarn_dsp
