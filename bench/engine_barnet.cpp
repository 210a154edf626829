// Cost of the resonator per grid point and sample, with every bar at its largest
// grid (1405, 769, 769, 487, 487: the softest bars at 48 kHz) and all ten springs on.
#include "VM_BarNet.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

namespace
{
constexpr int kSamplesPerIteration = 1024;

void BM_BarNetwork(benchmark::State& state)
{
    auto net = std::make_unique<vm::VM_BarNet>();
    net->setTimeStep(1.0 / 48000.0);
    net->clear();
    for (int b = 0; b < vm::VM_BarNet::kNumBars; ++b)
    {
        net->setBarStiffness(b, 0.0);
        net->setBarDecays(b, 15.0, 90.0);
    }
    for (int i = 0; i < vm::VM_BarNet::kNumSprings; ++i)
    {
        net->setSpringPos(i, 0.5, 0.5);
        net->setSpringPhysics(i, 20.0, 40.0, 30.0, 1.0, 1.0);
        net->setSpringOn(i, true);
    }
    net->setInputMovement(10.0);
    int points = 0;
    for (int b = 0; b < vm::VM_BarNet::kNumBars; ++b)
        points += net->barN(b) - 1;

    vm::ScopedFlushDenormals noDenormals;
    long n = 0;
    double sum = 0.0;
    for (auto _ : state)
    {
        for (int s = 0; s < kSamplesPerIteration; ++s, ++n)
        {
            // keep the network ringing with a soft, slow square wave
            const double x = ((n / 200) % 2 == 0) ? 1e-3 : -1e-3;
            net->update();
            net->addInput(x);
            net->updatePickups();
            sum += net->pickup[0] + net->pickup[9];
        }
        benchmark::DoNotOptimize(sum);
    }
    for (int b = 0; b < vm::VM_BarNet::kNumBars; ++b)
        state.counters["N" + std::to_string(b)] = net->barN(b);
    state.counters["ns_per_point"] = benchmark::Counter(
        static_cast<double>(points) * kSamplesPerIteration,
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_BarNetwork);

// The bare bar stencil on bar 0 at its largest grid.
void BM_BarStencil(benchmark::State& state)
{
    constexpr int N = 1405;
    static double u[3][1408];
    for (int i = 1; i < N; ++i)
        u[1][i] = 1e-3 * ((i * 7) % 13 - 6);
    const double C5 = 1.5, C6 = 1.49, C1 = 0.3, C2 = -0.06, D0 = -0.999, D1 = -2e-4;
    int roles[3] = {0, 1, 2};
    vm::ScopedFlushDenormals noDenormals;
    for (auto _ : state)
    {
        for (int s = 0; s < kSamplesPerIteration; ++s)
        {
            const int t = roles[2];
            roles[2] = roles[1];
            roles[1] = roles[0];
            roles[0] = t;
            vm::VM_BarNet::updateBar(u[roles[0]], u[roles[1]], u[roles[2]], N, C5, C6, C1, C2, D0, D1);
        }
        benchmark::DoNotOptimize(u[roles[0]][700]);
        benchmark::ClobberMemory();
    }
    state.counters["ns_per_point"] = benchmark::Counter(
        static_cast<double>(N - 1) * kSamplesPerIteration,
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_BarStencil);
} // namespace
