// Verifies an NDX index against its table: the tree is well formed (page
// numbers inside the file, no page reached twice, key counts within a page's
// room, keys in order, branch keys equal to the highest key below them) and
// holds exactly one entry per record, under the record's key.
#pragma once
#include <string>
#include <vector>

#include "data/dbf.h"
#include "data/ndx.h"

namespace tolven::dbase {

struct IndexCheck {
    bool ok = true;
    std::vector<std::string> findings;  // one line each, Latin-1; the first 200
    uint64_t problems = 0;              // all findings, also those not kept
    uint64_t entries = 0;
    int depth = 0;
};

// german: findings in German, else in plain English.
IndexCheck check_index(Table& table, NdxIndex& index, bool german = false);

}  // namespace tolven::dbase
