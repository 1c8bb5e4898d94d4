// The platform side of the ready-made dialogs: showing them and reading
// what the user did. The Win32 build installs the real one
// (gui/win32/dialogs_win32.cpp) in install_platform(); without it every
// dialog is cancelled. Texts are Latin-1.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/file_dialog.h"

namespace tolven {

class ItemList;

// What happened in a list box dialog.
struct ListOutcome {
    bool confirmed = false;
    // A line was selected (by the user or by a double click): `row` is the
    // list box's index of the line last selected, `text` its text.
    bool selected = false;
    int32_t row = -1;
    std::string text;
};

class DialogPlatform {
public:
    virtual ~DialogPlatform() = default;

    // The edit box of template `name` showing `text`: the lines it reads
    // back when confirmed, nullopt when cancelled.
    virtual std::optional<std::vector<std::string>> edit_box(const char* name,
                                                             std::string_view title,
                                                             std::string_view text) {
        return std::nullopt;
    }
    // The list box of template `name` over the item list's entries, its
    // horizontal extent `extent` pixels.
    virtual ListOutcome list_box(const char* name, std::string_view title, const ItemList& items,
                                 int32_t extent) {
        return {};
    }
    // The input dialog: the text in its field when confirmed.
    virtual std::optional<std::string> input_box(std::string_view prompt, std::string_view title,
                                                 std::string_view default_text) {
        return std::nullopt;
    }
    virtual std::optional<std::string> open_file(std::string_view title,
                                                 const FileDialogRequest& request) {
        return std::nullopt;
    }
    virtual std::optional<std::string> save_file(std::string_view title,
                                                 const FileDialogRequest& request) {
        return std::nullopt;
    }
    // The folder browser: the chosen folder's path.
    virtual std::optional<std::string> browse_folder(std::string_view title) {
        return std::nullopt;
    }
    // Makes `path` the current directory of the process.
    virtual void set_current_directory(const std::string& path) {}
};

DialogPlatform& dialog_platform();
// nullptr restores the one that cancels everything.
void set_dialog_platform(DialogPlatform* p);

}  // namespace tolven
