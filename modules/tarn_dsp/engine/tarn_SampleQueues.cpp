namespace tarn_dsp
{
SampleRing::SampleRing()
    : data (2, 0.0f)
{
}

void SampleRing::setSize (int newChannels, int newLengthPerChannel)
{
    newChannels = juce::jmax (0, newChannels);
    newLengthPerChannel = juce::jmax (0, newLengthPerChannel);

    if (newChannels != channels || newLengthPerChannel != lengthPerChannel)
    {
        channels = newChannels;
        lengthPerChannel = newLengthPerChannel;

        const auto wanted = static_cast<long long> (channels) * lengthPerChannel;
        int size = 2;
        while (size < wanted)
            size *= 2;

        mask = size - 1;
        data.resize (static_cast<size_t> (size));
        writeIndex.resize (static_cast<size_t> (channels));
    }

    std::fill (data.begin(), data.end(), 0.0f);
    for (int c = 0; c < channels; ++c)
        writeIndex[static_cast<size_t> (c)] = (c * lengthPerChannel) & mask;
}

//==============================================================================================
void SampleFifo::init (int newChannels, int newCapacity, int prefill)
{
    setSize (newChannels, newCapacity);
    fifoChannels = channels;
    capacity = lengthPerChannel;

    const int queued = juce::jlimit (0, capacity, prefill);
    fill.resize (static_cast<size_t> (fifoChannels));
    std::fill (fill.begin(), fill.end(), queued);

    // The ring is all zeros: queuing `queued` zeros only moves the write positions.
    for (int c = 0; c < fifoChannels; ++c)
        writeIndex[static_cast<size_t> (c)] = (writeIndex[static_cast<size_t> (c)] + queued) & mask;
}

void SampleFifo::push (int channel, const float* samples, int n) noexcept
{
    if (n <= 0)
        return;

    const auto c = static_cast<size_t> (channel);
    fill[c] = juce::jmin (capacity, fill[c] + n);

    // Only the newest `capacity` samples can stay queued; writing the older ones would run into
    // the other channels' regions.
    const int skip = juce::jmax (0, n - capacity);
    if (skip > 0)
        writeIndex[c] = (writeIndex[c] + skip) & mask;

    // In at most two contiguous runs: up to the end of the ring, then from its start.
    const int count = n - skip;
    const int start = (writeIndex[c] + 1) & mask;
    const int firstRun = juce::jmin (count, mask + 1 - start);
    std::copy (samples + skip, samples + skip + firstRun, data.begin() + start);
    std::copy (samples + skip + firstRun, samples + n, data.begin());
    writeIndex[c] = (writeIndex[c] + count) & mask;
}

void SampleFifo::pushIfRoom (int channel, float value) noexcept
{
    const auto c = static_cast<size_t> (channel);
    if (fill[c] < capacity)
    {
        ++fill[c];
        write (channel, value);
    }
}

void SampleFifo::read (int channel, float* dst, int n, float gain, bool add) noexcept
{
    if (n <= 0)
        return;

    const auto c = static_cast<size_t> (channel);
    const int available = fill[c];
    const int taken = juce::jmin (n, available);
    const int oldest = writeIndex[c] - (available - 1);
    readsPastFill += n - taken;

    // In at most two contiguous runs: up to the end of the ring, then from its start.
    const int start = oldest & mask;
    const int firstRun = juce::jmin (taken, mask + 1 - start);
    const float* runs[2] = { data.data() + start, data.data() };
    const int lengths[2] = { firstRun, taken - firstRun };

    float* out = dst;
    for (int r = 0; r < 2; ++r)
    {
        const float* src = runs[r];
        const int length = lengths[r];
        if (add)
            for (int i = 0; i < length; ++i)
                out[i] += gain * src[i];
        else if (gain == 1.0f)
            std::copy (src, src + length, out);
        else
            for (int i = 0; i < length; ++i)
                out[i] = src[i] * gain;
        out += length;
    }

    if (!add)
        std::fill (dst + taken, dst + n, 0.0f);

    fill[c] = available - taken;
}

void SampleFifo::discard (int channel, int n) noexcept
{
    const auto c = static_cast<size_t> (channel);
    const int dropped = juce::jmax (0, n);
    readsPastFill += juce::jmax (0, dropped - fill[c]);
    fill[c] = juce::jmax (0, fill[c] - dropped);
}

float SampleFifo::take (int channel) noexcept
{
    const auto c = static_cast<size_t> (channel);
    const int available = fill[c];
    if (available <= 0)
    {
        ++readsPastFill;
        return 0.0f;
    }

    const float value = at (writeIndex[c] - (available - 1));
    fill[c] = available - 1;
    return value;
}

float SampleFifo::peek (int channel, int k) const noexcept
{
    const auto c = static_cast<size_t> (channel);
    // Distance back from the newest sample; never past it.
    const int back = juce::jmax (0, fill[c] - 1 - juce::jmax (0, k));
    return at (writeIndex[c] - back);
}

void SampleFifo::clearFill() noexcept
{
    std::fill (fill.begin(), fill.end(), 0);
}

//==============================================================================================
void CubicTracker::set (float xMinus1Value, float x0Value, float x1Value, float x2Value) noexcept
{
    x[0] = xMinus1Value;
    x[1] = x0Value;
    x[2] = x1Value;
    x[3] = x2Value;
    im1 = 0;
    i0 = 1;
    i1 = 2;
    i2 = 3;
    computeCoefficients();
}

void CubicTracker::shift (float value) noexcept
{
    x[im1] = value;
    i0 = (i0 + 1) & 3;
    im1 = (i0 + 3) & 3;
    i1 = (i0 + 1) & 3;
    i2 = (i0 + 2) & 3;
    computeCoefficients();
}

void CubicTracker::computeCoefficients() noexcept
{
    constexpr float half = 0.5f;
    constexpr float third = 1.0f / 3.0f;
    constexpr float sixth = 1.0f / 6.0f;

    const float xm = x[im1];
    const float a = x[i0];
    const float b = x[i1];
    const float d = x[i2];

    c0 = a;
    c1 = b - xm * third - a * half - d * sixth;
    c2 = (xm + b) * half - a;
    c3 = (a - b) * half + (d - xm) * sixth;
}

void CubicTracker::clear() noexcept
{
    for (auto& v : x)
        v = 0.0f;
    c0 = c1 = c2 = c3 = 0.0f;
    im1 = 0;
    i0 = 1;
    i1 = 2;
    i2 = 3;
}
} // namespace tarn_dsp
