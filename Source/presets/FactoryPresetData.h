#pragma once

// The factory presets, compiled at build time from factory-presets.csv (beside this file) by
// tools/preset-compiler into FactoryPresetData.cpp in the build tree. Entries are in table order,
// which is the order in which the processor registers them.
namespace kaleidra
{
struct FactoryPresetData
{
    const char* group;         // "Bass//Guitar", "One-stage", ...
    const char* name;          // "Black pepper", ...
    const unsigned char* data; // the preset's state in the encoded preset file form
    int size;                  // bytes in data
};

extern const FactoryPresetData factoryPresetData[];
extern const int numFactoryPresetData;
} // namespace kaleidra
