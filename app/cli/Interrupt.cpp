#include "app/cli/Interrupt.h"

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

InterruptWatch::InterruptWatch() {
    interruptions = 0;
    struct sigaction action = {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, &previousInt_);
    sigaction(SIGTERM, &action, &previousTerm_);
}

InterruptWatch::~InterruptWatch() {
    sigaction(SIGINT, &previousInt_, nullptr);
    sigaction(SIGTERM, &previousTerm_, nullptr);
}

int InterruptWatch::Count() const {
    return interruptions;
}

}  // namespace corvane::cli
