// CRC-16 throughput over a 1 MiB flash image, as the verification computes it.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "app/engine/Crc16.h"

namespace corvane::bench {

namespace {

void BM_ComputeCrc16(benchmark::State& state) {
    std::vector<uint8_t> flash(static_cast<size_t>(state.range(0)));
    uint32_t seed = 20261206;
    for (auto& byte : flash) {
        seed = seed * 1664525 + 1013904223;
        byte = static_cast<uint8_t>(seed >> 24);
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(ComputeCrc16(flash.data(), flash.size(), 0));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}

BENCHMARK(BM_ComputeCrc16)->Arg(1 << 20)->Unit(benchmark::kMicrosecond);

}  // namespace

}  // namespace corvane::bench
