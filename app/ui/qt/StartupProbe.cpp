#include "app/ui/qt/StartupProbe.h"

#include <sys/resource.h>

#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/ui/DisplayState.h"
#include "app/ui/WindowMessages.h"

namespace corvane::qt {

namespace {

constexpr int kMaxIdleSeconds = 3600;
constexpr int kSettleMs = 1000;

struct CpuSample {
    long long microseconds = 0;
    long long wakeups = 0;  // voluntary context switches of every thread
};

CpuSample TakeCpuSample() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    CpuSample sample;
    sample.microseconds = (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000000LL +
                          usage.ru_utime.tv_usec + usage.ru_stime.tv_usec;
    sample.wakeups = usage.ru_nvcsw;
    return sample;
}

}  // namespace

StartupProbe::StartupProbe(const char* text) {
    if (text == nullptr) {
        return;
    }
    if (std::strcmp(text, "shown") == 0) {
        mode_ = Mode::Shown;
    } else if (std::strcmp(text, "ready") == 0) {
        mode_ = Mode::Ready;
    } else if (std::strncmp(text, "idle:", 5) == 0) {
        char* end = nullptr;
        const long seconds = std::strtol(text + 5, &end, 10);
        if (end != text + 5 && *end == '\0' && seconds > 0 && seconds <= kMaxIdleSeconds) {
            mode_ = Mode::Idle;
            idleSeconds_ = static_cast<int>(seconds);
        }
    }
}

void StartupProbe::Install(QtWindowFactory& windows, Application& application,
                           std::function<void(QWidget&)> mainShown) {
    application_ = &application;
    windows.SetMainWindowShown([this, mainShown](QWidget& main) {
        if (mainShown) {
            mainShown(main);
        }
        if (mode_ == Mode::Shown) {
            Finish("shown");
        }
    });
    windows.SetAfterMainMessage([this] { OnMessageDelivered(); });
}

void StartupProbe::OnMessageDelivered() {
    if (done_ || idleStarted_ || (mode_ != Mode::Ready && mode_ != Mode::Idle) ||
        application_->Main().Record().displayState != Ready) {
        return;
    }
    if (mode_ == Mode::Ready) {
        Finish("ready");
        return;
    }
    // The window first settles (it paints Ready, the projector's window shows
    // the handshake); then one timer spans the whole interval, so the
    // measurement itself adds no wake-ups.
    idleStarted_ = true;
    QTimer::singleShot(kSettleMs, [this] {
        const CpuSample before = TakeCpuSample();
        QTimer::singleShot(idleSeconds_ * 1000, [this, before] {
            const CpuSample after = TakeCpuSample();
            char line[128];
            std::snprintf(line, sizeof line, "idle cpu-us %lld wakeups %lld seconds %d",
                          after.microseconds - before.microseconds, after.wakeups - before.wakeups,
                          idleSeconds_);
            Finish(line);
        });
    });
}

void StartupProbe::Finish(const std::string& line) {
    if (done_) {
        return;
    }
    done_ = true;
    std::fprintf(stderr, "corvane-probe: %s\n", line.c_str());
    std::fflush(stderr);
    application_->MainWindowQueue().Post(WM_CLOSE);
}

}  // namespace corvane::qt
