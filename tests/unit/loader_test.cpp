#include "core/loader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/cipher.h"
#include "core/tokens.h"

namespace tolven {
namespace {

std::string plain_header(char version) {
    std::string h = " ZWM-TOLVEN";
    h += version;
    h += " DATEI\x1A";
    h.append(31 - h.size(), ' ');
    h += '\0';
    return h;
}

// Builds a file from records; lengths are written in the header's width.
std::vector<uint8_t> file(const std::string& header, const std::vector<std::string>& records, int width) {
    std::vector<uint8_t> f(header.begin(), header.end());
    for (const auto& r : records) {
        f.push_back(static_cast<uint8_t>(r.size()));
        if (width == 16) f.push_back(static_cast<uint8_t>(r.size() >> 8));
        f.insert(f.end(), r.begin(), r.end());
    }
    return f;
}

// A record: the command token, then the argument text.
std::string line(Cmd token, const std::string& args = "") { return static_cast<char>(code_of(token)) + args; }
const std::string kExpressionMarker = "\x15";

LoadStatus load(const std::vector<uint8_t>& f, Program& p, size_t* consumed = nullptr) {
    return parse_program(f.data(), f.size(), p, consumed);
}

TEST(Loader, PlainVersionsChooseTheLengthWidth) {
    for (char v : {'5', '6', '8'}) {
        Program p;
        ASSERT_EQ(load(file(plain_header(v), {line(Cmd::REM, "hi"), ""}, 8), p), LoadStatus::Ok) << v;
        ASSERT_EQ(p.line_count, 2);
        EXPECT_EQ(p.lines[1], line(Cmd::REM, "hi"));
        EXPECT_EQ(p.lines[2], "");
    }
    Program p;
    std::string longline(300, 'x');
    ASSERT_EQ(load(file(plain_header('7'), {longline}, 16), p), LoadStatus::Ok);
    EXPECT_EQ(p.lines[1], longline);
}

TEST(Loader, MarkerSetsTheExpressionFlagAndEndLineStops) {
    Program p;
    size_t consumed = 0;
    const std::string unread = line(Cmd::REM, " never read");
    auto f = file(plain_header('7'), {kExpressionMarker + line(Cmd::LET, "a%=1+2"), kExpressionMarker, line(Cmd::END), unread},
                  16);
    ASSERT_EQ(load(f, p, &consumed), LoadStatus::Ok);
    ASSERT_EQ(p.line_count, 3);
    EXPECT_EQ(p.lines[1], line(Cmd::LET, "a%=1+2"));
    EXPECT_EQ(p.expression_flags[1], 1);
    EXPECT_EQ(p.lines[2], "");
    EXPECT_EQ(p.expression_flags[2], 1);
    EXPECT_EQ(p.lines[3], line(Cmd::END));
    EXPECT_EQ(consumed, f.size() - 2 - unread.size());  // not read
}

TEST(Loader, HeaderOnlyIsAnEmptyProgram) {
    Program p;
    ASSERT_EQ(load(file(plain_header('7'), {}, 16), p), LoadStatus::Ok);
    EXPECT_EQ(p.line_count, 0);
}

TEST(Loader, BadHeadersAreRefused) {
    Program p;
    std::string h = plain_header('7');
    auto f = file(h, {}, 16);
    EXPECT_EQ(parse_program(f.data(), 31, p), LoadStatus::NotTolven);  // truncated header
    f[5] = 'X';
    EXPECT_EQ(load(f, p), LoadStatus::NotTolven);
}

TEST(Loader, CutShortRecordsAreDamaged) {
    Program p;
    auto f = file(plain_header('7'), {line(Cmd::REM, "abc")}, 16);
    f.pop_back();
    EXPECT_EQ(load(f, p), LoadStatus::Damaged);
    auto g = file(plain_header('7'), {}, 16);
    g.push_back(5);  // half a length field
    EXPECT_EQ(load(g, p), LoadStatus::Damaged);
}

TEST(Loader, LimitsOnLinesAndLength) {
    Program p;
    std::vector<std::string> many(65535, line(Cmd::REM));
    EXPECT_EQ(load(file(plain_header('5'), many, 8), p), LoadStatus::Ok);
    EXPECT_EQ(p.line_count, 65535);
    many.push_back(line(Cmd::REM));
    EXPECT_EQ(load(file(plain_header('5'), many, 8), p), LoadStatus::TooManyLines);

    EXPECT_EQ(load(file(plain_header('7'), {std::string(32767, 'x')}, 16), p), LoadStatus::Ok);
    EXPECT_EQ(load(file(plain_header('7'), {std::string(32768, 'x')}, 16), p), LoadStatus::LineTooLong);
}

TEST(Loader, MaskedVariants) {
    // Any other version digit: the mask is H[20] OR H[21].
    std::string h = plain_header('9');
    h[20] = 0x41;
    h[21] = 0x02;
    const std::string hallo = line(Cmd::REM, "Hallo");
    std::string masked = hallo;
    for (char& c : masked) c = static_cast<char>(c ^ 0x43);
    Program p;
    ASSERT_EQ(load(file(h, {masked}, 8), p), LoadStatus::Ok);
    EXPECT_EQ(p.lines[1], hallo);

    // Versions 5 and 7 compute the mask from four index bytes.
    for (char v : {'5', '7'}) {
        std::string c = plain_header(v);
        c[20] = 0x10; c[21] = 0x21; c[22] = 0x0F; c[23] = 0x70;
        c[26] = 1; c[27] = 2; c[28] = 3; c[29] = 4;  // (H21|H23) & (H20|H22) = 0x71 & 0x1F
        const uint8_t mask = 0x71 & 0x1F;
        std::string m = hallo;
        for (char& ch : m) ch = static_cast<char>(ch ^ mask);
        ASSERT_EQ(load(file(c, {m}, v == '7' ? 16 : 8), p), LoadStatus::Ok) << v;
        EXPECT_EQ(p.lines[1], hallo) << v;
        c[28] = 12;  // would select a byte past the header
        EXPECT_EQ(load(file(c, {m}, 8), p), LoadStatus::NotTolven);
        c[28] = 0;
        EXPECT_EQ(load(file(c, {m}, 8), p), LoadStatus::NotTolven);
    }
}

TEST(Loader, EncipheredVersionsDecipherAsOneStream) {
    const std::vector<std::string> lines = {line(Cmd::LET, "A$=\"Hallo\""), "", kExpressionMarker + line(Cmd::EVAL, "1+2"),
                                            line(Cmd::END)};
    for (char v : {'8', '6'}) {
        std::string h = plain_header(v);
        for (int p = 12; p <= 29; ++p) h[p] = static_cast<char>('a' + p);
        std::string key = v == '8' ? h.substr(9, 21) : h.substr(19, 11);
        LineCipher c;
        cipher_init(c, reinterpret_cast<const uint8_t*>(key.data()), key.size(),
                    reinterpret_cast<const uint8_t*>(key.data()));
        std::vector<std::string> records;
        for (const auto& l : lines) {
            std::string e = l;
            cipher_encipher(c, reinterpret_cast<const uint8_t*>(l.data()),
                            reinterpret_cast<uint8_t*>(e.data()), l.size());
            records.push_back(e);
        }
        Program p;
        ASSERT_EQ(load(file(h, records, v == '8' ? 16 : 8), p), LoadStatus::Ok) << v;
        ASSERT_EQ(p.line_count, 4);
        EXPECT_EQ(p.lines[1], lines[0]);
        EXPECT_EQ(p.lines[3], line(Cmd::EVAL, "1+2"));
        EXPECT_EQ(p.expression_flags[3], 1);
    }
}

TEST(Loader, VersionSixWithZeroKeyByteIsNotEnciphered) {
    std::string h = plain_header('6');
    h[19] = '\0';
    h[20] = 'x';  // not both blanks
    Program p;
    ASSERT_EQ(load(file(h, {line(Cmd::REM, "plain")}, 8), p), LoadStatus::Ok);
    EXPECT_EQ(p.lines[1], line(Cmd::REM, "plain"));
}

}  // namespace
}  // namespace tolven
