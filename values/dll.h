// Calling functions in DLLs with 0 to 15 32-bit arguments in the standard
// Windows calling convention. In the 64-bit build each value is passed
// sign-extended and the result is cut to 32 bits.
//
// Module handles and code addresses are handed to programs as 32-bit values.
// Where the real one does not fit (64-bit DLLs usually load high), the
// program sees a stand-in from a small table: an odd value, which no real
// module handle or function start can be, and every call here accepts it.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace tolven::dll {

constexpr int kMaxArguments = 15;

// LoadLibrary; 0 when the DLL cannot be loaded.
uint32_t load(const std::string& name);
// FreeLibrary on a handle from load (real or stand-in).
void free(uint32_t handle);
// GetProcAddress; 0 when the function is missing.
uint32_t proc_address(uint32_t handle, const std::string& name);

// The real handle or address behind a value a program got (a stand-in or
// the value itself), for platform calls that take a module handle.
uintptr_t real_address(uint32_t value);

// Calls the code at `address` with `count` (0..15) arguments. `what` names
// the function in the error raised when it faults.
int32_t call(uint32_t address, const int32_t* args, int count, std::string_view what);

// Runs `body` with the fault handling of the calls above: a fault inside
// it (a platform call given a bad address by the program) ends the program
// with runtime error 207 naming `what`, not with a crash.
void run_guarded(std::string_view what, void (*body)(void*), void* context);

// Loads `dll`, calls `function` and frees the DLL again; raises 247 or 248
// when loading or looking up fails (then returns 0 with called = false).
int32_t call_named(const std::string& dll, const std::string& function, const int32_t* args, int count,
                   bool& called);

}  // namespace tolven::dll
