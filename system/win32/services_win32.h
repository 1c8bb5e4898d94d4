// The Win32 registry, profile, process, clipboard, keyboard and port calls,
// in place of the portable stand-in.
#pragma once
#include "system/services_platform.h"

namespace tolven {
ServicesPlatform& win32_services_platform();
}  // namespace tolven
