#include "sim/usbfs/ChildCommand.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstring>
#include <iostream>

extern char** environ;

namespace corvane::usbfs {

namespace {

sigset_t TerminationSignals() {
    sigset_t set;
    sigemptyset(&set);
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGCHLD}) {
        sigaddset(&set, signal);
    }
    return set;
}

}  // namespace

void HoldTerminationSignals() {
    const sigset_t set = TerminationSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

int RunChildCommand(const std::vector<std::string>& command) {
    std::vector<char*> argv;
    for (const std::string& arg : command) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);

    // The child starts with no signal blocked and the default handling.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigemptyset(&none);
    const sigset_t handled = TerminationSignals();
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &handled);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    pid_t child = 0;
    const int error = posix_spawnp(&child, argv[0], nullptr, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    if (error != 0) {
        std::cerr << "corvane-usbfs: cannot run " << command[0] << ": " << std::strerror(error)
                  << "\n";
        return 127;
    }

    for (;;) {
        int status = 0;
        const pid_t ended = waitpid(child, &status, WNOHANG);
        if (ended == child) {
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        siginfo_t info{};
        const timespec tick{0, 100'000'000};
        const int signal = sigtimedwait(&handled, &info, &tick);
        // A signal from the terminal went to the child as well.
        if (signal > 0 && signal != SIGCHLD && info.si_code == SI_USER) {
            kill(child, signal);
        }
    }
}

}  // namespace corvane::usbfs
