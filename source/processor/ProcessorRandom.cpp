// The default instrument, the randomiser and its one step of undo.
#include "PluginProcessor.h"

using namespace quorvane;

namespace
{
// Host indices in the order the default instrument writes them.
constexpr int kDefaultWriteOrder[kNumParams] = {
    0, 1, 2, 3, 4, 5, 6, 8, 7, 9, 10, 11, 12, 13, 14, 15, 17, 16, 18, 19,
    20, 21, 22, 23, 24, 25, 27, 26, 28, 29, 30, 31, 32, 33, 34, 36, 35, 37, 38, 39,
    40, 41, 42, 43, 44, 45, 46, 47, 48, 49, 50, 51, 52, 53, 54, 55, 56, 57, 58, 59,
    60, 61, 62, 63, 64, 65, 66, 67, 68, 69, 70, 71, 72, 73, 74, 75, 76, 77, 78, 79,
    80, 81, 82, 83, 84, 85, 86, 87, 88, 89, 90
};

// The parameters a roll may change, in snapshot order: per bar sustain, tone and
// mass, then the springs' afreq, nonlin and t60.
constexpr const char* kSnapshotParameterIDs[45] = {
    kParam_Bar0Sustain_ID, kParam_Bar0Tone_ID, kParam_Bar0Mass_ID,
    kParam_Bar1Sustain_ID, kParam_Bar1Tone_ID, kParam_Bar1Mass_ID,
    kParam_Bar2Sustain_ID, kParam_Bar2Tone_ID, kParam_Bar2Mass_ID,
    kParam_Bar3Sustain_ID, kParam_Bar3Tone_ID, kParam_Bar3Mass_ID,
    kParam_Bar4Sustain_ID, kParam_Bar4Tone_ID, kParam_Bar4Mass_ID,
    kParam_Spr0Afreq_ID, kParam_Spr1Afreq_ID, kParam_Spr2Afreq_ID, kParam_Spr3Afreq_ID, kParam_Spr4Afreq_ID,
    kParam_Spr5Afreq_ID, kParam_Spr6Afreq_ID, kParam_Spr7Afreq_ID, kParam_Spr8Afreq_ID, kParam_Spr9Afreq_ID,
    kParam_Spr0Nonlin_ID, kParam_Spr1Nonlin_ID, kParam_Spr2Nonlin_ID, kParam_Spr3Nonlin_ID, kParam_Spr4Nonlin_ID,
    kParam_Spr5Nonlin_ID, kParam_Spr6Nonlin_ID, kParam_Spr7Nonlin_ID, kParam_Spr8Nonlin_ID, kParam_Spr9Nonlin_ID,
    kParam_Spr0T60_ID, kParam_Spr1T60_ID, kParam_Spr2T60_ID, kParam_Spr3T60_ID, kParam_Spr4T60_ID,
    kParam_Spr5T60_ID, kParam_Spr6T60_ID, kParam_Spr7T60_ID, kParam_Spr8T60_ID, kParam_Spr9T60_ID,
};

// Property indices in snapshot order: bar stiffness 0..4, then spring positions.
constexpr int snapshotPropertyIndex (int i) noexcept
{
    return i < 5 ? prBar0Stiffness + i : prSpring0Pos1 + (i - 5);
}
} // namespace

//==============================================================================
void QuorvaneAudioProcessor::setRealParameter (const char* id, float value)
{
    if (auto* p = valueTreeState.getParameter (id))
        p->setValueNotifyingHost (p->convertTo0to1 (value));
}

void QuorvaneAudioProcessor::loadDefaultPreset()
{
    resyncHold = true;
    resyncRequest = true;

    for (int index : kDefaultWriteOrder)
    {
        const auto& spec = kParamCatalogue[index];
        setRealParameter (spec.id, spec.def);
    }
    loadDefaultProperties();
    setProperty (kProp_CurrentPreset_ID, 0);

    resyncHold = false;
}

//==============================================================================
void QuorvaneAudioProcessor::loadUndo()
{
    auto& s = undoSnapshot;
    for (int i = 0; i < 25; ++i)
        s.properties[i] = propertyMirror[(size_t) snapshotPropertyIndex (i)].load();

    const auto* ids = kSnapshotParameterIDs;
    for (int i = 0; i < 45; ++i)
        s.parameters[i] = valueTreeState.getParameter (ids[i])->getValue();

    for (int i = 0; i < 10; ++i)
        s.switches[i] = (int) propertyMirror[(size_t) (prSpring0On + i)].load();
}

void QuorvaneAudioProcessor::randomise (bool bar0, bool bar1, bool bar2, bool bar3, bool bar4)
{
    const bool bars[5] = { bar0, bar1, bar2, bar3, bar4 };

    loadUndo();
    // Hold the resync until every value of the roll is written.
    resyncHold = true;
    resyncRequest = true;

    for (int b = 0; b < 5; ++b)
        if (bars[b])
            setProperty (*kPropCatalogue[prBar0Stiffness + b].id, 100.0 * random.nextDouble());

    for (int i = 0; i < 20; ++i)
        setProperty (*kPropCatalogue[prSpring0Pos1 + i].id, random.nextDouble());

    const auto* ids = kSnapshotParameterIDs;
    for (int b = 0; b < 5; ++b)
        if (bars[b])
            for (int j = 0; j < 3; ++j)
                valueTreeState.getParameter (ids[3 * b + j])->setValueNotifyingHost (random.nextFloat());

    for (int i = 15; i < 45; ++i)
        valueTreeState.getParameter (ids[i])->setValueNotifyingHost (random.nextFloat());

    for (int i = 0; i < 10; ++i)
        setProperty (*kPropCatalogue[prSpring0On + i].id, random.nextFloat() > 0.5f ? 1 : 0);

    resyncHold = false;
}

void QuorvaneAudioProcessor::undoRandomise()
{
    resyncHold = true;
    resyncRequest = true;

    const auto& s = undoSnapshot;
    for (int i = 0; i < 25; ++i)
        setProperty (*kPropCatalogue[snapshotPropertyIndex (i)].id, s.properties[i]);

    const auto* ids = kSnapshotParameterIDs;
    for (int i = 0; i < 45; ++i)
        valueTreeState.getParameter (ids[i])->setValueNotifyingHost (s.parameters[i]);

    for (int i = 0; i < 10; ++i)
        setProperty (*kPropCatalogue[prSpring0On + i].id, s.switches[i]);

    resyncHold = false;
}
