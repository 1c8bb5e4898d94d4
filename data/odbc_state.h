// What ODBC access leaves for programs to read before its statements exist.
#pragma once
#include <cstdint>

namespace tolven {

struct OdbcState {
    // Row count of the last SQL statement, -1 after a failure.
    int32_t row_count = 0;
};
extern OdbcState odbc_state;

}  // namespace tolven
