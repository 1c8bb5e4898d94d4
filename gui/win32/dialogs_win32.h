// The Win32 side of the ready-made dialogs.
#pragma once

#include "gui/dialog_platform.h"

namespace tolven {

// The dialogs from the runtime's templates and the platform's common
// dialogs, owned by the main window.
DialogPlatform& win32_dialog_platform();

}  // namespace tolven
