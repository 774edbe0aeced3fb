// kaleidra-preset-compiler: turns the factory preset table into the C++ source of the encoded
// factory preset blobs that the plug-in compiles in.
//
//     kaleidra-preset-compiler factory-presets.csv FactoryPresetData.cpp
//
// Fails (exit code 1, with the table line) on any malformed row, and refuses to write blobs that
// would not survive being loaded and saved again unchanged.

#include "PresetTable.h"

#include <tarn_gui/tarn_gui.h>

#include <iostream>

namespace
{
int fail (const juce::String& message)
{
    std::cerr << "kaleidra-preset-compiler: " << message << std::endl;
    return 1;
}

// A blob whose values, set again, give other bytes would change on the first save.
juce::Result checkStable (const kaleidra::presets::PresetRow& row)
{
    using namespace kaleidra::presets;

    const auto blob = makeStateBlob (row);
    PresetRow again = row;

    if (!readStateBlob (blob.getData(), (int) blob.getSize(), again.values))
        return juce::Result::fail ("line " + juce::String (row.line) + ": the state cannot be read back");

    if (makeStateBlob (again) != blob)
        return juce::Result::fail ("line " + juce::String (row.line) +
                                   ": the values do not survive a reload");

    auto coded = blob;
    tarn_gui::encodePresetData (coded);
    tarn_gui::decodePresetData (coded);

    // Decoding drops the blob's final zero byte, as it does for every preset file.
    if (coded.getSize() + 1 != blob.getSize() ||
        std::memcmp (coded.getData(), blob.getData(), coded.getSize()) != 0)
        return juce::Result::fail ("line " + juce::String (row.line) + ": the encoding does not round-trip");

    return juce::Result::ok();
}
} // namespace

int main (int argc, char** argv)
{
    if (argc != 3)
        return fail ("usage: kaleidra-preset-compiler TABLE.csv OUTPUT.cpp");

    juce::ScopedJuceInitialiser_GUI framework;

    const juce::File table (juce::File::getCurrentWorkingDirectory().getChildFile (argv[1]));
    const juce::File output (juce::File::getCurrentWorkingDirectory().getChildFile (argv[2]));

    if (!table.existsAsFile())
        return fail ("cannot read " + table.getFullPathName());

    juce::Array<kaleidra::presets::PresetRow> rows;

    if (auto parsed = kaleidra::presets::parsePresetTable (table.loadFileAsString(), rows); parsed.failed())
        return fail (table.getFileName() + ", " + parsed.getErrorMessage());

    for (const auto& row : rows)
        if (auto stable = checkStable (row); stable.failed())
            return fail (table.getFileName() + ", " + stable.getErrorMessage());

    const auto source = kaleidra::presets::generateSource (rows, table.getFileName());

    // Rewriting an unchanged file would only trigger a rebuild.
    if (output.existsAsFile() && output.loadFileAsString() == source)
        return 0;

    if (!output.getParentDirectory().createDirectory().wasOk() || !output.replaceWithText (source))
        return fail ("cannot write " + output.getFullPathName());

    std::cout << "kaleidra-preset-compiler: " << rows.size() << " factory presets written to "
              << output.getFullPathName() << std::endl;
    return 0;
}
