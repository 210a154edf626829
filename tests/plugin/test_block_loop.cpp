// The block loop around the frame: MIDI handling, double rate, the resync fade,
// silence detection and the host tempo.
#include "ProcessorHarness.h"

#include <gtest/gtest.h>

using namespace harness;
using namespace quorvane;

namespace
{
TEST (BlockLoop, EmptyBlockKeepsItsMidi)
{
    QuorvaneAudioProcessor p;
    p.prepareToPlay (48000.0, 512);
    juce::AudioBuffer<float> empty (2, 0);
    auto midi = notes ({ on (60) });
    p.processBlock (empty, midi);
    EXPECT_EQ (midi.getNumEvents(), 1);
    EXPECT_FALSE (p.engineActive);

    juce::AudioBuffer<float> buffer (2, 64);
    p.processBlock (buffer, midi);
    EXPECT_EQ (midi.getNumEvents(), 0);
    EXPECT_TRUE (p.engineActive);
}

// At 88.2 and 96 kHz one frame is computed per two host samples, whatever the
// block sizes: the output must not depend on how the host slices the stream.
TEST (BlockLoop, DoubleRateIsIndependentOfBlockSize)
{
    for (double rate : { 88200.0, 96000.0 })
    {
        auto render = [rate] (std::vector<int> blockSizes)
        {
            QuorvaneAudioProcessor p;
            p.setProperty (kProp_EType_ID, 2);
            p.prepareToPlay (rate, 512);
            std::vector<float> out;
            size_t next = 0;
            bool first = true;
            while (out.size() < 9000)
            {
                const int n = blockSizes[next++ % blockSizes.size()];
                juce::AudioBuffer<float> buffer (2, n);
                juce::MidiBuffer midi;
                if (first)
                    midi = notes ({ on (64, 110) });
                first = false;
                p.processBlock (buffer, midi);
                for (int i = 0; i < n; ++i)
                    out.push_back (buffer.getSample (0, i));
            }
            out.resize (9000);
            return out;
        };

        const auto reference = render ({ 512 });
        float peak = 0.0f;
        for (float x : reference)
            peak = std::max (peak, std::abs (x));
        ASSERT_GT (peak, 1e-4f);

        for (const auto& sizes : { std::vector<int> { 5 }, std::vector<int> { 7, 64, 3, 128 }, std::vector<int> { 1 } })
        {
            const auto sliced = render (sizes);
            for (size_t i = 0; i < reference.size(); ++i)
                ASSERT_NEAR (sliced[i], reference[i], 1e-6f) << "sample " << i << " with blocks of " << sizes[0];
        }
    }
}

TEST (BlockLoop, DoubleRatePitchMatchesSingleRate)
{
    auto pitchAt = [] (double rate)
    {
        QuorvaneAudioProcessor p;
        p.setProperty (kProp_EType_ID, 2);
        for (const char* id : { kParam_Bar0Gain_ID, kParam_Bar1Gain_ID, kParam_Bar2Gain_ID, kParam_Bar3Gain_ID, kParam_Bar4Gain_ID })
            setParam (p, id, 0.0f);
        p.setProperty (kProp_EQOn_ID, 0);
        p.prepareToPlay (rate, 5);
        auto r = play (p, (int) rate / 2, 5, notes ({ on (57, 110) }));
        return zeroCrossingPitch (r.left, (int) rate / 20, (int) rate / 2, rate);
    };
    EXPECT_NEAR (pitchAt (96000.0), 220.0, 2.0);
    EXPECT_NEAR (pitchAt (48000.0), 220.0, 2.0);
}

// A preset load: hold and request raised, values written, hold released.
TEST (BlockLoop, HeldResyncFadesOutThenResyncsAfterRelease)
{
    QuorvaneAudioProcessor p;
    p.setProperty (kProp_EType_ID, 2);
    p.prepareToPlay (48000.0, 512);
    play (p, 4096, 512, notes ({ on (48, 120), on (60, 120) }));

    p.resyncHold = true;
    p.resyncRequest = true;
    p.setProperty (kProp_EType_ID, 5);

    auto fading = play (p, 3334, 3334);
    EXPECT_LT (p.outputFade, 0.0f);
    EXPECT_GT (std::abs (fading.left[100]), 0.0f);
    auto held = play (p, 5 * 512, 512);
    EXPECT_EQ (held.peak(), 0.0f);
    EXPECT_EQ (p.exciterType, 2) << "nothing is mapped while the hold stands";
    EXPECT_TRUE (p.resyncRequest.load());

    p.resyncHold = false;
    auto resync = play (p, 512, 512);
    EXPECT_EQ (resync.peak(), 0.0f);
    EXPECT_EQ (p.exciterType, 5);
    EXPECT_FALSE (p.resyncRequest.load());
    EXPECT_EQ (p.outputFade, 1.0f);
}

TEST (BlockLoop, FadeTakesTwiceAsManySamplesAtDoubleRate)
{
    QuorvaneAudioProcessor p;
    p.prepareToPlay (96000.0, 512);
    play (p, 512, 512, notes ({ on (60) }));
    p.resyncRequest = true;
    play (p, 6666, 6666);
    EXPECT_GT (p.outputFade, 0.0f);
    play (p, 1, 1);
    EXPECT_LT (p.outputFade, 0.0f);
}

TEST (BlockLoop, SilenceDetectionResetsAfterTheSoundDiesAway)
{
    QuorvaneAudioProcessor p;
    for (const char* id : { kParam_Bar0Gain_ID, kParam_Bar1Gain_ID, kParam_Bar2Gain_ID, kParam_Bar3Gain_ID,
                            kParam_Bar4Gain_ID, kParam_DriverGain_ID })
        setParam (p, id, 0.0f);
    p.setProperty (kProp_EType_ID, 7); // no exciter: nothing ever sounds
    p.prepareToPlay (48000.0, 512);

    play (p, 512, 512, notes ({ on (60) }));
    ASSERT_TRUE (p.engineActive);
    ASSERT_FLOAT_EQ (p.levelFollower, 0.1f * 0.97f);
    play (p, 225 * 512, 512);
    EXPECT_TRUE (p.engineActive) << "after 226 blocks";
    play (p, 512, 512);
    EXPECT_FALSE (p.engineActive) << "after 227 blocks";
    EXPECT_EQ (p.levelFollower, 0.0f);
}

TEST (BlockLoop, SilenceDetectionWaitsForAPendingResync)
{
    QuorvaneAudioProcessor p;
    p.setProperty (kProp_EType_ID, 7);
    p.prepareToPlay (48000.0, 512);
    play (p, 512, 512, notes ({ on (60) }));
    p.resyncHold = true;
    p.resyncRequest = true;
    p.setProperty (kProp_EType_ID, 2);
    play (p, 300 * 512, 512);
    EXPECT_TRUE (p.resyncRequest.load()) << "the pending change must survive the silence reset";
    p.resyncHold = false;
    play (p, 512, 512);
    EXPECT_EQ (p.exciterType, 2);
}

TEST (BlockLoop, LargeBlocksKeepTheFollowerStable)
{
    QuorvaneAudioProcessor p;
    p.prepareToPlay (48000.0, 32768);
    auto r = play (p, 3 * 32768, 32768, notes ({ on (60) }));
    EXPECT_TRUE (r.finite());
    EXPECT_GE (p.levelFollower, 0.0f);
}

struct FixedPlayHead : juce::AudioPlayHead
{
    double bpm = 120.0;
    juce::Optional<PositionInfo> getPosition() const override
    {
        PositionInfo info;
        info.setBpm (bpm);
        return info;
    }
};

TEST (BlockLoop, HostTempoDrivesSyncedStrikersAndDelay)
{
    struct Case { double hostBpm; int strikeInterval; float delayTempo; };
    const Case cases[] = {
        { 240.0, 22050, 240.0f },
        { 30.0, 44100 * 120 / 100, 100.0f },              // below 40 counts as 100
        { std::numeric_limits<double>::quiet_NaN(), 52920, 100.0f },
        { 50.0, 44100, 60.0f },                           // strikers clamp at 1 per second, delay at 60 bpm
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.hostBpm);
        FixedPlayHead head;
        head.bpm = c.hostBpm;

        QuorvaneAudioProcessor strikers;
        strikers.setProperty (kProp_EType_ID, 5);
        strikers.setProperty (kProp_StrikeHostSync_ID, 1);
        strikers.setPlayHead (&head);
        strikers.prepareToPlay (44100.0, 512);
        play (strikers, 1024, 512, notes ({ on (40) }));
        EXPECT_NEAR (strikers.strikers.strikers[4].strikeInterval, juce::jmin (44100, c.strikeInterval), 1);

        QuorvaneAudioProcessor delay;
        delay.setProperty (kProp_GDOn_ID, 1);
        delay.setProperty (kProp_HostSyncOn_ID, 1);
        delay.setPlayHead (&head);
        delay.prepareToPlay (44100.0, 512);
        play (delay, 1024, 512, notes ({ on (60) }));
        EXPECT_FLOAT_EQ ((float) delay.delayTempo, c.delayTempo);
        EXPECT_TRUE (std::isfinite (delay.delayLine.length));
        EXPECT_LE (delay.delayLine.length, 44100.0f);
    }
}
} // namespace
