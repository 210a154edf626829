#pragma once
// Command line of quorvane-render.

#include <juce_core/juce_core.h>

#include <optional>

namespace render
{
struct Options
{
    juce::String inputArg;          // the MIDI file as the user typed it
    juce::String outputArg;         // empty: the input's name with .wav
    juce::String presetArg;         // an XML preset file
    juce::String stateArg;          // a saved state blob as a host stores it
    juce::String savePresetArg;     // write the starting state as a preset, render nothing
    int rate = 48000;
    int bits = 24;
    int block = 512;
    double tailSeconds = 2.0;
    std::optional<double> lengthSeconds;
    std::optional<double> tempo;
    bool quiet = false;
    bool help = false;
};

// Parses argv. On failure returns nothing and sets `error` to a one-line reason.
std::optional<Options> parseOptions (int argc, const char* const* argv, juce::String& error);

juce::String usageText();

// Resolves a path the user typed against the current working directory.
juce::File fileFromArgument (const juce::String& path);
} // namespace render
