// The Win32 implementation of the system platform (locale, directories,
// windows, device capabilities).
#pragma once
#include "values/system_platform.h"

namespace tolven {
SystemPlatform& win32_system_platform();
}  // namespace tolven
