#include "gui/gui_state.h"

namespace tolven {

GuiState gui_state;

void reset_gui_state() { gui_state = GuiState{}; }

const Module kGuiModule{"gui", {}, {}, reset_gui_state};

}  // namespace tolven
