// Runs a program file on the portable core with a silent host and prints
// the lines run and the time taken, as one JSON object.
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/modules.h"
#include "core/control_flow.h"
#include "core/errors.h"
#include "core/host.h"
#include "core/interp.h"
#include "core/line_trace.h"
#include "core/loader.h"
#include "core/loop.h"
#include "core/pump.h"
#include "screen/text_output.h"

namespace {

class SilentHost : public tolven::Host {
public:
    uint64_t pumps = 0, boxes = 0;
    int message_box(std::string_view, std::string_view, unsigned, bool) override {
        ++boxes;
        return tolven::mb::kIdOk;
    }
    std::optional<std::string> open_file_dialog(std::string_view, std::string_view) override { return {}; }
    void debug_output(std::string_view) override {}
    void pump_messages() override { ++pumps; }
    uint32_t tick_count() override {
        using namespace std::chrono;
        return static_cast<uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
    }
    std::string own_executable_path() override { return ""; }
    [[noreturn]] void end_process(int code) override { throw tolven::ProcessExit{code}; }
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: tolvbench PROGRAM.TVC [pump-always] [plain-scans] [trace=LOG]\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    std::vector<uint8_t> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    SilentHost host;
    tolven::set_host(&host);
    for (int k = 2; k < argc; ++k) {
        std::string flag = argv[k];
        if (flag == "pump-always") tolven::set_pump_always(true);
        if (flag == "plain-scans") tolven::set_scan_memo(false);
    }
    tolven::install_portable_modules();
    tolven::reset_runtime();
    if (tolven::parse_program(data.data(), data.size(), tolven::program) != tolven::LoadStatus::Ok) {
        std::fprintf(stderr, "%s: not a loadable program\n", argv[1]);
        return 1;
    }
    for (int k = 2; k < argc; ++k) {
        std::string flag = argv[k];
        if (flag.rfind("trace=", 0) == 0 && !tolven::start_line_trace(flag.substr(6))) {
            std::fprintf(stderr, "%s: cannot create\n", flag.c_str() + 6);
            return 1;
        }
    }
    tolven::interp.runtime_mode = true;
    int code = 0;
    auto start = std::chrono::steady_clock::now();
    try {
        tolven::run_program();
    } catch (const tolven::ProcessExit& e) {
        code = e.code;
    }
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("{\"lines\":%llu,\"seconds\":%.6f,\"exit\":%d,\"pumps\":%llu,\"boxes\":%llu}\n",
                static_cast<unsigned long long>(tolven::interp.lines_run), seconds, code,
                static_cast<unsigned long long>(host.pumps), static_cast<unsigned long long>(host.boxes));
    return 0;
}
