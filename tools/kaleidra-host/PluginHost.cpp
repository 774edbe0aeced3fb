#include "PluginHost.h"

#include <pluginterfaces/base/ipluginbase.h>
#include <pluginterfaces/vst/ivstaudioprocessor.h>
#include <pluginterfaces/vst/ivstcomponent.h>

#include <cmath>

namespace kaleidra_host
{
juce::File absoluteFile (const juce::String& path)
{
    return juce::File::getCurrentWorkingDirectory().getChildFile (path);
}

LoadedPlugin loadPlugin (const juce::File& bundle, double sampleRate, int blockSize, juce::String& error)
{
    LoadedPlugin result;

    if (!bundle.exists())
    {
        error = "no such bundle: " + bundle.getFullPathName();
        return result;
    }

    juce::VST3PluginFormat format;
    juce::OwnedArray<juce::PluginDescription> types;
    format.findAllTypesForFile (types, bundle.getFullPathName());

    if (types.isEmpty())
    {
        error = "the bundle holds no VST3 plug-in: " + bundle.getFullPathName();
        return result;
    }

    result.description = *types.getFirst();
    result.instance = format.createInstanceFromDescription (result.description, sampleRate, blockSize, error);

    if (result.instance == nullptr && error.isEmpty())
        error = "the plug-in could not be instantiated";

    return result;
}

int componentLatency (juce::AudioPluginInstance& plugin)
{
    struct Visitor : juce::ExtensionsVisitor
    {
        void visitVST3Client (const VST3Client& client) override
        {
            auto* component = client.getIComponentPtr();
            Steinberg::Vst::IAudioProcessor* processor = nullptr;

            if (component != nullptr &&
                component->queryInterface (INLINE_UID_OF (Steinberg::Vst::IAudioProcessor),
                                           (void**) &processor) == Steinberg::kResultOk &&
                processor != nullptr)
            {
                latency = (int) processor->getLatencySamples();
                processor->release();
            }
        }

        int latency = -1;
    };

    Visitor visitor;
    plugin.getExtensions (visitor);
    return visitor.latency;
}

void preparePlugin (juce::AudioPluginInstance& plugin, double sampleRate, int blockSize)
{
    plugin.setRateAndBufferSizeDetails (sampleRate, blockSize);
    plugin.prepareToPlay (sampleRate, blockSize);

    const auto expected = componentLatency (plugin);
    const auto deadline = juce::Time::getMillisecondCounter() + 5000;

    while (expected >= 0 && plugin.getLatencySamples() != expected &&
           juce::Time::getMillisecondCounter() < deadline)
        juce::MessageManager::getInstance()->runDispatchLoopUntil (2);
}

bool setMainLayout (juce::AudioPluginInstance& plugin, const juce::AudioChannelSet& set)
{
    // An active VST3 plug-in cannot change its buses.
    plugin.releaseResources();

    auto layout = plugin.getBusesLayout();

    if (layout.inputBuses.isEmpty() || layout.outputBuses.isEmpty())
        return false;

    layout.getChannelSet (true, 0) = set;
    layout.getChannelSet (false, 0) = set;
    return plugin.setBusesLayout (layout);
}

juce::AudioProcessorParameter* findParameter (juce::AudioPluginInstance& plugin, const juce::String& name)
{
    for (auto* parameter : plugin.getParameters())
        if (parameter->getName (1024) == name)
            return parameter;

    return nullptr;
}

juce::String applySetting (juce::AudioPluginInstance& plugin, const juce::String& assignment)
{
    const auto equals = assignment.lastIndexOfChar ('=');

    if (equals <= 0)
        return "expected \"Parameter=value\", got \"" + assignment + "\"";

    const auto name = assignment.substring (0, equals).trim();
    const auto text = assignment.substring (equals + 1).trim();
    auto* parameter = findParameter (plugin, name);

    if (parameter == nullptr)
        return "no parameter named \"" + name + "\"";

    if (text.isEmpty())
        return "no value for \"" + name + "\"";

    parameter->setValueNotifyingHost (juce::jlimit (0.0f, 1.0f, parameter->getValueForText (text)));
    return {};
}

void settleParameters (juce::AudioPluginInstance& plugin, int blockSize)
{
    juce::AudioBuffer<float> silence (
        juce::jmax (plugin.getTotalNumInputChannels(), plugin.getTotalNumOutputChannels()),
        juce::jmax (1, blockSize));
    silence.clear();
    juce::MidiBuffer midi;
    plugin.processBlock (silence, midi);
    plugin.reset();
}

juce::Optional<juce::AudioPlayHead::PositionInfo> HostPlayHead::getPosition() const
{
    PositionInfo info;
    info.setIsPlaying (playing.load());
    info.setTimeInSamples (timeInSamples.load());
    return info;
}

BlockSizes::BlockSizes (int size)
    : fixedSize (juce::jmax (1, size))
{
}

BlockSizes BlockSizes::random (juce::int64 seed)
{
    BlockSizes sizes;
    sizes.randomSizes = true;
    sizes.generator.setSeed (seed);
    return sizes;
}

bool BlockSizes::parse (const juce::String& text, juce::int64 seed, BlockSizes& result)
{
    if (text == "random")
    {
        result = random (seed);
        return true;
    }

    if (!text.containsOnly ("0123456789") || text.isEmpty() || text.length() > 7 || text.getIntValue() <= 0)
        return false;

    result = BlockSizes (text.getIntValue());
    return true;
}

int BlockSizes::next()
{
    if (!randomSizes)
        return fixedSize;

    return generator.nextInt (6) == 0 ? 1 + generator.nextInt (4096) : 1 + generator.nextInt (700);
}

int BlockSizes::announced() const noexcept
{
    // A VST3 host announces the largest block it will send (the format forbids larger ones).
    return randomSizes ? 4096 : fixedSize;
}

juce::String BlockSizes::describe() const
{
    return randomSizes ? juce::String ("random") : juce::String (fixedSize);
}

juce::AudioBuffer<float> processOffline (juce::AudioPluginInstance& plugin,
                                         const juce::AudioBuffer<float>& input, int outputLength,
                                         int blockSize, bool bypassed,
                                         std::function<void (int, int)> progress)
{
    BlockSizes blocks (blockSize);
    return processOffline (plugin, input, outputLength, blocks, nullptr, bypassed, std::move (progress));
}

juce::AudioBuffer<float> processOffline (juce::AudioPluginInstance& plugin,
                                         const juce::AudioBuffer<float>& input, int outputLength,
                                         BlockSizes& blocks, HostPlayHead* playHead, bool bypassed,
                                         std::function<void (int, int)> progress)
{
    const auto numIn = plugin.getTotalNumInputChannels();
    const auto numOut = plugin.getTotalNumOutputChannels();
    const auto channels = juce::jmax (numIn, numOut);

    juce::AudioBuffer<float> output (numOut, outputLength);
    juce::AudioBuffer<float> block (channels, 4096);
    juce::MidiBuffer midi;

    for (int start = 0; start < outputLength;)
    {
        const auto n = juce::jmin (blocks.next(), outputLength - start);
        block.setSize (channels, n, false, false, true);
        block.clear();

        for (int c = 0; c < numIn; ++c)
        {
            const auto source = juce::jmin (c, input.getNumChannels() - 1);
            const auto available = juce::jlimit (0, n, input.getNumSamples() - start);

            if (source >= 0 && available > 0)
                block.copyFrom (c, 0, input, source, start, available);
        }

        midi.clear();

        if (bypassed)
            plugin.processBlockBypassed (block, midi);
        else
            plugin.processBlock (block, midi);

        for (int c = 0; c < numOut; ++c)
            output.copyFrom (c, start, block, c, 0, n);

        if (playHead != nullptr && playHead->playing.load())
            playHead->timeInSamples += n;

        start += n;

        if (progress)
            progress (start, outputLength);
    }

    return output;
}

juce::AudioBuffer<float> renderFromTransportStart (juce::AudioPluginInstance& plugin,
                                                   const juce::AudioBuffer<float>& input,
                                                   const juce::AudioBuffer<float>* preRoll,
                                                   BlockSizes& blocks, HostPlayHead& playHead,
                                                   std::function<void (int, int)> progress)
{
    plugin.setPlayHead (&playHead);

    if (preRoll != nullptr && preRoll->getNumSamples() > 0)
    {
        // Other material played first, then the transport stops while that material keeps coming
        // in for a while (as a track being monitored does).
        playHead.timeInSamples = 0;
        playHead.playing = true;
        processOffline (plugin, *preRoll, preRoll->getNumSamples(), blocks, &playHead);
        playHead.playing = false;
        const auto stopped = juce::jmin (preRoll->getNumSamples(), (int) (0.25 * plugin.getSampleRate()) + 1);
        processOffline (plugin, *preRoll, stopped, blocks, &playHead);
    }

    playHead.timeInSamples = 0;
    playHead.playing = true;
    const auto latency = plugin.getLatencySamples();
    const auto length = input.getNumSamples();
    const auto processed =
        processOffline (plugin, input, length + latency, blocks, &playHead, false, std::move (progress));
    playHead.playing = false;
    plugin.setPlayHead (nullptr);

    // Without the plug-in's delay, the output lines up with the input.
    juce::AudioBuffer<float> output (processed.getNumChannels(), length);

    for (int c = 0; c < output.getNumChannels(); ++c)
        output.copyFrom (c, 0, processed, c, latency, length);

    return output;
}

juce::MemoryBlock wrapComponentState (const juce::MemoryBlock& componentState)
{
    juce::XmlElement state ("VST3PluginState");
    state.createNewChildElement ("IComponent")->addTextElement (componentState.toBase64Encoding());

    juce::MemoryBlock result;
    juce::AudioProcessor::copyXmlToBinary (state, result);
    return result;
}

juce::MemoryBlock readPresetFile (const juce::File& file, juce::String& error)
{
    juce::MemoryBlock raw;

    if (!file.existsAsFile() || !file.loadFileAsData (raw) || raw.getSize() == 0)
    {
        error = "cannot read the preset file " + file.getFullPathName();
        return {};
    }

    // The state blob is stored shifted left by a few bits; find the shift that gives back a blob.
    for (int shift = 0; shift <= 7; ++shift)
    {
        juce::BigInteger number;
        number.loadFromMemoryBlock (raw);
        number.shiftBits (-shift, 0);
        auto blob = number.toMemoryBlock();

        if (blob.getSize() > 8 && std::memcmp (blob.getData(), "VC2!", 4) == 0)
        {
            // The blob's closing zero byte is not stored; put it back.
            blob.append ("", 1);
            return blob;
        }
    }

    error = "the preset file holds no plug-in state: " + file.getFullPathName();
    return {};
}

namespace
{
    juce::String cidToString (const Steinberg::TUID cid)
    {
        // Each 32-bit word as the inline UID macro laid it out on this platform.
        const auto byte = [&cid] (int i) { return (juce::uint32) (juce::uint8) cid[i]; };
        juce::uint32 words[4];
#if COM_COMPATIBLE
        words[0] = byte (0) | (byte (1) << 8) | (byte (2) << 16) | (byte (3) << 24);
        words[1] = (byte (4) << 16) | (byte (5) << 24) | byte (6) | (byte (7) << 8);
        words[2] = (byte (8) << 24) | (byte (9) << 16) | (byte (10) << 8) | byte (11);
        words[3] = (byte (12) << 24) | (byte (13) << 16) | (byte (14) << 8) | byte (15);
#else
        for (int w = 0; w < 4; ++w)
            words[w] =
                (byte (4 * w) << 24) | (byte (4 * w + 1) << 16) | (byte (4 * w + 2) << 8) | byte (4 * w + 3);
#endif
        juce::StringArray parts;

        for (auto w : words)
            parts.add (juce::String::toHexString ((juce::int64) w).paddedLeft ('0', 8).toUpperCase());

        return parts.joinIntoString (" ");
    }

    juce::String fixedText (const char* text, size_t size)
    {
        return juce::String::fromUTF8 (text, (int) strnlen (text, size));
    }

    juce::File findModuleBinary (const juce::File& bundle)
    {
        if (bundle.existsAsFile())
            return bundle;

#if JUCE_WINDOWS
        const juce::String archFolder ("x86_64-win"), pattern ("*.vst3");
#else
        const juce::String archFolder ("x86_64-linux"), pattern ("*.so");
#endif
        const auto folder = bundle.getChildFile ("Contents").getChildFile (archFolder);
        const auto found = folder.findChildFiles (juce::File::findFiles, false, pattern);
        return found.isEmpty() ? juce::File() : found.getFirst();
    }
} // namespace

std::optional<FactoryInfo> readFactoryInfo (const juce::File& bundle, juce::String& error)
{
    const auto binary = findModuleBinary (bundle);

    if (binary == juce::File())
    {
        error = "no module binary in " + bundle.getFullPathName();
        return std::nullopt;
    }

    juce::DynamicLibrary library;

    if (!library.open (binary.getFullPathName()))
    {
        error = "cannot open " + binary.getFullPathName();
        return std::nullopt;
    }

#if JUCE_WINDOWS
    using EntryFn = bool (*)();
    using ExitFn = bool (*)();
    auto moduleEntry = (EntryFn) library.getFunction ("InitDll");
    auto moduleExit = (ExitFn) library.getFunction ("ExitDll");
    const auto entered = moduleEntry == nullptr || moduleEntry();
#else
    using EntryFn = bool (*) (void*);
    using ExitFn = bool (*)();
    auto moduleEntry = (EntryFn) library.getFunction ("ModuleEntry");
    auto moduleExit = (ExitFn) library.getFunction ("ModuleExit");
    const auto entered = moduleEntry == nullptr || moduleEntry (library.getNativeHandle());
#endif
    using FactoryFn = Steinberg::IPluginFactory*(PLUGIN_API*) ();
    auto getFactory = (FactoryFn) library.getFunction ("GetPluginFactory");

    if (!entered || getFactory == nullptr)
    {
        error = "the module has no usable VST3 entry points";
        return std::nullopt;
    }

    std::optional<FactoryInfo> result;

    if (auto* factory = getFactory())
    {
        FactoryInfo info;
        Steinberg::PFactoryInfo factoryInfo;

        if (factory->getFactoryInfo (&factoryInfo) == Steinberg::kResultOk)
        {
            info.vendor = fixedText (factoryInfo.vendor, sizeof (factoryInfo.vendor));
            info.url = fixedText (factoryInfo.url, sizeof (factoryInfo.url));
            info.email = fixedText (factoryInfo.email, sizeof (factoryInfo.email));
            info.flags = (int) factoryInfo.flags;
        }

        Steinberg::IPluginFactory2* factory2 = nullptr;
        factory->queryInterface (INLINE_UID_OF (Steinberg::IPluginFactory2), (void**) &factory2);

        for (Steinberg::int32 i = 0; i < factory->countClasses(); ++i)
        {
            FactoryClass entry;
            Steinberg::PClassInfo classInfo;

            if (factory->getClassInfo (i, &classInfo) != Steinberg::kResultOk)
                continue;

            entry.cid = cidToString (classInfo.cid);
            entry.category = fixedText (classInfo.category, sizeof (classInfo.category));
            entry.name = fixedText (classInfo.name, sizeof (classInfo.name));
            entry.cardinality = (int) classInfo.cardinality;

            Steinberg::PClassInfo2 classInfo2;

            if (factory2 != nullptr && factory2->getClassInfo2 (i, &classInfo2) == Steinberg::kResultOk)
            {
                entry.subCategories = fixedText (classInfo2.subCategories, sizeof (classInfo2.subCategories));
                entry.vendor = fixedText (classInfo2.vendor, sizeof (classInfo2.vendor));
                entry.version = fixedText (classInfo2.version, sizeof (classInfo2.version));
                entry.sdkVersion = fixedText (classInfo2.sdkVersion, sizeof (classInfo2.sdkVersion));
            }

            info.classes.add (entry);
        }

        if (factory2 != nullptr)
            factory2->release();

        factory->release();
        result = info;
    }
    else
    {
        error = "the module returned no factory";
    }

    if (moduleExit != nullptr)
        moduleExit();

    return result;
}

bool readAudioFile (const juce::File& file, juce::AudioBuffer<float>& audio, double& sampleRate,
                    juce::String& error)
{
    juce::AudioFormatManager formats;
    formats.registerBasicFormats();
    std::unique_ptr<juce::AudioFormatReader> reader (formats.createReaderFor (file));

    if (reader == nullptr)
    {
        error = "cannot read audio from " + file.getFullPathName();
        return false;
    }

    if (reader->numChannels < 1 || reader->numChannels > 2)
    {
        error = "only mono and stereo files are supported: " + file.getFullPathName();
        return false;
    }

    if (reader->lengthInSamples > std::numeric_limits<int>::max() / 2)
    {
        error = "the file is too long: " + file.getFullPathName();
        return false;
    }

    const auto length = (int) reader->lengthInSamples;
    audio.setSize ((int) reader->numChannels, length);
    reader->read (&audio, 0, length, 0, true, true);
    sampleRate = reader->sampleRate;
    return true;
}

bool writeWavFile (const juce::File& file, const juce::AudioBuffer<float>& audio, double sampleRate,
                   juce::String& error, int bits)
{
    file.getParentDirectory().createDirectory();
    file.deleteFile();
    juce::WavAudioFormat wav;
    std::unique_ptr<juce::OutputStream> stream (file.createOutputStream());
    std::unique_ptr<juce::AudioFormatWriter> writer;

    if (stream != nullptr)
        writer.reset (wav.createWriterFor (stream.get(), sampleRate, (unsigned int) audio.getNumChannels(),
                                           bits, {}, 0));

    if (writer == nullptr)
    {
        error = "cannot write " + file.getFullPathName();
        return false;
    }

    stream.release(); // the writer owns it now

    if (!writer->writeFromAudioSampleBuffer (audio, 0, audio.getNumSamples()))
    {
        error = "writing " + file.getFullPathName() + " failed";
        return false;
    }

    return true;
}

float peakOf (const juce::AudioBuffer<float>& buffer, int start)
{
    float peak = 0.0f;
    const auto n = buffer.getNumSamples() - start;

    for (int c = 0; c < buffer.getNumChannels() && n > 0; ++c)
        peak = juce::jmax (peak, buffer.getMagnitude (c, start, n));

    return peak;
}

float rmsOf (const juce::AudioBuffer<float>& buffer, int start)
{
    double sum = 0.0;
    long count = 0;

    for (int c = 0; c < buffer.getNumChannels(); ++c)
    {
        const auto* data = buffer.getReadPointer (c);

        for (int i = start; i < buffer.getNumSamples(); ++i)
        {
            sum += (double) data[i] * data[i];
            ++count;
        }
    }

    return count > 0 ? (float) std::sqrt (sum / (double) count) : 0.0f;
}

bool allFinite (const juce::AudioBuffer<float>& buffer)
{
    for (int c = 0; c < buffer.getNumChannels(); ++c)
    {
        const auto* data = buffer.getReadPointer (c);

        for (int i = 0; i < buffer.getNumSamples(); ++i)
            if (!std::isfinite (data[i]))
                return false;
    }

    return true;
}

int indexOfPeak (const juce::AudioBuffer<float>& buffer, int channel)
{
    int best = -1;
    float bestValue = 0.0f;
    const auto* data = buffer.getReadPointer (channel);

    for (int i = 0; i < buffer.getNumSamples(); ++i)
    {
        const auto v = std::abs (data[i]);

        if (v > bestValue)
        {
            bestValue = v;
            best = i;
        }
    }

    return best;
}
} // namespace kaleidra_host
