namespace tarn_dsp
{
template <typename T>
IIRFilter_OrderTwo<T>::IIRFilter_OrderTwo() = default;

template <typename T>
void IIRFilter_OrderTwo<T>::processBypassed (const juce::dsp::AudioBlock<T>& input,
                                             juce::dsp::AudioBlock<T>& output)
{
    const auto channels = juce::jmin (input.getNumChannels(), output.getNumChannels());
    const auto samples = juce::jmin (input.getNumSamples(), output.getNumSamples());
    for (size_t c = 0; c < channels; ++c)
        if (output.getChannelPointer (c) != input.getChannelPointer (c))
            juce::FloatVectorOperations::copy (output.getChannelPointer (c), input.getChannelPointer (c),
                                               static_cast<int> (samples));
}

template <typename T>
void IIRFilter_OrderTwo<T>::process (const juce::dsp::AudioBlock<T>& input, juce::dsp::AudioBlock<T>& output)
{
    updateBlock (static_cast<int> (output.getNumSamples()));
    processBypassed (input, output);
    if (!engaged)
        return;

    const auto channels = juce::jmin (input.getNumChannels(), output.getNumChannels());
    const auto samples = static_cast<int> (juce::jmin (input.getNumSamples(), output.getNumSamples()));
    for (size_t c = 0; c < channels; ++c)
        filterInPlace (static_cast<int> (c), output.getChannelPointer (c), samples);
}

template <typename T>
void IIRFilter_OrderTwo<T>::prepare (const juce::dsp::ProcessSpec& spec)
{
    numChannels = static_cast<int> (spec.numChannels);
    s1.assign (static_cast<size_t> (numChannels), T (0));
    s2.assign (static_cast<size_t> (numChannels), T (0));
    const auto capacity = static_cast<int> (spec.maximumBlockSize);
    frequency.prepare (capacity);
    q.prepare (capacity);
    gain.prepare (capacity);
}

template <typename T>
void IIRFilter_OrderTwo<T>::reset()
{
    const auto rate = static_cast<double> (this->sampleRate);
    frequency.reset (rate);
    q.reset (rate);
    gain.reset (rate);
    std::fill (s1.begin(), s1.end(), T (0));
    std::fill (s2.begin(), s2.end(), T (0));

    // The arguments are at rest now; the coefficients follow them at the current sample rate
    // (a prepare may have changed it since they were last computed).
    appliedFrequency = frequency.output.load (std::memory_order_relaxed);
    appliedQ = q.output.load (std::memory_order_relaxed);
    appliedGain = gain.output.load (std::memory_order_relaxed);
    setCoefficients (appliedFrequency, appliedQ, appliedGain);
}

template <typename T>
void IIRFilter_OrderTwo<T>::updateBlock (int n)
{
    updateArguments();

    bool updated = false;
    const auto follow = [&] (FloatArg_v2<T, 0>& argument, T& applied)
    {
        if (argument.differsFrom (applied) && argument.advanceBlock (n))
        {
            applied = argument.rampBuffer[0];
            argument.releaseRamp();
            updated = true;
        }
    };

    follow (frequency, appliedFrequency);
    follow (q, appliedQ);
    follow (gain, appliedGain);

    if (updated)
        setCoefficients (appliedFrequency, appliedQ, appliedGain);

    const bool nowEngaged = !gain.isAtRest (T (0));
    if (!updated && !engaged && nowEngaged)
    {
        std::fill (s1.begin(), s1.end(), T (0));
        std::fill (s2.begin(), s2.end(), T (0));
    }

    engaged = nowEngaged;
}

template <typename T>
void IIRFilter_OrderTwo<T>::filterInPlace (int channel, T* data, int n) noexcept
{
    if (channel < 0 || channel >= static_cast<int> (s1.size()) || n <= 0)
        return;

    const auto c = static_cast<size_t> (channel);
    T z1 = s1[c];
    T z2 = s2[c];

    for (int i = 0; i < n; ++i)
    {
        const T x = data[i];
        const T y = b0 * x + z1;
        z1 = b1 * x - a1 * y + z2;
        z2 = b2 * x - a2 * y;
        data[i] = y;
    }

    if (!(std::isfinite (z1) && std::isfinite (z2)))
    {
        z1 = T (0);
        z2 = T (0);
    }

    s1[c] = z1;
    s2[c] = z2;
}

template <typename T>
void IIRFilter_OrderTwo<T>::filterPairInPlace (int first, T* firstData, int second, T* secondData,
                                               int n) noexcept
{
    const int channels = static_cast<int> (s1.size());
    if (first < 0 || first >= channels || second < 0 || second >= channels || first == second || n <= 0)
    {
        filterInPlace (first, firstData, n);
        filterInPlace (second, secondData, n);
        return;
    }

    const auto c = static_cast<size_t> (first);
    const auto d = static_cast<size_t> (second);
    T z1 = s1[c], z2 = s2[c];
    T u1 = s1[d], u2 = s2[d];

    for (int i = 0; i < n; ++i)
    {
        const T x = firstData[i];
        const T v = secondData[i];
        const T y = b0 * x + z1;
        const T w = b0 * v + u1;
        z1 = b1 * x - a1 * y + z2;
        u1 = b1 * v - a1 * w + u2;
        z2 = b2 * x - a2 * y;
        u2 = b2 * v - a2 * w;
        firstData[i] = y;
        secondData[i] = w;
    }

    const auto keep = [] (T& a, T& b)
    {
        if (!(std::isfinite (a) && std::isfinite (b)))
            a = b = T (0);
    };
    keep (z1, z2);
    keep (u1, u2);
    s1[c] = z1;
    s2[c] = z2;
    s1[d] = u1;
    s2[d] = u2;
}

//==============================================================================================
template <typename T>
HighShelfFilter<T>::HighShelfFilter()
{
    setCoefficients (this->appliedFrequency, this->appliedQ, this->appliedGain);
}

template <typename T>
void HighShelfFilter<T>::setCoefficients (T frequencyHz, T quality, T gainDb)
{
    const T fs = this->sampleRate;
    const T f = juce::jmin (frequencyHz, maxCornerRatio * fs);

    const T A = std::sqrt (std::pow (T (10), gainDb * T (0.05)));
    const T w0 = f * T (6.2831855) / fs;
    const T sn = std::sin (w0);
    const T cs = std::cos (w0);
    const T beta = sn * std::sqrt (A) / quality;
    const T inv = T (1) / ((A + T (1)) - (A - T (1)) * cs + beta);

    this->b0 = ((A + T (1)) + (A - T (1)) * cs + beta) * inv * A;
    this->b1 = T (-2) * ((A - T (1)) + (A + T (1)) * cs) * inv * A;
    this->b2 = ((A + T (1)) + (A - T (1)) * cs - beta) * inv * A;
    this->a1 = T (2) * ((A - T (1)) - (A + T (1)) * cs) * inv;
    this->a2 = ((A + T (1)) - (A - T (1)) * cs - beta) * inv;
}

template class IIRFilter_OrderTwo<float>;
template class HighShelfFilter<float>;
} // namespace tarn_dsp
