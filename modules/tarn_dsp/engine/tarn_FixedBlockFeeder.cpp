namespace tarn_dsp
{
int FixedBlockFeeder::quantumFor (double sampleRate) noexcept
{
    // 128 samples at 44.1 kHz, the same duration at every other rate.
    constexpr double seconds = 128.0 / 44100.0;
    if (!(std::isfinite (sampleRate) && sampleRate > 0.0))
        sampleRate = 44100.0;
    return std::max (1, static_cast<int> (std::lround (sampleRate * seconds)));
}

void FixedBlockFeeder::prepare (int numChannels, int quantumToUse)
{
    channels = std::max (0, numChannels);
    quantum = std::max (1, quantumToUse);
    chunk.setSize (std::max (1, channels), quantum);
    // After a chunk is done and before the block reads it, the queue holds quantum − 1 + quantum.
    output.init (channels, 2 * quantum, quantum - 1);
    reset();
}

void FixedBlockFeeder::reset() noexcept
{
    chunk.clear();
    gathered = 0;
    output.init (channels, 2 * quantum, quantum - 1);
}

void FixedBlockFeeder::gather (const juce::dsp::AudioBlock<float>& block, int blockChannels, int position,
                               int n) noexcept
{
    for (int c = 0; c < channels; ++c)
    {
        float* destination = chunk.getWritePointer (c) + gathered;
        if (c < blockChannels)
            std::copy_n (block.getChannelPointer (static_cast<size_t> (c)) + position, n, destination);
        else
            std::fill_n (destination, n, 0.0f);
    }
    gathered += n;
}

void FixedBlockFeeder::deliver (juce::dsp::AudioBlock<float>& block, int blockChannels, int position,
                                int n) noexcept
{
    for (int c = 0; c < channels; ++c)
    {
        if (c < blockChannels)
            output.read (c, block.getChannelPointer (static_cast<size_t> (c)) + position, n, 1.0f, false);
        else
            output.discard (c, n);
    }
}
} // namespace tarn_dsp
