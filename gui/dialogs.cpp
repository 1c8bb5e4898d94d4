#include "gui/dialogs.h"

#include <optional>
#include <string>
#include <vector>

#include "core/automation.h"
#include "core/errors.h"
#include "core/file_dialog.h"
#include "core/host.h"
#include "gui/dialog_logic.h"
#include "gui/dialog_platform.h"
#include "gui/gui_state.h"
#include "gui/item_list.h"
#include "screen/display.h"
#include "screen/screen_state.h"
#include "screen/text_screen.h"
#include "values/reader.h"

namespace tolven {

namespace {

DialogPlatform cancelling_platform;
DialogPlatform* platform = &cancelling_platform;

// The answer the automation gives in place of a user (while answering): an
// empty or missing answer line cancels.
std::optional<std::string> scripted_answer() {
    std::optional<std::string> line = automation::next_answer();
    if (line && line->empty()) return std::nullopt;
    return line;
}

// What the dialog covered is drawn again.
void redraw_main_window() {
    if (display().window_exists()) display().refresh();
}

void finish(bool confirmed) {
    gui_state.dialog_result = confirmed ? 1 : 2;
    redraw_main_window();
}

}  // namespace

DialogPlatform& dialog_platform() { return *platform; }
void set_dialog_platform(DialogPlatform* p) { platform = p ? p : &cancelling_platform; }

void edit_box_function() {
    const std::string title = read_string(',');
    const int32_t variant = read_int(')');
    std::optional<std::vector<std::string>> lines;
    if (automation::answering()) {
        if (auto answer = scripted_answer()) lines = dialogs::edit_lines_from_answer(*answer);
    } else {
        lines = platform->edit_box(dialogs::edit_box_template(variant), title,
                                   dialogs::edit_text(item_list));
    }
    std::optional<std::string> recorded;
    if (lines) recorded = dialogs::edit_answer(*lines);
    automation::record_dialog("edit", title, recorded);
    if (lines) dialogs::store_edit_lines(item_list, *lines);
    finish(lines.has_value());
    set_result_int(lines ? 1 : 0);
}

void list_box_function() {
    const std::string title = read_string(',');
    const int32_t variant = read_int(')');
    const char* name = dialogs::list_box_template(variant);
    ListOutcome outcome;
    if (automation::answering()) {
        if (auto answer = scripted_answer()) {
            outcome.confirmed = true;
            dialogs::ListChoice choice =
                dialogs::choose_line(item_list, dialogs::list_box_sorts(name), *answer);
            if (choice.found) {
                outcome.selected = true;
                outcome.row = choice.row;
                outcome.text = std::move(choice.text);
            }
        }
    } else {
        outcome = platform->list_box(name, title, item_list, dialogs::list_extent(item_list));
    }
    // The selection counts even when the dialog is then cancelled.
    if (outcome.selected) gui_state.list_index = outcome.row;
    std::string result;
    std::optional<std::string> recorded;
    if (outcome.confirmed) {
        recorded = outcome.selected ? outcome.text : std::string();
        result = dialogs::trimmed(*recorded);
        gui_state.last_chosen_text = result;
    }
    automation::record_dialog("list", title, recorded);
    finish(outcome.confirmed);
    set_result_string(result);
}

void input_box_function() {
    const std::string prompt = read_string(',');
    const std::string title = read_string(',');
    const std::string default_text = read_string(')');
    std::optional<std::string> text;
    if (automation::answering()) {
        text = scripted_answer();
        if (text && text->size() > dialogs::kMaxInput) text->resize(dialogs::kMaxInput);
    } else {
        text = platform->input_box(prompt, title, default_text);
    }
    automation::record_dialog("input", title, text);
    std::string result;
    if (text) {
        result = dialogs::trimmed(*text);
        gui_state.last_input_text = result;
    }
    finish(text.has_value());
    // The text's number is left in the numeric slots (0 when it is none).
    set_result_string(result);
}

namespace {

// The file dialogs: the chosen path, trimmed (empty when cancelled).
std::string file_dialog(const char* kind, bool save) {
    const std::string title = read_string(',');
    const std::string argument = read_string(')');
    std::optional<std::string> path;
    if (automation::answering()) path = scripted_answer();
    else if (save) path = platform->save_file(title, save_file_request(argument));
    else path = platform->open_file(title, open_file_request(argument));
    automation::record_dialog(kind, title, path);
    finish(path.has_value());
    return path ? dialogs::trimmed(*path) : std::string();
}

}  // namespace

void file_open_function() {
    std::string result = file_dialog("fileopen", false);
    if (gui_state.dialog_result == 1) gui_state.last_chosen_text = result;
    set_result_string(result);
}

void file_save_function() { set_result_string(file_dialog("filesave", true)); }

void folder_function() {
    const std::string title = read_string(')');
    std::optional<std::string> path;
    if (automation::answering()) path = scripted_answer();
    else path = platform->browse_folder(title);
    automation::record_dialog("folder", title, path);
    std::string result;
    if (path) {
        platform->set_current_directory(*path);
        result = dialogs::folder_with_backslash(*path);
    }
    finish(path.has_value());
    set_result_string(result);
}

void message_box_statement() {
    const std::string text = read_string(',');
    const std::string caption = read_string(',');
    const int32_t type = read_int(' ');
    gui_state.dialog_result = host().message_box(text, caption, static_cast<unsigned>(type), true);
    if (!paint_target_active) redraw_main_window();
}

void text_box_statement() {
    if (!not_while_printing("TBOX")) return;
    const int32_t top = read_int(',');
    const int32_t left = read_int('-');
    const int32_t bottom = read_int(',');
    const int32_t right = read_int(';');
    const int32_t type = read_int(' ');
    // The box is drawn on the text screen, which needs the window.
    display().ensure_window();
    if (top < 0 || left < 0 || bottom > text_screen.rows || right > text_screen.columns) {
        raise_error(222);
        return;
    }
    const char style = type == 1 ? 'D' : type == 2 ? 'H' : type == 3 ? ' ' : 'E';
    draw_frame(top, left, right - left + 1, bottom - top + 1, style);
}

namespace {

constexpr StatementEntry kStatements[] = {
    {Cmd::MESSAGEBOX, message_box_statement},
    {Cmd::TBOX, text_box_statement},
};

constexpr FunctionEntry kFunctions[] = {
    {Fn::EDITBOX, edit_box_function},
    {Fn::LISTDIALOG_S, list_box_function},
    {Fn::INPUTBOX_S, input_box_function},
    {Fn::FILEOPEN_S, file_open_function},
    {Fn::FILESAVE_S, file_save_function},
    {Fn::FOLDERDIALOG_S, folder_function},
};

}  // namespace

const Module kDialogModule{"dialogs", kStatements, kFunctions};

}  // namespace tolven
