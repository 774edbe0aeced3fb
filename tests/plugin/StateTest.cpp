#include "PluginTestHelpers.h"

using namespace kaleidra::test;

namespace
{
juce::MemoryBlock blobFromXml (const juce::String& xmlText)
{
    auto xml = juce::parseXML (xmlText);
    EXPECT_NE (xml, nullptr);
    juce::MemoryBlock blob;
    juce::AudioProcessor::copyXmlToBinary (*xml, blob);
    return blob;
}

std::unique_ptr<juce::XmlElement> xmlOfBlob (const juce::MemoryBlock& blob)
{
    return juce::AudioProcessor::getXmlFromBinary (blob.getData(), (int) blob.getSize());
}

// "VC2!", the length, the text and a closing zero, whatever the text is.
juce::MemoryBlock rawBlob (const juce::String& text)
{
    juce::MemoryBlock blob;
    juce::MemoryOutputStream out (blob, false);
    out.writeInt (0x21324356);
    out.writeInt ((int) text.getNumBytesAsUTF8());
    out << text;
    out.writeByte (0);
    out.flush();
    return blob;
}

juce::MemoryBlock bytes (std::initializer_list<int> values)
{
    juce::MemoryBlock block;

    for (auto v : values)
    {
        const auto b = (char) v;
        block.append (&b, 1);
    }

    return block;
}

// A processor with a few edits and one undoable step in its history.
std::unique_ptr<PluginProcessor> makeEditedProcessor()
{
    auto processor = std::make_unique<PluginProcessor>();
    processor->updateUserValue ("Tone", 12.5f);
    processor->updateUserValue ("2- N Segs", 17.0f);
    processor->updateUserValue ("Mode", 1.0f);
    processor->getUndoManager().beginNewTransaction();
    processor->getModelTree().state.setProperty ("Marker", 1, &processor->getUndoManager());
    return processor;
}

std::vector<float> parameterValues (PluginProcessor& p)
{
    std::vector<float> values;

    for (auto* parameter : p.getParameters())
        values.push_back (parameter->getValue());

    return values;
}
} // namespace

TEST (State, FreshBlobLayout)
{
    PluginProcessor processor;
    juce::MemoryBlock blob;
    processor.getStateInformation (blob);

    ASSERT_GT (blob.getSize(), 9u);
    const auto* data = static_cast<const char*> (blob.getData());
    EXPECT_EQ (std::memcmp (data, "VC2!", 4), 0);
    EXPECT_EQ (juce::ByteOrder::littleEndianInt (data), 0x21324356u);

    const auto length = juce::ByteOrder::littleEndianInt (data + 4);
    ASSERT_EQ (blob.getSize(), 8u + length + 1u);
    EXPECT_EQ (data[8 + length], 0);

    const auto text = juce::String::fromUTF8 (data + 8, (int) length);
    EXPECT_TRUE (text.startsWith ("<?xml"));
    EXPECT_FALSE (text.containsChar ('\n'));

    auto xml = juce::parseXML (text);
    ASSERT_NE (xml, nullptr);
    EXPECT_EQ (xml->getTagName(), "Kd11");

    const juce::StringArray attributes{ "CompanyName", "ProductNameWithoutVersion", "ProductVersion",
                                        "LoadedPreset", "LoadedPresetModified" };
    ASSERT_EQ (xml->getNumAttributes(), attributes.size());

    for (int i = 0; i < attributes.size(); ++i)
        EXPECT_EQ (xml->getAttributeName (i), attributes[i]);

    EXPECT_EQ (xml->getStringAttribute ("CompanyName"), "Tarnlight");
    EXPECT_EQ (xml->getStringAttribute ("ProductNameWithoutVersion"), "Kaleidra");
    EXPECT_EQ (xml->getStringAttribute ("ProductVersion"), "1.1.2");
    EXPECT_EQ (xml->getStringAttribute ("LoadedPreset"), "");
    EXPECT_EQ (xml->getStringAttribute ("LoadedPresetModified"), "0");

    // Eleven parameter children in the host's order, not sorted by ID.
    ASSERT_EQ (xml->getNumChildElements(), 11);
    int i = 0;

    for (auto* child : xml->getChildIterator())
    {
        EXPECT_EQ (child->getTagName(), "PARAM");
        EXPECT_EQ (child->getStringAttribute ("id"), parameterIDsInOrder()[(size_t) i]);
        EXPECT_TRUE (child->hasAttribute ("value"));
        ++i;
    }

    EXPECT_DOUBLE_EQ (xml->getChildByAttribute ("id", "Tone")->getDoubleAttribute ("value"), 75.0);
    EXPECT_DOUBLE_EQ (xml->getChildByAttribute ("id", "1- Seg Mix")->getDoubleAttribute ("value"), 100.0);

    // Without preset information the two preset attributes are left out.
    juce::MemoryBlock plain;
    processor.getState (plain, false);
    auto plainXml = xmlOfBlob (plain);
    ASSERT_NE (plainXml, nullptr);
    EXPECT_EQ (plainXml->getNumAttributes(), 3);
}

TEST (State, RestoresIntoAnotherInstanceAndClearsItsHistory)
{
    auto source = makeEditedProcessor();
    juce::MemoryBlock blob;
    source->getStateInformation (blob);

    auto target = makeEditedProcessor();
    target->resetToDefaults();
    ASSERT_TRUE (target->getUndoManager().canUndo());

    EXPECT_TRUE (target->setState (blob.getData(), (int) blob.getSize()));
    EXPECT_EQ (parameterValues (*target), parameterValues (*source));
    EXPECT_FALSE (target->getUndoManager().canUndo());
    EXPECT_TRUE (target->wasStateLoaded());
    EXPECT_EQ (target->getEngine().mode.index.load(), 1);
    EXPECT_EQ (target->getEngine().stages[1]->segmentCount.value.load(), 17);

    // The restored blob comes back unchanged.
    juce::MemoryBlock again;
    target->getStateInformation (again);
    EXPECT_EQ (again, blob);
}

TEST (State, RootTagIsMatchedWithoutRegardToCase)
{
    PluginProcessor processor;
    const auto blob = blobFromXml (R"(<kd11><PARAM id="Tone" value="20"/></kd11>)");
    EXPECT_TRUE (processor.setState (blob.getData(), (int) blob.getSize()));
    EXPECT_FLOAT_EQ (plainValue (processor, "Tone"), 20.0f);

    // The tree keeps its own type.
    juce::MemoryBlock saved;
    processor.getState (saved, false);
    EXPECT_EQ (xmlOfBlob (saved)->getTagName(), "Kd11");
}

TEST (State, RefusedBlobsChangeNothing)
{
    const auto valid = blobFromXml (R"(<Kd11><PARAM id="Tone" value="20"/></Kd11>)");
    const auto* v = static_cast<const unsigned char*> (valid.getData());

    juce::MemoryBlock badMagic (valid);
    static_cast<char*> (badMagic.getData())[0] = 'X';

    juce::MemoryBlock zeroLength (valid);
    std::memset (static_cast<char*> (zeroLength.getData()) + 4, 0, 4);

    // A length field larger than the data: the text is cut there, which breaks the XML.
    juce::MemoryBlock truncated (valid.getData(), valid.getSize() / 2);

    juce::MemoryBlock negativeLength (valid);
    std::memset (static_cast<char*> (negativeLength.getData()) + 4, 0xff, 4);

    const struct
    {
        const char* name;
        juce::MemoryBlock blob;
    } cases[] = {
        { "empty", juce::MemoryBlock() },
        { "8 bytes", juce::MemoryBlock (v, 8) },
        { "magic only", bytes ({ 'V', 'C', '2', '!' }) },
        { "bad magic", badMagic },
        { "zero length", zeroLength },
        { "negative length", negativeLength },
        { "broken XML", rawBlob ("<Kd11><PARAM id=\"Tone\" value=") },
        { "not XML at all", rawBlob ("hello") },
        { "length beyond the data", truncated },
        { "other root", blobFromXml (R"(<Preset><PARAM id="Tone" value="20"/></Preset>)") },
        { "root with a longer name", blobFromXml (R"(<Kd11x><PARAM id="Tone" value="20"/></Kd11x>)") },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        auto processor = makeEditedProcessor();
        const auto before = parameterValues (*processor);
        juce::MemoryBlock stateBefore;
        processor->getState (stateBefore, true);

        EXPECT_FALSE (processor->setState (c.blob.getData(), (int) c.blob.getSize()));
        EXPECT_EQ (parameterValues (*processor), before);
        EXPECT_TRUE (processor->getUndoManager().canUndo());
        EXPECT_FALSE (processor->wasStateLoaded());

        juce::MemoryBlock stateAfter;
        processor->getState (stateAfter, true);
        EXPECT_EQ (stateAfter, stateBefore);

        // The host's call reports nothing and changes nothing either.
        processor->setStateInformation (c.blob.getData(), (int) c.blob.getSize());
        EXPECT_EQ (parameterValues (*processor), before);
    }

    PluginProcessor processor;
    EXPECT_FALSE (processor.setState (nullptr, 100));
}

TEST (State, MissingParametersGoToTheirDefaults)
{
    auto processor = makeEditedProcessor();
    processor->updateUserValue ("3- Seg Size", 40.0f);

    const auto blob =
        blobFromXml (R"(<Kd11><PARAM id="Tone" value="33.5"/><PARAM id="1- Seg Mix" value="60"/>)"
                     R"(<PARAM id="Unknown" value="5"/></Kd11>)");
    ASSERT_TRUE (processor->setState (blob.getData(), (int) blob.getSize()));

    EXPECT_FLOAT_EQ (plainValue (*processor, "Tone"), 33.5f);
    EXPECT_FLOAT_EQ (plainValue (*processor, "1- Seg Mix"), 60.0f);
    EXPECT_FLOAT_EQ (plainValue (*processor, "2- N Segs"), 31.0f);
    EXPECT_FLOAT_EQ (plainValue (*processor, "3- Seg Size"), 11.0f);
    EXPECT_FLOAT_EQ (plainValue (*processor, "Mode"), 0.0f);
    EXPECT_FLOAT_EQ (processor->getEngine().stages[2]->segmentSize.getTargetLocked(), 11.0f);
    EXPECT_FLOAT_EQ (processor->getEngine().stages[0]->mix.getTargetLocked(), 60.0f);

    // Every parameter has a child again, the ones from the blob first.
    juce::MemoryBlock saved;
    processor->getState (saved, false);
    auto xml = xmlOfBlob (saved);
    ASSERT_NE (xml, nullptr);
    EXPECT_EQ (xml->getNumChildElements(), 12);
    EXPECT_EQ (xml->getChildElement (0)->getStringAttribute ("id"), "Tone");
}

TEST (State, ValuesThatAreNoNumbersTakeDefaultsOthersAreClamped)
{
    const struct
    {
        const char* id;
        const char* stored;
        float expected;
    } cases[] = {
        { "Tone", "nan", 75.0f },
        { "1- Seg Mix", "inf", 100.0f },
        { "2- Seg Mix", "-inf", 0.0f },
        { "1- Seg Size", "NaN", 11.0f },
        { "2- Seg Size", "1e999", 11.0f },
        { "3- Seg Size", "-Infinity", 11.0f },
        { "1- N Segs", "500", 91.0f },
        { "2- N Segs", "-7", 2.0f },
        { "3- Seg Mix", "120.5", 120.0f },
        { "3- N Segs", "40", 40.0f },
        { "Mode", "7", 1.0f },
    };

    juce::String xml ("<Kd11>");

    for (const auto& c : cases)
        xml << "<PARAM id=\"" << c.id << "\" value=\"" << c.stored << "\"/>";

    xml << "</Kd11>";

    auto processor = makeEditedProcessor();
    const auto blob = blobFromXml (xml);
    ASSERT_TRUE (processor->setState (blob.getData(), (int) blob.getSize()));

    for (const auto& c : cases)
    {
        SCOPED_TRACE (juce::String (c.id) + " = " + c.stored);
        const auto value = plainValue (*processor, c.id);
        EXPECT_TRUE (std::isfinite (value));
        EXPECT_FLOAT_EQ (value, c.expected);
        EXPECT_TRUE (std::isfinite (parameter (*processor, c.id).getValue()));
    }

    // Nothing that is no number reached the engine.
    auto& engine = processor->getEngine();

    for (auto& stage : engine.stages)
    {
        EXPECT_TRUE (std::isfinite (stage->mix.getTargetLocked()));
        EXPECT_TRUE (std::isfinite (stage->segmentSize.getTargetLocked()));
        EXPECT_TRUE (std::isfinite (stage->tone.presence.load()));
    }

    EXPECT_FLOAT_EQ (engine.stages[0]->mix.getTargetLocked(), 100.0f);
    EXPECT_FLOAT_EQ (engine.stages[0]->tone.presence.load(), 75.0f);
    EXPECT_EQ (engine.mode.index.load(), 1);
}

TEST (State, RestoredRootAttributesStayInLaterCopies)
{
    PluginProcessor processor;
    const auto blob = blobFromXml (
        R"(<Kd11 Extra="kept" LoadedPreset="" LoadedPresetModified="1"><PARAM id="Tone" value="10"/></Kd11>)");
    ASSERT_TRUE (processor.setState (blob.getData(), (int) blob.getSize()));

    juce::MemoryBlock saved;
    processor.getState (saved, false);
    auto xml = xmlOfBlob (saved);
    ASSERT_NE (xml, nullptr);
    EXPECT_EQ (xml->getAttributeName (0), "Extra");
    EXPECT_EQ (xml->getStringAttribute ("Extra"), "kept");
    EXPECT_EQ (xml->getStringAttribute ("LoadedPresetModified"), "1");
    EXPECT_EQ (xml->getStringAttribute ("CompanyName"), "Tarnlight");
}

TEST (State, ResetToDefaultsAfterEdits)
{
    auto processor = makeEditedProcessor();
    ASSERT_TRUE (processor->isModified());

    RecordingPresetDisplay display;
    processor->setDisplay (&display);
    processor->resetToDefaults();
    processor->setDisplay (nullptr);

    for (auto* p : processor->getParameters())
        EXPECT_FLOAT_EQ (p->getValue(), p->getDefaultValue()) << p->getName (100);

    EXPECT_FALSE (processor->isModified());
    EXPECT_EQ (display.modifiedCalls, (std::vector<std::pair<bool, bool>>{ { false, true } }));
    EXPECT_EQ (processor->getEngine().mode.index.load(), 0);
    EXPECT_EQ (processor->getEngine().stages[1]->segmentCount.value.load(), 31);
}
