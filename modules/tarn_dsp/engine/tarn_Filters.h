#pragma once

#include <vector>

namespace tarn_dsp
{
// A second-order section (transposed direct form II, state per channel) with three ramped
// arguments: frequency (Hz), Q and gain (dB). Subclasses supply the coefficient formula.
//
// Per block the owner calls updateBlock (coefficients change at most once per block), then,
// while `engaged`, filterInPlace on each channel. A section whose state became non-finite (a
// NaN or infinity passed through it) clears that state at the end of the block, so the filter
// recovers once such samples have passed.
template <typename T>
class IIRFilter_OrderTwo : public Processor<T>
{
public:
    IIRFilter_OrderTwo();

    // Copies input to output (the smaller channel and sample counts of the two blocks).
    void processBypassed (const juce::dsp::AudioBlock<T>& input, juce::dsp::AudioBlock<T>& output) override;
    // updateBlock, then filters (engaged) or copies (not engaged) every channel.
    void process (const juce::dsp::AudioBlock<T>& input, juce::dsp::AudioBlock<T>& output) override;
    // Sizes the state for spec.numChannels and the arguments' ramp buffers for the block size.
    void prepare (const juce::dsp::ProcessSpec& spec) override;
    // Finishes the argument ramps, clears the state and recomputes the coefficients for the
    // current sample rate.
    void reset() override;

    // Virtual operations after those of Processor, in this order.
    virtual void setCoefficients (T frequencyHz, T quality, T gainDb) = 0;
    virtual void updateArguments() {}

    // Start of a block of n samples: moves the arguments, recomputes the coefficients when one
    // moved, and decides whether the filter is engaged.
    void updateBlock (int n);

    // Filters n samples of one channel in place with that channel's state.
    void filterInPlace (int channel, T* data, int n) noexcept;

    // Two channels in one pass: the same arithmetic as filterInPlace on each, but the two
    // recursions run side by side instead of one after the other.
    void filterPairInPlace (int first, T* firstData, int second, T* secondData, int n) noexcept;

    //==========================================================================================
    FloatArg_v2<T, 0> frequency{ T (1000), "Frequency", "Hz" };
    FloatArg_v2<T, 0> q{ T (1), "Q" };
    FloatArg_v2<T, 0> gain{ T (0), "Gain", "dB" };
    int numChannels = 0;
    T b0 = T (1), b1 = T (0), b2 = T (0), a1 = T (0), a2 = T (0);
    T appliedFrequency = T (1000), appliedQ = T (1), appliedGain = T (0);
    std::vector<T> s1, s2;
    bool engaged = true;
};

//==============================================================================================
// The high shelf of the Audio EQ Cookbook, computed in float. The corner is kept at or below
// 0.45 × the sample rate so that the section stays stable at low sample rates.
template <typename T>
class HighShelfFilter : public IIRFilter_OrderTwo<T>
{
public:
    HighShelfFilter();

    void setCoefficients (T frequencyHz, T quality, T gainDb) override;

    // The highest corner frequency used at a sample rate, as a fraction of it.
    static constexpr T maxCornerRatio = T (0.45);
};

extern template class IIRFilter_OrderTwo<float>;
extern template class HighShelfFilter<float>;
} // namespace tarn_dsp
