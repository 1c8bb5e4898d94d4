// The runtime's debug interface as a debugger living in the process sees
// it: every export is found by name in the executable that loaded this
// DLL, called, and its results and buffers are reported back to the
// program (as values or as lines of a file in the current folder).
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

using LineFn = int32_t(WINAPI*)();
using CountedNameFn = void(WINAPI*)(uint8_t*);
using CountedVarsFn = void(WINAPI*)(uint8_t*, const uint8_t*);
using SetModeFn = int32_t(WINAPI*)(int32_t);
using NameFn = const char*(WINAPI*)();
using VarsFn = const char*(WINAPI*)(const char*);

const char* const kExports[] = {"DebugLine", "SDebugFileName", "SDebugVarInfo",
                                "DebugSetMode", "DebugFileName", "DebugVarInfo"};

FARPROC runtime_export(const char* name) { return GetProcAddress(GetModuleHandleA(nullptr), name); }

template <class F>
F runtime(int ordinal) {
    return reinterpret_cast<F>(reinterpret_cast<void*>(runtime_export(kExports[ordinal - 1])));
}

void append_to(const char* file, const std::string& text) {
    if (FILE* f = std::fopen(file, "ab")) {
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
    }
}

constexpr uint8_t kUntouched = 0xCC;

// A 256-byte buffer as SDebug* fill it: the counted text, and whether any
// byte after it was written.
std::string counted_report(const uint8_t* buffer) {
    std::string r = std::to_string(buffer[0]) + ":" +
                    std::string(reinterpret_cast<const char*>(buffer + 1), buffer[0]);
    for (int k = buffer[0] + 1; k < 256; ++k)
        if (buffer[k] != kUntouched) return r + " (written past the text)";
    return r;
}

std::string pointer_report(const char* p) {
    if (!p) return "null";
    std::string r = std::string("\"") + p + "\"";
    if (reinterpret_cast<uintptr_t>(p) > 0xFFFFFFFFu) r += " (above 4 GB)";
    return r;
}

// SDebugVarInfo with the names made a counted string, into a buffer of
// untouched bytes.
void counted_variable_text(const char* names, uint8_t* buffer) {
    uint8_t counted[256];
    const size_t n = std::min<size_t>(std::strlen(names), 255);
    counted[0] = static_cast<uint8_t>(n);
    std::memcpy(counted + 1, names, n);
    std::memset(buffer, kUntouched, 256);
    runtime<CountedVarsFn>(3)(buffer, counted);
}

LONG CALLBACK copy_debug_output(EXCEPTION_POINTERS* e) {
    const EXCEPTION_RECORD* r = e->ExceptionRecord;
    if (r->ExceptionCode == DBG_PRINTEXCEPTION_C && r->NumberParameters >= 2) {
        const auto* text = reinterpret_cast<const char*>(r->ExceptionInformation[1]);
        append_to("debugout.txt", std::string(text, std::strlen(text)) + "\n");
    }
    return EXCEPTION_CONTINUE_SEARCH;
}

}  // namespace

#define EXPORT extern "C" __declspec(dllexport)

// Bit n-1 is set when export n is found by its name and by its ordinal at
// the same address: 63 when all six are there.
EXPORT int32_t WINAPI DebugExportsFound() {
    int32_t found = 0;
    for (int k = 1; k <= 6; ++k) {
        FARPROC by_name = runtime_export(kExports[k - 1]);
        FARPROC by_ordinal = GetProcAddress(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(k));
        if (by_name && by_name == by_ordinal) found |= 1 << (k - 1);
    }
    return found;
}

EXPORT int32_t WINAPI ProbeLine() { return runtime<LineFn>(1)(); }

EXPORT int32_t WINAPI ProbeSetMode(int32_t mode) { return runtime<SetModeFn>(4)(mode); }

// Both file-name calls, as one line: "counted | zero-terminated".
EXPORT int32_t WINAPI ProbeFileName() {
    static std::string report;
    uint8_t buffer[256];
    std::memset(buffer, kUntouched, sizeof buffer);
    runtime<CountedNameFn>(2)(buffer);
    report = counted_report(buffer) + " | " + pointer_report(runtime<NameFn>(5)());
    return static_cast<int32_t>(reinterpret_cast<uintptr_t>(report.c_str()));
}

// The variable text of the names at `address` (zero-terminated) through
// both calls, appended to varinfo.txt as "S <counted report>" and
// "Z <text or null>" lines; returns the length of the zero-terminated one
// (-1 for null).
EXPORT int32_t WINAPI ProbeVarInfo(uint32_t address) {
    const char* names = reinterpret_cast<const char*>(static_cast<uintptr_t>(address));
    uint8_t buffer[256];
    counted_variable_text(names, buffer);
    const char* z = runtime<VarsFn>(6)(names);
    append_to("varinfo.txt", "S " + counted_report(buffer) + "\nZ " + pointer_report(z) + "\n");
    return z ? static_cast<int32_t>(std::strlen(z)) : -1;
}

// Lengths only, for long texts: counted length * 65536 + zero-terminated
// length; -1 when the counted buffer was written past its text.
EXPORT int32_t WINAPI ProbeVarInfoLengths(uint32_t address) {
    const char* names = reinterpret_cast<const char*>(static_cast<uintptr_t>(address));
    uint8_t buffer[256];
    counted_variable_text(names, buffer);
    for (int k = buffer[0] + 1; k < 256; ++k)
        if (buffer[k] != kUntouched) return -1;
    const char* z = runtime<VarsFn>(6)(names);
    return buffer[0] * 65536 + (z ? static_cast<int32_t>(std::strlen(z)) : 0);
}

// From now on every debugger output string of the process is appended to
// debugout.txt as a line (the file starts empty). The DLL stays loaded for
// that, whatever the program does with its handle.
EXPORT int32_t WINAPI CaptureDebugOutput() {
    HMODULE self = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                       reinterpret_cast<LPCSTR>(&copy_debug_output), &self);
    if (FILE* f = std::fopen("debugout.txt", "wb")) std::fclose(f);
    return AddVectoredExceptionHandler(1, copy_debug_output) ? 1 : 0;
}
