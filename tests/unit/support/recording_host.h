// A host that records what the runtime shows and answers boxes from a queue.
// end_process throws ProcessExit so a test can look at the state afterwards.
#pragma once
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "core/host.h"

namespace tolven::testing {

struct RecordedBox {
    std::string text, caption;
    unsigned type;
    int answer;
};

class RecordingHost : public Host {
public:
    std::vector<RecordedBox> boxes;
    std::vector<std::string> debug_lines;
    std::deque<int> box_answers;                      // default: OK / first button
    std::deque<std::optional<std::string>> dialog_answers;
    int pumps = 0;
    uint32_t ticks = 0;
    bool advance_ticks = true;
    std::string executable = "/nonexistent/tolvrun.exe";

    int message_box(std::string_view text, std::string_view caption, unsigned type, bool) override {
        int answer = mb::kIdOk;
        if (!box_answers.empty()) {
            answer = box_answers.front();
            box_answers.pop_front();
        } else if ((type & 0xF) == mb::kYesNo || (type & 0xF) == mb::kYesNoCancel) {
            answer = mb::kIdYes;
        }
        boxes.push_back({std::string(text), std::string(caption), type, answer});
        return answer;
    }
    std::optional<std::string> open_file_dialog(std::string_view, std::string_view) override {
        if (dialog_answers.empty()) return std::nullopt;
        auto a = dialog_answers.front();
        dialog_answers.pop_front();
        return a;
    }
    void debug_output(std::string_view text) override { debug_lines.emplace_back(text); }
    void pump_messages() override { ++pumps; }
    uint32_t tick_count() override { return advance_ticks ? ++ticks : ticks; }
    std::string own_executable_path() override { return executable; }
    [[noreturn]] void end_process(int code) override { throw ProcessExit{code}; }
};

}  // namespace tolven::testing
