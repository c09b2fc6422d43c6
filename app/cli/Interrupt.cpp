#include "app/cli/Interrupt.h"

#include <signal.h>
#include <unistd.h>

#include <csignal>

namespace corvane::cli {

namespace {

// A signal handler can only reach a static; this is the one the process has.
volatile std::sig_atomic_t interruptions = 0;

// A program that does not end after the first two (a thread stuck in a
// device that does not answer) is ended by the third.
constexpr int kForcedExitAfter = 3;

extern "C" void OnInterrupt(int) {
    interruptions = interruptions + 1;
    if (interruptions >= kForcedExitAfter) {
        _exit(1);
    }
}

}  // namespace

struct InterruptWatch::Previous {
    struct sigaction interrupt = {};
    struct sigaction terminate = {};
};

InterruptWatch::InterruptWatch() : previous_(std::make_unique<Previous>()) {
    interruptions = 0;
    struct sigaction action = {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, &previous_->interrupt);
    sigaction(SIGTERM, &action, &previous_->terminate);
}

InterruptWatch::~InterruptWatch() {
    sigaction(SIGINT, &previous_->interrupt, nullptr);
    sigaction(SIGTERM, &previous_->terminate, nullptr);
}

int InterruptWatch::Count() const {
    return interruptions;
}

}  // namespace corvane::cli
