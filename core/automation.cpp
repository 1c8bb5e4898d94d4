#include "core/automation.h"

#include <cstdio>
#include <fstream>
#include <string>

#include "core/host.h"

namespace tolven::automation {

namespace {
std::string transcript_file;
std::ifstream answers;
bool exit_recorded = false;

void append_line(const std::string& line) {
    if (transcript_file.empty()) return;
    // Opened per event and closed at once, so every line is on disk even
    // when the process is ended abruptly.
    if (std::FILE* f = std::fopen(transcript_file.c_str(), "ab")) {
        std::fwrite(line.data(), 1, line.size(), f);
        std::fputc('\n', f);
        std::fclose(f);
    }
}
}  // namespace

void configure(const char* transcript_path, const char* answers_path) {
    transcript_file = transcript_path ? transcript_path : "";
    answers.close();
    if (answers_path && *answers_path) answers.open(answers_path, std::ios::binary);
    exit_recorded = false;
}

bool active() { return !transcript_file.empty(); }

std::string json_string(std::string_view s) {
    std::string out = "\"";
    for (unsigned char c : s) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out + "\"";
}

void record_box(std::string_view caption, std::string_view text, unsigned type, int answer) {
    append_line("{\"event\":\"box\",\"caption\":" + json_string(caption) +
                ",\"text\":" + json_string(text) + ",\"type\":" + std::to_string(type) +
                ",\"answer\":" + std::to_string(answer) + "}");
}

void record_dialog(std::string_view kind, std::string_view title,
                   const std::optional<std::string>& answer) {
    append_line("{\"event\":\"dialog\",\"kind\":" + json_string(kind) +
                ",\"title\":" + json_string(title) +
                ",\"answer\":" + (answer ? json_string(*answer) : std::string("null")) + "}");
}

void record_exit(int code) {
    if (exit_recorded) return;
    exit_recorded = true;
    append_line("{\"event\":\"exit\",\"code\":" + std::to_string(code) + "}");
}

std::optional<std::string> next_answer() {
    if (!answers.is_open()) return std::nullopt;
    std::string line;
    if (!std::getline(answers, line)) return std::nullopt;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

int default_box_answer(unsigned type) {
    const unsigned buttons = type & 0xF;
    const unsigned def = (type >> 8) & 0xF;  // MB_DEFBUTTON2 = 0x100, ...
    static const int kButtons[][3] = {
        {mb::kIdOk, 0, 0},                        // OK
        {mb::kIdOk, mb::kIdCancel, 0},             // OKCANCEL
        {mb::kIdAbort, mb::kIdRetry, mb::kIdIgnore},// ABORTRETRYIGNORE
        {mb::kIdYes, mb::kIdNo, mb::kIdCancel},     // YESNOCANCEL
        {mb::kIdYes, mb::kIdNo, 0},                // YESNO
        {mb::kIdRetry, mb::kIdCancel, 0},          // RETRYCANCEL
    };
    if (buttons > 5) return mb::kIdOk;
    int answer = def < 3 ? kButtons[buttons][def] : 0;
    return answer ? answer : kButtons[buttons][0];
}

}  // namespace tolven::automation
