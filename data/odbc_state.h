// What the SQL statements leave for programs and keep between statements.
#pragma once
#include <cstdint>
#include <string>

namespace tolven {

struct OdbcState {
    // Rows delivered by the last SQL statement, rows it changed, or -1 after
    // a failure; read through a system variable.
    int32_t row_count = 0;
    // Written after every field; empty for none.
    std::string separator = "|";
    // Written before and after every field of the result file; empty for none.
    std::string quote;
    std::string null_text = "NULL";
    bool connected = false;
};
extern OdbcState odbc_state;

}  // namespace tolven
