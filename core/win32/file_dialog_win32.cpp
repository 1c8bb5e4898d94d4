#include "core/win32/file_dialog_win32.h"

#include <commdlg.h>

#include "screen/win32/main_window.h"

namespace tolven {

std::optional<std::string> show_file_dialog(FileDialogKind kind, std::string_view title,
                                            const FileDialogRequest& request, HWND owner) {
    char file[FileDialogRequest::kMaxFileName + 1] = "";
    request.file.copy(file, FileDialogRequest::kMaxFileName);
    char file_title[1] = "";
    const std::string t(title);
    OPENFILENAMEA ofn{};
    // The structure of the first explorer-style dialogs, without the fields
    // added later.
    ofn.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = request.filters.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file;
    ofn.nMaxFile = sizeof file;
    ofn.lpstrFileTitle = file_title;
    ofn.nMaxFileTitle = 0;
    ofn.lpstrTitle = t.c_str();
    ofn.lpstrDefExt = request.default_extension.empty() ? nullptr : request.default_extension.c_str();
    BOOL chosen;
    {
        ModalAutomation automation;
        if (kind == FileDialogKind::Open) {
            ofn.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
            chosen = GetOpenFileNameA(&ofn);
        } else {
            ofn.Flags = OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY;
            chosen = GetSaveFileNameA(&ofn);
        }
    }
    if (!chosen) return std::nullopt;
    file[sizeof file - 1] = '\0';
    return std::string(file);
}

}  // namespace tolven
