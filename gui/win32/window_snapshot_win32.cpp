#include "gui/win32/window_snapshot_win32.h"

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>


namespace tolven {

namespace {

using automation::MenuEntry;
using automation::WindowRecord;

uint32_t value_of(HWND h) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(h)); }

bool is_class(const std::string& name, const char* wanted) {
    return lstrcmpiA(name.c_str(), wanted) == 0;
}

std::string text_of(HWND h) {
    std::string text(static_cast<size_t>(GetWindowTextLengthA(h)) + 1, '\0');
    text.resize(static_cast<size_t>(GetWindowTextA(h, text.data(), static_cast<int>(text.size()))));
    return text;
}

// The lines and the selection of a list box or combo box, through the
// messages of its kind.
struct ListMessages {
    UINT count, length, text, selection;
};
constexpr ListMessages kListBox{LB_GETCOUNT, LB_GETTEXTLEN, LB_GETTEXT, LB_GETCURSEL};
constexpr ListMessages kComboBox{CB_GETCOUNT, CB_GETLBTEXTLEN, CB_GETLBTEXT, CB_GETCURSEL};

void read_list(HWND h, const ListMessages& m, WindowRecord& w) {
    w.extra = WindowRecord::List;
    const LRESULT count = SendMessageA(h, m.count, 0, 0);
    for (LRESULT k = 0; k < count; ++k) {
        const WPARAM at = static_cast<WPARAM>(k);
        const LRESULT n = SendMessageA(h, m.length, at, 0);
        std::string line(n > 0 ? static_cast<size_t>(n) + 1 : 0, '\0');
        const LRESULT got =
            n > 0 ? SendMessageA(h, m.text, at, reinterpret_cast<LPARAM>(line.data())) : 0;
        line.resize(got > 0 && got <= n ? static_cast<size_t>(got) : 0);
        w.items.push_back(std::move(line));
    }
    w.selected = static_cast<int32_t>(SendMessageA(h, m.selection, 0, 0));
}

std::vector<MenuEntry> menu_entries(HMENU menu, int depth) {
    std::vector<MenuEntry> out;
    const int count = GetMenuItemCount(menu);
    for (int k = 0; k < count; ++k) {
        char text[256] = "";
        MENUITEMINFOA info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_STRING;
        info.dwTypeData = text;
        info.cch = sizeof text - 1;
        if (!GetMenuItemInfoA(menu, static_cast<UINT>(k), TRUE, &info)) continue;
        MenuEntry e;
        if (info.fType & MFT_SEPARATOR) {
            e.kind = MenuEntry::Separator;
        } else if (info.hSubMenu) {
            e.kind = MenuEntry::Popup;
            e.text = text;
            // Menus cannot contain themselves, but a hostile program's could
            // be made to: the depth stops that.
            if (depth < 16) e.popup = menu_entries(info.hSubMenu, depth + 1);
        } else {
            e.id = static_cast<int32_t>(static_cast<int16_t>(info.wID));
            e.text = text;
            e.checked = info.fState & MFS_CHECKED;
            e.grayed = info.fState & MFS_GRAYED;
        }
        out.push_back(std::move(e));
    }
    return out;
}

WindowRecord record_of(HWND h, bool top_level) {
    WindowRecord w;
    w.hwnd = value_of(h);
    w.owner = value_of(GetWindow(h, GW_OWNER));
    HWND parent = top_level ? nullptr : GetAncestor(h, GA_PARENT);
    w.parent = value_of(parent);
    char name[256] = "";
    GetClassNameA(h, name, sizeof name);
    w.class_name = name;
    w.id = top_level ? 0 : GetDlgCtrlID(h);
    w.text = text_of(h);
    w.style = static_cast<uint32_t>(GetWindowLongA(h, GWL_STYLE));
    w.exstyle = static_cast<uint32_t>(GetWindowLongA(h, GWL_EXSTYLE));
    RECT r{};
    GetWindowRect(h, &r);
    if (parent) MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&r), 2);
    w.x = r.left;
    w.y = r.top;
    w.width = r.right - r.left;
    w.height = r.bottom - r.top;
    w.visible = IsWindowVisible(h);
    w.enabled = IsWindowEnabled(h);
    w.focus = GetFocus() == h;

    if (is_class(w.class_name, "Button")) {
        w.extra = WindowRecord::Button;
        w.check = static_cast<int32_t>(SendMessageA(h, BM_GETCHECK, 0, 0));
    } else if (is_class(w.class_name, "ListBox") || is_class(w.class_name, "ComboLBox")) {
        read_list(h, kListBox, w);
    } else if (is_class(w.class_name, "ComboBox")) {
        read_list(h, kComboBox, w);
    } else if (is_class(w.class_name, "ScrollBar")) {
        w.extra = WindowRecord::ScrollBar;
        int lo = 0, hi = 0;
        GetScrollRange(h, SB_CTL, &lo, &hi);
        w.pos = GetScrollPos(h, SB_CTL);
        w.range_min = lo;
        w.range_max = hi;
    } else if (is_class(w.class_name, WC_TABCONTROLA)) {
        w.extra = WindowRecord::Tabs;
        const LRESULT n = SendMessageA(h, TCM_GETITEMCOUNT, 0, 0);
        for (LRESULT k = 0; k < n; ++k) {
            char text[256] = "";
            TCITEMA item{};
            item.mask = TCIF_TEXT;
            item.pszText = text;
            item.cchTextMax = sizeof text;
            SendMessageA(h, TCM_GETITEMA, static_cast<WPARAM>(k), reinterpret_cast<LPARAM>(&item));
            w.items.emplace_back(text);
        }
        w.selected = static_cast<int32_t>(SendMessageA(h, TCM_GETCURSEL, 0, 0));
    }
    if (top_level || !(w.style & WS_CHILD)) {
        if (HMENU menu = GetMenu(h); menu && IsMenu(menu)) {
            w.has_menu = true;
            w.menu = menu_entries(menu, 0);
        }
    }
    return w;
}

void add_with_descendants(HWND h, bool top_level, std::vector<WindowRecord>& out) {
    out.push_back(record_of(h, top_level));
    for (HWND child = GetWindow(h, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        add_with_descendants(child, false, out);
}

BOOL CALLBACK add_top_level(HWND h, LPARAM lp) {
    DWORD process = 0;
    GetWindowThreadProcessId(h, &process);
    if (process == GetCurrentProcessId())
        add_with_descendants(h, true, *reinterpret_cast<std::vector<WindowRecord>*>(lp));
    return TRUE;
}

}  // namespace

std::vector<WindowRecord> collect_windows() {
    std::vector<WindowRecord> out;
    EnumWindows(add_top_level, reinterpret_cast<LPARAM>(&out));
    return out;
}

}  // namespace tolven
