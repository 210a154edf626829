#include "RenderOptions.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <string>

namespace render
{
namespace
{
bool parseNumber (const juce::String& text, double& value)
{
    const std::string s = text.trim().toStdString();
    if (s.empty())
        return false;
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod (s.c_str(), &end);
    if (errno != 0 || end == nullptr || *end != '\0' || ! std::isfinite (v))
        return false;
    value = v;
    return true;
}

bool parseInteger (const juce::String& text, long long& value)
{
    const std::string s = text.trim().toStdString();
    if (s.empty())
        return false;
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll (s.c_str(), &end, 10);
    if (errno != 0 || end == nullptr || *end != '\0')
        return false;
    value = v;
    return true;
}

bool takesValue (const juce::String& name)
{
    return name == "-o" || name == "--output" || name == "--rate" || name == "--bits"
        || name == "--block" || name == "--preset" || name == "--state" || name == "--tail"
        || name == "--length" || name == "--tempo" || name == "--save-preset";
}
} // namespace

juce::String usageText()
{
    return "Usage: quorvane-render [options] INPUT.mid\n"
           "       quorvane-render [--preset FILE | --state FILE] --save-preset FILE.xml\n"
           "\n"
           "Plays a standard MIDI file through the Quorvane instrument and writes a WAV file.\n"
           "\n"
           "Options:\n"
           "  -o, --output FILE     WAV file to write (default: INPUT with the extension .wav)\n"
           "      --rate HZ         sample rate: 44100, 48000, 88200 or 96000 (default 48000)\n"
           "      --bits N          16 or 24 (integer PCM) or 32 (floating point) (default 24)\n"
           "      --block N         samples per processing block, 1 to 8192 (default 512)\n"
           "      --preset FILE     start from a preset file (XML)\n"
           "      --state FILE      start from a saved plug-in state, as a host stores it\n"
           "      --save-preset FILE  write the starting state (the default instrument, or\n"
           "                        what --preset or --state loaded) as a preset file;\n"
           "                        without a MIDI file nothing is rendered\n"
           "      --tempo BPM       tempo the instrument is told (default: the first tempo\n"
           "                        of the MIDI file, else 120)\n"
           "      --tail SECONDS    time rendered after the last MIDI event (default 2)\n"
           "      --length SECONDS  stop after this many seconds at most\n"
           "  -q, --quiet           print nothing but errors\n"
           "  -h, --help            show this text\n"
           "\n"
           "Without --preset or --state the default instrument plays.\n";
}

juce::File fileFromArgument (const juce::String& path)
{
    return juce::File::getCurrentWorkingDirectory().getChildFile (path);
}

std::optional<Options> parseOptions (int argc, const char* const* argv, juce::String& error)
{
    Options options;
    bool inputSeen = false;
    bool optionsEnded = false;

    for (int i = 1; i < argc; ++i)
    {
        const juce::String arg = juce::String::fromUTF8 (argv[i]);

        if (optionsEnded || ! arg.startsWith ("-") || arg == "-")
        {
            if (inputSeen)
            {
                error = "only one MIDI file can be rendered at a time (got '" + options.inputArg
                      + "' and '" + arg + "')";
                return std::nullopt;
            }
            options.inputArg = arg;
            inputSeen = true;
            continue;
        }

        if (arg == "--")
        {
            optionsEnded = true;
            continue;
        }
        if (arg == "-h" || arg == "--help")
        {
            options.help = true;
            continue;
        }
        if (arg == "-q" || arg == "--quiet")
        {
            options.quiet = true;
            continue;
        }

        // "--name value" or "--name=value"
        juce::String name = arg, value;
        bool hasValue = false;
        if (arg.startsWith ("--") && arg.containsChar ('='))
        {
            name = arg.upToFirstOccurrenceOf ("=", false, false);
            value = arg.fromFirstOccurrenceOf ("=", false, false);
            hasValue = true;
        }

        if (! takesValue (name))
        {
            error = "unknown option '" + arg + "' (see --help)";
            return std::nullopt;
        }
        if (! hasValue)
        {
            if (i + 1 >= argc)
            {
                error = "option " + name + " needs a value (see --help)";
                return std::nullopt;
            }
            value = juce::String::fromUTF8 (argv[++i]);
        }

        if (name == "-o" || name == "--output")
        {
            if (value.isEmpty())
            {
                error = "option " + name + " needs a file name";
                return std::nullopt;
            }
            options.outputArg = value;
        }
        else if (name == "--save-preset")
        {
            if (value.isEmpty())
            {
                error = "option " + name + " needs a file name";
                return std::nullopt;
            }
            options.savePresetArg = value;
        }
        else if (name == "--preset" || name == "--state")
        {
            if (value.isEmpty())
            {
                error = "option " + name + " needs a file name";
                return std::nullopt;
            }
            (name == "--preset" ? options.presetArg : options.stateArg) = value;
        }
        else if (name == "--rate")
        {
            long long rate = 0;
            if (! parseInteger (value, rate) || (rate != 44100 && rate != 48000 && rate != 88200 && rate != 96000))
            {
                error = "unsupported sample rate '" + value + "': use 44100, 48000, 88200 or 96000";
                return std::nullopt;
            }
            options.rate = (int) rate;
        }
        else if (name == "--bits")
        {
            long long bits = 0;
            if (! parseInteger (value, bits) || (bits != 16 && bits != 24 && bits != 32))
            {
                error = "unsupported sample format '" + value + "' for --bits: use 16, 24 or 32 (floating point)";
                return std::nullopt;
            }
            options.bits = (int) bits;
        }
        else if (name == "--block")
        {
            long long block = 0;
            if (! parseInteger (value, block) || block < 1 || block > 8192)
            {
                error = "block size '" + value + "' is not a whole number from 1 to 8192";
                return std::nullopt;
            }
            options.block = (int) block;
        }
        else if (name == "--tail")
        {
            double tail = 0.0;
            if (! parseNumber (value, tail) || tail < 0.0 || tail > 3600.0)
            {
                error = "tail '" + value + "' is not a number of seconds from 0 to 3600";
                return std::nullopt;
            }
            options.tailSeconds = tail;
        }
        else if (name == "--length")
        {
            double length = 0.0;
            if (! parseNumber (value, length) || length <= 0.0 || length > 86400.0)
            {
                error = "length '" + value + "' is not a positive number of seconds (at most 86400)";
                return std::nullopt;
            }
            options.lengthSeconds = length;
        }
        else if (name == "--tempo")
        {
            double bpm = 0.0;
            if (! parseNumber (value, bpm) || bpm < 20.0 || bpm > 999.0)
            {
                error = "tempo '" + value + "' is not a number of beats per minute from 20 to 999";
                return std::nullopt;
            }
            options.tempo = bpm;
        }
    }

    if (options.help)
        return options;

    if (! inputSeen && options.savePresetArg.isEmpty())
    {
        error = "no MIDI file given (see --help)";
        return std::nullopt;
    }
    if (options.presetArg.isNotEmpty() && options.stateArg.isNotEmpty())
    {
        error = "--preset and --state cannot be used together";
        return std::nullopt;
    }
    return options;
}
} // namespace render
