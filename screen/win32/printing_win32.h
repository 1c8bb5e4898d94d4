// The GDI side of printing.
#pragma once

namespace tolven {

class PrintPlatform;
// The default printer of the profile (installed by the composition root).
PrintPlatform& win32_print_platform();

}  // namespace tolven
