#include "VM_SBowInst.h"

#include "VM_Common.h"

#include <algorithm>
#include <cmath>

namespace
{
inline double finiteOr(double v, double fallback) noexcept { return std::isfinite(v) ? v : fallback; }

// Moves v towards target by at most 3e-5.
inline void approach(double& v, double target) noexcept
{
    constexpr double step = 3e-5;
    if (target - v > step)
        v += step;
    else if (v - target > step)
        v -= step;
}
} // namespace

//==============================================================================
void VM_SBow::prepare(double timeStep) noexcept
{
    k = timeStep;
    twoPiK = vm::kTwoPi * k;
    theta = vm::kTwoPi * kVibratoRate * k;
    silence();
}

void VM_SBow::restartVibrato() noexcept
{
    twoCosTheta = 2.0 * std::cos(theta);
    vy = 0.0;
    vy1 = std::sin(-theta);
    vy2 = std::sin(-2.0 * theta);
    vcount = 0;
}

void VM_SBow::silence() noexcept
{
    active = 0;
    glideStep = 0.0;
    currentFreq = targetFreq;
    phase = 0.0;
    vibratoDepth = 0.0;
    bright = brightTarget;
    tone = toneTarget;
    restartVibrato();
    envelope.reset();
}

void VM_SBow::startEnvelope() noexcept
{
    // A decay longer than 10 ms falls all the way: the note ends by itself.
    const double sustain = decayTime > 0.01 ? 0.0 : 1.0;
    envelope.trigger(k, attackTime, decayTime, sustain, releaseTime);
    active = 1;
}

void VM_SBow::release() noexcept
{
    envelope.release(k);
}

void VM_SBow::releaseWith(double decrement) noexcept
{
    envelope.releaseWith(decrement);
}

double VM_SBow::capTone(double w, double f) noexcept
{
    if (f > 700.0 && f < 900.0)
        return std::min(w, 0.9);
    if (f > 900.0 && f < 1000.0)
        return std::min(w, 0.8);
    if (f > 1000.0)
        return std::min(w, 0.7);
    return w;
}

void VM_SBow::setTone(double w) noexcept
{
    toneTarget = capTone(std::clamp(finiteOr(w, 0.0), 0.0, 1.0), targetFreq);
    brightTarget = 0.5 + 0.4 * std::sqrt(toneTarget);
}

double VM_SBow::next() noexcept
{
    if (!active)
        return 0.0;

    const double level = envelope.next();

    approach(bright, brightTarget);
    approach(tone, toneTarget);

    const double s = std::sin(phase);
    const double c = std::cos(phase);

    // Frequency: portamento glide, else vibrato.
    if (std::fabs(glideStep) > 1e-8)
    {
        currentFreq += glideStep;
        if (std::fabs(targetFreq - currentFreq) < std::fabs(glideStep))
            glideStep = 0.0;
    }
    else if (vibratoDepth > 0.005)
    {
        vy = twoCosTheta * vy1 - vy2;
        vy2 = vy1;
        vy1 = vy;
        const int32_t c0 = vcount++;
        if (vy > 0.0 && vy2 < 0.0 && c0 >= 2)
        {
            // New vibrato cycle at an upward zero crossing, its rate from a
            // chaotic logistic map.
            const double r = vx * (1.0 - vx);
            vx = 3.99999 * r;
            theta = 2.0 * k * vm::kPi * kVibratoRate * (0.965 + 0.2799993 * r);
            restartVibrato();
        }
        currentFreq = targetFreq * (1.0 + 0.024 * vibratoDepth * vy);
    }

    phase += currentFreq * twoPiK;
    if (phase > vm::kTwoPi)
        phase -= vm::kTwoPi;

    if (level < 1e-5)
    {
        // The envelope has closed: the voice ends and is silent from here on.
        silence();
        return 0.0;
    }

    // sin(phi) / (1 + 2b cos(phi) + b^2) = sum (-b)^(n-1) sin(n phi),
    // normalised by 1 / (3e + 2).
    return level * s / ((1.0 + bright * bright + 2.0 * bright * c) * (3.0 * tone + 2.0));
}

//==============================================================================
double VM_SBowInst::noteFrequency(double note) noexcept
{
    const double f = 440.0 * std::pow(2.0, (note - 69.0) / 12.0);
    return std::clamp(finiteOr(f, 440.0), 32.7, 1244.51);
}

void VM_SBowInst::prepare(double engineRate) noexcept
{
    k = 1.0 / engineRate;
    for (auto& v : voices)
        v.prepare(k);
    reset();
}

void VM_SBowInst::reset() noexcept
{
    for (int i = 0; i < kNumVoices; ++i)
    {
        voices[i].silence();
        noteEntry[i] = 0;
        key[i] = -1;
        gainTarget[i] = gain[i] = 1.0;
    }
    currentVoice = 0;
    heldCount = 0;
}

void VM_SBowInst::setTimes(double attack, double decay, double release, double porta) noexcept
{
    attack = std::max(finiteOr(attack, 0.0), 0.0);
    decay = std::max(finiteOr(decay, 0.0), 0.0);
    release = std::max(finiteOr(release, 0.0), 0.0);
    porta = std::max(finiteOr(porta, 0.0), 0.0);
    for (auto& v : voices)
    {
        v.attackTime = attack;
        v.decayTime = decay;
        v.releaseTime = release;
        v.portaTime = porta;
    }
}

void VM_SBowInst::noteOn(int note, int channel, double velocity, double slide) noexcept
{
    velocity = finiteOr(velocity, 0.0);
    slide = std::clamp(finiteOr(slide, 0.0), 0.0, 1.0);
    const double f = noteFrequency(note);

    if (!poly)
    {
        VM_SBow& v = voices[0];
        if (heldCount < 1)
        {
            v.targetFreq = v.currentFreq = f;
            v.glideStep = 0.0;
        }
        else
        {
            v.targetFreq = f;
            if (v.portaTime >= 0.001)
                v.glideStep = (f - v.currentFreq) * k / v.portaTime;
            else
            {
                v.currentFreq = f;
                v.glideStep = 0.0;
            }
        }
        v.note = note;
        v.startEnvelope();
        noteEntry[0] = note;
        gainTarget[0] = 1.0;
        currentVoice = 0;
        ++heldCount;
        return;
    }

    int j = -1;
    for (int i = 0; i < kNumVoices; ++i)
        if (!voices[i].active)
        {
            j = i;
            break;
        }
    const bool reused = j < 0;
    if (reused)
        j = std::clamp(currentVoice, 0, kNumVoices - 1);
    key[j] = mpe ? channel : note;
    currentVoice = j;
    noteEntry[j] = note;

    if (reused)
    {
        // Free one other voice in advance: the highest note, lowest index first.
        int steal = -1;
        for (int i = 0; i < kNumVoices; ++i)
            if (i != j && (steal < 0 || noteEntry[i] > noteEntry[steal]))
                steal = i;
        VM_SBow& s = voices[steal];
        s.releaseWith(0.001);
        noteEntry[steal] = 0;
    }

    VM_SBow& v = voices[j];
    if (mpe)
    {
        const double w = 1.0 - slide;
        gainTarget[j] = gain[j] = 0.7 * w + 0.3;
        v.toneTarget = v.tone = VM_SBow::capTone(w, v.targetFreq);
        v.brightTarget = v.bright = 0.5 + 0.4 * std::sqrt(v.toneTarget);
    }
    else
        gainTarget[j] = gain[j] = 0.7 * velocity + 0.3;

    v.note = note;
    v.targetFreq = v.currentFreq = f;
    v.glideStep = 0.0;
    v.startEnvelope();
}

void VM_SBowInst::noteOff(int note, int channel) noexcept
{
    if (poly)
    {
        const int match = mpe ? channel : note;
        for (int j = 0; j < kNumVoices; ++j)
            if (key[j] == match)
            {
                voices[j].release();
                noteEntry[j] = 0;
                key[j] = -1;
                return;
            }
        return;
    }
    if (heldCount > 0)
        --heldCount;
    if (heldCount == 0)
    {
        voices[0].release();
        noteEntry[0] = 0;
        key[0] = -1;
    }
}

void VM_SBowInst::setPitchBend(double bend, int channel, bool glide) noexcept
{
    bend = finiteOr(bend, 0.0);
    if (poly)
    {
        int j = std::clamp(currentVoice, 0, kNumVoices - 1);
        if (mpe)
        {
            j = -1;
            for (int i = 0; i < kNumVoices; ++i)
                if (key[i] == channel)
                {
                    j = i;
                    break;
                }
            if (j < 0)
                return;
        }
        VM_SBow& v = voices[j];
        if (v.active)
        {
            v.targetFreq = v.currentFreq = noteFrequency(v.note + 2.0 * bend);
            v.glideStep = 0.0;
        }
        return;
    }

    VM_SBow& v = voices[0];
    if (!v.active)
        return;
    const double f = noteFrequency(v.note + 2.0 * bend);
    if (glide && v.portaTime >= 0.001)
    {
        v.targetFreq = f;
        v.glideStep = (f - v.currentFreq) * k / v.portaTime;
    }
    else
    {
        v.targetFreq = v.currentFreq = f;
        v.glideStep = 0.0;
    }
}

void VM_SBowInst::setModWheel(double w) noexcept
{
    for (auto& v : voices)
        v.setTone(w);
}

void VM_SBowInst::setSlide(int channel, double s) noexcept
{
    s = std::clamp(finiteOr(s, 0.0), 0.0, 1.0);
    for (int j = 0; j < kNumVoices; ++j)
        if (key[j] == channel)
        {
            if (voices[j].active)
            {
                voices[j].setTone(s);
                gainTarget[j] = 0.7 * s + 0.3;
            }
            return;
        }
}

void VM_SBowInst::setVibrato(double depth) noexcept
{
    VM_SBow& v = voices[std::clamp(currentVoice, 0, kNumVoices - 1)];
    if (v.active)
        v.vibratoDepth = std::clamp(finiteOr(depth, 0.0), 0.0, 1.0);
}

double VM_SBowInst::next() noexcept
{
    if (mpe)
        for (int i = 0; i < kNumVoices; ++i)
            approach(gain[i], gainTarget[i]);

    double x;
    if (poly)
    {
        x = 0.0;
        for (int i = 0; i < kNumVoices; ++i)
            x += voices[i].next() * gain[i];
    }
    else
        x = voices[0].next() * gain[0];
    return 0.5 * x;
}
