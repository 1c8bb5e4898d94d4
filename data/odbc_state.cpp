#include "data/odbc_state.h"

namespace tolven {

OdbcState odbc_state;

}  // namespace tolven
