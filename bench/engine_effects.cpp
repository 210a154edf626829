// Per-sample cost of the exciter effect stages.

#include "VM_Delay.h"
#include "VM_Drive.h"
#include "VM_Equaliser.h"
#include "VM_Gate.h"
#include "VM_VCF.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace
{
constexpr double kRate = 44100.0;
constexpr int kBlock = 512;

// A bright exciter-like test signal: two detuned sawtooth waves.
std::vector<double> exciterSignal(int n, double amplitude)
{
    std::vector<double> x(static_cast<size_t>(n));
    double p1 = 0.0, p2 = 0.0;
    for (auto& v : x)
    {
        p1 += 220.0 / kRate;
        p2 += 331.7 / kRate;
        p1 -= std::floor(p1);
        p2 -= std::floor(p2);
        v = amplitude * (p1 + p2 - 1.0);
    }
    return x;
}

// VCF: time per sample plus the Newton iteration counts (average and worst
// per sample). Arguments: cutoff (Hz), resonance, amplitude x100, wah.
void BM_VCF(benchmark::State& state)
{
    VM_VCF vcf;
    vcf.prepare(kRate);
    vcf.setCutoff(static_cast<double>(state.range(0)));
    vcf.setResonance(static_cast<double>(state.range(1)));
    vcf.setEnvelopeOn(true);
    vcf.setWahOn(state.range(3) != 0);
    vcf.noteOn(0.1, 1.0, 0.6, 0.2);
    const auto x = exciterSignal(kRate, static_cast<double>(state.range(2)) / 100.0);
    size_t i = 0;
    double iterations = 0.0;
    int worst = 0;
    int64_t samples = 0;
    for (auto _ : state)
    {
        for (int n = 0; n < kBlock; ++n)
        {
            benchmark::DoNotOptimize(vcf.process(x[i]));
            iterations += vcf.lastIterations;
            worst = std::max(worst, vcf.lastIterations);
            if (++i == x.size())
                i = 0;
        }
        samples += kBlock;
    }
    state.SetItemsProcessed(samples);
    state.counters["avg_iter"] = iterations / static_cast<double>(samples);
    state.counters["max_iter"] = worst;
}
BENCHMARK(BM_VCF)
    ->Args({3000, 70, 30, 0})
    ->Args({7000, 100, 100, 0})
    ->Args({500, 100, 100, 1})
    ->Args({200, 1, 10, 0});

// Drive at a moderate and a high setting (oversampled diode, four order-16
// filter runs per sample).
void BM_Drive(benchmark::State& state)
{
    VM_Drive drive;
    drive.prepare(kRate);
    const double m = static_cast<double>(state.range(0));
    const auto x = exciterSignal(kRate, 0.5);
    size_t i = 0;
    for (auto _ : state)
    {
        for (int n = 0; n < kBlock; ++n)
        {
            benchmark::DoNotOptimize(drive.process(x[i], m));
            if (++i == x.size())
                i = 0;
        }
    }
    state.SetItemsProcessed(state.iterations() * kBlock);
}
BENCHMARK(BM_Drive)->Arg(1)->Arg(30)->Arg(100);

void BM_Equaliser(benchmark::State& state)
{
    VM_Equaliser eq;
    eq.prepare(kRate);
    eq.setLow(100, -5);
    eq.setMid(1000, 1);
    eq.setHigh(12000, -10);
    const auto x = exciterSignal(kRate, 0.5);
    size_t i = 0;
    for (auto _ : state)
    {
        for (int n = 0; n < kBlock; ++n)
        {
            benchmark::DoNotOptimize(eq.process(x[i]));
            if (++i == x.size())
                i = 0;
        }
    }
    state.SetItemsProcessed(state.iterations() * kBlock);
}
BENCHMARK(BM_Equaliser);

void BM_Gate(benchmark::State& state)
{
    VM_Gate gate;
    gate.prepare(kRate);
    gate.setRates(3.0, 1.5);
    gate.setThreshold(0.6);
    const auto x = exciterSignal(kRate, 0.5);
    size_t i = 0;
    for (auto _ : state)
    {
        for (int n = 0; n < kBlock; ++n)
        {
            benchmark::DoNotOptimize(gate.process(x[i], 80.0, true, false));
            if (++i == x.size())
                i = 0;
        }
    }
    state.SetItemsProcessed(state.iterations() * kBlock);
}
BENCHMARK(BM_Gate);

void BM_Delay(benchmark::State& state)
{
    static VM_Delay delay; // 192 kB of buffer: keep it off the stack
    delay.prepare(kRate);
    delay.setTempo(110, 2);
    delay.setFeedback(40);
    delay.setLevel(50);
    const auto x = exciterSignal(kRate, 0.5);
    size_t i = 0;
    for (auto _ : state)
    {
        for (int n = 0; n < kBlock; ++n)
        {
            benchmark::DoNotOptimize(delay.process(x[i]));
            if (++i == x.size())
                i = 0;
        }
    }
    state.SetItemsProcessed(state.iterations() * kBlock);
}
BENCHMARK(BM_Delay);
} // namespace
