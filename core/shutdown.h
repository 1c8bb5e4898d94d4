// Orderly end of the process. Modules register the steps that must run
// whichever way the program ends (normal end, END, runtime error, WM_QUIT,
// Ctrl-C), so that nothing a program wrote is lost.
#pragma once
#include <functional>

namespace tolven {

// Order of the steps: lower stages first.
enum class ShutdownStage {
    LineLog = 5,        // the line log is complete before any step can fail
    PrintJob = 10,      // end an open print job
    Graphics = 20,      // release device contexts and graphic objects
    Files = 30,         // flush and close files and tables
    Stores = 40,        // item list and working stores
    MainWindow = 50,    // close the main window
};

void on_shutdown(ShutdownStage stage, std::function<void()> step);

// Runs every registered step once (later calls run nothing) and ends the
// process with the exit code.
[[noreturn]] void shutdown_and_exit(int code);

// True while the steps run: an error raised by a step is shown but does not
// end the process early, so the remaining steps (other files) still run.
bool shutdown_in_progress();

// Runs the steps without ending the process (tests).
void run_shutdown_steps();
void reset_shutdown_steps();

}  // namespace tolven
