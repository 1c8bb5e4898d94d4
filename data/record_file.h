// The record-file layer under the dBase tables and index files: files of
// fixed-size records read through a one-block cache, plus the database error
// state that the table and index engines report.
//
// Every byte goes through the small file-access interface below, so tests and
// fuzzers can put an in-memory file system (data/memory_files.h) in place of
// the default C stdio one and make chosen operations fail.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tolven {

// ---------------------------------------------------------------------------
// File access

// Platform-style error codes reported by the file access layer.
namespace io {
constexpr int kFileNotFound = 2;
constexpr int kPathNotFound = 3;
constexpr int kTooManyOpen = 4;
constexpr int kAccessDenied = 5;
constexpr int kReadError = 100;   // also: read past the end of the file
constexpr int kWriteError = 101;
constexpr int kNotOpen = 103;
}  // namespace io

enum class OpenMode {
    Read,       // existing file, reading only
    Write,      // existing file, writing only
    ReadWrite,  // existing file, both
    Create,     // create or empty, then reading and writing
};

class File {
public:
    virtual ~File() = default;
    // Each returns the bytes moved; fewer than asked is not an error by itself.
    // A read that stops at the end of the file leaves error() 0; one the
    // system refused sets it.
    virtual size_t read(void* dst, size_t n) = 0;
    virtual size_t write(const void* src, size_t n) = 0;
    virtual bool seek(int64_t offset) = 0;
    virtual int64_t tell() = 0;
    virtual int64_t size() = 0;
    // Cuts (or extends) the file at the offset.
    virtual bool truncate(int64_t offset) = 0;
    virtual bool flush() = 0;
    // The io:: code of the last failed operation, 0 when none.
    virtual int error() const = 0;
};

class FileSystem {
public:
    virtual ~FileSystem() = default;
    // Null on failure, with the io:: code in error.
    virtual std::unique_ptr<File> open(const std::string& name, OpenMode mode, int& error) = 0;
    virtual bool remove(const std::string& name) = 0;
    virtual bool rename(const std::string& from, const std::string& to) = 0;
    // The platform's error code of the last failed remove or rename.
    virtual int last_error() const { return io::kAccessDenied; }
};

// The file system in use (C stdio unless replaced). set_file_system(nullptr)
// restores the default.
FileSystem& file_system();
void set_file_system(FileSystem* fs);

// Access mode with which reset opens files: 0 read only, 1 write only,
// 2 read and write. The file mode statement sets it.
extern uint8_t file_mode;

// ---------------------------------------------------------------------------
// Database error state

struct DbError {
    int16_t number = 0;  // message number, 0 = none
    std::string text;    // appended to the message text
};
extern DbError db_error;

// Sets the database error from an internal or I/O code unless one is pending.
// The detail (a file name, a field name) is cut to 64 characters and followed
// by the suffix; an empty detail and suffix give "!".
void set_db_error(int code, std::string_view detail, std::string_view suffix = {});
void clear_db_error();
inline bool db_error_pending() { return db_error.number != 0; }

// ---------------------------------------------------------------------------
// Record files

struct RecordFileCounters {
    uint16_t requests = 0, misses = 0, read_requests = 0, write_requests = 0,
             physical_reads = 0, physical_writes = 0;
};
extern RecordFileCounters record_counters;

class RecordFile {
public:
    RecordFile() = default;
    RecordFile(const RecordFile&) = delete;
    RecordFile& operator=(const RecordFile&) = delete;
    ~RecordFile() { close(); }

    // Closes the file if open, binds it to the name and sets up an empty cache
    // of cache_size bytes (at most 65535).
    void open_with_cache(std::string name, uint32_t cache_size);
    // Closes the file and drops the cache.
    void close_with_cache();
    void close();

    // Opens the bound file in the file mode / creates or empties it. Failure
    // sets the database error with " (Reset)" / " (Rewrite)".
    bool reset(uint32_t record_size);
    bool rewrite(uint32_t record_size);
    // Another user of the open file opens it in today's file mode: a file
    // open for reading or writing only, and wanted otherwise now, is opened
    // again for both. False, with the database error as reset sets it, when
    // it cannot be.
    bool allow_file_mode();

    // Reads up to n records starting at record r (r < 0: where the previous
    // request ended). Returns the whole records read; the destination gets
    // every byte read, so a part of a record at the end of the file is there
    // too (bytes, when given, receives their number).
    int32_t read(int64_t r, void* dst, int32_t n, int64_t* bytes = nullptr);
    // Writes n records at record r (r < 0: the current position). Returns the
    // records written.
    int32_t write(int64_t r, const void* src, int32_t n);

    int64_t size_records();
    int64_t size_bytes();
    // Cuts the file at record r (r < 0: the current position).
    bool seek_truncate(int64_t r);
    // Hands what was written to the system; a failure sets the database
    // error with " (Write)".
    bool flush();

    bool is_open() const { return file_ != nullptr; }
    const std::string& name() const { return name_; }
    uint32_t record_size() const { return record_size_; }
    uint32_t cache_size() const { return static_cast<uint32_t>(cache_.size()); }
    uint32_t cached_bytes() const { return held_; }
    int64_t cache_start() const { return first_; }

private:
    bool open_mode(OpenMode mode, uint32_t record_size, std::string_view suffix);
    void io_failed(std::string_view suffix);

    std::string name_;
    std::unique_ptr<File> file_;
    OpenMode mode_ = OpenMode::Read;
    uint32_t record_size_ = 1;
    std::vector<uint8_t> cache_;  // cache size = its length
    uint32_t held_ = 0;           // bytes held, from first_
    int64_t first_ = 0;           // file offset of the first cached byte
    int64_t request_end_ = 0;     // file offset just past the last request
};

bool record_file_exists(const std::string& name);
// The full path of a file name as it stands now (data/file_platform.h).
std::string full_file_name(const std::string& name);
// True when a name leads to the file whose full path was taken when it was
// opened: the same full path, or one existing file by the platform's word.
bool names_open_file(const std::string& opened_full_path, const std::string& name);
bool erase_file(const std::string& name);
bool rename_file(const std::string& from, const std::string& to);

}  // namespace tolven
