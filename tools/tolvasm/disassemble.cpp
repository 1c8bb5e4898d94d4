// Program file -> listing. The listing must assemble back to the very same
// bytes, so every choice here mirrors a rule of the assembler: what it reads
// literally is written literally, everything else as an escape.
#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string>

#include "core/line_listing.h"
#include "core/tokens.h"
#include "tools/tolvasm/internal.h"
#include "tools/tolvasm/listing.h"

namespace tolven::listing {

namespace detail {

namespace {

std::string hex_block(const uint8_t* data, size_t size) {
    std::string out;
    for (size_t k = 0; k < size; ++k) {
        if (k && k % 8 == 0) out += ' ';
        append_hex_byte(out, data[k]);
    }
    return out;
}

// The shortest .header directive that rebuilds these exact bytes.
std::string header_directive(const std::string& h) {
    std::vector<std::string> candidates;
    for (char v = '5'; v <= '8'; ++v) candidates.push_back(std::string("plain ") + v);
    const auto* u = reinterpret_cast<const uint8_t*>(h.data());
    std::string mask;
    append_hex_byte(mask, u[20]);
    candidates.push_back("masked " + mask);
    if (h[11] == '5' || h[11] == '7') candidates.push_back(std::string("computed ") + h[11] + ' ' + mask);
    if (h[11] == '6' || h[11] == '8') {
        const int first = h[11] == '8' ? 12 : 19;
        std::string key;
        for (int p = first; p <= 29; ++p) append_hex_byte(key, u[p]);
        candidates.push_back(std::string("cipher ") + h[11] + ' ' + key);
    }
    for (const std::string& c : candidates) {
        std::string why;
        auto built = header_from(c, why);
        if (built && *built == h) return c;
    }
    return "hex " + hex_block(u, h.size());
}

}  // namespace

bool open_program(const std::vector<uint8_t>& file, ProgramFile& out, std::string& message) {
    out = ProgramFile{};
    size_t consumed = 0;
    const LoadStatus status = parse_program(file.data(), file.size(), out.program, &consumed);
    const std::string where = "line " + std::to_string(out.program.line_count + 1) + " (record at byte " +
                              std::to_string(consumed) + ")";
    switch (status) {
        case LoadStatus::Ok:
            break;
        case LoadStatus::NotTolven:
            message = file.size() < 32 || std::memcmp(file.data() + 1, "ZWM-TOLVEN", 10) != 0
                          ? "not a program file: no ZWM-TOLVEN header"
                          : "not a program file: a mask index byte of the header lies outside 1..11";
            return false;
        case LoadStatus::TooManyLines:
            message = "more than 65535 lines";
            return false;
        case LoadStatus::LineTooLong:
            message = where + " is longer than 32767 bytes";
            return false;
        case LoadStatus::Damaged:
            message = where + " is cut short by the end of the file";
            return false;
    }
    read_header(file.data(), file.size(), out.variant);
    out.header.assign(file.begin(), file.begin() + 32);
    out.trailer.assign(file.begin() + static_cast<std::ptrdiff_t>(consumed), file.end());
    const Program& p = out.program;
    out.has_end_line = p.line_count > 0 && !p.lines.back().empty() && p.lines.back()[0] == '\x02';
    return true;
}

}  // namespace detail

bool disassemble(const std::vector<uint8_t>& file, std::string& out, std::string& message, bool numbered) {
    using namespace detail;
    out.clear();
    ProgramFile pf;
    if (!open_program(file, pf, message)) return false;
    const Program& p = pf.program;

    const std::vector<std::string> labels = line_labels(p);
    std::vector<std::string> texts(static_cast<size_t>(p.line_count) + 1);
    std::vector<bool> targeted(static_cast<size_t>(p.line_count) + 1, false);
    ArgumentUse use;
    for (int32_t n = 1; n <= p.line_count; ++n) {
        use.targets.clear();
        texts[static_cast<size_t>(n)] =
            numbered ? numbered_line_listing(p, n, labels, &use) : line_listing(p, n, labels, &use);
        for (int32_t target : use.targets) targeted[static_cast<size_t>(target)] = true;
    }

    out = ".header " + header_directive(pf.header) + '\n';
    for (int32_t n = 1; n <= p.line_count; ++n) {
        if (targeted[static_cast<size_t>(n)]) out += labels[static_cast<size_t>(n)] + ":\n";
        out += texts[static_cast<size_t>(n)];
        out += '\n';
    }
    for (size_t k = 0; k < pf.trailer.size(); k += 32)
        out += ".trailer hex " + hex_block(pf.trailer.data() + k, std::min<size_t>(32, pf.trailer.size() - k)) + '\n';
    return true;
}

}  // namespace tolven::listing
