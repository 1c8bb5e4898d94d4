// The ODBC driver manager on Win32: "ODBC32.DLL", loaded on connect.
#pragma once
#include "data/odbc_platform.h"

namespace tolven {
OdbcPlatform& win32_odbc_platform();
}  // namespace tolven
