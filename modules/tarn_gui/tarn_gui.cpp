#include "tarn_gui.h"

// Widget kit
#include "lookandfeel/tarn_LookAndFeel.cpp"
#include "buttons/tarn_Buttons.cpp"
#include "labels/tarn_Labels.cpp"
#include "suites/tarn_Suites.cpp"
#include "hints/tarn_TipDisplayComponent.cpp"
