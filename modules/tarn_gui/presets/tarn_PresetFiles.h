#pragma once

namespace tarn_gui
{
// Preset files hold the state blob shifted left by PresetManager::PresetLoader::encodingShift bits,
// read as one little-endian number and written back in as few bytes as its highest set bit needs.
// Both operate in place.
void encodePresetData (juce::MemoryBlock& data);
void decodePresetData (juce::MemoryBlock& data);

// The name a preset file or folder is shown under: the last path element, without its
// extension (a leading dot does not count as one), with "_" shown as a blank and the first
// character upper-cased. "/a/deep_space.kd11" gives "Deep space". Both "/" and, on Windows,
// "\" separate path elements.
juce::String displayNameFromPath (const juce::String& path);

// The last path element of a path, without its extension, where a dot at the first character
// does not start an extension: "/a/warm_pads.kd11_pack" gives "warm_pads".
juce::String fileStemFromPath (const juce::String& path);

// juce::File::create() / createDirectory() with up to five attempts, 100 ms apart; false at
// once if the calling thread has been asked to exit.
bool createFileWithRetries (const juce::File& file);
bool createDirectoryWithRetries (const juce::File& folder);

// Finds, or creates, the user preset folder ".../<company>/<plug-in name>/Presets", with
// blanks of the plug-in name replaced by "_". Existing folders are looked for in the framework's
// global, common and then per-user locations; a new folder is only ever made in a per-user
// location. Returns an empty File when none exists and none can be made.
juce::File locateUserPresetFolder (const juce::String& companyName, const juce::String& pluginName);

// Largest preset file, and largest pack entry, that is read at all.
constexpr juce::int64 maxPresetFileBytes = 1 << 20;

// The framework parses XML, and turns it into trees, recursively: a blob nested some ten
// thousand elements deep overflows the stack. A state of this plug-in is two levels deep, so
// anything nested deeper than this is refused before it is parsed.
constexpr int maxStateNesting = 32;

// How deep the elements of a state blob's XML text are nested (an upper bound: comments,
// processing instructions, CDATA and quoted attribute values are skipped). -1 if the data is
// not a state blob at all (shorter than 9 bytes or without the "VC2!" header).
int stateBlobNestingDepth (const void* data, int sizeInBytes);

// True if the text up to maxBytes (or its first zero byte) is well-formed UTF-8: no stray or
// missing continuation bytes, no overlong forms, no surrogates, nothing above U+10FFFF.
bool isStrictUtf8 (const char* text, int maxBytes);

// A blob that setState may hand to the framework's XML parser: a state blob whose text is valid
// UTF-8 (the parser reads past the end of text that is not) nested no deeper than maxStateNesting.
bool isParsableStateBlob (const void* data, int sizeInBytes);

// The state tree of a parsed state: like juce::ValueTree::fromXml, but an attribute given twice
// keeps its first value (fromXml would keep both, so that the value the parameters take and the
// value written on the next save differ), and text between elements is left out.
juce::ValueTree stateTreeFromXml (const juce::XmlElement& xml);
} // namespace tarn_gui
