// kaleidra-factory-presets: the compiled-in factory presets, for scripts.
//
//     kaleidra-factory-presets list
//     kaleidra-factory-presets export DIR
//         writes every factory preset as a preset file DIR/NN_Name.kd11 (NN = table position),
//         byte for byte the data the plug-in carries
//     kaleidra-factory-presets check-renders RENDER.wav...
//         checks renders of the presets: none silent, none beyond 0 dBFS, no two identical;
//         prints peak and RMS per file and exits 1 on any problem

#include "RenderCheck.h"

#include <FactoryPresetData.h>
#include <juce_audio_formats/juce_audio_formats.h>

#include <iostream>

namespace
{
juce::File argFile (const char* path)
{
    return juce::File::getCurrentWorkingDirectory().getChildFile (path);
}

juce::String fileNameFor (int index)
{
    const auto& p = kaleidra::factoryPresetData[index];
    return juce::String (index + 1).paddedLeft ('0', 2) + "_" +
           juce::String (p.name).replaceCharacter (' ', '_') + ".kd11";
}

int exportPresets (const juce::File& folder)
{
    if (!folder.createDirectory().wasOk())
        return 1;

    for (int i = 0; i < kaleidra::numFactoryPresetData; ++i)
    {
        const auto& p = kaleidra::factoryPresetData[i];

        if (!folder.getChildFile (fileNameFor (i)).replaceWithData (p.data, (size_t) p.size))
        {
            std::cerr << "cannot write " << fileNameFor (i) << std::endl;
            return 1;
        }
    }

    std::cout << kaleidra::numFactoryPresetData << " factory presets written to " << folder.getFullPathName()
              << std::endl;
    return 0;
}

int checkRenders (int count, char** paths)
{
    juce::AudioFormatManager formats;
    formats.registerBasicFormats();
    juce::StringArray names;
    juce::Array<juce::AudioBuffer<float>> renders;

    for (int i = 0; i < count; ++i)
    {
        const auto file = argFile (paths[i]);
        std::unique_ptr<juce::AudioFormatReader> reader (formats.createReaderFor (file));

        if (reader == nullptr)
        {
            std::cerr << "cannot read " << file.getFullPathName() << std::endl;
            return 1;
        }

        juce::AudioBuffer<float> audio ((int) reader->numChannels, (int) reader->lengthInSamples);
        reader->read (&audio, 0, (int) reader->lengthInSamples, 0, true, true);
        names.add (file.getFileNameWithoutExtension());
        renders.add (std::move (audio));
    }

    const auto result = kaleidra::presets::checkRenders (names, renders);

    std::cout << juce::String ("render").paddedRight (' ', 36) << "   peak dBFS    RMS dBFS\n";

    for (const auto& f : result.figures)
        std::cout << f.name.paddedRight (' ', 36)
                  << juce::String (juce::Decibels::gainToDecibels (f.peak, -200.0f), 2).paddedLeft (' ', 12)
                  << juce::String (juce::Decibels::gainToDecibels (f.rms, -200.0f), 2).paddedLeft (' ', 12)
                  << "\n";

    for (const auto& problem : result.problems)
        std::cout << "PROBLEM: " << problem << "\n";

    std::cout << renders.size() << " renders, " << result.problems.size() << " problems" << std::endl;
    return result.problems.isEmpty() ? 0 : 1;
}
} // namespace

int main (int argc, char** argv)
{
    const juce::String command = argc > 1 ? argv[1] : "";

    if (command == "list")
    {
        for (int i = 0; i < kaleidra::numFactoryPresetData; ++i)
            std::cout << fileNameFor (i) << "\t" << kaleidra::factoryPresetData[i].group << "\t"
                      << kaleidra::factoryPresetData[i].name << "\n";
        return 0;
    }

    if (command == "export" && argc == 3)
        return exportPresets (argFile (argv[2]));

    if (command == "check-renders" && argc > 2)
        return checkRenders (argc - 2, argv + 2);

    std::cerr << "usage: kaleidra-factory-presets list | export DIR | check-renders RENDER.wav..."
              << std::endl;
    return 2;
}
