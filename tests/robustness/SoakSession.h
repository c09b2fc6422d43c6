// One soak session: the whole program (application, main window over the
// recording window, device link, engine, hosted kernel with Dornik, virtual
// projector) from start-up to close, with the plan's operation, fault and
// disruption. Afterwards it tells what the user was shown and every rule
// the session broke.
#pragma once

#include <string>
#include <vector>

#include "tests/e2e/StoryFixture.h"
#include "tests/robustness/SoakPlan.h"

namespace corvane::robustness {

struct SoakOutcome {
    bool succeeded = false;   // the program told the user the operation worked
    bool stopped = false;     // Stop was pressed while the operation ran
    bool unplugged = false;   // the cable was pulled while the operation ran
    bool forcedStop = false;  // the operation did not end by itself: Stop was pressed
    std::vector<std::string> problems;
};

class SoakSession : public e2e::StoryTest {
public:
    explicit SoakSession(SoakPlan plan);
    void TestBody() override {}

    // Runs the session and the checks that follow it (the fixture's own
    // checks of a clean end report through GoogleTest as they do in a story).
    SoakOutcome Play();

private:
    void Story();
    void PrepareFiles();
    bool StartOperation();
    bool Busy();
    void AwaitEnd();
    void Disrupt(bool forced);
    void JudgeResult();
    void Problem(const std::string& text) { outcome_.problems.push_back(text); }

    SoakPlan plan_;
    SoakOutcome outcome_;
    std::vector<std::pair<uint32_t, std::vector<uint8_t>>> files_;  // address, data
    int boxesBefore_ = 0;
    int boxesAfter_ = 0;
};

}  // namespace corvane::robustness
