#include "PluginProcessor.h"

#include <cmath>

using namespace quorvane;

//==============================================================================
QuorvaneAudioProcessor::QuorvaneAudioProcessor()
    : AudioProcessor (BusesProperties()
                          .withInput ("Input", juce::AudioChannelSet::stereo(), true)
                          .withOutput ("Output", juce::AudioChannelSet::stereo(), true)),
      valueTreeState (*this, nullptr, statevts, createParameterLayout())
{
    // The smoothers start at step 0.001, interval 8, from 0 (their declared values).
    random.setSeedRandomly();

    setParamPointers();

    auto& vts = valueTreeState;
    cutoffParam = vts.getParameter (kParam_Cutoff_ID);
    sawToneParam = vts.getParameter (kParam_SawTone_ID);
    pluckPosParam = vts.getParameter (kParam_StringPluckpos_ID);
    strikeRateParam = vts.getParameter (kParam_StrikeRate_ID);
    stiffnessParam = vts.getParameter (kParam_GStiffness_ID);
    nonlinearParam = vts.getParameter (kParam_GNonlinear_ID);
    barGainParams = { vts.getParameter (kParam_Bar0Gain_ID), vts.getParameter (kParam_Bar1Gain_ID),
                      vts.getParameter (kParam_Bar2Gain_ID), vts.getParameter (kParam_Bar3Gain_ID),
                      vts.getParameter (kParam_Bar4Gain_ID) };

    valueTreeState.state.setProperty (kProp_CurrentPreset_ID, 0, nullptr);
    valueTreeState.state.setProperty (kProp_PresetNotes_ID, kDefaultPresetNotes, nullptr);
    valueTreeState.state.setProperty (kProp_MPEModeOn_ID, 0, nullptr);
    loadDefaultProperties();

    for (int i = 0; i < 1000; ++i)
        random.setSeedRandomly();

    // The control fields, meters and meter rings start at their declared initial values.

    refreshPropertyMirror();
    valueTreeState.state.addListener (this);
}

QuorvaneAudioProcessor::~QuorvaneAudioProcessor()
{
    midiRandomiseTimer.stopTimer();
    valueTreeState.state.removeListener (this);
}

const juce::String QuorvaneAudioProcessor::getName() const
{
    return "Quorvane";
}

//==============================================================================
juce::AudioProcessorValueTreeState::ParameterLayout QuorvaneAudioProcessor::createParameterLayout()
{
    juce::AudioProcessorValueTreeState::ParameterLayout layout;

    for (const auto& spec : kParamCatalogue)
    {
        const juce::ParameterID id { spec.id, 1 };

        if (spec.kind == ParamKind::Int)
        {
            layout.add (std::make_unique<juce::AudioParameterInt> (id, spec.name, (int) spec.min, (int) spec.max, (int) spec.def));
        }
        else if (spec.step == 0.01f && spec.skew == 1.0f)
        {
            layout.add (std::make_unique<juce::AudioParameterFloat> (id, spec.name, spec.min, spec.max, spec.def));
        }
        else
        {
            const juce::NormalisableRange<float> range { spec.min, spec.max, spec.step, spec.skew };
            layout.add (std::make_unique<juce::AudioParameterFloat> (id, spec.name, range, spec.def));
        }
    }

    return layout;
}

void QuorvaneAudioProcessor::setParamPointers()
{
    for (int i = 0; i < kNumParamPointers; ++i)
        params[(size_t) i] = valueTreeState.getRawParameterValue (kParamPointerIDs[i]);
}

void QuorvaneAudioProcessor::loadDefaultProperties()
{
    for (int i = kFirstDefaultProperty; i < kNumProps; ++i)
    {
        const auto& prop = kPropCatalogue[i];
        const juce::var value = prop.kind == PropKind::Int ? juce::var ((int) prop.def)
                                                           : juce::var (prop.def);
        setProperty (*prop.id, value);
    }
}

void QuorvaneAudioProcessor::setProperty (const juce::Identifier& id, const juce::var& value)
{
    const juce::ScopedLock sl (stateLock);
    valueTreeState.state.setProperty (id, value, nullptr);
}

//==============================================================================
// The property mirror

namespace
{
// Properties restored from XML arrive as text. Text that is not a number reads 0;
// "nan" and "inf" stay non-finite so that users of the value can tell them apart.
double numberFromVar (const juce::var& v)
{
    if (! v.isString())
        return static_cast<double> (v);

    const auto text = v.toString().trim().toLowerCase();
    if (text.contains ("nan"))
        return std::numeric_limits<double>::quiet_NaN();
    if (text.contains ("inf"))
        return text.startsWithChar ('-') ? -std::numeric_limits<double>::infinity()
                                         : std::numeric_limits<double>::infinity();
    return text.getDoubleValue();
}
} // namespace

void QuorvaneAudioProcessor::refreshPropertyMirror()
{
    const auto& tree = valueTreeState.state;
    for (int i = 0; i < kNumProps; ++i)
    {
        const auto* v = tree.getPropertyPointer (*kPropCatalogue[i].id);
        const double value = v == nullptr ? 0.0 : numberFromVar (*v);
        propertyMirror[(size_t) i].store (value, std::memory_order_relaxed);
    }
}

void QuorvaneAudioProcessor::valueTreePropertyChanged (juce::ValueTree& tree, const juce::Identifier&)
{
    if (tree == valueTreeState.state)
        refreshPropertyMirror();
}

void QuorvaneAudioProcessor::valueTreeRedirected (juce::ValueTree&)
{
    refreshPropertyMirror();
}

//==============================================================================
bool QuorvaneAudioProcessor::isBusesLayoutSupported (const BusesLayout& layouts) const
{
    const auto in = layouts.getMainInputChannelSet();
    const auto out = layouts.getMainOutputChannelSet();

    if (in.isDisabled() || out.isDisabled())
        return false;
    if (out != juce::AudioChannelSet::stereo())
        return false;
    return in == out;
}

//==============================================================================
void QuorvaneAudioProcessor::getStateInformation (juce::MemoryBlock& destData)
{
    juce::ValueTree copy;
    {
        const juce::ScopedLock sl (stateLock);
        copy = valueTreeState.copyState();
    }

    if (auto xml = copy.createXml())
    {
        destData.reset();
        copyXmlToBinary (*xml, destData);
    }
}

void QuorvaneAudioProcessor::setStateInformation (const void* data, int sizeInBytes)
{
    // The hold keeps the audio thread from re-mapping a half-restored state, should a
    // resync already be pending; the request then maps the new state behind the fade.
    resyncHold = true;

    if (data != nullptr)
    {
        auto xml = getXmlFromBinary (data, sizeInBytes);

        if (xml != nullptr && xml->getTagName().equalsIgnoreCase (statevts.toString()))
        {
            auto tree = juce::ValueTree::fromXml (*xml);
            const juce::ScopedLock sl (stateLock);
            keepCurrentValuesOfMissingParameters (tree);
            valueTreeState.replaceState (tree);
        }
    }

    // An unprepared or halted engine keeps the request until prepareToPlay, which
    // maps and resets everything anyway.
    resyncRequest = true;
    resyncHold = false;
}

// A parameter the restored text lacks, or whose value is not a finite number,
// keeps its present value (the framework would otherwise fall back to the default).
void QuorvaneAudioProcessor::keepCurrentValuesOfMissingParameters (juce::ValueTree& tree) const
{
    static const juce::Identifier paramType { "PARAM" }, idKey { "id" }, valueKey { "value" };

    for (const auto& spec : kParamCatalogue)
    {
        const float current = valueTreeState.getRawParameterValue (spec.id)->load();
        auto child = tree.getChildWithProperty (idKey, juce::String (spec.id));

        if (! child.isValid())
        {
            child = juce::ValueTree (paramType);
            child.setProperty (idKey, juce::String (spec.id), nullptr);
            child.setProperty (valueKey, current, nullptr);
            tree.appendChild (child, nullptr);
        }
        else if (! child.hasProperty (valueKey) || ! std::isfinite ((double) child[valueKey]))
        {
            child.setProperty (valueKey, current, nullptr);
        }
    }
}

//==============================================================================
juce::AudioProcessorEditor* QuorvaneAudioProcessor::createEditor()
{
    return new juce::GenericAudioProcessorEditor (*this);
}

juce::AudioProcessor* JUCE_CALLTYPE createPluginFilter()
{
    return new QuorvaneAudioProcessor();
}
