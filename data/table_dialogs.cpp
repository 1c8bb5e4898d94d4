#include "data/table_dialogs.h"

#include <algorithm>
#include <optional>

#include "core/automation.h"
#include "core/errors.h"
#include "data/dbf.h"
#include "data/record_file.h"
#include "gui/gui_state.h"
#include "values/reader.h"
#include "values/textops.h"

namespace tolven {

namespace table_dialogs {

namespace {

TableDialogPlatform cancelling_platform;
TableDialogPlatform* platform = &cancelling_platform;

// Window styles of the controls, as the window objects make them.
constexpr uint32_t kStatic = 0x50000000, kRightAligned = 0x2;
constexpr uint32_t kButton = 0x50010000, kRadioButton = 0x50010009;
constexpr uint32_t kGroupBox = 0x50020007, kDisabled = 0x08000000;
constexpr uint32_t kEdit = 0x50010080, kEditRight = 0x2, kClientEdge = 0x200;
constexpr uint32_t kVScroll = 0x50010001;

// Grid rows are this many pixels apart; a browse dialog has at most
// kMaxRows of them (more would not fit any screen).
constexpr int32_t kRowHeight = 21, kMaxRows = 100;
// Record dialog rows.
constexpr int32_t kFieldRow = 24;
// A field wider than any screen is as wide as this.
constexpr int32_t kMaxWidth = 32767;

int32_t number_in(std::string_view text) {
    text = trim(text);
    bool negative = !text.empty() && text.front() == '-';
    if (negative) text.remove_prefix(1);
    int64_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') break;
        v = std::min<int64_t>(v * 10 + (c - '0'), 0x7FFFFFFF);
    }
    return static_cast<int32_t>(negative ? -v : v);
}

Control control(Control::Role role, const char* window_class, std::string text, uint32_t style,
                int32_t x, int32_t y, int32_t w, int32_t h, bool with_id) {
    Control c;
    c.role = role;
    c.window_class = window_class;
    c.text = std::move(text);
    c.style = style;
    c.x = x;
    c.y = y;
    c.width = w;
    c.height = h;
    if (with_id) c.id = take_control_id();
    return c;
}

Control button(Control::Role role, const char* text, int32_t x, int32_t y) {
    return control(role, "BUTTON", text, kButton, x, y, 80, 24, true);
}

}  // namespace

void set_table_dialog_platform(TableDialogPlatform* p) {
    platform = p ? p : &cancelling_platform;
}

std::vector<ListedField> parse_field_list(std::string_view text) {
    std::vector<std::string_view> parts;
    while (!text.empty()) {
        const size_t end = text.find(';');
        parts.push_back(text.substr(0, end));
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    std::vector<ListedField> fields;
    for (size_t k = 0; k < parts.size() && fields.size() < kMaxFields; k += 3) {
        ListedField f;
        f.name = std::string(trim(parts[k]));
        if (k + 1 < parts.size()) f.label = std::string(parts[k + 1]);
        if (k + 2 < parts.size()) f.width = std::clamp(number_in(parts[k + 2]), 0, kMaxWidth);
        fields.push_back(std::move(f));
    }
    return fields;
}

// ---- common ----

TableDialog::TableDialog(dbase::Table& table, int32_t x, int32_t y, std::string_view title,
                         std::string_view field_list)
    : table_(table), title_(title), x_(x), y_(y) {
    restart_control_ids();
    for (ListedField& listed : parse_field_list(field_list)) {
        Column c;
        if (const dbase::Field* f = table.field(listed.name)) {
            c.number = static_cast<int32_t>(f - table.file->fields.data()) + 1;
            c.type = f->type;
        } else {
            set_db_error(602, listed.name);
        }
        c.listed = std::move(listed);
        columns_.push_back(std::move(c));
    }
}

Control& TableDialog::add(Control c) {
    controls_.push_back(std::move(c));
    return controls_.back();
}

Control* TableDialog::find(int32_t id) {
    for (Control& c : controls_)
        if (c.id == id) return &c;
    return nullptr;
}

std::string TableDialog::shown(const Column& c) const {
    if (!c.number) return {};
    std::string text(trim(dbase::field_text(table_, c.number)));
    // A blank date shows as nothing, not as a date the conversion refuses.
    if (c.type == 'D' && text.size() == 8) text = dbase::dtoc(text);
    return text;
}

int32_t TableDialog::take(const std::vector<std::string>& before,
                          const std::vector<std::string>& texts) {
    const std::vector<uint8_t> saved = table_.buffer;
    for (size_t k = 0; k < columns_.size() && k < texts.size() && k < before.size(); ++k) {
        // What the user left as it was shown is not written back: a value
        // the conversions would change (leading blanks, a memo, a blank date)
        // stays as it is in the record.
        if (texts[k] == before[k]) continue;
        const Column& c = columns_[k];
        bool taken = false;
        if (!c.number) {
            taken = false;
        } else if (c.type == 'D') {
            const std::string_view date = trim(texts[k]);
            if (date.empty()) {
                dbase::blank_field(table_, c.number);
                taken = true;
            } else if (date.size() == 10) {
                taken = dbase::store_field_text(table_, c.number, dbase::ctod(date));
            }
        } else {
            taken = dbase::store_field_text(table_, c.number, texts[k]);
        }
        if (!taken) {
            table_.buffer = saved;
            raise_notice(617, c.listed.label);
            return static_cast<int32_t>(k);
        }
    }
    return -1;
}

// ---- record dialog ----

RecordDialog::RecordDialog(dbase::Table& table, int32_t x, int32_t y, std::string_view title,
                           std::string_view field_list, int32_t mode)
    : TableDialog(table, x, y, title, field_list), editable_(mode == 1) {
    const int32_t n = static_cast<int32_t>(columns_.size());
    int32_t widest = 0;
    for (const Column& c : columns_) widest = std::max(widest, c.listed.width);
    width_ = std::max(widest + 140, 300);
    height_ = kFieldRow * n + 84;
    add(control(Control::Frame, "BUTTON", "", kGroupBox, 10, 4, width_ - 26, kFieldRow * n + 14, true));
    for (int32_t k = 0; k < n; ++k) {
        const Column& col = columns_[static_cast<size_t>(k)];
        const int32_t top = 16 + kFieldRow * k;
        const bool numeric = col.type == 'N';
        values_.push_back(shown(col));
        Control& label = add(control(Control::Label, "STATIC", col.listed.label, kStatic, 20, top + 2, 100, 16, false));
        label.column = k;
        Control& value = editable_
            ? add(control(Control::Edit, "EDIT", values_.back(), kEdit | (numeric ? kEditRight : 0), 120, top,
                          col.listed.width, 20, true))
            : add(control(Control::Value, "STATIC", values_.back(), kStatic | (numeric ? kRightAligned : 0), 120,
                          top + 2, col.listed.width, 16, false));
        value.column = k;
        if (editable_) value.exstyle = kClientEdge;
    }
    const int32_t buttons = kFieldRow * n + 24;
    if (editable_) ok_ = add(button(Control::OkButton, "&Ok", 20, buttons)).id;
    cancel_ = add(button(Control::CancelButton, "&Abbruch", width_ - 26 - 80, buttons)).id;
    focus_ = editable_ && n > 0 ? controls_[2].id : cancel_;
    dbase::report_db_error();
}

void RecordDialog::handle(const Event& e, const std::vector<std::string>& edit_texts) {
    focus_ = 0;
    if (e.kind == Event::Escape || (e.kind == Event::Click && e.id == cancel_)) finish(0);
    else if (e.kind == Event::Click && e.id == ok_ && editable_) confirm(edit_texts);
}

void RecordDialog::confirm_as_shown() {
    if (editable_) confirm(values_);
}

void RecordDialog::confirm(const std::vector<std::string>& texts) {
    const int32_t refused = take(values_, texts);
    if (refused >= 0) {
        for (const Control& c : controls_)
            if (c.role == Control::Edit && c.column == refused) focus_ = c.id;
        return;
    }
    dbase::put_record(table_, table_.current);
    dbase::report_db_error();
    finish(1);
}

// ---- browse dialog ----

namespace {

// The position of the current record in the order shown: its place in the
// master index, else its number.
int32_t position_of_current(dbase::Table& t) {
    const int32_t target = t.current, count = t.file->count;
    if (target < 1 || target > count) return 1;
    if (!t.indexed || !t.master()) return target;
    dbase::move(t, dbase::Move::First, false);
    int32_t k = 1;
    while (!t.end && t.current != target && k < count) {
        dbase::move(t, dbase::Move::Next, false);
        ++k;
    }
    return t.current == target ? k : 1;
}

// Reads record `r` as the table functions' go-to does, the index following.
void go_to_record(int32_t r) { dbase::go_to(std::to_string(r), r, std::nullopt); }

}  // namespace

BrowseDialog::BrowseDialog(dbase::Table& table, int32_t x, int32_t y, std::string_view title,
                           int32_t rows, std::string_view field_list, int32_t mode)
    : TableDialog(table, x, y, title, field_list), rows_(std::clamp(rows, 1, kMaxRows)) {
    limit_jumps_ = mode >= 16;
    if (limit_jumps_) mode -= 16;
    mode_ = mode >= 0 && mode <= 2 ? mode : 0;
    count_ = table.file->count;
    position_ = position_of_current(table);

    const int32_t n = static_cast<int32_t>(columns_.size());
    const int32_t cells_x = mode_ != 0 ? 26 : 8, grid_y = 22;
    std::vector<int32_t> column_x;
    int32_t grid_width = 0;
    for (const Column& c : columns_) {
        column_x.push_back(cells_x + grid_width);
        grid_width += c.listed.width + 3;
    }
    const int32_t bar_x = cells_x + grid_width + 4;
    width_ = std::max(300, bar_x + 16 + 16);
    height_ = rows_ * kRowHeight + 78;
    const int32_t client_width = width_ - 6, bottom = grid_y + rows_ * kRowHeight + 4;

    // The buttons first, so that their ids are the same for every grid.
    std::vector<std::pair<Control::Role, const char*>> buttons;
    if (mode_ == 1)
        buttons = {{Control::DeleteButton, "&L\xF6schen"}, {Control::NewButton, "&Neu"}, {Control::BackButton, "&Zur\xFC" "ck"}};
    else if (mode_ == 2)
        buttons = {{Control::OkButton, "&Ok"}, {Control::CancelButton, "&Abbruch"}};
    else
        buttons = {{Control::OkButton, "&Ok"}};
    int32_t bx = client_width - 8 - static_cast<int32_t>(buttons.size()) * 86 + 6;
    for (const auto& [role, text] : buttons) {
        Control& b = add(button(role, text, bx, bottom));
        b.height = 22;
        bx += 86;
        (role == Control::DeleteButton ? delete_ : role == Control::NewButton ? new_
         : role == Control::BackButton ? back_ : role == Control::OkButton ? ok_ : cancel_) = b.id;
    }
    scroll_bar_ = controls_.size();
    add(control(Control::ScrollBar, "SCROLLBAR", "", kVScroll, bar_x, grid_y, 16, rows_ * kRowHeight, true));
    add(control(Control::CountLabel, "STATIC", "Anzahl:", kStatic, 8, bottom + 3, 50, 16, false));
    count_text_ = controls_.size();
    add(control(Control::Count, "STATIC", "", kStatic, 60, bottom + 3, 80, 16, false));
    for (int32_t k = 0; k < n; ++k) {
        const Column& c = columns_[static_cast<size_t>(k)];
        add(control(Control::Label, "STATIC", c.listed.label, kStatic, column_x[size_t(k)], 4, c.listed.width + 3, 16,
                    false)).column = k;
    }
    first_row_button_ = controls_.size();
    for (int32_t r = 0; r < rows_; ++r) {
        const int32_t top = grid_y + r * kRowHeight;
        if (mode_ != 0)
            add(control(Control::RowButton, "BUTTON", "", kRadioButton, 8, top + 4, 14, 14, true)).row = r;
        if (r == 0) first_cell_ = controls_.size();
        for (int32_t k = 0; k < n; ++k) {
            const Column& c = columns_[static_cast<size_t>(k)];
            Control& frame = add(control(Control::CellFrame, "BUTTON", "", kGroupBox | kDisabled,
                                         column_x[size_t(k)], top, c.listed.width + 3, kRowHeight, true));
            frame.enabled = false;
            frame.row = r;
            frame.column = k;
            Control& text = add(control(Control::Value, "STATIC", "", kStatic | (c.type == 'N' ? kRightAligned : 0),
                                        column_x[size_t(k)] + 2, top + 7, c.listed.width - 1, 13, false));
            text.row = r;
            text.column = k;
        }
    }
    focus_ = mode_ == 1 ? new_ : ok_;
    fill();
}

int32_t BrowseDialog::last_position() const { return std::max(1, count_ - rows_ + 1); }

// Each cell is its frame followed by its text.
Control& BrowseDialog::cell(int32_t row, int32_t column) {
    const size_t per_row = columns_.size() * 2 + (mode_ != 0 ? 1 : 0);
    return controls_[first_cell_ + static_cast<size_t>(row) * per_row + static_cast<size_t>(column) * 2 + 1];
}

Control& BrowseDialog::cell_frame(int32_t row, int32_t column) { return (&cell(row, column))[-1]; }

Control* BrowseDialog::row_button(int32_t row) {
    if (mode_ == 0) return nullptr;
    const size_t per_row = columns_.size() * 2 + 1;
    return &controls_[first_row_button_ + static_cast<size_t>(row) * per_row];
}

void BrowseDialog::fill() {
    dbase::Table& t = table_;
    count_ = t.file->count;
    position_ = std::clamp(position_, 1, last_position());
    records_.assign(static_cast<size_t>(rows_), 0);
    cells_.assign(static_cast<size_t>(rows_), std::vector<std::string>(columns_.size()));
    std::vector<bool> deleted(static_cast<size_t>(rows_), false);
    const bool indexed = t.indexed && t.master();
    if (count_ > 0 && indexed) {
        dbase::move(t, dbase::Move::First, false);
        for (int32_t k = 1; k < position_ && !t.end; ++k) dbase::move(t, dbase::Move::Next, false);
    }
    // A database error still pending from before must not stop the filling;
    // a read that fails now does.
    const bool failed_before = db_error_pending();
    for (int32_t r = 0; r < rows_ && count_ > 0; ++r) {
        bool read;
        if (indexed) {
            if (r > 0) dbase::move(t, dbase::Move::Next, true);
            else if (!t.end) dbase::read_record(t, t.current);
            read = !t.end && (failed_before || !db_error_pending());
        } else {
            read = position_ + r <= count_ && dbase::read_record(t, position_ + r);
        }
        if (!read) break;
        const size_t row = static_cast<size_t>(r);
        records_[row] = t.current;
        deleted[row] = t.deleted;
        for (size_t k = 0; k < columns_.size(); ++k) cells_[row][k] = shown(columns_[k]);
    }
    for (int32_t r = 0; r < rows_; ++r)
        for (int32_t k = 0; k < static_cast<int32_t>(columns_.size()); ++k) {
            Control& c = cell(r, k);
            c.text = cells_[size_t(r)][size_t(k)];
            c.enabled = !deleted[size_t(r)];
        }
    controls_[count_text_].text = std::to_string(count_);
    show_buttons();
    dbase::report_db_error();
}

void BrowseDialog::show_buttons() {
    const bool editing = editing_ >= 0;
    if (Control* c = find(delete_)) c->enabled = editing;
    if (Control* c = find(new_)) c->enabled = !editing;
    Control& bar = controls_[scroll_bar_];
    bar.enabled = !editing;
    bar.range_min = 1;
    bar.range_max = last_position();
    bar.position = position_;
    for (int32_t r = 0; r < rows_; ++r) {
        if (Control* b = row_button(r)) {
            b->enabled = records_[size_t(r)] != 0;
            b->checked = r == selected_ || r == editing_;
        }
        // The row being edited shows its edit fields instead of its cells.
        for (int32_t k = 0; k < static_cast<int32_t>(columns_.size()); ++k) {
            cell(r, k).visible = r != editing_;
            cell_frame(r, k).visible = r != editing_;
        }
    }
}

void BrowseDialog::handle(const Event& e, const std::vector<std::string>& edit_texts) {
    focus_ = 0;
    switch (e.kind) {
        case Event::Escape:
            if (editing_ >= 0) stop_editing();
            else finish(0);
            break;
        case Event::Enter:
            if (editing_ >= 0) commit(edit_texts);
            break;
        case Event::Scroll:
            if (editing_ < 0) scroll_to(e.position);
            else show_buttons();
            break;
        case Event::Click: click(e.id); break;
    }
}

void BrowseDialog::scroll_to(int32_t position) {
    int32_t step = position - position_;
    if (limit_jumps_ && std::abs(step) >= rows_) step = (step < 0 ? -1 : 1) * std::max(1, rows_ - 1);
    position_ = position_ + step;
    selected_ = -1;
    fill();
}

void BrowseDialog::click(int32_t id) {
    if (id == 0) return;
    if (id == ok_) {
        finish(selected_ >= 0 ? table_.current : 0);
    } else if (id == cancel_ || id == back_) {
        finish(0);
    } else if (id == new_) {
        if (editing_ < 0) append_blank();
    } else if (id == delete_) {
        if (editing_ >= 0) toggle_deleted();
    } else {
        for (int32_t r = 0; r < rows_; ++r) {
            Control* b = row_button(r);
            if (!b || b->id != id) continue;
            if (mode_ == 2) {
                select(r);
            } else if (editing_ == r) {
                stop_editing();
            } else {
                if (editing_ >= 0) stop_editing();
                start_editing(r);
            }
            return;
        }
    }
}

void BrowseDialog::select(int32_t row) {
    const int32_t r = records_[size_t(row)];
    selected_ = r ? row : -1;
    if (r) go_to_record(r);
    show_buttons();
}

bool BrowseDialog::choose(int32_t r) {
    if (mode_ != 2 || r < 1 || r > count_) return false;
    go_to_record(r);
    if (table_.current != r) return false;
    finish(r);
    return true;
}

void BrowseDialog::start_editing(int32_t row) {
    const int32_t r = records_[size_t(row)];
    if (!r) return;
    go_to_record(r);
    if (table_.current != r) return;
    editing_ = row;
    edits_.clear();
    for (int32_t k = 0; k < static_cast<int32_t>(columns_.size()); ++k) {
        const Control& under = cell(row, k);
        const Column& c = columns_[size_t(k)];
        Control& e = edits_.emplace_back(control(Control::Edit, "EDIT", cells_[size_t(row)][size_t(k)],
                                                 kEdit | (c.type == 'N' ? kEditRight : 0), under.x - 2,
                                                 under.y - 7, c.listed.width + 3, 23, true));
        e.exstyle = kClientEdge;
        e.row = row;
        e.column = k;
    }
    ++edits_made_;
    if (!edits_.empty()) focus_ = edits_.front().id;
    show_buttons();
}

void BrowseDialog::stop_editing() {
    editing_ = -1;
    edits_.clear();
    ++edits_made_;
    focus_ = new_;
    fill();
}

void BrowseDialog::commit(const std::vector<std::string>& texts) {
    const std::vector<std::string>& before = cells_[size_t(editing_)];
    const int32_t refused = take(before, texts);
    if (refused >= 0) {
        // The refused field shows its old text again; the others keep what
        // was typed, and nothing is written.
        for (size_t k = 0; k < edits_.size() && k < texts.size(); ++k) edits_[k].text = texts[k];
        Control& e = edits_[size_t(refused)];
        e.text = before[size_t(refused)];
        ++edit_texts_set_;
        focus_ = e.id;
        return;
    }
    dbase::put_record(table_, table_.current);
    dbase::report_db_error();
    stop_editing();
}

void BrowseDialog::toggle_deleted() {
    table_.buffer[0] = table_.buffer[0] == '*' ? ' ' : '*';
    dbase::put_record(table_, table_.current);
    dbase::report_db_error();
    stop_editing();
}

void BrowseDialog::append_blank() {
    std::fill(table_.buffer.begin(), table_.buffer.end(), ' ');
    dbase::put_record(table_, table_.file->count + 1);
    dbase::report_db_error();
    count_ = table_.file->count;
    position_ = table_.indexed && table_.master() ? 1 : count_;
    selected_ = -1;
    fill();
}

}  // namespace table_dialogs

// ---- the functions ----

namespace {

using table_dialogs::BrowseDialog;
using table_dialogs::RecordDialog;

// The automation's answer as a number; 0 for an empty or missing line.
int32_t answered_number() {
    const std::optional<std::string> line = automation::next_answer();
    return line ? table_dialogs::number_in(*line) : 0;
}

// The current table; without one runtime error 610 and the result 0.
dbase::Table* dialog_table() {
    dbase::Table* t = dbase::current();
    if (!t) {
        raise_error(610);
        set_result_int(0);
    }
    return t;
}

// Records the dialog with what it gave (1 or the record chosen; nothing when
// cancelled) and leaves that as the function's result.
void conclude(const char* kind, const std::string& title, const table_dialogs::TableDialog& d) {
    const int32_t result = d.finished() ? d.result() : 0;
    std::optional<std::string> answer;
    if (result) answer = std::to_string(result);
    automation::record_dialog(kind, title, answer);
    set_result_int(result);
}

}  // namespace

void record_dialog_function() {
    const int32_t x = read_int(',');
    const int32_t y = read_int(',');
    const std::string title = read_string(',');
    const std::string fields = read_string(',');
    const int32_t mode = read_int(')');
    dbase::Table* t = dialog_table();
    if (!t) return;
    RecordDialog dialog(*t, x, y, title, fields, mode);
    if (automation::answering()) {
        if (answered_number() == 1) dialog.confirm_as_shown();
    } else {
        table_dialogs::platform->run(dialog);
    }
    conclude("record", title, dialog);
}

void browse_dialog_function() {
    const int32_t x = read_int(',');
    const int32_t y = read_int(',');
    const std::string title = read_string(',');
    const int32_t rows = read_int(',');
    const std::string fields = read_string(',');
    const int32_t mode = read_int(')');
    dbase::Table* t = dialog_table();
    if (!t) return;
    BrowseDialog dialog(*t, x, y, title, rows, fields, mode);
    if (automation::answering()) dialog.choose(answered_number());
    else table_dialogs::platform->run(dialog);
    conclude("browse", title, dialog);
}

namespace {

constexpr FunctionEntry kFunctions[] = {
    {Fn::EDITRECORD, record_dialog_function},
    {Fn::BROWSE, browse_dialog_function},
};

}  // namespace

const Module kTableDialogModule{"table-dialogs", {}, kFunctions};

}  // namespace tolven
