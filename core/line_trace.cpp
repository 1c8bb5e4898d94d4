#include "core/line_trace.h"

#include <cstdio>
#include <string>
#include <vector>

#include "core/errors.h"
#include "core/interp.h"
#include "core/line_listing.h"
#include "core/shutdown.h"

namespace tolven {

namespace {

struct LineLog {
    std::FILE* file = nullptr;
    std::string path;
    std::vector<std::string> labels;
    // Each line's log text, made when the line first runs: loops log the
    // same lines again and again.
    std::vector<std::string> texts;
};
LineLog line_log;

}  // namespace

bool start_line_trace(std::string_view path) {
    end_line_trace();
    line_log.path = std::string(path);
    line_log.file = std::fopen(line_log.path.c_str(), "wb");
    if (!line_log.file) return false;
    line_log.labels = listing::line_labels(program);
    line_log.texts.assign(static_cast<size_t>(program.line_count) + 1, std::string());
    set_watch(watch::kLineLog, true);
    on_shutdown(ShutdownStage::LineLog, end_line_trace);
    return true;
}

void log_line() {
    const auto n = static_cast<size_t>(interp.current_line);
    std::string& text = line_log.texts[n];
    if (text.empty()) text = listing::numbered_line_listing(program, interp.current_line, line_log.labels) + '\n';
    // Written through at once: a program killed in a wait or a DLL still
    // leaves the line it stopped in.
    if (std::fwrite(text.data(), 1, text.size(), line_log.file) != text.size() || std::fflush(line_log.file) != 0) {
        const std::string path = line_log.path;
        end_line_trace();
        raise_warning(303, path);
    }
}

void end_line_trace() {
    set_watch(watch::kLineLog, false);
    if (line_log.file) std::fclose(line_log.file);
    line_log = LineLog{};
}

}  // namespace tolven
