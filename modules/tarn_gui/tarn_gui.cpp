#include "tarn_gui.h"
