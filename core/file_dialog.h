// What the platform's file-open and file-save dialogs are given: the filter
// list, the first content of the file name and the default extension,
// worked out from the program's argument. The runtime's own start-up asks
// for its program file with the same file-open dialog.
#pragma once
#include <string>
#include <string_view>

namespace tolven {

struct FileDialogRequest {
    // Pairs of description and pattern, each ended by a zero byte, the list
    // ended by one more: what the platform reads.
    std::string filters;
    // The first content of the file name field (at most kMaxFileName bytes).
    std::string file;
    // Empty: none.
    std::string default_extension;

    // The file name buffer holds 255 characters and its zero.
    static constexpr size_t kMaxFileName = 255;
};

// File open: an argument holding "|" is a filter list (description "|"
// pattern "|" ...) and the file name starts empty; any other argument is
// both the filter text and the first file name. The default extension is
// "*.*".
FileDialogRequest open_file_request(std::string_view filter_or_name);

// File save: the pattern is "*" and the extension of the default name (from
// its last dot, when no ":" or "\" follows it; "*." without one); the one
// filter is that pattern as description and pattern, the file name starts
// with the default name and the default extension is the pattern and "|".
FileDialogRequest save_file_request(std::string_view default_name);

}  // namespace tolven
