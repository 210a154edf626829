// Cost of the string voices per grid point and sample. Note 24 plucked gives the
// largest grids (the main and the second string together), the stencil alone is
// measured at the buffer limits 399 + 259.
#include "VM_DString.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace
{
constexpr int kSamplesPerIteration = 1024;

void setGridPointRate(benchmark::State& state, double pointsPerSample)
{
    state.counters["ns_per_point"] = benchmark::Counter(
        pointsPerSample * kSamplesPerIteration,
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// The bare stencil on both strings at their largest sizes.
void BM_StringStencil(benchmark::State& state)
{
    constexpr int Nm = vm::VM_DString::kMainMaxN;
    constexpr int Ns = vm::VM_DString::kSecondMaxN;
    std::vector<double> main(3 * vm::VM_DString::kMainSize, 0.0);
    std::vector<double> second(3 * vm::VM_DString::kSecondSize, 0.0);
    for (int i = 0; i < Nm - 1; ++i)
        main[static_cast<std::size_t>(vm::VM_DString::kMainSize + i)] = 1e-3 * ((i * 7) % 13 - 6);
    for (int i = 0; i < Ns - 1; ++i)
        second[static_cast<std::size_t>(vm::VM_DString::kSecondSize + i)] = 1e-3 * ((i * 5) % 11 - 5);
    double* m[3] = {main.data(), main.data() + vm::VM_DString::kMainSize,
                    main.data() + 2 * vm::VM_DString::kMainSize};
    double* s[3] = {second.data(), second.data() + vm::VM_DString::kSecondSize,
                    second.data() + 2 * vm::VM_DString::kSecondSize};
    // a stable, lightly damped scheme
    const double A0 = 1.2, A0e = 1.21, A1 = 0.45, A2 = -0.01, B0 = -0.9995, B1 = -1e-4;
    vm::ScopedFlushDenormals noDenormals;
    for (auto _ : state)
    {
        for (int n = 0; n < kSamplesPerIteration; ++n)
        {
            double* t = m[2];
            m[2] = m[1];
            m[1] = m[0];
            m[0] = t;
            vm::VM_DString::updateString(m[0], m[1], m[2], Nm, A0e, A0, A1, A2, B0, B1);
            t = s[2];
            s[2] = s[1];
            s[1] = s[0];
            s[0] = t;
            vm::VM_DString::updateString(s[0], s[1], s[2], Ns, A0e, A0, A1, A2, B0, B1);
        }
        benchmark::DoNotOptimize(m[0][100]);
        benchmark::ClobberMemory();
    }
    setGridPointRate(state, (Nm - 1) + (Ns - 1));
}
BENCHMARK(BM_StringStencil);

// A whole sounding voice (update and processIO), note 24 plucked.
void BM_StringVoice(benchmark::State& state)
{
    auto voice = std::make_unique<vm::VM_DString>();
    voice->setSampleRate(true);
    voice->pluckPos = 0.7;
    voice->noteOn(24, 0.8, 15.0, 90.0, 0.0, 0.0);
    vm::ScopedFlushDenormals noDenormals;
    double sum = 0.0;
    for (auto _ : state)
    {
        for (int n = 0; n < kSamplesPerIteration; ++n)
        {
            voice->update();
            sum += voice->processIO(0.7);
        }
        benchmark::DoNotOptimize(sum);
    }
    state.counters["N_main"] = voice->mainN();
    state.counters["N_second"] = voice->secondN();
    setGridPointRate(state, (voice->mainN() - 1) + (voice->secondN() - 1));
}
BENCHMARK(BM_StringVoice);
} // namespace
