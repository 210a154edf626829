#pragma once
// Every parameter and property of the instrument by name. No other source spells an ID.

#include <juce_core/juce_core.h>

namespace quorvane
{
// ---- Parameters: ID and display name ----
inline constexpr const char* kParam_Bar0Gain_ID = "bar0gain";
inline constexpr const char* kParam_Bar0Gain_Name = "Bar0Gain";
inline constexpr const char* kParam_Bar1Gain_ID = "bar1gain";
inline constexpr const char* kParam_Bar1Gain_Name = "Bar1Gain";
inline constexpr const char* kParam_Bar2Gain_ID = "bar2gain";
inline constexpr const char* kParam_Bar2Gain_Name = "Bar2Gain";
inline constexpr const char* kParam_Bar3Gain_ID = "bar3gain";
inline constexpr const char* kParam_Bar3Gain_Name = "Bar3Gain";
inline constexpr const char* kParam_Bar4Gain_ID = "bar4gain";
inline constexpr const char* kParam_Bar4Gain_Name = "Bar4Gain";
inline constexpr const char* kParam_DriverGain_ID = "drivergain";
inline constexpr const char* kParam_DriverGain_Name = "DriverGain";
inline constexpr const char* kParam_Drive_ID = "drive";
inline constexpr const char* kParam_Drive_Name = "Drive";
inline constexpr const char* kParam_StringPluckpos_ID = "stringpluckpos";
inline constexpr const char* kParam_StringPluckpos_Name = "StringPluckpos";
inline constexpr const char* kParam_StringOutpos_ID = "stringoutpos";
inline constexpr const char* kParam_StringOutpos_Name = "StringOutpos";
inline constexpr const char* kParam_StringSustain_ID = "stringsustain";
inline constexpr const char* kParam_StringSustain_Name = "StringSustain";
inline constexpr const char* kParam_StringTone_ID = "stringtone";
inline constexpr const char* kParam_StringTone_Name = "StringTone";
inline constexpr const char* kParam_StringInharm_ID = "stringinharm";
inline constexpr const char* kParam_StringInharm_Name = "StringInharm";
inline constexpr const char* kParam_StringChorus_ID = "stringchorus";
inline constexpr const char* kParam_StringChorus_Name = "StringChorus";
inline constexpr const char* kParam_Attack_ID = "sawattack";
inline constexpr const char* kParam_Attack_Name = "SawAttack";
inline constexpr const char* kParam_Decay_ID = "sawdecay";
inline constexpr const char* kParam_Decay_Name = "SawDecay";
inline constexpr const char* kParam_Release_ID = "sawrelease";
inline constexpr const char* kParam_Release_Name = "SawRelease";
inline constexpr const char* kParam_SawTone_ID = "sawtone";
inline constexpr const char* kParam_SawTone_Name = "SawTone";
inline constexpr const char* kParam_Porta_ID = "sawporta";
inline constexpr const char* kParam_Porta_Name = "SawPorta";
inline constexpr const char* kParam_RanDepth_ID = "randepth";
inline constexpr const char* kParam_RanDepth_Name = "RanDepth";
inline constexpr const char* kParam_StrikeRate_ID = "strikerate";
inline constexpr const char* kParam_StrikeRate_Name = "StrikeRate";
inline constexpr const char* kParam_EQLowFreq_ID = "eqlowfreq";
inline constexpr const char* kParam_EQLowFreq_Name = "Low Freq";
inline constexpr const char* kParam_EQLowGain_ID = "eqlowgain";
inline constexpr const char* kParam_EQLowGain_Name = "Low Gain";
inline constexpr const char* kParam_EQMidFreq_ID = "eqmidfreq";
inline constexpr const char* kParam_EQMidFreq_Name = "Mid Freq";
inline constexpr const char* kParam_EQMidGain_ID = "eqmidgain";
inline constexpr const char* kParam_EQMidGain_Name = "Mid Gain";
inline constexpr const char* kParam_EQHighFreq_ID = "eqhighfreq";
inline constexpr const char* kParam_EQHighFreq_Name = "High Freq";
inline constexpr const char* kParam_EQHighGain_ID = "eqhighgain";
inline constexpr const char* kParam_EQHighGain_Name = "High Gain";
inline constexpr const char* kParam_Cutoff_ID = "cutoff";
inline constexpr const char* kParam_Cutoff_Name = "Cutoff";
inline constexpr const char* kParam_Resonance_ID = "resonance";
inline constexpr const char* kParam_Resonance_Name = "Resonance";
inline constexpr const char* kParam_FilterAttack_ID = "filterattack";
inline constexpr const char* kParam_FilterAttack_Name = "FilterAttack";
inline constexpr const char* kParam_FilterDecay_ID = "filterdecay";
inline constexpr const char* kParam_FilterDecay_Name = "FilterDecay";
inline constexpr const char* kParam_FilterSustain_ID = "filtersustain";
inline constexpr const char* kParam_FilterSustain_Name = "FilterSustain";
inline constexpr const char* kParam_FilterRelease_ID = "filterrelease";
inline constexpr const char* kParam_FilterRelease_Name = "FilterRelease";
inline constexpr const char* kParam_GateThreshold_ID = "gatethreshold";
inline constexpr const char* kParam_GateThreshold_Name = "GateThreshold";
inline constexpr const char* kParam_GateDepth_ID = "gatedepth";
inline constexpr const char* kParam_GateDepth_Name = "GateDepth";
inline constexpr const char* kParam_GateLFO1_ID = "gatelfo1";
inline constexpr const char* kParam_GateLFO1_Name = "GateLFO1";
inline constexpr const char* kParam_GateLFO1Host_ID = "gatelfo1host";
inline constexpr const char* kParam_GateLFO1Host_Name = "GateLFO1Host";
inline constexpr const char* kParam_GateLFO2_ID = "gatelfo2";
inline constexpr const char* kParam_GateLFO2_Name = "GateLFO2";
inline constexpr const char* kParam_GatePhase_ID = "gatephase";
inline constexpr const char* kParam_GatePhase_Name = "GateLFO2phase";
inline constexpr const char* kParam_DelayBPM_ID = "delaybpm";
inline constexpr const char* kParam_DelayBPM_Name = "DelayBPM";
inline constexpr const char* kParam_DelayNote_ID = "delaynote";
inline constexpr const char* kParam_DelayNote_Name = "DelayNote";
inline constexpr const char* kParam_DelayFeedback_ID = "delayfeedback";
inline constexpr const char* kParam_DelayFeedback_Name = "DelayFeedback";
inline constexpr const char* kParam_DelayLevel_ID = "delaylevel";
inline constexpr const char* kParam_DelayLevel_Name = "DelayLevel";
inline constexpr const char* kParam_InputBar_ID = "inputbar";
inline constexpr const char* kParam_InputBar_Name = "InputBar";
inline constexpr const char* kParam_InputMov_ID = "inputmov";
inline constexpr const char* kParam_InputMov_Name = "InputMov";
inline constexpr const char* kParam_GNonlinear_ID = "nonlinear";
inline constexpr const char* kParam_GNonlinear_Name = "Nonlinear";
inline constexpr const char* kParam_GStiffness_ID = "stiffness";
inline constexpr const char* kParam_GStiffness_Name = "Stiffness";
inline constexpr const char* kParam_Bar0Sustain_ID = "bar0sustain";
inline constexpr const char* kParam_Bar0Sustain_Name = "Bar0Sustain";
inline constexpr const char* kParam_Bar1Sustain_ID = "bar1sustain";
inline constexpr const char* kParam_Bar1Sustain_Name = "Bar1Sustain";
inline constexpr const char* kParam_Bar2Sustain_ID = "bar2sustain";
inline constexpr const char* kParam_Bar2Sustain_Name = "Bar2Sustain";
inline constexpr const char* kParam_Bar3Sustain_ID = "bar3sustain";
inline constexpr const char* kParam_Bar3Sustain_Name = "Bar3Sustain";
inline constexpr const char* kParam_Bar4Sustain_ID = "bar4sustain";
inline constexpr const char* kParam_Bar4Sustain_Name = "Bar4Sustain";
inline constexpr const char* kParam_Bar0Tone_ID = "bar0tone";
inline constexpr const char* kParam_Bar0Tone_Name = "Bar0Tone";
inline constexpr const char* kParam_Bar1Tone_ID = "bar1tone";
inline constexpr const char* kParam_Bar1Tone_Name = "Bar1Tone";
inline constexpr const char* kParam_Bar2Tone_ID = "bar2tone";
inline constexpr const char* kParam_Bar2Tone_Name = "Bar2Tone";
inline constexpr const char* kParam_Bar3Tone_ID = "bar3tone";
inline constexpr const char* kParam_Bar3Tone_Name = "Bar3Tone";
inline constexpr const char* kParam_Bar4Tone_ID = "bar4tone";
inline constexpr const char* kParam_Bar4Tone_Name = "Bar4Tone";
inline constexpr const char* kParam_Bar0Mass_ID = "bar0mass";
inline constexpr const char* kParam_Bar0Mass_Name = "Bar0mass";
inline constexpr const char* kParam_Bar1Mass_ID = "bar1mass";
inline constexpr const char* kParam_Bar1Mass_Name = "Bar1mass";
inline constexpr const char* kParam_Bar2Mass_ID = "bar2mass";
inline constexpr const char* kParam_Bar2Mass_Name = "Bar2mass";
inline constexpr const char* kParam_Bar3Mass_ID = "bar3mass";
inline constexpr const char* kParam_Bar3Mass_Name = "Bar3mass";
inline constexpr const char* kParam_Bar4Mass_ID = "bar4mass";
inline constexpr const char* kParam_Bar4Mass_Name = "Bar4mass";
inline constexpr const char* kParam_Spr0Afreq_ID = "spr0afreq";
inline constexpr const char* kParam_Spr0Afreq_Name = "Spr0Afreq";
inline constexpr const char* kParam_Spr1Afreq_ID = "spr1afreq";
inline constexpr const char* kParam_Spr1Afreq_Name = "Spr1Afreq";
inline constexpr const char* kParam_Spr2Afreq_ID = "spr2afreq";
inline constexpr const char* kParam_Spr2Afreq_Name = "Spr2Afreq";
inline constexpr const char* kParam_Spr3Afreq_ID = "spr3afreq";
inline constexpr const char* kParam_Spr3Afreq_Name = "Spr3Afreq";
inline constexpr const char* kParam_Spr4Afreq_ID = "spr4afreq";
inline constexpr const char* kParam_Spr4Afreq_Name = "Spr4Afreq";
inline constexpr const char* kParam_Spr5Afreq_ID = "spr5afreq";
inline constexpr const char* kParam_Spr5Afreq_Name = "Spr5Afreq";
inline constexpr const char* kParam_Spr6Afreq_ID = "spr6afreq";
inline constexpr const char* kParam_Spr6Afreq_Name = "Spr6Afreq";
inline constexpr const char* kParam_Spr7Afreq_ID = "spr7afreq";
inline constexpr const char* kParam_Spr7Afreq_Name = "Spr7Afreq";
inline constexpr const char* kParam_Spr8Afreq_ID = "spr8afreq";
inline constexpr const char* kParam_Spr8Afreq_Name = "Spr8Afreq";
inline constexpr const char* kParam_Spr9Afreq_ID = "spr9afreq";
inline constexpr const char* kParam_Spr9Afreq_Name = "Spr9Afreq";
inline constexpr const char* kParam_Spr0Nonlin_ID = "spr0nonlin";
inline constexpr const char* kParam_Spr0Nonlin_Name = "Spr0Nonlin";
inline constexpr const char* kParam_Spr1Nonlin_ID = "spr1nonlin";
inline constexpr const char* kParam_Spr1Nonlin_Name = "Spr1Nonlin";
inline constexpr const char* kParam_Spr2Nonlin_ID = "spr2nonlin";
inline constexpr const char* kParam_Spr2Nonlin_Name = "Spr2Nonlin";
inline constexpr const char* kParam_Spr3Nonlin_ID = "spr3nonlin";
inline constexpr const char* kParam_Spr3Nonlin_Name = "Spr3Nonlin";
inline constexpr const char* kParam_Spr4Nonlin_ID = "spr4nonlin";
inline constexpr const char* kParam_Spr4Nonlin_Name = "Spr4Nonlin";
inline constexpr const char* kParam_Spr5Nonlin_ID = "spr5nonlin";
inline constexpr const char* kParam_Spr5Nonlin_Name = "Spr5Nonlin";
inline constexpr const char* kParam_Spr6Nonlin_ID = "spr6nonlin";
inline constexpr const char* kParam_Spr6Nonlin_Name = "Spr6Nonlin";
inline constexpr const char* kParam_Spr7Nonlin_ID = "spr7nonlin";
inline constexpr const char* kParam_Spr7Nonlin_Name = "Spr7Nonlin";
inline constexpr const char* kParam_Spr8Nonlin_ID = "spr8nonlin";
inline constexpr const char* kParam_Spr8Nonlin_Name = "Spr8Nonlin";
inline constexpr const char* kParam_Spr9Nonlin_ID = "spr9nonlin";
inline constexpr const char* kParam_Spr9Nonlin_Name = "Spr9Nonlin";
inline constexpr const char* kParam_Spr0T60_ID = "spr0t60";
inline constexpr const char* kParam_Spr0T60_Name = "Spr0T60";
inline constexpr const char* kParam_Spr1T60_ID = "spr1t60";
inline constexpr const char* kParam_Spr1T60_Name = "Spr1T60";
inline constexpr const char* kParam_Spr2T60_ID = "spr2t60";
inline constexpr const char* kParam_Spr2T60_Name = "Spr2T60";
inline constexpr const char* kParam_Spr3T60_ID = "spr3t60";
inline constexpr const char* kParam_Spr3T60_Name = "Spr3T60";
inline constexpr const char* kParam_Spr4T60_ID = "spr4t60";
inline constexpr const char* kParam_Spr4T60_Name = "Spr4T60";
inline constexpr const char* kParam_Spr5T60_ID = "spr5t60";
inline constexpr const char* kParam_Spr5T60_Name = "Spr5T60";
inline constexpr const char* kParam_Spr6T60_ID = "spr6t60";
inline constexpr const char* kParam_Spr6T60_Name = "Spr6T60";
inline constexpr const char* kParam_Spr7T60_ID = "spr7t60";
inline constexpr const char* kParam_Spr7T60_Name = "Spr7T60";
inline constexpr const char* kParam_Spr8T60_ID = "spr8t60";
inline constexpr const char* kParam_Spr8T60_Name = "Spr8T60";
inline constexpr const char* kParam_Spr9T60_ID = "spr9t60";
inline constexpr const char* kParam_Spr9T60_Name = "Spr9T60";

// ---- Properties of the state tree ----
inline const juce::Identifier kProp_CurrentPreset_ID { "currentpreset" };
inline const juce::Identifier kProp_PresetNotes_ID { "presetnotes" };
inline const juce::Identifier kProp_MPEModeOn_ID { "mpemode" };
inline const juce::Identifier kProp_EType_ID { "etype" };
inline const juce::Identifier kProp_GDType_ID { "gdtype" };
inline const juce::Identifier kProp_EQOn_ID { "eqon" };
inline const juce::Identifier kProp_VCFOn_ID { "vcfon" };
inline const juce::Identifier kProp_WahOn_ID { "wahon" };
inline const juce::Identifier kProp_PolyOn_ID { "polyon" };
inline const juce::Identifier kProp_FiltModWheelOn_ID { "filtmodwheelon" };
inline const juce::Identifier kProp_CutoffEnvOn_ID { "cutoffenvon" };
inline const juce::Identifier kProp_GDOn_ID { "gdon" };
inline const juce::Identifier kProp_HostSyncOn_ID { "hostsyncon" };
inline const juce::Identifier kProp_LFO2On_ID { "lfo2on" };
inline const juce::Identifier kProp_AddLFOs_ID { "addlfos" };
inline const juce::Identifier kProp_StrikeHostSync_ID { "strikehostsync" };
inline const juce::Identifier kProp_Bar0Stiffness_ID { "bar0stiffness" };
inline const juce::Identifier kProp_Bar1Stiffness_ID { "bar1stiffness" };
inline const juce::Identifier kProp_Bar2Stiffness_ID { "bar2stiffness" };
inline const juce::Identifier kProp_Bar3Stiffness_ID { "bar3stiffness" };
inline const juce::Identifier kProp_Bar4Stiffness_ID { "bar4stiffness" };
inline const juce::Identifier kProp_Spring0Pos1_ID { "spring0pos1" };
inline const juce::Identifier kProp_Spring0Pos2_ID { "spring0pos2" };
inline const juce::Identifier kProp_Spring1Pos1_ID { "spring1pos1" };
inline const juce::Identifier kProp_Spring1Pos2_ID { "spring1pos2" };
inline const juce::Identifier kProp_Spring2Pos1_ID { "spring2pos1" };
inline const juce::Identifier kProp_Spring2Pos2_ID { "spring2pos2" };
inline const juce::Identifier kProp_Spring3Pos1_ID { "spring3pos1" };
inline const juce::Identifier kProp_Spring3Pos2_ID { "spring3pos2" };
inline const juce::Identifier kProp_Spring4Pos1_ID { "spring4pos1" };
inline const juce::Identifier kProp_Spring4Pos2_ID { "spring4pos2" };
inline const juce::Identifier kProp_Spring5Pos1_ID { "spring5pos1" };
inline const juce::Identifier kProp_Spring5Pos2_ID { "spring5pos2" };
inline const juce::Identifier kProp_Spring6Pos1_ID { "spring6pos1" };
inline const juce::Identifier kProp_Spring6Pos2_ID { "spring6pos2" };
inline const juce::Identifier kProp_Spring7Pos1_ID { "spring7pos1" };
inline const juce::Identifier kProp_Spring7Pos2_ID { "spring7pos2" };
inline const juce::Identifier kProp_Spring8Pos1_ID { "spring8pos1" };
inline const juce::Identifier kProp_Spring8Pos2_ID { "spring8pos2" };
inline const juce::Identifier kProp_Spring9Pos1_ID { "spring9pos1" };
inline const juce::Identifier kProp_Spring9Pos2_ID { "spring9pos2" };
inline const juce::Identifier kProp_Spring0On_ID { "spring0on" };
inline const juce::Identifier kProp_Spring1On_ID { "spring1on" };
inline const juce::Identifier kProp_Spring2On_ID { "spring2on" };
inline const juce::Identifier kProp_Spring3On_ID { "spring3on" };
inline const juce::Identifier kProp_Spring4On_ID { "spring4on" };
inline const juce::Identifier kProp_Spring5On_ID { "spring5on" };
inline const juce::Identifier kProp_Spring6On_ID { "spring6on" };
inline const juce::Identifier kProp_Spring7On_ID { "spring7on" };
inline const juce::Identifier kProp_Spring8On_ID { "spring8on" };
inline const juce::Identifier kProp_Spring9On_ID { "spring9on" };

// Type of the state tree.
inline const juce::Identifier statevts { "APVTSQuorvanepluginin" };

// ---- The catalogue in host order ----
enum class ParamKind { Float, Int };

struct ParamSpec
{
    const char* id;
    const char* name;
    ParamKind kind;
    float min, max, step, skew, def;
};

inline constexpr int kNumParams = 91;
inline constexpr ParamSpec kParamCatalogue[kNumParams] = {
    { kParam_Bar0Gain_ID, kParam_Bar0Gain_Name, ParamKind::Float, 0.0f, 100.0f, 0.01f, 1.0f, 30.0f },
    { kParam_Bar1Gain_ID, kParam_Bar1Gain_Name, ParamKind::Float, 0.0f, 100.0f, 0.01f, 1.0f, 30.0f },
    { kParam_Bar2Gain_ID, kParam_Bar2Gain_Name, ParamKind::Float, 0.0f, 100.0f, 0.01f, 1.0f, 30.0f },
    { kParam_Bar3Gain_ID, kParam_Bar3Gain_Name, ParamKind::Float, 0.0f, 100.0f, 0.01f, 1.0f, 30.0f },
    { kParam_Bar4Gain_ID, kParam_Bar4Gain_Name, ParamKind::Float, 0.0f, 100.0f, 0.01f, 1.0f, 30.0f },
    { kParam_DriverGain_ID, kParam_DriverGain_Name, ParamKind::Float, 0.0f, 100.0f, 0.01f, 1.0f, 70.0f },
    { kParam_Drive_ID, kParam_Drive_Name, ParamKind::Float, 0.0f, 100.0f, 0.01f, 1.0f, 0.0f },
    { kParam_StringOutpos_ID, kParam_StringOutpos_Name, ParamKind::Float, 55.0f, 90.0f, 0.01f, 1.0f, 70.0f },
    { kParam_StringPluckpos_ID, kParam_StringPluckpos_Name, ParamKind::Float, 0.0f, 100.0f, 0.01f, 1.0f, 70.0f },
    { kParam_StringSustain_ID, kParam_StringSustain_Name, ParamKind::Float, 1.0f, 15.0f, 0.01f, 1.0f, 7.0f },
    { kParam_StringTone_ID, kParam_StringTone_Name, ParamKind::Float, 10.0f, 90.0f, 0.01f, 1.0f, 50.0f },
    { kParam_StringInharm_ID, kParam_StringInharm_Name, ParamKind::Float, 0.0f, 100.0f, 0.01f, 1.0f, 0.0f },
    { kParam_StringChorus_ID, kParam_StringChorus_Name, ParamKind::Float, 0.0f, 100.0f, 0.01f, 1.0f, 0.0f },
    { kParam_Attack_ID, kParam_Attack_Name, ParamKind::Float, 0.0f, 1.0f, 0.01f, 1.0f, 0.04f },
    { kParam_Decay_ID, kParam_Decay_Name, ParamKind::Float, 0.0f, 9.0f, 0.01f, 1.0f, 0.0f },
    { kParam_Release_ID, kParam_Release_Name, ParamKind::Float, 0.0f, 2.0f, 0.01f, 1.0f, 0.2f },
    { kParam_Porta_ID, kParam_Porta_Name, ParamKind::Float, 0.0f, 100.0f, 0.001f, 1.0f, 20.0f },
    { kParam_SawTone_ID, kParam_SawTone_Name, ParamKind::Float, 0.0f, 100.0f, 0.01f, 1.0f, 70.0f },
    { kParam_RanDepth_ID, kParam_RanDepth_Name, ParamKind::Float, 0.0f, 100.0f, 0.01f, 1.0f, 0.0f },
    { kParam_StrikeRate_ID, kParam_StrikeRate_Name, ParamKind::Float, 1.0f, 55.0f, 0.01f, 1.4f, 1.0f },
    { kParam_EQLowFreq_ID, kParam_EQLowFreq_Name, ParamKind::Float, 20.0f, 500.0f, 0.01f, 1.0f, 100.0f },
    { kParam_EQLowGain_ID, kParam_EQLowGain_Name, ParamKind::Float, -20.0f, 10.0f, 0.01f, 1.0f, -5.0f },
    { kParam_EQMidFreq_ID, kParam_EQMidFreq_Name, ParamKind::Float, 500.0f, 5000.0f, 0.01f, 1.0f, 1000.0f },
    { kParam_EQMidGain_ID, kParam_EQMidGain_Name, ParamKind::Float, -20.0f, 10.0f, 0.01f, 1.0f, 1.0f },
    { kParam_EQHighFreq_ID, kParam_EQHighFreq_Name, ParamKind::Float, 5000.0f, 15000.0f, 0.01f, 1.0f, 12000.0f },
    { kParam_EQHighGain_ID, kParam_EQHighGain_Name, ParamKind::Float, -20.0f, 10.0f, 0.01f, 1.0f, -10.0f },
    { kParam_Resonance_ID, kParam_Resonance_Name, ParamKind::Float, 1.0f, 100.0f, 0.01f, 1.0f, 70.0f },
    { kParam_Cutoff_ID, kParam_Cutoff_Name, ParamKind::Float, 200.0f, 7000.0f, 0.01f, 0.4f, 3000.0f },
    { kParam_FilterAttack_ID, kParam_FilterAttack_Name, ParamKind::Float, 0.0f, 1.0f, 0.01f, 1.0f, 0.1f },
    { kParam_FilterDecay_ID, kParam_FilterDecay_Name, ParamKind::Float, 0.3f, 6.0f, 0.01f, 1.0f, 1.0f },
    { kParam_FilterSustain_ID, kParam_FilterSustain_Name, ParamKind::Float, 0.0f, 1.0f, 0.01f, 1.0f, 1.0f },
    { kParam_FilterRelease_ID, kParam_FilterRelease_Name, ParamKind::Float, 0.0f, 2.0f, 0.01f, 1.0f, 0.2f },
    { kParam_GateThreshold_ID, kParam_GateThreshold_Name, ParamKind::Float, 0.2f, 0.8f, 0.01f, 1.0f, 0.6f },
    { kParam_GateDepth_ID, kParam_GateDepth_Name, ParamKind::Float, 30.0f, 100.0f, 0.01f, 1.0f, 100.0f },
    { kParam_GateLFO1_ID, kParam_GateLFO1_Name, ParamKind::Float, 0.5f, 6.0f, 0.01f, 1.0f, 3.0f },
    { kParam_GateLFO1Host_ID, kParam_GateLFO1Host_Name, ParamKind::Int, 1.0f, 4.0f, 1.0f, 1.0f, 2.0f },
    { kParam_GateLFO2_ID, kParam_GateLFO2_Name, ParamKind::Float, 0.5f, 2.0f, 0.01f, 1.0f, 0.5f },
    { kParam_GatePhase_ID, kParam_GatePhase_Name, ParamKind::Float, 0.0f, 90.0f, 0.01f, 1.0f, 0.0f },
    { kParam_DelayBPM_ID, kParam_DelayBPM_Name, ParamKind::Float, 60.0f, 160.0f, 0.01f, 1.0f, 110.0f },
    { kParam_DelayNote_ID, kParam_DelayNote_Name, ParamKind::Int, 1.0f, 4.0f, 1.0f, 1.0f, 2.0f },
    { kParam_DelayFeedback_ID, kParam_DelayFeedback_Name, ParamKind::Float, 0.0f, 100.0f, 0.01f, 1.0f, 40.0f },
    { kParam_DelayLevel_ID, kParam_DelayLevel_Name, ParamKind::Float, 0.0f, 100.0f, 0.01f, 1.0f, 50.0f },
    { kParam_InputBar_ID, kParam_InputBar_Name, ParamKind::Int, 0.0f, 4.0f, 1.0f, 1.0f, 0.0f },
    { kParam_InputMov_ID, kParam_InputMov_Name, ParamKind::Float, 0.0f, 100.0f, 0.001f, 0.4f, 0.0f },
    { kParam_GNonlinear_ID, kParam_GNonlinear_Name, ParamKind::Float, 0.2f, 2.0f, 0.01f, 1.0f, 1.0f },
    { kParam_GStiffness_ID, kParam_GStiffness_Name, ParamKind::Float, 0.2f, 1.5f, 0.01f, 1.0f, 1.0f },
    { kParam_Bar0Sustain_ID, kParam_Bar0Sustain_Name, ParamKind::Float, 1.0f, 15.0f, 0.01f, 1.0f, 5.0f },
    { kParam_Bar1Sustain_ID, kParam_Bar1Sustain_Name, ParamKind::Float, 1.0f, 15.0f, 0.01f, 1.0f, 5.0f },
    { kParam_Bar2Sustain_ID, kParam_Bar2Sustain_Name, ParamKind::Float, 1.0f, 15.0f, 0.01f, 1.0f, 5.0f },
    { kParam_Bar3Sustain_ID, kParam_Bar3Sustain_Name, ParamKind::Float, 1.0f, 15.0f, 0.01f, 1.0f, 5.0f },
    { kParam_Bar4Sustain_ID, kParam_Bar4Sustain_Name, ParamKind::Float, 1.0f, 15.0f, 0.01f, 1.0f, 5.0f },
    { kParam_Bar0Tone_ID, kParam_Bar0Tone_Name, ParamKind::Float, 10.0f, 90.0f, 0.01f, 1.0f, 60.0f },
    { kParam_Bar1Tone_ID, kParam_Bar1Tone_Name, ParamKind::Float, 10.0f, 90.0f, 0.01f, 1.0f, 60.0f },
    { kParam_Bar2Tone_ID, kParam_Bar2Tone_Name, ParamKind::Float, 10.0f, 90.0f, 0.01f, 1.0f, 60.0f },
    { kParam_Bar3Tone_ID, kParam_Bar3Tone_Name, ParamKind::Float, 10.0f, 90.0f, 0.01f, 1.0f, 60.0f },
    { kParam_Bar4Tone_ID, kParam_Bar4Tone_Name, ParamKind::Float, 10.0f, 90.0f, 0.01f, 1.0f, 60.0f },
    { kParam_Bar0Mass_ID, kParam_Bar0Mass_Name, ParamKind::Float, 1.0f, 12.0f, 0.01f, 1.0f, 9.0f },
    { kParam_Bar1Mass_ID, kParam_Bar1Mass_Name, ParamKind::Float, 1.0f, 5.0f, 0.01f, 1.0f, 2.0f },
    { kParam_Bar2Mass_ID, kParam_Bar2Mass_Name, ParamKind::Float, 1.0f, 5.0f, 0.01f, 1.0f, 2.0f },
    { kParam_Bar3Mass_ID, kParam_Bar3Mass_Name, ParamKind::Float, 1.0f, 4.0f, 0.01f, 1.0f, 1.0f },
    { kParam_Bar4Mass_ID, kParam_Bar4Mass_Name, ParamKind::Float, 1.0f, 4.0f, 0.01f, 1.0f, 1.0f },
    { kParam_Spr0Afreq_ID, kParam_Spr0Afreq_Name, ParamKind::Float, 0.0f, 100.0f, 0.01f, 1.0f, 20.0f },
    { kParam_Spr1Afreq_ID, kParam_Spr1Afreq_Name, ParamKind::Float, 0.0f, 100.0f, 0.01f, 1.0f, 20.0f },
    { kParam_Spr2Afreq_ID, kParam_Spr2Afreq_Name, ParamKind::Float, 0.0f, 100.0f, 0.01f, 1.0f, 20.0f },
    { kParam_Spr3Afreq_ID, kParam_Spr3Afreq_Name, ParamKind::Float, 0.0f, 100.0f, 0.01f, 1.0f, 20.0f },
    { kParam_Spr4Afreq_ID, kParam_Spr4Afreq_Name, ParamKind::Float, 0.0f, 100.0f, 0.01f, 1.0f, 20.0f },
    { kParam_Spr5Afreq_ID, kParam_Spr5Afreq_Name, ParamKind::Float, 0.0f, 100.0f, 0.01f, 1.0f, 20.0f },
    { kParam_Spr6Afreq_ID, kParam_Spr6Afreq_Name, ParamKind::Float, 0.0f, 100.0f, 0.01f, 1.0f, 20.0f },
    { kParam_Spr7Afreq_ID, kParam_Spr7Afreq_Name, ParamKind::Float, 0.0f, 100.0f, 0.01f, 1.0f, 20.0f },
    { kParam_Spr8Afreq_ID, kParam_Spr8Afreq_Name, ParamKind::Float, 0.0f, 100.0f, 0.01f, 1.0f, 20.0f },
    { kParam_Spr9Afreq_ID, kParam_Spr9Afreq_Name, ParamKind::Float, 0.0f, 100.0f, 0.01f, 1.0f, 20.0f },
    { kParam_Spr0Nonlin_ID, kParam_Spr0Nonlin_Name, ParamKind::Float, 0.0f, 100.0f, 0.01f, 1.0f, 10.0f },
    { kParam_Spr1Nonlin_ID, kParam_Spr1Nonlin_Name, ParamKind::Float, 0.0f, 100.0f, 0.01f, 1.0f, 20.0f },
    { kParam_Spr2Nonlin_ID, kParam_Spr2Nonlin_Name, ParamKind::Float, 0.0f, 100.0f, 0.01f, 1.0f, 30.0f },
    { kParam_Spr3Nonlin_ID, kParam_Spr3Nonlin_Name, ParamKind::Float, 0.0f, 100.0f, 0.01f, 1.0f, 40.0f },
    { kParam_Spr4Nonlin_ID, kParam_Spr4Nonlin_Name, ParamKind::Float, 0.0f, 100.0f, 0.01f, 1.0f, 50.0f },
    { kParam_Spr5Nonlin_ID, kParam_Spr5Nonlin_Name, ParamKind::Float, 0.0f, 100.0f, 0.01f, 1.0f, 40.0f },
    { kParam_Spr6Nonlin_ID, kParam_Spr6Nonlin_Name, ParamKind::Float, 0.0f, 100.0f, 0.01f, 1.0f, 30.0f },
    { kParam_Spr7Nonlin_ID, kParam_Spr7Nonlin_Name, ParamKind::Float, 0.0f, 100.0f, 0.01f, 1.0f, 20.0f },
    { kParam_Spr8Nonlin_ID, kParam_Spr8Nonlin_Name, ParamKind::Float, 0.0f, 100.0f, 0.01f, 1.0f, 10.0f },
    { kParam_Spr9Nonlin_ID, kParam_Spr9Nonlin_Name, ParamKind::Float, 0.0f, 100.0f, 0.01f, 1.0f, 10.0f },
    { kParam_Spr0T60_ID, kParam_Spr0T60_Name, ParamKind::Float, 10.0f, 100.0f, 0.01f, 1.0f, 40.0f },
    { kParam_Spr1T60_ID, kParam_Spr1T60_Name, ParamKind::Float, 10.0f, 100.0f, 0.01f, 1.0f, 40.0f },
    { kParam_Spr2T60_ID, kParam_Spr2T60_Name, ParamKind::Float, 10.0f, 100.0f, 0.01f, 1.0f, 40.0f },
    { kParam_Spr3T60_ID, kParam_Spr3T60_Name, ParamKind::Float, 10.0f, 100.0f, 0.01f, 1.0f, 40.0f },
    { kParam_Spr4T60_ID, kParam_Spr4T60_Name, ParamKind::Float, 10.0f, 100.0f, 0.01f, 1.0f, 40.0f },
    { kParam_Spr5T60_ID, kParam_Spr5T60_Name, ParamKind::Float, 10.0f, 100.0f, 0.01f, 1.0f, 40.0f },
    { kParam_Spr6T60_ID, kParam_Spr6T60_Name, ParamKind::Float, 10.0f, 100.0f, 0.01f, 1.0f, 40.0f },
    { kParam_Spr7T60_ID, kParam_Spr7T60_Name, ParamKind::Float, 10.0f, 100.0f, 0.01f, 1.0f, 40.0f },
    { kParam_Spr8T60_ID, kParam_Spr8T60_Name, ParamKind::Float, 10.0f, 100.0f, 0.01f, 1.0f, 40.0f },
    { kParam_Spr9T60_ID, kParam_Spr9T60_Name, ParamKind::Float, 10.0f, 100.0f, 0.01f, 1.0f, 40.0f },
};

// ---- Properties in insertion order, with their defaults ----
enum class PropKind { Int, Double, Text };

struct PropSpec
{
    const juce::Identifier* id;
    PropKind kind;
    double def; // numeric default (unused for text)
};

inline constexpr int kNumProps = 51;
inline const PropSpec kPropCatalogue[kNumProps] = {
    { &kProp_CurrentPreset_ID, PropKind::Int, 0.0 },
    { &kProp_PresetNotes_ID, PropKind::Text, 0.0 },
    { &kProp_MPEModeOn_ID, PropKind::Int, 0.0 },
    { &kProp_EType_ID, PropKind::Int, 4.0 },
    { &kProp_GDType_ID, PropKind::Int, 1.0 },
    { &kProp_EQOn_ID, PropKind::Int, 1.0 },
    { &kProp_VCFOn_ID, PropKind::Int, 0.0 },
    { &kProp_WahOn_ID, PropKind::Int, 0.0 },
    { &kProp_PolyOn_ID, PropKind::Int, 0.0 },
    { &kProp_FiltModWheelOn_ID, PropKind::Int, 0.0 },
    { &kProp_CutoffEnvOn_ID, PropKind::Int, 0.0 },
    { &kProp_GDOn_ID, PropKind::Int, 0.0 },
    { &kProp_HostSyncOn_ID, PropKind::Int, 0.0 },
    { &kProp_LFO2On_ID, PropKind::Int, 0.0 },
    { &kProp_AddLFOs_ID, PropKind::Int, 0.0 },
    { &kProp_StrikeHostSync_ID, PropKind::Int, 0.0 },
    { &kProp_Bar0Stiffness_ID, PropKind::Double, 20.0 },
    { &kProp_Bar1Stiffness_ID, PropKind::Double, 10.0 },
    { &kProp_Bar2Stiffness_ID, PropKind::Double, 15.0 },
    { &kProp_Bar3Stiffness_ID, PropKind::Double, 10.0 },
    { &kProp_Bar4Stiffness_ID, PropKind::Double, 15.0 },
    { &kProp_Spring0Pos1_ID, PropKind::Double, 0.7 },
    { &kProp_Spring0Pos2_ID, PropKind::Double, 0.71 },
    { &kProp_Spring1Pos1_ID, PropKind::Double, 0.4 },
    { &kProp_Spring1Pos2_ID, PropKind::Double, 0.41 },
    { &kProp_Spring2Pos1_ID, PropKind::Double, 0.82 },
    { &kProp_Spring2Pos2_ID, PropKind::Double, 0.83 },
    { &kProp_Spring3Pos1_ID, PropKind::Double, 0.42 },
    { &kProp_Spring3Pos2_ID, PropKind::Double, 0.43 },
    { &kProp_Spring4Pos1_ID, PropKind::Double, 0.84 },
    { &kProp_Spring4Pos2_ID, PropKind::Double, 0.83 },
    { &kProp_Spring5Pos1_ID, PropKind::Double, 0.44 },
    { &kProp_Spring5Pos2_ID, PropKind::Double, 0.45 },
    { &kProp_Spring6Pos1_ID, PropKind::Double, 0.86 },
    { &kProp_Spring6Pos2_ID, PropKind::Double, 0.87 },
    { &kProp_Spring7Pos1_ID, PropKind::Double, 0.46 },
    { &kProp_Spring7Pos2_ID, PropKind::Double, 0.47 },
    { &kProp_Spring8Pos1_ID, PropKind::Double, 0.88 },
    { &kProp_Spring8Pos2_ID, PropKind::Double, 0.89 },
    { &kProp_Spring9Pos1_ID, PropKind::Double, 0.46 },
    { &kProp_Spring9Pos2_ID, PropKind::Double, 0.48 },
    { &kProp_Spring0On_ID, PropKind::Int, 1.0 },
    { &kProp_Spring1On_ID, PropKind::Int, 1.0 },
    { &kProp_Spring2On_ID, PropKind::Int, 1.0 },
    { &kProp_Spring3On_ID, PropKind::Int, 1.0 },
    { &kProp_Spring4On_ID, PropKind::Int, 1.0 },
    { &kProp_Spring5On_ID, PropKind::Int, 1.0 },
    { &kProp_Spring6On_ID, PropKind::Int, 1.0 },
    { &kProp_Spring7On_ID, PropKind::Int, 1.0 },
    { &kProp_Spring8On_ID, PropKind::Int, 1.0 },
    { &kProp_Spring9On_ID, PropKind::Int, 1.0 },
};

// The first three properties are set by the constructor, the rest by loadDefaultProperties.
inline constexpr int kFirstDefaultProperty = 3;

inline const juce::String kDefaultPresetNotes { "Preset notes" };

// ---- The audio thread's cached parameter pointers, in their declared order ----
enum ParamPointer : int
{
    ppBar0Gain,
    ppBar1Gain,
    ppBar2Gain,
    ppBar3Gain,
    ppBar4Gain,
    ppDriverGain,
    ppDrive,
    ppStringOutpos,
    ppStringSustain,
    ppStringTone,
    ppStringInharm,
    ppStringChorus,
    ppStringPluckpos,
    ppSawTone,
    ppAttack,
    ppDecay,
    ppRelease,
    ppPorta,
    ppRanDepth,
    ppStrikeRate,
    ppEQLowFreq,
    ppEQLowGain,
    ppEQMidFreq,
    ppEQMidGain,
    ppEQHighFreq,
    ppEQHighGain,
    ppCutoff,
    ppResonance,
    ppFilterAttack,
    ppFilterDecay,
    ppFilterSustain,
    ppFilterRelease,
    ppGateThreshold,
    ppGateDepth,
    ppGateLFO1,
    ppGateLFO1Host,
    ppGateLFO2,
    ppGatePhase,
    ppDelayBPM,
    ppDelayNote,
    ppDelayFeedback,
    ppDelayLevel,
    ppInputBar,
    ppInputMov,
    ppGNonlinear,
    ppGStiffness,
    ppBar0Sustain,
    ppBar1Sustain,
    ppBar2Sustain,
    ppBar3Sustain,
    ppBar4Sustain,
    ppBar0Tone,
    ppBar1Tone,
    ppBar2Tone,
    ppBar3Tone,
    ppBar4Tone,
    ppBar0Mass,
    ppBar1Mass,
    ppBar2Mass,
    ppBar3Mass,
    ppBar4Mass,
    ppSpr0Afreq,
    ppSpr1Afreq,
    ppSpr2Afreq,
    ppSpr3Afreq,
    ppSpr4Afreq,
    ppSpr5Afreq,
    ppSpr6Afreq,
    ppSpr7Afreq,
    ppSpr8Afreq,
    ppSpr9Afreq,
    ppSpr0Nonlin,
    ppSpr1Nonlin,
    ppSpr2Nonlin,
    ppSpr3Nonlin,
    ppSpr4Nonlin,
    ppSpr5Nonlin,
    ppSpr6Nonlin,
    ppSpr7Nonlin,
    ppSpr8Nonlin,
    ppSpr9Nonlin,
    ppSpr0T60,
    ppSpr1T60,
    ppSpr2T60,
    ppSpr3T60,
    ppSpr4T60,
    ppSpr5T60,
    ppSpr6T60,
    ppSpr7T60,
    ppSpr8T60,
    ppSpr9T60,
    kNumParamPointers
};

inline constexpr const char* kParamPointerIDs[kNumParamPointers] = {
    kParam_Bar0Gain_ID,
    kParam_Bar1Gain_ID,
    kParam_Bar2Gain_ID,
    kParam_Bar3Gain_ID,
    kParam_Bar4Gain_ID,
    kParam_DriverGain_ID,
    kParam_Drive_ID,
    kParam_StringOutpos_ID,
    kParam_StringSustain_ID,
    kParam_StringTone_ID,
    kParam_StringInharm_ID,
    kParam_StringChorus_ID,
    kParam_StringPluckpos_ID,
    kParam_SawTone_ID,
    kParam_Attack_ID,
    kParam_Decay_ID,
    kParam_Release_ID,
    kParam_Porta_ID,
    kParam_RanDepth_ID,
    kParam_StrikeRate_ID,
    kParam_EQLowFreq_ID,
    kParam_EQLowGain_ID,
    kParam_EQMidFreq_ID,
    kParam_EQMidGain_ID,
    kParam_EQHighFreq_ID,
    kParam_EQHighGain_ID,
    kParam_Cutoff_ID,
    kParam_Resonance_ID,
    kParam_FilterAttack_ID,
    kParam_FilterDecay_ID,
    kParam_FilterSustain_ID,
    kParam_FilterRelease_ID,
    kParam_GateThreshold_ID,
    kParam_GateDepth_ID,
    kParam_GateLFO1_ID,
    kParam_GateLFO1Host_ID,
    kParam_GateLFO2_ID,
    kParam_GatePhase_ID,
    kParam_DelayBPM_ID,
    kParam_DelayNote_ID,
    kParam_DelayFeedback_ID,
    kParam_DelayLevel_ID,
    kParam_InputBar_ID,
    kParam_InputMov_ID,
    kParam_GNonlinear_ID,
    kParam_GStiffness_ID,
    kParam_Bar0Sustain_ID,
    kParam_Bar1Sustain_ID,
    kParam_Bar2Sustain_ID,
    kParam_Bar3Sustain_ID,
    kParam_Bar4Sustain_ID,
    kParam_Bar0Tone_ID,
    kParam_Bar1Tone_ID,
    kParam_Bar2Tone_ID,
    kParam_Bar3Tone_ID,
    kParam_Bar4Tone_ID,
    kParam_Bar0Mass_ID,
    kParam_Bar1Mass_ID,
    kParam_Bar2Mass_ID,
    kParam_Bar3Mass_ID,
    kParam_Bar4Mass_ID,
    kParam_Spr0Afreq_ID,
    kParam_Spr1Afreq_ID,
    kParam_Spr2Afreq_ID,
    kParam_Spr3Afreq_ID,
    kParam_Spr4Afreq_ID,
    kParam_Spr5Afreq_ID,
    kParam_Spr6Afreq_ID,
    kParam_Spr7Afreq_ID,
    kParam_Spr8Afreq_ID,
    kParam_Spr9Afreq_ID,
    kParam_Spr0Nonlin_ID,
    kParam_Spr1Nonlin_ID,
    kParam_Spr2Nonlin_ID,
    kParam_Spr3Nonlin_ID,
    kParam_Spr4Nonlin_ID,
    kParam_Spr5Nonlin_ID,
    kParam_Spr6Nonlin_ID,
    kParam_Spr7Nonlin_ID,
    kParam_Spr8Nonlin_ID,
    kParam_Spr9Nonlin_ID,
    kParam_Spr0T60_ID,
    kParam_Spr1T60_ID,
    kParam_Spr2T60_ID,
    kParam_Spr3T60_ID,
    kParam_Spr4T60_ID,
    kParam_Spr5T60_ID,
    kParam_Spr6T60_ID,
    kParam_Spr7T60_ID,
    kParam_Spr8T60_ID,
    kParam_Spr9T60_ID,
};

// ---- Properties by index, in insertion order (the same order as kPropCatalogue) ----
enum PropIndex : int
{
    prCurrentPreset,
    prPresetNotes,
    prMPEModeOn,
    prEType,
    prGDType,
    prEQOn,
    prVCFOn,
    prWahOn,
    prPolyOn,
    prFiltModWheelOn,
    prCutoffEnvOn,
    prGDOn,
    prHostSyncOn,
    prLFO2On,
    prAddLFOs,
    prStrikeHostSync,
    prBar0Stiffness,
    prBar1Stiffness,
    prBar2Stiffness,
    prBar3Stiffness,
    prBar4Stiffness,
    prSpring0Pos1,
    prSpring0Pos2,
    prSpring1Pos1,
    prSpring1Pos2,
    prSpring2Pos1,
    prSpring2Pos2,
    prSpring3Pos1,
    prSpring3Pos2,
    prSpring4Pos1,
    prSpring4Pos2,
    prSpring5Pos1,
    prSpring5Pos2,
    prSpring6Pos1,
    prSpring6Pos2,
    prSpring7Pos1,
    prSpring7Pos2,
    prSpring8Pos1,
    prSpring8Pos2,
    prSpring9Pos1,
    prSpring9Pos2,
    prSpring0On,
    prSpring1On,
    prSpring2On,
    prSpring3On,
    prSpring4On,
    prSpring5On,
    prSpring6On,
    prSpring7On,
    prSpring8On,
    prSpring9On,
};
} // namespace quorvane
