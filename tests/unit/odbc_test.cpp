// The SQL statements over a stand-in driver manager: what reaches the item
// list and the result file, the row count, and the failures a real driver is
// hard to make fail with (a full disk, a fetch that breaks off).
#include <gtest/gtest.h>

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "core/loop.h"
#include "data/memory_files.h"
#include "data/odbc_format.h"
#include "data/odbc_platform.h"
#include "data/odbc_state.h"
#include "gui/item_list.h"
#include "tests/unit/support/listing.h"
#include "tests/unit/support/raised.h"
#include "tests/unit/support/runtime_fixture.h"
#include "values/reader.h"

namespace tolven::testing {
namespace {

using Row = std::vector<std::optional<std::string>>;  // nullopt: NULL

class FakeOdbc : public OdbcPlatform {
public:
    bool loadable = true;
    bool accepts_connection = true;
    std::vector<OdbcColumn> columns;
    std::deque<Row> rows;
    bool fail_after_rows = false;   // the fetch after the last row fails
    std::string diagnostic = "[vendor][driver]cursor lost (9)";

    int disconnects = 0, statements_open = 0;
    std::vector<size_t> limits;     // the limit of every value read
    Row current;

    bool load() override { return loadable; }
    bool connect(const std::string&) override { return accepts_connection; }
    void disconnect() override {
        ++disconnects;
        statements_open = 0;
    }
    bool execute(const std::string&) override {
        ++statements_open;
        return true;
    }
    int column_count() override { return static_cast<int>(columns.size()); }
    OdbcColumn describe(int c) override { return columns.at(static_cast<size_t>(c - 1)); }
    OdbcFetch fetch() override {
        if (rows.empty()) return fail_after_rows ? OdbcFetch::Failed : OdbcFetch::End;
        current = rows.front();
        rows.pop_front();
        return OdbcFetch::Row;
    }
    OdbcValue value(int c, size_t limit, std::string& out) override {
        limits.push_back(limit);
        const auto& v = current.at(static_cast<size_t>(c - 1));
        if (!v) return OdbcValue::Null;
        out = v->substr(0, limit);
        return OdbcValue::Text;
    }
    std::string message() override { return diagnostic; }
    void close_statement() override { statements_open = 0; }
};

class Odbc : public RuntimeTest {
protected:
    FakeOdbc odbc;
    ScopedMemoryFileSystem mem;
    std::string text_;

    void SetUp() override {
        RuntimeTest::SetUp();
        set_odbc_platform(&odbc);
        item_list.clear();
    }
    void TearDown() override {
        set_odbc_platform(nullptr);
        RuntimeTest::TearDown();
    }
    // One statement written as a listing line.
    void statement(const std::string& line) {
        const std::string bytes = listing_line(line);
        text_ = bytes.substr(1);
        begin_arguments(text_);
        statement_handler(static_cast<uint8_t>(bytes[0]))();
    }
    int32_t connect(const std::string& connection) {
        text_ = listing_args("@SQLCONNECT(\"" + connection + "\")");
        begin_arguments(text_);
        read_arg(' ', kAny);
        return slots.i;
    }
    std::string file(const std::string& name) {
        const auto bytes = mem.fs.get(name);
        return std::string(bytes.begin(), bytes.end());
    }
};

TEST_F(Odbc, ItemListGetsFittedLinesAndStopsWhenFull) {
    ASSERT_EQ(connect("DSN=x"), 1);
    odbc.columns = {{"A_LONG_NAME", odbc::sqltype::kSmallInt, 5}, {"B", odbc::sqltype::kVarBinary, 2}};
    for (int k = 0; k < 5; ++k) odbc.rows.push_back({std::to_string(k), "0123456789"});
    statement("SQLSEPARATOR \"\"");
    for (int k = 0; k < ItemList::kCapacity - 4; ++k) item_list.add("x");
    statement("SQLEXEC \"SELECT\",1");
    // Header, rule and two rows fit; the warning comes once, every row counts.
    EXPECT_EQ(item_list.size(), ItemList::kCapacity);
    EXPECT_EQ(item_list[ItemList::kCapacity - 4], "A_LONG_NAMEB   ");
    EXPECT_EQ(item_list[ItemList::kCapacity - 3], std::string(17, '-'));
    EXPECT_EQ(item_list[ItemList::kCapacity - 1], "1          0123");
    ASSERT_EQ(rec.boxes.size(), 1u);
    EXPECT_EQ(rec.boxes[0].caption, "Zu gro\xDF" "e Ergebnismenge!");
    EXPECT_EQ(odbc_state.row_count, 5);
    // Only as much as the width shows is asked of the driver.
    EXPECT_EQ(odbc.limits.at(0), 11u);
    EXPECT_EQ(odbc.limits.at(1), 4u);
}

TEST_F(Odbc, ResultBrokenOffByTheDriverIsAFailure) {
    ASSERT_EQ(connect("DSN=x"), 1);
    odbc.columns = {{"N", odbc::sqltype::kBigInt, 19}};
    odbc.rows = {{"1"}, {"2"}};
    odbc.fail_after_rows = true;
    statement("SQLEXEC \"SELECT\",2");
    EXPECT_EQ(file("SQL.DAT"), "N|\r\n1|\r\n2|\r\n");
    EXPECT_EQ(odbc_state.row_count, -1);
    ASSERT_EQ(rec.boxes.size(), 1u);
    EXPECT_EQ(rec.boxes[0].caption, "ODBC-Fehler");
    EXPECT_EQ(rec.boxes[0].text, "cursor lost (9)");
    EXPECT_EQ(rec.boxes[0].type, mb::kOk | mb::kIconError);
}

TEST_F(Odbc, ResultFileThatCannotBeWrittenIsAFailure) {
    ASSERT_EQ(connect("DSN=x"), 1);
    odbc.columns = {{"N", odbc::sqltype::kInteger, 10}};
    for (int k = 0; k < 100; ++k) odbc.rows.push_back({std::to_string(k)});
    mem.fs.max_file_size = 40;
    statement("SQLEXEC \"SELECT\",2");
    EXPECT_EQ(odbc_state.row_count, -1);
    EXPECT_TRUE(rec.boxes.empty());

    mem.fs.max_file_size = size_t(1) << 31;
    mem.fs.fail_open_after = 0;
    EXPECT_EQ(raised([&] { statement("SQLEXEC \"SELECT\",2"); }), 506);
    EXPECT_EQ(odbc_state.row_count, -1);
    EXPECT_EQ(odbc.statements_open, 0);
}

TEST_F(Odbc, TargetsBeyondTheThreeOnlyCountRows) {
    ASSERT_EQ(connect("DSN=x"), 1);
    odbc.columns = {{"N", odbc::sqltype::kInteger, 10}};
    odbc.rows = {{"1"}, {"2"}, {"3"}};
    statement("SQLEXEC \"SELECT\",7");
    EXPECT_EQ(odbc_state.row_count, 3);
    EXPECT_TRUE(odbc.limits.empty());
    EXPECT_FALSE(mem.fs.has("SQL.DAT"));
}

TEST_F(Odbc, ANewConnectionOrAResetEndsTheOldOne) {
    ASSERT_EQ(connect("DSN=one"), 1);
    ASSERT_EQ(connect("DSN=two"), 1);
    EXPECT_EQ(odbc.disconnects, 1);
    // A refused connection is unloaded again and leaves nothing connected.
    odbc.accepts_connection = false;
    EXPECT_EQ(connect("DSN=bad"), 0);
    EXPECT_EQ(odbc.disconnects, 3);
    EXPECT_EQ(raised([&] { statement("SQLEXEC \"SELECT 1\",2"); }), 500);

    odbc.accepts_connection = true;
    ASSERT_EQ(connect("DSN=x"), 1);
    statement("SQLSEPARATOR \",'\"");
    statement("SQLNULL \"-\"");
    odbc_state.row_count = -1;
    reset_runtime();
    EXPECT_EQ(odbc.disconnects, 4);
    EXPECT_FALSE(odbc_state.connected);
    EXPECT_EQ(odbc_state.separator, "|");
    EXPECT_EQ(odbc_state.quote, "");
    EXPECT_EQ(odbc_state.null_text, "NULL");
    EXPECT_EQ(odbc_state.row_count, 0);
}

TEST(OdbcFormat, WidthsFollowTypeAndNameAndStayBounded) {
    using namespace odbc;
    EXPECT_EQ(display_width(sqltype::kDecimal, 8, 3), 10);
    EXPECT_EQ(display_width(sqltype::kVarBinary, 6, 2), 12);
    EXPECT_EQ(display_width(12 /* varchar */, 20, 4), 21);
    EXPECT_EQ(display_width(sqltype::kTypeTimestamp, 19, 2), 23);
    // The name wins when it is longer.
    EXPECT_EQ(display_width(sqltype::kBit, 1, 7), 7);
    // Sizes of "unlimited" columns neither overflow nor make endless lines.
    EXPECT_EQ(display_width(12, UINT64_MAX, 0), kMaxWidth);
    EXPECT_EQ(display_width(sqltype::kBinary, 0x80000000u, 0), kMaxWidth);
}

TEST(OdbcFormat, FieldsAndDriverTexts) {
    using namespace odbc;
    std::string line;
    append_fitted(line, "abcdef", 4, "|");
    append_fitted(line, "ab", 4, "");
    append_fitted(line, "xyz", 0, ";");
    EXPECT_EQ(line, "abcd|ab  ;");
    line.clear();
    append_quoted(line, "a\"b", "\"", ";");
    append_quoted(line, "", "", "");
    append_quoted(line, "c", "", "|");
    EXPECT_EQ(line, "\"a\"b\";c|");
    EXPECT_EQ(driver_text("[unixODBC][SQLite]no such table: x (1)"), "no such table: x (1)");
    EXPECT_EQ(driver_text("plain text"), "plain text");
    EXPECT_EQ(driver_text("ends]"), "");
}

}  // namespace
}  // namespace tolven::testing
