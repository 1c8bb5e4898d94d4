// Serial ports: open, mode, state fields, write, read, error flags, close.
// Programs hold the system's port handles as long integers (-1: opening
// failed). The handlers are portable; the Win32 build installs the
// platform that talks to the communications driver.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/registry.h"

namespace tolven {

namespace serial {
constexpr int32_t kInvalidHandle = -1;
// Bytes moved by one call at most.
constexpr size_t kMaxWrite = 32767, kMaxRead = 32768;
// A state field given as this value is left as it is.
constexpr uint16_t kKeepLimit = 0xFFFF;
constexpr int32_t kKeepFlags = -1;
}  // namespace serial

class SerialPlatform {
public:
    virtual ~SerialPlatform() = default;
    // Opens the port for reading and writing, exclusively; kInvalidHandle
    // when that fails. Reads on the port never wait for bytes.
    virtual int32_t open(const std::string& name) = 0;
    virtual void set_queues(int32_t handle, int32_t in_queue, int32_t out_queue) = 0;
    // Applies a mode text (baud rate, parity, data and stop bits ...).
    virtual bool set_mode(int32_t handle, const std::string& mode) = 0;
    // Replaces the flags word and the XON and XOFF limits of the port's
    // state where they are given.
    virtual bool set_state(int32_t handle, std::optional<uint32_t> flags, std::optional<uint16_t> xon,
                           std::optional<uint16_t> xoff) = 0;
    // Bytes written.
    virtual uint32_t write(int32_t handle, std::string_view bytes) = 0;
    // Bytes waiting in the input queue; nullopt when the query fails.
    virtual std::optional<uint32_t> waiting(int32_t handle) = 0;
    // At most `count` bytes, without waiting; nullopt when reading fails.
    virtual std::optional<std::string> read(int32_t handle, uint32_t count) = 0;
    // The error flags, which the query clears; nullopt when it fails.
    virtual std::optional<uint32_t> take_errors(int32_t handle) = 0;
    virtual bool close(int32_t handle) = 0;
};

// The platform in use; set_serial_platform(nullptr) restores the default,
// a machine without serial ports.
SerialPlatform& serial_platform();
void set_serial_platform(SerialPlatform* p);

void com_open_function();
void com_mode_function();
void com_state_function();
void com_write_function();
void com_read_function();
void com_error_function();
void com_close_function();

// The handlers and the reset that forgets the ports of an earlier run.
extern const Module kSerialModule;

}  // namespace tolven
