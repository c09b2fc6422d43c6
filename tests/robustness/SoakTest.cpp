// The seeded fault-injection soak: many sessions of the whole program over
// the hosted driver and the virtual projector, each with a random
// operation, fault and disruption. SOAK_SEED and SOAK_RUNS choose the
// sessions; the counts of what ran are printed at the end.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <thread>

#include "tests/robustness/SoakSession.h"

namespace corvane::robustness {
namespace {

unsigned EnvNumber(const char* name, unsigned fallback) {
    const char* text = std::getenv(name);
    return text != nullptr && *text != '\0' ? static_cast<unsigned>(std::strtoul(text, nullptr, 10))
                                            : fallback;
}

// Threads of this process: the kernel's and the program's threads of a
// session must all have ended with it.
size_t ThreadCount() {
    size_t count = 0;
    std::error_code error;
    for (auto it = std::filesystem::directory_iterator("/proc/self/task", error);
         it != std::filesystem::directory_iterator(); it.increment(error)) {
        ++count;
    }
    return count;
}

struct Counts {
    std::map<std::string, int> operations;
    std::map<std::string, int> faults;
    int stops = 0;
    int forcedStops = 0;
    int unplugs = 0;
    int successes = 0;
    int failures = 0;

    void Print(unsigned seed, unsigned runs) const {
        std::printf("soak: seed %u, %u sessions\n", seed, runs);
        std::printf("soak: per operation:");
        for (const auto& [name, count] : operations) {
            std::printf(" %s %d,", name.c_str(), count);
        }
        std::printf("\nsoak: per fault:");
        for (const auto& [name, count] : faults) {
            std::printf(" %s %d,", name.c_str(), count);
        }
        std::printf(
            "\nsoak: %d stops (%d because nothing moved), %d unplugs, %d successes, "
            "%d failures\n",
            stops, forcedStops, unplugs, successes, failures);
    }
};

TEST(Soak, RandomSessionsEndCleanlyAndNeverCallAFailureASuccess) {
    const unsigned seed = EnvNumber("SOAK_SEED", 20261206);
    const unsigned runs = EnvNumber("SOAK_RUNS", 24);
    std::mt19937 random(seed);
    Counts counts;
    // ThreadSanitizer starts a thread of its own with the first thread the
    // process makes: let that happen before the count is taken.
    std::thread([] {}).join();
    const size_t threadsBefore = ThreadCount();
    for (unsigned run = 0; run < runs; ++run) {
        const SoakPlan plan = DrawPlan(random);
        SCOPED_TRACE("session " + std::to_string(run) + ": " + Describe(plan));
        SoakOutcome outcome;
        {
            SoakSession session(plan);
            outcome = session.Play();
        }
        for (const std::string& problem : outcome.problems) {
            ADD_FAILURE() << problem;
        }
        EXPECT_EQ(ThreadCount(), threadsBefore) << "threads left after the session";
        counts.operations[Name(plan.operation)] += 1;
        counts.faults[Name(plan.faultKind)] += 1;
        counts.stops += outcome.stopped ? 1 : 0;
        counts.forcedStops += outcome.forcedStop ? 1 : 0;
        counts.unplugs += outcome.unplugged ? 1 : 0;
        counts.successes += outcome.succeeded ? 1 : 0;
        counts.failures += outcome.succeeded ? 0 : 1;
        if (::testing::Test::HasFatalFailure()) {
            break;
        }
    }
    counts.Print(seed, runs);
}

}  // namespace
}  // namespace corvane::robustness
