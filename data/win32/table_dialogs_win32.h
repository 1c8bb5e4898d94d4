// The Win32 side of the record and browse dialogs.
#pragma once

#include "data/table_dialogs.h"

namespace tolven {

// Shows each dialog as a modeless window from the template "LDIALOG" with
// ordinary controls, and runs it on the event state its procedure records.
table_dialogs::TableDialogPlatform& win32_table_dialog_platform();

}  // namespace tolven
