// The platform's file-open and file-save dialogs, shown for a request made
// by core/file_dialog.h.
#pragma once
#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

#include "core/file_dialog.h"

namespace tolven {

enum class FileDialogKind { Open, Save };

// The chosen path, or nullopt when the user cancelled. Owned by `owner`
// (may be null).
std::optional<std::string> show_file_dialog(FileDialogKind kind, std::string_view title,
                                             const FileDialogRequest& request, HWND owner);

}  // namespace tolven
