// The system services on Win32.
#include "system/win32/services_win32.h"

#include <windows.h>
#include <shellapi.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/automation.h"
#include "screen/win32/main_window.h"
#include "values/dll.h"

namespace tolven {

namespace {

constexpr DWORD kTextBuffer = 32767;

// The predefined root keys are 0x80000000 plus the digit, widened with
// their sign as every handle is.
HKEY root_key(int digit) {
    return reinterpret_cast<HKEY>(static_cast<intptr_t>(static_cast<int32_t>(0x80000000u + digit)));
}

// Window handles are 32-bit values that Windows widens with their sign.
HWND window_of(uint32_t h) {
    return reinterpret_cast<HWND>(static_cast<intptr_t>(static_cast<int32_t>(h)));
}

uint32_t result_value(const void* h) {
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(h));
}

// A text of up to 32,767 characters that `fill` writes into a buffer and
// whose length it returns; empty when it fails or does not fit.
template <typename Fill>
std::string buffered_text(Fill fill) {
    std::vector<char> buf(kTextBuffer + 1, '\0');
    const DWORD n = fill(buf.data(), kTextBuffer);
    if (n == 0 || n >= kTextBuffer) return {};
    return std::string(buf.data(), n);
}

bool enable_shutdown_privilege() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token))
        return false;
    TOKEN_PRIVILEGES tp{};
    tp.PrivilegeCount = 1;
    tp.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    bool ok = LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &tp.Privileges[0].Luid) &&
              AdjustTokenPrivileges(token, FALSE, &tp, 0, nullptr, nullptr) &&
              GetLastError() == ERROR_SUCCESS;
    CloseHandle(token);
    return ok;
}

// ---- I/O ports ----
// The port instructions work where a driver has opened the ports to user
// mode; elsewhere (every NT system, every 64-bit one) they fault. Each
// instruction has a label before and after it, so the fault handler knows
// the instruction and resumes behind it: a read then gives 0 (the result
// register is cleared beforehand) and a write does nothing.
extern "C" {
uint32_t tolven_port_in_byte(uint32_t port) asm("tolven_port_in_byte");
uint32_t tolven_port_in_word(uint32_t port) asm("tolven_port_in_word");
void tolven_port_out_byte(uint32_t port, uint32_t value) asm("tolven_port_out_byte");
void tolven_port_out_word(uint32_t port, uint32_t value) asm("tolven_port_out_word");
extern const char tolven_port_ops[] asm("tolven_port_ops");
extern const char tolven_port_ops_end[] asm("tolven_port_ops_end");
}

#if defined(__x86_64__)
// Microsoft x64 convention: port in ecx, value in edx.
asm(R"(
    .text
    .globl tolven_port_in_byte, tolven_port_in_word, tolven_port_out_byte, tolven_port_out_word
    .globl tolven_port_ops, tolven_port_ops_end
tolven_port_in_byte:
    movl %ecx, %edx
    xorl %eax, %eax
    jmp tolven_port_op_in_byte
tolven_port_in_word:
    movl %ecx, %edx
    xorl %eax, %eax
    jmp tolven_port_op_in_word
tolven_port_out_byte:
    movl %edx, %eax
    movl %ecx, %edx
    jmp tolven_port_op_out_byte
tolven_port_out_word:
    movl %edx, %eax
    movl %ecx, %edx
    jmp tolven_port_op_out_word
)");
#else
// cdecl: port at 4(%esp), value at 8(%esp).
asm(R"(
    .text
    .globl tolven_port_in_byte, tolven_port_in_word, tolven_port_out_byte, tolven_port_out_word
    .globl tolven_port_ops, tolven_port_ops_end
tolven_port_in_byte:
    movl 4(%esp), %edx
    xorl %eax, %eax
    jmp tolven_port_op_in_byte
tolven_port_in_word:
    movl 4(%esp), %edx
    xorl %eax, %eax
    jmp tolven_port_op_in_word
tolven_port_out_byte:
    movl 8(%esp), %eax
    movl 4(%esp), %edx
    jmp tolven_port_op_out_byte
tolven_port_out_word:
    movl 8(%esp), %eax
    movl 4(%esp), %edx
    jmp tolven_port_op_out_word
)");
#endif
// Each instruction is followed by its own "ret"; the handler resumes a
// faulting one at the next instruction, which is that "ret".
asm(R"(
    .text
tolven_port_ops:
tolven_port_op_in_byte:
    inb %dx, %al
    ret
tolven_port_op_in_word:
    inw %dx, %ax
    ret
tolven_port_op_out_byte:
    outb %al, %dx
    ret
tolven_port_op_out_word:
    outw %ax, %dx
    ret
tolven_port_ops_end:
)");

LONG CALLBACK on_port_fault(EXCEPTION_POINTERS* info) {
    const auto at = reinterpret_cast<uintptr_t>(info->ExceptionRecord->ExceptionAddress);
    const auto first = reinterpret_cast<uintptr_t>(tolven_port_ops);
    const auto end = reinterpret_cast<uintptr_t>(tolven_port_ops_end);
    if (at < first || at >= end) return EXCEPTION_CONTINUE_SEARCH;
    // The instruction is one byte, or two with the operand-size prefix.
    const auto* code = reinterpret_cast<const unsigned char*>(at);
    const uintptr_t length = code[0] == 0x66 ? 2 : 1;
#if defined(__x86_64__)
    info->ContextRecord->Rip = at + length;
#else
    info->ContextRecord->Eip = static_cast<DWORD>(at + length);
#endif
    return EXCEPTION_CONTINUE_EXECUTION;
}

void catch_port_faults() {
    static PVOID handler = AddVectoredExceptionHandler(1, on_port_fault);
    (void)handler;
}

class Win32Services : public ServicesPlatform {
public:
    std::string profile_read(const std::string& file, const std::string& section,
                             const std::string& entry) override {
        return buffered_text([&](char* buf, DWORD size) {
            const DWORD n = GetPrivateProfileStringA(section.c_str(), entry.c_str(), "", buf, size,
                                                     file.c_str());
            return n;
        });
    }
    bool profile_write(const std::string& file, const std::string& section,
                       const std::string& entry, const std::string& value) override {
        return WritePrivateProfileStringA(section.c_str(), entry.c_str(), value.c_str(),
                                          file.c_str()) != 0;
    }

    RegistryStatus registry_read(int root, const std::string& key, const std::string& name,
                                 size_t limit, std::string& data) override {
        HKEY k = nullptr;
        if (RegOpenKeyExA(root_key(root), key.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS)
            return RegistryStatus::OpenFailed;
        std::vector<BYTE> buf(limit);
        DWORD size = static_cast<DWORD>(limit);
        DWORD type = 0;
        const LONG r = RegQueryValueExA(k, name.c_str(), nullptr, &type, buf.data(), &size);
        RegCloseKey(k);
        if (r != ERROR_SUCCESS || size > limit) return RegistryStatus::QueryFailed;
        data.assign(reinterpret_cast<const char*>(buf.data()), size);
        return RegistryStatus::Ok;
    }
    RegistryStatus registry_write(int root, const std::string& key, const std::string& name,
                                  const std::string& value) override {
        HKEY k = nullptr;
        if (RegCreateKeyExA(root_key(root), key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                            KEY_ALL_ACCESS, nullptr, &k, nullptr) != ERROR_SUCCESS)
            return RegistryStatus::CreateFailed;
        // The zero is stored with the text: readers of REG_SZ rely on it
        // (without it an empty value shows garbage in other programs).
        const LONG r = RegSetValueExA(k, name.c_str(), 0, REG_SZ,
                                      reinterpret_cast<const BYTE*>(value.c_str()),
                                      static_cast<DWORD>(value.size() + 1));
        RegCloseKey(k);
        return r == ERROR_SUCCESS ? RegistryStatus::Ok : RegistryStatus::SetFailed;
    }

    uint32_t win_exec(const std::string& command, int show) override {
        return WinExec(command.c_str(), static_cast<UINT>(show));
    }
    bool run_and_wait(const std::string& command, int show) override {
        std::vector<char> line(command.begin(), command.end());
        line.push_back('\0');
        STARTUPINFOA si{};
        si.cb = sizeof si;
        si.dwFlags = STARTF_USESHOWWINDOW;
        si.wShowWindow = static_cast<WORD>(show);
        PROCESS_INFORMATION pi{};
        if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS,
                            nullptr, nullptr, &si, &pi))
            return false;
        // Waiting for the process itself: a program that ends with exit
        // code 259 (STILL_ACTIVE) must not look as if it ran for ever.
        WaitForSingleObject(pi.hProcess, INFINITE);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
        return true;
    }
    uint32_t shell_execute(const std::string& file, const std::string& operation,
                           int show) override {
        const HINSTANCE r = ShellExecuteA(main_window_handle(),
                                          operation.empty() ? nullptr : operation.c_str(),
                                          file.c_str(), nullptr, nullptr, show);
        return result_value(r);
    }
    void exit_windows(bool restart) override {
        const bool privileged = enable_shutdown_privilege();
        const UINT flags = restart ? EWX_REBOOT : EWX_SHUTDOWN;
        // Under test the request is recorded, never carried out.
        if (automation::active()) {
            automation::record_exit_windows(flags, privileged);
            return;
        }
        ExitWindowsEx(flags, 0);
    }
    void help(const std::string& file, uint32_t command, const std::string& data) override {
        WinHelpA(main_window_handle(), file.c_str(), command,
                 command == HELP_PARTIALKEY ? reinterpret_cast<ULONG_PTR>(data.c_str()) : 0);
    }

    void clipboard_clear() override {
        if (!OpenClipboard(main_window_handle())) return;
        EmptyClipboard();
        CloseClipboard();
    }
    void clipboard_set(const std::string& text) override {
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT | GMEM_DDESHARE, kTextBuffer);
        if (!block) return;
        if (void* p = GlobalLock(block)) {
            std::memcpy(p, text.data(), text.size());
            GlobalUnlock(block);
        }
        // The block belongs to the clipboard only once it took it.
        if (!OpenClipboard(main_window_handle())) {
            GlobalFree(block);
            return;
        }
        EmptyClipboard();
        if (!SetClipboardData(CF_TEXT, block)) GlobalFree(block);
        CloseClipboard();
    }
    std::string clipboard_get() override {
        std::string text;
        if (!IsClipboardFormatAvailable(CF_TEXT) || !OpenClipboard(main_window_handle())) return text;
        if (HANDLE h = GetClipboardData(CF_TEXT)) {
            // Another program's text may lack its zero: never read past the
            // block.
            if (const char* p = static_cast<const char*>(GlobalLock(h))) {
                text.assign(p, strnlen(p, GlobalSize(h)));
                GlobalUnlock(h);
            }
        }
        CloseClipboard();
        return text;
    }

    std::string environment(const std::string& name) override {
        return buffered_text([&](char* buf, DWORD size) {
            return GetEnvironmentVariableA(name.c_str(), buf, size);
        });
    }
    std::string short_path(const std::string& path) override {
        return buffered_text([&](char* buf, DWORD size) {
            return GetShortPathNameA(path.c_str(), buf, size);
        });
    }
    int32_t icon_count(const std::string& file) override {
        const HICON n = ExtractIconA(GetModuleHandleA(nullptr), file.c_str(), static_cast<UINT>(-1));
        return static_cast<int32_t>(reinterpret_cast<uintptr_t>(n));
    }
    std::string load_string(uint32_t module, uint32_t number) override {
        const auto m = reinterpret_cast<HINSTANCE>(dll::real_address(module));
        return buffered_text([&](char* buf, DWORD size) {
            return static_cast<DWORD>(LoadStringA(m, number, buf, static_cast<int>(size)));
        });
    }

    void bring_to_foreground(uint32_t window) override { SetForegroundWindow(window_of(window)); }
    int16_t char_key(char c) override { return VkKeyScanA(c); }
    void activate_key_target() override {
        HWND target = GetFocus();
        if (!target) {
            HWND front = GetForegroundWindow();
            HWND edit = nullptr;
            while ((edit = FindWindowExA(front, edit, "Edit", nullptr)) && !IsWindowEnabled(edit)) {
            }
            target = edit ? edit : front;
        }
        if (!target) return;
        SetActiveWindow(target);
        SetForegroundWindow(target);
    }
    void key_event(const KeyEvent& e) override {
        BYTE scan = static_cast<BYTE>(MapVirtualKeyA(e.vk, 0));
        if (e.odd_scan) scan |= 1;
        keybd_event(e.vk, scan, e.up ? KEYEVENTF_KEYUP : 0, 0);
    }

    uint8_t port_in_byte(uint16_t port) override {
        catch_port_faults();
        return static_cast<uint8_t>(tolven_port_in_byte(port));
    }
    uint16_t port_in_word(uint16_t port) override {
        catch_port_faults();
        return static_cast<uint16_t>(tolven_port_in_word(port));
    }
    void port_out_byte(uint16_t port, uint8_t value) override {
        catch_port_faults();
        tolven_port_out_byte(port, value);
    }
    void port_out_word(uint16_t port, uint16_t value) override {
        catch_port_faults();
        tolven_port_out_word(port, value);
    }
};

}  // namespace

ServicesPlatform& win32_services_platform() {
    static Win32Services services;
    return services;
}

}  // namespace tolven
