#include "system/serial.h"

#include <algorithm>
#include <vector>

#include "values/functions.h"
#include "values/reader.h"

namespace tolven {

namespace {

class NoPorts : public SerialPlatform {
public:
    int32_t open(const std::string&) override { return serial::kInvalidHandle; }
    void set_queues(int32_t, int32_t, int32_t) override {}
    bool set_mode(int32_t, const std::string&) override { return false; }
    bool set_state(int32_t, std::optional<uint32_t>, std::optional<uint16_t>, std::optional<uint16_t>) override {
        return false;
    }
    uint32_t write(int32_t, std::string_view) override { return 0; }
    std::optional<uint32_t> waiting(int32_t) override { return std::nullopt; }
    std::optional<std::string> read(int32_t, uint32_t) override { return std::nullopt; }
    std::optional<uint32_t> take_errors(int32_t) override { return std::nullopt; }
    bool close(int32_t) override { return false; }
};

NoPorts no_ports;
SerialPlatform* current_platform = &no_ports;

constexpr int32_t kDone = 0, kFailed = -1;

struct Ports {
    // The handle of the last open call, kept after that port is closed.
    int32_t current = 0;
    // Handles opened and not yet closed. Only these reach the system: a
    // handle value the program made up, or one it closed already (which
    // the system may have handed to another file since), could otherwise
    // write to or close something that is not a port.
    std::vector<int32_t> open;

    bool is_open(int32_t h) const { return std::find(open.begin(), open.end(), h) != open.end(); }
};
Ports ports;

}  // namespace

SerialPlatform& serial_platform() { return *current_platform; }
void set_serial_platform(SerialPlatform* p) { current_platform = p ? p : &no_ports; }

void com_open_function() {
    const std::string name = read_string(',');
    const int32_t in_queue = read_long(',');
    const int32_t out_queue = read_long(')');
    const int32_t h = serial_platform().open(name);
    ports.current = h;
    if (h > 0) {
        if (!ports.is_open(h)) ports.open.push_back(h);
        serial_platform().set_queues(h, in_queue, out_queue);
    }
    set_result_long(h);
}

void com_mode_function() {
    const std::string mode = read_string(')');
    const bool done = ports.is_open(ports.current) && serial_platform().set_mode(ports.current, mode);
    set_result_int(done ? kDone : kFailed);
}

void com_state_function() {
    const int32_t h = read_long(',');
    for (int unused = 0; unused < 3; ++unused) read_long(',');
    const int32_t flags = read_long(',');
    const auto xon = static_cast<uint16_t>(read_long(','));
    const auto xoff = static_cast<uint16_t>(read_long(')'));
    std::optional<uint32_t> new_flags;
    std::optional<uint16_t> new_xon, new_xoff;
    if (flags != serial::kKeepFlags) new_flags = static_cast<uint32_t>(flags);
    if (xon != serial::kKeepLimit) new_xon = xon;
    if (xoff != serial::kKeepLimit) new_xoff = xoff;
    const bool done = ports.is_open(h) && serial_platform().set_state(h, new_flags, new_xon, new_xoff);
    set_result_int(done ? kDone : kFailed);
}

void com_write_function() {
    const int32_t h = read_long(',');
    const std::string text = read_string(')');
    uint32_t written = 0;
    if (ports.is_open(h))
        written = serial_platform().write(h, std::string_view(text).substr(0, serial::kMaxWrite));
    set_result_int(static_cast<int32_t>(written));
}

void com_read_function() {
    const int32_t h = read_long(',');
    const int32_t max = read_long(')');
    // The count comes from the port opened last, whichever port is read.
    uint32_t count = 0;
    if (ports.is_open(ports.current)) count = serial_platform().waiting(ports.current).value_or(0);
    count = std::min<uint32_t>(count, static_cast<uint32_t>(std::max(max, 0)));
    count = std::min<uint32_t>(count, serial::kMaxRead);
    std::string bytes;
    if (count > 0 && ports.is_open(h)) bytes = serial_platform().read(h, count).value_or(std::string());
    set_result_string(bytes);
}

void com_error_function() {
    const int32_t h = read_long(')');
    std::optional<uint32_t> flags;
    if (ports.is_open(h)) flags = serial_platform().take_errors(h);
    // A port that cannot be asked (gone, closed, never opened) reports
    // every flag rather than a clean state.
    set_result_int(flags ? static_cast<int32_t>(*flags) : kFailed);
}

void com_close_function() {
    const int32_t h = read_long(')');
    bool done = false;
    if (ports.is_open(h)) {
        done = serial_platform().close(h);
        ports.open.erase(std::find(ports.open.begin(), ports.open.end(), h));
    }
    set_result_int(done ? kDone : kFailed);
}

namespace {

constexpr FunctionEntry kFunctions[] = {
    {Fn::COMOPEN, com_open_function},   {Fn::COMMODE, com_mode_function},
    {Fn::COMSTATE, com_state_function}, {Fn::COMWRITE, com_write_function},
    {Fn::COMREAD_S, com_read_function}, {Fn::COMERROR, com_error_function},
    {Fn::COMCLOSE, com_close_function},
};

void reset_ports() { ports = Ports{}; }

}  // namespace

const Module kSerialModule{"serial", {}, kFunctions, reset_ports};

}  // namespace tolven
