#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

namespace tarn_dsp
{
// Text helpers shared by the holders: "name: value unit" with the name part left out when the
// name is empty, and the unit written directly after the number.
juce::String formatFixed (double value, int decimals);
juce::String holderText (const juce::String& name, const juce::String& valueText, const juce::String& unit);

//==============================================================================================
// A continuous value with a linear 75 ms ramp. Writers (setTarget, reset, prepare) may run on any
// thread and wait for the holder's flags; the audio thread (fillRamp, advanceBlock and the
// non-waiting queries) never waits and gives up when a flag is busy.
//
// Variant 0 stores the ramped value unchanged as the engine-side value; variant 1 passes it
// through the virtual `convert` first.
//
// Threading: `current`, `target`, `step`, `remaining`, `rampSeconds`, `sampleRate` and
// `rampLength` are only touched while `lockFlag` is held. `rampBuffer` and `rampLast` belong to
// whoever holds `rampLock`: the audio thread between a successful fillRamp/advanceBlock and
// releaseRamp, or prepare.
template <typename T, int Variant>
class FloatArg_v2
{
public:
    static_assert (Variant == 0 || Variant == 1, "FloatArg_v2 variants are 0 (raw) and 1 (converted)");

    // Starts at rest at `initialValue` (current = target = output). Variant 1 holders are built
    // at 1 and placed at their real value by their owner with setAtRest, once the derived
    // class's conversion is available.
    explicit FloatArg_v2 (T initialValue = T (1), juce::String name = "Value", juce::String unit = {});
    virtual ~FloatArg_v2() = default;

    FloatArg_v2 (const FloatArg_v2&) = delete;
    FloatArg_v2& operator= (const FloatArg_v2&) = delete;

    // Virtual operations, in this order.
    // "name: target unit" with `decimals` digits after the point. Message thread: waits for
    // the value lock to read the target.
    virtual juce::String toString (int decimals);
    // The engine-side value of a user value (identity here).
    virtual T convert (T value)
    {
        return value;
    }
    // Called at the end of reset.
    virtual void onReset() {}

    // Any thread. Starts a ramp from `current` to x over the full ramp length; returns true when
    // the target changed.
    bool setTarget (T x);

    // Audio thread: setTarget without waiting. Returns -1 when the value lock was busy (nothing
    // changed), 0 when x already was the target, 1 when a ramp to x started.
    int trySetTarget (T x);

    // Any thread: waits for the value lock and reads the target (the value the ramp moves to).
    T getTargetLocked();

    // Sets the ramp duration; returns true when it cut a running ramp short (which it always
    // does: a running ramp finishes at once). Takes the value lock.
    bool setRampTime (double newSampleRate, double seconds);

    // Message thread: makes rampBuffer hold at least `capacity` values, so that the audio thread
    // never allocates. Waits while the audio thread uses the buffer.
    void prepare (int capacity);

    // Under the owning processor's lock: recomputes the ramp length for the sample rate and
    // finishes a running ramp (output then becomes the engine-side target).
    void reset (double newSampleRate);

    // Audio thread, once per block: fills rampBuffer with the engine-side values of the next n
    // ramp steps (one value, `output`, when at rest). Returns false, without waiting, when it
    // did not run. After a true return the caller reads rampBuffer and calls releaseRamp.
    bool fillRamp (int n);

    // Audio thread, once per block: advances the ramp by n samples and leaves one value in
    // rampBuffer[0] (variant 1: the value after n samples; variant 0: the value after the first
    // sample, while `output` moves to the end of the block). Same return rule as fillRamp.
    bool advanceBlock (int n);

    // Audio thread: the caller is done with rampBuffer.
    void releaseRamp() noexcept;

    // Audio thread, never waits: whether the holder is at rest at the user value v (with the
    // value lock busy: whether `output` equals v's engine-side value).
    bool isAtRest (T v) noexcept;

    // Audio thread, never waits: whether the holder is ramping or its value differs from
    // `applied` (with the value lock busy: whether `output` differs from it).
    bool differsFrom (T applied) noexcept;

    // The value the audio thread uses for sample `index` of this block: rampBuffer while a
    // filled buffer is held, `output` otherwise.
    T valueAt (int index) const noexcept;

    // Construction-time helper (no other thread may use the holder yet): places the holder at
    // rest at v, output = its engine-side value.
    void setAtRest (T v);

    // The engine-side value of a user value.
    T engineValue (T v)
    {
        if constexpr (Variant == 1)
            return convert (v);
        else
            return v;
    }

    //==========================================================================================
    std::atomic<std::uint8_t> lockFlag{ 0 };
    int lockSleepMs = 1;
    std::atomic<std::uint8_t> rampActive{ 0 };
    T current;
    T target;
    T step = T (0);
    T rampSeconds = T (0.075);
    T sampleRate = T (44100);
    int rampLength = 3308;
    int remaining = 0;
    std::atomic<T> output;
    juce::String name;
    juce::String unit;
    std::atomic<std::uint8_t> rampLock{ 0 };
    int rampLockSleepMs = 1;
    std::vector<T> rampBuffer;
    int rampLast = 0;

protected:
    bool tryLock() noexcept;
    void lockWaiting() noexcept;
    void unlock() noexcept;
    void stepOnce() noexcept;
    void advanceSteps (int count) noexcept;
    bool setRampTimeUnlocked (double newSampleRate, double seconds) noexcept;
    bool beginBlock (int n) noexcept;
};

//==============================================================================================
// A percentage whose engine-side value is a fraction (value × 0.01).
template <typename T>
class PercentArg_v2 : public FloatArg_v2<T, 1>
{
public:
    explicit PercentArg_v2 (juce::String name = "Value");

    T convert (T value) override
    {
        return value * T (0.01);
    }
};

//==============================================================================================
// An integer value (no ramp).
class IntArg
{
public:
    explicit IntArg (int initialValue = 0, juce::String name = "Value", juce::String unit = {});

    // "name: value unit", for example "N: 31".
    juce::String toString() const;

    std::atomic<int> value;
    juce::String name;
    juce::String unit;
};

//==============================================================================================
// A choice among a fixed list of option texts (no ramp).
class ChoiceArg
{
public:
    ChoiceArg (const juce::StringArray& options, juce::String name = "Value", juce::String unit = {});

    // The text of the current option; empty when `index` is out of range.
    juce::String currentOption() const;

    // "name: option unit", for example "Mode: Series".
    juce::String toString() const;

    std::atomic<int> index{ 0 };
    const juce::StringArray options;
    const int optionCount;
    juce::String name;
    juce::String unit;
};

// The process-wide list of mode options: "Series", "Parallel".
const juce::StringArray& getModeOptions();

extern template class FloatArg_v2<float, 0>;
extern template class FloatArg_v2<float, 1>;
extern template class PercentArg_v2<float>;
} // namespace tarn_dsp
