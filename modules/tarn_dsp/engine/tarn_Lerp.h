#pragma once

#include <cmath>

namespace tarn_dsp
{
// Linear interpolation with the guarantees of P0811R3: exact at t = 0 and t = 1, monotonic in
// t, bounded by a and b for t in [0, 1], and consistent (lerp (a, a, t) == a). This is the
// reference formulation; the standard library's std::lerp follows it.
template <typename T>
constexpr T lerpReference (T a, T b, T t) noexcept
{
    if ((a <= T (0) && b >= T (0)) || (a >= T (0) && b <= T (0)))
        return t * b + (T (1) - t) * a;

    if (t == T (1))
        return b; // exact

    // Exact at t = 0, monotonic except near t = 1; the limit keeps it monotonic there.
    const T x = a + t * (b - a);
    return (t > T (1)) == (b > a) ? (b < x ? x : b) : (b > x ? x : b);
}

// The library's lerp where it has one, the reference formulation otherwise.
template <typename T>
constexpr T lerp (T a, T b, T t) noexcept
{
#if defined(__cpp_lib_interpolate) && __cpp_lib_interpolate >= 201902L
    return std::lerp (a, b, t);
#else
    return lerpReference (a, b, t);
#endif
}

// x where the mask is set, y elsewhere, bit for bit.
template <typename T>
inline juce::dsp::SIMDRegister<T> pickLanes (typename juce::dsp::SIMDRegister<T>::vMaskType mask,
                                             juce::dsp::SIMDRegister<T> x,
                                             juce::dsp::SIMDRegister<T> y) noexcept
{
    using Ops = juce::dsp::SIMDNativeOps<T>;
    return juce::dsp::SIMDRegister<T>::fromNative (Ops::bit_or ((x & mask).value, (y & ~mask).value));
}

// lerp (a, b, t) in every lane of a SIMD register, for the audio thread's inner loops: the steps
// of the reference formulation, with its conditionals as masks (the operands' signs are
// unpredictable, so branches would cost more than computing every candidate). Each lane gets the
// same bits as lerp, NaN and infinity included: the vector maximum and minimum return their
// second operand when either is NaN, as the reference's conditionals do.
template <typename T>
inline juce::dsp::SIMDRegister<T> lerpLanes (juce::dsp::SIMDRegister<T> a, juce::dsp::SIMDRegister<T> b,
                                             T t) noexcept
{
    using Lanes = juce::dsp::SIMDRegister<T>;
    const Lanes zero = Lanes::expand (T (0));
    const auto straddling = (Lanes::lessThanOrEqual (a, zero) & Lanes::greaterThanOrEqual (b, zero)) |
                            (Lanes::greaterThanOrEqual (a, zero) & Lanes::lessThanOrEqual (b, zero));
    const Lanes acrossZero = b * t + a * (T (1) - t);
    const Lanes x = a + (b - a) * t;
    const Lanes notBelow = Lanes::max (x, b); // b < x ? x : b
    const Lanes notAbove = Lanes::min (x, b); // b > x ? x : b
    const auto rising = Lanes::greaterThan (b, a);
    const Lanes limited =
        t > T (1) ? pickLanes<T> (rising, notBelow, notAbove) : pickLanes<T> (rising, notAbove, notBelow);
    const Lanes inside = t == T (1) ? b : limited;
    return pickLanes<T> (straddling, acrossZero, inside);
}

// Whether lerp comes from the standard library in this build.
constexpr bool lerpUsesStandardLibrary() noexcept
{
#if defined(__cpp_lib_interpolate) && __cpp_lib_interpolate >= 201902L
    return true;
#else
    return false;
#endif
}
} // namespace tarn_dsp
