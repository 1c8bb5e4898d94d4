#pragma once
#include <windows.h>

#include "core/host.h"

namespace tolven {

class Win32Host : public Host {
public:
    int message_box(std::string_view text, std::string_view caption, unsigned type,
                    bool owned_by_main) override;
    int message_box_over_focus(std::string_view text, std::string_view caption,
                               unsigned type) override;
    std::optional<std::string> open_file_dialog(std::string_view title,
                                                std::string_view filter) override;
    void debug_output(std::string_view text) override;
    void pump_messages() override;
    void refresh_main_window() override;
    void show_cursor() override;
    uint32_t tick_count() override;
    std::string own_executable_path() override;
    [[noreturn]] void end_process(int code) override;

private:
    int show_box(std::string_view text, std::string_view caption, unsigned type, HWND owner);
};

// The main window once it exists (owner of boxes), else null.
HWND main_window_handle();

}  // namespace tolven
