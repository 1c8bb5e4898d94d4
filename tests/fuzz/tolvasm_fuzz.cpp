// Hostile input for the program-file tools. Bytes read as a program file:
// dis either refuses or writes a listing that assembles back to the very
// same bytes. The same bytes read as a listing: asm assembles or reports an
// error, and what it assembles disassembles.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/tolvasm/listing.h"

using namespace tolven::listing;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // An exactly sized copy, so any overread is caught.
    std::vector<uint8_t> input(data, data + size);

    std::string text, message;
    if (disassemble(input, text, message)) {
        std::vector<uint8_t> again;
        AsmError error;
        if (!assemble(text, "fuzz.tvl", again, error)) __builtin_trap();
        if (again != input) __builtin_trap();
    } else if (message.empty()) {
        __builtin_trap();
    }

    std::vector<uint8_t> program;
    AsmError error;
    if (assemble(std::string(input.begin(), input.end()), "fuzz.tvl", program, error)) {
        std::string listing;
        if (!disassemble(program, listing, message)) __builtin_trap();
    } else if (error.message.empty() || !program.empty()) {
        __builtin_trap();
    }
    return 0;
}
