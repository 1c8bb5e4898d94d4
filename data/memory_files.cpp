#include "data/memory_files.h"

#include <algorithm>
#include <cstring>

namespace tolven {

namespace {

class MemoryFile : public File {
public:
    MemoryFile(std::shared_ptr<std::vector<uint8_t>> data, MemoryFileSystem& fs, bool can_read,
               bool can_write)
        : data_(std::move(data)), fs_(fs), can_read_(can_read), can_write_(can_write) {}

    size_t read(void* dst, size_t n) override {
        error_ = 0;
        if (!can_read_ || MemoryFileSystem::tick(fs_.fail_read_after)) {
            error_ = io::kReadError;
            return 0;
        }
        size_t avail = pos_ < data_->size() ? data_->size() - pos_ : 0;
        size_t got = std::min(n, avail);
        if (got) std::memcpy(dst, data_->data() + pos_, got);
        pos_ += got;
        return got;
    }
    size_t write(const void* src, size_t n) override {
        error_ = 0;
        if (!can_write_ || MemoryFileSystem::tick(fs_.fail_write_after)) {
            error_ = can_write_ ? io::kWriteError : io::kAccessDenied;
            return 0;
        }
        size_t room = pos_ < fs_.max_file_size ? fs_.max_file_size - pos_ : 0;
        size_t put = std::min(n, room);
        if (pos_ + put > data_->size()) data_->resize(pos_ + put, 0);
        if (put) std::memcpy(data_->data() + pos_, src, put);
        pos_ += put;
        if (put < n) error_ = io::kWriteError;
        return put;
    }
    bool seek(int64_t offset) override {
        error_ = 0;
        if (offset < 0) {
            error_ = io::kReadError;
            return false;
        }
        pos_ = static_cast<size_t>(offset);
        return true;
    }
    int64_t tell() override { return static_cast<int64_t>(pos_); }
    int64_t size() override { return static_cast<int64_t>(data_->size()); }
    bool truncate(int64_t offset) override {
        if (!can_write_ || offset < 0 || static_cast<size_t>(offset) > fs_.max_file_size) {
            error_ = io::kWriteError;
            return false;
        }
        data_->resize(static_cast<size_t>(offset), 0);
        pos_ = static_cast<size_t>(offset);
        return true;
    }
    bool flush() override { return true; }
    int error() const override { return error_; }

private:
    std::shared_ptr<std::vector<uint8_t>> data_;
    MemoryFileSystem& fs_;
    bool can_read_, can_write_;
    size_t pos_ = 0;
    int error_ = 0;
};

}  // namespace

std::unique_ptr<File> MemoryFileSystem::open(const std::string& name, OpenMode mode, int& error) {
    if (name.empty() || tick(fail_open_after)) {
        error = io::kFileNotFound;
        return nullptr;
    }
    auto it = files.find(name);
    if (mode == OpenMode::Create) {
        auto data = std::make_shared<std::vector<uint8_t>>();
        files[name] = data;
        error = 0;
        return std::make_unique<MemoryFile>(data, *this, true, true);
    }
    if (it == files.end()) {
        error = io::kFileNotFound;
        return nullptr;
    }
    error = 0;
    return std::make_unique<MemoryFile>(it->second, *this, mode != OpenMode::Write,
                                        mode != OpenMode::Read);
}

bool MemoryFileSystem::remove(const std::string& name) { return files.erase(name) != 0; }

bool MemoryFileSystem::rename(const std::string& from, const std::string& to) {
    auto it = files.find(from);
    if (it == files.end() || files.count(to)) return false;
    files[to] = it->second;
    files.erase(from);
    return true;
}

}  // namespace tolven
