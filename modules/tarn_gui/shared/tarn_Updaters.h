#pragma once

namespace tarn_gui
{
// Applies a plain (not normalised) value that the user typed or stepped to the parameter with
// the given ID. The processor implements it; controls call it on the message thread.
struct UserValueUpdater
{
    virtual void updateUserValue (const juce::String& parameterID, float plainValue) = 0;

protected:
    ~UserValueUpdater() = default;
};

// Receives the display text of one engine setting: parameterType is a parameter type code
// (0 N Segs, 1 Seg Size, 2 Seg Mix, 3 Tone, 4 Mode, 5 none), stage is 1 to 3 or -1 for the
// global settings. The editor implements it; the processor calls it on the message thread.
struct LabelUpdater
{
    virtual void updateLabel (const juce::String& text, int parameterType, int stage) = 0;

protected:
    ~LabelUpdater() = default;
};
} // namespace tarn_gui
