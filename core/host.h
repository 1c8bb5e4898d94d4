// The runtime's door to the platform for the core. The Windows build
// installs Win32Host in install_platform() (app/win32/main.cpp), beside the
// other platform objects (system platform, file platform, display); unit
// tests install a recording host. Every text crossing this interface is
// Latin-1 bytes.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tolven {

// Message box flags and answers, with the platform's values, so that the
// transcript shows the same numbers on every host.
namespace mb {
constexpr unsigned kOk = 0x0, kOkCancel = 0x1, kYesNoCancel = 0x3, kYesNo = 0x4;
constexpr unsigned kIconError = 0x10, kIconQuestion = 0x20, kIconWarning = 0x30,
                   kIconInformation = 0x40;
constexpr int kIdOk = 1, kIdCancel = 2, kIdAbort = 3, kIdRetry = 4, kIdIgnore = 5,
              kIdYes = 6, kIdNo = 7;
}  // namespace mb

// Thrown by hosts whose end_process must return control (unit tests); the
// Win32 host really ends the process instead.
struct ProcessExit {
    int code;
};

class Host {
public:
    virtual ~Host() = default;

    // A modal message box. owned_by_main: owned by the main window when it
    // exists. Returns the button code.
    virtual int message_box(std::string_view text, std::string_view caption, unsigned type,
                            bool owned_by_main) = 0;
    // A modal message box owned by the window that has the focus (none
    // when no window of the runtime has it).
    virtual int message_box_over_focus(std::string_view text, std::string_view caption, unsigned type) {
        return message_box(text, caption, type, false);
    }

    // The ready-made open-file dialog; nullopt when cancelled.
    virtual std::optional<std::string> open_file_dialog(std::string_view title,
                                                        std::string_view filter) = 0;

    virtual void debug_output(std::string_view text) = 0;

    // Handles waiting window messages and returns.
    virtual void pump_messages() = 0;

    // Redraw the main window from its off-screen image (after boxes).
    virtual void refresh_main_window() {}

    // Make the mouse cursor visible (before an error box).
    virtual void show_cursor() {}

    // Monotonic milliseconds, used to keep the periodic pump cheap.
    virtual uint32_t tick_count() = 0;

    // Path of the runtime's own executable.
    virtual std::string own_executable_path() = 0;

    // Ends the process. Never returns normally.
    [[noreturn]] virtual void end_process(int code) = 0;
};

Host& host();
void set_host(Host* h);

}  // namespace tolven
