// Test automation hooks, driven by environment variables. They change
// nothing while their variables are unset.
//   TOLVEN_TRANSCRIPT  JSON Lines of every box, dialog and the exit code;
//                      boxes and dialogs are then answered, not shown.
//   TOLVEN_ANSWERS     one answer per line for those boxes and dialogs.
#pragma once
#include <optional>
#include <string>
#include <string_view>

namespace tolven::automation {

// Reads the variables (values as given by the environment).
void configure(const char* transcript_path, const char* answers_path);

bool active();  // a transcript is being written

void record_box(std::string_view caption, std::string_view text, unsigned type, int answer);
void record_dialog(std::string_view kind, std::string_view title,
                   const std::optional<std::string>& answer);
void record_exit(int code);

// The next answer line, or nullopt when the file is exhausted or absent.
std::optional<std::string> next_answer();

// Answer for a box of `type` when the answers give none: its default button.
int default_box_answer(unsigned type);

// JSON string literal for Latin-1 bytes (converted to UTF-8).
std::string json_string(std::string_view latin1);

}  // namespace tolven::automation
