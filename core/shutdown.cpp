#include "core/shutdown.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "core/automation.h"
#include "core/host.h"

namespace tolven {

namespace {
struct Step {
    ShutdownStage stage;
    std::function<void()> run;
};
std::vector<Step>& steps() {
    static std::vector<Step> s;
    return s;
}
bool shutting_down = false;
}  // namespace

void on_shutdown(ShutdownStage stage, std::function<void()> step) {
    steps().push_back({stage, std::move(step)});
}

void run_shutdown_steps() {
    // A step that raises a runtime error re-enters here; the guard makes the
    // second pass a no-op so the process still ends.
    if (shutting_down) return;
    shutting_down = true;
    auto s = steps();
    std::stable_sort(s.begin(), s.end(),
                     [](const Step& a, const Step& b) { return a.stage < b.stage; });
    for (auto& step : s) step.run();
}

bool shutdown_in_progress() { return shutting_down; }

void reset_shutdown_steps() {
    steps().clear();
    shutting_down = false;
}

void shutdown_and_exit(int code) {
    // The windows as they are, before the steps close any of them.
    automation::write_exit_snapshot();
    run_shutdown_steps();
    host().end_process(code);
    std::abort();  // hosts never return from end_process
}

}  // namespace tolven
