/*******************************************************************************
 The block below describes the module to the JUCE build tools.

 BEGIN_JUCE_MODULE_DECLARATION

  ID:                 tarn_gui
  vendor:             tarnlight
  version:            1.1.2
  name:               Tarnlight widget kit and preset system
  description:        Look-and-feel, parameter-bound controls, hint line, preset manager, preset files and
packs. license:            Proprietary dependencies:       juce_core, juce_data_structures,
juce_audio_processors, juce_gui_basics, juce_gui_extra minimumCppStandard: 17

 END_JUCE_MODULE_DECLARATION
*******************************************************************************/

#pragma once
#define TARN_GUI_H_INCLUDED

#include <juce_core/juce_core.h>
#include <juce_data_structures/juce_data_structures.h>
#include <juce_audio_processors/juce_audio_processors.h>
#include <juce_gui_basics/juce_gui_basics.h>
#include <juce_gui_extra/juce_gui_extra.h>

#include "shared/tarn_Updaters.h"

// Widget kit
#include "lookandfeel/tarn_LookAndFeel.h"
#include "buttons/tarn_Buttons.h"
#include "labels/tarn_Labels.h"
#include "suites/tarn_Suites.h"
#include "hints/tarn_TipDisplayComponent.h"

// Preset system
#include "presets/tarn_PresetManager.h"
#include "presets/tarn_PresetFiles.h"
#include "presets/tarn_PresetPacks.h"
#include "presets/tarn_FactoryPresetRegistrar.h"
#include "browser/tarn_PresetBrowser.h"
