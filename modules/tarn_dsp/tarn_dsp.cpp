#include "tarn_dsp.h"
