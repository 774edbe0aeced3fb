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
