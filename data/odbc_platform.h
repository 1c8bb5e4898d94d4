// What the SQL statements ask of the ODBC driver manager. The Win32 build
// installs the real one at start (data/win32/odbc_win32.cpp), which loads
// "ODBC32.DLL" only when a program connects. The default one behaves like a
// machine without ODBC, so the rules around the calls can be tested
// natively with a stand-in driver.
// Texts crossing this interface are the driver manager's ANSI bytes.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace tolven {

struct OdbcColumn {
    std::string name;    // at most 128 characters
    int16_t type = 0;    // the SQL data type the driver reports
    uint64_t size = 0;   // the column size the driver reports
};

enum class OdbcFetch { Row, End, Failed };
enum class OdbcValue { Text, Null, Failed };

class OdbcPlatform {
public:
    virtual ~OdbcPlatform() = default;

    // Loads the driver manager and finds its functions by name; false when
    // it cannot be loaded or lacks one of them.
    virtual bool load() { return false; }
    // Allocates the environment and the connection and connects with the
    // connection string (an empty one lets the driver manager prompt). On
    // false nothing stays allocated.
    virtual bool connect(const std::string& connection) { return false; }
    // Disconnects, frees the handles and unloads the driver manager; also
    // after a load without a connection.
    virtual void disconnect() {}

    // Allocates a statement and runs the SQL text directly; false when the
    // driver rejected it (the statement stays allocated for the message).
    virtual bool execute(const std::string& sql) { return false; }
    // Result columns of the statement, -1 when the driver cannot tell.
    virtual int column_count() { return -1; }
    // Column 1..column_count().
    virtual OdbcColumn describe(int column) { return {}; }
    // Rows the statement changed (-1 when unknown).
    virtual int64_t rows_affected() { return -1; }
    virtual void commit() {}
    virtual OdbcFetch fetch() { return OdbcFetch::End; }
    // The value of a column of the fetched row as text: the whole value when
    // limit is SIZE_MAX, else at most its first `limit` bytes. Columns are
    // read in increasing order, each at most once per row.
    virtual OdbcValue value(int column, size_t limit, std::string& out) { return OdbcValue::Failed; }
    // The driver's first message on the environment, the connection and
    // the statement.
    virtual std::string message() { return {}; }
    // Drops the statement (nothing when none is allocated).
    virtual void close_statement() {}
};

// The platform in use; set_odbc_platform(nullptr) restores the default.
OdbcPlatform& odbc_platform();
void set_odbc_platform(OdbcPlatform* p);

}  // namespace tolven
