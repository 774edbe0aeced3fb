#include "tarn_dsp.h"

#include "engine/tarn_ArgumentHolders.cpp"
#include "engine/tarn_Filters.cpp"
#include "engine/tarn_SampleQueues.cpp"
#include "engine/tarn_FixedBlockFeeder.cpp"
#include "engine/tarn_KaleidraStage.cpp"
#include "engine/tarn_KaleidraMultistage.cpp"
