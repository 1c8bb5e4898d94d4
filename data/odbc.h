// SQL statements against ODBC data sources: connect, run statements with
// their results on the text screen, in the item list or in the file
// "SQL.DAT", disconnect. The driver manager is reached through
// data/odbc_platform.h.
#pragma once

#include "core/registry.h"

namespace tolven {

// Its reset ends an open connection and brings back the start settings.
extern const Module kOdbcModule;

void sql_connect_function();        // SQLCONNECT: 1 connected, 0 not
void sql_exec_statement();          // SQLEXEC sql$,target
void sql_disconnect_statement();    // SQLDISCONNECT
void sql_separator_statement();     // SQLSEPARATOR: separator and quote character
void sql_null_statement();          // SQLNULL: the text of NULL values

}  // namespace tolven
