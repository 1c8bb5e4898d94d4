#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "core/cipher.h"
#include "core/loader.h"
#include "core/tokens.h"
#include "tools/tolvasm/commands.h"
#include "tools/tolvasm/internal.h"
#include "tools/tolvasm/listing.h"

namespace tolven::listing {
namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> asm_ok(const std::string& text) {
    std::vector<uint8_t> out;
    AsmError e;
    EXPECT_TRUE(assemble(text, "t.tvl", out, e)) << e.format() << "\n" << text;
    return out;
}

std::string dis_ok(const std::vector<uint8_t>& file) {
    std::string text, message;
    EXPECT_TRUE(disassemble(file, text, message)) << message;
    return text;
}

AsmError asm_error(const std::string& text) {
    std::vector<uint8_t> out;
    AsmError e;
    EXPECT_FALSE(assemble(text, "t.tvl", out, e)) << text;
    EXPECT_TRUE(out.empty());
    return e;
}

// The argument bytes of line n as the loader stores them.
std::string line_of(const std::vector<uint8_t>& file, int n) {
    Program p;
    EXPECT_EQ(parse_program(file.data(), file.size(), p), LoadStatus::Ok);
    return n <= p.line_count ? p.lines[static_cast<size_t>(n)] : std::string("<none>");
}

// dis must give a listing that assembles to the same bytes, and that
// listing must be a fixed point.
void expect_round_trip(const std::vector<uint8_t>& file, const std::string& what) {
    std::string text, message;
    ASSERT_TRUE(disassemble(file, text, message)) << what << ": " << message;
    std::vector<uint8_t> again;
    AsmError e;
    ASSERT_TRUE(assemble(text, "dis.tvl", again, e)) << what << ": " << e.format() << "\n" << text;
    ASSERT_EQ(again, file) << what << "\n" << text;
    std::string text2;
    ASSERT_TRUE(disassemble(again, text2, message));
    EXPECT_EQ(text2, text) << what;
}

std::string source_dir() {
    const char* root = std::getenv("TOLVEN_SOURCE_DIR");
    for (std::string c : {root ? std::string(root) : std::string(), std::string("../.."), std::string(".")})
        if (!c.empty() && fs::exists(c + "/tests/programs")) return c;
    return {};
}

TEST(TolvasmRoundTrip, EveryTestProgram) {
    const std::string root = source_dir();
    if (root.empty()) GTEST_SKIP() << "tests/programs not found; set TOLVEN_SOURCE_DIR";
    int count = 0;
    for (const auto& entry : fs::recursive_directory_iterator(root + "/tests/programs")) {
        if (entry.path().extension() != ".tvl") continue;
        std::ifstream in(entry.path(), std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        std::vector<uint8_t> file;
        AsmError e;
        ASSERT_TRUE(assemble(text.str(), entry.path().string(), file, e)) << e.format();
        expect_round_trip(file, entry.path().string());
        ++count;
    }
    EXPECT_GT(count, 0);
}

// ---------------------------------------------------------------- random files

struct Generator {
    std::mt19937 rng;
    explicit Generator(unsigned seed) : rng(seed) {}
    int pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); }
    bool chance(int percent) { return pick(1, 100) <= percent; }

    std::string header() {
        std::string why;
        switch (pick(0, 5)) {
            case 0: return *detail::header_from(std::string("plain ") + char('5' + pick(0, 3)), why);
            case 1: return *detail::header_from("masked " + hex(pick(0, 255)), why);
            case 2: return *detail::header_from(std::string("computed ") + (chance(50) ? '5' : '7') + ' ' + hex(pick(0, 255)), why);
            case 3: {
                std::string key;
                for (int k = 0, n = pick(0, 18); k < n; ++k) key += hex(pick(0, 255));
                return *detail::header_from(std::string("cipher ") + (chance(50) ? '6' : '8') + ' ' + key, why);
            }
            default: {
                // Anything with the magic that the loader accepts.
                for (;;) {
                    std::string h(32, ' ');
                    for (char& c : h) c = static_cast<char>(pick(0, 255));
                    std::memcpy(&h[1], "ZWM-TOLVEN", 10);
                    const char versions[] = "56789X";
                    h[11] = versions[pick(0, 5)];
                    if (chance(30)) h[20] = h[21] = ' ';
                    if (chance(70))
                        for (int p = 26; p <= 29; ++p) h[p] = static_cast<char>(pick(1, 11));
                    HeaderVariant v;
                    if (read_header(reinterpret_cast<const uint8_t*>(h.data()), 32, v) == LoadStatus::Ok) return h;
                }
            }
        }
    }
    static std::string hex(int b) {
        char s[3];
        std::snprintf(s, sizeof s, "%02X", b);
        return s;
    }

    // Argument bytes that stress every reading rule of the listing.
    std::string args(int line_count, size_t max) {
        static const char kSpecial[] = "@\xFF\xFE\"{}$%&!() :,;~#\x15\r\n\t\x01";
        std::string a;
        const size_t n = static_cast<size_t>(pick(0, 3) == 0 ? pick(0, static_cast<int>(max)) : pick(0, 24));
        while (a.size() < n) {
            const int kind = pick(0, 9);
            if (kind <= 3) {
                a += kSpecial[pick(0, sizeof kSpecial - 2)];
            } else if (kind == 4) {
                a += static_cast<char>(pick(0, 255));
            } else if (kind == 5 && line_count > 0) {
                // A reference that names a line, in one of its three places.
                const int target = pick(1, line_count);
                const int where = pick(0, 2);
                a += where == 0 ? "@\xFF" : where == 1 ? "\xFF" : "%\xFE";
                a += static_cast<char>(target & 0xFF);
                a += static_cast<char>(target >> 8);
            } else if (kind == 6) {
                a += '@';
                a += static_cast<char>(pick(0, 255));
            } else if (kind == 7) {
                a += "$&%!"[pick(0, 3)];
                a += static_cast<char>(pick(128, 255));
            } else {
                a += static_cast<char>(pick(32, 126));
            }
        }
        if (a.size() > max) a.resize(max);
        return a;
    }

    std::vector<uint8_t> file() {
        const std::string h = header();
        HeaderVariant v;
        read_header(reinterpret_cast<const uint8_t*>(h.data()), 32, v);
        const size_t max = v.length_width == 16 ? (chance(5) ? 2000 : 300) : 255;
        std::vector<std::string> records;
        const int count = pick(0, 3) == 0 ? 0 : pick(1, 40);
        for (int n = 1; n <= count; ++n) {
            std::string r;
            if (!chance(5)) {
                if (chance(30)) r += '\x15';
                r += static_cast<char>(chance(3) ? 2 : pick(0, 255));
                r += args(count, max - r.size());
            } else if (chance(50)) {
                r = "\x15";
            }
            records.push_back(r);
        }
        LineCipher cipher;
        if (v.key_length) cipher_init(cipher, v.key, v.key_length, v.key);
        std::vector<uint8_t> f(h.begin(), h.end());
        for (std::string& r : records) {
            auto* b = reinterpret_cast<uint8_t*>(r.data());
            if (v.key_length) cipher_encipher(cipher, b, b, r.size());
            for (auto& c : r) c = static_cast<char>(static_cast<uint8_t>(c) ^ v.line_mask);
            f.push_back(static_cast<uint8_t>(r.size()));
            if (v.length_width == 16) f.push_back(static_cast<uint8_t>(r.size() >> 8));
            f.insert(f.end(), r.begin(), r.end());
        }
        if (chance(10))  // bytes the loader never reaches when an end line came first
            for (int k = pick(1, 70); k > 0; --k) f.push_back(static_cast<uint8_t>(pick(0, 255)));
        return f;
    }
};

TEST(TolvasmRoundTrip, RandomProgramsOfEveryVariant) {
    Generator g(20261207);
    int loaded = 0, trailers = 0;
    for (int k = 0; k < 3000; ++k) {
        std::vector<uint8_t> f = g.file();
        Program p;
        size_t consumed = 0;
        if (parse_program(f.data(), f.size(), p, &consumed) != LoadStatus::Ok) {
            // Garbage after a program without an end line: dis must refuse it.
            std::string text, message;
            EXPECT_FALSE(disassemble(f, text, message));
            EXPECT_FALSE(message.empty());
            continue;
        }
        ++loaded;
        trailers += consumed < f.size();
        expect_round_trip(f, "random file " + std::to_string(k));
        if (HasFatalFailure()) return;
    }
    EXPECT_GT(loaded, 2700);
    EXPECT_GT(trailers, 20);
}

// ---------------------------------------------------------------- names

TEST(TolvasmNames, EveryTokenNameReadsBackAsItsToken) {
    for (const TokenInfo& t : all_commands()) {
        auto f = asm_ok(std::string(".header plain 7\n") + t.name + " x\n");
        EXPECT_EQ(line_of(f, 1), std::string(1, static_cast<char>(t.code)) + "x") << t.name;
        EXPECT_EQ(dis_ok(f), std::string(".header plain 7\n") + t.name + " x\n");
    }
    const std::string let(1, static_cast<char>(code_of(Cmd::LET)));
    for (const TokenInfo& t : all_functions()) {
        auto f = asm_ok(std::string("LET a=@") + t.name + "(1)\n");
        EXPECT_EQ(line_of(f, 1), let + "a=@" + static_cast<char>(t.code) + "1)") << t.name;
        EXPECT_NE(dis_ok(f).find(std::string("@") + t.name + "(1)"), std::string::npos) << t.name;
    }
    for (const TokenInfo& t : all_sysvars()) {
        if (t.code == code_of(Sys::CONSTANT)) continue;  // written with a line reference: {=label}
        auto f = asm_ok(std::string("LET a=%{") + t.name + "}\n");
        EXPECT_EQ(line_of(f, 1), let + "a=%" + static_cast<char>(t.code)) << t.name;
        EXPECT_NE(dis_ok(f).find(std::string("%{") + t.name + "}"), std::string::npos) << t.name;
    }
}

// ---------------------------------------------------------------- dis forms

TEST(TolvasmDis, ReferencesBecomeLabels) {
    const std::string text =
        ".header plain 7\n"
        "FN2:\n"
        "DEF abcd2)@ARG%(1)+@ARG%(2)\n"
        "L3:\n"
        "#254 abcd42\n"
        "~LET x%=@FN2(1,2)+%{=L3}\n"
        "GOSUB proc:{@L3}\n"
        "END\n";
    auto f = asm_ok(text);
    EXPECT_EQ(line_of(f, 3), std::string("\xCEx%=@\xFF\x01\x00" "1,2)+%\xFE\x02\x00", 17));
    // Labels sit only before lines that are referenced; DEF lines get FN.
    std::string listing = dis_ok(f);
    EXPECT_EQ(listing,
              ".header plain 7\n"
              "FN1:\n"
              "DEF abcd2)@ARG%(1)+@ARG%(2)\n"
              "L2:\n"
              "NOP abcd42\n"
              "~LET x%=@FN1(1,2)+%{=L2}\n"
              "GOSUB proc:{@L2}\n"
              "END\n");
}

TEST(TolvasmDis, ReferencesOutsideTheProgramStayBytes) {
    std::string h = detail::plain_header('7');
    std::vector<uint8_t> f(h.begin(), h.end());
    const std::string rec("\xCE" "a=@\xFF\x09\x00" "1)+\xFF\x00\x00+%\xFE\x05\x01+@\xFF\x01", 22);
    f.push_back(static_cast<uint8_t>(rec.size()));
    f.push_back(0);
    f.insert(f.end(), rec.begin(), rec.end());
    EXPECT_EQ(dis_ok(f), ".header plain 7\n"
                         "LET a=@{xFF}{x09}{x00}1)+{xFF}{x00}{x00}+%{xFE}{x05}{x01}+@{xFF}{x01}\n");
    expect_round_trip(f, "refs outside");
}

TEST(TolvasmDis, OddBytesAndQuotes) {
    std::string h = detail::plain_header('5');
    std::vector<uint8_t> f(h.begin(), h.end());
    const std::string rec(
        "\x27" " a{b}\"x@y\xFF\" \xE4\xA0\x80\x0D\t%\x89$\x89 \x89@{@", 27);
    f.push_back(static_cast<uint8_t>(rec.size()));
    f.insert(f.end(), rec.begin(), rec.end());
    // Leading blank kept, '{' doubled, '@' and 0xFF plain inside quotes,
    // Latin-1 letters as UTF-8, invisible bytes escaped, system variables
    // only right after a type character, a last lone '@' escaped.
    EXPECT_EQ(dis_ok(f), ".header plain 5\n"
                         "REM  a{{b}\"x@y\xC3\xBF\" \xC3\xA4{xA0}{x80}{x0D}{x09}%{MOUSEX}${MOUSEX} {x89}"
                         "@ICONCOUNT({x40}\n");
    expect_round_trip(f, "odd bytes");
}

TEST(TolvasmDis, BlankEdgesEmptyLinesAndTrailer) {
    auto f = asm_ok(".header plain 8\nPRINT  x  \n.empty\n~.empty\n~#21 y\nEND\n.trailer hex 01 02 03\n");
    EXPECT_EQ(line_of(f, 1), std::string(1, static_cast<char>(find_command("PRINT")->code)) + " x  ");
    EXPECT_EQ(dis_ok(f), ".header plain 8\nPRINT  x{x20}{x20}\n.empty\n~.empty\n~#21 y\nEND\n.trailer hex 010203\n");
    expect_round_trip(f, "edges");
}

TEST(TolvasmDis, HeaderDirectives) {
    for (std::string d : {"plain 5", "plain 6", "plain 7", "plain 8", "masked 5A", "computed 5 3C", "computed 7 A5",
                          "cipher 6 0102030405060708090A0B", "cipher 8 0102030405060708090A0B0C0D0E0F101112"}) {
        auto f = asm_ok(".header " + d + "\nREM hi\nEND\n");
        EXPECT_EQ(dis_ok(f), ".header " + d + "\nREM hi\nEND\n") << d;
    }
    // A header the assembler does not build by name is kept byte for byte.
    std::string h = detail::plain_header('7');
    h[0] = 'x';
    h[31] = '\x7F';
    std::vector<uint8_t> f(h.begin(), h.end());
    EXPECT_EQ(dis_ok(f), ".header hex 785A574D2D544F4C 56454E3720444154 4549" "1A2020202020 202020202020207F\n");
    expect_round_trip(f, "hex header");
}

TEST(TolvasmDis, RefusesWhatTheLoaderRefuses) {
    std::string text, message;
    EXPECT_FALSE(disassemble({'M', 'Z'}, text, message));
    EXPECT_NE(message.find("not a program file"), std::string::npos);
    auto f = asm_ok(".header plain 7\nREM one\nREM two\n");
    f.pop_back();
    EXPECT_FALSE(disassemble(f, text, message));
    EXPECT_EQ(message, "line 2 (record at byte 38) is cut short by the end of the file");
    EXPECT_TRUE(text.empty());
}

// ---------------------------------------------------------------- asm errors

TEST(TolvasmAsm, ErrorsNameLineAndColumn) {
    struct Case {
        std::string text;
        int line, column;
        std::string message;
    } cases[] = {
        {"REM ok\n~FROB 1\n", 2, 2, "unknown statement 'FROB'"},
        {"; c\nLET a=@NO SUCH(1)\n", 2, 7, "unknown function 'NO SUCH'"},
        {"LET a=@NOSUCH(1)\n", 1, 7, "unknown function or label 'NOSUCH'"},
        {"PRINT \"ä\"{zz}\n", 1, 10, "unknown system variable or escape '{zz}'"},
        {"PRINT {x4\n", 1, 7, "unclosed '{'"},
        {"PRINT @{y41}\n", 1, 7, "expected @{xHH}"},
        {"REM\nGOSUB x:{@NOWHERE}\n", 2, 9, "unknown label 'NOWHERE'"},
        {"LET a=@END(1)\nEND:\n", 1, 7, "label 'END' is not followed by a program line"},
        {".header plain 5\nREM\nPRINT " + std::string(255, 'x') + "\n", 3, 1, "line longer than 255 bytes"},
        {"PRINT \xE2\x82\xAC\n", 1, 7, "character outside Latin-1"},
        {"REM\n.trailer hex 00\n", 2, 1, ".trailer must follow an END line"},
        {"END\n.trailer hex 0\n", 2, 10, "expected .trailer hex followed by hex bytes"},
        {"END\n.trailer hex 00\nREM\n", 3, 1, "nothing but .trailer may follow a .trailer"},
        {".header plain 9\n", 1, 9, "plain takes a version 5 to 8"},
    };
    for (const Case& c : cases) {
        AsmError e = asm_error(c.text);
        EXPECT_EQ(e.line, c.line) << c.text;
        EXPECT_EQ(e.column, c.column) << c.text;
        EXPECT_EQ(e.message, c.message) << c.text;
    }
    // 16-bit lengths take the same line.
    asm_ok(".header plain 7\nPRINT " + std::string(255, 'x') + "\n");
}

TEST(TolvasmAsm, ByteOrderMarkIsIgnored) {
    EXPECT_EQ(asm_ok("\xEF\xBB\xBFREM\n"), asm_ok("REM\n"));
}

// ---------------------------------------------------------------- commands

struct TempDir {
    fs::path path;
    TempDir() {
        path = fs::temp_directory_path() / ("tolvasm_test_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                                            "_" + std::to_string(std::rand()));
        fs::create_directories(path);
    }
    ~TempDir() { fs::remove_all(path); }
    std::string file(const std::string& name, const std::string& content = {}) const {
        std::string p = (path / name).string();
        if (!content.empty()) std::ofstream(p, std::ios::binary) << content;
        return p;
    }
};

TEST(TolvasmCommands, FailuresWriteNothing) {
    TempDir dir;
    std::ostringstream out, err;
    const std::string bad = dir.file("bad.tvl", "REM\nFROB\n");
    const std::string target = dir.file("bad.tvc");
    EXPECT_EQ(tools::run_command("asm", {bad, target}, out, err), 1);
    EXPECT_EQ(err.str(), bad + ":2:1: unknown statement 'FROB'\n");
    EXPECT_FALSE(fs::exists(target));

    const std::string junk = dir.file("junk.tvc", "not a program");
    const std::string listing = dir.file("junk.tvl");
    err.str("");
    EXPECT_EQ(tools::run_command("dis", {junk, listing}, out, err), 1);
    EXPECT_NE(err.str().find(junk + ": not a program file"), std::string::npos);
    EXPECT_FALSE(fs::exists(listing));
}

TEST(TolvasmCommands, DisToFileAndStdout) {
    TempDir dir;
    std::ostringstream out, err;
    const std::string src = dir.file("p.tvl", ".header cipher 6\nREM Grüße\nEND\n");
    const std::string prog = dir.file("p.tvc"), listing = dir.file("p2.tvl");
    ASSERT_EQ(tools::run_command("asm", {src, prog}, out, err), 0) << err.str();
    ASSERT_EQ(tools::run_command("dis", {prog}, out, err), 0) << err.str();
    ASSERT_EQ(tools::run_command("dis", {prog, listing}, out, err), 0) << err.str();
    std::ifstream in(listing, std::ios::binary);
    std::stringstream written;
    written << in.rdbuf();
    EXPECT_EQ(written.str(), out.str());
    EXPECT_NE(out.str().find("REM Grüße\nEND\n"), std::string::npos);
}

TEST(TolvasmCommands, InfoCountsTokensAndWhatIsMissing) {
    auto f = asm_ok(
        ".header computed 7 A5\n"
        "FN1:\n"
        "DEF abcd1)@ARG%(1)*2\n"
        "~LET a%=@FINDWINDOW(\"x@y\")+@FN1(3)+@FINDWINDOW(b$)\n"
        "CASE a%:{x65}x\n"
        ".empty\n"
        "#5\n"
        "END\n"
        ".trailer hex 0000\n");
    std::string text, message;
    ASSERT_TRUE(program_info(f, text, message)) << message;
    EXPECT_NE(text.find("variant: computed mask 0xA5, version 7, 16-bit record lengths\n"), std::string::npos) << text;
    EXPECT_NE(text.find("lines: 6 (1 expression, 1 empty)\nend line: 6\n"), std::string::npos) << text;
    EXPECT_NE(text.find("bytes after the end line: 2"), std::string::npos) << text;
    EXPECT_NE(text.find("user-function calls: 1\n"), std::string::npos) << text;
    // MOVEWINDOW behind the CASE prefix counts; the '@' inside quotes does not.
    // Every token is built now, so none carries the "not built" mark.
    EXPECT_NE(text.find("0x65  MOVEWINDOW            1\n"), std::string::npos) << text;
    EXPECT_NE(text.find("0x05  #5                    1  no meaning"), std::string::npos) << text;
    EXPECT_NE(text.find("0xE7  FINDWINDOW            2\n"), std::string::npos) << text;
    EXPECT_NE(text.find("0x02  END                   1\n"), std::string::npos) << text;
    EXPECT_NE(text.find("0x25  ARG%                  1\n"), std::string::npos) << text;
    EXPECT_NE(text.find("functions: 2 tokens, 0 not built yet"), std::string::npos) << text;
    EXPECT_EQ(text.find("not built\n"), std::string::npos) << text;
}

}  // namespace
}  // namespace tolven::listing
