#pragma once

namespace tolven {
// Puts the Win32 directory search, attributes and directory calls in place
// of the portable stand-in.
void install_win32_file_platform();
}  // namespace tolven
