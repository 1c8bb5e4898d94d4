// The language side of the dBase engine (data/dbf.h): the table and index
// functions and the three table statements read their arguments with the
// argument reader and call the engine.
#pragma once

namespace tolven {

// Installs the statement handlers of MEMOWIDTH, CREATEINDEX and CREATETABLE
// and the function handlers of the table functions.
void register_dbase_statements();

}  // namespace tolven
