#include "data/odbc_platform.h"

namespace tolven {

namespace {

OdbcPlatform no_odbc;
OdbcPlatform* current = nullptr;

}  // namespace

OdbcPlatform& odbc_platform() { return current ? *current : no_odbc; }
void set_odbc_platform(OdbcPlatform* p) { current = p; }

}  // namespace tolven
