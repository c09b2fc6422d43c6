// corvane-bench-session ARGS...: runs the corvane-cli command line ARGS in
// this process (pass --json) and prints every line it writes, prefixed with
// the wall-clock microseconds since the start and the process's CPU
// microseconds (every thread) at the moment the line was written:
//   <wall-us> <cpu-us> <line>
// The lines are timed as the front end writes them, on its own thread,
// without a pipe between: the timing of each event is the event's own.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/cli/CommandLine.h"

namespace {

using Clock = std::chrono::steady_clock;

struct LineTimer {
    Clock::time_point start = Clock::now();
    std::string pending;
};

long long CpuMicroseconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000000LL + usage.ru_utime.tv_usec +
           usage.ru_stime.tv_usec;
}

ssize_t WriteTimed(void* cookie, const char* data, size_t size) {
    auto& timer = *static_cast<LineTimer*>(cookie);
    const long long wall =
        std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - timer.start).count();
    const long long cpu = CpuMicroseconds();
    timer.pending.append(data, size);
    size_t lineEnd;
    while ((lineEnd = timer.pending.find('\n')) != std::string::npos) {
        std::printf("%lld %lld %s\n", wall, cpu, timer.pending.substr(0, lineEnd).c_str());
        timer.pending.erase(0, lineEnd + 1);
    }
    return static_cast<ssize_t>(size);
}

}  // namespace

int main(int argc, char** argv) {
    LineTimer timer;
    cookie_io_functions_t functions{};
    functions.write = WriteTimed;
    FILE* timed = fopencookie(&timer, "w", functions);
    if (timed == nullptr) {
        std::perror("corvane-bench-session");
        return 1;
    }
    std::setvbuf(timed, nullptr, _IOLBF, 1 << 16);
    const int status = corvane::cli::RunCommandLine(argc, argv, {timed, stderr});
    std::fclose(timed);
    std::printf("exit %d\n", status);
    return status;
}
