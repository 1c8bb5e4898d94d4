// Placeholder until the file-number module lands: nothing is written or read.
#include "data/text_files.h"

namespace tolven {

void file_write_text(int, std::string_view) {}

bool file_read_line(int, std::string& line) {
    line.clear();
    return false;
}

}  // namespace tolven
