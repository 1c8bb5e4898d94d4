#include "gui/gui_state.h"

namespace tolven {

GuiState gui_state;

void reset_gui_state() { gui_state = GuiState{}; }

int32_t take_control_id() { return gui_state.next_control_id++; }

void restart_control_ids() { gui_state.next_control_id = GuiState{}.next_control_id; }

const Module kGuiModule{"gui", {}, {}, reset_gui_state};

}  // namespace tolven
