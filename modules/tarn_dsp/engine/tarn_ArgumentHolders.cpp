#include <chrono>
#include <locale>
#include <sstream>
#include <thread>

namespace tarn_dsp
{
juce::String formatFixed (double value, int decimals)
{
    std::ostringstream stream;
    stream.imbue (std::locale::classic());
    stream.setf (std::ios::fixed, std::ios::floatfield);
    stream.precision (juce::jlimit (0, 12, decimals));
    stream << value;
    return juce::String (stream.str());
}

juce::String holderText (const juce::String& name, const juce::String& valueText, const juce::String& unit)
{
    juce::String text;
    if (name.isNotEmpty())
        text << name << ": ";
    text << valueText << unit;
    return text;
}

//==============================================================================================
template <typename T, int Variant>
FloatArg_v2<T, Variant>::FloatArg_v2 (T initialValue, juce::String nameToUse, juce::String unitToUse)
    : current (initialValue)
    , target (initialValue)
    , output (initialValue)
    , name (std::move (nameToUse))
    , unit (std::move (unitToUse))
{
    // Mark both as unset so that the first setRampTime computes the ramp length.
    rampSeconds = T (-1);
    sampleRate = T (-1);
    setRampTimeUnlocked (44100.0, 0.075);
}

template <typename T, int Variant>
bool FloatArg_v2<T, Variant>::tryLock() noexcept
{
    return lockFlag.exchange (1, std::memory_order_acquire) == 0;
}

template <typename T, int Variant>
void FloatArg_v2<T, Variant>::lockWaiting() noexcept
{
    for (int attempt = 0;; ++attempt)
    {
        if (lockFlag.load (std::memory_order_relaxed) == 0 && tryLock())
            return;

        // Holders are held for a few hundred nanoseconds at most: retry a few times before
        // sleeping.
        if (attempt < 16)
            std::this_thread::yield();
        else
            std::this_thread::sleep_for (std::chrono::milliseconds (juce::jmax (1, lockSleepMs)));
    }
}

template <typename T, int Variant>
void FloatArg_v2<T, Variant>::unlock() noexcept
{
    lockFlag.store (0, std::memory_order_release);
}

template <typename T, int Variant>
void FloatArg_v2<T, Variant>::stepOnce() noexcept
{
    if (remaining > 0)
    {
        --remaining;
        current += step;
        if (remaining == 0)
            current = target;
    }
}

template <typename T, int Variant>
void FloatArg_v2<T, Variant>::advanceSteps (int count) noexcept
{
    // Step by step: the running sum is what the ramp is defined by.
    for (int i = 0; i < count && remaining > 0; ++i)
        stepOnce();
}

template <typename T, int Variant>
bool FloatArg_v2<T, Variant>::setTarget (T x)
{
    lockWaiting();
    if (x == target)
    {
        unlock();
        return false;
    }

    target = x;
    if (x != current)
    {
        remaining = rampLength;
        step = (x - current) / static_cast<T> (rampLength);
    }
    else
    {
        remaining = 0;
    }

    unlock();
    return true;
}

template <typename T, int Variant>
int FloatArg_v2<T, Variant>::trySetTarget (T x)
{
    if (!tryLock())
        return -1;

    if (x == target)
    {
        unlock();
        return 0;
    }

    target = x;
    if (x != current)
    {
        remaining = rampLength;
        step = (x - current) / static_cast<T> (rampLength);
    }
    else
    {
        remaining = 0;
    }

    unlock();
    return 1;
}

template <typename T, int Variant>
T FloatArg_v2<T, Variant>::getTargetLocked()
{
    lockWaiting();
    const T value = target;
    unlock();
    return value;
}

template <typename T, int Variant>
bool FloatArg_v2<T, Variant>::setRampTimeUnlocked (double newSampleRate, double seconds) noexcept
{
    bool changed = false;

    const auto rate = static_cast<T> (newSampleRate);
    if (rate != sampleRate)
    {
        sampleRate = rate;
        changed = true;
    }

    const auto duration = static_cast<T> (seconds);
    if (duration != rampSeconds)
    {
        rampSeconds = duration;
        changed = true;
    }

    if (changed)
    {
        const T samples = sampleRate * rampSeconds + T (1);
        // A ramp is at least one sample long, whatever rate or duration arrived.
        rampLength = samples >= T (1) && samples < T (1.0e9) ? static_cast<int> (samples) : 1;
    }

    if (remaining >= 1)
    {
        current = target;
        remaining = 0;
        return true;
    }

    return false;
}

template <typename T, int Variant>
bool FloatArg_v2<T, Variant>::setRampTime (double newSampleRate, double seconds)
{
    lockWaiting();
    const bool cut = setRampTimeUnlocked (newSampleRate, seconds);
    unlock();
    return cut;
}

template <typename T, int Variant>
void FloatArg_v2<T, Variant>::prepare (int capacity)
{
    for (;;)
    {
        if (rampLock.exchange (1, std::memory_order_acquire) == 0)
            break;
        std::this_thread::sleep_for (std::chrono::milliseconds (juce::jmax (1, rampLockSleepMs)));
    }

    const auto wanted = static_cast<size_t> (juce::jmax (1, capacity));
    if (rampBuffer.size() < wanted)
        rampBuffer.resize (wanted, T (0));

    rampLock.store (0, std::memory_order_release);
}

template <typename T, int Variant>
void FloatArg_v2<T, Variant>::reset (double newSampleRate)
{
    lockWaiting();
    if (setRampTimeUnlocked (newSampleRate, 0.075))
        output.store (engineValue (target), std::memory_order_relaxed);
    onReset();
    unlock();
}

template <typename T, int Variant>
bool FloatArg_v2<T, Variant>::beginBlock (int n) noexcept
{
    if (n < 1 || lockFlag.load (std::memory_order_relaxed) != 0 || !tryLock())
        return false;

    if (rampLock.exchange (1, std::memory_order_acquire) != 0)
    {
        unlock();
        return false;
    }

    if (rampBuffer.empty()) // never prepared: there is nowhere to put the values
    {
        rampLock.store (0, std::memory_order_release);
        unlock();
        return false;
    }

    rampActive.store (1, std::memory_order_relaxed);
    return true;
}

template <typename T, int Variant>
bool FloatArg_v2<T, Variant>::fillRamp (int n)
{
    if (!beginBlock (n))
        return false;

    const int capacity = static_cast<int> (rampBuffer.size());
    int produced = 0;
    T last = T (0);

    while (remaining > 0 && produced < n)
    {
        stepOnce();
        last = engineValue (current);
        // Beyond the prepared capacity the ramp still advances; readers hold the last stored value.
        if (produced < capacity)
            rampBuffer[static_cast<size_t> (produced)] = last;
        ++produced;
    }

    if (produced > 0)
    {
        output.store (last, std::memory_order_relaxed);
        rampLast = juce::jmin (produced, capacity) - 1;
    }
    else
    {
        rampBuffer[0] = output.load (std::memory_order_relaxed);
        rampLast = 0;
    }

    unlock();
    return true;
}

template <typename T, int Variant>
bool FloatArg_v2<T, Variant>::advanceBlock (int n)
{
    if (!beginBlock (n))
        return false;

    if constexpr (Variant == 1)
    {
        advanceSteps (n - 1);
        output.store (convert (current), std::memory_order_relaxed);
        if (remaining > 0)
        {
            stepOnce();
            const T value = convert (current);
            rampBuffer[0] = value;
            output.store (value, std::memory_order_relaxed);
        }
        else
        {
            rampBuffer[0] = output.load (std::memory_order_relaxed);
        }
    }
    else
    {
        if (remaining > 0)
        {
            stepOnce();
            rampBuffer[0] = current;
            advanceSteps (n - 1);
            output.store (current, std::memory_order_relaxed);
        }
        else
        {
            rampBuffer[0] = output.load (std::memory_order_relaxed);
        }
    }

    rampLast = 0;
    unlock();
    return true;
}

template <typename T, int Variant>
void FloatArg_v2<T, Variant>::releaseRamp() noexcept
{
    rampActive.store (0, std::memory_order_relaxed);
    rampLock.store (0, std::memory_order_release);
}

template <typename T, int Variant>
bool FloatArg_v2<T, Variant>::isAtRest (T v) noexcept
{
    if (tryLock())
    {
        const bool atRest = remaining <= 0 && current == v;
        unlock();
        return atRest;
    }

    return output.load (std::memory_order_relaxed) == engineValue (v);
}

template <typename T, int Variant>
bool FloatArg_v2<T, Variant>::differsFrom (T applied) noexcept
{
    if (tryLock())
    {
        const bool differs = remaining > 0 || current != applied;
        unlock();
        return differs;
    }

    return output.load (std::memory_order_relaxed) != applied;
}

template <typename T, int Variant>
T FloatArg_v2<T, Variant>::valueAt (int index) const noexcept
{
    if (rampActive.load (std::memory_order_relaxed) != 0)
        return rampBuffer[static_cast<size_t> (juce::jlimit (0, rampLast, index))];

    return output.load (std::memory_order_relaxed);
}

template <typename T, int Variant>
void FloatArg_v2<T, Variant>::setAtRest (T v)
{
    lockWaiting();
    current = v;
    target = v;
    remaining = 0;
    output.store (engineValue (v), std::memory_order_relaxed);
    unlock();
}

template <typename T, int Variant>
juce::String FloatArg_v2<T, Variant>::toString (int decimals)
{
    return holderText (name, formatFixed (static_cast<double> (getTargetLocked()), decimals), unit);
}

//==============================================================================================
template <typename T>
PercentArg_v2<T>::PercentArg_v2 (juce::String nameToUse)
    : FloatArg_v2<T, 1> (T (1), std::move (nameToUse), "%")
{
}

//==============================================================================================
IntArg::IntArg (int initialValue, juce::String nameToUse, juce::String unitToUse)
    : value (initialValue)
    , name (std::move (nameToUse))
    , unit (std::move (unitToUse))
{
}

juce::String IntArg::toString() const
{
    return holderText (name, juce::String (value.load (std::memory_order_relaxed)), unit);
}

//==============================================================================================
ChoiceArg::ChoiceArg (const juce::StringArray& optionsToUse, juce::String nameToUse, juce::String unitToUse)
    : options (optionsToUse)
    , optionCount (optionsToUse.size())
    , name (std::move (nameToUse))
    , unit (std::move (unitToUse))
{
}

juce::String ChoiceArg::currentOption() const
{
    // StringArray's operator[] gives an empty text for any index out of range.
    return options[index.load (std::memory_order_relaxed)];
}

juce::String ChoiceArg::toString() const
{
    return holderText (name, currentOption(), unit);
}

const juce::StringArray& getModeOptions()
{
    static const juce::StringArray modeOptions{ "Series", "Parallel" };
    return modeOptions;
}

template class FloatArg_v2<float, 0>;
template class FloatArg_v2<float, 1>;
template class PercentArg_v2<float>;
} // namespace tarn_dsp
