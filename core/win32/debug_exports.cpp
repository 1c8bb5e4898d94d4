// The debug interface as tolvrun.exe exports it (names, ordinals and the
// module name "Tlvrun32.exe" come from tolvrun.def). Debuggers call these
// on the interpreter's thread, or while it is stopped in a trace box.
#include <windows.h>

#include <cstdint>

#include "core/debug.h"

extern "C" {

int32_t WINAPI DebugLine() { return tolven::debug_line(); }

void WINAPI SDebugFileName(uint8_t* buffer) { tolven::debug_file_name_counted(buffer); }

void WINAPI SDebugVarInfo(uint8_t* buffer, const uint8_t* names) {
    tolven::debug_variable_text_counted(buffer, names);
}

int32_t WINAPI DebugSetMode(int32_t mode) { return tolven::debug_set_mode(mode); }

const char* WINAPI DebugFileName() { return tolven::debug_file_name(); }

const char* WINAPI DebugVarInfo(const char* names) { return tolven::debug_variable_text(names); }

}  // extern "C"
