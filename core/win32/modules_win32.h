#pragma once

namespace tolven {
// Registers the statement and function handlers of the Windows-only modules
// (screen, windows and dialogs, system services). Called after the portable
// modules have registered theirs.
void register_win32_modules();
}  // namespace tolven
