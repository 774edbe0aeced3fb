// libFuzzer target for everything in the preset system that reads outside data: preset files
// (loadState), host state blobs (setState) and preset packs (unpackPresetPack).
//
// The first byte of an input chooses the path, the rest is the data. After each input the
// invariants are checked: a refused input changes nothing and adds no undo step; an accepted one
// leaves finite parameters that survive another save and load; an import writes only preset files
// of at most 1 MiB, only inside its target folder.
//
// Build and run: scripts/fuzz-presets.sh (a separate clang build with -DKALEIDRA_FUZZ=ON).
// With KALEIDRA_FUZZ_SEEDS=<folder> set, the first run writes a seed corpus into that folder.

#include "../gui/presets/FakePresetProcessor.h"

#include <cstdlib>

namespace
{
using kaleidra::test::FakePresetProcessor;

juce::File scratchRoot;

[[noreturn]] void fail (const char* what)
{
    std::fprintf (stderr, "preset fuzzer: invariant broken: %s\n", what);
    std::abort();
}

// Lives until the process ends: the framework's own shutdown order does not suit a fuzzer's exit.
FakePresetProcessor& processor()
{
    static auto* instance = new FakePresetProcessor();
    return *instance;
}

juce::MemoryBlock stateOf (FakePresetProcessor& p, bool withInfo)
{
    juce::MemoryBlock block;
    p.getState (block, withInfo);
    return block;
}

void checkParametersAreSane (FakePresetProcessor& p)
{
    for (const auto& id : kaleidra::presets::parameterIDs())
    {
        auto* parameter = p.tree.getParameter (id);
        const auto value = parameter->getValue();

        if (!std::isfinite (value) || value < 0.0f || value > 1.0f)
            fail ("a parameter left its range");
    }
}

void fuzzState (const juce::uint8* data, size_t size, bool encoded)
{
    auto& p = processor();
    p.resetToDefaults();
    auto before = stateOf (p, true); // also moves the reset into the tree (and the history) now
    p.undoManager.clearUndoHistory();
    before = stateOf (p, true);

    juce::MemoryBlock block (data, size);
    const bool accepted = encoded ? p.loadState (block) : p.setState (data, (int) size);

    if (!accepted)
    {
        if (stateOf (p, true) != before)
            fail ("a refused state changed the state");

        if (p.undoManager.canUndo())
            fail ("a refused state added an undo step");

        return;
    }

    checkParametersAreSane (p);

    // What was accepted is saved, and what was saved loads back to the same parameters. The first
    // save may normalise the text; from then on the bytes stay the same.
    const auto saved = stateOf (p, false);
    const auto values = p.plainValues();

    if (!p.setState (saved.getData(), (int) saved.getSize()))
        fail ("a saved state was refused");

    if (p.plainValues() != values)
        fail ("a saved state did not load back to the same parameters");

    const auto normalised = stateOf (p, false);

    if (!p.setState (normalised.getData(), (int) normalised.getSize()) || stateOf (p, false) != normalised)
        fail ("a saved state changed again on its second save");

    if (encoded && p.undoManager.canUndo())
    {
        // setState above emptied the history; a load followed by its undo must work too.
        p.loadState (
            [&]
            {
                auto coded = saved;
                tarn_gui::encodePresetData (coded);
                return coded;
            }());
        p.undoManager.undo();
    }
}

void fuzzPack (const juce::uint8* data, size_t size)
{
    const auto presets = scratchRoot.getChildFile ("Presets");
    const auto pack = scratchRoot.getChildFile ("input.kd11_pack");
    presets.deleteRecursively();
    presets.createDirectory();
    pack.replaceWithData (data, size);

    const auto result = tarn_gui::unpackPresetPack (pack, presets);
    const auto target = presets.getChildFile ("input");

    for (const auto& f :
         scratchRoot.findChildFiles (juce::File::findFiles, true, "*", juce::File::FollowSymlinks::no))
    {
        if (f == pack)
            continue;

        if (!f.isAChildOf (target))
            fail ("an import wrote outside its target folder");

        if (!f.getFileName().endsWith (".kd11") || f.getSize() > tarn_gui::maxPresetFileBytes ||
            f.isSymbolicLink())
            fail ("an import wrote something that is not a preset file");
    }

    if (result.extracted < 0 || result.skipped < 0)
        fail ("impossible import counts");
}

void writeSeeds (const juce::File& folder)
{
    folder.createDirectory();
    int n = 0;
    const auto write = [&] (juce::uint8 path, const juce::MemoryBlock& body)
    {
        juce::MemoryOutputStream out;
        out.writeByte ((char) path);
        out.write (body.getData(), body.getSize());
        folder.getChildFile ("seed-" + juce::String (n++)).replaceWithData (out.getData(), out.getDataSize());
    };

    auto& p = processor();

    for (const auto& [id, preset] : p.presetManager.getFactoryPresets())
    {
        write (0, preset.data);

        auto plain = preset.data;
        tarn_gui::decodePresetData (plain);
        write (1, plain);

        if (id > 14)
            break;
    }

    p.presetManager.setCurrentId (12);
    write (1, stateOf (p, true));

    // A small pack with a preset, a subfolder and a file that is not a preset.
    juce::ZipFile::Builder builder;
    const auto preset = p.presetManager.factoryPresetAt (10).data;
    builder.addEntry (new juce::MemoryInputStream (preset, true), 5, "a.kd11", juce::Time());
    builder.addEntry (new juce::MemoryInputStream (preset, true), 0, "Leads/b.kd11", juce::Time());
    builder.addEntry (new juce::MemoryInputStream ("text", 4, true), 5, "readme.txt", juce::Time());
    juce::MemoryOutputStream zip;
    builder.writeToStream (zip, nullptr);
    write (2, zip.getMemoryBlock());
}
} // namespace

extern "C" int LLVMFuzzerInitialize (int*, char***)
{
    juce::initialiseJuce_GUI();

    scratchRoot = juce::File::createTempFile ("kaleidra-fuzz");
    scratchRoot.createDirectory();
    ::setenv ("HOME", scratchRoot.getChildFile ("home").getFullPathName().toRawUTF8(), 1);
    ::setenv ("XDG_CONFIG_HOME", scratchRoot.getChildFile ("home/.config").getFullPathName().toRawUTF8(), 1);
    processor();

    if (const char* seeds = std::getenv ("KALEIDRA_FUZZ_SEEDS"))
        writeSeeds (juce::File (seeds));

    std::atexit ([] { scratchRoot.deleteRecursively(); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput (const juce::uint8* data, size_t size)
{
    if (size == 0 || size > (size_t) tarn_gui::maxPresetFileBytes)
        return 0;

    switch (data[0] % 3)
    {
        case 0:
            fuzzState (data + 1, size - 1, true);
            break;
        case 1:
            fuzzState (data + 1, size - 1, false);
            break;
        default:
            fuzzPack (data + 1, size - 1);
            break;
    }

    return 0;
}
