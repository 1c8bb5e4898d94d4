// Helpers shared by the file statements of data/file_numbers.cpp and
// data/file_statements.cpp.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "data/record_file.h"

namespace tolven {

struct AreaVar;

namespace files {

// The pending I/O error.
void set_io_error(int code);
void clear_io_error();

// 0 when the name may be handed to the platform, else the code to leave
// pending: 2 for an empty name, 123 for one holding a control character, a
// zero byte or a wildcard (the platform would open another file or none).
int name_problem(std::string_view name);

// After a read that gave fewer bytes than asked: true when that was a
// failure rather than the end of the file.
bool short_read_failed(File& f);

// Reads "#" n up to `separator` (' ' for the whole rest). Runtime error 104
// without "#", 210 for n outside 1..15; false after either.
bool read_file_number(char separator, int& n);

// Reads a file number or a file name up to `separator`: a number 1..15 gives
// the name stored under it, any other value its text.
std::string read_number_or_name(char separator);

// Reads an area variable's name as plain text up to `separator` (not
// evaluated) and finds it: runtime error 121 when the name is not an area
// name, 215 when no such variable exists, and with `dimensioned` 243 when it
// has no block. With `existence_first` a name no variable of its kind has
// is 215 before a name of another kind is 121. Null after an error.
AreaVar* read_area_name(char separator, bool dimensioned, bool existence_first = false);

// True when `count` bytes from `offset` of the area's block can be read
// (or written): the block's address is a program's value and may point
// anywhere.
bool area_bytes_usable(const AreaVar& a, int64_t offset, int64_t count, bool write);

// Reads lines from a file: a line ends at LF (a CR before it is dropped) or
// at the end of the file.
class LineReader {
public:
    LineReader() = default;
    explicit LineReader(File* f) : file_(f) {}
    void reset(File* f) {
        file_ = f;
        pos_ = len_ = 0;
    }
    // False, with the line empty, at the end of the file.
    bool read_line(std::string& line);
    bool at_end();
    // The I/O code of the last failed read, 0 when none.
    int error() const { return error_; }

private:
    bool fill();
    File* file_ = nullptr;
    std::vector<char> buf_ = std::vector<char>(4096);
    size_t pos_ = 0, len_ = 0;
    int error_ = 0;
};

}  // namespace files
}  // namespace tolven
