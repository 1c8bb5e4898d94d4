#include "gui/win32/dialogs_win32.h"

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <string>

#include "core/win32/file_dialog_win32.h"
#include "gui/dialog_logic.h"
#include "gui/item_list.h"
#include "screen/win32/main_window.h"

namespace tolven {

namespace {

constexpr int kField = 101;   // the edit field or the list of each template
constexpr int kPrompt = 100;  // the input dialog's prompt
constexpr int kCopy = 102, kCut = 103, kPaste = 104;

HINSTANCE instance() { return GetModuleHandleA(nullptr); }

template <class State>
State& state_of(HWND h) {
    return *reinterpret_cast<State*>(GetWindowLongPtrA(h, DWLP_USER));
}

template <class State>
State& keep_state(HWND h, LPARAM lp) {
    SetWindowLongPtrA(h, DWLP_USER, lp);
    return state_of<State>(h);
}

// OK and Abbruch end each of the runtime's dialogs: OK with 1 once
// `confirm` has taken what the dialog shows, Abbruch (also Esc and the
// close box) with 0. False for other commands.
template <class Confirm>
bool ended_by(HWND h, WPARAM wp, Confirm confirm) {
    switch (LOWORD(wp)) {
        case IDOK:
            confirm();
            EndDialog(h, 1);
            return true;
        case IDCANCEL: EndDialog(h, 0); return true;
        default: return false;
    }
}

// A modal dialog from the runtime's template `name`, owned by the main
// window; its result, or -1 when the template could not be shown.
INT_PTR run_dialog(const char* name, DLGPROC procedure, void* state) {
    ModalAutomation automation;
    return DialogBoxParamA(instance(), name, main_window_handle(), procedure,
                           reinterpret_cast<LPARAM>(state));
}

// ---- edit box ----

struct EditState {
    std::string title, text;
    std::vector<std::string> lines;
};

// The lines of the field as the edit control counts them, each cut to the
// longest line the dialog reads back.
std::vector<std::string> field_lines(HWND field) {
    std::vector<std::string> lines;
    const LRESULT count = SendMessageA(field, EM_GETLINECOUNT, 0, 0);
    for (LRESULT k = 0; k < count && k < dialogs::kMaxEditLines; ++k) {
        char line[dialogs::kMaxEditLine + 1];
        *reinterpret_cast<WORD*>(line) = static_cast<WORD>(dialogs::kMaxEditLine);
        const LRESULT n = SendMessageA(field, EM_GETLINE, static_cast<WPARAM>(k),
                                       reinterpret_cast<LPARAM>(line));
        lines.emplace_back(line, static_cast<size_t>(std::clamp<LRESULT>(n, 0, dialogs::kMaxEditLine)));
    }
    return lines;
}

INT_PTR CALLBACK edit_box_procedure(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    switch (m) {
        case WM_INITDIALOG: {
            EditState& s = keep_state<EditState>(h, lp);
            SetWindowTextA(h, s.title.c_str());
            SetDlgItemTextA(h, kField, s.text.c_str());
            SendDlgItemMessageA(h, kField, EM_SETSEL, 0, 0x7FFF);
            return TRUE;
        }
        case WM_COMMAND: {
            HWND field = GetDlgItem(h, kField);
            switch (LOWORD(wp)) {
                case kField: {
                    // Copying and cutting need a selection (or a caret
                    // away from the start); OK needs a text.
                    const BOOL selection = SendMessageA(field, EM_GETSEL, 0, 0) != 0;
                    EnableWindow(GetDlgItem(h, kCopy), selection);
                    EnableWindow(GetDlgItem(h, kCut), selection);
                    if (HIWORD(wp) == EN_CHANGE)
                        EnableWindow(GetDlgItem(h, IDOK), GetWindowTextLengthA(field) > 0);
                    return TRUE;
                }
                case kCopy: SendMessageA(field, WM_COPY, 0, 0); return TRUE;
                case kCut: SendMessageA(field, WM_CUT, 0, 0); return TRUE;
                case kPaste: SendMessageA(field, WM_PASTE, 0, 0); return TRUE;
                default:
                    return ended_by(h, wp, [&] { state_of<EditState>(h).lines = field_lines(field); });
            }
        }
        default: return FALSE;
    }
}

// ---- list box ----

struct ListState {
    std::string title;
    const ItemList* items = nullptr;
    int32_t extent = 0;
    ListOutcome outcome;
};

INT_PTR CALLBACK list_box_procedure(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    switch (m) {
        case WM_INITDIALOG: {
            ListState& s = keep_state<ListState>(h, lp);
            SetWindowTextA(h, s.title.c_str());
            HWND list = GetDlgItem(h, kField);
            SendMessageA(list, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(s.extent), 0);
            SendMessageA(list, WM_SETREDRAW, FALSE, 0);
            for (int32_t k = 0; k <= s.items->last_index(); ++k)
                SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>((*s.items)[k].c_str()));
            SendMessageA(list, WM_SETREDRAW, TRUE, 0);
            return TRUE;
        }
        case WM_COMMAND:
            switch (LOWORD(wp)) {
                case kField:
                    if (HIWORD(wp) == LBN_SELCHANGE || HIWORD(wp) == LBN_DBLCLK) {
                        ListOutcome& o = state_of<ListState>(h).outcome;
                        HWND list = reinterpret_cast<HWND>(lp);
                        const LRESULT row = SendMessageA(list, LB_GETCURSEL, 0, 0);
                        o.selected = true;
                        o.row = static_cast<int32_t>(row);
                        o.text.clear();
                        const LRESULT n = row >= 0 ? SendMessageA(list, LB_GETTEXTLEN, row, 0) : LB_ERR;
                        if (n > 0) {
                            o.text.assign(static_cast<size_t>(n) + 1, '\0');
                            const LRESULT got = SendMessageA(list, LB_GETTEXT, row,
                                                             reinterpret_cast<LPARAM>(o.text.data()));
                            o.text.resize(static_cast<size_t>(std::clamp<LRESULT>(got, 0, n)));
                        }
                        if (HIWORD(wp) == LBN_DBLCLK) SendMessageA(h, WM_COMMAND, IDOK, 0);
                    }
                    return TRUE;
                default:
                    return ended_by(h, wp, [&] { state_of<ListState>(h).outcome.confirmed = true; });
            }
        default: return FALSE;
    }
}

// ---- input ----

struct InputState {
    std::string prompt, title, default_text, text;
};

INT_PTR CALLBACK input_procedure(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    switch (m) {
        case WM_INITDIALOG: {
            InputState& s = keep_state<InputState>(h, lp);
            SendDlgItemMessageA(h, kField, EM_LIMITTEXT, dialogs::kMaxInput, 0);
            SetWindowTextA(h, s.title.c_str());
            SetDlgItemTextA(h, kPrompt, s.prompt.c_str());
            SetDlgItemTextA(h, kField, s.default_text.c_str());
            SendDlgItemMessageA(h, kField, EM_SETSEL, 0, 0x7FFF0000);
            return TRUE;
        }
        case WM_COMMAND:
            switch (LOWORD(wp)) {
                case kField:
                    if (HIWORD(wp) == EN_CHANGE)
                        EnableWindow(GetDlgItem(h, IDOK),
                                     GetWindowTextLengthA(reinterpret_cast<HWND>(lp)) > 0);
                    return TRUE;
                default:
                    return ended_by(h, wp, [&] {
                        char text[dialogs::kMaxInput + 1] = "";
                        const UINT n = GetDlgItemTextA(h, kField, text, sizeof text);
                        state_of<InputState>(h).text.assign(text, std::min<size_t>(n, dialogs::kMaxInput));
                    });
            }
        default: return FALSE;
    }
}

// ---- the platform ----

class Win32DialogPlatform : public DialogPlatform {
public:
    std::optional<std::vector<std::string>> edit_box(const char* name, std::string_view title,
                                                     std::string_view text) override {
        EditState s{std::string(title), std::string(text), {}};
        if (run_dialog(name, edit_box_procedure, &s) != 1) return std::nullopt;
        return std::move(s.lines);
    }

    ListOutcome list_box(const char* name, std::string_view title, const ItemList& items,
                         int32_t extent) override {
        ListState s{std::string(title), &items, extent, {}};
        if (run_dialog(name, list_box_procedure, &s) != 1) s.outcome.confirmed = false;
        return s.outcome;
    }

    std::optional<std::string> input_box(std::string_view prompt, std::string_view title,
                                         std::string_view default_text) override {
        InputState s{std::string(prompt), std::string(title), std::string(default_text), {}};
        if (run_dialog("INPUT", input_procedure, &s) != 1) return std::nullopt;
        return std::move(s.text);
    }

    std::optional<std::string> open_file(std::string_view title,
                                         const FileDialogRequest& request) override {
        return show_file_dialog(FileDialogKind::Open, title, request, main_window_handle());
    }

    std::optional<std::string> save_file(std::string_view title,
                                         const FileDialogRequest& request) override {
        return show_file_dialog(FileDialogKind::Save, title, request, main_window_handle());
    }

    std::optional<std::string> browse_folder(std::string_view title) override {
        const std::string t(title);
        char display_name[MAX_PATH] = "";
        BROWSEINFOA bi{};
        bi.hwndOwner = main_window_handle();
        LPITEMIDLIST drives = nullptr;
        if (SUCCEEDED(SHGetSpecialFolderLocation(bi.hwndOwner, CSIDL_DRIVES, &drives)))
            bi.pidlRoot = drives;
        bi.pszDisplayName = display_name;
        bi.lpszTitle = t.c_str();
        bi.ulFlags = BIF_RETURNONLYFSDIRS;
        LPITEMIDLIST chosen;
        {
            ModalAutomation automation;
            chosen = SHBrowseForFolderA(&bi);
        }
        std::optional<std::string> path;
        char buffer[MAX_PATH] = "";
        if (chosen && SHGetPathFromIDListA(chosen, buffer)) path = std::string(buffer);
        if (chosen) CoTaskMemFree(chosen);
        if (drives) CoTaskMemFree(drives);
        return path;
    }

    void set_current_directory(const std::string& path) override {
        SetCurrentDirectoryA(path.c_str());
    }
};

}  // namespace

DialogPlatform& win32_dialog_platform() {
    static Win32DialogPlatform platform;
    return platform;
}

}  // namespace tolven
