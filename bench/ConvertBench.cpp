// Conversion throughput: input bytes per second through ConvertFirmwareImage
// into the staged image, for the 1 MiB image in each input format. The file
// is open already, as when the download job calls the converter.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>

#include "app/engine/EngineContext.h"
#include "app/engine/PartitionDescriptor.h"
#include "app/files/FirmwareImage.h"
#include "bench/BenchInputs.h"

namespace corvane::bench {

namespace {

// The virtual projector's default flash: 1 MiB in four partitions.
constexpr const char* kPartitions = "4,100000,0,10000,80000,F0000";

void ConvertImage(benchmark::State& state, const char* name) {
    const std::string path = InputPath(name);
    FILE* source = std::fopen(path.c_str(), "rb");
    if (source == nullptr) {
        state.SkipWithError("input missing: run make_images.py first");
        return;
    }
    std::fseek(source, 0, SEEK_END);
    const long inputBytes = std::ftell(source);
    MainWindowRecord window;
    window.MatchFilesToHardware = 0;
    auto ctx = std::make_unique<EngineContext>();
    ctx->mainWindow = &window;
    ParsePartitionDescriptor(kPartitions, ctx->partitions);
    for (auto _ : state) {
        const int result = ConvertFirmwareImage(*ctx, 0, source, ctx->partitionFlags);
        if (result != 4) {
            state.SkipWithError("conversion did not mark the four partitions");
            break;
        }
        benchmark::DoNotOptimize(ctx->devices[0].stagedImage);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * inputBytes);
    if (ctx->devices[0].stagedImage != nullptr) {
        std::fclose(ctx->devices[0].stagedImage);
    }
    std::fclose(source);
}

void BM_ConvertIntelHex16(benchmark::State& state) {
    ConvertImage(state, "image-16.hex");
}
void BM_ConvertIntelHex32(benchmark::State& state) {
    ConvertImage(state, "image-32.hex");
}
void BM_ConvertSRecords(benchmark::State& state) {
    ConvertImage(state, "image.srec");
}

BENCHMARK(BM_ConvertIntelHex16)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConvertIntelHex32)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConvertSRecords)->Unit(benchmark::kMillisecond);

}  // namespace

}  // namespace corvane::bench
