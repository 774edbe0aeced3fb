#pragma once

namespace tarn_gui
{
// What an import did.
struct PackImportResult
{
    bool opened = false; // the target folder exists and the pack could be read as an archive
    int extracted = 0;   // preset files written
    int skipped = 0;     // entries left out: not a preset file, too big, a link, or outside the target
    bool failed = false; // a preset file could not be written; the import stopped there
};

// Unpacks a preset pack into the folder named after the pack (its file name up to the last
// dot) directly inside presetFolder, replacing files of an earlier import. Pack files come from
// anywhere, so only entries whose names end in the preset extension, that hold at most
// maxPresetFileBytes and that land inside the target folder are written; every other entry is
// skipped and nothing is ever written outside the target folder.
PackImportResult unpackPresetPack (const juce::File& pack, const juce::File& presetFolder,
                                   const juce::String& presetExtension = ".kd11");

// The same for a pack already open as an archive, into an existing target folder.
PackImportResult unpackPresetPackInto (juce::ZipFile& archive, const juce::File& targetFolder,
                                       const juce::String& presetExtension);

// Writes a pack of the folder's preset files (and those of its subfolders) to target,
// replacing whatever target held. False, with target untouched, if the pack could not be written
// completely.
bool writePresetPack (const PresetManager::UserFolder& folder, const juce::File& target);
} // namespace tarn_gui
