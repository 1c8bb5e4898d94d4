// File numbers, whole-file statements, directories and listings, run in a
// scratch directory of the real file system.
#include "data/file_numbers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "core/errors.h"
#include "data/file_platform.h"
#include "data/item_list_statements.h"
#include "data/memory_files.h"
#include "data/text_files.h"
#include "gui/item_list.h"
#include "tests/unit/support/runtime_fixture.h"
#include "values/reader.h"
#include "values/low_memory.h"
#include "values/store.h"


namespace tolven::testing {
namespace {

namespace fs = std::filesystem;

class FileNumbers : public RuntimeTest {
protected:
    fs::path home, scratch;

    void SetUp() override {
        RuntimeTest::SetUp();
        item_list.clear();
        home = fs::current_path();
        char templ[] = "/tmp/tolven_files_XXXXXX";
        ASSERT_NE(mkdtemp(templ), nullptr);
        scratch = templ;
        fs::current_path(scratch);
    }
    void TearDown() override {
        reset_file_numbers();
        fs::current_path(home);
        std::error_code ec;
        fs::permissions(scratch, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(scratch, ec);
        RuntimeTest::TearDown();
    }

    // Runs one statement, written as a listing line, outside the loop.
    void exec(const std::string& listing) {
        line_ = listing_line(listing);
        if (line_.empty()) return;
        interp.current_token = static_cast<uint8_t>(line_[0]);
        interp.argument_text = std::string_view(line_).substr(1);
        begin_arguments(interp.argument_text);
        statement_handler(interp.current_token)();
    }
    void exec(std::initializer_list<std::string> lines) {
        for (const auto& l : lines) exec(l);
    }
    // The runtime error, warning or notice a line raises (0: none); the
    // statement goes on as under error mode -1.
    int raised(const std::string& line) {
        errors.error_mode = -1;
        errors.last_error_number = 0;
        exec(line);
        errors.error_mode = 1;
        return errors.last_error_number;
    }
    // The message box caption of the runtime error a line ends the run with.
    std::string failure(const std::string& line) {
        try {
            exec(line);
        } catch (const ProcessExit&) {
            reset_shutdown_steps();
            return rec.boxes.empty() ? "<no box>" : rec.boxes.back().caption;
        }
        return "<no error>";
    }
    // Calls a function handler on an argument text ending in ")"; a runtime
    // error it raises is left in errors.last_error_number.
    void call(void (*fn)(), const std::string& args) {
        arg_text = args;
        begin_arguments(arg_text);
        errors.error_mode = -1;
        errors.last_error_number = 0;
        fn();
        errors.error_mode = 1;
    }
    std::string arg_text;
    std::string line_;

    static void put(const std::string& name, const std::string& data) {
        std::ofstream(name, std::ios::binary) << data;
    }
    static std::string get(const std::string& name) {
        std::ifstream in(name, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    std::vector<std::string> items() const {
        std::vector<std::string> v;
        for (int32_t k = 0; k <= item_list.last_index(); ++k) v.push_back(item_list[k]);
        return v;
    }
};

TEST_F(FileNumbers, TextFilesAreWrittenAppendedAndReadLineByLine) {
    exec({"ASSIGN #1,\"t.txt\"", "REWRITE #1"});
    file_write_text(1, "one\r\n");
    file_write_text(1, "two");
    EXPECT_EQ(get("t.txt"), "one\r\ntwo");  // on disk before the close
    exec({"CLOSE #1", "APPEND #1"});
    file_write_text(1, "\nthree\r\n");
    exec({"CLOSE #1"});
    EXPECT_EQ(get("t.txt"), "one\r\ntwo\nthree\r\n");

    exec("RESET #1");
    std::string line;
    call(text_eof_function, "#1)");
    EXPECT_EQ(slots.i, 0);
    ASSERT_TRUE(file_read_line(1, line));
    EXPECT_EQ(line, "one");
    ASSERT_TRUE(file_read_line(1, line));
    EXPECT_EQ(line, "two");
    ASSERT_TRUE(file_read_line(1, line));
    EXPECT_EQ(line, "three");
    call(text_eof_function, "1)");
    EXPECT_EQ(slots.i, 1);
    EXPECT_FALSE(file_read_line(1, line));
    EXPECT_EQ(take_io_error(), 0);  // reading at the end is no error

    // A last line without a line end, and a line longer than any buffer.
    const std::string long_line(10000, 'x');
    put("t.txt", long_line + "\r\nend");
    exec("RESET #1");
    ASSERT_TRUE(file_read_line(1, line));
    EXPECT_EQ(line, long_line);
    ASSERT_TRUE(file_read_line(1, line));
    EXPECT_EQ(line, "end");
}

TEST_F(FileNumbers, FailuresStayPendingAndAreReadOnce) {
    exec({"ASSIGN #1,\"missing.txt\"", "RESET #1"});
    EXPECT_EQ(take_io_error(), 2);
    EXPECT_EQ(take_io_error(), 0);

    exec("RESET #2");  // never assigned
    EXPECT_EQ(take_io_error(), 102);

    file_write_text(1, "x");  // not open
    EXPECT_EQ(take_io_error(), 103);
    put("in.txt", "a\n");
    exec({"ASSIGN #3,\"in.txt\"", "RESET #3"});
    file_write_text(3, "x");
    EXPECT_EQ(take_io_error(), 105);
    EXPECT_EQ(get("in.txt"), "a\n");
    exec({"ASSIGN #4,\"out.txt\"", "REWRITE #4"});
    std::string line = "junk";
    EXPECT_FALSE(file_read_line(4, line));
    EXPECT_EQ(line, "");
    EXPECT_EQ(take_io_error(), 104);
    call(text_eof_function, "#4)");
    EXPECT_EQ(slots.i, 1);
    EXPECT_EQ(take_io_error(), 104);

    // Writing after the close leaves 103 and writes nothing.
    file_write_text(4, "kept");
    exec("CLOSE #4");
    file_write_text(4, "lost");
    EXPECT_EQ(take_io_error(), 103);
    EXPECT_EQ(get("out.txt"), "kept");

    // The next file-number statement clears what is pending; assign does not.
    exec("RESET #1");
    exec("ASSIGN #5,\"x\"");
    EXPECT_EQ(pending_io_error(), 2);
    exec("CLOSE #3");
    EXPECT_EQ(pending_io_error(), 0);

    // The file error flag of the search functions joins in.
    set_file_error_flag(18);
    exec("RESET #1");
    EXPECT_EQ(take_io_error(), 18 | 2);
    EXPECT_EQ(take_io_error(), 0);
}

TEST_F(FileNumbers, EmptyOrWildcardNamesTouchNoFile) {
    put("keep.txt", "data");
    exec({"ASSIGN #1,\"\"", "REWRITE #1"});
    EXPECT_EQ(take_io_error(), 2);
    exec({"ERASE #1"});
    EXPECT_EQ(take_io_error(), 2);
    exec({"ASSIGN #1,\"k*.txt\"", "REWRITE #1"});
    EXPECT_EQ(take_io_error(), 123);
    exec({"BOPEN #1"});
    EXPECT_EQ(take_io_error(), 123);
    exec({"ERASE #1"});
    EXPECT_EQ(take_io_error(), 123);
    exec({"ASSIGN #1,\"k{x02}.txt\"", "REWRITE #1"});
    EXPECT_EQ(take_io_error(), 123);
    exec({"ERASE #9"});  // never assigned
    EXPECT_EQ(take_io_error(), 102);
    EXPECT_EQ(get("keep.txt"), "data");
    EXPECT_EQ(std::distance(fs::directory_iterator("."), fs::directory_iterator()), 1);
}

TEST_F(FileNumbers, InputOfANumberThatIsNoneLeaves106) {
    const struct {
        const char* line;
        bool fraction;
        bool bad;
    } cases[] = {
        {"42", false, false},     {" -7 ", false, false},  {"+0", false, false},
        {"", false, false},       {"   ", true, false},    {"-2147483648", false, false},
        {"2147483648", false, true}, {"12abc", false, true}, {"1.5", false, true},
        {"- 1", false, true},     {"2.5", true, false},    {"-.5e-3", true, false},
        {"1e", true, true},       {".", true, true},       {"2,5", true, true},
        {"x", true, true},
    };
    for (const auto& c : cases) {
        file_check_number(c.line, c.fraction);
        EXPECT_EQ(take_io_error(), c.bad ? 106 : 0) << '"' << c.line << '"';
    }
}

TEST_F(FileNumbers, ARefusedReadIsAFailureEvenWhereTheSizeSaysNothingIsLeft) {
    // The kernel's memory file of this process: size 0, and reading address
    // 0 is refused. Before, such a read counted as the end of the file.
    int error = 0;
    auto f = file_system().open("/proc/self/mem", OpenMode::Read, error);
    if (!f) GTEST_SKIP() << "no /proc/self/mem";
    char b[16];
    EXPECT_EQ(f->read(b, sizeof b), 0u);
    EXPECT_NE(f->error(), 0);
    exec({"ASSIGN #1,\"/proc/self/mem\"", "RESET #1"});
    std::string line;
    EXPECT_FALSE(file_read_line(1, line));
    EXPECT_EQ(take_io_error(), 100);
    EXPECT_EQ(failure("FILECOPY \"/proc/self/mem\">\"m\""), "Fehler beim Lesen: /proc/self/mem");

    // Reading to the end of a plain file is no failure.
    put("p", "abc");
    auto g = file_system().open("p", OpenMode::Read, error);
    ASSERT_TRUE(g);
    EXPECT_EQ(g->read(b, sizeof b), 3u);
    EXPECT_EQ(g->error(), 0);
}

TEST_F(FileNumbers, FileNumberMustBeWrittenAndInRange) {
    EXPECT_EQ(failure("RESET 1"), "Dateikennung erwartet!");
    EXPECT_EQ(failure("RESET #0"), "Dateinummer nicht im erlaubten Bereich!");
    EXPECT_EQ(raised("BWRITE #16,1"), 210);
    EXPECT_EQ(raised("ASSIGN #-1,\"a\""), 210);
    EXPECT_EQ(raised("SETFILEATTR \"a\",1"), 104);
    call(byte_get_function, "#16)");
    EXPECT_EQ(errors.last_error_number, 210);
}

TEST_F(FileNumbers, ByteFilesOpenCreateWriteSeekAndRead) {
    exec({"ASSIGN #2,\"b.bin\"", "BOPEN #2"});  // created when missing
    EXPECT_EQ(take_io_error(), 0);
    ASSERT_TRUE(fs::exists("b.bin"));
    exec({"BWRITE #2,65", "BWRITE #2,322", "BWRITE #2,-1"});
    EXPECT_EQ(get("b.bin"), "AB\xFF");  // on disk at once
    call(byte_position_function, "#2)");
    EXPECT_EQ(slots.i, 3);
    call(byte_size_function, "#2)");
    EXPECT_EQ(slots.i, 3);
    exec({"BSEEK #2,1"});
    call(byte_get_function, "#2)");
    EXPECT_EQ(slots.i, 'B');
    EXPECT_EQ(slots.type, kInteger);
    call(byte_get_function, "#2)");
    EXPECT_EQ(slots.i, 0xFF);
    call(byte_get_function, "#2)");  // past the end
    EXPECT_EQ(slots.i, 0);
    EXPECT_EQ(take_io_error(), 100);
    exec("BSEEK #2,-5");
    EXPECT_EQ(take_io_error(), 131);
    exec({"BSEEK #2,1", "BWRITE #2,67", "BCLOSE #2"});
    EXPECT_EQ(get("b.bin"), "AC\xFF");
    exec("BWRITE #2,1");
    EXPECT_EQ(take_io_error(), 103);
    call(byte_size_function, "#2)");
    EXPECT_EQ(take_io_error(), 103);

    // File mode 0: opened for reading only; writing is refused.
    exec({"FILEMODE 256", "BOPEN #2", "BWRITE #2,1"});
    EXPECT_EQ(file_mode, 0);
    EXPECT_EQ(take_io_error(), 5);
    call(byte_get_function, "#2)");
    EXPECT_EQ(slots.i, 'A');
    EXPECT_EQ(get("b.bin"), "AC\xFF");
    // ... but a missing file is still created.
    exec({"ASSIGN #3,\"new.bin\"", "BOPEN #3"});
    EXPECT_EQ(take_io_error(), 0);
    EXPECT_TRUE(fs::exists("new.bin"));
}

// The platform of the tests, except that every name exists.
class EverythingExists : public FilePlatform {
public:
    FilePlatform& base = file_platform();
    std::vector<DirEntry> find(const std::string& p) override { return base.find(p); }
    std::optional<uint32_t> attributes(const std::string&) override { return attr::kArchive; }
    int set_attributes(const std::string& n, uint32_t a) override { return base.set_attributes(n, a); }
    std::optional<DateTime> last_write(const std::string& n) override { return base.last_write(n); }
    int change_dir(const std::string& p) override { return base.change_dir(p); }
    int make_dir(const std::string& p) override { return base.make_dir(p); }
    int remove_dir(const std::string& p) override { return base.remove_dir(p); }
    std::string current_dir() override { return base.current_dir(); }
    int rename(const std::string& a, const std::string& b) override { return base.rename(a, b); }
    int erase(const std::string& n) override { return base.erase(n); }
    bool same_file(const std::string& a, const std::string& b) override { return base.same_file(a, b); }
    std::string join(const std::string& d, const std::string& n) override { return base.join(d, n); }
};

// Refuses the first open as "not found", then behaves.
class RefusesFirstOpen : public MemoryFileSystem {
public:
    bool refused = false;
    std::unique_ptr<File> open(const std::string& name, OpenMode mode, int& error) override {
        if (!refused) {
            refused = true;
            error = io::kFileNotFound;
            return nullptr;
        }
        return MemoryFileSystem::open(name, mode, error);
    }
};

TEST_F(FileNumbers, ByteOpenNeverEmptiesAFileItCannotOpen) {
    RefusesFirstOpen mem;
    EverythingExists platform;
    set_file_system(&mem);
    set_file_platform(&platform);
    mem.put("locked.bin", "precious");
    exec({"ASSIGN #1,\"locked.bin\"", "BOPEN #1"});
    set_file_platform(nullptr);
    set_file_system(nullptr);
    EXPECT_EQ(take_io_error(), 2);
    EXPECT_EQ(mem.get("locked.bin").size(), 8u);
    exec("BWRITE #1,1");
    EXPECT_EQ(take_io_error(), 103);
}

TEST_F(FileNumbers, AssignClosesViewsStillOpenUnderTheOldName) {
    exec({"ASSIGN #1,\"a.txt\"", "REWRITE #1", "BOPEN #1"});
    file_write_text(1, "text");
    exec("ASSIGN #1,\"b.txt\"");
    file_write_text(1, "more");
    EXPECT_EQ(take_io_error(), 103);
    exec("BWRITE #1,1");
    EXPECT_EQ(take_io_error(), 103);
    EXPECT_EQ(get("a.txt"), "text");
    EXPECT_EQ(file_number_name(1), "b.txt");
}

TEST_F(FileNumbers, RenameMovesTheTextViewOnlyAndEraseDeletes) {
    put("old.txt", "abc");
    put("taken.txt", "t");
    exec({"ASSIGN #1,\"old.txt\"", "RENAME #1,\"taken.txt\""});
    EXPECT_EQ(take_io_error(), 183);
    EXPECT_EQ(get("taken.txt"), "t");
    exec("RENAME #1,\"new.txt\"");
    EXPECT_EQ(take_io_error(), 0);
    EXPECT_EQ(file_number_name(1), "new.txt");
    EXPECT_EQ(get("new.txt"), "abc");
    // The byte view keeps the old name until the next assign.
    exec("BOPEN #1");
    EXPECT_TRUE(fs::exists("old.txt"));
    exec({"BCLOSE #1", "RESET #1"});
    EXPECT_EQ(take_io_error(), 0);
    exec({"CLOSE #1", "ERASE #1"});
    EXPECT_FALSE(fs::exists("new.txt"));
    exec("ERASE #1");
    EXPECT_EQ(take_io_error(), 2);
    exec("RENAME #7,\"x\"");
    EXPECT_EQ(take_io_error(), 102);
}

// An area variable whose block lies in the program-visible memory, with
// room behind it to see bytes written past its end.
class AreaBlock {
public:
    AreaBlock(const char* name, int32_t size) {
        address_ = low_alloc(65536);
        mem_ = address_pointer(address_);
        VarName n;
        make_name(name, n);
        var = declare_area(n);
        var->data = address_;
        var->size = size;
        std::memset(mem_, '.', 65536);
    }
    ~AreaBlock() { low_free(address_); }
    uint8_t* bytes() const { return static_cast<uint8_t*>(mem_); }
    std::string text(size_t n) const { return std::string(reinterpret_cast<const char*>(mem_), n); }
    AreaVar* var;

private:
    uint32_t address_;
    void* mem_;
};

TEST_F(FileNumbers, BlockWriteAndBlockReadStayInsideTheArea) {
    AreaBlock blk("blk#", 8);
    std::memcpy(blk.bytes(), "01234567", 8);
    exec({"ASSIGN #1,\"blk.bin\"", "BOPEN #1", "BLOCKWRITE #1,blk#,2,6", "BLOCKWRITE #1, BLK# ,0,0"});
    EXPECT_EQ(get("blk.bin"), "234567");
    EXPECT_EQ(raised("BLOCKWRITE #1,blk#,3,6"), 207);  // one past the end
    EXPECT_EQ(raised("BLOCKWRITE #1,blk#,-1,2"), 207);
    EXPECT_EQ(raised("BLOCKWRITE #1,blk#,0,-1"), 207);
    EXPECT_EQ(raised("BLOCKWRITE #1,nope#,0,1"), 215);
    EXPECT_EQ(raised("BLOCKWRITE #1,blk%,0,1"), 215);  // no such variable at all
    exec("DECLARE blk%");
    EXPECT_EQ(raised("BLOCKWRITE #1,blk%,0,1"), 121);  // one, but not an area
    EXPECT_EQ(get("blk.bin"), "234567");

    exec("BSEEK #1,1");
    call(block_read_function, "#1,blk#,0,8)");
    EXPECT_EQ(slots.l, 5);  // the bytes there were
    EXPECT_EQ(slots.type, kLong);
    EXPECT_EQ(blk.text(8), "34567567");
    EXPECT_EQ(take_io_error(), 0);
    call(block_read_function, "#1,blk#,1,8)");
    EXPECT_EQ(errors.last_error_number, 207);
    exec("BCLOSE #1");
    call(block_read_function, "#1,blk#,0,1)");
    EXPECT_EQ(take_io_error(), 103);
    EXPECT_EQ(failure("BLOCKWRITE #1,blk#,3,6"), "Bereichsgrenze \xFC" "berschritten: BLK#");
}

TEST_F(FileNumbers, AreaAddressesAProgramMadeUpAreChecked) {
    VarName n;
    make_name("wild#", n);
    AreaVar* a = declare_area(n);
    a->data = 16;  // no memory there
    a->size = 100;
    put("t.txt", "text");
    exec({"ASSIGN #1,\"w.bin\"", "BOPEN #1"});
    EXPECT_EQ(raised("BLOCKWRITE #1,wild#,0,4"), 207);
    call(block_read_function, "#1,wild#,0,4)");
    EXPECT_EQ(errors.last_error_number, 207);
    EXPECT_EQ(raised("LOADTEXT wild#,\"t.txt\""), 207);
    item_list.add("x");
    call(items_to_area_function, "wild#,\",\")");
    EXPECT_EQ(errors.last_error_number, 207);
    a->data = 0xFFFFFFF0u;  // the range would run past 4 GB
    EXPECT_EQ(raised("BLOCKWRITE #1,wild#,8,10"), 207);
    EXPECT_EQ(get("w.bin"), "");
}

TEST_F(FileNumbers, TextFileReadFillsTheAreaWhileTheTextFits) {
    AreaBlock blk("t#", 12);
    put("fits.txt", "ab\r\ncd");
    exec("LOADTEXT t#,\"fits.txt\"");
    EXPECT_EQ(rec.boxes.size(), 0u);
    EXPECT_EQ(blk.text(9), std::string("ab\r\ncd\r\n\0", 9));
    // ab CR LF cd CR LF: 8 bytes; efgh would need 8 + 4 < 12 - 3.
    put("lines.txt", "ab\r\ncd\nefgh\n");
    blk.bytes()[8] = '.';
    ASSERT_EQ(raised("LOADTEXT t#,\"lines.txt\""), 244);
    EXPECT_EQ(blk.text(9), std::string("ab\r\ncd\r\n\0", 9));

    put("short.txt", "x");
    exec("LOADTEXT t#,\"short.txt\"");
    EXPECT_EQ(blk.text(4), std::string("x\r\n\0", 4));

    EXPECT_EQ(failure("LOADTEXT t#,\"none.txt\""), "Datei kann nicht gelesen werden: none.txt");
}

TEST_F(FileNumbers, TextFileReadWantsADimensionedAreaVariable) {
    put("a.txt", "a");
    EXPECT_EQ(raised("LOADTEXT x$,\"a.txt\""), 121);
    EXPECT_EQ(raised("LOADTEXT x#,\"a.txt\""), 215);
    exec("DECLARE x#");
    EXPECT_EQ(raised("LOADTEXT x#,\"a.txt\""), 243);
}

TEST_F(FileNumbers, ItemsJoinIntoAnAreaUpToItsSize) {
    AreaBlock blk("j#", 8);
    item_list.add("abc");
    item_list.add("de");
    call(items_to_area_function, "j#,\";\")");
    EXPECT_EQ(blk.text(8), std::string("abc;de;\0", 8));
    EXPECT_EQ(slots.l, 7);
    item_list.add("fgh");
    call(items_to_area_function, "j#,\";\")");
    EXPECT_EQ(blk.text(9), std::string("abc;de;\0.", 9));  // the zero stays inside
}

TEST_F(FileNumbers, CopyCopiesEveryByte) {
    std::string big(100000, '\0');
    for (size_t k = 0; k < big.size(); ++k) big[k] = static_cast<char>(k * 7);
    put("src.bin", big);
    exec("FILECOPY \"src.bin\">\"dst.bin\"");
    EXPECT_EQ(get("dst.bin"), big);
    put("empty", "");
    exec("FILECOPY \"empty\">\"e2\"");
    ASSERT_TRUE(fs::exists("e2"));
    EXPECT_EQ(fs::file_size("e2"), 0u);
    // A copy onto itself keeps the file whole.
    exec("FILECOPY \"src.bin\">\"./src.bin\"");
    EXPECT_EQ(get("src.bin"), big);
    EXPECT_EQ(file_mode, 2);

    EXPECT_EQ(failure("FILECOPY \"none\">\"x\""), "Datei kann nicht gelesen werden: none");
    EXPECT_FALSE(fs::exists("x"));
    EXPECT_EQ(failure("FILECOPY \"empty\">\"no/such/dir\""), "Datei kann nicht erzeugt werden: no/such/dir");
}

TEST_F(FileNumbers, CopyReportsReadAndWriteFailures) {
    ScopedMemoryFileSystem mem;
    mem.fs.put("s", std::string(70000, 'a'));
    mem.fs.fail_read_after = 1;
    EXPECT_EQ(failure("FILECOPY \"s\">\"d\""), "Fehler beim Lesen: s");
    mem.fs.fail_read_after = -1;
    mem.fs.fail_write_after = 1;
    EXPECT_EQ(failure("FILECOPY \"s\">\"d\""), "Fehler beim Schreiben: d");
    mem.fs.fail_write_after = -1;
    exec("FILECOPY \"s\">\"d\"");
    EXPECT_EQ(mem.fs.get("d").size(), 70000u);
    // An empty source whose read is refused is no empty copy.
    mem.fs.put("z", "");
    mem.fs.fail_read_after = 0;
    EXPECT_EQ(failure("FILECOPY \"z\">\"d\""), "Fehler beim Lesen: z");
}

TEST_F(FileNumbers, DirectoriesAreMadeEnteredAndRemoved) {
    exec("MKDIR \"sub\\\"");  // a final backslash goes from a path longer than 3
    EXPECT_EQ(take_io_error(), 0);
    EXPECT_TRUE(fs::is_directory("sub"));
    exec("MKDIR \"ab\\\"");  // ... but stays on a short one such as C:\ .
    EXPECT_TRUE(fs::is_directory("ab\\"));
    exec("MKDIR \"sub\"");
    EXPECT_EQ(take_io_error(), 183);
    exec("CHDIR \"sub\"");
    EXPECT_EQ(fs::current_path(), scratch / "sub");
    put("f", "1");
    exec("CHDIR \"..\"");
    exec("RMDIR \"sub\"");
    EXPECT_EQ(take_io_error(), 145);
    exec("CHDIR \"nowhere\"");
    EXPECT_NE(pending_io_error(), 0);
    exec("RMDIR \"ab\\\"");
    EXPECT_EQ(take_io_error(), 0);
    EXPECT_FALSE(fs::exists("ab\\"));
    exec("MKDIR \"\"");
    EXPECT_EQ(take_io_error(), 3);
}

TEST_F(FileNumbers, ListingAppendsDirectoriesInBracketsAndFiles) {
    fs::create_directory("SUB");
    put("A.TXT", "");
    put("b.doc", "");
    exec("DIR \"*.*\"");
    std::vector<std::string> got = items();
    std::sort(got.begin(), got.end());
    EXPECT_EQ(got, (std::vector<std::string>{"A.TXT", "[..]", "[.]", "[SUB]", "b.doc"}));
    exec({"CLEARITEMS", "DIR \"*.txt\""});
    EXPECT_EQ(items(), std::vector<std::string>{"A.TXT"});
    exec({"CLEARITEMS", "DIR \"nowhere/*\""});
    EXPECT_EQ(item_list.last_index(), -1);

    for (int k = 0; k < ItemList::kCapacity - 1; ++k) item_list.add("x");
    EXPECT_EQ(raised("DIR \"*.txt\""), 0);  // the last free entry
    EXPECT_EQ(raised("DIR \"*.txt\""), 232);
    EXPECT_EQ(item_list.size(), ItemList::kCapacity);
    EXPECT_EQ(failure("DIR \"*\""), "Zu viele Elemente!");
}

TEST_F(FileNumbers, RecursiveListingWalksSubdirectoriesAndComesBack) {
    fs::create_directories("d1/d2");
    fs::create_directory("e");
    put("top.txt", "");
    put("d1/one.TXT", "");
    put("d1/d2/two.txt", "");
    put("d1/skip.doc", "");
    fs::create_directory_symlink(scratch, "d1/loop");  // must not be followed
    exec("DIR *\"*.txt\"");
    std::vector<std::string> got = items();
    std::sort(got.begin(), got.end());
    const std::string s = scratch.string();
    EXPECT_EQ(got, (std::vector<std::string>{s + "/d1/d2/two.txt", s + "/d1/one.TXT", s + "/top.txt"}));
    EXPECT_EQ(fs::current_path(), scratch);

    // A full list drops further names without an error.
    exec("CLEARITEMS");
    for (int k = 0; k < ItemList::kCapacity - 1; ++k) item_list.add("x");
    EXPECT_EQ(raised("DIR *\"*.txt\""), 0);
    EXPECT_EQ(item_list.size(), ItemList::kCapacity);
}

TEST_F(FileNumbers, AttributesByNumberOrName) {
    put("a.txt", "x");
    fs::create_directory("dir");
    exec("ASSIGN #3,\"a.txt\"");
    call(file_attribute_function, "3)");
    EXPECT_EQ(slots.i, 0x20);
    EXPECT_EQ(slots.type, kInteger);
    exec("SETFILEATTR #3,1");
    EXPECT_EQ(take_io_error(), 0);
    call(file_attribute_function, "\"a.txt\")");
    EXPECT_EQ(slots.i, 0x21);
    exec("SETFILEATTR #\"a.txt\",32");
    call(file_attribute_function, "#3)");
    EXPECT_EQ(slots.i, 0x20);
    call(file_attribute_function, "\"dir\")");
    EXPECT_EQ(slots.i & 0x10, 0x10);

    EXPECT_EQ(failure("SETFILEATTR #\"gone\",1"), "Datei kann nicht gelesen werden: gone");
    EXPECT_EQ(raised("SETFILEATTR #4,1"), 300);  // nothing stored under 4
    call(file_attribute_function, "\"gone\")");
    EXPECT_EQ(errors.last_error_number, 300);
}

TEST_F(FileNumbers, DateAndTimeOfTheLastWrite) {
    put("a.txt", "x");
    const auto stamp = file_platform().last_write("a.txt");
    ASSERT_TRUE(stamp);
    exec("ASSIGN #1,\"a.txt\"");
    call(file_date_function, "1)");
    char want[40];
    std::snprintf(want, sizeof want, "%04d%02d%02d", stamp->year, stamp->month, stamp->day);
    EXPECT_EQ(slots.s, want);
    EXPECT_EQ(slots.type, kString);
    call(file_time_function, "\"a.txt\")");
    std::snprintf(want, sizeof want, "%.2d:%.2d:%.2d:%.2d", stamp->hour, stamp->minute, stamp->second,
                  stamp->millisecond);
    EXPECT_EQ(slots.s, want);
    call(file_time_function, "\"no.txt\")");
    EXPECT_EQ(errors.last_error_number, 300);
}

TEST_F(FileNumbers, ItemListStatementsAndFunctions) {
    exec({"ADDITEM \"a\"", "ADDITEM \"b\"", "ADDITEM 12", "SETITEM 1=\"B\""});
    EXPECT_EQ(items(), (std::vector<std::string>{"a", "B", "12"}));
    EXPECT_EQ(failure("SETITEM 3=\"x\""), "Das Element gibt es nicht!");
    EXPECT_EQ(raised("SETITEM -1=\"x\""), 233);
    call(item_function, "1)");
    EXPECT_EQ(slots.s, "B");
    EXPECT_EQ(slots.type, kString);
    call(item_function, "-1)");
    EXPECT_EQ(slots.s, "");
    call(item_function, "3)");
    EXPECT_EQ(errors.last_error_number, 206);
    call(join_items_function, "\",\")");
    EXPECT_EQ(slots.s, "a,B,12,");

    // A line that would make the result reach 32767 bytes is left out.
    exec("CLEARITEMS");
    item_list.add(std::string(32755, 'x'));
    item_list.add("1234567890");  // 32756 + 10 + 1 = 32767: left out
    item_list.add("123456789");
    call(join_items_function, "\";\")");
    EXPECT_EQ(slots.s.size(), 32766u);
    EXPECT_EQ(slots.s.substr(32755), ";123456789;");

    exec("CLEARITEMS");
    for (int k = 0; k < ItemList::kCapacity; ++k) item_list.add("x");
    EXPECT_EQ(failure("ADDITEM \"y\""), "Zu viele Elemente!");
}

TEST_F(FileNumbers, RunningProgramsLeaveTheirTextOnDiskWhenARuntimeErrorEndsThem) {
    // SQLNULL without its text ends the run with a runtime error.
    load_listing({"ASSIGN #1,\"log.txt\"", "REWRITE #1", "BOPEN #1", "BWRITE #1,88", "SQLNULL"});
    file_mode = 2;
    EXPECT_EQ(run(), 2);
    EXPECT_EQ(get("log.txt"), "X");
    // The shutdown closed every view.
    file_write_text(1, "late");
    EXPECT_EQ(take_io_error(), 103);
}

TEST_F(FileNumbers, FunctionsAreCalledFromArgumentTexts) {
    load_listing({"DECLARE v%,n$,d$", "ASSIGN #1,\"b.bin\"", "BOPEN #1", "BWRITE #1,200", "BSEEK #1,0",
                  "LET v%=@BGET(#1)", R"(ADDITEM "x")", R"(LET n$=@JOINITEMS$("/"))", "LET d$=@FILEDATE$(#1)"});
    ASSERT_EQ(run(), 0);
    EXPECT_EQ(*find_integer(std::string_view("v%")), 200);
    EXPECT_EQ(*find_string(std::string_view("n$")), "x/");
    EXPECT_EQ(find_string(std::string_view("d$"))->size(), 8u);

    // A call that fails before reading all its arguments is skipped whole.
    load_listing({"DECLARE r&", "LET r&=@BLOCKREAD(#1,nope#,0,1)"});
    reset_shutdown_steps();
    reset_interpreter();
    errors.error_mode = -1;
    ASSERT_EQ(run(), 0);
    EXPECT_EQ(errors.last_error_number, 215);
    EXPECT_EQ(*find_long(std::string_view("r&")), 0);
}

TEST(FileWildcards, FollowTheWindowsRules) {
    struct Case {
        const char* pattern;
        const char* name;
        bool match;
    } cases[] = {
        {"*", "abc", true},          {"*.*", "abc", true},       {"*.*", "a.b.c", true},
        {"*.*", ".", true},          {"*.*", "..", true},        {"*.txt", "A.TXT", true},
        {"*.txt", "a.txt.bak", false}, {"*.txt", "a.b.txt", true}, {"*.", "abc", true},
        {"*.", "a.b", false},        {"a?c", "abc", true},       {"a?c", "ac", false},
        {"a??", "a", true},          {"a??", "ab", true},        {"a??", "abcd", false},
        {"a?.txt", "a.txt", true},   {"\xE4*", "\xC4RGER", true}, {"x*y*z", "xaaybbz", true},
        {"x*y*z", "xaayb", false},   {"*", "", true},            {"", "a", false},
        {"a.b", "a.b", true},        {"a.b", "a_b", false},      {"sub*", "SUB", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(wildcard_match(c.pattern, c.name), c.match) << c.pattern << " / " << c.name;
    // Long patterns stay cheap.
    EXPECT_FALSE(wildcard_match(std::string(3000, '*') + "x", std::string(255, 'a')));
}

}  // namespace
}  // namespace tolven::testing
