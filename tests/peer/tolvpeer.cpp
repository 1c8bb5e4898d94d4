// The other program of the end-to-end tests of processes, the clipboard,
// key sending and help: a small program (without a console) that the
// runtime starts, talks to or sends keys to, and that leaves what it saw in
// files.
//
//   tolvpeer write FILE TEXT CODE [DELAY]  after DELAY ms writes TEXT to FILE,
//                                          exits with CODE
//   tolvpeer show FILE                     writes the show command it was
//                                          started with ("-" without one)
//   tolvpeer clip-get FILE                 writes the clipboard text (CF_TEXT)
//                                          to FILE, "<none>" without text
//   tolvpeer clip-set TEXT                 puts TEXT on the clipboard
//   tolvpeer keys LOG HWNDFILE             a window whose edit field logs
//                                          the key messages it gets; its
//                                          handle goes to HWNDFILE once it is
//                                          in front with the focus in the
//                                          field; the log is written when it
//                                          closes
//   tolvpeer help LOG COUNT                a window of the help viewer's class
//                                          that logs COUNT help requests
//   tolvpeer dde APP TOPIC LOG             a DDE server for APP and TOPIC: logs
//                                          each initiation it answers, each
//                                          execute string (acknowledged) and
//                                          the end of the conversation, then
//                                          writes LOG and exits; LOG.ready
//                                          once it listens
//
// Files are written whole under a temporary name and then renamed, so a
// program polling for them never sees half of one. Every mode that waits
// gives up after 20 seconds.
#include <windows.h>
#include <dde.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr DWORD kGiveUpMs = 20000;

void write_whole(const char* name, const std::string& text) {
    const std::string temp = std::string(name) + ".part";
    FILE* f = std::fopen(temp.c_str(), "wb");
    if (!f) return;
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
    MoveFileExA(temp.c_str(), name, MOVEFILE_REPLACE_EXISTING);
}

std::string log_text;
const char* log_name = nullptr;
const char* handle_name = nullptr;
HWND key_field = nullptr;
WNDPROC edit_procedure = nullptr;
constexpr UINT_PTR kReadyTimer = 1;
int help_left = 0;
std::string dde_application, dde_topic;

void log_line(const std::string& line) { log_text += line + "\r\n"; }

// Key messages as "down 65 odd": the kind, the virtual key or character
// code, and whether the scan code in lParam is odd.
LRESULT CALLBACK logging_edit(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    const char* kind = nullptr;
    switch (m) {
        case WM_KEYDOWN: kind = "down"; break;
        case WM_KEYUP: kind = "up"; break;
        case WM_CHAR: kind = "char"; break;
        case WM_SYSKEYDOWN: kind = "sysdown"; break;
        case WM_SYSKEYUP: kind = "sysup"; break;
        case WM_SYSCHAR: kind = "syschar"; break;
    }
    if (kind) {
        const unsigned scan = (static_cast<unsigned>(lp) >> 16) & 0xFF;
        log_line(std::string(kind) + " " + std::to_string(static_cast<unsigned>(wp) & 0xFFFF) +
                 ((scan & 1) ? " odd" : ""));
        // Alt pressed and released on its own would open the window menu,
        // which takes the keys that follow; a test wants them in the field.
        if (m == WM_SYSKEYUP && wp == VK_MENU) return 0;
    }
    return CallWindowProcA(edit_procedure, w, m, wp, lp);
}

LRESULT CALLBACK main_procedure(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    switch (m) {
        case WM_COPYDATA: {
            // The help request of WinHelpA: a magic number and a record of
            // size, command, data, reserved, file offset and data offset.
            const auto* cds = reinterpret_cast<const COPYDATASTRUCT*>(lp);
            if (!cds || cds->dwData != 0xA1DE505 || !cds->lpData || cds->cbData < 16) return 0;
            const auto* b = static_cast<const unsigned char*>(cds->lpData);
            WORD command, file_at, data_at;
            LONG data;
            std::memcpy(&command, b + 2, 2);
            std::memcpy(&data, b + 4, 4);
            std::memcpy(&file_at, b + 12, 2);
            std::memcpy(&data_at, b + 14, 2);
            auto text_at = [&](WORD at) {
                if (!at || at >= cds->cbData) return std::string();
                const char* s = reinterpret_cast<const char*>(b + at);
                return std::string(s, strnlen(s, cds->cbData - at));
            };
            log_line(std::to_string(command) + "|" + text_at(file_at) + "|" +
                     (data_at ? text_at(data_at) : std::to_string(data)));
            if (--help_left <= 0) DestroyWindow(w);
            return 1;
        }
        case WM_SETFOCUS:
            // Activation puts the focus on the window itself; the keys
            // belong in the field.
            if (key_field) SetFocus(key_field);
            return 0;
        case WM_TIMER:
            // The handle is given out once the window is in front with the
            // focus in its field, so no key sent to it can go astray.
            if (wp == kReadyTimer && GetForegroundWindow() == w && GetFocus() == key_field) {
                KillTimer(w, kReadyTimer);
                write_whole(handle_name, std::to_string(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(w))));
            }
            return 0;
        case WM_DDE_INITIATE: {
            char application[256] = "", topic[256] = "";
            GlobalGetAtomNameA(LOWORD(lp), application, sizeof application);
            GlobalGetAtomNameA(HIWORD(lp), topic, sizeof topic);
            log_line(std::string("initiate ") + application + "|" + topic);
            if (lstrcmpiA(application, dde_application.c_str()) != 0 ||
                lstrcmpiA(topic, dde_topic.c_str()) != 0)
                return 0;
            // The answer carries atoms of its own, which the client deletes.
            SendMessageA(reinterpret_cast<HWND>(wp), WM_DDE_ACK, reinterpret_cast<WPARAM>(w),
                         MAKELPARAM(GlobalAddAtomA(dde_application.c_str()),
                                    GlobalAddAtomA(dde_topic.c_str())));
            log_line("answered");
            return 0;
        }
        case WM_DDE_EXECUTE: {
            HGLOBAL commands = reinterpret_cast<HGLOBAL>(lp);
            std::string text = "<unreadable>";
            if (const char* p = static_cast<const char*>(GlobalLock(commands))) {
                text.assign(p, strnlen(p, GlobalSize(commands)));
                GlobalUnlock(commands);
            }
            log_line("execute " + text);
            PostMessageA(reinterpret_cast<HWND>(wp), WM_DDE_ACK, reinterpret_cast<WPARAM>(w),
                         PackDDElParam(WM_DDE_ACK, 0x8000, reinterpret_cast<UINT_PTR>(commands)));
            return 0;
        }
        case WM_DDE_TERMINATE:
            log_line("terminate");
            PostMessageA(reinterpret_cast<HWND>(wp), WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(w), 0);
            DestroyWindow(w);
            return 0;
        case WM_CLOSE:
            DestroyWindow(w);
            return 0;
        case WM_DESTROY:
            write_whole(log_name, log_text);
            PostQuitMessage(0);
            return 0;
    }
    return DefWindowProcA(w, m, wp, lp);
}

HWND make_window(const char* class_name, const char* caption, bool visible) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = main_procedure;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = class_name;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    RegisterClassA(&wc);
    return CreateWindowA(class_name, caption, WS_OVERLAPPEDWINDOW | (visible ? WS_VISIBLE : 0), 50,
                         50, 300, 120, nullptr, nullptr, wc.hInstance, nullptr);
}

int run_messages() {
    SetTimer(nullptr, 0, kGiveUpMs, nullptr);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == WM_TIMER && !msg.hwnd) {
            write_whole(log_name, log_text + "timeout\r\n");
            return 3;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}

int keys(const char* log, const char* handle_file) {
    log_name = log;
    HWND top = make_window("TolvenPeerKeys", "Tolven-Tastenziel", true);
    HWND edit = CreateWindowA("Edit", "", WS_CHILD | WS_VISIBLE | WS_BORDER, 10, 10, 260, 24, top,
                              nullptr, GetModuleHandleA(nullptr), nullptr);
    edit_procedure = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(logging_edit)));
    key_field = edit;
    handle_name = handle_file;
    SetForegroundWindow(top);
    SetFocus(edit);
    SetTimer(top, kReadyTimer, 20, nullptr);
    return run_messages();
}

int help(const char* log, int count) {
    log_name = log;
    help_left = count;
    HWND w = make_window("MS_WINHELP", "Hilfe", false);
    write_whole((std::string(log) + ".ready").c_str(), "ready");
    return w ? run_messages() : 4;
}

int dde(const char* application, const char* topic, const char* log) {
    log_name = log;
    dde_application = application;
    dde_topic = topic;
    HWND w = make_window("TolvenPeerDde", "DDE-Partner", false);
    write_whole((std::string(log) + ".ready").c_str(), "ready");
    return w ? run_messages() : 4;
}

int clip_get(const char* file) {
    std::string text = "<none>";
    if (OpenClipboard(nullptr)) {
        if (HANDLE h = GetClipboardData(CF_TEXT)) {
            const char* p = static_cast<const char*>(GlobalLock(h));
            if (p) text.assign(p, strnlen(p, GlobalSize(h)));
            GlobalUnlock(h);
        }
        CloseClipboard();
    }
    write_whole(file, text);
    return 0;
}

int clip_set(const char* text) {
    const size_t n = std::strlen(text) + 1;
    HGLOBAL g = GlobalAlloc(GMEM_MOVEABLE, n);
    std::memcpy(GlobalLock(g), text, n);
    GlobalUnlock(g);
    if (!OpenClipboard(nullptr)) return 1;
    EmptyClipboard();
    SetClipboardData(CF_TEXT, g);
    CloseClipboard();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    // A starter that waits until this program is idle (WinExec does) may
    // go on at once: the test decides when to wait for it. Waiting for
    // messages, however briefly, is what counts as idle.
    MSG idle;
    PeekMessageA(&idle, nullptr, 0, 0, PM_NOREMOVE);
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "write" && argc >= 5) {
        if (argc >= 6) Sleep(static_cast<DWORD>(std::atoi(argv[5])));
        write_whole(argv[2], argv[3]);
        return std::atoi(argv[4]);
    }
    if (mode == "show" && argc == 3) {
        STARTUPINFOA si{};
        si.cb = sizeof si;
        GetStartupInfoA(&si);
        write_whole(argv[2], (si.dwFlags & STARTF_USESHOWWINDOW) ? std::to_string(si.wShowWindow) : "-");
        return 0;
    }
    if (mode == "clip-get" && argc == 3) return clip_get(argv[2]);
    if (mode == "clip-set" && argc == 3) return clip_set(argv[2]);
    if (mode == "keys" && argc == 4) return keys(argv[2], argv[3]);
    if (mode == "help" && argc == 4) return help(argv[2], std::atoi(argv[3]));
    if (mode == "dde" && argc == 5) return dde(argv[2], argv[3], argv[4]);
    return 99;  // unknown mode or wrong arguments
}
