// Per-sample cost of the sawtooth and striker exciters.

#include "VM_SBowInst.h"
#include "VM_StrikerInst.h"

#include <benchmark/benchmark.h>

namespace
{
constexpr double kRate = 44100.0;
constexpr int kBlock = 512;

// Seven polyphonic sawtooth voices sounding (a chord), with vibrato on one.
void BM_SawtoothSevenVoices(benchmark::State& state)
{
    VM_SBowInst saw;
    saw.prepare(kRate);
    saw.setPoly(true);
    saw.setModWheel(0.7);
    saw.setTimes(0.04, 0.0, 0.2, 0.02);
    for (int note : {48, 52, 55, 60, 64, 67, 72})
        saw.noteOn(note, 0, 0.8, 0.0);
    saw.setVibrato(0.5);
    for (auto _ : state)
        for (int n = 0; n < kBlock; ++n)
            benchmark::DoNotOptimize(saw.next());
    state.SetItemsProcessed(state.iterations() * kBlock);
}
BENCHMARK(BM_SawtoothSevenVoices);

// One mono voice, for comparison.
void BM_SawtoothMono(benchmark::State& state)
{
    VM_SBowInst saw;
    saw.prepare(kRate);
    saw.setModWheel(0.7);
    saw.setTimes(0.04, 0.0, 0.2, 0.02);
    saw.noteOn(60, 0, 0.8, 0.0);
    for (auto _ : state)
        for (int n = 0; n < kBlock; ++n)
            benchmark::DoNotOptimize(saw.next());
    state.SetItemsProcessed(state.iterations() * kBlock);
}
BENCHMARK(BM_SawtoothMono);

// All thirty strikers held at the fastest rate.
void BM_StrikersAllHeld(benchmark::State& state)
{
    VM_StrikerInst strikers;
    strikers.prepare(kRate);
    strikers.setStrikeRate(55.0);
    strikers.setRandomDepth(1.0);
    for (int note = 36; note <= 65; ++note)
        strikers.noteOn(note, 1, 0.7);
    double groups[VM_StrikerInst::kNumBars];
    for (auto _ : state)
        for (int n = 0; n < kBlock; ++n)
        {
            strikers.next(groups);
            benchmark::DoNotOptimize(groups);
        }
    state.SetItemsProcessed(state.iterations() * kBlock);
}
BENCHMARK(BM_StrikersAllHeld);
} // namespace
