#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>
#include <type_traits>

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

// The reference formulation without branches, for the audio thread's inner loops where the
// operands' signs are unpredictable: every candidate is computed and the result picked. Gives
// the same value as lerpReference for every input, NaN and infinity included.
template <typename T>
inline T lerpWithoutBranches (T a, T b, T t) noexcept
{
    const bool straddling = ((a <= T (0)) & (b >= T (0))) | ((a >= T (0)) & (b <= T (0)));
    const T acrossZero = t * b + (T (1) - t) * a;
    const T x = a + t * (b - a);
    const T notBelow = b < x ? x : b; // (t > 1) == (b > a): keep x from falling back past b
    const T notAbove = b > x ? x : b;
    const T limited = (t > T (1)) == (b > a) ? notBelow : notAbove;
    const T inside = t == T (1) ? b : limited;

    // Picked through the bits: a conditional here would become a branch on the operands' signs.
    static_assert (sizeof (T) == sizeof (std::uint32_t) || sizeof (T) == sizeof (std::uint64_t));
    using Bits = std::conditional_t<sizeof (T) == sizeof (std::uint32_t), std::uint32_t, std::uint64_t>;
    Bits across, other;
    std::memcpy (&across, &acrossZero, sizeof (T));
    std::memcpy (&other, &inside, sizeof (T));
    const Bits mask = Bits (0) - static_cast<Bits> (straddling);
    const Bits picked = (across & mask) | (other & ~mask);
    T result;
    std::memcpy (&result, &picked, sizeof (T));
    return result;
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
