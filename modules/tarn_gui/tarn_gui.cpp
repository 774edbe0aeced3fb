#include "tarn_gui.h"

// Widget kit
#include "lookandfeel/tarn_LookAndFeel.cpp"
#include "buttons/tarn_Buttons.cpp"
#include "labels/tarn_Labels.cpp"
#include "suites/tarn_Suites.cpp"
#include "hints/tarn_TipDisplayComponent.cpp"

// Preset system
#include "presets/tarn_PresetFiles.cpp"
#include "presets/tarn_PresetManager.cpp"
#include "presets/tarn_PresetLoader.cpp"
#include "presets/tarn_PresetPacks.cpp"
#include "presets/tarn_FactoryPresetRegistrar.cpp"
#include "presets/tarn_PresetMenus.cpp"
#include "browser/tarn_PresetBrowser.cpp"
