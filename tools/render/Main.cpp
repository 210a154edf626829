// quorvane-render: plays a standard MIDI file through the instrument, offline, into a WAV file.
// The processor is driven as a host drives it: prepared, given a play head, and fed
// block by block with the MIDI events that fall into each block.

#include "PluginProcessor.h"
#include "RenderOptions.h"

#include <juce_audio_formats/juce_audio_formats.h>
#include <juce_events/juce_events.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <unistd.h>
#include <vector>

namespace
{
const char* const kToolName = "quorvane-render";

//==============================================================================
// Failures carry the message printed after "quorvane-render: ".
struct Failure
{
    juce::String message;
};

[[noreturn]] void fail (const juce::String& message)
{
    throw Failure { message };
}

juce::String quoted (const juce::String& s)
{
    return "'" + s + "'";
}

// Why a file cannot be read, or nothing when it looks readable.
juce::String whyUnreadable (const juce::File& file)
{
    if (file.isDirectory())
        return "it is a folder";
    if (! file.existsAsFile())
        return "no such file";
    if (! file.hasReadAccess())
        return "permission denied";
    return {};
}

juce::MemoryBlock readWholeFile (const juce::File& file, const juce::String& what, const juce::String& arg)
{
    if (const auto why = whyUnreadable (file); why.isNotEmpty())
        fail ("cannot read " + what + " " + quoted (arg) + ": " + why);

    juce::FileInputStream in (file);
    if (in.failedToOpen())
        fail ("cannot read " + what + " " + quoted (arg) + ": " + in.getStatus().getErrorMessage());

    juce::MemoryBlock data;
    in.readIntoMemoryBlock (data);
    return data;
}

//==============================================================================
// The MIDI file, merged into one sequence with times in seconds.
struct Song
{
    juce::MidiMessageSequence events; // no meta events
    double firstTempo = 0.0;          // 0: the file has none
    int timeSigNumerator = 4;
    int timeSigDenominator = 4;
    double lastEventSeconds = 0.0;
};

Song loadSong (const juce::String& arg)
{
    const auto file = render::fileFromArgument (arg);
    const auto data = readWholeFile (file, "MIDI file", arg);
    const juce::String prefix = "cannot read MIDI file " + quoted (arg) + ": ";

    if (data.getSize() == 0)
        fail (prefix + "the file is empty");

    juce::MidiFile midiFile;
    juce::MemoryInputStream in (data, false);
    if (! midiFile.readFrom (in, true))
        fail (prefix + "not a standard MIDI file, or a broken one");
    if (midiFile.getNumTracks() == 0)
        fail (prefix + "the file has no tracks");
    if (midiFile.getTimeFormat() == 0)
        fail (prefix + "the header gives a time division of zero");

    Song song;

    // Tempo and metre as the file starts (the first events by time).
    juce::MidiMessageSequence tempos, timeSigs;
    midiFile.findAllTempoEvents (tempos);
    midiFile.findAllTimeSigEvents (timeSigs);
    tempos.sort();
    timeSigs.sort();
    for (const auto* holder : tempos)
    {
        const double secondsPerQuarter = holder->message.getTempoSecondsPerQuarterNote();
        if (secondsPerQuarter > 0.0 && std::isfinite (secondsPerQuarter))
        {
            song.firstTempo = 60.0 / secondsPerQuarter;
            break;
        }
    }
    if (timeSigs.getNumEvents() > 0)
    {
        int numerator = 4, denominator = 4;
        timeSigs.getEventPointer (0)->message.getTimeSignatureInfo (numerator, denominator);
        if (numerator > 0 && denominator > 0)
        {
            song.timeSigNumerator = numerator;
            song.timeSigDenominator = denominator;
        }
    }

    // Ticks to seconds through the file's own tempo map, then all tracks into one.
    midiFile.convertTimestampTicksToSeconds();
    for (int t = 0; t < midiFile.getNumTracks(); ++t)
    {
        const auto* track = midiFile.getTrack (t);
        for (const auto* holder : *track)
        {
            const auto& message = holder->message;
            if (message.isMetaEvent())
                continue;
            const double time = message.getTimeStamp();
            if (! std::isfinite (time) || time < 0.0)
                fail (prefix + "an event has a time that cannot be played");
            song.events.addEvent (message);
        }
    }
    song.events.sort();

    if (song.events.getNumEvents() == 0)
        fail (prefix + "the file has no notes or other events to play");
    song.lastEventSeconds = song.events.getEndTime();
    return song;
}

//==============================================================================
// The state tag the processor writes, taken from its own saved state.
juce::String stateTagOf (QuorvaneAudioProcessor& processor)
{
    juce::MemoryBlock block;
    processor.getStateInformation (block);
    if (auto xml = juce::AudioProcessor::getXmlFromBinary (block.getData(), (int) block.getSize()))
        return xml->getTagName();
    return {};
}

void loadPreset (QuorvaneAudioProcessor& processor, const juce::String& arg)
{
    const auto file = render::fileFromArgument (arg);
    const auto data = readWholeFile (file, "preset", arg);
    const juce::String prefix = "cannot load preset " + quoted (arg) + ": ";

    juce::XmlDocument document (data.toString());
    const auto xml = document.getDocumentElement();
    const auto parseError = document.getLastParseError();
    if (xml == nullptr || parseError.isNotEmpty())
        fail (prefix + "not valid XML" + (parseError.isNotEmpty() ? " (" + parseError + ")" : juce::String()));

    const auto expected = stateTagOf (processor);
    if (! xml->getTagName().equalsIgnoreCase (expected))
        fail (prefix + "not a Quorvane preset (its root element is <" + xml->getTagName()
              + ">, a preset's is <" + expected + ">)");

    juce::MemoryBlock blob;
    juce::AudioProcessor::copyXmlToBinary (*xml, blob);
    processor.setStateInformation (blob.getData(), (int) blob.getSize());
}

void loadState (QuorvaneAudioProcessor& processor, const juce::String& arg)
{
    const auto file = render::fileFromArgument (arg);
    const auto data = readWholeFile (file, "saved state", arg);
    const juce::String prefix = "cannot load saved state " + quoted (arg) + ": ";

    if (data.getSize() > (size_t) INT_MAX)
        fail (prefix + "the file is too large");
    const auto xml = juce::AudioProcessor::getXmlFromBinary (data.getData(), (int) data.getSize());
    if (xml == nullptr)
        fail (prefix + "not a saved plug-in state, or a damaged one");

    const auto expected = stateTagOf (processor);
    if (! xml->getTagName().equalsIgnoreCase (expected))
        fail (prefix + "the state is not Quorvane's (its root element is <" + xml->getTagName() + ">)");

    processor.setStateInformation (data.getData(), (int) data.getSize());
}

// Writes the processor's present state as a preset file (the XML of its state tree).
void savePreset (QuorvaneAudioProcessor& processor, const juce::String& arg)
{
    const auto file = render::fileFromArgument (arg);
    const juce::String prefix = "cannot write preset " + quoted (arg) + ": ";
    if (file.isDirectory())
        fail (prefix + "it is a folder");
    if (! file.getParentDirectory().isDirectory())
        fail (prefix + "the folder " + quoted (file.getParentDirectory().getFullPathName()) + " does not exist");

    juce::MemoryBlock block;
    processor.getStateInformation (block);
    const auto xml = juce::AudioProcessor::getXmlFromBinary (block.getData(), (int) block.getSize());
    if (xml == nullptr)
        fail (prefix + "the instrument gave no state");

    juce::TemporaryFile temp (file);
    if (! xml->writeTo (temp.getFile()) || ! temp.overwriteTargetFileWithTemporary())
        fail (prefix + "writing failed");
}

//==============================================================================
// A transport that is always playing at one tempo.
class RenderPlayHead final : public juce::AudioPlayHead
{
public:
    RenderPlayHead (double bpmIn, double rateIn, int numeratorIn, int denominatorIn)
        : bpm (bpmIn), rate (rateIn), numerator (numeratorIn), denominator (denominatorIn)
    {
    }

    void moveTo (juce::int64 samplePosition) noexcept { position = samplePosition; }

    juce::Optional<PositionInfo> getPosition() const override
    {
        const double seconds = (double) position / rate;
        const double ppq = seconds * bpm / 60.0;
        const double quartersPerBar = numerator * 4.0 / denominator;

        PositionInfo info;
        info.setBpm (bpm);
        info.setTimeSignature (TimeSignature { numerator, denominator });
        info.setTimeInSamples (position);
        info.setTimeInSeconds (seconds);
        info.setPpqPosition (ppq);
        info.setPpqPositionOfLastBarStart (std::floor (ppq / quartersPerBar) * quartersPerBar);
        info.setBarCount ((juce::int64) std::floor (ppq / quartersPerBar));
        info.setIsPlaying (true);
        return info;
    }

private:
    const double bpm, rate;
    const int numerator, denominator;
    juce::int64 position = 0;
};

//==============================================================================
// The output goes to a temporary file next to the target, moved into place only on
// success. An interrupted render removes it on its way out.
char interruptedTempPath[4096] = {};

extern "C" void removeTempAndExit (int signalNumber)
{
    if (interruptedTempPath[0] != '\0')
        ::unlink (interruptedTempPath);
    ::_exit (128 + signalNumber);
}

void watchTempFile (const juce::File& temp)
{
    const auto path = temp.getFullPathName().toStdString();
    if (path.size() < sizeof (interruptedTempPath))
        std::memcpy (interruptedTempPath, path.c_str(), path.size() + 1);
    std::signal (SIGINT, removeTempAndExit);
    std::signal (SIGTERM, removeTempAndExit);
    std::signal (SIGHUP, removeTempAndExit);
}

void forgetTempFile()
{
    std::signal (SIGINT, SIG_DFL);
    std::signal (SIGTERM, SIG_DFL);
    std::signal (SIGHUP, SIG_DFL);
    interruptedTempPath[0] = '\0';
}

//==============================================================================
juce::String decibels (double linear)
{
    if (linear <= 0.0)
        return "-inf dBFS";
    return juce::String (20.0 * std::log10 (linear), 1) + " dBFS";
}

juce::String formatSeconds (double seconds)
{
    return juce::String (seconds, seconds < 10.0 ? 2 : 1) + " s";
}

class Progress
{
public:
    explicit Progress (bool enabledIn)
        : enabled (enabledIn), toTerminal (::isatty (::fileno (stderr)) != 0)
    {
    }

    // Shown once a render has run for a second: on a terminal ten times a second,
    // otherwise once a second.
    void update (double fraction, double renderedSeconds, double elapsed)
    {
        if (! enabled || elapsed < 1.0)
            return;
        const double interval = toTerminal ? 0.1 : 1.0;
        if (shown && elapsed - lastShown < interval)
            return;
        lastShown = elapsed;
        shown = true;
        std::fprintf (stderr, "\rrendering %5.1f%%  %7.1f s of audio  %6.1f s elapsed ",
                      100.0 * fraction, renderedSeconds, elapsed);
        std::fflush (stderr);
    }

    void finish()
    {
        if (shown)
        {
            std::fputc ('\n', stderr);
            std::fflush (stderr);
        }
        shown = false;
    }

private:
    const bool enabled, toTerminal;
    bool shown = false;
    double lastShown = 0.0;
};

//==============================================================================
void renderSong (QuorvaneAudioProcessor& processor, const render::Options& options)
{
    const Song song = loadSong (options.inputArg);

    const auto inputFile = render::fileFromArgument (options.inputArg);
    const juce::String outputArg = options.outputArg.isNotEmpty()
                                       ? options.outputArg
                                       : inputFile.withFileExtension ("wav").getFullPathName();
    const auto outputFile = render::fileFromArgument (outputArg);
    const juce::String outputPrefix = "cannot write " + quoted (outputArg) + ": ";
    if (outputFile == inputFile)
        fail (outputPrefix + "it is the input file");
    if (outputFile.isDirectory())
        fail (outputPrefix + "it is a folder");
    if (! outputFile.getParentDirectory().isDirectory())
        fail (outputPrefix + "the folder " + quoted (outputFile.getParentDirectory().getFullPathName())
              + " does not exist");

    const double rate = options.rate;
    const double bpm = options.tempo ? *options.tempo
                                     : (song.firstTempo > 0.0 ? song.firstTempo : 120.0);

    double seconds = song.lastEventSeconds + options.tailSeconds;
    if (options.lengthSeconds)
        seconds = std::min (seconds, *options.lengthSeconds);
    const auto totalSamples = (juce::int64) std::ceil (seconds * rate);

    RenderPlayHead playHead (bpm, rate, song.timeSigNumerator, song.timeSigDenominator);
    processor.setPlayHead (&playHead);
    processor.setNonRealtime (true);
    processor.setPlayConfigDetails (2, 2, rate, options.block);
    processor.prepareToPlay (rate, options.block);
    if (processor.isEngineHalted())
        fail ("the instrument refused to start at " + juce::String (options.rate) + " Hz");

    // Output: a temporary file beside the target.
    juce::TemporaryFile temp (outputFile);
    const auto tempFile = temp.getFile();
    watchTempFile (tempFile);
    std::unique_ptr<juce::AudioFormatWriter> writer;
    {
        auto stream = std::make_unique<juce::FileOutputStream> (tempFile);
        if (stream->failedToOpen())
            fail (outputPrefix + stream->getStatus().getErrorMessage());
        juce::WavAudioFormat wav;
        writer.reset (wav.createWriterFor (stream.get(), rate, 2, options.bits, {}, 0));
        if (writer == nullptr)
            fail (outputPrefix + "the WAV writer refused " + juce::String (options.bits) + "-bit output");
        stream.release(); // now owned by the writer
    }

    // Events to sample positions.
    std::vector<juce::int64> eventSamples;
    eventSamples.reserve ((size_t) song.events.getNumEvents());
    for (const auto* holder : song.events)
        eventSamples.push_back ((juce::int64) std::llround (holder->message.getTimeStamp() * rate));

    juce::AudioBuffer<float> buffer (2, options.block);
    juce::MidiBuffer midi;
    int nextEvent = 0;
    double peak = 0.0, sumSquares = 0.0;
    juce::int64 nonFinite = 0;

    Progress progress (! options.quiet);
    const auto started = std::chrono::steady_clock::now();
    auto elapsedSeconds = [&started]
    {
        return std::chrono::duration<double> (std::chrono::steady_clock::now() - started).count();
    };

    for (juce::int64 done = 0; done < totalSamples;)
    {
        const int n = (int) std::min<juce::int64> (options.block, totalSamples - done);
        buffer.setSize (2, n, false, false, true);

        midi.clear();
        while (nextEvent < song.events.getNumEvents() && eventSamples[(size_t) nextEvent] < done + n)
        {
            const auto offset = std::max<juce::int64> (0, eventSamples[(size_t) nextEvent] - done);
            midi.addEvent (song.events.getEventPointer (nextEvent)->message, (int) offset);
            ++nextEvent;
        }

        playHead.moveTo (done);
        processor.processBlock (buffer, midi);

        for (int ch = 0; ch < 2; ++ch)
        {
            const float* samples = buffer.getReadPointer (ch);
            for (int i = 0; i < n; ++i)
            {
                const double v = samples[i];
                if (! std::isfinite (v))
                {
                    ++nonFinite;
                    continue;
                }
                peak = std::max (peak, std::abs (v));
                sumSquares += v * v;
            }
        }

        if (! writer->writeFromAudioSampleBuffer (buffer, 0, n))
            fail (outputPrefix + "writing failed (is the disk full?)");

        done += n;
        progress.update ((double) done / (double) totalSamples, (double) done / rate, elapsedSeconds());
    }
    progress.finish();

    const double elapsed = elapsedSeconds();
    processor.releaseResources();
    processor.setPlayHead (nullptr);

    if (! writer->flush())
        fail (outputPrefix + "writing failed (is the disk full?)");
    writer.reset(); // closes the file
    if (! temp.overwriteTargetFileWithTemporary())
        fail (outputPrefix + "cannot move the finished file into place");
    forgetTempFile();

    if (nonFinite > 0)
        std::fprintf (stderr, "%s: warning: the instrument produced %lld samples that are not finite numbers\n",
                      kToolName, (long long) nonFinite);

    if (! options.quiet)
    {
        const double renderedSeconds = (double) totalSamples / rate;
        const double rms = totalSamples > 0 ? std::sqrt (sumSquares / (2.0 * (double) totalSamples)) : 0.0;
        const juce::String format = options.bits == 32 ? "32-bit float" : juce::String (options.bits) + "-bit";
        // Seconds of audio per second of work.
        const double factor = elapsed > 0.0 ? renderedSeconds / elapsed : 0.0;

        juce::String summary;
        summary << "wrote " << outputFile.getFullPathName() << "\n"
                << "  length   " << formatSeconds (renderedSeconds) << " (" << options.rate << " Hz, "
                << format << " WAV, tempo " << juce::String (bpm, 1) << " bpm)\n"
                << "  peak     " << decibels (peak) << "\n"
                << "  RMS      " << decibels (rms) << "\n"
                << "  took     " << formatSeconds (elapsed) << ", real-time factor " << juce::String (factor, 1)
                << " (seconds of audio per second)";
        std::printf ("%s\n", summary.toRawUTF8());
    }
}

int run (const render::Options& options)
{
    const juce::ScopedJuceInitialiser_GUI framework;
    auto processor = std::make_unique<QuorvaneAudioProcessor>();

    // State first: preparing maps every parameter and property into the engine.
    if (options.presetArg.isNotEmpty())
        loadPreset (*processor, options.presetArg);
    else if (options.stateArg.isNotEmpty())
        loadState (*processor, options.stateArg);

    if (options.savePresetArg.isNotEmpty())
    {
        savePreset (*processor, options.savePresetArg);
        if (! options.quiet)
            std::printf ("wrote preset %s\n", render::fileFromArgument (options.savePresetArg).getFullPathName().toRawUTF8());
    }

    if (options.inputArg.isNotEmpty())
        renderSong (*processor, options);
    return 0;
}
} // namespace

int main (int argc, char* argv[])
{
    juce::String error;
    const auto options = render::parseOptions (argc, argv, error);
    if (! options)
    {
        std::fprintf (stderr, "%s: %s\n", kToolName, error.toRawUTF8());
        return 2;
    }
    if (options->help)
    {
        std::printf ("%s", render::usageText().toRawUTF8());
        return 0;
    }

    try
    {
        return run (*options);
    }
    catch (const Failure& failure)
    {
        forgetTempFile();
        std::fprintf (stderr, "%s: %s\n", kToolName, failure.message.toRawUTF8());
        return 1;
    }
}
