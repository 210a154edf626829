// The audio callback: MIDI first, per-block refreshes, the resync fade, the
// per-sample loop with its smoothers, metering and silence detection.
#include "PluginProcessor.h"

#include <cmath>

using namespace quorvane;

namespace
{
constexpr int kLowestNote = 24;
constexpr int kHighestNote = 84;
constexpr float kFadeStep = 0.0003f;
constexpr float kFadeStepDoubleRate = 0.00015f;

float unitFromByte (int value) noexcept
{
    return juce::jlimit (0.0f, 1.0f, (float) value / 127.0f);
}
} // namespace

//==============================================================================
void QuorvaneAudioProcessor::processBlock (juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midi)
{
    if (engineHalted)
        return;

    const int n = buffer.getNumSamples();
    if (n <= 0 || buffer.getNumChannels() < 2)
        return;

    juce::ScopedNoDenormals noDenormals;

    for (const auto metadata : midi)
        handleMidiEvent (metadata.getMessage());
    midi.clear();

    auto* left = buffer.getWritePointer (0);
    auto* right = buffer.getWritePointer (1);
    for (int ch = 0; ch < buffer.getNumChannels(); ++ch)
        buffer.clear (ch, 0, n);

    if (! resyncRequest.load() && engineActive)
        refreshPerBlock();

    float driverPeak = 0.0f, minGain = 1.0f;
    float barPeaksA[5] = {}, barPeaksB[5] = {};

    if (resyncRequest.load() && outputFade < 0.0f)
    {
        // Faded out: re-map everything between blocks, unless a writer still holds it.
        if (! resyncHold.load())
        {
            syncUp();
            reset();
        }
    }
    else
    {
        const float fadeStep = doubleRate ? kFadeStepDoubleRate : kFadeStep;
        for (int i = 0; i < n; ++i)
        {
            if (resyncRequest.load (std::memory_order_relaxed) && outputFade > 0.0f)
                outputFade -= fadeStep;

            advanceBlockSmoothers();

            float l = 0.0f, r = 0.0f;
            if (! doubleRate)
            {
                calcFrame (driverPeak, minGain, barPeaksA, barPeaksB, l, r);
            }
            else
            {
                // Half rate: one frame every other host sample, zeros between, then
                // the interpolation filters. The phase carries across blocks.
                if (frameOnNextSample)
                    calcFrame (driverPeak, minGain, barPeaksA, barPeaksB, l, r);
                frameOnNextSample = ! frameOnNextSample;
                l = 2.0f * outputInterpolator[0].update (l);
                r = 2.0f * outputInterpolator[1].update (r);
            }
            left[i] = l;
            right[i] = r;
        }
    }

    if (engineActive)
        publishMeters (driverPeak, minGain, barPeaksA, barPeaksB);
}

//==============================================================================
void QuorvaneAudioProcessor::refreshPerBlock() noexcept
{
    setBarNet();

    switch (exciterType)
    {
        case 1:
            if (! mpeMode)
                sawtooth.setModWheel (param (ppSawTone) / 100.0);
            break;
        case 2:
        case 3:
        case 4:
        {
            const double pluckPos = juce::jlimit (0.0, 1.0, (double) param (ppStringPluckpos) / 100.0);
            for (auto& voice : stringVoices)
                voice.pluckPos = pluckPos;
            break;
        }
        case 5:
            strikers.setRandomDepth (param (ppRanDepth) / 100.0);
            break;
        default:
            break;
    }

    if (vcfOn)
        vcf.setCutoff (param (ppCutoff));

    const bool hostSync = propertyValue (prHostSyncOn) == 1.0;
    const bool strikeSync = propertyValue (prStrikeHostSync) == 1.0;
    double tempo = 100.0;
    if ((exciterType == 5 || gateDelayOn) && (hostSync || strikeSync))
        tempo = hostTempo();

    if (exciterType == 5)
    {
        const double rate = propertyValue (prStrikeHostSync) != 0.0 ? tempo / 120.0 : (double) param (ppStrikeRate);
        strikers.setStrikeRate (rate);
    }

    if (gateDelayOn)
    {
        if (gateDelayType == 2)
        {
            const float f1 = hostSync ? (float) tempo * (1.0f / 120.0f) * param (ppGateLFO1Host) : param (ppGateLFO1);
            gate.setRates (f1, param (ppGateLFO2));
            gate.setThreshold (param (ppGateThreshold));
        }
        else
        {
            if (hostSync)
            {
                setDelayFromTempo (tempo);
                smoothers[smDelayBPM].snap ((float) tempo);
            }
            else
            {
                delayLine.setTempo (delayTempo, param (ppDelayNote));
            }
        }
    }
}

double QuorvaneAudioProcessor::hostTempo() noexcept
{
    double tempo = 100.0;
    if (auto* host = getPlayHead())
        if (const auto position = host->getPosition())
            if (const auto bpm = position->getBpm())
                tempo = *bpm;
    // No tempo, a broken one or one below 40 bpm: play at 100.
    if (! std::isfinite (tempo) || tempo < 40.0)
        tempo = 100.0;
    return tempo;
}

void QuorvaneAudioProcessor::advanceBlockSmoothers() noexcept
{
    auto& s = smoothers;
    const bool lowFreq = s[smEQLowFreq].advance (param (ppEQLowFreq));
    const bool lowGain = s[smEQLowGain].advance (param (ppEQLowGain));
    if (lowFreq || lowGain)
        equaliser.setLow (s[smEQLowFreq].current, s[smEQLowGain].current);

    const bool midFreq = s[smEQMidFreq].advance (param (ppEQMidFreq));
    const bool midGain = s[smEQMidGain].advance (param (ppEQMidGain));
    if (midFreq || midGain)
        equaliser.setMid (s[smEQMidFreq].current, s[smEQMidGain].current);

    const bool highFreq = s[smEQHighFreq].advance (param (ppEQHighFreq));
    const bool highGain = s[smEQHighGain].advance (param (ppEQHighGain));
    if (highFreq || highGain)
        equaliser.setHigh (s[smEQHighFreq].current, s[smEQHighGain].current);

    if (s[smResonance].advance (param (ppResonance)))
        vcf.setResonance (s[smResonance].current);

    if (s[smDelayBPM].advance (param (ppDelayBPM)) && propertyValue (prHostSyncOn) == 0.0)
        setDelayFromTempo (s[smDelayBPM].current);

    if (s[smDelayFeedback].advance (param (ppDelayFeedback)))
        delayLine.setFeedback (s[smDelayFeedback].current);

    if (s[smDelayLevel].advance (param (ppDelayLevel)))
        delayLine.setLevel (s[smDelayLevel].current);
}

void QuorvaneAudioProcessor::publishMeters (float driverPeak, float minGain, const float* barPeaksA,
                                            const float* barPeaksB) noexcept
{
    meterRings[0].push (driverPeak);
    const float exciter = meterRings[0].reading();
    exciterPeak = exciter;
    float loudest = juce::jmax (0.0f, exciter);

    for (int b = 0; b < 5; ++b)
    {
        auto& ringA = meterRings[(size_t) (1 + 2 * b)];
        auto& ringB = meterRings[(size_t) (2 + 2 * b)];
        ringA.push (barPeaksA[b]);
        ringB.push (barPeaksB[b]);
        const float a = ringA.reading(), b2 = ringB.reading();
        barPeakA[(size_t) b] = a;
        barPeakB[(size_t) b] = b2;
        loudest = juce::jmax (loudest, juce::jmax (a, b2));
    }
    limiterGain = minGain;

    // Silence detection: fast rise, slow fall; once the sound has died away the engine rests.
    const float a = loudest > levelFollower ? 0.9f : juce::jmin (1.0f, preparedBlockSize * 5.859375e-5f);
    levelFollower = (1.0f - a) * levelFollower + a * loudest;

    // A pending resync resets anyway; resetting here would cancel it.
    if (levelFollower < 0.0001f && ! resyncRequest.load())
        reset();
}

//==============================================================================
// MIDI

void QuorvaneAudioProcessor::handleMidiEvent (const juce::MidiMessage& message) noexcept
{
    const auto* data = message.getRawData();
    const int size = message.getRawDataSize();
    if (size < 1)
        return;

    const int status = data[0];
    if (status >= 0xF0)
        return; // system messages
    const int type = status & 0xF0;
    const int channel = (status & 0x0F) + 1;
    const int d1 = size > 1 ? (data[1] & 0x7F) : 0;
    const int d2 = size > 2 ? (data[2] & 0x7F) : 0;

    const bool isNoteOn = type == 0x90 && d2 != 0;
    const bool isNoteOff = type == 0x80 || (type == 0x90 && d2 == 0);

    if (isNoteOn || isNoteOff)
    {
        const int note = d1;
        if (note < kLowestNote || note > kHighestNote)
            return;

        if (isNoteOn)
        {
            const float velocity = unitFromByte (d2);

            if (vcfOn)
                vcf.noteOn (param (ppFilterAttack), param (ppFilterDecay), param (ppFilterSustain), param (ppFilterRelease));

            switch (exciterType)
            {
                case 1:
                    sawtooth.setTimes (param (ppAttack), param (ppDecay), param (ppRelease), param (ppPorta) / 1000.0);
                    if (mpeMode)
                    {
                        sawtooth.noteOn (note, channel, velocity, channelSlide[(size_t) channel]);
                    }
                    else
                    {
                        sawtooth.noteOn (note, 0, velocity, 0.0);
                        sawtooth.setPitchBend (pitchBend, channel, true);
                    }
                    break;
                case 2:
                case 3:
                case 4:
                    startStringVoice (note, channel, velocity);
                    break;
                case 5:
                    strikers.noteOn (note, channel, mpeMode ? 1.0 - channelSlide[(size_t) channel] : (double) velocity);
                    break;
                default:
                    break;
            }

            ++notesDown;
            engineActive = true;
            levelFollower = 0.1f;
        }
        else
        {
            switch (exciterType)
            {
                case 1:
                    sawtooth.noteOff (note, channel);
                    break;
                case 2:
                case 3:
                case 4:
                {
                    const int key = mpeMode ? channel : note;
                    for (int j = 0; j < 7; ++j)
                    {
                        if (stringVoiceKey[(size_t) j] != key)
                            continue;
                        auto& voice = stringVoices[(size_t) j];
                        if (voice.active)
                        {
                            if (voice.bowedMode)
                            {
                                voice.release (0.0001);
                                voice.bowForce = 0.0;
                                voice.bowSmoothing = 0.0;
                            }
                            else
                            {
                                voice.release (0.0002);
                            }
                        }
                        stringVoiceNote[(size_t) j] = 0;
                        stringVoiceKey[(size_t) j] = -1;
                        break;
                    }
                    break;
                }
                case 5:
                    strikers.noteOff (note);
                    break;
                default:
                    break;
            }

            if (notesDown > 0)
                --notesDown;
            if (vcfOn && notesDown == 0)
                vcf.noteOff();
        }
        return;
    }

    if (type == 0xE0)
    {
        const int raw = d2 * 128 + d1;
        double bend = 0.0;
        if (raw < 8192)
            bend = (raw - 8192) / 8192.0;
        else if (raw > 8192)
            bend = (raw - 8192) / 8191.0;
        pitchBend = mpeMode ? 24.0 * bend : bend;

        const double b = pitchBend;
        if (exciterType == 1)
        {
            sawtooth.setPitchBend (b, channel, false);
        }
        else if (exciterType >= 2 && exciterType <= 4)
        {
            const double clamped = juce::jlimit (-1.0, 1.0, b);
            if (mpeMode)
            {
                for (int j = 0; j < 7; ++j)
                    if (stringVoiceKey[(size_t) j] == channel)
                    {
                        stringVoices[(size_t) j].bend = clamped;
                        break;
                    }
            }
            else if (bowedMode)
            {
                for (auto& voice : stringVoices)
                    voice.bend = clamped;
            }
            else
            {
                stringVoices[(size_t) currentStringVoice].bend = clamped;
            }
        }
        return;
    }

    if (type == 0xB0)
    {
        const float v = unitFromByte (d2);
        const bool strings = exciterType >= 2 && exciterType <= 4;

        switch (d1)
        {
            case 1:
            {
                if (propertyValue (prFiltModWheelOn) == 1.0 && vcfOn && exciterType >= 1 && exciterType <= 4)
                {
                    setParameterNormalised (cutoffParam, wahOn ? v : 0.4f * v + 0.12f);
                }
                else if (exciterType == 1 && ! mpeMode)
                {
                    setParameterNormalised (sawToneParam, v);
                }
                else if (((exciterType == 2 || exciterType == 4) && ! mpeMode) || exciterType == 3)
                {
                    setParameterNormalised (pluckPosParam, v);
                }
                if (exciterType == 5 && ! mpeMode)
                    strikers.setStrengthOfSounding (v);
                break;
            }
            case 21:
                if (mpeMode)
                    break;
                if (exciterType == 1)
                    sawtooth.setVibrato (v);
                else if (strings)
                    stringVoices[(size_t) currentStringVoice].vibratoDepth = v;
                break;
            case 22: setParameterNormalised (strikeRateParam, v); break;
            case 23: setParameterNormalised (stiffnessParam, v); break;
            case 24: setParameterNormalised (nonlinearParam, v); break;
            case 25: case 26: case 27: case 28: case 29:
                setParameterNormalised (barGainParams[(size_t) (d1 - 25)], v);
                break;
            case 74:
            {
                if (! mpeMode)
                    break;
                const double s = 1.0 - v;
                if (exciterType == 1)
                {
                    sawtooth.setSlide (channel, s);
                }
                else if (strings)
                {
                    for (int j = 0; j < 7; ++j)
                        if (stringVoiceKey[(size_t) j] == channel)
                        {
                            stringVoices[(size_t) j].bowIntensity = s;
                            break;
                        }
                }
                else if (exciterType == 5)
                {
                    const int i = strikers.matchSetStriker (channel);
                    if (i >= 0)
                        strikers.strikers[i].strength = juce::jlimit (0.0, 1.0, s);
                }
                channelSlide[(size_t) channel] = v;
                break;
            }
            case 104:
                if (v > 0.0f)
                    pendingMidiRolls.fetch_add (1);
                break;
            default:
                break;
        }
        return;
    }

    if (type == 0xD0)
    {
        if (mpeMode)
            return;
        const float p = unitFromByte (d1);
        if (exciterType == 1)
            sawtooth.setVibrato (p);
        else if (exciterType >= 2 && exciterType <= 4)
            stringVoices[(size_t) currentStringVoice].vibratoDepth = p;
    }
}

void QuorvaneAudioProcessor::startStringVoice (int note, int channel, float velocityIn) noexcept
{
    const double sustain = param (ppStringSustain);
    const double tone = param (ppStringTone);
    const double inharm = param (ppStringInharm);
    const double chorus = param (ppStringChorus);
    const double slide = channelSlide[(size_t) channel];
    const double velocity = mpeMode ? 1.2 * velocityIn : velocityIn;

    int freeVoice = -1;
    for (int j = 0; j < 7; ++j)
        if (! stringVoices[(size_t) j].active)
        {
            freeVoice = j;
            break;
        }

    if (freeVoice >= 0)
    {
        auto& voice = stringVoices[(size_t) freeVoice];
        if (mpeMode)
        {
            if (bowedMode)
                voice.bowIntensity = 1.0 - slide;
            else
                voice.pluckPos = slide;
        }
        currentStringVoice = freeVoice;
        voice.noteOn (note, velocity, sustain, tone, inharm, chorus);
        stringVoiceKey[(size_t) freeVoice] = mpeMode ? channel : note;
        stringVoiceNote[(size_t) freeVoice] = note;

        // Advance stealing: when the last free voice is taken, the highest held
        // note among the others starts a fast release, so the next note has a voice.
        bool allActive = true;
        for (const auto& v : stringVoices)
            allActive = allActive && v.active;
        if (allActive)
        {
            int steal = -1;
            for (int j = 0; j < 7; ++j)
                if (j != freeVoice && (steal < 0 || stringVoiceNote[(size_t) j] > stringVoiceNote[(size_t) steal]))
                    steal = j;
            if (stringVoices[(size_t) steal].active)
                stringVoices[(size_t) steal].release (0.001);
            stringVoiceNote[(size_t) steal] = 0;
        }
    }

    if (! mpeMode)
    {
        const double b = juce::jlimit (-1.0, 1.0, pitchBend);
        if (bowedMode)
            for (auto& voice : stringVoices)
                voice.bend = b;
        else
            stringVoices[(size_t) currentStringVoice].bend = b;
    }
}

void QuorvaneAudioProcessor::setParameterNormalised (juce::RangedAudioParameter* p, float normalised)
{
    if (p != nullptr)
        p->setValueNotifyingHost (juce::jlimit (0.0f, 1.0f, normalised));
}

void QuorvaneAudioProcessor::runPendingMidiRolls()
{
    // One roll per controller message, all bars selected.
    for (int rolls = pendingMidiRolls.exchange (0); rolls > 0; --rolls)
        randomise (true, true, true, true, true);
}

void QuorvaneAudioProcessor::MidiRandomiseTimer::timerCallback()
{
    owner.runPendingMidiRolls();
}
