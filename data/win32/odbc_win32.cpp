// The driver manager is loaded only when a program connects and its
// functions are found by name, so the runtime starts on machines without
// ODBC and links nothing of it.
#include "data/win32/odbc_win32.h"

#include <windows.h>
#include <sql.h>
#include <sqlext.h>

#include <algorithm>

namespace tolven {

namespace {

struct Functions {
    SQLRETURN(SQL_API* alloc_env)(SQLHENV*);
    SQLRETURN(SQL_API* alloc_connect)(SQLHENV, SQLHDBC*);
    SQLRETURN(SQL_API* driver_connect)(SQLHDBC, SQLHWND, SQLCHAR*, SQLSMALLINT, SQLCHAR*, SQLSMALLINT,
                                       SQLSMALLINT*, SQLUSMALLINT);
    SQLRETURN(SQL_API* alloc_stmt)(SQLHDBC, SQLHSTMT*);
    SQLRETURN(SQL_API* exec_direct)(SQLHSTMT, SQLCHAR*, SQLINTEGER);
    SQLRETURN(SQL_API* num_result_cols)(SQLHSTMT, SQLSMALLINT*);
    SQLRETURN(SQL_API* describe_col)(SQLHSTMT, SQLUSMALLINT, SQLCHAR*, SQLSMALLINT, SQLSMALLINT*,
                                     SQLSMALLINT*, SQLULEN*, SQLSMALLINT*, SQLSMALLINT*);
    SQLRETURN(SQL_API* get_data)(SQLHSTMT, SQLUSMALLINT, SQLSMALLINT, SQLPOINTER, SQLLEN, SQLLEN*);
    SQLRETURN(SQL_API* fetch)(SQLHSTMT);
    SQLRETURN(SQL_API* row_count)(SQLHSTMT, SQLLEN*);
    SQLRETURN(SQL_API* transact)(SQLHENV, SQLHDBC, SQLUSMALLINT);
    SQLRETURN(SQL_API* error)(SQLHENV, SQLHDBC, SQLHSTMT, SQLCHAR*, SQLINTEGER*, SQLCHAR*, SQLSMALLINT,
                              SQLSMALLINT*);
    SQLRETURN(SQL_API* free_stmt)(SQLHSTMT, SQLUSMALLINT);
    SQLRETURN(SQL_API* disconnect)(SQLHDBC);
    SQLRETURN(SQL_API* free_connect)(SQLHDBC);
    SQLRETURN(SQL_API* free_env)(SQLHENV);
};

bool succeeded(SQLRETURN r) { return r == SQL_SUCCESS || r == SQL_SUCCESS_WITH_INFO; }

template <class F>
bool find(HMODULE lib, const char* name, F& f) {
    f = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(lib, name)));
    return f != nullptr;
}

class Win32Odbc : public OdbcPlatform {
public:
    bool load() override {
        if (lib_) return true;
        lib_ = LoadLibraryA("ODBC32.DLL");
        if (!lib_) return false;
        Functions& f = fn_;
        const bool all = find(lib_, "SQLAllocEnv", f.alloc_env) &&
                         find(lib_, "SQLAllocConnect", f.alloc_connect) &&
                         find(lib_, "SQLDriverConnect", f.driver_connect) &&
                         find(lib_, "SQLAllocStmt", f.alloc_stmt) &&
                         find(lib_, "SQLExecDirect", f.exec_direct) &&
                         find(lib_, "SQLNumResultCols", f.num_result_cols) &&
                         find(lib_, "SQLDescribeCol", f.describe_col) &&
                         find(lib_, "SQLGetData", f.get_data) && find(lib_, "SQLFetch", f.fetch) &&
                         find(lib_, "SQLRowCount", f.row_count) &&
                         find(lib_, "SQLTransact", f.transact) && find(lib_, "SQLError", f.error) &&
                         find(lib_, "SQLFreeStmt", f.free_stmt) &&
                         find(lib_, "SQLDisconnect", f.disconnect) &&
                         find(lib_, "SQLFreeConnect", f.free_connect) &&
                         find(lib_, "SQLFreeEnv", f.free_env);
        if (!all) unload();
        return all;
    }

    bool connect(const std::string& connection) override {
        if (!lib_) return false;
        if (!succeeded(fn_.alloc_env(&env_))) {
            env_ = SQL_NULL_HENV;
            return false;
        }
        if (!succeeded(fn_.alloc_connect(env_, &dbc_))) {
            dbc_ = SQL_NULL_HDBC;
            release();
            return false;
        }
        // The driver manager writes the completed string here; nobody reads it.
        SQLCHAR completed[256];
        SQLSMALLINT completed_length = 0;
        std::string text = connection;
        const SQLSMALLINT length = static_cast<SQLSMALLINT>(std::min<size_t>(text.size(), 32767));
        const SQLRETURN r = fn_.driver_connect(dbc_, nullptr, reinterpret_cast<SQLCHAR*>(text.data()),
                                               length, completed, sizeof completed, &completed_length,
                                               connection.empty() ? SQL_DRIVER_PROMPT : SQL_DRIVER_COMPLETE);
        if (!succeeded(r)) {
            release();
            return false;
        }
        connected_ = true;
        return true;
    }

    void disconnect() override {
        release();
        unload();
    }

    bool execute(const std::string& sql) override {
        close_statement();
        if (!dbc_ || !succeeded(fn_.alloc_stmt(dbc_, &stmt_))) {
            stmt_ = SQL_NULL_HSTMT;
            return false;
        }
        std::string text = sql;
        const SQLRETURN r = fn_.exec_direct(stmt_, reinterpret_cast<SQLCHAR*>(text.data()),
                                            static_cast<SQLINTEGER>(text.size()));
        // A searched change that touched no row reports "no data".
        return succeeded(r) || r == SQL_NO_DATA;
    }

    int column_count() override {
        SQLSMALLINT n = 0;
        if (!stmt_ || !succeeded(fn_.num_result_cols(stmt_, &n))) return -1;
        return n;
    }

    OdbcColumn describe(int column) override {
        OdbcColumn c;
        SQLCHAR name[129] = {};
        SQLSMALLINT name_length = 0, type = 0, digits = 0, nullable = 0;
        SQLULEN size = 0;
        if (succeeded(fn_.describe_col(stmt_, static_cast<SQLUSMALLINT>(column), name, sizeof name,
                                       &name_length, &type, &size, &digits, &nullable))) {
            c.name.assign(reinterpret_cast<const char*>(name),
                          std::clamp<SQLSMALLINT>(name_length, 0, sizeof name - 1));
            c.type = type;
            c.size = size;
        }
        return c;
    }

    int64_t rows_affected() override {
        SQLLEN n = -1;
        if (!stmt_ || !succeeded(fn_.row_count(stmt_, &n))) return -1;
        return n;
    }

    void commit() override {
        if (dbc_) fn_.transact(env_, dbc_, SQL_COMMIT);
    }

    OdbcFetch fetch() override {
        const SQLRETURN r = fn_.fetch(stmt_);
        if (succeeded(r)) return OdbcFetch::Row;
        return r == SQL_NO_DATA ? OdbcFetch::End : OdbcFetch::Failed;
    }

    OdbcValue value(int column, size_t limit, std::string& out) override {
        out.clear();
        // Long values come in parts: each call fills the buffer but for its
        // last byte, the terminating zero.
        char part[4096];
        for (;;) {
            SQLLEN indicator = 0;
            const SQLRETURN r = fn_.get_data(stmt_, static_cast<SQLUSMALLINT>(column), SQL_C_CHAR, part,
                                             sizeof part, &indicator);
            if (r == SQL_NO_DATA) return OdbcValue::Text;  // every part taken
            if (!succeeded(r)) return OdbcValue::Failed;
            if (indicator == SQL_NULL_DATA) return OdbcValue::Null;
            const bool whole = indicator != SQL_NO_TOTAL && indicator >= 0 &&
                               static_cast<size_t>(indicator) < sizeof part;
            out.append(part, whole ? static_cast<size_t>(indicator) : sizeof part - 1);
            if (whole || r == SQL_SUCCESS) break;
            if (out.size() >= limit) break;
        }
        if (out.size() > limit) out.resize(limit);
        return OdbcValue::Text;
    }

    std::string message() override {
        if (!lib_) return {};
        SQLCHAR state[6] = {}, text[SQL_MAX_MESSAGE_LENGTH + 1] = {};
        SQLINTEGER native = 0;
        SQLSMALLINT length = 0;
        const SQLRETURN r = fn_.error(env_, dbc_, stmt_, state, &native, text, sizeof text, &length);
        if (!succeeded(r)) return {};
        return std::string(reinterpret_cast<const char*>(text),
                           std::clamp<SQLSMALLINT>(length, 0, sizeof text - 1));
    }

    void close_statement() override {
        if (stmt_) fn_.free_stmt(stmt_, SQL_DROP);
        stmt_ = SQL_NULL_HSTMT;
    }

private:
    // Frees whatever handles exist, the connection ended first.
    void release() {
        close_statement();
        if (dbc_) {
            if (connected_) fn_.disconnect(dbc_);
            fn_.free_connect(dbc_);
        }
        if (env_) fn_.free_env(env_);
        dbc_ = SQL_NULL_HDBC;
        env_ = SQL_NULL_HENV;
        connected_ = false;
    }

    void unload() {
        if (lib_) FreeLibrary(lib_);
        lib_ = nullptr;
        fn_ = Functions{};
    }

    HMODULE lib_ = nullptr;
    Functions fn_{};
    SQLHENV env_ = SQL_NULL_HENV;
    SQLHDBC dbc_ = SQL_NULL_HDBC;
    SQLHSTMT stmt_ = SQL_NULL_HSTMT;
    bool connected_ = false;
};

Win32Odbc win32_odbc;

}  // namespace

OdbcPlatform& win32_odbc_platform() { return win32_odbc; }

}  // namespace tolven
