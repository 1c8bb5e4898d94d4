#include "system/win32/serial_win32.h"

#include <windows.h>

#include <cstddef>
#include <cstring>

#include "system/serial.h"

namespace tolven {

namespace {

// The bit fields of the state block (fBinary ... fDummy2) as one word.
constexpr size_t kFlagsOffset = offsetof(DCB, BaudRate) + sizeof(DWORD);
static_assert(offsetof(DCB, wReserved) == kFlagsOffset + sizeof(DWORD));

// Writes give up after this long plus twice the time the bytes need on the
// line, so a peer that stops taking bytes cannot stall the program.
constexpr DWORD kWriteGrace = 2000;
constexpr DWORD kBitsPerByte = 11;

HANDLE handle_of(int32_t h) { return reinterpret_cast<HANDLE>(static_cast<intptr_t>(h)); }

DCB current_state(HANDLE h, bool& ok) {
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    ok = GetCommState(h, &dcb) != 0;
    if (!ok) {
        dcb = DCB{};
        dcb.DCBlength = sizeof dcb;
    }
    return dcb;
}

// Reads return at once with what is waiting; the count a program asks for
// may come from another port and must not make it wait.
void set_timeouts(HANDLE h) {
    bool ok = false;
    const DCB dcb = current_state(h, ok);
    const DWORD baud = ok && dcb.BaudRate > 0 ? dcb.BaudRate : CBR_110;
    COMMTIMEOUTS t{};
    t.ReadIntervalTimeout = MAXDWORD;
    t.WriteTotalTimeoutMultiplier = 2 * kBitsPerByte * 1000 / baud + 1;
    t.WriteTotalTimeoutConstant = kWriteGrace;
    SetCommTimeouts(h, &t);
}

class Win32Serial : public SerialPlatform {
public:
    int32_t open(const std::string& name) override {
        HANDLE h = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) return serial::kInvalidHandle;
        const auto value = static_cast<int32_t>(reinterpret_cast<intptr_t>(h));
        if (handle_of(value) != h) {
            // Programs hold handles in 32 bits; one that does not fit is useless.
            CloseHandle(h);
            return serial::kInvalidHandle;
        }
        set_timeouts(h);
        return value;
    }
    void set_queues(int32_t h, int32_t in_queue, int32_t out_queue) override {
        SetupComm(handle_of(h), static_cast<DWORD>(in_queue), static_cast<DWORD>(out_queue));
    }
    bool set_mode(int32_t handle, const std::string& mode) override {
        HANDLE h = handle_of(handle);
        bool ok = false;
        DCB dcb = current_state(h, ok);
        COMMTIMEOUTS unused{};
        if (!BuildCommDCBAndTimeoutsA(mode.c_str(), &dcb, &unused) || !SetCommState(h, &dcb)) return false;
        set_timeouts(h);
        return true;
    }
    bool set_state(int32_t handle, std::optional<uint32_t> flags, std::optional<uint16_t> xon,
                   std::optional<uint16_t> xoff) override {
        HANDLE h = handle_of(handle);
        bool ok = false;
        DCB dcb = current_state(h, ok);
        if (!ok) return false;
        if (flags) {
            const DWORD word = *flags;
            std::memcpy(reinterpret_cast<char*>(&dcb) + kFlagsOffset, &word, sizeof word);
        }
        if (xon) dcb.XonLim = *xon;
        if (xoff) dcb.XoffLim = *xoff;
        if (!SetCommState(h, &dcb)) return false;
        set_timeouts(h);
        return true;
    }
    uint32_t write(int32_t h, std::string_view bytes) override {
        DWORD written = 0;
        WriteFile(handle_of(h), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        return written < bytes.size() ? written : static_cast<uint32_t>(bytes.size());
    }
    std::optional<uint32_t> waiting(int32_t h) override {
        DWORD errors = 0;
        COMSTAT stat{};
        if (!ClearCommError(handle_of(h), &errors, &stat)) return std::nullopt;
        return stat.cbInQue;
    }
    std::optional<std::string> read(int32_t h, uint32_t count) override {
        std::string bytes(count, '\0');
        DWORD got = 0;
        if (!ReadFile(handle_of(h), bytes.data(), count, &got, nullptr)) return std::nullopt;
        bytes.resize(got < count ? got : count);
        return bytes;
    }
    std::optional<uint32_t> take_errors(int32_t h) override {
        DWORD errors = 0;
        if (!ClearCommError(handle_of(h), &errors, nullptr)) return std::nullopt;
        return errors;
    }
    bool close(int32_t h) override { return CloseHandle(handle_of(h)) != 0; }
};

Win32Serial win32_serial;

}  // namespace

SerialPlatform& win32_serial_platform() { return win32_serial; }

}  // namespace tolven
