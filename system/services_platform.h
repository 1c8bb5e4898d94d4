// What the settings, process, clipboard, keyboard and port statements ask
// of the platform. The Win32 build installs the real implementation at
// start (system/win32/services_win32.cpp); the default one behaves like a
// machine where every such request fails, so the portable rules around the
// calls can be tested natively; unit tests install recording ones.
// Every text crossing this interface is Latin-1 (ANSI) bytes.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "system/key_text.h"

namespace tolven {

// How a registry request ended.
enum class RegistryStatus { Ok, OpenFailed, QueryFailed, CreateFailed, SetFailed };

class ServicesPlatform {
public:
    virtual ~ServicesPlatform() = default;

    // ---- INI files through the profile API (file names as Windows takes
    // them: a name without a path lands in the Windows directory) ----
    virtual std::string profile_read(const std::string& file, const std::string& section,
                                     const std::string& entry) {
        return {};
    }
    virtual bool profile_write(const std::string& file, const std::string& section,
                               const std::string& entry, const std::string& value) {
        return false;
    }

    // ---- the registry; root is the digit 0..6 after "HKEY_" ----
    // On success `data` holds the value's bytes as stored (a text with its
    // terminating zero when it has one), at most `limit` bytes; QueryFailed
    // also for a value larger than that. Texts are written with their zero.
    virtual RegistryStatus registry_read(int root, const std::string& key, const std::string& name,
                                         size_t limit, std::string& data) {
        return RegistryStatus::OpenFailed;
    }
    virtual RegistryStatus registry_write(int root, const std::string& key, const std::string& name,
                                          const std::string& value) {
        return RegistryStatus::CreateFailed;
    }

    // ---- processes and the shell ----
    virtual uint32_t win_exec(const std::string& command, int show) { return 2; }
    // Starts the program and returns once it has ended; false when it
    // could not be started.
    virtual bool run_and_wait(const std::string& command, int show) { return false; }
    virtual uint32_t shell_execute(const std::string& file, const std::string& operation,
                                   int show) {
        return 2;
    }
    // Ends Windows (restart or shut down) after enabling the shutdown
    // privilege.
    virtual void exit_windows(bool restart) {}
    // WinHelpA with the main window as owner; `data` is the keyword of the
    // keyword search.
    virtual void help(const std::string& file, uint32_t command, const std::string& data) {}

    // ---- clipboard text ----
    virtual void clipboard_clear() {}
    virtual void clipboard_set(const std::string& text) {}
    virtual std::string clipboard_get() { return {}; }

    // ---- lookups; empty (or 0) when they fail ----
    virtual std::string environment(const std::string& name) { return {}; }
    virtual std::string short_path(const std::string& path) { return {}; }
    virtual int32_t icon_count(const std::string& file) { return 0; }
    virtual std::string load_string(uint32_t module, uint32_t number) { return {}; }

    // ---- keyboard ----
    // SetForegroundWindow for a window other than 0.
    virtual void bring_to_foreground(uint32_t window) {}
    // VkKeyScanA.
    virtual int16_t char_key(char c) { return -1; }
    // Finds the window that takes the next key (the focus, else the first
    // enabled edit field of the foreground window, else the foreground
    // window) and activates it.
    virtual void activate_key_target() {}
    virtual void key_event(const KeyEvent& e) {}

    // ---- x86 I/O ports; 0 and nothing where the processor refuses ----
    virtual uint8_t port_in_byte(uint16_t port) { return 0; }
    virtual uint16_t port_in_word(uint16_t port) { return 0; }
    virtual void port_out_byte(uint16_t port, uint8_t value) {}
    virtual void port_out_word(uint16_t port, uint16_t value) {}
};

// The platform in use; set_services_platform(nullptr) restores the default.
ServicesPlatform& services_platform();
void set_services_platform(ServicesPlatform* p);

}  // namespace tolven
