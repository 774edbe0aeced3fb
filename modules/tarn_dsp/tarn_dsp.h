// clang-format off
/*******************************************************************************
 The block below describes the module to the JUCE build tools.

 BEGIN_JUCE_MODULE_DECLARATION

  ID:                 tarn_dsp
  vendor:             tarnlight
  version:            1.1.2
  name:               Tarnlight DSP engine
  description:        Ramped argument holders, tone filter, segment-mirroring stage, the three-stage engine and its fixed-block feeder.
  license:            Proprietary
  dependencies:       juce_core, juce_audio_basics, juce_dsp
  minimumCppStandard: 17

 END_JUCE_MODULE_DECLARATION
*******************************************************************************/
// clang-format on

#pragma once
#define TARN_DSP_H_INCLUDED

#include <juce_core/juce_core.h>
#include <juce_audio_basics/juce_audio_basics.h>
#include <juce_dsp/juce_dsp.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <memory>
#include <vector>

#include "engine/tarn_Lerp.h"
#include "engine/tarn_Processor.h"
#include "engine/tarn_ArgumentHolders.h"
#include "engine/tarn_Filters.h"
#include "engine/tarn_SampleQueues.h"
#include "engine/tarn_FixedBlockFeeder.h"
#include "engine/tarn_KaleidraStage.h"
#include "engine/tarn_KaleidraMultistage.h"
