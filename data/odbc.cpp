#include "data/odbc.h"

#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "core/errors.h"
#include "core/host.h"
#include "core/shutdown.h"
#include "data/odbc_format.h"
#include "data/odbc_platform.h"
#include "data/odbc_state.h"
#include "data/record_file.h"
#include "gui/item_list.h"
#include "screen/text_output.h"
#include "values/reader.h"

namespace tolven {

namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr char kResultFile[] = "SQL.DAT";
constexpr size_t kMaxColumnName = 128;

enum Target : int32_t { kScreen = 0, kItems = 1, kFile = 2 };

int32_t clamp32(int64_t v) {
    if (v > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (v < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(v);
}

void print_line(std::string_view text) {
    if (!text.empty()) output_write(text);
    output_write(kLineEnd);
}

void show_driver_message() {
    const std::string message = odbc_platform().message();
    host().message_box_over_focus(odbc::driver_text(message), message_text(503),
                                  mb::kOk | mb::kIconError);
    host().refresh_main_window();
}

void end_connection() {
    if (!odbc_state.connected) return;
    odbc_platform().disconnect();
    odbc_state.connected = false;
}

// Where the lines of a result go. Nothing of a result is kept here beyond
// the line being written: the screen and the file take each row as it is
// fetched.
class ResultLines {
public:
    explicit ResultLines(int32_t target) : target_(target) {}

    // False (after runtime error 506) when the result file cannot be made.
    bool open() {
        if (target_ != kFile) return true;
        int error = 0;
        file_ = file_system().open(kResultFile, OpenMode::Create, error);
        if (!file_) raise_error(506);
        return file_ != nullptr;
    }

    bool fitted() const { return target_ == kScreen || target_ == kItems; }
    bool shown() const { return fitted() || target_ == kFile; }

    void add(const std::string& line) {
        switch (target_) {
            case kScreen: print_line(line); break;
            case kItems:
                if (!item_list.add(line) && !warned_) {
                    warned_ = true;
                    raise_warning(507);
                }
                break;
            case kFile:
                if (write_failed_) break;
                if (file_->write(line.data(), line.size()) != line.size() ||
                    file_->write(kLineEnd.data(), kLineEnd.size()) != kLineEnd.size())
                    write_failed_ = true;
                break;
            default: break;
        }
    }

    // False when the file did not take every line.
    bool close() {
        if (file_ && !file_->flush()) write_failed_ = true;
        file_.reset();
        return !write_failed_;
    }
    bool write_failed() const { return write_failed_; }

private:
    int32_t target_;
    std::unique_ptr<File> file_;
    bool warned_ = false;
    bool write_failed_ = false;
};

// A statement without result set: the rows it changed.
void report_changes(int32_t target) {
    OdbcPlatform& odbc = odbc_platform();
    const int32_t changed = clamp32(odbc.rows_affected());
    if (changed < 1) {
        if (target == kScreen) print_line(message_text(505));
        odbc.commit();
        odbc_state.row_count = 0;
    } else {
        if (target == kScreen) print_line(std::to_string(changed) + std::string(message_text(504)));
        odbc_state.row_count = changed;
    }
}

void deliver_rows(int32_t target, int columns) {
    OdbcPlatform& odbc = odbc_platform();
    ResultLines out(target);
    if (!out.open()) {
        odbc_state.row_count = -1;
        return;
    }
    const std::string& separator = odbc_state.separator;
    const std::string& quote = odbc_state.quote;
    std::vector<int32_t> widths(static_cast<size_t>(columns));
    std::string line;
    for (int c = 1; c <= columns; ++c) {
        OdbcColumn column = odbc.describe(c);
        if (column.name.size() > kMaxColumnName) column.name.resize(kMaxColumnName);
        const int32_t width = odbc::display_width(column.type, column.size, column.name.size());
        widths[static_cast<size_t>(c - 1)] = width;
        if (out.fitted()) odbc::append_fitted(line, column.name, width, separator);
        else odbc::append_quoted(line, column.name, quote, separator);
    }
    out.add(line);
    if (out.fitted()) {
        line.clear();
        for (int32_t width : widths) odbc::append_rule(line, width);
        out.add(line);
    }

    bool driver_failed = false;
    std::string value;
    for (;;) {
        const OdbcFetch fetched = odbc.fetch();
        if (fetched == OdbcFetch::End) break;
        if (fetched == OdbcFetch::Failed) {
            driver_failed = true;
            break;
        }
        if (out.shown()) {
            line.clear();
            for (int c = 1; c <= columns && !driver_failed; ++c) {
                const int32_t width = widths[static_cast<size_t>(c - 1)];
                // The screen and the list show no more than the width, so no
                // more is fetched for them; the file gets whole values.
                const size_t limit = out.fitted() ? static_cast<size_t>(width) : SIZE_MAX;
                const OdbcValue got = odbc.value(c, limit, value);
                if (got == OdbcValue::Failed) driver_failed = true;
                const std::string& text = got == OdbcValue::Null ? odbc_state.null_text : value;
                if (out.fitted()) odbc::append_fitted(line, text, width, separator);
                else odbc::append_quoted(line, text, quote, separator);
            }
            if (driver_failed) break;
            out.add(line);
            if (out.write_failed()) break;
        }
        if (odbc_state.row_count < std::numeric_limits<int32_t>::max()) ++odbc_state.row_count;
    }
    // A result cut short by the driver or the disk is not passed off as the
    // whole result.
    if (!out.close()) odbc_state.row_count = -1;
    if (driver_failed) {
        show_driver_message();
        odbc_state.row_count = -1;
    }
}

}  // namespace

void sql_connect_function() {
    const std::string connection = read_string(')');
    // One connection at a time: a new one replaces the old.
    end_connection();
    OdbcPlatform& odbc = odbc_platform();
    if (!odbc.load()) {
        raise_error(501);
        set_result_int(0);
        return;
    }
    odbc_state.connected = odbc.connect(connection);
    if (!odbc_state.connected) odbc.disconnect();
    set_result_int(odbc_state.connected ? 1 : 0);
}

void sql_exec_statement() {
    const std::string sql = read_string(',');
    const int32_t target = read_int(' ');
    if (!odbc_state.connected) {
        raise_error(500);
        return;
    }
    odbc_state.row_count = 0;
    OdbcPlatform& odbc = odbc_platform();
    const int columns = odbc.execute(sql) ? odbc.column_count() : -1;
    if (columns < 0) {
        // Refused by the driver: the program goes on without a result.
        show_driver_message();
        odbc_state.row_count = -1;
        odbc.close_statement();
        return;
    }
    if (columns == 0) report_changes(target);
    else deliver_rows(target, columns);
    if (target == kScreen) print_line({});
    odbc.close_statement();
}

void sql_disconnect_statement() {
    if (!odbc_state.connected) {
        raise_error(500);
        return;
    }
    end_connection();
}

void sql_separator_statement() {
    const std::string& chars = read_string(' ');
    odbc_state.separator = chars.substr(0, 1);
    odbc_state.quote = chars.size() > 1 ? chars.substr(1, 1) : std::string();
}

void sql_null_statement() { odbc_state.null_text = read_string(' '); }

namespace {

void reset_odbc() {
    end_connection();
    odbc_state = OdbcState{};
}

// However the program ends, the data source sees an orderly disconnect.
void start_odbc() { on_shutdown(ShutdownStage::Files, end_connection); }

constexpr StatementEntry kStatements[] = {
    {Cmd::SQLNULL, sql_null_statement},
    {Cmd::SQLSEPARATOR, sql_separator_statement},
    {Cmd::SQLEXEC, sql_exec_statement},
    {Cmd::SQLDISCONNECT, sql_disconnect_statement},
};

constexpr FunctionEntry kFunctions[] = {
    {Fn::SQLCONNECT, sql_connect_function},
};

}  // namespace

const Module kOdbcModule{"odbc", kStatements, kFunctions, reset_odbc, start_odbc};

}  // namespace tolven
