// The saved state: the blob a host stores, and what a restore accepts.
#include "PluginProcessor.h"

#include <gtest/gtest.h>

using namespace quorvane;

namespace
{
juce::MemoryBlock saveState (QuorvaneAudioProcessor& p)
{
    juce::MemoryBlock block;
    p.getStateInformation (block);
    return block;
}

juce::String xmlOf (const juce::MemoryBlock& blob)
{
    return juce::String::fromUTF8 (static_cast<const char*> (blob.getData()) + 8, (int) blob.getSize() - 9);
}

float rawValue (QuorvaneAudioProcessor& p, const char* id)
{
    return p.getValueTreeState().getRawParameterValue (id)->load();
}

TEST (SavedState, FreshInstanceBlobLayout)
{
    QuorvaneAudioProcessor p;
    const auto blob = saveState (p);
    const auto* bytes = static_cast<const uint8_t*> (blob.getData());

    ASSERT_GT (blob.getSize(), 9u);
    EXPECT_EQ (bytes[0], 0x56);
    EXPECT_EQ (bytes[1], 0x43);
    EXPECT_EQ (bytes[2], 0x32);
    EXPECT_EQ (bytes[3], 0x21);
    const uint32_t length = (uint32_t) bytes[4] | ((uint32_t) bytes[5] << 8) | ((uint32_t) bytes[6] << 16) | ((uint32_t) bytes[7] << 24);
    EXPECT_EQ (length, blob.getSize() - 9);
    EXPECT_EQ (bytes[blob.getSize() - 1], 0);

    const auto text = xmlOf (blob);
    EXPECT_TRUE (text.startsWith ("<?xml version=\"1.0\" encoding=\"UTF-8\"?> <APVTSQuorvanepluginin "));
    EXPECT_FALSE (text.containsChar ('\n'));

    auto xml = juce::parseXML (text);
    ASSERT_NE (xml, nullptr);
    ASSERT_EQ (xml->getNumAttributes(), kNumProps);
    for (int i = 0; i < kNumProps; ++i)
        EXPECT_EQ (xml->getAttributeName (i), kPropCatalogue[i].id->toString()) << "attribute " << i;
    EXPECT_EQ (xml->getStringAttribute ("presetnotes"), "Preset notes");
    EXPECT_EQ (xml->getStringAttribute ("spring4pos2"), "0.83");
    EXPECT_EQ (xml->getStringAttribute ("etype"), "4");

    juce::StringArray ids;
    for (auto* child : xml->getChildIterator())
    {
        EXPECT_EQ (child->getTagName(), "PARAM");
        ids.add (child->getStringAttribute ("id"));
    }
    ASSERT_EQ (ids.size(), 91);
    EXPECT_EQ (ids[0], "bar0gain");
    EXPECT_EQ (ids[90], "stringtone");
    auto sorted = ids;
    sorted.sort (false);
    EXPECT_EQ (ids, sorted);
}

// Every parameter and property goes to a changed value, the state is saved into
// a second instance, and the second instance must hold exactly those values.
TEST (SavedState, FullRoundTrip)
{
    QuorvaneAudioProcessor a;
    auto& vts = a.getValueTreeState();
    for (auto* param : a.getParameters())
    {
        auto* ranged = dynamic_cast<juce::RangedAudioParameter*> (param);
        ranged->setValueNotifyingHost (juce::jlimit (0.0f, 1.0f, 1.0f - ranged->getDefaultValue() * 0.5f - 0.13f));
    }
    for (int i = 0; i < kNumProps; ++i)
    {
        const auto& prop = kPropCatalogue[i];
        if (prop.kind == PropKind::Text)
            a.setProperty (*prop.id, "Bright bars, slow springs");
        else if (prop.kind == PropKind::Int)
            a.setProperty (*prop.id, (int) prop.def == 1 ? 0 : 1 + i % 3);
        else
            a.setProperty (*prop.id, 0.123 + 0.01 * i);
    }

    const auto blob = saveState (a);
    QuorvaneAudioProcessor b;
    b.setStateInformation (blob.getData(), (int) blob.getSize());

    for (auto* param : a.getParameters())
    {
        const auto id = dynamic_cast<juce::AudioProcessorParameterWithID*> (param)->paramID;
        EXPECT_EQ (b.getValueTreeState().getRawParameterValue (id)->load(), vts.getRawParameterValue (id)->load()) << id;
    }
    for (int i = 0; i < kNumProps; ++i)
    {
        const auto& id = *kPropCatalogue[i].id;
        EXPECT_EQ (b.getValueTreeState().state[id], vts.state[id]) << id.toString();
    }
}

TEST (SavedState, RestoreAfterEditsBringsBackTheSavedValues)
{
    QuorvaneAudioProcessor p;
    p.setProperty (kProp_CurrentPreset_ID, 3);
    p.setProperty (kProp_PresetNotes_ID, "Night bells");
    const auto blob = saveState (p);

    p.getValueTreeState().getParameter ("drive")->setValueNotifyingHost (0.9f);
    p.setProperty (kProp_EType_ID, 2);
    p.setProperty (kProp_CurrentPreset_ID, 0);
    p.setProperty (kProp_PresetNotes_ID, "changed");

    p.setStateInformation (blob.getData(), (int) blob.getSize());
    EXPECT_EQ (rawValue (p, "drive"), 0.0f);
    EXPECT_EQ ((int) p.getValueTreeState().state[kProp_EType_ID], 4);
    EXPECT_EQ ((int) p.getValueTreeState().state[kProp_CurrentPreset_ID], 3);
    EXPECT_EQ (p.getValueTreeState().state[kProp_PresetNotes_ID].toString(), "Night bells");
}

// Blobs that fail a check leave the state exactly as it was.
TEST (SavedState, RejectedBlobsChangeNothing)
{
    QuorvaneAudioProcessor source;
    source.getValueTreeState().getParameter ("drive")->setValueNotifyingHost (0.5f);
    const auto good = saveState (source);

    auto withLength = [&] (uint32_t length)
    {
        juce::MemoryBlock b (good);
        auto* bytes = static_cast<uint8_t*> (b.getData());
        for (int i = 0; i < 4; ++i)
            bytes[4 + i] = (uint8_t) (length >> (8 * i));
        return b;
    };
    auto withMagicByte = [&] (uint8_t value)
    {
        juce::MemoryBlock b (good);
        static_cast<uint8_t*> (b.getData())[3] = value;
        return b;
    };
    auto otherInstrument = [&]
    {
        auto text = xmlOf (good).replace ("APVTSQuorvanepluginin", "SomeOtherSynthState");
        juce::MemoryBlock b;
        juce::AudioProcessor::copyXmlToBinary (*juce::parseXML (text), b);
        return b;
    };

    struct Case { const char* what; juce::MemoryBlock data; int size; };
    const Case cases[] = {
        { "eight bytes", juce::MemoryBlock (good.getData(), 8), 8 },
        { "empty", juce::MemoryBlock(), 0 },
        { "other magic", withMagicByte (0x22), (int) good.getSize() },
        { "zero length", withLength (0), (int) good.getSize() },
        { "top bit set", withLength (0x80000010u), (int) good.getSize() },
        { "other root tag", otherInstrument(), -1 },
        { "not xml", juce::MemoryBlock ("VC2!\x05\0\0\0hello", 14), 14 },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.what);
        QuorvaneAudioProcessor p;
        const auto before = saveState (p);
        p.setStateInformation (c.data.getData(), c.size < 0 ? (int) c.data.getSize() : c.size);
        EXPECT_EQ (saveState (p), before);
    }
}

TEST (SavedState, RootTagInOtherCaseIsAccepted)
{
    QuorvaneAudioProcessor source;
    source.getValueTreeState().getParameter ("drive")->setValueNotifyingHost (0.5f);
    auto text = xmlOf (saveState (source)).replace ("APVTSQuorvanepluginin", "apvtsquorvanePLUGININ");
    juce::MemoryBlock blob;
    juce::AudioProcessor::copyXmlToBinary (*juce::parseXML (text), blob);

    QuorvaneAudioProcessor p;
    p.setStateInformation (blob.getData(), (int) blob.getSize());
    EXPECT_EQ (rawValue (p, "drive"), 50.0f);
}

TEST (SavedState, LengthBeyondTheDataParsesWhatIsThere)
{
    QuorvaneAudioProcessor source;
    source.getValueTreeState().getParameter ("drive")->setValueNotifyingHost (0.25f);
    auto blob = saveState (source);
    auto* bytes = static_cast<uint8_t*> (blob.getData());
    bytes[5] = 0x7f; // claims far more text than follows

    QuorvaneAudioProcessor p;
    p.setStateInformation (blob.getData(), (int) blob.getSize());
    EXPECT_EQ (rawValue (p, "drive"), 25.0f);
}

TEST (SavedState, MissingPropertiesReadZeroAndUnknownOnesSurvive)
{
    QuorvaneAudioProcessor source;
    auto xml = juce::parseXML (xmlOf (saveState (source)));
    xml->removeAttribute ("strikehostsync");
    xml->setAttribute ("futureswitch", 7);
    auto* extra = xml->createNewChildElement ("PARAM");
    extra->setAttribute ("id", "futureknob");
    extra->setAttribute ("value", 0.5);
    // A parameter the text lacks keeps its value.
    xml->removeChildElement (xml->getChildByAttribute ("id", "drive"), true);
    juce::MemoryBlock blob;
    juce::AudioProcessor::copyXmlToBinary (*xml, blob);

    QuorvaneAudioProcessor p;
    p.getValueTreeState().getParameter ("drive")->setValueNotifyingHost (0.3f);
    p.setProperty (kProp_StrikeHostSync_ID, 1);
    p.setStateInformation (blob.getData(), (int) blob.getSize());

    EXPECT_FALSE (p.getValueTreeState().state.hasProperty (kProp_StrikeHostSync_ID));
    EXPECT_EQ (p.propertyValue (prStrikeHostSync), 0.0);
    EXPECT_EQ (rawValue (p, "drive"), 30.0f);

    const auto saved = juce::parseXML (xmlOf (saveState (p)));
    EXPECT_EQ (saved->getIntAttribute ("futureswitch"), 7);
    EXPECT_NE (saved->getChildByAttribute ("id", "futureknob"), nullptr);
    ASSERT_NE (saved->getChildByAttribute ("id", "drive"), nullptr);
    EXPECT_EQ (saved->getChildByAttribute ("id", "drive")->getDoubleAttribute ("value"), 30.0);
}
} // namespace
