#pragma once

#include <cstdint>
#include <vector>

namespace tarn_dsp
{
// One float array shared by all channels, of power-of-two size, with one write index per
// channel. Channel c starts at c × lengthPerChannel; every index wraps with `mask`. Channels
// that advance in step each keep at least their newest lengthPerChannel samples.
class SampleRing
{
public:
    SampleRing();

    // Resizes when either number changed (smallest power of two ≥ channels × lengthPerChannel,
    // at least 2); always zeroes the data and puts channel c's write index at
    // c × lengthPerChannel. Allocates only when the size changes.
    void setSize (int channels, int lengthPerChannel);

    // Appends one sample to channel c.
    void write (int channel, float value) noexcept
    {
        auto& w = writeIndex[static_cast<size_t> (channel)];
        w = (w + 1) & mask;
        data[static_cast<size_t> (w)] = value;
    }

    // The sample at a raw position (wrapped).
    float at (int position) const noexcept
    {
        return data[static_cast<size_t> (position & mask)];
    }
    float& at (int position) noexcept
    {
        return data[static_cast<size_t> (position & mask)];
    }

    // Raw position of the oldest of the newest `count` samples of a channel.
    int positionOfLast (int channel, int count) const noexcept
    {
        return writeIndex[static_cast<size_t> (channel)] - (count - 1);
    }

    std::vector<float> data;
    std::vector<int> writeIndex;
    int channels = 0;
    int lengthPerChannel = 0;
    int mask = 1;
};

//==============================================================================================
// A queue per channel on a SampleRing, with a fill count per channel and a capacity.
//
// Every sample asked for beyond a channel's fill (read, discard or take past the queued
// samples, that is, the queue running dry) is counted in readsPastFill. The engine sizes its
// queues so that this never happens; tests check the count.
class SampleFifo : public SampleRing
{
public:
    // setSize (channels, capacity); every channel holds min (capacity, prefill) zeros.
    void init (int channels, int capacity, int prefill);

    // Queues n samples. Beyond the capacity the oldest are overwritten; the fill stops at it.
    void push (int channel, const float* samples, int n) noexcept;

    // Queues one value, only while the fill is below the capacity.
    void pushIfRoom (int channel, float value) noexcept;

    // Takes min (n, fill) samples, oldest first. Overwrite (add false): stores them (times
    // gain unless gain is 1) and zeroes the rest of dst. Add: adds gain × sample for the taken
    // samples and leaves the rest of dst alone.
    void read (int channel, float* dst, int n, float gain, bool add) noexcept;

    // Drops up to n of the oldest samples.
    void discard (int channel, int n) noexcept;

    // Takes the oldest sample; 0 when the queue is empty.
    float take (int channel) noexcept;

    // The sample k places after the oldest queued one, without taking it. A position past the
    // queued samples holds the newest sample of the same channel (the last one written).
    float peek (int channel, int k) const noexcept;

    // Empties every channel's queue (the stored samples stay but are no longer queued).
    void clearFill() noexcept;

    std::vector<int> fill;
    int fifoChannels = 0;
    int capacity = 0;

    // Samples asked for past the fill, summed over all channels since construction (init
    // leaves it alone; whoever reads it clears it).
    std::int64_t readsPastFill = 0;
};

//==============================================================================================
// Four-point, third-order Lagrange interpolation around x0 on a small ring of recent values.
// The value at f in [0, 1] runs from x0 (f = 0) to x1 (f = 1).
class CubicTracker
{
public:
    // Sets (x(-1), x0, x1, x2) with the indices 0, 1, 2, 3 and computes the coefficients.
    void set (float xMinus1, float x0, float x1, float x2) noexcept;

    // Shifts by one value: the new value becomes x2, the old x1 becomes x0.
    void shift (float value) noexcept;

    void computeCoefficients() noexcept;

    float valueAt (float f) const noexcept
    {
        return ((c3 * f + c2) * f + c1) * f + c0;
    }

    float xMinus1() const noexcept
    {
        return x[im1];
    }
    float x0() const noexcept
    {
        return x[i0];
    }
    float x1() const noexcept
    {
        return x[i1];
    }
    float x2() const noexcept
    {
        return x[i2];
    }

    // All values and coefficients 0, indices 0, 1, 2, 3.
    void clear() noexcept;

    float x[4]{};
    float c0 = 0.0f, c1 = 0.0f, c2 = 0.0f, c3 = 0.0f;
    int im1 = 0, i0 = 1, i1 = 2, i2 = 3;
};
} // namespace tarn_dsp
