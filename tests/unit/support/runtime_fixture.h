// Loads a program written as a listing into the runtime and runs it with a
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
#include "tests/unit/support/listing.h"
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

    // The program written as a listing: load_listing("IF 0\nINC a%\nENDIF")
    // or one listing line per string.
    void load_listing(const std::string& text) {
        const Program p = assemble_listing(text);
        program.clear();
        for (int32_t n = 1; n <= p.line_count; ++n)
            program.add_line(p.lines[static_cast<size_t>(n)], p.expression_flags[static_cast<size_t>(n)]);
    }
    void load_listing(std::initializer_list<std::string> lines) { load_listing(listing_of(lines)); }

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
