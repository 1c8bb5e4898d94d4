#include <gtest/gtest.h>

#include <cstring>

#include "data/memory_files.h"
#include "data/record_file.h"

namespace tolven {
namespace {

class RecordFileTest : public ::testing::Test {
protected:
    ScopedMemoryFileSystem mem;
    RecordFile f;

    void SetUp() override {
        clear_db_error();
        record_counters = {};
        file_mode = 2;
        std::vector<uint8_t> data(1000);
        for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i % 251);
        mem.fs.put("R.DAT", data);
    }
    void TearDown() override { clear_db_error(); }
    // Opens R.DAT with 10-byte records and a cache of 100 bytes.
    void open10() {
        f.open_with_cache("R.DAT", 100);
        ASSERT_TRUE(f.reset(10));
    }
};

TEST_F(RecordFileTest, CacheHitsAndMissesAreCounted) {
    open10();
    uint8_t b[30];
    EXPECT_EQ(f.read(0, b, 2), 2);
    EXPECT_EQ(record_counters.misses, 1);
    EXPECT_EQ(record_counters.physical_reads, 1);
    EXPECT_EQ(f.cached_bytes(), 100u);
    // Records 2..3 lie inside the 100 bytes read: a hit.
    EXPECT_EQ(f.read(2, b, 2), 2);
    EXPECT_EQ(b[0], 20);
    EXPECT_EQ(record_counters.misses, 1);
    EXPECT_EQ(record_counters.read_requests, 2);
    // Records 9..10 end past the held bytes: a miss that refills from 90.
    EXPECT_EQ(f.read(9, b, 2), 2);
    EXPECT_EQ(record_counters.misses, 2);
    EXPECT_EQ(f.cache_start(), 90);
    EXPECT_EQ(b[0], 90);
    EXPECT_EQ(record_counters.requests, 3);
}

TEST_F(RecordFileTest, RequestOfExactlyTheCacheSizeAndLarger) {
    open10();
    uint8_t b[300];
    EXPECT_EQ(f.read(0, b, 10), 10);  // 100 bytes = the cache
    EXPECT_EQ(f.read(0, b, 10), 10);
    EXPECT_EQ(record_counters.misses, 1);
    // Larger than the cache: read past it, straight into the destination.
    EXPECT_EQ(f.read(5, b, 30), 30);
    EXPECT_EQ(b[0], 50);
    EXPECT_EQ(b[299], static_cast<uint8_t>(349 % 251));
}

TEST_F(RecordFileTest, ShortReadAtTheEndCountsWholeRecords) {
    mem.fs.put("S.DAT", std::string(25, 'x'));
    f.open_with_cache("S.DAT", 100);
    ASSERT_TRUE(f.reset(10));
    uint8_t b[40];
    std::memset(b, 0, sizeof b);
    int64_t got = 0;
    EXPECT_EQ(f.read(0, b, 4, &got), 2);
    EXPECT_EQ(got, 25);
    EXPECT_EQ(b[24], 'x');  // the part of the third record is there too
    EXPECT_EQ(b[25], 0);    // nothing past the file's bytes is copied
}

TEST_F(RecordFileTest, ContinuesWhereThePreviousRequestEnded) {
    open10();
    uint8_t b[10];
    f.read(3, b, 1);
    f.read(-1, b, 1);
    EXPECT_EQ(b[0], 40);
}

TEST_F(RecordFileTest, WritesKeepTheCacheInStep) {
    open10();
    uint8_t b[10];
    f.read(0, b, 1);  // caches bytes 0..99
    uint8_t w[10];
    std::memset(w, 'W', sizeof w);
    EXPECT_EQ(f.write(1, w, 1), 1);
    EXPECT_EQ(record_counters.physical_writes, 1);
    EXPECT_EQ(f.read(1, b, 1), 1);
    EXPECT_EQ(record_counters.misses, 1);  // served from the updated cache
    EXPECT_EQ(b[0], 'W');
    EXPECT_EQ(mem.fs.get("R.DAT")[10], 'W');

    // A write that only partly overlaps the cached range updates that part.
    uint8_t w2[20];
    std::memset(w2, 'Z', sizeof w2);
    f.write(9, w2, 2);  // bytes 90..109
    EXPECT_EQ(f.read(9, b, 1), 1);
    EXPECT_EQ(b[0], 'Z');
    EXPECT_EQ(record_counters.misses, 1);
}

TEST_F(RecordFileTest, SeekTruncateAndSize) {
    open10();
    EXPECT_EQ(f.size_records(), 100);
    EXPECT_TRUE(f.seek_truncate(40));
    EXPECT_EQ(f.size_records(), 40);
    EXPECT_EQ(mem.fs.get("R.DAT").size(), 400u);
    uint8_t b[10];
    EXPECT_EQ(f.read(45, b, 1), 0);
}

TEST_F(RecordFileTest, FailuresSetTheDatabaseErrorOnce) {
    f.open_with_cache("MISSING.DAT", 100);
    EXPECT_FALSE(f.reset(1));
    EXPECT_EQ(db_error.number, 601);
    EXPECT_EQ(db_error.text, ": MISSING.DAT (Reset)");
    // Later failures do not overwrite a pending error.
    open10();
    mem.fs.fail_write_after = 0;
    uint8_t b[10] = {};
    EXPECT_EQ(f.write(0, b, 1), 0);
    EXPECT_EQ(db_error.number, 601);
    clear_db_error();
    EXPECT_EQ(f.write(0, b, 1), 0);
    EXPECT_EQ(db_error.number, 600);
    EXPECT_EQ(db_error.text, "101 : R.DAT (Write)");
}

TEST_F(RecordFileTest, ReadOnlyFileModeRefusesWrites) {
    file_mode = 0;
    open10();
    uint8_t b[10] = {};
    EXPECT_EQ(f.write(0, b, 1), 0);
    EXPECT_EQ(db_error.number, 600);
}

TEST(DbErrorTest, CodesMapToMessages) {
    struct Case {
        int code;
        int number;
        const char* text;
    } cases[] = {
        {2, 601, ": A"},          {3, 601, ": A"},          {800, 601, ": A"},
        {100, 608, ": A"},        {501, 608, ": A"},        {601, 611, ": A"},
        {605, 615, ": A"},        {801, 602, ": A"},        {803, 604, ": A"},
        {901, 605, ": A"},        {902, 606, ": A"},        {157, 600, "157 : A"},
    };
    for (const auto& c : cases) {
        clear_db_error();
        set_db_error(c.code, "A");
        EXPECT_EQ(db_error.number, c.number) << c.code;
        EXPECT_EQ(db_error.text, c.text) << c.code;
    }
    clear_db_error();
    set_db_error(602, "");
    EXPECT_EQ(db_error.text, "!");
    clear_db_error();
    set_db_error(2, std::string(100, 'N'), " (Read)");
    EXPECT_EQ(db_error.text, ": " + std::string(64, 'N') + " (Read)");
    clear_db_error();
}

TEST(MemoryFilesTest, ExistsEraseRename) {
    ScopedMemoryFileSystem mem;
    mem.fs.put("A", "x");
    EXPECT_TRUE(record_file_exists("A"));
    EXPECT_TRUE(rename_file("A", "B"));
    EXPECT_FALSE(record_file_exists("A"));
    EXPECT_TRUE(erase_file("B"));
    EXPECT_FALSE(record_file_exists("B"));
}

}  // namespace
}  // namespace tolven
