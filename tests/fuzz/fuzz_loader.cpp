// Hostile program files: the loader loads what is valid or fails with one of
// its statuses; it never crashes or reads outside the input.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/loader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Copy into an exactly sized buffer so any overread is caught.
    std::vector<uint8_t> input(data, data + size);
    tolven::Program program;
    size_t consumed = 0;
    auto status = tolven::parse_program(input.data(), input.size(), program, &consumed);
    if (status == tolven::LoadStatus::Ok) {
        if (consumed > size) __builtin_trap();
        if (program.lines.size() != static_cast<size_t>(program.line_count) + 1) __builtin_trap();
        for (const auto& line : program.lines)
            if (line.size() > 32767) __builtin_trap();
    }
    return 0;
}
