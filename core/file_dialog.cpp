#include "core/file_dialog.h"

#include <algorithm>

namespace tolven {

namespace {

std::string file_name_start(std::string_view name) {
    return std::string(name.substr(0, FileDialogRequest::kMaxFileName));
}

}  // namespace

FileDialogRequest open_file_request(std::string_view filter_or_name) {
    FileDialogRequest r;
    r.default_extension = "*.*";
    if (filter_or_name.find('|') != std::string_view::npos) {
        r.filters.assign(filter_or_name);
        r.filters += '|';
        std::replace(r.filters.begin(), r.filters.end(), '|', '\0');
        r.filters += '\0';
        return r;
    }
    // A plain name is the filter text too. The platform reads pairs up to
    // an empty description: the closing zeros keep it inside the text.
    r.filters.assign(filter_or_name);
    r.filters.append(2, '\0');
    r.file = file_name_start(filter_or_name);
    return r;
}

FileDialogRequest save_file_request(std::string_view default_name) {
    FileDialogRequest r;
    std::string pattern = "*.";
    const size_t dot = default_name.rfind('.');
    if (dot != std::string_view::npos &&
        default_name.find_first_of(":\\", dot) == std::string_view::npos)
        pattern = "*" + std::string(default_name.substr(dot));
    r.filters = pattern;
    r.filters += '\0';
    r.filters += pattern;
    r.filters.append(2, '\0');
    r.file = file_name_start(default_name);
    r.default_extension = pattern + "|";
    return r;
}

}  // namespace tolven
