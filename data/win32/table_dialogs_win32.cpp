#include "data/win32/table_dialogs_win32.h"

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "gui/waits.h"
#include "screen/events.h"
#include "screen/win32/main_window.h"

namespace tolven {

namespace {

using table_dialogs::Control;
using table_dialogs::Event;
using table_dialogs::TableDialog;

std::string text_of(HWND h) {
    std::string text(static_cast<size_t>(GetWindowTextLengthA(h)) + 1, '\0');
    text.resize(static_cast<size_t>(GetWindowTextA(h, text.data(), static_cast<int>(text.size()))));
    return text;
}

HWND make(HWND dialog, const Control& c) {
    HWND h = CreateWindowExA(c.exstyle, c.window_class, c.text.c_str(), c.style, c.x, c.y, c.width,
                             c.height, dialog, reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)),
                             GetModuleHandleA(nullptr), nullptr);
    if (h) SendMessageA(h, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    return h;
}

// Waits for the user to do something in the dialog, as the general wait
// does. The dialog procedure records Enter as key 13, Escape as 2, a click
// on a control as its negated id and a scroll bar move as key 255. Messages
// are handled at least once per wait, so that the dialog goes on even while
// a flag the wait ends on and nothing clears stays set (a paint request).
void wait_for_dialog_event() {
    begin_wait(WaitKind::Any);
    do wait_platform().wait_a_moment();
    while (!wait_ended(WaitKind::Any) && wait_platform().input_possible());
    finish_wait(WaitKind::Any);
}

// The dialog's window and controls, kept as the dialog last said.
class Shown {
public:
    Shown(TableDialog& d) : d_(d) {}
    ~Shown() {
        if (dialog_) DestroyWindow(dialog_);
    }

    bool open() {
        dialog_ = CreateDialogParamA(GetModuleHandleA(nullptr), "LDIALOG", main_window_handle(),
                                     dialog_box_proc, 0);
        if (!dialog_) return false;
        // Enter in an edit field is the dialog's own key 13, never a click
        // on a button that once had the focus.
        SendMessageA(dialog_, DM_SETDEFID, IDOK, 0);
        SetWindowTextA(dialog_, std::string(d_.title()).c_str());
        SetWindowPos(dialog_, nullptr, d_.x(), d_.y(), d_.width(), d_.height(), SWP_NOZORDER);
        for (const Control& c : d_.controls()) windows_.push_back(make(dialog_, c));
        applied_ = d_.controls();
        for (size_t k = 0; k < applied_.size(); ++k) apply(k, true);
        ShowWindow(dialog_, SW_SHOWNORMAL);
        edits_made_ = d_.edits_made();
        edit_texts_set_ = d_.edit_texts_set();
        focus();
        return true;
    }

    HWND window() const { return dialog_; }

    // What the user did, from the event state after the wait.
    std::optional<Event> event() {
        if (!IsWindow(dialog_)) return Event{Event::Escape};
        if (events.last_key == 13) return Event{Event::Enter};
        if (events.last_key == 2) return Event{Event::Escape};
        if (events.last_key == 255 && events.last_command < 0) {
            const int32_t id = -events.last_command;
            for (const Control& c : applied_)
                if (c.id == id && c.role != Control::ScrollBar) return Event{Event::Click, id};
        }
        for (size_t k = 0; k < applied_.size(); ++k) {
            if (applied_[k].role != Control::ScrollBar) continue;
            const int position = GetScrollPos(windows_[k], SB_CTL);
            if (position != applied_[k].position) return Event{Event::Scroll, 0, position};
        }
        return std::nullopt;
    }

    std::vector<std::string> edit_texts() const {
        std::vector<std::string> texts;
        for (size_t k = 0; k < applied_.size(); ++k)
            if (applied_[k].role == Control::Edit) texts.push_back(text_of(windows_[k]));
        for (HWND e : edits_) texts.push_back(text_of(e));
        return texts;
    }

    // Brings the window up to what the dialog now says.
    void update() {
        const std::vector<Control>& now = d_.controls();
        for (size_t k = 0; k < now.size() && k < applied_.size(); ++k) {
            const Control before = applied_[k];
            applied_[k] = now[k];
            apply(k, false, &before);
        }
        if (d_.edits_made() != edits_made_) {
            edits_made_ = d_.edits_made();
            for (HWND e : edits_) DestroyWindow(e);
            edits_.clear();
            HWND after = HWND_TOP;
            for (const Control& c : d_.edits()) {
                HWND e = make(dialog_, c);
                // Over the cells they cover, and first in the tab order in
                // the order they were made.
                SetWindowPos(e, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
                edits_.push_back(e);
                after = e;
            }
            edit_texts_set_ = d_.edit_texts_set();
        }
        if (d_.edit_texts_set() != edit_texts_set_) {
            edit_texts_set_ = d_.edit_texts_set();
            for (size_t k = 0; k < edits_.size() && k < d_.edits().size(); ++k)
                if (text_of(edits_[k]) != d_.edits()[k].text)
                    SetWindowTextA(edits_[k], d_.edits()[k].text.c_str());
        }
        focus();
    }

private:
    void apply(size_t k, bool first, const Control* before = nullptr) {
        HWND h = windows_[k];
        const Control& c = applied_[k];
        if (!h) return;
        if (first || c.text != before->text) SetWindowTextA(h, c.text.c_str());
        if (first || c.enabled != before->enabled) EnableWindow(h, c.enabled);
        if (first || c.visible != before->visible) ShowWindow(h, c.visible ? SW_SHOWNA : SW_HIDE);
        if (c.role == Control::RowButton) SendMessageA(h, BM_SETCHECK, c.checked ? BST_CHECKED : BST_UNCHECKED, 0);
        if (c.role == Control::ScrollBar) {
            // Always: the bar may have moved further than the dialog went.
            SetScrollRange(h, SB_CTL, c.range_min, c.range_max, FALSE);
            SetScrollPos(h, SB_CTL, c.position, TRUE);
        }
    }

    void focus() {
        HWND target = nullptr;
        if (d_.focus()) target = GetDlgItem(dialog_, d_.focus());
        HWND now = GetFocus();
        if (!target && (!now || (now != dialog_ && !IsChild(dialog_, now)) || !IsWindowEnabled(now)))
            target = GetNextDlgTabItem(dialog_, nullptr, FALSE);
        if (target && IsWindowEnabled(target)) SetFocus(target);
    }

    TableDialog& d_;
    HWND dialog_ = nullptr;
    std::vector<HWND> windows_, edits_;
    std::vector<Control> applied_;
    int32_t edits_made_ = 0, edit_texts_set_ = 0;
};

class Win32TableDialogPlatform : public table_dialogs::TableDialogPlatform {
public:
    void run(TableDialog& d) override {
        Shown shown(d);
        if (!shown.open()) return;
        // The dialog takes the navigation keys while it is open, and
        // records its clicks even when the program switched that off.
        HWND outer = current_dialog;
        current_dialog = shown.window();
        const bool recording = events.command_recording;
        events.command_recording = true;
        while (!d.finished()) {
            wait_for_dialog_event();
            const std::optional<Event> e = shown.event();
            if (!e) continue;
            d.handle(*e, shown.edit_texts());
            if (!d.finished()) shown.update();
        }
        events.command_recording = recording;
        current_dialog = outer;
    }
};

}  // namespace

table_dialogs::TableDialogPlatform& win32_table_dialog_platform() {
    static Win32TableDialogPlatform platform;
    return platform;
}

}  // namespace tolven
