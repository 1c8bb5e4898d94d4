// Loads a program from listing-like lines into the runtime and runs it with a
// recording host.
#pragma once
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include "app/modules.h"
#include "core/errors.h"
#include "core/interp.h"
#include "core/loop.h"
#include "core/shutdown.h"
#include "tests/unit/support/recording_host.h"

namespace tolven::testing {

class RuntimeTest : public ::testing::Test {
protected:
    RecordingHost rec;

    void SetUp() override {
        rec = RecordingHost{};
        set_host(&rec);
        reset_shutdown_steps();
        errors = ErrorState{};
        install_portable_modules();
        reset_runtime();
        reset_interpreter();
        program.clear();
    }
    void TearDown() override { set_host(nullptr); }

    // Each line: first byte token, rest argument text. A line starting with
    // '\x15' is an expression line.
    void load(std::initializer_list<std::string> lines) {
        program.clear();
        for (const auto& l : lines) {
            if (!l.empty() && l[0] == '\x15') program.add_line(l.substr(1), 1);
            else program.add_line(l, 0);
        }
    }

    // Runs the program to its end; returns the exit code.
    int run() {
        try {
            run_program();
        } catch (const ProcessExit& e) {
            return e.code;
        }
        return -1;
    }
};

}  // namespace tolven::testing
