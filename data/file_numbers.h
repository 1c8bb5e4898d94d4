// File numbers 1 to 15: each binds a file name to a text view (lines, for
// PRINT #n and INPUT #n) and a byte view, opened and closed independently.
// The statements on them, the whole-file statements (copy, text into an area
// variable), directories and file listings, and the pending I/O error.
//
// Failures of file operations are not runtime errors: they stay pending
// until the program reads them through system variable 147. The pending
// codes are those of the classic Pascal run-time library, which programs
// written for this runtime test for:
//     2 file not found           3 path not found       5 access denied
//   100 disk read error (also: reading past the end of a byte file)
//   101 disk write error       102 file not assigned (no name given yet)
//   103 file not open          104 file not open for input
//   105 file not open for output  106 invalid numeric format (INPUT #n of
//                                     a line that is no number)
// and, where the platform refuses an operation (opening, rename, erase,
// directories, attributes, seeking), the Windows error code it reported, for
// example 3 path not found, 32 sharing violation, 123 invalid name, 131
// negative seek, 145 directory not empty, 183 already exists. An empty file name gives 2 and a name the
// platform could misread (a control character, a zero byte or a wildcard)
// gives 123, without touching any file.
#pragma once
#include <cstdint>
#include <string>

#include "core/registry.h"

namespace tolven {

constexpr int kFileNumbers = 15;

// The file-number statements and functions. Its reset closes every view
// and forgets names, file mode 2, nothing pending; its start adds the
// shutdown step that flushes and closes every open file.
extern const Module kFileModule;
// Copying, directories, text loading and listings (data/file_statements.cpp).
extern const Module kFileSystemModule;
void reset_file_numbers();

// Flushes and closes every open view of every file number.
void close_all_files();

// System variable 147: the pending I/O error combined (bitwise or) with the
// file error flag, after which both are 0.
int32_t take_io_error();
int32_t pending_io_error();  // without clearing
// The file error flag of the path and directory-search functions.
void set_file_error_flag(int32_t code);

// The name stored under file number n (1..15), empty when none.
std::string file_number_name(int n);

// ---- function handlers (function tokens); each reads its arguments with the
// argument reader up to ")" and leaves its value in the result slots ----
void file_time_function();        // 29: "hh:mm:ss:ms" of the last write
void file_attribute_function();   // 86
void file_date_function();        // 87: yyyymmdd of the last write
void byte_get_function();         // 93
void byte_position_function();    // 94
void byte_size_function();        // 95
void text_eof_function();         // 198
void block_read_function();       // 67

}  // namespace tolven
