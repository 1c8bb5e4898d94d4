// An in-memory file system for the file-access interface of the record-file
// layer. Tests and fuzzers install it with set_file_system; it can be told to
// fail chosen operations so error paths can be exercised.
#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "data/record_file.h"

namespace tolven {

class MemoryFileSystem : public FileSystem {
public:
    // File contents by name (names compared as given).
    std::map<std::string, std::shared_ptr<std::vector<uint8_t>>> files;

    // Failure injection: the next operations of a kind fail once the count
    // reaches zero (-1 = never). Each successful operation counts down.
    int fail_open_after = -1;
    int fail_read_after = -1;
    int fail_write_after = -1;
    // Largest size a file may grow to; writes beyond it are short.
    size_t max_file_size = size_t(1) << 31;

    std::unique_ptr<File> open(const std::string& name, OpenMode mode, int& error) override;
    bool remove(const std::string& name) override;
    bool rename(const std::string& from, const std::string& to) override;

    void put(const std::string& name, std::vector<uint8_t> data) {
        files[name] = std::make_shared<std::vector<uint8_t>>(std::move(data));
    }
    void put(const std::string& name, const std::string& data) {
        put(name, std::vector<uint8_t>(data.begin(), data.end()));
    }
    // Empty when the file does not exist.
    std::vector<uint8_t> get(const std::string& name) const {
        auto it = files.find(name);
        return it == files.end() ? std::vector<uint8_t>{} : *it->second;
    }
    bool has(const std::string& name) const { return files.count(name) != 0; }

    // Counts an operation; true when it is to fail.
    static bool tick(int& counter) {
        if (counter < 0) return false;
        if (counter == 0) return true;
        --counter;
        return false;
    }
};

// Installs a memory file system for the lifetime of the guard.
class ScopedMemoryFileSystem {
public:
    ScopedMemoryFileSystem() { set_file_system(&fs); }
    ~ScopedMemoryFileSystem() { set_file_system(nullptr); }
    MemoryFileSystem fs;
};

}  // namespace tolven
