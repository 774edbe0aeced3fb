#include "PluginTestHelpers.h"

using namespace kaleidra::test;

namespace
{
struct ParameterRow
{
    const char* id;
    float start, end, interval, defaultPlain, defaultNormalised;
};

// The host's list: order, ranges, steps and defaults.
const ParameterRow parameterTable[] = {
    { "Mode", 0.0f, 1.0f, 1.0f, 0.0f, 0.0f },
    { "Tone", 0.0f, 100.0f, 0.01f, 75.0f, 0.75f },
    { "1- N Segs", 2.0f, 91.0f, 1.0f, 31.0f, 29.0f / 89.0f },
    { "1- Seg Size", 1.0f, 48.0f, 0.01f, 11.0f, 10.0f / 47.0f },
    { "1- Seg Mix", 0.0f, 120.0f, 0.01f, 100.0f, 100.0f / 120.0f },
    { "2- N Segs", 2.0f, 91.0f, 1.0f, 31.0f, 29.0f / 89.0f },
    { "2- Seg Size", 1.0f, 48.0f, 0.01f, 11.0f, 10.0f / 47.0f },
    { "2- Seg Mix", 0.0f, 120.0f, 0.01f, 0.0f, 0.0f },
    { "3- N Segs", 2.0f, 91.0f, 1.0f, 31.0f, 29.0f / 89.0f },
    { "3- Seg Size", 1.0f, 48.0f, 0.01f, 11.0f, 10.0f / 47.0f },
    { "3- Seg Mix", 0.0f, 120.0f, 0.01f, 0.0f, 0.0f },
};
} // namespace

TEST (ParameterLayout, ElevenParametersInHostOrderWithRangesStepsAndDefaults)
{
    PluginProcessor processor;
    const auto& parameters = processor.getParameters();
    ASSERT_EQ (parameters.size(), 11);

    for (int i = 0; i < parameters.size(); ++i)
    {
        const auto& row = parameterTable[i];
        SCOPED_TRACE (row.id);
        auto* p = dynamic_cast<juce::RangedAudioParameter*> (parameters[i]);
        ASSERT_NE (p, nullptr);

        EXPECT_EQ (p->getParameterID(), row.id);
        EXPECT_EQ (p->getVersionHint(), 0);
        EXPECT_EQ (p->getName (100), row.id);
        EXPECT_EQ (p->getLabel(), "");
        EXPECT_EQ (p->getCategory(), juce::AudioProcessorParameter::genericParameter);
        EXPECT_TRUE (p->isAutomatable());

        const auto& range = p->getNormalisableRange();
        EXPECT_FLOAT_EQ (range.start, row.start);
        EXPECT_FLOAT_EQ (range.end, row.end);
        EXPECT_FLOAT_EQ (range.interval, row.interval);
        EXPECT_FLOAT_EQ (range.skew, 1.0f);

        EXPECT_FLOAT_EQ (p->getDefaultValue(), row.defaultNormalised);
        EXPECT_FLOAT_EQ (p->convertFrom0to1 (p->getDefaultValue()), row.defaultPlain);
        EXPECT_FLOAT_EQ (p->getValue(), row.defaultNormalised);
    }

    auto* modeParameter = dynamic_cast<juce::AudioParameterChoice*> (parameters[0]);
    ASSERT_NE (modeParameter, nullptr);
    EXPECT_EQ (modeParameter->choices, juce::StringArray ({ "Series", "Parallel" }));
    EXPECT_NE (dynamic_cast<juce::AudioParameterInt*> (parameters[2]), nullptr);
    EXPECT_NE (dynamic_cast<juce::AudioParameterFloat*> (parameters[1]), nullptr);

    // Float parameters show two decimals, following the 0.01 step.
    EXPECT_EQ (parameters[1]->getCurrentValueAsText(), "75.00");
}

TEST (ParameterLayout, SegmentCountNeverHoldsAFraction)
{
    PluginProcessor processor;
    auto& segments = parameter (processor, "2- N Segs");

    for (auto normalised : { 0.0f, 0.123f, 0.5f, 0.77f, 1.0f })
    {
        segments.setValueNotifyingHost (normalised);
        const auto plain = plainValue (processor, "2- N Segs");
        EXPECT_EQ (plain, std::round (plain)) << normalised;
        EXPECT_GE (plain, 2.0f);
        EXPECT_LE (plain, 91.0f);
    }
}

TEST (ParameterIDs, ParseTable)
{
    const struct
    {
        const char* id;
        ParameterType type;
        int stage;
    } cases[] = {
        { "3- Seg Mix", segMix, 3 },   { "1- N Segs", nSegs, 1 }, { "2- Seg Size", segSize, 2 },
        { "Tone", tone, -1 },          { "Mode", mode, -1 },      { "Seg Size", segSize, 0 },
        { "Volume", none, -1 },        { "", none, -1 },          { "mode", none, -1 },
        { "12- Seg Mix", segMix, 12 }, { "x- N Segs", nSegs, 0 }, { "Tone ", none, -1 },
    };

    for (const auto& c : cases)
    {
        const auto [type, stage] = parseParameterID (c.id);
        EXPECT_EQ (type, c.type) << c.id;
        EXPECT_EQ (stage, c.stage) << c.id;
    }
}

TEST (ParameterIDs, MakeTableAndRoundTrip)
{
    EXPECT_EQ (makeParameterID (nSegs, 2), "2- N Segs");
    EXPECT_EQ (makeParameterID (segSize, 1), "1- Seg Size");
    EXPECT_EQ (makeParameterID (segMix, 3), "3- Seg Mix");
    EXPECT_EQ (makeParameterID (mode, -1), "Mode");
    EXPECT_EQ (makeParameterID (tone, -1), "Tone");
    EXPECT_EQ (makeParameterID (none, -1), "");
    EXPECT_EQ (makeParameterID (none, 2), "2- ");

    // Every ID of the layout decodes to the type and stage it was made from.
    for (const auto& id : parameterIDsInOrder())
    {
        const auto [type, stage] = parseParameterID (id);
        EXPECT_EQ (makeParameterID (type, stage), id);
        EXPECT_GE (parameterIndex (type, stage), 0);
        EXPECT_EQ (parameterIDsInOrder()[(size_t) parameterIndex (type, stage)], id);
    }
}

TEST (PluginIdentity, AnswersTheHostExpects)
{
    PluginProcessor processor;
    EXPECT_EQ (processor.getName(), "Kaleidra_v1-1");
    EXPECT_FALSE (processor.acceptsMidi());
    EXPECT_FALSE (processor.producesMidi());
    EXPECT_FALSE (processor.isMidiEffect());
    EXPECT_FALSE (processor.supportsMPE());
    EXPECT_FALSE (processor.supportsDoublePrecisionProcessing());
    EXPECT_FALSE (processor.canAddBus (true));
    EXPECT_FALSE (processor.canRemoveBus (false));
    EXPECT_EQ (processor.getTailLengthSeconds(), 0.0);
    EXPECT_EQ (processor.getBypassParameter(), nullptr);
    EXPECT_TRUE (processor.hasEditor());

    // One program, with a name: validators refuse programs without one.
    EXPECT_EQ (processor.getNumPrograms(), 1);
    EXPECT_EQ (processor.getCurrentProgram(), 0);
    EXPECT_EQ (processor.getProgramName (0), "Default");
    processor.setCurrentProgram (0);
    processor.changeProgramName (0, "Renamed");
    EXPECT_EQ (processor.getProgramName (0), "Default");

    ASSERT_EQ (processor.getBusCount (true), 1);
    ASSERT_EQ (processor.getBusCount (false), 1);
    EXPECT_EQ (processor.getBus (true, 0)->getName(), "Input");
    EXPECT_EQ (processor.getBus (false, 0)->getName(), "Output");
    EXPECT_EQ (processor.getBus (true, 0)->getDefaultLayout(), juce::AudioChannelSet::stereo());
    EXPECT_EQ (processor.getBus (false, 0)->getDefaultLayout(), juce::AudioChannelSet::stereo());
    EXPECT_TRUE (processor.getBus (true, 0)->isEnabled());
    EXPECT_TRUE (processor.getBus (false, 0)->isEnabled());
}

TEST (PluginIdentity, BusLayoutsAcceptedAndRefused)
{
    using Set = juce::AudioChannelSet;
    const struct
    {
        Set in, out;
        bool accepted;
    } cases[] = {
        { Set::mono(), Set::mono(), true },
        { Set::stereo(), Set::stereo(), true },
        { Set::stereo(), Set::mono(), false },
        { Set::mono(), Set::stereo(), false },
        { Set::createLCR(), Set::createLCR(), false },
        { Set::quadraphonic(), Set::quadraphonic(), false },
        { Set::disabled(), Set::stereo(), false },
        { Set::stereo(), Set::disabled(), false },
    };

    PluginProcessor processor;

    for (const auto& c : cases)
    {
        juce::AudioProcessor::BusesLayout layout;
        layout.inputBuses.add (c.in);
        layout.outputBuses.add (c.out);
        EXPECT_EQ (processor.isBusesLayoutSupported (layout), c.accepted)
            << c.in.getDescription() << " -> " << c.out.getDescription();
    }
}
