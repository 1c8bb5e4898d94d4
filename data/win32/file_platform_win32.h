// The Win32 directory search, attributes and directory calls, in place of
// the portable stand-in.
#pragma once
#include "data/file_platform.h"

namespace tolven {
FilePlatform& win32_file_platform();
}  // namespace tolven
