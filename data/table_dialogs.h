// The record dialog and the browse dialog over the current table. What they
// show and do is worked out here without the platform: the field list, the
// place, size and id of every control, the values shown, checking and
// writing what the user typed, filling and scrolling the grid, the buttons
// of each mode and the editing of a grid row. The platform only makes the
// controls a dialog lists, shows what it says and hands it the user's
// actions (data/win32/table_dialogs_win32.cpp); without one every dialog is
// cancelled. Texts are Latin-1. The dialogs take their ids from the control
// id counter kept with the gui's values (gui/gui_state.h).
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/registry.h"

namespace tolven {

namespace dbase {
struct Table;
}

extern const Module kTableDialogModule;

void record_dialog_function();
void browse_dialog_function();

namespace table_dialogs {

// One triple of the field list: field name, label, width in pixels.
struct ListedField {
    std::string name, label;
    int32_t width = 0;
};
constexpr size_t kMaxFields = 20;

// "name;label;width;name;label;width...": at most kMaxFields triples; a
// missing label is empty, a missing or bad width 0, widths at most 32767.
std::vector<ListedField> parse_field_list(std::string_view text);

// One control of a dialog as the platform makes and shows it.
struct Control {
    enum Role : uint8_t {
        Frame,         // the group box around the record dialog's fields
        Label,         // a field's label or a column heading
        Value,         // a value shown as text (record dialog, grid cell)
        CellFrame,     // the disabled group box around a grid cell
        Edit,          // an edit field
        RowButton,     // the radio button in front of a grid row
        ScrollBar,
        CountLabel,    // "Anzahl:"
        Count,         // the record count
        OkButton, CancelButton, DeleteButton, NewButton, BackButton,
    };
    Role role = Value;
    int32_t row = -1, column = -1;  // grid row / field position, -1 when none
    const char* window_class = "STATIC";
    std::string text;
    uint32_t style = 0, exstyle = 0;
    int32_t x = 0, y = 0, width = 0, height = 0;
    int32_t id = 0;  // 0: made without id
    // What the platform shows; changed by the dialog after each action.
    bool visible = true, enabled = true, checked = false;
    int32_t range_min = 0, range_max = 0, position = 0;  // scroll bar
};

// What the user did, as the dialog's wait sees it.
struct Event {
    enum Kind { Enter, Escape, Click, Scroll };
    Kind kind = Escape;
    int32_t id = 0;        // Click: the control's id
    int32_t position = 0;  // Scroll: the scroll bar's new position
};

// A column of the current table: its field number (0 when the name is no
// field), type letter and width.
struct Column {
    ListedField listed;
    int32_t number = 0;
    char type = 'C';
};

class TableDialog {
public:
    virtual ~TableDialog() = default;
    TableDialog(const TableDialog&) = delete;
    TableDialog& operator=(const TableDialog&) = delete;

    std::string_view title() const { return title_; }
    // Window position and size, frame included.
    int32_t x() const { return x_; }
    int32_t y() const { return y_; }
    int32_t width() const { return width_; }
    int32_t height() const { return height_; }

    // The controls made with the dialog, in the order they are made.
    const std::vector<Control>& controls() const { return controls_; }
    // Edit fields made later (the grid's row editing); each new set counts
    // up edits_made(), and edit_texts_set() counts their texts being set
    // again from here.
    const std::vector<Control>& edits() const { return edits_; }
    int32_t edits_made() const { return edits_made_; }
    int32_t edit_texts_set() const { return edit_texts_set_; }
    // The control to give the focus after the last action; 0 for none.
    int32_t focus() const { return focus_; }

    // Handles one action; `edit_texts` are the texts of every edit field now
    // shown (those among the controls first, then the later ones).
    virtual void handle(const Event& e, const std::vector<std::string>& edit_texts) = 0;

    bool finished() const { return finished_; }
    int32_t result() const { return result_; }

protected:
    TableDialog(dbase::Table& table, int32_t x, int32_t y, std::string_view title,
                std::string_view field_list);
    Control& add(Control c);
    Control* find(int32_t id);
    void finish(int32_t result) {
        finished_ = true;
        result_ = result;
    }
    // The text shown for a column of the record buffer.
    std::string shown(const Column& c) const;
    // Writes the texts that differ from `before` into the record buffer;
    // -1 when all were taken, else the column refused (after notice 617 with
    // its label; the buffer is then as it was).
    int32_t take(const std::vector<std::string>& before, const std::vector<std::string>& texts);

    dbase::Table& table_;
    std::string title_;
    int32_t x_, y_, width_ = 0, height_ = 0;
    std::vector<Column> columns_;
    std::vector<Control> controls_, edits_;
    int32_t edits_made_ = 0, edit_texts_set_ = 0, focus_ = 0;
    bool finished_ = false;
    int32_t result_ = 0;
};

// The record dialog (function 0x1F): the current record's fields, edit
// fields in mode 1, else texts.
class RecordDialog : public TableDialog {
public:
    RecordDialog(dbase::Table& table, int32_t x, int32_t y, std::string_view title,
                 std::string_view field_list, int32_t mode);
    void handle(const Event& e, const std::vector<std::string>& edit_texts) override;
    // "&Ok" with the values as they are shown (mode 1 only: the other modes
    // have no "&Ok").
    void confirm_as_shown();
    const std::vector<std::string>& values() const { return values_; }

private:
    void confirm(const std::vector<std::string>& texts);
    bool editable_;
    std::vector<std::string> values_;
    int32_t ok_ = 0, cancel_ = 0;
};

// The browse dialog (function 0x1E): a grid of `rows` records.
class BrowseDialog : public TableDialog {
public:
    BrowseDialog(dbase::Table& table, int32_t x, int32_t y, std::string_view title, int32_t rows,
                 std::string_view field_list, int32_t mode);
    void handle(const Event& e, const std::vector<std::string>& edit_texts) override;
    // The mode as it acts: 0, 1 or 2.
    int32_t mode() const { return mode_; }
    // Chooses record `r` as a click on its row would in mode 2, scrolling to
    // it first when it is not shown; false when there is no such record or
    // the mode chooses none.
    bool choose(int32_t r);
    int32_t first_position() const { return position_; }
    int32_t row_record(int32_t row) const { return records_[static_cast<size_t>(row)]; }
    int32_t editing_row() const { return editing_; }

private:
    void fill();
    void scroll_to(int32_t position);
    void click(int32_t id);
    void start_editing(int32_t row);
    void stop_editing();
    void commit(const std::vector<std::string>& texts);
    void toggle_deleted();
    void append_blank();
    void select(int32_t row);
    void show_buttons();
    int32_t last_position() const;
    Control& cell(int32_t row, int32_t column);
    Control& cell_frame(int32_t row, int32_t column);
    Control* row_button(int32_t row);

    int32_t rows_, mode_;
    bool limit_jumps_;
    int32_t count_ = 0, position_ = 1;
    std::vector<int32_t> records_;                 // per row; 0 beyond the last record
    std::vector<std::vector<std::string>> cells_;  // per row, per column
    int32_t selected_ = -1, editing_ = -1;
    size_t first_cell_ = 0, first_row_button_ = 0, scroll_bar_ = 0, count_text_ = 0;
    int32_t ok_ = 0, cancel_ = 0, delete_ = 0, new_ = 0, back_ = 0;
};

// The platform side: shows the dialog and feeds it the user's actions until
// it has finished. The default shows nothing: the dialog stays unfinished,
// which counts as cancelled.
class TableDialogPlatform {
public:
    virtual ~TableDialogPlatform() = default;
    virtual void run(TableDialog& dialog) {}
};
void set_table_dialog_platform(TableDialogPlatform* p);  // nullptr: the default

}  // namespace table_dialogs
}  // namespace tolven
