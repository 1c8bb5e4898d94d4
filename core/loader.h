// Finding the program file and reading it into the line table.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/interp.h"

namespace tolven {

enum class LoadStatus {
    Ok,
    NotTolven = 905,     // header unreadable or wrong magic
    TooManyLines = 901,
    LineTooLong = 902,
    Damaged = 906,       // a record or its length field is cut short
};

// How the lines of a file are stored, decided by the header.
struct HeaderVariant {
    int length_width = 8;        // 8 or 16
    uint8_t line_mask = 0;
    uint8_t key[21] = {};
    size_t key_length = 0;       // 0: not enciphered
};

// Decides the variant from the 32-byte header; NotTolven when the magic is
// wrong or a mask index points outside the header.
LoadStatus read_header(const uint8_t* header, size_t size, HeaderVariant& variant);

// Reads a whole program (header and records) from memory into `out`.
// `consumed` receives the number of bytes up to the end of the last record.
LoadStatus parse_program(const uint8_t* data, size_t size, Program& out, size_t* consumed = nullptr);

// Finds the program (command line, appended, open dialog), loads it into
// `program` or shows the loading failure and ends the process.
void find_and_load_program(const std::vector<std::string>& args);

}  // namespace tolven
