// Where the micro benchmarks find their inputs: the folder make_images.py
// filled, named by the environment variable CORVANE_BENCH_INPUTS (default
// bench-inputs).
#pragma once

#include <string>

namespace corvane::bench {

std::string InputPath(const char* name);

}  // namespace corvane::bench
