#include "core/win32/win32_host.h"

#include <cstdlib>
#include <string>

#include "core/automation.h"
#include "core/file_dialog.h"
#include "core/win32/file_dialog_win32.h"
#include "screen/display.h"
#include "screen/win32/main_window.h"

namespace tolven {

int Win32Host::message_box(std::string_view text, std::string_view caption, unsigned type,
                           bool owned_by_main) {
    return show_box(text, caption, type, owned_by_main ? main_window_handle() : nullptr);
}

int Win32Host::message_box_over_focus(std::string_view text, std::string_view caption,
                                      unsigned type) {
    return show_box(text, caption, type, GetFocus());
}

int Win32Host::show_box(std::string_view text, std::string_view caption, unsigned type, HWND owner) {
    // The window shows all output before a box stops the program.
    flush_text_output();
    int answer = automation::default_box_answer(type);
    if (automation::answering()) {
        if (auto line = automation::next_answer()) {
            char* end = nullptr;
            long v = std::strtol(line->c_str(), &end, 10);
            if (end != line->c_str()) answer = static_cast<int>(v);
        }
    } else {
        std::string t(text), c(caption);
        ModalAutomation automation;
        answer = MessageBoxA(owner, t.c_str(), c.c_str(), type);
    }
    automation::record_box(caption, text, type, answer);
    return answer;
}

std::optional<std::string> Win32Host::open_file_dialog(std::string_view title,
                                                       std::string_view filter) {
    std::optional<std::string> chosen;
    if (automation::answering()) {
        if (auto line = automation::next_answer(); line && !line->empty()) chosen = *line;
    } else {
        chosen = show_file_dialog(FileDialogKind::Open, title, open_file_request(filter),
                                  main_window_handle());
    }
    automation::record_dialog("FileOpen", title, chosen);
    return chosen;
}

void Win32Host::debug_output(std::string_view text) {
    std::string s(text);
    OutputDebugStringA(s.c_str());
}

void Win32Host::pump_messages() { pump_main_messages(); }

void Win32Host::refresh_main_window() { display().refresh(); }

void Win32Host::show_cursor() {
    while (ShowCursor(TRUE) < 0) {
    }
}

uint32_t Win32Host::tick_count() { return GetTickCount(); }

std::string Win32Host::own_executable_path() {
    char path[MAX_PATH * 2];
    DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    return std::string(path, n);
}

void Win32Host::end_process(int code) {
    // A window still open here belongs to a program stopped by Ctrl-C or
    // Ctrl-Break: it stays until the user closes it.
    automation::write_exit_snapshot();
    main_window_at_exit();
    automation::record_exit(code);
    ExitProcess(static_cast<UINT>(code));
}

}  // namespace tolven
