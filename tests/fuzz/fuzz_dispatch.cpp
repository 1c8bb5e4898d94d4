// Hostile programs for user functions, DLL calls, area variables and
// structures: random lines of DEF, CALL, DIM, DISPOSE, STRUCT, WITH,
// ENDWITH, the area writes, assignments with fields and function calls run
// on a few prepared variables without crashing, touching memory outside
// the blocks or looping forever.
//
// Input: byte 0 chooses the error mode; then lines separated by '\n', each
// a token selector byte (bit 7: expression line) and the argument text.
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string>
#include <string_view>

#include "app/modules.h"
#include "core/errors.h"
#include "core/interp.h"
#include "core/loop.h"
#include "core/shutdown.h"
#include "tests/unit/support/recording_host.h"
#include "values/low_memory.h"
#include "values/reader.h"
#include "values/statements.h"
#include "values/store.h"
#include "values/structures.h"

using namespace tolven;

namespace {

// Ends a run after a bounded number of lines: the loop pumps every 21st.
class BoundedHost : public testing::RecordingHost {
public:
    void pump_messages() override {
        if (++pumps > 400) throw ProcessExit{0};
    }
};

BoundedHost* host_instance() {
    static BoundedHost* h = [] {
        auto* r = new BoundedHost();
        set_host(r);
        return r;
    }();
    return h;
}

constexpr Cmd kTokens[] = {Cmd::DEF, Cmd::CALL, Cmd::DIM, Cmd::DISPOSE, Cmd::STRUCT, Cmd::WITH, Cmd::ENDWITH,
                           Cmd::POKEB, Cmd::POKEW, Cmd::POKEL, Cmd::POKEZ, Cmd::POKES, Cmd::LET, Cmd::DECLARE,
                           Cmd::FREELIBRARY, Cmd::ENDPROC, Cmd::RETURN, Cmd::REM};

void prepare() {
    std::string error;
    define_structure("S = n%, l&, t$(4), r#(3)", error);
    for (const char* n : {"a#", "r#", "z#", "x%", "y&", "s$", "f!"}) {
        VarName v;
        make_name(n, v);
        switch (n[1]) {
            case '%': declare_integer(v); break;
            case '&': declare_long(v); break;
            case '$': declare_string(v); break;
            case '!': declare_float(v); break;
            default: declare_area(v); break;
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    BoundedHost* rec = host_instance();
    if (size < 1) return 0;
    // Give back the blocks of the last run, so the low range does not fill
    // up over many runs.
    for (const char* n : {"a#", "r#", "z#"}) {
        AreaVar* a = find_area(std::string_view(n));
        if (a && a->allocation) low_free(pointer_address(a->allocation));
    }
    rec->boxes.clear();
    rec->pumps = 0;
    reset_shutdown_steps();
    install_portable_modules();
    reset_runtime();
    reset_interpreter();
    errors = ErrorState{};
    errors.error_mode = (data[0] & 1) ? -1 : 1;
    prepare();

    program.clear();
    // Two prepared lines: blocks for a# and r#.
    const std::string dim(1, static_cast<char>(code_of(Cmd::DIM)));
    program.add_line(dim + "a#,16", 0);
    program.add_line(dim + "r#,S", 0);
    std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
    while (!rest.empty() && program.line_count < 64) {
        const size_t end = rest.find('\n');
        const std::string_view line = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view{} : rest.substr(end + 1);
        if (line.empty()) continue;
        const auto selector = static_cast<uint8_t>(line[0]);
        const uint8_t token = code_of(kTokens[(selector & 0x7F) % std::size(kTokens)]);
        program.add_line(std::string(1, static_cast<char>(token)) + std::string(line.substr(1)),
                         (selector & 0x80) ? 1 : 0);
    }
    try {
        run_loop();
    } catch (const ProcessExit&) {
        // A runtime error ended the program, or the line budget ran out.
    }
    return 0;
}
