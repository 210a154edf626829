#pragma once
// Small helpers to play a processor the way a host does.
#include "PluginProcessor.h"

#include <cmath>
#include <vector>

namespace harness
{
struct Render
{
    std::vector<float> left, right;

    float peak() const
    {
        float p = 0.0f;
        for (size_t i = 0; i < left.size(); ++i)
            p = std::max (p, std::max (std::abs (left[i]), std::abs (right[i])));
        return p;
    }
    bool finite() const
    {
        for (size_t i = 0; i < left.size(); ++i)
            if (! std::isfinite (left[i]) || ! std::isfinite (right[i]))
                return false;
        return true;
    }
};

// Runs blocks of blockSize samples; events are delivered with the first block.
inline Render play (QuorvaneAudioProcessor& p, int samples, int blockSize = 512,
                    juce::MidiBuffer firstBlockMidi = {})
{
    Render out;
    juce::AudioBuffer<float> buffer (2, blockSize);
    bool first = true;
    for (int done = 0; done < samples; done += blockSize)
    {
        const int n = std::min (blockSize, samples - done);
        buffer.setSize (2, n, false, false, true);
        juce::MidiBuffer midi;
        if (first)
            midi = firstBlockMidi;
        first = false;
        p.processBlock (buffer, midi);
        for (int i = 0; i < n; ++i)
        {
            out.left.push_back (buffer.getSample (0, i));
            out.right.push_back (buffer.getSample (1, i));
        }
    }
    return out;
}

inline juce::MidiBuffer notes (std::initializer_list<juce::MidiMessage> messages)
{
    juce::MidiBuffer midi;
    int position = 0;
    for (const auto& m : messages)
        midi.addEvent (m, position++);
    return midi;
}

inline juce::MidiMessage on (int note, int velocity = 100, int channel = 1)
{
    return juce::MidiMessage::noteOn (channel, note, (juce::uint8) velocity);
}

inline juce::MidiMessage off (int note, int channel = 1)
{
    return juce::MidiMessage::noteOff (channel, note);
}

inline void setParam (QuorvaneAudioProcessor& p, const char* id, float realValue)
{
    auto* param = p.getValueTreeState().getParameter (id);
    param->setValueNotifyingHost (param->convertTo0to1 (realValue));
}

inline float paramValue (QuorvaneAudioProcessor& p, const char* id)
{
    return p.getValueTreeState().getRawParameterValue (id)->load();
}

// Estimated fundamental from upward zero crossings of the left channel.
inline double zeroCrossingPitch (const std::vector<float>& x, int from, int to, double rate)
{
    int first = -1, count = 0;
    double firstPos = 0, lastPos = 0;
    for (int i = std::max (from, 1); i < to; ++i)
        if (x[(size_t) i - 1] <= 0.0f && x[(size_t) i] > 0.0f)
        {
            const double frac = x[(size_t) i - 1] / (double) (x[(size_t) i - 1] - x[(size_t) i]);
            const double pos = i - 1 + frac;
            if (first < 0) { first = i; firstPos = pos; }
            lastPos = pos;
            ++count;
        }
    if (count < 2)
        return 0.0;
    return rate * (count - 1) / (lastPos - firstPos);
}
} // namespace harness
