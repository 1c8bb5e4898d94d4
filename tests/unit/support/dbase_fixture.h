// Common set-up for the table and index tests: an in-memory file system, a
// recording host, a fixed date and an empty table set.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/errors.h"
#include "core/shutdown.h"
#include "data/dbf.h"
#include "data/memory_files.h"
#include "data/record_file.h"
#include "gui/item_list.h"
#include "tests/unit/support/recording_host.h"

namespace tolven::testing {

class DbaseTest : public ::testing::Test {
protected:
    RecordingHost rec;
    ScopedMemoryFileSystem mem;
    MemoryFileSystem& fs = mem.fs;

    void SetUp() override {
        set_host(&rec);
        reset_shutdown_steps();
        errors = ErrorState{};
        clear_db_error();
        dbase::close_all_tables();
        dbase::current_table = 0;
        dbase::text_font_index = 2;
        dbase::display_date_order = ".dMy";
        dbase::today = [] { return dbase::Date{2026, 12, 7}; };
        item_list.clear();
        record_counters = {};
        file_mode = 2;
    }
    void TearDown() override {
        errors.error_mode = -1;
        dbase::close_all_tables();
        clear_db_error();
        set_host(nullptr);
    }

    // Captions of the boxes shown so far (the message texts).
    std::vector<std::string> messages() const {
        std::vector<std::string> m;
        for (const auto& b : rec.boxes) m.push_back(b.caption);
        return m;
    }
    std::string last_message() const { return rec.boxes.empty() ? std::string() : rec.boxes.back().caption; }

    // Creates a table from structure lines and opens it as number n.
    void make_table(const std::string& name, const std::string& structure, int n = 1) {
        fs.put("S.TXT", structure);
        dbase::create_table("S.TXT", name);
        ASSERT_EQ(db_error.number, 0) << db_error.text;
        dbase::open_table(n, name);
    }
    // Appends a record with the given field values (name, value pairs).
    int32_t add(std::initializer_list<std::pair<const char*, std::string>> values) {
        for (const auto& [f, v] : values) EXPECT_EQ(dbase::write_field(f, v), 1) << f << "=" << v;
        return dbase::write_record(-1);
    }
    // Runs a call that must end the process with a runtime error.
    template <class F>
    int runtime_error_code(F f) {
        try {
            f();
        } catch (const ProcessExit& e) {
            reset_shutdown_steps();  // lets the next runtime error end the run again
            return e.code;
        }
        return -1;
    }
};

inline std::string bytes(const std::vector<uint8_t>& v, size_t at, size_t n) {
    return std::string(v.begin() + long(at), v.begin() + long(std::min(v.size(), at + n)));
}

}  // namespace tolven::testing
