// The parameter list as a host sees it: order, names, ranges, mapping and text.
#include "PluginProcessor.h"

#include <gtest/gtest.h>

namespace
{
juce::RangedAudioParameter& param (QuorvaneAudioProcessor& p, const char* id)
{
    auto* r = p.getValueTreeState().getParameter (id);
    EXPECT_NE (r, nullptr) << id;
    return *r;
}

juce::String idAt (QuorvaneAudioProcessor& p, int index)
{
    return dynamic_cast<juce::AudioProcessorParameterWithID*> (p.getParameters()[index])->paramID;
}

TEST (Catalogue, HostOrderIsFixed)
{
    QuorvaneAudioProcessor p;
    const juce::StringArray expected = juce::StringArray::fromTokens (
        "bar0gain bar1gain bar2gain bar3gain bar4gain drivergain drive stringoutpos stringpluckpos "
        "stringsustain stringtone stringinharm stringchorus sawattack sawdecay sawrelease sawporta sawtone "
        "randepth strikerate eqlowfreq eqlowgain eqmidfreq eqmidgain eqhighfreq eqhighgain resonance cutoff "
        "filterattack filterdecay filtersustain filterrelease gatethreshold gatedepth gatelfo1 gatelfo1host "
        "gatelfo2 gatephase delaybpm delaynote delayfeedback delaylevel inputbar inputmov nonlinear stiffness "
        "bar0sustain bar1sustain bar2sustain bar3sustain bar4sustain bar0tone bar1tone bar2tone bar3tone bar4tone "
        "bar0mass bar1mass bar2mass bar3mass bar4mass "
        "spr0afreq spr1afreq spr2afreq spr3afreq spr4afreq spr5afreq spr6afreq spr7afreq spr8afreq spr9afreq "
        "spr0nonlin spr1nonlin spr2nonlin spr3nonlin spr4nonlin spr5nonlin spr6nonlin spr7nonlin spr8nonlin spr9nonlin "
        "spr0t60 spr1t60 spr2t60 spr3t60 spr4t60 spr5t60 spr6t60 spr7t60 spr8t60 spr9t60",
        " ", "");

    ASSERT_EQ (p.getParameters().size(), 91);
    ASSERT_EQ (expected.size(), 91);
    for (int i = 0; i < 91; ++i)
        EXPECT_EQ (idAt (p, i), expected[i]) << "host index " << i;
}

struct RangeCase
{
    const char* id;
    const char* name;
    float min, max, def;
};

TEST (Catalogue, NamesRangesAndDefaults)
{
    const RangeCase cases[] = {
        { "bar0gain", "Bar0Gain", 0, 100, 30 },
        { "stringoutpos", "StringOutpos", 55, 90, 70 },
        { "sawattack", "SawAttack", 0, 1, 0.04f },
        { "sawporta", "SawPorta", 0, 100, 20 },
        { "strikerate", "StrikeRate", 1, 55, 1 },
        { "eqlowfreq", "Low Freq", 20, 500, 100 },
        { "eqlowgain", "Low Gain", -20, 10, -5 },
        { "eqhighgain", "High Gain", -20, 10, -10 },
        { "cutoff", "Cutoff", 200, 7000, 3000 },
        { "filterdecay", "FilterDecay", 0.3f, 6, 1 },
        { "gatelfo1host", "GateLFO1Host", 1, 4, 2 },
        { "gatephase", "GateLFO2phase", 0, 90, 0 },
        { "delaynote", "DelayNote", 1, 4, 2 },
        { "inputbar", "InputBar", 0, 4, 0 },
        { "inputmov", "InputMov", 0, 100, 0 },
        { "nonlinear", "Nonlinear", 0.2f, 2, 1 },
        { "bar0mass", "Bar0mass", 1, 12, 9 },
        { "bar2mass", "Bar2mass", 1, 5, 2 },
        { "bar4mass", "Bar4mass", 1, 4, 1 },
        { "spr4nonlin", "Spr4Nonlin", 0, 100, 50 },
        { "spr8nonlin", "Spr8Nonlin", 0, 100, 10 },
        { "spr9t60", "Spr9T60", 10, 100, 40 },
    };

    QuorvaneAudioProcessor p;
    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.id);
        auto& r = param (p, c.id);
        EXPECT_EQ (r.getName (100), c.name);
        EXPECT_FLOAT_EQ (r.getNormalisableRange().start, c.min);
        EXPECT_FLOAT_EQ (r.getNormalisableRange().end, c.max);
        EXPECT_NEAR (r.convertFrom0to1 (r.getDefaultValue()), c.def, 1e-4);
        EXPECT_TRUE (r.getLabel().isEmpty());
        EXPECT_EQ (r.getCategory(), juce::AudioProcessorParameter::genericParameter);
    }
}

TEST (Catalogue, NormalisedMappingFollowsSkew)
{
    struct Case { const char* id; float normalised; float expected; float tolerance; };
    const Case cases[] = {
        { "strikerate", 0.5f, 33.91f, 0.005f },
        { "cutoff", 0.5f, 200.0f + 6800.0f * std::pow (0.5f, 2.5f), 0.006f },
        { "inputmov", 0.5f, 17.678f, 0.0006f },
        { "drive", 0.5f, 50.0f, 1e-4f },
        { "cutoff", 0.0f, 200.0f, 0.0f },
        { "cutoff", 1.0f, 7000.0f, 0.0f },
    };

    QuorvaneAudioProcessor p;
    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.id);
        auto& r = param (p, c.id);
        r.setValueNotifyingHost (c.normalised);
        EXPECT_NEAR (p.getValueTreeState().getRawParameterValue (c.id)->load(), c.expected, c.tolerance);
    }
}

TEST (Catalogue, IntegerParametersRoundToNearest)
{
    QuorvaneAudioProcessor p;
    struct Case { const char* id; float normalised; float expected; };
    const Case cases[] = {
        { "delaynote", 0.0f, 1 }, { "delaynote", 1.0f / 3.0f, 2 }, { "delaynote", 0.6f, 3 }, { "delaynote", 1.0f, 4 },
        { "gatelfo1host", 0.16f, 1 }, { "gatelfo1host", 0.17f, 2 },
        { "inputbar", 0.0f, 0 }, { "inputbar", 0.3f, 1 }, { "inputbar", 0.62f, 2 }, { "inputbar", 0.74f, 3 }, { "inputbar", 1.0f, 4 },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE (juce::String (c.id) + " at " + juce::String (c.normalised));
        param (p, c.id).setValueNotifyingHost (c.normalised);
        EXPECT_EQ (p.getValueTreeState().getRawParameterValue (c.id)->load(), c.expected);
    }
}

TEST (Catalogue, RealValuesSnapToTheStep)
{
    QuorvaneAudioProcessor p;
    auto& drive = param (p, "drive");
    auto& porta = param (p, "sawporta");
    drive.setValueNotifyingHost (drive.convertTo0to1 (0.004f));
    porta.setValueNotifyingHost (porta.convertTo0to1 (0.004f));
    EXPECT_EQ (p.getValueTreeState().getRawParameterValue ("drive")->load(), 0.0f);
    EXPECT_NEAR (p.getValueTreeState().getRawParameterValue ("sawporta")->load(), 0.004f, 1e-6f);

    // Out of range values clamp to the ends.
    EXPECT_FLOAT_EQ (drive.getNormalisableRange().snapToLegalValue (150.0f), 100.0f);
    EXPECT_FLOAT_EQ (drive.getNormalisableRange().snapToLegalValue (-3.0f), 0.0f);
}

TEST (Catalogue, ValueTextHasTheStepsDecimals)
{
    QuorvaneAudioProcessor p;
    struct Case { const char* id; const char* text; };
    const Case cases[] = {
        { "eqlowgain", "-5.00" }, { "sawporta", "20.000" }, { "delaynote", "2" },
        { "cutoff", "3000.00" }, { "inputmov", "0.000" }, { "inputbar", "0" },
    };
    for (const auto& c : cases)
    {
        auto& r = param (p, c.id);
        EXPECT_EQ (r.getText (r.getValue(), 100), c.text) << c.id;
    }

    auto& gain = param (p, "eqlowgain");
    EXPECT_NEAR (gain.convertFrom0to1 (gain.getValueForText ("2.5")), 2.5f, 1e-4f);
}
} // namespace
