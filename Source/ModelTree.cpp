#include "ModelTree.h"

namespace
{
const char* baseName (ParameterType type) noexcept
{
    switch (type)
    {
        case nSegs:
            return "N Segs";
        case segSize:
            return "Seg Size";
        case segMix:
            return "Seg Mix";
        case tone:
            return "Tone";
        case mode:
            return "Mode";
        case none:
        default:
            return "";
    }
}

// Float parameters step by 0.01 on a linear scale.
juce::NormalisableRange<float> floatRange (float start, float end)
{
    return juce::NormalisableRange<float> (start, end, 0.01f, 1.0f, false);
}
} // namespace

const juce::StringArray& modeChoices()
{
    static const juce::StringArray choices{ "Series", "Parallel" };
    return choices;
}

const juce::Identifier& modelTreeType()
{
    static const juce::Identifier type ("Kd11");
    return type;
}

juce::String makeParameterID (ParameterType type, int stage)
{
    const juce::String base (baseName (type));

    if (stage >= 0)
        return juce::String (stage) + "- " + base;

    return base;
}

std::pair<ParameterType, int> parseParameterID (const juce::String& id)
{
    for (auto type : { nSegs, segSize, segMix })
    {
        if (id.endsWith (baseName (type)))
        {
            // The stage number is the leading decimal number of the text before the first dash,
            // read the way atol reads it. Parsed in place: this runs on the audio thread.
            auto p = id.getCharPointer();

            while (juce::CharacterFunctions::isWhitespace (*p))
                ++p;

            // A minus sign would be the first dash, which ends the text: only '+' can lead.
            if (*p == '+')
                ++p;

            long stage = 0;

            for (; juce::CharacterFunctions::isDigit (*p) && stage < 100000000L; ++p)
                stage = stage * 10 + (long) (*p - '0');

            return { type, (int) stage };
        }
    }

    if (id == "Mode")
        return { mode, -1 };

    if (id == "Tone")
        return { tone, -1 };

    return { none, -1 };
}

const std::array<juce::String, numParameters>& parameterIDsInOrder()
{
    static const std::array<juce::String, numParameters> ids = []
    {
        std::array<juce::String, numParameters> result;
        int i = 0;
        result[(size_t) i++] = makeParameterID (mode, -1);
        result[(size_t) i++] = makeParameterID (tone, -1);

        for (int stage = 1; stage <= numStages; ++stage)
            for (auto type : { nSegs, segSize, segMix })
                result[(size_t) i++] = makeParameterID (type, stage);

        return result;
    }();

    return ids;
}

int parameterIndex (ParameterType type, int stage) noexcept
{
    switch (type)
    {
        case mode:
            return 0;
        case tone:
            return 1;
        case nSegs:
        case segSize:
        case segMix:
            if (stage >= 1 && stage <= numStages)
                return 2 + (stage - 1) * 3 + (int) type;
            return -1;
        case none:
        default:
            return -1;
    }
}

float plainToNormalised (ParameterType type, float v) noexcept
{
    switch (type)
    {
        case nSegs:
            return (v - 2.0f) * (1.0f / 89.0f);
        case segSize:
            return (v - 1.0f) * (1.0f / 47.0f);
        case segMix:
            return v * (1.0f / 120.0f);
        case tone:
            return v * 0.01f;
        case mode:
            return (float) (int) v;
        case none:
        default:
            return 0.0f;
    }
}

bool isInPlainRange (ParameterType type, float v) noexcept
{
    switch (type)
    {
        case nSegs:
            return v >= 2.0f && v <= 91.0f;
        case segSize:
            return v >= 1.0f && v <= 48.0f;
        case segMix:
            return v >= 0.0f && v <= 120.0f;
        case tone:
            return v >= 0.0f && v <= 100.0f;
        case mode:
            return true;
        case none:
        default:
            return false;
    }
}

juce::AudioProcessorValueTreeState::ParameterLayout createParameterLayout()
{
    using Layout = juce::AudioProcessorValueTreeState::ParameterLayout;
    Layout layout;

    auto add = [&layout] (std::unique_ptr<juce::RangedAudioParameter> parameter)
    { layout.add (std::move (parameter)); };

    const auto id = [] (ParameterType type, int stage)
    {
        const auto text = makeParameterID (type, stage);
        return std::pair<juce::ParameterID, juce::String>{ juce::ParameterID (text, 0), text };
    };

    {
        auto [pid, name] = id (mode, -1);
        add (std::make_unique<juce::AudioParameterChoice> (pid, name, modeChoices(),
                                                           modeChoices().indexOf ("Series")));
    }
    {
        auto [pid, name] = id (tone, -1);
        add (std::make_unique<juce::AudioParameterFloat> (pid, name, floatRange (0.0f, 100.0f), 75.0f));
    }

    for (int stage = 1; stage <= numStages; ++stage)
    {
        {
            auto [pid, name] = id (nSegs, stage);
            add (std::make_unique<juce::AudioParameterInt> (pid, name, 2, 91, 31));
        }
        {
            auto [pid, name] = id (segSize, stage);
            add (std::make_unique<juce::AudioParameterFloat> (pid, name, floatRange (1.0f, 48.0f), 11.0f));
        }
        {
            // Only stage 1 is audible in a fresh instance.
            auto [pid, name] = id (segMix, stage);
            add (std::make_unique<juce::AudioParameterFloat> (pid, name, floatRange (0.0f, 120.0f),
                                                              stage == 1 ? 100.0f : 0.0f));
        }
    }

    return layout;
}

ModelTree::ModelTree (juce::AudioProcessor& processorToUse,
                      juce::AudioProcessorValueTreeState::ParameterLayout layout)
    : juce::AudioProcessorValueTreeState (processorToUse, &undo, modelTreeType(), std::move (layout))
{
    // The framework appends the parameter children sorted by ID. Saved states list them in the
    // host's order instead, so that a blob reads like the parameter table.
    const auto& ids = parameterIDsInOrder();

    for (int target = 0; target < (int) ids.size(); ++target)
    {
        const auto child = state.getChildWithProperty ("id", ids[(size_t) target]);
        const auto from = state.indexOf (child);

        if (from >= 0 && from != target)
            state.moveChild (from, target, nullptr);
    }
}

ModelTree::~ModelTree() = default;

void addParameterListeners (ModelTree& tree, juce::AudioProcessorValueTreeState::Listener* listener)
{
    for (const auto& id : parameterIDsInOrder())
        tree.addParameterListener (id, listener);
}
