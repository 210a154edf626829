// MIDI in: notes, bends, controllers and pressure for each exciter and mode.
#include "ProcessorHarness.h"

#include <gtest/gtest.h>

using namespace harness;
using namespace quorvane;

namespace
{
struct Midi : ::testing::Test
{
    QuorvaneAudioProcessor p;

    void start (int exciterType, bool mpe = false, double rate = 48000.0)
    {
        p.setProperty (kProp_EType_ID, exciterType);
        p.setProperty (kProp_MPEModeOn_ID, mpe ? 1 : 0);
        p.prepareToPlay (rate, 512);
    }
    void send (std::initializer_list<juce::MidiMessage> messages, int samples = 512)
    {
        play (p, samples, 512, notes (messages));
    }
    // Bytes as a careless sender may put them on the wire, data bytes above 127 included.
    void sendRaw (int status, int d1, int d2)
    {
        const juce::uint8 bytes[3] = { (juce::uint8) status, (juce::uint8) d1, (juce::uint8) d2 };
        juce::MidiBuffer midi;
        midi.addEvent (bytes, 3, 0);
        play (p, 512, 512, midi);
    }
};

TEST_F (Midi, OnlyNotes24To84AreAccepted)
{
    start (2);
    struct Case { int note; bool accepted; };
    for (auto c : { Case { 23, false }, Case { 85, false }, Case { 24, true }, Case { 84, true } })
    {
        SCOPED_TRACE (c.note);
        p.reset();
        send ({ on (c.note) });
        EXPECT_EQ (p.engineActive, c.accepted);
        EXPECT_EQ (p.notesDown, c.accepted ? 1 : 0);
        EXPECT_EQ (p.stringVoices[0].active, c.accepted);
    }
}

TEST_F (Midi, PitchBendRangeInBothModes)
{
    struct Case { int raw; double normal; };
    const Case cases[] = { { 0, -1.0 }, { 8192, 0.0 }, { 16383, 1.0 }, { 4096, -0.5 } };
    for (bool mpe : { false, true })
    {
        QuorvaneAudioProcessor q;
        q.setProperty (kProp_EType_ID, 2);
        q.setProperty (kProp_MPEModeOn_ID, mpe ? 1 : 0);
        q.prepareToPlay (48000.0, 512);
        for (const auto& c : cases)
        {
            play (q, 512, 512, notes ({ juce::MidiMessage::pitchWheel (1, c.raw) }));
            EXPECT_DOUBLE_EQ (q.pitchBend, (mpe ? 24.0 : 1.0) * c.normal) << "raw " << c.raw << " mpe " << mpe;
        }
    }
}

TEST_F (Midi, PitchBendMovesThePluckedPitchTwoSemitones)
{
    start (2);
    send ({ juce::MidiMessage::pitchWheel (1, 16383), on (57, 100) });
    EXPECT_DOUBLE_EQ (p.stringVoices[0].bend, 1.0);
    send ({ juce::MidiMessage::pitchWheel (1, 0) });
    EXPECT_DOUBLE_EQ (p.stringVoices[0].bend, -1.0);
}

// Seven voices: taking the last free one releases the highest held note fast,
// so that the eighth note finds a voice once that one has faded.
TEST_F (Midi, EightHeldPluckedNotesStealAhead)
{
    start (2);
    send ({ on (40), on (50), on (45), on (62), on (48), on (44) });
    for (int j = 0; j < 6; ++j)
        EXPECT_TRUE (p.stringVoices[(size_t) j].active);
    EXPECT_FALSE (p.stringVoices[3].fading);

    send ({ on (41) }, 1);
    EXPECT_TRUE (p.stringVoices[6].active);
    EXPECT_TRUE (p.stringVoices[3].fading) << "note 62 is the highest held";
    EXPECT_EQ (p.stringVoiceNote[3], 0);
    EXPECT_EQ (p.currentStringVoice, 6);

    // Straight away the eighth note finds no voice and is lost, but it is counted.
    send ({ on (70) }, 1);
    EXPECT_EQ (p.notesDown, 8);
    EXPECT_EQ (p.currentStringVoice, 6);

    // After the fast release (1000 samples) the next note takes voice 3.
    play (p, 1100);
    EXPECT_FALSE (p.stringVoices[3].active);
    send ({ on (72) }, 1);
    EXPECT_TRUE (p.stringVoices[3].active);
    EXPECT_EQ (p.currentStringVoice, 3);
    EXPECT_EQ (p.stringVoiceNote[3], 72);
}

TEST_F (Midi, NoteOffReleasesItsVoiceOnly)
{
    start (2);
    send ({ on (40), on (50) });
    send ({ off (50) });
    EXPECT_TRUE (p.stringVoices[1].fading);
    EXPECT_FALSE (p.stringVoices[0].fading);
    EXPECT_EQ (p.stringVoiceKey[1], -1);
    EXPECT_EQ (p.notesDown, 1);
    // A note-off nobody holds changes nothing.
    send ({ off (77) });
    EXPECT_EQ (p.notesDown, 0);
    EXPECT_FALSE (p.stringVoices[0].fading);
}

TEST_F (Midi, Controller104RandomisesOncePerMessage)
{
    start (4);
    p.random.setSeed (42);
    send ({ juce::MidiMessage::controllerEvent (1, 104, 0) });
    p.runPendingMidiRolls();
    EXPECT_EQ ((double) p.getValueTreeState().state[kProp_Spring0Pos1_ID], 0.7);

    send ({ juce::MidiMessage::controllerEvent (1, 104, 1), juce::MidiMessage::controllerEvent (1, 104, 127) });
    QuorvaneAudioProcessor twice;
    twice.prepareToPlay (48000.0, 512);
    twice.random.setSeed (42);
    twice.randomise (true, true, true, true, true);
    twice.randomise (true, true, true, true, true);

    p.runPendingMidiRolls();
    EXPECT_EQ ((double) p.getValueTreeState().state[kProp_Spring0Pos1_ID],
               (double) twice.getValueTreeState().state[kProp_Spring0Pos1_ID]);
    EXPECT_EQ ((double) p.getValueTreeState().state[kProp_Bar2Stiffness_ID],
               (double) twice.getValueTreeState().state[kProp_Bar2Stiffness_ID]);
}

TEST_F (Midi, MpeSlideStartsTheNextPluckAtItsPosition)
{
    start (2, true);
    send ({ juce::MidiMessage::controllerEvent (3, 74, 90), on (60, 100, 3) });
    EXPECT_FLOAT_EQ ((float) p.channelSlide[3], 90.0f / 127.0f);
    // The pluck lands where the slide put it, not at the stringpluckpos value.
    const int N = p.stringVoices[0].mainN();
    EXPECT_EQ (p.stringVoices[0].mainExcitationIndex(), (int) std::floor (0.3 * (90.0f / 127.0f) * N) + 3);
    EXPECT_EQ (p.stringVoiceKey[0], 3);
    // Note-off by channel.
    send ({ off (61, 3) });
    EXPECT_TRUE (p.stringVoices[0].fading);
}

TEST_F (Midi, MpeIgnoresPressureAndVibratoController)
{
    start (2, true);
    send ({ on (60, 100, 2), juce::MidiMessage::channelPressureChange (2, 100),
            juce::MidiMessage::controllerEvent (2, 21, 100) });
    EXPECT_EQ (p.stringVoices[0].vibratoDepth, 0.0);
}

TEST_F (Midi, PressureAndVibratoClampToOne)
{
    start (2);
    send ({ on (60) });
    sendRaw (0xD0, 0xFF, 0);
    EXPECT_LE (p.stringVoices[0].vibratoDepth, 1.0);
    sendRaw (0xB0, 21, 0xFF);
    EXPECT_LE (p.stringVoices[0].vibratoDepth, 1.0);
    sendRaw (0x90, 62, 0xFF);
    EXPECT_TRUE (p.stringVoices[1].active);
}

TEST_F (Midi, MonoSawtoothHoldsTheLastNoteUntilAllAreReleased)
{
    start (1);
    send ({ on (57) });
    send ({ on (59) });
    send ({ off (59) });
    EXPECT_TRUE (p.sawtooth.voices[0].active);
    EXPECT_FALSE (p.sawtooth.voices[0].envelope.releasing);
    EXPECT_NEAR (p.sawtooth.voices[0].targetFreq, 440.0 * std::pow (2.0, (59 - 69) / 12.0), 0.5);
    send ({ off (57) });
    EXPECT_TRUE (p.sawtooth.voices[0].envelope.releasing);
}

TEST_F (Midi, FilterEnvelopeRetriggersPerNoteAndReleasesOnTheLast)
{
    p.setProperty (kProp_VCFOn_ID, 1);
    p.setProperty (kProp_CutoffEnvOn_ID, 1);
    setParam (p, kParam_FilterSustain_ID, 0.5f);
    start (2);
    send ({ on (50) });
    EXPECT_TRUE (p.vcf.envelope.attacking || p.vcf.envelope.decaying);
    play (p, 48000);
    const double levelBefore = p.vcf.envelope.level;
    send ({ on (55) }, 1);
    EXPECT_TRUE (p.vcf.envelope.attacking);
    EXPECT_NEAR (p.vcf.envelope.level, levelBefore, 0.01);
    send ({ off (50) }, 1);
    EXPECT_FALSE (p.vcf.envelope.releasing);
    send ({ off (55) }, 1);
    EXPECT_TRUE (p.vcf.envelope.releasing);
}

TEST_F (Midi, ControllersWriteTheirParameters)
{
    start (4);
    struct Case { int controller; const char* id; float expected; };
    const Case cases[] = {
        { 1, kParam_StringPluckpos_ID, 100.0f }, { 22, kParam_StrikeRate_ID, 55.0f },
        { 23, kParam_GStiffness_ID, 1.5f }, { 24, kParam_GNonlinear_ID, 2.0f },
        { 25, kParam_Bar0Gain_ID, 100.0f }, { 29, kParam_Bar4Gain_ID, 100.0f },
    };
    for (const auto& c : cases)
    {
        send ({ juce::MidiMessage::controllerEvent (1, c.controller, 127) });
        EXPECT_FLOAT_EQ (paramValue (p, c.id), c.expected) << c.controller;
    }
    // Controllers outside the set do nothing.
    const float drive = paramValue (p, kParam_Drive_ID);
    send ({ juce::MidiMessage::controllerEvent (1, 7, 127), juce::MidiMessage::controllerEvent (1, 30, 127) });
    EXPECT_EQ (paramValue (p, kParam_Drive_ID), drive);
}

TEST_F (Midi, ModWheelDrivesTheCutoffOnlyWhenTheFilterIsOn)
{
    p.setProperty (kProp_FiltModWheelOn_ID, 1);
    start (1);
    send ({ juce::MidiMessage::controllerEvent (1, 1, 127) });
    EXPECT_FLOAT_EQ (paramValue (p, kParam_SawTone_ID), 100.0f);
    EXPECT_FLOAT_EQ (paramValue (p, kParam_Cutoff_ID), 3000.0f);

    QuorvaneAudioProcessor q;
    q.setProperty (kProp_FiltModWheelOn_ID, 1);
    q.setProperty (kProp_VCFOn_ID, 1);
    q.setProperty (kProp_EType_ID, 1);
    q.prepareToPlay (48000.0, 512);
    play (q, 512, 512, notes ({ juce::MidiMessage::controllerEvent (1, 1, 0) }));
    auto* cutoff = q.getValueTreeState().getParameter (kParam_Cutoff_ID);
    EXPECT_NEAR (cutoff->getValue(), 0.12f, 1e-4f);
    EXPECT_FLOAT_EQ (paramValue (q, kParam_SawTone_ID), 70.0f);
}

TEST_F (Midi, StrikerIntervalsFollowTheRate)
{
    struct Case { float rate; double hostRate; int interval; };
    const Case cases[] = { { 55.0f, 44100.0, 801 }, { 1.0f, 44100.0, 44100 }, { 55.0f, 96000.0, 872 } };
    for (const auto& c : cases)
    {
        QuorvaneAudioProcessor q;
        q.setProperty (kProp_EType_ID, 5);
        setParam (q, kParam_StrikeRate_ID, c.rate);
        q.prepareToPlay (c.hostRate, 512);
        play (q, 1024, 512, notes ({ on (40) }));
        EXPECT_EQ (q.strikers.strikers[4].strikeInterval, c.interval) << c.rate << " at " << c.hostRate;
    }
}

TEST_F (Midi, StrikersSetTheirBarLights)
{
    start (5);
    send ({ on (36 + 6 * 2 + 1, 120) }, 2048);
    EXPECT_TRUE (p.barStruck[2].load());
    EXPECT_FALSE (p.barStruck[0].load());
}
} // namespace
