// Argument holders: ramp lengths and arithmetic, restarts, resets, the audio-thread operations
// and their refusals, and the display texts.

#include "DspTestHelpers.h"

#include <gtest/gtest.h>

using namespace kaleidra::test;
using RawArg = tarn_dsp::FloatArg_v2<float, 0>;
using PercentArg = tarn_dsp::PercentArg_v2<float>;
using SizeArg = Stage::SecondsTrackingMicrosecondsArg_v2<float>;

namespace
{
// Steps a holder one sample at a time through fillRamp and returns the values it produced.
template <typename Holder>
std::vector<float> stepSamples (Holder& holder, int samples)
{
    std::vector<float> values;
    for (int i = 0; i < samples; ++i)
    {
        EXPECT_TRUE (holder.fillRamp (1));
        values.push_back (holder.rampBuffer[0]);
        holder.releaseRamp();
    }
    return values;
}
} // namespace

TEST (ArgumentHolders, RampLengthFollowsTheSampleRate)
{
    struct Case
    {
        double sampleRate;
        int length;
    };
    for (const auto& c :
         { Case{ 44100.0, 3308 }, Case{ 48000.0, 3601 }, Case{ 96000.0, 7201 }, Case{ 22050.0, 1654 } })
    {
        RawArg holder (0.0f);
        holder.reset (c.sampleRate);
        EXPECT_EQ (holder.rampLength, c.length) << c.sampleRate;

        holder.prepare (16);
        ASSERT_TRUE (holder.setTarget (1.0f));
        EXPECT_EQ (holder.remaining, c.length);
    }

    RawArg fresh (3.0f);
    EXPECT_EQ (fresh.rampLength, 3308); // set up for 44.1 kHz by the constructor
    EXPECT_EQ (fresh.sampleRate, 44100.0f);
}

TEST (ArgumentHolders, RampArrivesExactlyAtTheTargetAfterItsLength)
{
    for (const float target : { 1.0f, -28.0f, 0.3f, 12300.0f, -0.0001f })
    {
        RawArg holder (0.5f);
        holder.prepare (8);
        ASSERT_TRUE (holder.setTarget (target));

        const auto values = stepSamples (holder, 3307);
        EXPECT_EQ (holder.remaining, 1);
        EXPECT_FALSE (holder.isAtRest (target));

        // Linear: every step moves by the same amount (up to float rounding of the running sum).
        const float step = (target - 0.5f) / 3308.0f;
        EXPECT_NEAR (values[100] - values[99], step, std::abs (step) * 1e-2f + 1e-6f);

        stepSamples (holder, 1);
        EXPECT_EQ (holder.current, target) << "exact arrival";
        EXPECT_EQ (holder.remaining, 0);
        EXPECT_EQ (holder.output.load(), target);
        EXPECT_TRUE (holder.isAtRest (target));

        // At rest: one value, the output.
        ASSERT_TRUE (holder.fillRamp (64));
        EXPECT_EQ (holder.rampLast, 0);
        EXPECT_EQ (holder.rampBuffer[0], target);
        holder.releaseRamp();
    }
}

TEST (ArgumentHolders, SetTargetToTheRestingValueStartsNoRamp)
{
    RawArg holder (50.0f);
    EXPECT_FALSE (holder.setTarget (50.0f));
    EXPECT_EQ (holder.remaining, 0);

    // Back to the current value while the target is elsewhere: the target moves, no ramp.
    ASSERT_TRUE (holder.setTarget (60.0f));
    EXPECT_TRUE (holder.setTarget (50.0f));
    EXPECT_EQ (holder.remaining, 0);
    EXPECT_EQ (holder.target, 50.0f);
}

TEST (ArgumentHolders, SecondTargetRestartsFromCurrentOverTheFullLength)
{
    RawArg holder (0.0f);
    holder.prepare (2048);
    ASSERT_TRUE (holder.setTarget (10.0f));
    ASSERT_TRUE (holder.fillRamp (1000));
    holder.releaseRamp();
    const float reached = holder.current;
    ASSERT_GT (reached, 0.0f);
    ASSERT_LT (reached, 10.0f);

    ASSERT_TRUE (holder.setTarget (20.0f));
    EXPECT_EQ (holder.remaining, 3308);
    EXPECT_EQ (holder.current, reached);
    EXPECT_EQ (holder.step, (20.0f - reached) / 3308.0f);

    stepSamples (holder, 3308);
    EXPECT_EQ (holder.current, 20.0f);
}

TEST (ArgumentHolders, ResetDuringARampJumpsToTheTargetAndSetsOutput)
{
    PercentArg mix ("Mix");
    mix.setAtRest (100.0f);
    mix.prepare (256);
    ASSERT_TRUE (mix.setTarget (50.0f));
    ASSERT_TRUE (mix.fillRamp (100));
    mix.releaseRamp();
    ASSERT_GT (mix.output.load(), 0.5f);

    mix.reset (48000.0);
    EXPECT_EQ (mix.current, 50.0f);
    EXPECT_EQ (mix.remaining, 0);
    EXPECT_EQ (mix.output.load(), 50.0f * 0.01f); // engine-side value of the target
    EXPECT_EQ (mix.rampLength, 3601);

    ASSERT_TRUE (mix.setTarget (60.0f));
    EXPECT_EQ (mix.remaining, 3601);

    // A reset with no ramp running leaves output alone.
    PercentArg idle;
    idle.setAtRest (30.0f);
    idle.output = 0.123f;
    idle.reset (44100.0);
    EXPECT_EQ (idle.output.load(), 0.123f);
}

TEST (ArgumentHolders, FillRampRefusesWithoutChangingAnything)
{
    RawArg holder (0.0f);
    holder.prepare (64);
    ASSERT_TRUE (holder.setTarget (1.0f));

    EXPECT_FALSE (holder.fillRamp (0));
    EXPECT_FALSE (holder.fillRamp (-5));
    EXPECT_EQ (holder.remaining, 3308);
    EXPECT_EQ (holder.rampActive.load(), 0);

    // Value lock busy (a writer is in setTarget): the audio thread gives up at once.
    holder.lockFlag = 1;
    EXPECT_FALSE (holder.fillRamp (16));
    EXPECT_FALSE (holder.advanceBlock (16));
    // The non-waiting queries judge by `output` (still 0) while the lock is busy.
    EXPECT_FALSE (holder.differsFrom (0.0f));
    EXPECT_TRUE (holder.isAtRest (0.0f));
    holder.lockFlag = 0;

    // Ramp buffer still in use: refused, and the value lock is free again afterwards.
    ASSERT_TRUE (holder.fillRamp (16));
    EXPECT_FALSE (holder.fillRamp (16));
    EXPECT_EQ (holder.lockFlag.load(), 0);
    holder.releaseRamp();
    EXPECT_EQ (holder.remaining, 3308 - 16);

    // Never prepared: nowhere to put values.
    RawArg unprepared (0.0f);
    unprepared.setTarget (1.0f);
    EXPECT_FALSE (unprepared.fillRamp (4));
    EXPECT_EQ (unprepared.rampLock.load(), 0);
}

TEST (ArgumentHolders, FillRampStopsAtTheTargetWithinTheBlock)
{
    PercentArg mix;
    mix.setAtRest (0.0f);
    mix.prepare (4096);
    ASSERT_TRUE (mix.setTarget (100.0f));
    ASSERT_TRUE (mix.fillRamp (3000));
    mix.releaseRamp();

    ASSERT_TRUE (mix.fillRamp (512));
    EXPECT_EQ (mix.rampLast, 307); // 308 steps were left
    EXPECT_EQ (mix.rampBuffer[307], 1.0f);
    EXPECT_EQ (mix.valueAt (400), 1.0f); // past the last value: held
    EXPECT_EQ (mix.output.load(), 1.0f);
    mix.releaseRamp();
    EXPECT_EQ (mix.valueAt (0), 1.0f); // released: output
}

TEST (ArgumentHolders, AdvanceBlockReportsTheVariantsValue)
{
    // Segment size (variant 1): the value after n samples.
    SizeArg size ("Segment Size");
    size.setAtRest (10.0f);
    size.prepare (64);
    SizeArg reference ("Segment Size");
    reference.setAtRest (10.0f);
    reference.prepare (64);
    size.setTarget (40.0f);
    reference.setTarget (40.0f);

    ASSERT_TRUE (size.advanceBlock (100));
    const auto steps = stepSamples (reference, 100);
    EXPECT_EQ (size.rampBuffer[0], steps.back());
    EXPECT_EQ (size.output.load(), steps.back());
    size.releaseRamp();

    // Filter argument (variant 0): the value after the first sample, output at the end.
    RawArg gain (0.0f);
    gain.prepare (64);
    RawArg gainReference (0.0f);
    gainReference.prepare (64);
    gain.setTarget (-56.0f);
    gainReference.setTarget (-56.0f);
    ASSERT_TRUE (gain.advanceBlock (64));
    const auto gainSteps = stepSamples (gainReference, 64);
    EXPECT_EQ (gain.rampBuffer[0], gainSteps.front());
    EXPECT_EQ (gain.output.load(), gainSteps.back());
    gain.releaseRamp();

    // At rest: the output.
    RawArg rest (7.0f);
    rest.prepare (4);
    ASSERT_TRUE (rest.advanceBlock (32));
    EXPECT_EQ (rest.rampBuffer[0], 7.0f);
    rest.releaseRamp();
}

TEST (ArgumentHolders, ConversionsToEngineUnits)
{
    PercentArg mix;
    mix.setAtRest (120.0f);
    EXPECT_FLOAT_EQ (mix.output.load(), 1.2f);
    mix.setAtRest (100.0f);
    EXPECT_EQ (mix.output.load(), 1.0f); // exactly: the full exchange depends on it

    SizeArg size;
    size.setAtRest (48.0f);
    EXPECT_EQ (size.output.load(), 0.000048f);
    size.setAtRest (50.0f);
    EXPECT_EQ (size.output.load(), 0.00005f);

    RawArg raw (3.5f);
    EXPECT_EQ (raw.convert (3.5f), 3.5f);
    EXPECT_EQ (raw.output.load(), 3.5f);
}

TEST (ArgumentHolders, TargetIsReadUnderTheLockAndShownInTexts)
{
    PercentArg mix ("Mix");
    mix.setAtRest (100.0f);
    mix.prepare (16);
    mix.setTarget (42.5f); // ramping: the text shows where it is going
    EXPECT_EQ (mix.getTargetLocked(), 42.5f);
    EXPECT_EQ (mix.toString (1), "Mix: 42.5%");
    EXPECT_EQ (mix.lockFlag.load(), 0);
}

TEST (ArgumentHolders, DisplayTexts)
{
    Stage stage;
    tarn_dsp::KaleidraMultistage<float, 3> engine;

    stage.mix.setAtRest (100.0f);
    stage.segmentSize.setAtRest (11.0f);
    stage.segmentCount.value = 31;
    stage.tone.presence = 75.0f;

    struct Case
    {
        juce::String actual, expected;
    };
    const Case cases[] = {
        { stage.mix.toString (1), "Mix: 100.0%" },
        { stage.mix.toString (0), "Mix: 100%" },
        { stage.segmentSize.toString (1), "Segment Size: 11.0<microseconds>" },
        { stage.segmentCount.toString(), "N: 31" },
        { stage.tone.presenceText(), "Presence: 75.0%" },
        { engine.mode.toString(), "Mode: Series" },
    };
    for (const auto& c : cases)
        EXPECT_EQ (c.actual, c.expected);

    engine.mode.index = 1;
    EXPECT_EQ (engine.mode.toString(), "Mode: Parallel");

    // An empty name leaves out the name and ": ".
    SizeArg unnamed ("");
    unnamed.setAtRest (11.0f);
    EXPECT_EQ (unnamed.toString (1), "11.0<microseconds>");
    tarn_dsp::IntArg count (7, "");
    EXPECT_EQ (count.toString(), "7");

    PercentArg precise ("Mix");
    precise.setAtRest (12.25f);
    EXPECT_EQ (precise.toString (2), "Mix: 12.25%");
}

TEST (ArgumentHolders, ModeIndexOutOfRangeReadsAsEmptyOption)
{
    for (const int index : { 2, 7, -1, 1000000 })
    {
        tarn_dsp::ChoiceArg mode (tarn_dsp::getModeOptions(), "Mode");
        mode.index = index;
        EXPECT_EQ (mode.currentOption(), juce::String()) << index;
        EXPECT_EQ (mode.toString(), "Mode: ") << index;
    }

    EXPECT_EQ (tarn_dsp::getModeOptions(), juce::StringArray ({ "Series", "Parallel" }));
}
