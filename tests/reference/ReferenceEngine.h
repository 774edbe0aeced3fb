#pragma once

// The engine in its literal, unoptimised form, kept only so that tests and benchmarks can check
// and measure the optimised engine (modules/tarn_dsp) against it in the same run. It must not be
// optimised: it is the engine as it stood before optimisation, in namespace kaleidra_reference
// with the same class names. Only the argument holders, Processor, the holder text helpers, the
// mode options and lerp are shared with tarn_dsp; everything else is its own copy.
//
// Include this header (not the parts): the shared holders come from tarn_dsp first.
//   kaleidra_reference::KaleidraMultistage<float, 3>   the whole engine
//   kaleidra_reference::KaleidraStage<float>           one stage
//   kaleidra_reference::SampleRing, SampleFifo, CubicTracker, HighShelfFilter<float>

#include <tarn_dsp/tarn_dsp.h>

#include "ReferenceQueues.h"
#include "ReferenceFilters.h"
#include "ReferenceStage.h"
#include "ReferenceMultistage.h"
