#include "core/loader.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <string_view>

#include "core/bytes.h"
#include "core/cipher.h"
#include "core/errors.h"
#include "core/host.h"

namespace tolven {

namespace {

constexpr size_t kHeaderSize = 32;
constexpr char kMagic[] = "ZWM-TOLVEN";  // header positions 1-10

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

File open_read(const std::string& name) { return File(std::fopen(name.c_str(), "rb")); }

// Reads everything from `offset` to the end of the file.
bool read_from(const std::string& name, int32_t offset, std::vector<uint8_t>& data) {
    File f = open_read(name);
    if (!f) return false;
    if (std::fseek(f.get(), offset, SEEK_SET) != 0) return true;  // empty: header unreadable
    uint8_t buffer[65536];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, f.get())) > 0)
        data.insert(data.end(), buffer, buffer + got);
    return true;
}

}  // namespace

LoadStatus read_header(const uint8_t* h, size_t size, HeaderVariant& v) {
    v = HeaderVariant{};
    if (size < kHeaderSize || std::memcmp(h + 1, kMagic, 10) != 0) return LoadStatus::NotTolven;
    const char version = static_cast<char>(h[11]);
    const bool plain = h[20] == ' ' && h[21] == ' ';
    auto take_key = [&](int first, int last) {
        v.key_length = static_cast<size_t>(last - first + 1);
        std::memcpy(v.key, h + first, v.key_length);
        if (v.key[0] == 0) v.key_length = 0;  // a zero first key byte: not enciphered
    };
    if (plain) {
        v.length_width = version == '7' ? 16 : 8;
        return LoadStatus::Ok;
    }
    switch (version) {
        case '8':
            v.length_width = 16;
            take_key(9, 29);
            break;
        case '6':
            v.length_width = 8;
            take_key(19, 29);
            break;
        case '7':
        case '5': {
            v.length_width = version == '7' ? 16 : 8;
            // Four index bytes select mask bytes among positions 20-30; an
            // index outside 1..11 would reach past the header.
            for (int p = 26; p <= 29; ++p)
                if (h[p] < 1 || h[p] > 11) return LoadStatus::NotTolven;
            v.line_mask = static_cast<uint8_t>((h[19 + h[27]] | h[19 + h[29]]) &
                                               (h[19 + h[26]] | h[19 + h[28]]));
            break;
        }
        default:
            v.length_width = 8;
            v.line_mask = h[20] | h[21];
            break;
    }
    return LoadStatus::Ok;
}

LoadStatus parse_program(const uint8_t* data, size_t size, Program& out, size_t* consumed) {
    out.clear();
    if (consumed) *consumed = 0;
    HeaderVariant v;
    LoadStatus status = read_header(data, size, v);
    if (status != LoadStatus::Ok) return status;

    LineCipher cipher;
    if (v.key_length) cipher_init(cipher, v.key, v.key_length, v.key);
    struct Wipe {
        LineCipher& c;
        bool on;
        ~Wipe() { if (on) cipher_wipe(c); }
    } wipe{cipher, v.key_length != 0};

    size_t pos = kHeaderSize;
    std::string line;
    while (pos < size) {
        if (out.line_count >= kMaxLines) return LoadStatus::TooManyLines;
        size_t length;
        if (v.length_width == 16) {
            if (size - pos < 2) return LoadStatus::Damaged;
            length = le16(data + pos);
            pos += 2;
        } else {
            length = data[pos++];
        }
        if (length > static_cast<size_t>(kMaxLineBytes)) return LoadStatus::LineTooLong;
        if (size - pos < length) return LoadStatus::Damaged;
        line.assign(reinterpret_cast<const char*>(data + pos), length);
        pos += length;
        auto* bytes = reinterpret_cast<uint8_t*>(line.data());
        if (v.line_mask)
            for (auto& b : line) b = static_cast<char>(static_cast<uint8_t>(b) ^ v.line_mask);
        if (v.key_length) cipher_decipher(cipher, bytes, bytes, length);
        uint8_t flag = 0;
        if (!line.empty() && line[0] == '\x15') {
            flag = 1;
            line.erase(0, 1);
        }
        const bool end_line = !line.empty() && line[0] == '\x02';
        out.add_line(line, flag);
        if (consumed) *consumed = pos;
        if (end_line) break;
    }
    if (consumed) *consumed = pos;
    return LoadStatus::Ok;
}

void find_and_load_program(const std::vector<std::string>& args) {
    std::string name;
    int32_t offset = 0;
    bool appended = false;
    bool from_parameter = false;

    if (!args.empty()) {
        if (File f = open_read(args[0])) {
            char head[11];
            if (std::fread(head, 1, 11, f.get()) == 11 && std::memcmp(head, " ZWM-TOLVEN", 11) == 0)
                from_parameter = true;
        }
    }
    if (!from_parameter) {
        std::string self = host().own_executable_path();
        if (File f = open_read(self)) {
            uint8_t b[4];
            if (std::fseek(f.get(), 128, SEEK_SET) == 0 && std::fread(b, 1, 4, f.get()) == 4) {
                offset = static_cast<int32_t>(le32(b));
            }
        }
        if (offset != 0) {
            appended = true;
            name = self;
        } else if (!args.empty()) {
            from_parameter = true;
        } else {
            std::string title = std::string("TOLVEN\xB2-") + std::string(message_text(800));
            auto chosen = host().open_file_dialog(title, "Tolven-Code (*.tvc)|*.TVC|All (*.*)|*.*");
            if (!chosen) loading_failure(803, "", 2);
            std::string_view t = *chosen;
            while (!t.empty() && static_cast<unsigned char>(t.front()) <= ' ') t.remove_prefix(1);
            while (!t.empty() && static_cast<unsigned char>(t.back()) <= ' ') t.remove_suffix(1);
            name = std::string(t);
        }
    }
    if (from_parameter) {
        name = args[0];
        if (name.find('.') == std::string::npos) name += ".TVC";
        offset = 0;
    }

    std::vector<uint8_t> data;
    if (!read_from(name, offset, data)) loading_failure(209, name, 2);

    size_t consumed = 0;
    LoadStatus status = parse_program(data.data(), data.size(), program, &consumed);
    if (status != LoadStatus::Ok) loading_failure(static_cast<int>(status), "", 1);
    program.file_name = name;
    program.program_offset = offset;
    program.appended = appended;
    program.end_position = offset + static_cast<int32_t>(consumed);
}

}  // namespace tolven
