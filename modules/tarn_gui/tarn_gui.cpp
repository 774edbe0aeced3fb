#include "tarn_gui.h"

#include "presets/tarn_PresetFiles.cpp"
#include "presets/tarn_PresetManager.cpp"
#include "presets/tarn_PresetLoader.cpp"
#include "presets/tarn_PresetPacks.cpp"
#include "presets/tarn_FactoryPresetRegistrar.cpp"
#include "presets/tarn_PresetMenus.cpp"
