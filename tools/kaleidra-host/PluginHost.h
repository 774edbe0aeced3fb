#pragma once

#include <juce_audio_processors/juce_audio_processors.h>
#include <juce_audio_formats/juce_audio_formats.h>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>

// Shared pieces of the headless host: loading a VST3 bundle through the framework's VST3 hosting,
// finding parameters, running audio through an instance and talking to the module's factory.
namespace kaleidra_host
{
// Turns a command-line path into an absolute file (the VST3 hosting needs absolute paths).
juce::File absoluteFile (const juce::String& path);

struct LoadedPlugin
{
    juce::PluginDescription description;
    std::unique_ptr<juce::AudioPluginInstance> instance;
};

// Loads the first plug-in class of a VST3 bundle. On failure the instance is null and
// `error` says why.
LoadedPlugin loadPlugin (const juce::File& bundle, double sampleRate, int blockSize, juce::String& error);

// Prepares (activates) the plug-in for a rate and block size and waits until the host side
// knows the latency the plug-in reports once active: a VST3 plug-in announces it through a
// restart request that arrives on the message thread.
void preparePlugin (juce::AudioPluginInstance& plugin, double sampleRate, int blockSize);

// The latency the plug-in's audio processor reports right now, or -1.
int componentLatency (juce::AudioPluginInstance& plugin);

// Sets the main input and output buses to the same set (mono or stereo); true when accepted.
bool setMainLayout (juce::AudioPluginInstance& plugin, const juce::AudioChannelSet& set);

// Finds a parameter by its display name (for this plug-in the name is also its ID).
juce::AudioProcessorParameter* findParameter (juce::AudioPluginInstance& plugin, const juce::String& name);

// Applies "Name=text" (the text as the plug-in's own text-to-value conversion reads it). Returns
// an error text, empty on success.
juce::String applySetting (juce::AudioPluginInstance& plugin, const juce::String& assignment);

// Delivers pending parameter changes to the plug-in by processing one silent block, then
// resets it so that every ramp has arrived and every buffer starts empty.
void settleParameters (juce::AudioPluginInstance& plugin, int blockSize);

// The host's transport as the plug-in sees it through its play head: stopped or playing, at a
// position in samples that advances while playing.
class HostPlayHead final : public juce::AudioPlayHead
{
public:
    juce::Optional<PositionInfo> getPosition() const override;

    std::atomic<bool> playing{ false };
    std::atomic<juce::int64> timeInSamples{ 0 };
};

// The host block sizes of a run: one size, or a seeded random sequence of 1 to 4096 samples
// (mostly below 700, now and then up to 4096), as a host that changes its buffer from block to
// block would send them. The plug-in is prepared for the largest (a VST3 host never sends more).
class BlockSizes
{
public:
    explicit BlockSizes (int fixedSize = 512);
    static BlockSizes random (juce::int64 seed);

    // Reads "N" or "random"; false when the text is neither.
    static bool parse (const juce::String& text, juce::int64 seed, BlockSizes& result);

    int next();

    // The block size announced to the plug-in when preparing it.
    int announced() const noexcept;

    bool isRandom() const noexcept
    {
        return randomSizes;
    }

    juce::String describe() const;

private:
    int fixedSize = 512;
    bool randomSizes = false;
    juce::Random generator;
};

// Runs `input` through the plug-in in blocks of `blockSize` and returns as many samples as
// `outputLength` (input padded with silence). `bypassed` processes through the host bypass.
juce::AudioBuffer<float> processOffline (juce::AudioPluginInstance& plugin,
                                         const juce::AudioBuffer<float>& input, int outputLength,
                                         int blockSize, bool bypassed = false,
                                         std::function<void (int done, int total)> progress = {});

// The same with block sizes from a sequence; while the play head plays, its position advances by
// every block.
juce::AudioBuffer<float> processOffline (juce::AudioPluginInstance& plugin,
                                         const juce::AudioBuffer<float>& input, int outputLength,
                                         BlockSizes& blocks, HostPlayHead* playHead, bool bypassed = false,
                                         std::function<void (int done, int total)> progress = {});

// A render the way a DAW exports: optionally other material first with the transport playing
// (`preRoll`), then the transport stopped for a while with that material still coming in, then
// playback starting at position 0 with `input`. Returns the output from the start of playback,
// as long as the input, with the plug-in's latency removed. The plug-in must be prepared and
// its parameters settled.
juce::AudioBuffer<float> renderFromTransportStart (juce::AudioPluginInstance& plugin,
                                                   const juce::AudioBuffer<float>& input,
                                                   const juce::AudioBuffer<float>* preRoll,
                                                   BlockSizes& blocks, HostPlayHead& playHead,
                                                   std::function<void (int done, int total)> progress = {});

// The state blob of the plug-in's component wrapped the way the framework's VST3 hosting
// stores it, so that setStateInformation hands exactly `componentState` to the plug-in.
juce::MemoryBlock wrapComponentState (const juce::MemoryBlock& componentState);

// Reads a preset file (".kd11": a state blob stored bit-shifted) and returns the blob; empty
// when the file holds no state.
juce::MemoryBlock readPresetFile (const juce::File& file, juce::String& error);

// What the module's VST3 factory says about itself and its classes.
struct FactoryClass
{
    juce::String cid; // four 32-bit words in hex, separated by blanks
    juce::String category, name, subCategories, vendor, version, sdkVersion;
    int cardinality = 0;
};

struct FactoryInfo
{
    juce::String vendor, url, email;
    int flags = 0;
    juce::Array<FactoryClass> classes;
};

std::optional<FactoryInfo> readFactoryInfo (const juce::File& bundle, juce::String& error);

// Reads a mono or stereo audio file (WAV, AIFF) whole; false with `error` set when it cannot.
bool readAudioFile (const juce::File& file, juce::AudioBuffer<float>& audio, double& sampleRate,
                    juce::String& error);

// Writes a WAV file of 32-bit float samples (or of `bits`-bit integers), replacing the file.
bool writeWavFile (const juce::File& file, const juce::AudioBuffer<float>& audio, double sampleRate,
                   juce::String& error, int bits = 32);

// Sample statistics.
float peakOf (const juce::AudioBuffer<float>& buffer, int start = 0);
float rmsOf (const juce::AudioBuffer<float>& buffer, int start = 0);
bool allFinite (const juce::AudioBuffer<float>& buffer);
int indexOfPeak (const juce::AudioBuffer<float>& buffer, int channel);
} // namespace kaleidra_host
