#include "PresetTable.h"

#include <tarn_gui/tarn_gui.h>

#include <cmath>

namespace kaleidra::presets
{
namespace
{
    struct ParameterSpec
    {
        const char* id;
        float minimum, maximum, step, defaultValue;
    };

    // The plug-in's parameters: plain ranges, steps and defaults.
    const std::array<ParameterSpec, numParameters>& specs()
    {
        static const std::array<ParameterSpec, numParameters> table{ {
            { "Mode", 0.0f, 1.0f, 1.0f, 0.0f },
            { "Tone", 0.0f, 100.0f, 0.01f, 75.0f },
            { "1- N Segs", 2.0f, 91.0f, 1.0f, 31.0f },
            { "1- Seg Size", 1.0f, 48.0f, 0.01f, 11.0f },
            { "1- Seg Mix", 0.0f, 120.0f, 0.01f, 100.0f },
            { "2- N Segs", 2.0f, 91.0f, 1.0f, 31.0f },
            { "2- Seg Size", 1.0f, 48.0f, 0.01f, 11.0f },
            { "2- Seg Mix", 0.0f, 120.0f, 0.01f, 0.0f },
            { "3- N Segs", 2.0f, 91.0f, 1.0f, 31.0f },
            { "3- Seg Size", 1.0f, 48.0f, 0.01f, 11.0f },
            { "3- Seg Mix", 0.0f, 120.0f, 0.01f, 0.0f },
        } };
        return table;
    }

    const juce::StringArray& modeChoices()
    {
        static const juce::StringArray choices{ "Series", "Parallel" };
        return choices;
    }

    // A processor with the plug-in's parameter tree, state written as the plug-in writes it.
    class ReferenceModel : public ParameterOnlyProcessor
    {
    public:
        ReferenceModel()
            : tree (*this, nullptr, stateType(), createReferenceParameterLayout())
        {
            sortParameterChildren (tree.state);
        }

        void setPlainValues (const std::array<float, numParameters>& values)
        {
            for (int i = 0; i < numParameters; ++i)
            {
                auto* parameter = tree.getParameter (parameterIDs()[i]);
                parameter->setValueNotifyingHost (parameter->convertTo0to1 (values[(size_t) i]));
            }
        }

        juce::MemoryBlock stateBlob()
        {
            auto state = tree.copyState();
            addIdentityAttributes (state);

            juce::MemoryBlock blob;
            copyXmlToBinary (*state.createXml(), blob);
            return blob;
        }

    private:
        juce::AudioProcessorValueTreeState tree;
    };

    juce::String cString (const juce::String& text)
    {
        return "\"" + text.replace ("\\", "\\\\").replace ("\"", "\\\"") + "\"";
    }
} // namespace

const juce::StringArray& parameterIDs()
{
    static const juce::StringArray ids = []
    {
        juce::StringArray result;

        for (const auto& spec : specs())
            result.add (spec.id);

        return result;
    }();

    return ids;
}

const juce::Identifier& stateType()
{
    static const juce::Identifier type{ "Kd11" };
    return type;
}

juce::AudioProcessorValueTreeState::ParameterLayout createReferenceParameterLayout()
{
    juce::AudioProcessorValueTreeState::ParameterLayout layout;

    for (const auto& spec : specs())
    {
        const juce::String id (spec.id);
        const juce::ParameterID parameterID{ id, 0 };

        if (id == "Mode")
            layout.add (std::make_unique<juce::AudioParameterChoice> (parameterID, id, modeChoices(),
                                                                      modeChoices().indexOf ("Series")));
        else if (id.endsWith ("N Segs"))
            layout.add (std::make_unique<juce::AudioParameterInt> (
                parameterID, id, (int) spec.minimum, (int) spec.maximum, (int) spec.defaultValue));
        else
            layout.add (std::make_unique<juce::AudioParameterFloat> (
                parameterID, id,
                juce::NormalisableRange<float> (spec.minimum, spec.maximum, spec.step, 1.0f, false),
                spec.defaultValue));
    }

    return layout;
}

void sortParameterChildren (juce::ValueTree& state)
{
    int position = 0;

    for (const auto& id : parameterIDs())
    {
        auto child = state.getChildWithProperty ("id", id);

        if (!child.isValid() || !child.hasType ("PARAM"))
            continue;

        const auto index = state.indexOf (child);

        if (index != position)
            state.moveChild (index, position, nullptr);

        ++position;
    }
}

void addIdentityAttributes (juce::ValueTree& state)
{
    state.setProperty ("CompanyName", "Tarnlight", nullptr);
    state.setProperty ("ProductNameWithoutVersion", "Kaleidra", nullptr);
    state.setProperty ("ProductVersion", "1.1.2", nullptr);
}

//==================================================================================================
ParameterOnlyProcessor::ParameterOnlyProcessor()
    : juce::AudioProcessor (BusesProperties()
                                .withInput ("Input", juce::AudioChannelSet::stereo(), true)
                                .withOutput ("Output", juce::AudioChannelSet::stereo(), true))
{
}

const juce::String ParameterOnlyProcessor::getName() const
{
    return "Kaleidra_v1-1";
}
void ParameterOnlyProcessor::prepareToPlay (double, int) {}
void ParameterOnlyProcessor::releaseResources() {}
void ParameterOnlyProcessor::processBlock (juce::AudioBuffer<float>&, juce::MidiBuffer&) {}
double ParameterOnlyProcessor::getTailLengthSeconds() const
{
    return 0.0;
}
bool ParameterOnlyProcessor::acceptsMidi() const
{
    return false;
}
bool ParameterOnlyProcessor::producesMidi() const
{
    return false;
}
bool ParameterOnlyProcessor::hasEditor() const
{
    return false;
}
juce::AudioProcessorEditor* ParameterOnlyProcessor::createEditor()
{
    return nullptr;
}
int ParameterOnlyProcessor::getNumPrograms()
{
    return 1;
}
int ParameterOnlyProcessor::getCurrentProgram()
{
    return 0;
}
void ParameterOnlyProcessor::setCurrentProgram (int) {}
const juce::String ParameterOnlyProcessor::getProgramName (int)
{
    return {};
}
void ParameterOnlyProcessor::changeProgramName (int, const juce::String&) {}
void ParameterOnlyProcessor::getStateInformation (juce::MemoryBlock&) {}
void ParameterOnlyProcessor::setStateInformation (const void*, int) {}

//==================================================================================================
namespace
{
    bool parseNumber (const juce::String& text, float& value)
    {
        auto t = text.trim();

        if (t.isEmpty() || !t.containsOnly ("0123456789.-") ||
            t.indexOfChar ('.') != t.lastIndexOfChar ('.') || t.lastIndexOfChar ('-') > 0)
            return false;

        value = t.getFloatValue();
        return true;
    }

    juce::Result lineError (int line, const juce::String& message)
    {
        return juce::Result::fail ("line " + juce::String (line) + ": " + message);
    }

    bool isPlainText (const juce::String& text)
    {
        for (auto c : text)
            if (c < 0x20 || c > 0x7e || c == '"' || c == '\\')
                return false;

        return text.isNotEmpty();
    }
} // namespace

juce::Result parsePresetTable (const juce::String& text, juce::Array<PresetRow>& rows)
{
    rows.clearQuick();

    juce::StringArray expectedHeader{ "Group", "Name" };
    expectedHeader.addArray (parameterIDs());

    auto lines = juce::StringArray::fromLines (text);
    bool headerSeen = false;
    juce::StringArray groupsSeen, namesSeen;

    for (int i = 0; i < lines.size(); ++i)
    {
        const int lineNumber = i + 1;
        const auto line = lines[i].trim();

        if (line.isEmpty() || line.startsWithChar ('#'))
            continue;

        juce::StringArray cells;
        cells.addTokens (line, ",", {});
        cells.trim();

        if (!headerSeen)
        {
            if (cells != expectedHeader)
                return lineError (lineNumber, "the header must be: " + expectedHeader.joinIntoString (","));

            headerSeen = true;
            continue;
        }

        if (cells.size() != expectedHeader.size())
            return lineError (lineNumber, "expected " + juce::String (expectedHeader.size()) +
                                              " cells, found " + juce::String (cells.size()));

        PresetRow row;
        row.group = cells[0];
        row.name = cells[1];
        row.line = lineNumber;

        if (!isPlainText (row.group) || !isPlainText (row.name))
            return lineError (lineNumber, "group and name must be plain printable text without quotes");

        if (namesSeen.contains (row.name))
            return lineError (lineNumber, "the name \"" + row.name + "\" is used twice");

        if (row.group != groupsSeen[groupsSeen.size() - 1])
        {
            if (groupsSeen.contains (row.group))
                return lineError (lineNumber,
                                  "the presets of group \"" + row.group + "\" must be consecutive");

            groupsSeen.add (row.group);
        }

        namesSeen.add (row.name);

        for (int p = 0; p < numParameters; ++p)
        {
            const auto& spec = specs()[(size_t) p];
            const auto& cell = cells[p + 2];
            float value = 0.0f;

            if (p == 0)
            {
                if (!modeChoices().contains (cell))
                    return lineError (lineNumber, "Mode must be Series or Parallel, not \"" + cell + "\"");

                value = (float) modeChoices().indexOf (cell);
            }
            else
            {
                if (!parseNumber (cell, value))
                    return lineError (lineNumber,
                                      juce::String (spec.id) + ": \"" + cell + "\" is not a number");

                if (value < spec.minimum || value > spec.maximum)
                    return lineError (lineNumber, juce::String (spec.id) + ": " + cell + " lies outside " +
                                                      juce::String (spec.minimum) + " to " +
                                                      juce::String (spec.maximum));

                const double steps = (double) value / (double) spec.step;

                if (std::abs (steps - std::round (steps)) > 1.0e-3)
                    return lineError (lineNumber, juce::String (spec.id) + ": " + cell +
                                                      " is not a multiple of the step " +
                                                      juce::String (spec.step));
            }

            row.values[(size_t) p] = value;
        }

        rows.add (row);
    }

    if (!headerSeen)
        return juce::Result::fail ("the table has no header line");

    return juce::Result::ok();
}

juce::MemoryBlock makeStateBlob (const PresetRow& row)
{
    ReferenceModel model;
    model.setPlainValues (row.values);
    return model.stateBlob();
}

bool readStateBlob (const void* data, int size, std::array<float, numParameters>& values)
{
    auto xml = juce::AudioProcessor::getXmlFromBinary (data, size);

    if (xml == nullptr || !xml->hasTagName (stateType().toString()))
        return false;

    for (int i = 0; i < numParameters; ++i)
    {
        auto* child = xml->getChildByAttribute ("id", parameterIDs()[i]);

        if (child == nullptr || !child->hasAttribute ("value"))
            return false;

        values[(size_t) i] = (float) child->getDoubleAttribute ("value");
    }

    return true;
}

juce::String generateSource (const juce::Array<PresetRow>& rows, const juce::String& tableName)
{
    juce::String out;
    out << "// Generated by kaleidra-preset-compiler from " << tableName << ". Do not edit.\n"
        << "// Each blob is the plug-in state of one factory preset in the encoded preset file form.\n\n"
        << "#include \"FactoryPresetData.h\"\n\n"
        << "namespace kaleidra\n{\n    namespace\n    {\n";

    for (int i = 0; i < rows.size(); ++i)
    {
        auto blob = makeStateBlob (rows.getReference (i));
        tarn_gui::encodePresetData (blob);

        out << "        // " << rows.getReference (i).group << " / " << rows.getReference (i).name << "\n"
            << "        const unsigned char preset" << i << "[] = {";

        for (size_t b = 0; b < blob.getSize(); ++b)
        {
            if (b % 16 == 0)
                out << "\n            ";

            out << juce::String ((int) (juce::uint8) blob[b]) << ",";
        }

        out << "\n        };\n\n";
    }

    out << "    } // namespace\n\n    const FactoryPresetData factoryPresetData[] = {\n";

    for (int i = 0; i < rows.size(); ++i)
        out << "        { " << cString (rows.getReference (i).group) << ", "
            << cString (rows.getReference (i).name) << ", preset" << i << ", (int) sizeof (preset" << i
            << ") },\n";

    out << "    };\n\n    const int numFactoryPresetData = " << rows.size() << ";\n} // namespace kaleidra\n";
    return out;
}
} // namespace kaleidra::presets
