#include "bench/BenchInputs.h"

#include <cstdlib>

namespace corvane::bench {

std::string InputPath(const char* name) {
    const char* folder = std::getenv("CORVANE_BENCH_INPUTS");
    return std::string(folder != nullptr ? folder : "bench-inputs") + "/" + name;
}

}  // namespace corvane::bench
