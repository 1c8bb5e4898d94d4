// Values the dialogs, waits, menus and rich-edit controls leave for programs
// to read through system variables, and the settings of the window objects
// (control ids, control font). The statements that set them live with
// their dialogs, waits and window objects.
#pragma once
#include <cstdint>
#include <string>

#include "core/registry.h"

namespace tolven {

struct GuiState {
    // Result of the last dialog: 1 confirmed, 2 cancelled; a message box
    // stores its button code.
    int32_t dialog_result = 0;
    // Last text confirmed in the input dialog.
    std::string last_input_text;
    // Last text chosen in the list box or file-open dialog.
    std::string last_chosen_text;
    // Index of the line last selected in the list box dialog.
    int32_t list_index = 0;
    // Number of the last message taken by a wait or kept by the message
    // peek of the system variables.
    int32_t last_message = 0;
    // Value set by the menu-loading statement (token 73).
    int32_t menu_value = 0;
    // Code addresses of the rich-edit file procedures: load and save rich
    // text, load and save plain text.
    uint32_t rich_edit_procedures[4] = {};
    // The id the next control made with one gets.
    int32_t next_control_id = 1000;
    // New controls get the custom font (statement CONTROLFONT).
    bool control_font = false;
};
extern GuiState gui_state;

// Program start.
void reset_gui_state();

// The control id counter: every control made with an id takes the next
// one; each table dialog starts it again at 1000.
int32_t take_control_id();
void restart_control_ids();

// The gui's part of the runtime: today only the values above and their reset.
extern const Module kGuiModule;

}  // namespace tolven
