// A measurement hook for start-up and idle figures, read from the environment
// variable CORVANE_PROBE (unset: nothing happens):
//   shown         once the main window is up, "corvane-probe: shown" on stderr
//   ready         once the window is Ready with a projector, "corvane-probe: ready"
//   idle:SECONDS  one second after Ready, the process's CPU time (every thread)
//                 over the next SECONDS of idleness: "corvane-probe: idle
//                 cpu-us N wakeups W seconds S"
// and then the program closes its main window as the user would. The
// measuring side times the lines' arrival; nothing here polls.
#pragma once

#include <string>

#include "app/ui/Application.h"
#include "app/ui/qt/QtWindowFactory.h"

namespace corvane::qt {

class StartupProbe {
public:
    // Reads the probe from its text; an unknown text probes nothing.
    explicit StartupProbe(const char* text);

    bool Active() const { return mode_ != Mode::Off; }

    // Hooks the probe into the windows; application must outlive the run.
    // mainShown is the hook the front end had installed already.
    void Install(QtWindowFactory& windows, Application& application,
                 std::function<void(QWidget&)> mainShown);

private:
    enum class Mode { Off, Shown, Ready, Idle };

    void OnMessageDelivered();
    void Finish(const std::string& line);

    Mode mode_ = Mode::Off;
    int idleSeconds_ = 0;
    bool done_ = false;
    bool idleStarted_ = false;
    Application* application_ = nullptr;
};

}  // namespace corvane::qt
