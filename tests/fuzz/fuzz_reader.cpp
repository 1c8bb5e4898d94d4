// Hostile argument texts: the reader and the variable statements evaluate
// any text on a fixed set of variables, in plain and expression lines and in
// every mode, without crashing, reading outside the text or looping forever.
//
// Input: byte 0 chooses the line kind, error mode and what runs; byte 1 the
// separator and mode; the rest is the argument text.
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string>

#include "app/modules.h"
#include "core/errors.h"
#include "core/interp.h"
#include "core/loop.h"
#include "core/shutdown.h"
#include "tests/unit/support/recording_host.h"
#include "values/reader.h"
#include "values/statements.h"
#include "values/store.h"

using namespace tolven;

namespace {

testing::RecordingHost* host_instance() {
    static testing::RecordingHost* h = [] {
        auto* r = new testing::RecordingHost();
        set_host(r);
        install_portable_modules();
        reset_runtime();
        return r;
    }();
    return h;
}

void declare_fixed_variables() {
    const char* scalars[] = {"a%", "b&", "c!", "s$", "p#", "T$"};
    for (const char* n : scalars) {
        VarName v;
        make_name(n, v);
        switch (n[1]) {
            case '%': *declare_integer(v) = 7; break;
            case '&': *declare_long(v) = -3; break;
            case '!': *declare_float(v) = 2.5; break;
            case '$': *declare_string(v) = "12ab"; break;
            default: declare_area(v); break;
        }
    }
    VarName x, n;
    make_name("x%", x);
    make_name("n$", n);
    const int32_t bx[3] = {3, 2, 0}, bn[3] = {4, 0, 0};
    declare_array('%', x, bx);
    declare_array('$', n, bn);
    dimension_list('%', 5);
    dimension_list('$', 2);
    parameter_block().i[1] = 5;
    parameter_block().s[1] = "p1";
}

constexpr char kSeparators[] = {' ', ',', ')', '=', 'p', ';', ']', ':'};
constexpr int kModes[] = {kAny, kStringArg, kNumberArg, kRawString};
// Statements run on the text.
constexpr Cmd kStatements[] = {Cmd::LET, Cmd::DECLARE, Cmd::PARAMETERS, Cmd::ADD, Cmd::CLEAR, Cmd::INC,
                               Cmd::LIST_I, Cmd::LIST_S, Cmd::DIM_I};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    testing::RecordingHost* rec = host_instance();
    if (size < 2) return 0;
    const uint8_t control = data[0];
    const uint8_t choice = data[1];
    const std::string text(reinterpret_cast<const char*>(data + 2), size - 2);

    rec->boxes.clear();
    rec->box_answers.clear();
    reset_shutdown_steps();
    reset_interpreter();
    errors = ErrorState{};
    errors.error_mode = (control & 1) ? -1 : 1;
    reset_values();
    declare_fixed_variables();
    number_format.width = (control >> 5) & 3 ? 8 : 0;

    const bool expression = (control & 2) != 0;
    const bool statement = (control & 4) != 0;
    program.clear();
    try {
        if (statement) {
            const uint8_t token = code_of(kStatements[(control >> 3) % std::size(kStatements)]);
            program.add_line(std::string(1, static_cast<char>(token)) + text, expression ? 1 : 0);
            run_loop();
        } else {
            program.add_line(std::string(1, static_cast<char>(code_of(Cmd::EVAL))) + text, expression ? 1 : 0);
            interp.current_line = 1;
            interp.current_token = code_of(Cmd::EVAL);
            const std::string_view args = std::string_view(program.lines[1]).substr(1);
            const char sep = kSeparators[choice % sizeof kSeparators];
            const int mode = kModes[(choice >> 3) % 4];
            begin_arguments(args);
            reader.end_of_args = false;
            // Read arguments until the text is used up; every read consumes
            // something or ends the arguments.
            for (int k = 0; k < 100000 && !reader.rest.empty(); ++k) {
                const size_t before = reader.rest.size();
                read_arg(sep, mode);
                if (sep == 'p' && reader.end_of_args) break;
                if (reader.rest.size() >= before && sep != 'p') break;
            }
        }
    } catch (const ProcessExit&) {
        // A runtime error ended the program the way the host allows.
    }
    return 0;
}
