// The instrument playing: notes in, sound out.
#include "ProcessorHarness.h"

#include <gtest/gtest.h>

using namespace harness;
using namespace quorvane;

namespace
{
TEST (Playing, DefaultInstrumentSoundsAndFallsSilent)
{
    QuorvaneAudioProcessor p;
    p.prepareToPlay (48000.0, 512);
    auto r = play (p, 48000, 512, notes ({ on (60) }));
    EXPECT_TRUE (r.finite());
    EXPECT_GT (r.peak(), 0.01f);
}

TEST (Playing, EveryExciterTypeSounds)
{
    for (int type = 1; type <= 5; ++type)
    {
        SCOPED_TRACE (type);
        QuorvaneAudioProcessor p;
        p.setProperty (kProp_EType_ID, type);
        p.prepareToPlay (44100.0, 256);
        auto r = play (p, 44100, 256, notes ({ on (type == 5 ? 40 : 48, 110) }));
        EXPECT_TRUE (r.finite());
        EXPECT_GT (r.peak(), 0.005f);
        EXPECT_LT (r.peak(), 1.0f);
    }
}
} // namespace
