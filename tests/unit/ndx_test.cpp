#include <algorithm>
#include <cmath>
#include <map>
#include <random>

#include "data/ndx.h"
#include "data/ndx_check.h"
#include "core/tokens.h"
#include "tests/unit/support/dbase_fixture.h"

namespace tolven::testing {
namespace {

using namespace tolven::dbase;

uint32_t u32(const std::vector<uint8_t>& f, size_t at) {
    return uint32_t(f[at]) | (uint32_t(f[at + 1]) << 8) | (uint32_t(f[at + 2]) << 16) | (uint32_t(f[at + 3]) << 24);
}
uint16_t u16(const std::vector<uint8_t>& f, size_t at) { return static_cast<uint16_t>(f[at] | (f[at + 1] << 8)); }

class NdxTest : public DbaseTest {
protected:
    // Record numbers in index order, by moving from the top.
    std::vector<int32_t> index_order() {
        std::vector<int32_t> out;
        int32_t r = go_to("TOP", 0, std::nullopt);
        while (!current()->end && out.size() < 10000) {
            out.push_back(r);
            r = go_to("NEXT", 0, std::nullopt);
        }
        return out;
    }
    void expect_consistent(NdxIndex& ix) {
        auto c = check_index(*current(), ix);
        EXPECT_TRUE(c.ok) << (c.findings.empty() ? "" : c.findings.front());
    }
};

TEST_F(NdxTest, HeaderLayoutAndEmptyIndex) {
    make_table("P", "NAME;C;10\nBORN;D\nAGE;N;5\n");
    ASSERT_TRUE(create_index("name", "BYNAME"));
    auto f = fs.get("BYNAME.NDX");
    ASSERT_EQ(f.size(), 1024u);
    EXPECT_EQ(u32(f, 0), 1u);
    EXPECT_EQ(u32(f, 4), 2u);
    EXPECT_EQ(u16(f, 12), 10);
    EXPECT_EQ(u16(f, 14), 25);
    EXPECT_EQ(u16(f, 16), 0);
    EXPECT_EQ(u16(f, 18), 20);
    EXPECT_EQ(bytes(f, 24, 5), std::string("name\0", 5));
    EXPECT_EQ(u32(f, 512), 0u);
    EXPECT_EQ(current()->master()->first(), 0);
    EXPECT_TRUE(current()->master()->at_end());
    EXPECT_EQ(go_to("TOP", 0, std::nullopt), 0);
    EXPECT_EQ(system_value(Sys::DBINFO172)->number, 1);

    ASSERT_TRUE(create_index("BORN", "BYDATE"));
    f = fs.get("BYDATE.NDX");
    EXPECT_EQ(u16(f, 12), 8);
    EXPECT_EQ(u16(f, 14), 31);
    EXPECT_EQ(u16(f, 16), 1);
    EXPECT_EQ(u16(f, 18), 16);
    EXPECT_EQ(current()->indexes.size(), 1u);  // the new index is the only one
    EXPECT_TRUE(rec.boxes.empty());
}

TEST_F(NdxTest, TwentySixthKeySplitsTheRootLeaf) {
    make_table("P", "NAME;C;10\n");
    ASSERT_TRUE(create_index("NAME", "N"));
    for (int i = 0; i < 25; ++i) add({{"NAME", std::string(1, char('A' + i))}});
    EXPECT_EQ(current()->master()->page_count(), 2u);
    add({{"NAME", "Z"}});
    close_table(1);
    auto f = fs.get("N.NDX");
    ASSERT_EQ(f.size(), 4u * 512);
    EXPECT_EQ(u32(f, 4), 4u);
    const uint32_t root = u32(f, 0);
    EXPECT_NE(root, 1u);
    const size_t r = root * 512;
    EXPECT_EQ(u32(f, r), 1u);                      // one key
    EXPECT_EQ(bytes(f, r + 12, 1), "M");           // highest key of the lower half
    const uint32_t low = u32(f, r + 4), high = u32(f, r + 4 + 20);
    EXPECT_EQ(high, 1u);                           // the old leaf keeps the upper half
    EXPECT_EQ(u32(f, low * 512), 13u);
    EXPECT_EQ(u32(f, 512), 13u);
    EXPECT_EQ(bytes(f, 512 + 12, 1), "N");
    open_table(1, "P");
    open_indexes("N");
    expect_consistent(*current()->master());
    auto order = index_order();
    ASSERT_EQ(order.size(), 26u);
    EXPECT_EQ(order.front(), 1);
    EXPECT_EQ(order.back(), 26);
}

TEST_F(NdxTest, SeekExactAndNotExact) {
    make_table("P", "NAME;C;10\n");
    for (const char* n : {"MEIER", "MA", "MAIER", "MUELLER", "MANN"}) add({{"NAME", n}});
    ASSERT_TRUE(create_index("NAME", "N"));
    EXPECT_EQ(seek("MA", false), 2);  // "MA" sorts first of the MA.. names
    EXPECT_EQ(seek("MAI", false), 3);
    EXPECT_EQ(seek("MA", true), 2);
    EXPECT_EQ(system_value(Sys::DBINFO163)->number, 2);
    EXPECT_EQ(seek("MAN", true), 0);
    EXPECT_EQ(seek("MANN", true), 5);
    EXPECT_EQ(seek("X", false), 0);
    EXPECT_EQ(go_to("", 0, std::nullopt), 5);  // a failed seek leaves the record
    close_table(1);
    make_table("Q", "NAME;C;10\n");
    for (const char* n : {"MAIER", "MANN"}) add({{"NAME", n}});
    ASSERT_TRUE(create_index("NAME", "Q"));
    EXPECT_EQ(seek("MA", false), 1);
    EXPECT_EQ(seek("MA", true), 0);
}

TEST_F(NdxTest, EqualKeysKeepTheirWriteOrder) {
    make_table("P", "NAME;C;4\nNO;N;3\n");
    ASSERT_TRUE(create_index("NAME", "N"));
    // Enough equal keys to spread over several pages (31 per page).
    for (int i = 1; i <= 80; ++i) add({{"NAME", i % 2 ? "B" : "A"}, {"NO", std::to_string(i)}});
    auto order = index_order();
    ASSERT_EQ(order.size(), 80u);
    for (int i = 0; i < 40; ++i) {
        EXPECT_EQ(order[size_t(i)], 2 * (i + 1));
        EXPECT_EQ(order[size_t(40 + i)], 2 * i + 1);
    }
    // Rewriting record 2 under its own key keeps its place; changing the key
    // moves it behind the other equal keys.
    go_to("", 2, std::nullopt);
    write_record(0);
    EXPECT_EQ(index_order()[0], 2);
    go_to("", 2, std::nullopt);
    write_field("NAME", "B");
    write_record(0);
    order = index_order();
    EXPECT_EQ(order[0], 4);
    EXPECT_EQ(order.back(), 2);
    expect_consistent(*current()->master());
}

TEST_F(NdxTest, DatesOrderAcrossTheYearEnd) {
    make_table("P", "D;D\n");
    for (const char* d : {"20270101", "20261231", "19991231", "20000101"}) add({{"D", d}});
    ASSERT_TRUE(create_index("D", "D"));
    EXPECT_EQ(index_order(), (std::vector<int32_t>{3, 4, 2, 1}));
    EXPECT_EQ(seek("20261231", true), 2);
}

TEST_F(NdxTest, NumericKeys) {
    double v;
    ASSERT_TRUE(key_text_to_double("  -3.25", v));
    EXPECT_EQ(v, -3.25);
    ASSERT_TRUE(key_text_to_double("0.1", v));
    EXPECT_EQ(v, 0.1);  // correctly rounded
    ASSERT_TRUE(key_text_to_double("+1.5E+3 ", v));
    EXPECT_EQ(v, 1500.0);
    ASSERT_TRUE(key_text_to_double("   ", v));
    EXPECT_EQ(v, 0.0);
    ASSERT_TRUE(key_text_to_double(".5", v));
    EXPECT_EQ(v, 0.5);
    ASSERT_TRUE(key_text_to_double("1e400", v));
    EXPECT_TRUE(std::isinf(v));
    EXPECT_FALSE(key_text_to_double("1,5", v));
    EXPECT_FALSE(key_text_to_double("1e", v));
    EXPECT_FALSE(key_text_to_double("-", v));
    EXPECT_FALSE(key_text_to_double("12a", v));
    EXPECT_FALSE(key_text_to_double("nan", v));
    auto cmp = [](double a, double b) { return compare_keys(numeric_key(a), numeric_key(b), true); };
    EXPECT_LT(cmp(-5, -1), 0);
    EXPECT_LT(cmp(-1, 0.5), 0);
    EXPECT_GT(cmp(1e10, 2), 0);
    EXPECT_EQ(cmp(3.5, 3.5), 0);
    EXPECT_EQ(numeric_key(20261231.0), numeric_key(20261231));

    make_table("P", "X;N;8;2\nC;C;3\n");
    for (const char* x : {"10", "-2.5", "3", "-100", "0"}) add({{"X", x}});
    ASSERT_TRUE(create_index("X", "X"));
    EXPECT_EQ(index_order(), (std::vector<int32_t>{4, 2, 5, 3, 1}));
    EXPECT_EQ(seek("-2.5", true), 2);
    EXPECT_EQ(seek("x", true), 0);
    EXPECT_EQ(db_error.number, 608);
}

TEST_F(NdxTest, KeyExpressions) {
    make_table("P", "A;C;3\nB;C;2\nN;N;4\n");
    add({{"A", "x"}, {"B", "2"}, {"N", "5"}});
    ASSERT_TRUE(create_index("\"K\"+a", "L"));
    NdxIndex& ix = *current()->master();
    EXPECT_EQ(ix.key_length(), 4u);
    EXPECT_EQ(ix.current_key(), "Kx  ");
    ASSERT_TRUE(create_index(" a + b ", "AB"));
    EXPECT_EQ(current()->master()->current_key(), "x  2 ");
    // A literal with a numeric field gives a text key, not a bad number.
    ASSERT_TRUE(create_index("\"#\"+N", "LN"));
    EXPECT_FALSE(current()->master()->numeric());
    EXPECT_EQ(db_error.number, 0);

    EXPECT_FALSE(create_index("A+NOPE", "BAD"));
    EXPECT_EQ(last_message(), "Formel nicht in Ordnung: A+NOPE (NOPE)");
    EXPECT_FALSE(current()->indexed);
    EXPECT_EQ(runtime_error_code([] { create_index("A", "MY INDEX"); }), 2);
    EXPECT_EQ(last_message(), "Index-Dateiname fehlerhaft: MY INDEX");
}

TEST_F(NdxTest, OpeningIndexFiles) {
    make_table("P", "A;C;3\nN;N;4\n");
    for (const char* a : {"c", "a", "b"}) add({{"A", a}, {"N", std::to_string(a[0])}});
    ASSERT_TRUE(create_index("A", "IA"));
    ASSERT_TRUE(create_index("N", "IN"));
    EXPECT_EQ(open_indexes("IA, IN"), 1);
    EXPECT_EQ(current()->indexes.size(), 2u);
    EXPECT_EQ(index_order(), (std::vector<int32_t>{2, 3, 1}));
    EXPECT_EQ(open_indexes("IA MISSING"), 0);
    EXPECT_EQ(current()->indexes.size(), 1u);
    EXPECT_EQ(db_error.number, 0);
    EXPECT_TRUE(rec.boxes.empty());
    // Record writes keep every open index in step, not only the master.
    EXPECT_EQ(open_indexes("IA,IN"), 1);
    go_to("", 1, std::nullopt);
    write_field("A", "0");
    write_field("N", "1");
    write_record(0);
    add({{"A", "z"}, {"N", "-7"}});
    expect_consistent(*current()->indexes[0]);
    expect_consistent(*current()->indexes[1]);
    EXPECT_EQ(open_indexes("IN"), 1);
    EXPECT_EQ(index_order(), (std::vector<int32_t>{4, 1, 2, 3}));
    EXPECT_EQ(go_to("BOTTOM", 0, std::nullopt), 3);
    EXPECT_EQ(go_to("PREV", 0, std::nullopt), 2);
    EXPECT_EQ(go_to("PREV", 0, 5), 4);
    EXPECT_EQ(go_to("INDEX", 0, 3), 2);
    EXPECT_EQ(go_to("", 2, std::nullopt), 2);
    EXPECT_EQ(go_to("NEXT", 0, std::nullopt), 3);  // the index followed record 2
}

// An index built again through one slot while another slot has it open is
// built in the one file both use: the other slot's cursor then starts from
// the top, and its writes land in the new tree, not over it.
TEST_F(NdxTest, IndexBuiltAgainWhileAnotherSlotHasItOpen) {
    make_table("P", "A;C;3\nN;N;4\n");
    for (const char* a : {"c", "a", "b"}) add({{"A", a}, {"N", std::to_string(4 - (a[0] - 'a'))}});
    ASSERT_TRUE(create_index("A", "I"));
    open_table(2, "P");
    EXPECT_EQ(open_indexes("I I"), 1);  // the same file twice
    EXPECT_EQ(go_to("TOP", 0, std::nullopt), 2);
    select_table(1);
    ASSERT_TRUE(create_index("N", "I"));  // now N: records 1 3 2
    select_table(2);
    EXPECT_EQ(go_to("NEXT", 0, std::nullopt), 1);  // unpositioned: from the top, N 2
    add({{"A", "d"}, {"N", "1"}});                 // one key, though I is open twice here
    EXPECT_EQ(index_order(), (std::vector<int32_t>{4, 1, 3, 2}));
    expect_consistent(*current()->master());
    select_table(1);
    EXPECT_EQ(go_to("TOP", 0, std::nullopt), 4);
    close_table(2);
    close_table(1);
    EXPECT_EQ(u32(fs.get("I.NDX"), 512), 4u);  // the root leaf holds four keys
    EXPECT_TRUE(rec.boxes.empty());
}

TEST_F(NdxTest, ThousandRandomChangesKeepTheTreeConsistent) {
    make_table("R", "K;C;40\nV;N;8;1\n");
    ASSERT_TRUE(create_index("K", "RK"));
    ASSERT_TRUE(create_index("V", "RV"));
    ASSERT_EQ(open_indexes("RK RV"), 1);
    std::mt19937 rng(12345);
    auto key = [&] {
        std::string k;
        for (int i = 0, n = 1 + int(rng() % 3); i < n; ++i) k += char('A' + rng() % 5);
        return k;
    };
    struct Model {
        std::string key;
        uint64_t seq;
    };
    std::map<int32_t, Model> model;
    uint64_t seq = 0;
    for (int op = 0; op < 1000; ++op) {
        int kind = int(rng() % 100);
        if (model.empty() || kind < 45) {
            std::string k = key();
            int32_t r = add({{"K", k}, {"V", std::to_string(int(rng() % 2000) - 1000)}});
            model[r] = {k, ++seq};
        } else {
            int32_t r = 1 + int32_t(rng() % model.size());
            ASSERT_EQ(go_to("", r, std::nullopt), r);
            if (kind < 85) {
                std::string k = key();
                write_field("K", k);
                write_field("V", std::to_string(int(rng() % 2000) - 1000) + ".5");
                if (k != model[r].key) model[r] = {k, ++seq};
            } else if (kind < 92) {
                write_field("V", "0");  // only the second index changes
            }
            if (kind % 2) write_record(0);
            else (kind < 95 ? delete_record() : recall_record());
        }
        if (op % 250 == 249) {
            expect_consistent(*current()->indexes[0]);
            expect_consistent(*current()->indexes[1]);
        }
    }
    EXPECT_EQ(db_error.number, 0) << db_error.text;
    EXPECT_GT(current()->indexes[0]->page_count(), 20u);
    std::vector<std::pair<std::pair<std::string, uint64_t>, int32_t>> expected;
    for (const auto& [r, m] : model) expected.push_back({{m.key, m.seq}, r});
    std::sort(expected.begin(), expected.end());
    std::vector<int32_t> want;
    for (const auto& e : expected) want.push_back(e.second);
    EXPECT_EQ(index_order(), want);
    // Backwards gives the same order reversed.
    std::vector<int32_t> back;
    int32_t r = go_to("BOTTOM", 0, std::nullopt);
    while (back.size() < want.size()) {
        back.push_back(r);
        r = go_to("PREV", 0, std::nullopt);
    }
    std::reverse(back.begin(), back.end());
    EXPECT_EQ(back, want);
    close_table(1);
    open_table(1, "R");
    ASSERT_EQ(open_indexes("RK,RV"), 1);
    expect_consistent(*current()->indexes[0]);
    expect_consistent(*current()->indexes[1]);
}

TEST_F(NdxTest, EmptiedPagesLeaveTheTree) {
    make_table("P", "K;C;40\n");  // 10 keys per page
    for (int i = 0; i < 120; ++i) add({{"K", "K" + std::to_string(1000 + i)}});
    ASSERT_TRUE(create_index("K", "K"));
    const uint32_t pages = current()->master()->page_count();
    // Moving the lowest 60 keys to the top empties the leftmost leaves (and
    // with them branch entries) and splits the rightmost ones.
    for (int r = 1; r <= 60; ++r) {
        go_to("", r, std::nullopt);
        write_field("K", "Z" + std::to_string(1000 + r));
        write_record(0);
    }
    expect_consistent(*current()->master());
    auto order = index_order();
    ASSERT_EQ(order.size(), 120u);
    EXPECT_EQ(order.front(), 61);
    EXPECT_EQ(order[59], 120);
    EXPECT_EQ(order[60], 1);
    EXPECT_GT(current()->master()->page_count(), pages);
    // Everything under one key, then back.
    for (int r = 1; r <= 120; ++r) {
        go_to("", r, std::nullopt);
        write_field("K", "SAME");
        write_record(0);
    }
    expect_consistent(*current()->master());
    order = index_order();
    ASSERT_EQ(order.size(), 120u);
    EXPECT_TRUE(std::is_sorted(order.begin(), order.end()));  // write order
    EXPECT_EQ(seek("SAME", true), 1);
}

TEST_F(NdxTest, DamagedIndexFilesNeverHang) {
    make_table("P", "NAME;C;10\n");
    for (int i = 0; i < 60; ++i) add({{"NAME", std::to_string(1000 + i)}});
    ASSERT_TRUE(create_index("NAME", "N"));
    close_table(1);
    const auto good = fs.get("N.NDX");
    const uint32_t root = u32(good, 0);
    auto with = [&](size_t at, uint32_t v) {
        auto f = good;
        for (int i = 0; i < 4; ++i) f[at + size_t(i)] = static_cast<uint8_t>(v >> (8 * i));
        fs.put("N.NDX", f);
    };
    errors.error_mode = -1;
    // A child outside the file, a child pointing back at the root, a root
    // outside the file and a key count beyond the page.
    for (auto [at, v] : std::vector<std::pair<size_t, uint32_t>>{
             {root * 512 + 4, 999}, {root * 512 + 4, root}, {0, 77}, {4, 1u << 30}, {512, 400}}) {
        clear_db_error();
        with(at, v);
        open_table(1, "P");
        open_indexes("N");
        clear_db_error();
        index_order();
        seek("1010", true);
        add({{"NAME", "2000"}});
        go_to("BOTTOM", 0, std::nullopt);
        search("NAME", "nothing");
        EXPECT_TRUE(db_error.number == 605 || db_error.number == 608 || db_error.number == 0) << db_error.number;
        close_table(1);
    }
}

}  // namespace
}  // namespace tolven::testing
