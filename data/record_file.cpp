#include "data/record_file.h"

#include "data/file_faults.h"
#include "data/file_platform.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace tolven {

uint8_t file_mode = 2;
DbError db_error;
RecordFileCounters record_counters;

namespace {

// The code of a failed open: on Windows the system's own error code (a
// missing folder is 3, not 2; a file in use 32), elsewhere mapped from errno.
int errno_code(int e) {
#ifdef _WIN32
    if (_doserrno > 0) return static_cast<int>(_doserrno);
#endif
    switch (e) {
        case ENOENT: return io::kFileNotFound;
        case ENOTDIR: return io::kPathNotFound;
        case EMFILE:
        case ENFILE: return io::kTooManyOpen;
        default: return io::kAccessDenied;
    }
}

class StdioFile : public File {
public:
    explicit StdioFile(std::FILE* f) : f_(f) {}
    ~StdioFile() override { std::fclose(f_); }

    size_t read(void* dst, size_t n) override {
        error_ = 0;
        switch_to(Op::Read);
        size_t got = std::fread(dst, 1, n, f_);
        if (got < n) {
            // The end of the file is not a failure; a refused read is, also
            // when the size looks as if nothing were left to read.
            if (std::ferror(f_)) error_ = io::kReadError;
            std::clearerr(f_);
        }
        return got;
    }
    size_t write(const void* src, size_t n) override {
        error_ = 0;
        switch_to(Op::Write);
        size_t put = std::fwrite(src, 1, n, f_);
        if (put < n) {
            error_ = io::kWriteError;
            std::clearerr(f_);
        }
        return put;
    }
    bool seek(int64_t offset) override {
        error_ = 0;
        last_ = Op::None;
        if (offset < 0 || do_seek(offset, SEEK_SET) != 0) {
            error_ = io::kReadError;
            return false;
        }
        return true;
    }
    int64_t tell() override { return do_tell(); }
    int64_t size() override {
        int64_t here = do_tell();
        std::fflush(f_);
        do_seek(0, SEEK_END);
        int64_t end = do_tell();
        do_seek(here, SEEK_SET);
        last_ = Op::None;
        return end;
    }
    bool truncate(int64_t offset) override {
        std::fflush(f_);
        last_ = Op::None;
#ifdef _WIN32
        bool ok = _chsize_s(_fileno(f_), offset) == 0;
#else
        bool ok = ::ftruncate(fileno(f_), static_cast<off_t>(offset)) == 0;
#endif
        if (!ok) error_ = io::kWriteError;
        do_seek(offset, SEEK_SET);
        return ok;
    }
    bool flush() override { return std::fflush(f_) == 0; }
    int error() const override { return error_; }

private:
    enum class Op { None, Read, Write };
    // C stdio needs a positioning call between reading and writing.
    void switch_to(Op op) {
        if (last_ != Op::None && last_ != op) do_seek(do_tell(), SEEK_SET);
        last_ = op;
    }
    int do_seek(int64_t off, int whence) {
#ifdef _WIN32
        return _fseeki64(f_, off, whence);
#else
        return fseeko(f_, static_cast<off_t>(off), whence);
#endif
    }
    int64_t do_tell() {
#ifdef _WIN32
        return _ftelli64(f_);
#else
        return ftello(f_);
#endif
    }

    std::FILE* f_;
    Op last_ = Op::None;
    int error_ = 0;
};

class StdioFileSystem : public FileSystem {
public:
    std::unique_ptr<File> open(const std::string& name, OpenMode mode, int& error) override {
        const char* m = "rb";
        switch (mode) {
            case OpenMode::Read: m = "rb"; break;
            case OpenMode::Write:
            case OpenMode::ReadWrite: m = "r+b"; break;
            case OpenMode::Create: m = "w+b"; break;
        }
        errno = 0;
#ifdef _WIN32
        _doserrno = 0;
#endif
        std::FILE* f = name.empty() ? nullptr : std::fopen(name.c_str(), m);
        if (!f) {
            error = name.empty() ? io::kFileNotFound : errno_code(errno);
            return nullptr;
        }
        error = 0;
        return std::make_unique<StdioFile>(f);
    }
    bool remove(const std::string& name) override {
        errno = 0;
#ifdef _WIN32
        _doserrno = 0;
#endif
        return done(std::remove(name.c_str()) == 0);
    }
    bool rename(const std::string& from, const std::string& to) override {
        errno = 0;
#ifdef _WIN32
        _doserrno = 0;
#endif
        return done(std::rename(from.c_str(), to.c_str()) == 0);
    }
    int last_error() const override { return last_error_; }

private:
    bool done(bool ok) {
        last_error_ = ok ? 0 : errno_code(errno);
        return ok;
    }
    int last_error_ = 0;
};

StdioFileSystem stdio_fs;
FileSystem* current_fs = &stdio_fs;

}  // namespace

FileSystem& file_system() { return file_faults_active() ? faulty_file_system(*current_fs) : *current_fs; }
void set_file_system(FileSystem* fs) { current_fs = fs ? fs : &stdio_fs; }

// ---------------------------------------------------------------------------

void set_db_error(int code, std::string_view detail, std::string_view suffix) {
    if (db_error.number != 0 || code == 0) return;
    std::string text;
    if (detail.empty() && suffix.empty()) {
        text = "!";
    } else {
        std::string_view name = detail.substr(0, 64);
        text.reserve(2 + name.size() + suffix.size());
        text.push_back(':');
        text.push_back(' ');
        text.insert(text.end(), name.begin(), name.end());
        text.insert(text.end(), suffix.begin(), suffix.end());
    }
    if (text.size() > 255) text.resize(255);
    int number;
    if (code == 2 || code == 3 || code == 800) number = 601;
    else if (code == 100 || code == 501) number = 608;
    else if (code >= 601 && code <= 605) number = code + 10;
    else if (code >= 801 && code <= 803) number = code - 199;
    else if (code == 901 || code == 902) number = code - 296;
    else {
        number = 600;
        std::string prefixed = std::to_string(code);
        prefixed += ' ';
        prefixed += text;
        text = std::move(prefixed);
        if (text.size() > 255) text.resize(255);
    }
    db_error.number = static_cast<int16_t>(number);
    db_error.text = std::move(text);
}

void clear_db_error() { db_error = DbError{}; }

// ---------------------------------------------------------------------------

void RecordFile::open_with_cache(std::string name, uint32_t cache_size) {
    close();
    name_ = std::move(name);
    cache_.assign(std::min<uint32_t>(std::max<uint32_t>(cache_size, 1), 65535), 0);
    held_ = 0;
    first_ = 0;
    request_end_ = 0;
}

void RecordFile::close_with_cache() {
    close();
    cache_.clear();
    cache_.shrink_to_fit();
}

void RecordFile::close() {
    if (file_) file_->flush();
    file_.reset();
    held_ = 0;
    first_ = 0;
    request_end_ = 0;
}

void RecordFile::io_failed(std::string_view suffix) {
    int code = file_ ? file_->error() : io::kNotOpen;
    set_db_error(code ? code : io::kReadError, name_, suffix);
}

bool RecordFile::open_mode(OpenMode mode, uint32_t record_size, std::string_view suffix) {
    close();
    record_size_ = record_size ? record_size : 1;
    int error = 0;
    file_ = file_system().open(name_, mode, error);
    if (!file_) {
        set_db_error(error ? error : io::kFileNotFound, name_, suffix);
        return false;
    }
    mode_ = mode;
    return true;
}

namespace {
OpenMode reset_mode() {
    return file_mode == 0 ? OpenMode::Read : file_mode == 1 ? OpenMode::Write : OpenMode::ReadWrite;
}
}  // namespace

bool RecordFile::reset(uint32_t record_size) { return open_mode(reset_mode(), record_size, " (Reset)"); }

bool RecordFile::allow_file_mode() {
    if (!file_ || mode_ == OpenMode::ReadWrite || mode_ == OpenMode::Create || mode_ == reset_mode()) return true;
    int error = 0;
    auto both = file_system().open(name_, OpenMode::ReadWrite, error);
    if (!both) {
        set_db_error(error ? error : io::kAccessDenied, name_, " (Reset)");
        return false;
    }
    file_->flush();
    file_ = std::move(both);
    mode_ = OpenMode::ReadWrite;
    return true;
}

bool RecordFile::rewrite(uint32_t record_size) {
    return open_mode(OpenMode::Create, record_size, " (Rewrite)");
}

int32_t RecordFile::read(int64_t r, void* dst, int32_t n, int64_t* bytes) {
    ++record_counters.requests;
    ++record_counters.read_requests;
    if (bytes) *bytes = 0;
    if (!file_) {
        set_db_error(io::kNotOpen, name_, " (Read)");
        return 0;
    }
    if (n <= 0) return 0;
    const int64_t s = record_size_;
    const int64_t start = r < 0 ? request_end_ : r * s;
    const int64_t len = n * s;
    request_end_ = start + len;
    auto* out = static_cast<uint8_t*>(dst);

    if (held_ > 0 && start >= first_ && start + len <= first_ + held_) {
        std::memcpy(out, cache_.data() + (start - first_), static_cast<size_t>(len));
        if (bytes) *bytes = len;
        return n;
    }
    ++record_counters.misses;
    if (!file_->seek(start)) {
        io_failed(" (Read)");
        return 0;
    }
    ++record_counters.physical_reads;
    if (len > static_cast<int64_t>(cache_.size())) {
        // Larger than the cache: read straight into the destination.
        size_t got = file_->read(out, static_cast<size_t>(len));
        if (bytes) *bytes = static_cast<int64_t>(got);
        return static_cast<int32_t>(got / s);
    }
    size_t got = file_->read(cache_.data(), cache_.size());
    first_ = start;
    held_ = static_cast<uint32_t>(got);
    const int64_t copied = std::min<int64_t>(static_cast<int64_t>(got), len);
    std::memcpy(out, cache_.data(), static_cast<size_t>(copied));
    if (bytes) *bytes = copied;
    return static_cast<int32_t>(copied / s);
}

int32_t RecordFile::write(int64_t r, const void* src, int32_t n) {
    ++record_counters.requests;
    ++record_counters.write_requests;
    if (!file_) {
        set_db_error(io::kNotOpen, name_, " (Write)");
        return 0;
    }
    if (n <= 0) return 0;
    const int64_t s = record_size_;
    if (r >= 0 && !file_->seek(r * s)) {
        io_failed(" (Seek)");
        return 0;
    }
    const int64_t start = file_->tell();
    const int64_t len = n * s;
    request_end_ = start + len;
    // Keep every cached byte the write covers in step with the file, also
    // when the write only partly overlaps the cached range.
    const int64_t lo = std::max(start, first_);
    const int64_t hi = std::min(start + len, first_ + static_cast<int64_t>(held_));
    if (held_ > 0 && lo < hi) {
        std::memcpy(cache_.data() + (lo - first_), static_cast<const uint8_t*>(src) + (lo - start),
                    static_cast<size_t>(hi - lo));
    }
    ++record_counters.physical_writes;
    size_t put = file_->write(src, static_cast<size_t>(len));
    if (static_cast<int64_t>(put) < len) {
        io_failed(" (Write)");
        // The cache may now claim bytes the file does not hold.
        held_ = 0;
    }
    return static_cast<int32_t>(put / s);
}

int64_t RecordFile::size_records() {
    if (!file_) return 0;
    return file_->size() / record_size_;
}

int64_t RecordFile::size_bytes() { return file_ ? file_->size() : 0; }

bool RecordFile::seek_truncate(int64_t r) {
    if (!file_) {
        set_db_error(io::kNotOpen, name_);
        return false;
    }
    if (r >= 0 && !file_->seek(r * record_size_)) {
        io_failed({});
        return false;
    }
    int64_t at = file_->tell();
    if (!file_->truncate(at)) {
        io_failed({});
        return false;
    }
    if (first_ + static_cast<int64_t>(held_) > at)
        held_ = static_cast<uint32_t>(std::max<int64_t>(0, at - first_));
    return true;
}

bool RecordFile::flush() {
    if (!file_) {
        set_db_error(io::kNotOpen, name_, " (Write)");
        return false;
    }
    if (file_->flush()) return true;
    const int code = file_->error();
    set_db_error(code ? code : io::kWriteError, name_, " (Write)");
    return false;
}

bool record_file_exists(const std::string& name) {
    int error = 0;
    auto f = file_system().open(name, OpenMode::Read, error);
    return f != nullptr;
}

std::string full_file_name(const std::string& name) { return file_platform().full_path(name); }

bool names_open_file(const std::string& opened_full_path, const std::string& name) {
    return opened_full_path == full_file_name(name) || file_platform().same_file(opened_full_path, name);
}

bool erase_file(const std::string& name) { return file_system().remove(name); }

bool rename_file(const std::string& from, const std::string& to) {
    return file_system().rename(from, to);
}

}  // namespace tolven
