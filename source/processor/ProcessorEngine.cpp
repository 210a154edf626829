// Preparation, the mapping of parameters and properties into the engine, and the frame.
#include "PluginProcessor.h"

#include <cmath>

using namespace quorvane;

namespace
{
// Shelf gain of the fixed output shelf: 30 dB down above 15 kHz.
const double kOutputShelfV = std::sqrt (std::pow (10.0, -1.5));
} // namespace

//==============================================================================
void QuorvaneAudioProcessor::prepareToPlay (double sampleRate, int samplesPerBlock)
{
    // Hosts may report a rate a fraction off the nominal one: round to the nearest hertz.
    const double rounded = std::isfinite (sampleRate) ? std::round (sampleRate) : 0.0;
    const bool supported = std::abs (sampleRate - rounded) <= 0.5
                           && (rounded == 44100.0 || rounded == 48000.0 || rounded == 88200.0 || rounded == 96000.0);
    if (! supported)
    {
        engineHalted = true;
        return;
    }

    const int hostRate = (int) rounded;
    const int maxBlock = juce::jmax (1, samplesPerBlock);
    doubleRate = hostRate > 48000;
    engineRate = doubleRate ? hostRate / 2 : hostRate;
    k = 1.0 / engineRate;

    barNet.setTimeStep (k);
    barNet.clear();

    for (auto& voice : stringVoices)
    {
        voice.setSampleRate (engineRate == 44100.0);
        voice.clear();
    }
    stringVoiceKey.fill (-1);
    stringVoiceNote.fill (0);

    sawtooth.prepare (engineRate);
    strikers.prepare (engineRate);

    equaliser.prepare (engineRate);
    vcf.prepare (engineRate);
    for (auto& shelf : outputShelf)
    {
        shelf.setHighShelf (std::tan (15000.0 * vm::kPi * k), kOutputShelfV);
        shelf.reset();
    }

    driveStage.prepare (engineRate);
    gate.prepare (engineRate);
    delayLine.prepare (engineRate);
    for (auto& f : outputInterpolator)
        f.prepare();

    // Smoother steps follow the host rate h.
    const float h = (float) hostRate;
    auto setSmoother = [&] (int index, float stepTimesRate, int period)
    {
        smoothers[(size_t) index].step = stepTimesRate / h;
        smoothers[(size_t) index].period = period;
        smoothers[(size_t) index].counter = 0;
    };
    for (int i = smDriverGain; i <= smBar4Gain; ++i)
        setSmoother (i, 1333.3333f, 4);
    setSmoother (smStringOutpos, 116.666664f, 1);
    setSmoother (smEQLowFreq, 12799.999f, 8);
    setSmoother (smEQLowGain, 799.99994f, 8);
    setSmoother (smEQMidGain, 799.99994f, 8);
    setSmoother (smEQHighGain, 799.99994f, 8);
    setSmoother (smEQMidFreq, 119999.99f, 8);
    setSmoother (smEQHighFreq, 266666.66f, 8);
    setSmoother (smResonance, 2640.0f, 8);
    setSmoother (smDelayFeedback, 1333.3333f, 4);
    setSmoother (smDelayLevel, 1333.3333f, 4);
    setSmoother (smDelayBPM, 333.3333f, 1);
    setSmoother (smGateDepth, 933.3333f, 4);
    setSmoother (smDrive, 333.3333f, 1);

    // A meter holds the peak of about the last 1/23 s plus five blocks.
    const int ringLength = juce::jmin ((hostRate / 23) / maxBlock + 5, 99);
    for (auto& ring : meterRings)
    {
        ring.length = ringLength;
        ring.clear();
    }
    preparedBlockSize = (float) maxBlock;
    frameOnNextSample = true;

    engineHalted = false;

    syncUp();
    loadUndo();
    reset();

    // Controller 104 hands its roll to the message thread through this timer.
    if (juce::MessageManager::getInstanceWithoutCreating() != nullptr && ! midiRandomiseTimer.isTimerRunning())
        midiRandomiseTimer.startTimer (20);
}

void QuorvaneAudioProcessor::releaseResources() {}

//==============================================================================
void QuorvaneAudioProcessor::syncUp()
{
    // 1. Every smoother jumps to its parameter.
    const ParamPointer smoothed[kNumSmoothers] = {
        ppDriverGain, ppBar0Gain, ppBar1Gain, ppBar2Gain, ppBar3Gain, ppBar4Gain,
        ppStringOutpos, ppGateDepth, ppDrive,
        ppEQLowFreq, ppEQLowGain, ppEQMidFreq, ppEQMidGain, ppEQHighFreq, ppEQHighGain,
        ppResonance, ppDelayBPM, ppDelayFeedback, ppDelayLevel
    };
    for (int i = 0; i < kNumSmoothers; ++i)
        smoothers[(size_t) i].snap (param (smoothed[i]));

    // 2. Bar geometry from the stiffness properties (broken values are handled by the bars).
    for (int b = 0; b < 5; ++b)
    {
        const double stiffness = propertyMirror[(size_t) (prBar0Stiffness + b)].load (std::memory_order_relaxed);
        barNet.setBarStiffness (b, stiffness);
        barNet.setBarDecays (b, param ((ParamPointer) (ppBar0Sustain + b)), param ((ParamPointer) (ppBar0Tone + b)));
    }

    // 3. Springs: where they sit and whether they act.
    for (int i = 0; i < 10; ++i)
    {
        barNet.setSpringPos (i, propertyValue ((PropIndex) (prSpring0Pos1 + 2 * i)),
                             propertyValue ((PropIndex) (prSpring0Pos2 + 2 * i)));
        barNet.setSpringOn (i, propertyValue ((PropIndex) (prSpring0On + i)) != 0.0);
    }

    // 4. Per-block resonator values.
    setBarNet();

    // 5. The exciter.
    exciterType = (int32_t) propertyValue (prEType);
    bowedMode = exciterType == 3;
    pitchedBarMode = exciterType == 4;
    const double pluckPos = juce::jlimit (0.0, 1.0, (double) param (ppStringPluckpos) / 100.0);
    const bool mpe = propertyValue (prMPEModeOn) != 0.0;
    for (auto& voice : stringVoices)
    {
        voice.bowedMode = bowedMode;
        voice.pitchedBarMode = pitchedBarMode;
        voice.pluckPos = pluckPos;
        voice.mpeMode = mpe;
    }

    // 7. Sawtooth voices start from silence.
    sawtooth.setPoly (propertyValue (prPolyOn) != 0.0 || mpe);
    sawtooth.setMPE (mpe);
    sawtooth.reset(); // voices off, tables cleared, gains 1; the poly and MPE flags stay
    sawtooth.setModWheel (param (ppSawTone) / 100.0);

    // 8. Stage switches.
    eqOn = propertyValue (prEQOn) != 0.0;
    vcfOn = propertyValue (prVCFOn) != 0.0;
    wahOn = propertyValue (prWahOn) != 0.0;
    gateDelayType = (int32_t) propertyValue (prGDType);
    gateDelayOn = propertyValue (prGDOn) != 0.0;
    vcf.setEnvelopeOn (propertyValue (prCutoffEnvOn) != 0.0);
    vcf.setWahOn (wahOn);

    // 9. Equaliser from the snapped smoothers.
    equaliser.setLow (smoothers[smEQLowFreq].current, smoothers[smEQLowGain].current);
    equaliser.setMid (smoothers[smEQMidFreq].current, smoothers[smEQMidGain].current);
    equaliser.setHigh (smoothers[smEQHighFreq].current, smoothers[smEQHighGain].current);

    // 10. VCF: envelope at rest, target cutoff and resonance.
    vcf.envelope.reset();
    vcf.envelope.attackParam = param (ppFilterAttack);
    vcf.envelope.decayParam = param (ppFilterDecay);
    vcf.envelope.sustainParam = param (ppFilterSustain);
    vcf.envelope.releaseParam = param (ppFilterRelease);
    vcf.setCutoff (param (ppCutoff));
    vcf.setResonance (smoothers[smResonance].current);

    // 11. Delay length, feedback and level.
    setDelayFromTempo (param (ppDelayBPM));
    delayLine.setFeedback (param (ppDelayFeedback));
    delayLine.setLevel (param (ppDelayLevel));

    // 12. Gate LFOs restart: LFO 2 at its phase offset.
    gate.alignPhases (VM_Gate::phaseFromDegrees (param (ppGatePhase)));

    // 13. MPE.
    mpeMode = mpe;
    strikers.mpe = mpe ? 1 : 0;
}

void QuorvaneAudioProcessor::setBarNet()
{
    barNet.setInputBar (param (ppInputBar));
    barNet.setInputMovement (param (ppInputMov));

    for (int b = 0; b < 5; ++b)
    {
        barNet.setBarDecays (b, param ((ParamPointer) (ppBar0Sustain + b)), param ((ParamPointer) (ppBar0Tone + b)));
        barNet.setBarMass (b, param ((ParamPointer) (ppBar0Mass + b)));
    }

    const double stiffness = param (ppGStiffness);
    const double nonlinear = param (ppGNonlinear);
    for (int i = 0; i < 10; ++i)
        barNet.setSpringPhysics (i, param ((ParamPointer) (ppSpr0Afreq + i)), param ((ParamPointer) (ppSpr0T60 + i)),
                                 param ((ParamPointer) (ppSpr0Nonlin + i)), stiffness, nonlinear);
}

void QuorvaneAudioProcessor::setDelayFromTempo (double bpm) noexcept
{
    delayTempo = juce::jmax (60.0, std::isfinite (bpm) ? bpm : 100.0);
    delayLine.setTempo (delayTempo, param (ppDelayNote));
}

//==============================================================================
void QuorvaneAudioProcessor::reset()
{
    for (auto& voice : stringVoices)
        voice.clear();
    stringVoiceKey.fill (-1);
    stringVoiceNote.fill (0);

    sawtooth.reset();
    strikers.reset();
    barNet.clear();

    equaliser.reset();
    for (auto& shelf : outputShelf)
        shelf.reset();
    vcf.reset();
    driveStage.clear();
    gate.reset (VM_Gate::phaseFromDegrees (param (ppGatePhase)));
    delayLine.reset();
    limiter.reset();
    for (auto& f : outputInterpolator)
        f.reset();

    exciterPeak = 0.0f;
    for (int b = 0; b < 5; ++b)
    {
        barPeakA[(size_t) b] = 0.0f;
        barPeakB[(size_t) b] = 0.0f;
        barStruck[(size_t) b] = false;
    }
    limiterGain = 1.0f;
    for (auto& ring : meterRings)
        ring.clear();

    outputFade = 1.0f;
    levelFollower = 0.0f;
    notesDown = 0;
    pitchBend = 0.0;
    channelSlide.fill (0.0);
    engineActive = false;
    resyncRequest = false;
    resyncHold = false;
}

//==============================================================================
void QuorvaneAudioProcessor::calcFrame (float& driverPeak, float& minGain, float* barPeaksA, float* barPeaksB,
                                        float& outL, float& outR) noexcept
{
    // 1. Frame smoothers.
    smoothers[smDriverGain].advance (param (ppDriverGain));
    const float a = smoothers[smDriverGain].current;
    float g[5];
    for (int b = 0; b < 5; ++b)
    {
        auto& s = smoothers[(size_t) (smBar0Gain + b)];
        s.advance (param ((ParamPointer) (ppBar0Gain + b)));
        g[b] = s.current;
    }
    smoothers[smStringOutpos].advance (param (ppStringOutpos));
    smoothers[smGateDepth].advance (param (ppGateDepth));
    smoothers[smDrive].advance (param (ppDrive));
    const float o = smoothers[smStringOutpos].current;
    const float depth = smoothers[smGateDepth].current;
    const float m = smoothers[smDrive].current;

    // 2. Nothing sounds: only the smoothers move.
    if (! engineActive || engineHalted)
        return;

    // 3. The exciter.
    double x = 0.0;
    double strikes[5] = { 0.0, 0.0, 0.0, 0.0, 0.0 };
    switch (exciterType)
    {
        case 1:
            x = sawtooth.next();
            break;
        case 2:
        case 3:
        case 4:
            for (auto& voice : stringVoices)
                voice.update();
            for (auto& voice : stringVoices)
                x += voice.processIO (o / 100.0);
            break;
        case 5:
            strikers.next (strikes);
            break;
        default:
            break;
    }

    // 4. Effects chain.
    if (eqOn)
        x = equaliser.process (x);
    if (vcfOn)
        x = vcf.process (x);
    x = driveStage.process (x, m);
    if (gateDelayOn)
    {
        if (gateDelayType == 2)
            x = gate.process (x, depth, propertyValue (prLFO2On) != 0.0, propertyValue (prAddLFOs) != 0.0);
        else
            x = delayLine.process (x);
    }

    // 5. The resonator, struck by the strikers' groups or driven by the exciter.
    barNet.update();
    if (exciterType == 5)
    {
        for (int bar = 0; bar < 5; ++bar)
        {
            if (strikes[bar] > 0.0)
            {
                barNet.setInputBar (bar);
                barNet.addInput (strikes[bar]);
                barStruck[(size_t) bar].exchange (true);
            }
        }
    }
    else
    {
        barNet.addInput (0.25 * x);
        if (std::abs (x) > 0.01)
            barStruck[(size_t) barNet.inputBar()].exchange (true);
    }
    barNet.updatePickups();

    // 6, 7. Pickups mixed with the squared bar gains; the direct signal with the driver gain.
    float L = 0.0f, R = 0.0f;
    float A[5], B[5];
    for (int b = 0; b < 5; ++b)
    {
        const float w = (0.015f * g[b]) * (0.015f * g[b]);
        A[b] = w * (float) barNet.pickup[b];
        B[b] = w * (float) barNet.pickup[5 + b];
        L += A[b];
        R += B[b];
    }
    const float d = (float) x * (0.01f * a) * (0.01f * a);

    // 8, 9. Output shelf, then the direct signal.
    const float Lp = (float) outputShelf[0].process (L) + d;
    const float Rp = (float) outputShelf[1].process (R) + d;

    if (! std::isfinite (Lp) || ! std::isfinite (Rp))
    {
        // A model has blown up: stop before it reaches the output.
        engineHalted = true;
        outL = outR = 0.0f;
        return;
    }

    // 10, 11. Limiter with ten samples of look-ahead.
    limiter.process (Lp, Rp, outputFade, outL, outR);

    // 12. Meters and the runaway guard.
    driverPeak = juce::jmax (driverPeak, std::abs (d));
    for (int b = 0; b < 5; ++b)
    {
        barPeaksA[b] = juce::jmax (barPeaksA[b], std::abs (A[b]));
        barPeaksB[b] = juce::jmax (barPeaksB[b], std::abs (B[b]));
    }
    minGain = juce::jmin (minGain, limiter.gain);
    if (std::abs (Lp) > 20.0f)
        engineHalted = true;
}
