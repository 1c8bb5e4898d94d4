#include "data/ndx_check.h"

#include <map>
#include <set>

#include "core/bytes.h"

namespace tolven::dbase {

namespace {

struct Walker {
    NdxIndex& ix;
    IndexCheck& out;
    bool german;
    std::set<uint32_t> seen;
    std::vector<std::pair<std::string, int32_t>> leaf_entries;  // in tree order

    void finding(const std::string& de, const std::string& en) {
        out.ok = false;
        ++out.problems;
        if (out.findings.size() < 200) out.findings.push_back(german ? de : en);
    }
    std::string page_text(uint32_t p) { return (german ? "Seite " : "page ") + std::to_string(p); }

    // Walks the subtree of page p; returns false when it cannot be read.
    // highest gets the subtree's highest key (empty when it holds none).
    bool walk(uint32_t p, int depth, std::string& highest) {
        if (depth > NdxIndex::kMaxDepth) {
            finding("Baum zu tief bei " + page_text(p), "tree too deep at " + page_text(p));
            return false;
        }
        out.depth = std::max(out.depth, depth);
        if (p == 0 || p >= ix.page_count()) {
            finding(page_text(p) + " liegt au\xDF""erhalb der Datei", page_text(p) + " lies outside the file");
            return false;
        }
        if (!seen.insert(p).second) {
            finding(page_text(p) + " wird mehrfach erreicht", page_text(p) + " is reached more than once");
            return false;
        }
        std::vector<uint8_t> page;
        if (!ix.read_page(p, page)) {
            finding(page_text(p) + " nicht lesbar", page_text(p) + " cannot be read");
            return false;
        }
        const uint32_t es = ix.entry_size(), kl = ix.key_length();
        const uint32_t k = le32(page.data());
        const bool leaf = le32(page.data() + 4) == 0;
        const uint32_t n = leaf ? k : k + 1;
        std::string prev;
        for (uint32_t i = 0; i < n; ++i) {
            size_t at = 4 + size_t(i) * es;
            bool keyed = leaf || i < k;
            std::string key = keyed ? std::string(reinterpret_cast<const char*>(page.data()) + at + 8, kl) : std::string();
            if (keyed && i > 0 && compare_keys(prev, key, ix.numeric()) > 0)
                finding("Schl\xFCssel nicht sortiert in " + page_text(p), "keys out of order in " + page_text(p));
            if (leaf) {
                leaf_entries.emplace_back(key, static_cast<int32_t>(le32(page.data() + at + 4)));
                ++out.entries;
                highest = key;
            } else {
                std::string sub;
                if (!walk(le32(page.data() + at), depth + 1, sub)) return false;
                if (keyed && sub != key)
                    finding("Verzweigungsschl\xFCssel passt nicht in " + page_text(p),
                            "branch key does not match its child in " + page_text(p));
                if (!sub.empty()) highest = sub;
            }
            if (keyed) prev = key;
        }
        if (leaf && k == 0 && p != ix.root())
            finding("leere Seite " + std::to_string(p) + " im Baum", "empty page " + std::to_string(p) + " in the tree");
        return true;
    }
};

}  // namespace

IndexCheck check_index(Table& table, NdxIndex& index, bool german) {
    IndexCheck out;
    Walker w{index, out, german, {}, {}};
    std::string highest;
    DbError before = db_error;
    if (!w.walk(index.root(), 1, highest)) {
        db_error = before;
        return out;
    }
    for (size_t i = 1; i < w.leaf_entries.size(); ++i)
        if (compare_keys(w.leaf_entries[i - 1].first, w.leaf_entries[i].first, index.numeric()) > 0) {
            w.finding("Schl\xFCsselfolge zwischen Seiten falsch", "keys out of order across pages");
            break;
        }
    std::map<int32_t, std::string> by_record;
    for (const auto& [key, rec] : w.leaf_entries) {
        if (rec < 1 || rec > table.file->count)
            w.finding("Satz " + std::to_string(rec) + " gibt es nicht in der Tabelle",
                      "record " + std::to_string(rec) + " is not in the table");
        else if (!by_record.emplace(rec, key).second)
            w.finding("Satz " + std::to_string(rec) + " mehrfach im Index",
                      "record " + std::to_string(rec) + " is in the index more than once");
    }
    std::vector<uint8_t> raw(table.file->record_length);
    for (int32_t r = 1; r <= table.file->count; ++r) {
        if (table.file->dbf.read(int64_t(table.file->header_length) + int64_t(r - 1) * table.file->record_length, raw.data(),
                           table.file->record_length) != table.file->record_length) {
            w.finding("Satz " + std::to_string(r) + " nicht lesbar", "record " + std::to_string(r) + " cannot be read");
            break;
        }
        auto key = index.key_from_record(raw.data(), raw.size());
        auto it = by_record.find(r);
        if (it == by_record.end())
            w.finding("Satz " + std::to_string(r) + " fehlt im Index", "record " + std::to_string(r) + " is missing");
        else if (key && *key != it->second)
            w.finding("Satz " + std::to_string(r) + " steht unter falschem Schl\xFCssel",
                      "record " + std::to_string(r) + " is filed under a wrong key");
    }
    db_error = before;
    return out;
}

}  // namespace tolven::dbase
