// Serial ports through the Win32 communications driver, in place of the
// stand-in without ports.
#pragma once
#include "system/serial.h"

namespace tolven {
SerialPlatform& win32_serial_platform();
}  // namespace tolven
