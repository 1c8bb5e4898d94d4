#include "data/file_faults.h"

#include <algorithm>
#include <iterator>
#include <vector>

#include "values/textops.h"

namespace tolven {

namespace {

struct Fault {
    FileOp op;
    std::string name;  // upper case
    uint32_t from = 1;
    int code = 0;
    uint32_t seen = 0;
};

std::vector<Fault> faults;

std::string upper_last_part(std::string_view path) {
    const size_t sep = path.find_last_of("\\/:");
    if (sep != std::string_view::npos) path.remove_prefix(sep + 1);
    std::string r(path);
    for (char& c : r) c = static_cast<char>(fold_upper(static_cast<unsigned char>(c)));
    return r;
}

bool parse_number(std::string_view s, uint32_t& out) {
    if (s.empty() || s.size() > 9) return false;
    uint32_t v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + uint32_t(c - '0');
    }
    out = v;
    return true;
}

bool parse_fault(std::string_view item, Fault& f) {
    std::vector<std::string_view> parts;
    for (size_t at = 0;;) {
        const size_t colon = item.find(':', at);
        parts.push_back(item.substr(at, colon == std::string_view::npos ? std::string_view::npos : colon - at));
        if (colon == std::string_view::npos) break;
        at = colon + 1;
    }
    if (parts.size() < 2 || parts.size() > 4 || parts[1].empty()) return false;
    static const struct {
        const char* word;
        FileOp op;
        int code;
    } kOps[] = {{"open", FileOp::Open, 5},        {"read", FileOp::Read, 30},   {"write", FileOp::Write, 112},
                {"flush", FileOp::Flush, 112},    {"truncate", FileOp::Truncate, 112},
                {"rename", FileOp::Rename, 5},    {"erase", FileOp::Erase, 5}};
    const auto* op = std::find_if(std::begin(kOps), std::end(kOps), [&](const auto& o) { return parts[0] == o.word; });
    if (op == std::end(kOps)) return false;
    f.op = op->op;
    f.code = op->code;
    f.name = upper_last_part(parts[1]);
    uint32_t v = 0;
    if (parts.size() > 2) {
        if (!parse_number(parts[2], v) || v == 0) return false;
        f.from = v;
    }
    if (parts.size() > 3) {
        if (!parse_number(parts[3], v) || v == 0) return false;
        f.code = static_cast<int>(v);
    }
    return true;
}

class FaultyFile : public File {
public:
    FaultyFile(std::unique_ptr<File> inner, std::string name) : inner_(std::move(inner)), name_(std::move(name)) {}
    size_t read(void* dst, size_t n) override {
        if ((failed_ = file_fault(FileOp::Read, name_))) return 0;
        return inner_->read(dst, n);
    }
    size_t write(const void* src, size_t n) override {
        if ((failed_ = file_fault(FileOp::Write, name_))) return 0;
        return inner_->write(src, n);
    }
    bool seek(int64_t offset) override {
        failed_ = 0;
        return inner_->seek(offset);
    }
    int64_t tell() override { return inner_->tell(); }
    int64_t size() override { return inner_->size(); }
    bool truncate(int64_t offset) override {
        if ((failed_ = file_fault(FileOp::Truncate, name_))) return false;
        return inner_->truncate(offset);
    }
    bool flush() override {
        if ((failed_ = file_fault(FileOp::Flush, name_))) return false;
        return inner_->flush();
    }
    int error() const override { return failed_ ? failed_ : inner_->error(); }

private:
    std::unique_ptr<File> inner_;
    std::string name_;
    int failed_ = 0;
};

class FaultyFileSystem : public FileSystem {
public:
    FileSystem* inner = nullptr;
    std::unique_ptr<File> open(const std::string& name, OpenMode mode, int& error) override {
        if ((error = file_fault(FileOp::Open, name))) return nullptr;
        auto f = inner->open(name, mode, error);
        if (!f) return nullptr;
        return std::make_unique<FaultyFile>(std::move(f), name);
    }
    bool remove(const std::string& name) override {
        if ((failed_ = file_fault(FileOp::Erase, name))) return false;
        return inner->remove(name);
    }
    bool rename(const std::string& from, const std::string& to) override {
        if ((failed_ = file_fault(FileOp::Rename, from))) return false;
        return inner->rename(from, to);
    }
    int last_error() const override { return failed_ ? failed_ : inner->last_error(); }

private:
    int failed_ = 0;
};

class FaultyPlatform : public FilePlatform {
public:
    FilePlatform* inner = nullptr;
    std::vector<DirEntry> find(const std::string& pattern) override { return inner->find(pattern); }
    std::optional<uint32_t> attributes(const std::string& name) override { return inner->attributes(name); }
    int set_attributes(const std::string& name, uint32_t a) override { return inner->set_attributes(name, a); }
    std::optional<DateTime> last_write(const std::string& name) override { return inner->last_write(name); }
    int change_dir(const std::string& path) override { return inner->change_dir(path); }
    int make_dir(const std::string& path) override { return inner->make_dir(path); }
    int remove_dir(const std::string& path) override { return inner->remove_dir(path); }
    std::string current_dir() override { return inner->current_dir(); }
    int rename(const std::string& from, const std::string& to) override {
        if (int code = file_fault(FileOp::Rename, from)) return code;
        return inner->rename(from, to);
    }
    int erase(const std::string& name) override {
        if (int code = file_fault(FileOp::Erase, name)) return code;
        return inner->erase(name);
    }
    bool same_file(const std::string& a, const std::string& b) override { return inner->same_file(a, b); }
    std::string full_path(const std::string& name) override { return inner->full_path(name); }
    std::string join(const std::string& dir, const std::string& name) override { return inner->join(dir, name); }
};

}  // namespace

bool set_file_faults(std::string_view list) {
    std::vector<Fault> parsed;
    for (size_t at = 0; at < list.size();) {
        size_t end = list.find(';', at);
        if (end == std::string_view::npos) end = list.size();
        const std::string_view item = list.substr(at, end - at);
        at = end + 1;
        if (item.empty()) continue;
        Fault f;
        if (!parse_fault(item, f)) {
            faults.clear();
            return false;
        }
        parsed.push_back(std::move(f));
    }
    faults = std::move(parsed);
    return true;
}

bool file_faults_active() { return !faults.empty(); }

int file_fault(FileOp op, std::string_view name) {
    if (faults.empty()) return 0;
    const std::string key = upper_last_part(name);
    for (Fault& f : faults) {
        if (f.op != op || f.name != key) continue;
        if (f.seen < f.from) ++f.seen;
        if (f.seen >= f.from) return f.code;
    }
    return 0;
}

FilePlatform& faulty_platform(FilePlatform& inner) {
    static FaultyPlatform wrapper;
    wrapper.inner = &inner;
    return wrapper;
}

FileSystem& faulty_file_system(FileSystem& inner) {
    static FaultyFileSystem wrapper;
    wrapper.inner = &inner;
    return wrapper;
}

}  // namespace tolven
