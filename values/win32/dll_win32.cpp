#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "core/errors.h"
#include "values/dll.h"

namespace tolven::dll {

namespace {

// Stand-ins for values above 2 GB: odd numbers counting up from here.
constexpr uint32_t kStandInBase = 0x7FF00001u;
std::vector<uintptr_t> stand_ins;

uint32_t visible(uintptr_t real) {
    if (real == 0) return 0;
    if (real <= 0x7FFFFFFFu) return static_cast<uint32_t>(real);
    for (size_t k = 0; k < stand_ins.size(); ++k)
        if (stand_ins[k] == real) return kStandInBase + 2 * static_cast<uint32_t>(k);
    stand_ins.push_back(real);
    return kStandInBase + 2 * static_cast<uint32_t>(stand_ins.size() - 1);
}

uintptr_t real_of(uint32_t v) {
    if (v >= kStandInBase && (v & 1)) {
        const size_t k = (v - kStandInBase) / 2;
        if (k < stand_ins.size()) return stand_ins[k];
    }
    return v;
}

// An argument: a stand-in the program got from us goes out as the real
// handle or address (so GetProcAddress and FreeLibrary called through a
// DLL call accept module handles from LOADLIBRARY); any other value
// sign-extended.
intptr_t widen(int32_t v) {
    const uint32_t u = static_cast<uint32_t>(v);
    if (u >= kStandInBase && (u & 1) && (u - kStandInBase) / 2 < stand_ins.size())
        return static_cast<intptr_t>(real_of(u));
    return v;
}

// A result: cut to 32 bits, except a 64-bit module handle or address inside
// a loaded module (LoadLibraryA, GetModuleHandleA, GetProcAddress called
// through a DLL call), which becomes a stand-in the program can pass back.
// Functions that return a 32-bit int leave the upper half zero or, rarely,
// undefined; only a value that lies inside a module is taken as an address.
int32_t narrow(intptr_t r) {
#if defined(_WIN64)
    const auto u = static_cast<uint64_t>(r);
    if ((u >> 32) != 0 && r != static_cast<intptr_t>(static_cast<int32_t>(r))) {
        HMODULE m = nullptr;
        if (GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                               reinterpret_cast<LPCSTR>(r), &m))
            return static_cast<int32_t>(visible(static_cast<uintptr_t>(r)));
    }
#endif
    return static_cast<int32_t>(static_cast<uint32_t>(r));
}

// A fault inside a called function ends the program with a runtime error
// naming the function, not with a silent crash.
std::string calling;  // what the error names
bool in_call = false;

LONG CALLBACK on_fault(EXCEPTION_POINTERS* info) {
    const DWORD code = info->ExceptionRecord->ExceptionCode;
    if (!in_call) return EXCEPTION_CONTINUE_SEARCH;
    if (code != EXCEPTION_ACCESS_VIOLATION && code != EXCEPTION_ILLEGAL_INSTRUCTION &&
        code != EXCEPTION_PRIV_INSTRUCTION && code != EXCEPTION_INT_DIVIDE_BY_ZERO &&
        code != EXCEPTION_IN_PAGE_ERROR && code != EXCEPTION_DATATYPE_MISALIGNMENT)
        return EXCEPTION_CONTINUE_SEARCH;
    in_call = false;
    const int mode = errors.error_mode;
    if (mode == -1) errors.error_mode = 0;  // the call cannot be resumed: the program must end
    raise_error(207, calling);
    ExitProcess(2);
}

struct FaultGuard {
    FaultGuard(std::string_view kind, std::string_view what) {
        static PVOID handler = AddVectoredExceptionHandler(1, on_fault);
        (void)handler;
        calling.assign(kind);
        calling.append(what);
        in_call = true;
    }
    ~FaultGuard() { in_call = false; }
};

using A = intptr_t;  // each 32-bit value widened with its sign
template <int N>
struct Caller;
#define TOLVEN_CALLER(N, PARAMS, ARGS)                                          \
    template <>                                                                 \
    struct Caller<N> {                                                          \
        static intptr_t run(uintptr_t f, const int32_t* a) {                    \
            (void)a;                                                            \
            return reinterpret_cast<intptr_t(WINAPI*) PARAMS>(f) ARGS;          \
        }                                                                       \
    };
TOLVEN_CALLER(0, (), ())
TOLVEN_CALLER(1, (A), (widen(a[0])))
TOLVEN_CALLER(2, (A, A), (widen(a[0]), widen(a[1])))
TOLVEN_CALLER(3, (A, A, A), (widen(a[0]), widen(a[1]), widen(a[2])))
TOLVEN_CALLER(4, (A, A, A, A), (widen(a[0]), widen(a[1]), widen(a[2]), widen(a[3])))
TOLVEN_CALLER(5, (A, A, A, A, A), (widen(a[0]), widen(a[1]), widen(a[2]), widen(a[3]), widen(a[4])))
TOLVEN_CALLER(6, (A, A, A, A, A, A), (widen(a[0]), widen(a[1]), widen(a[2]), widen(a[3]), widen(a[4]), widen(a[5])))
TOLVEN_CALLER(7, (A, A, A, A, A, A, A), (widen(a[0]), widen(a[1]), widen(a[2]), widen(a[3]), widen(a[4]), widen(a[5]), widen(a[6])))
TOLVEN_CALLER(8, (A, A, A, A, A, A, A, A), (widen(a[0]), widen(a[1]), widen(a[2]), widen(a[3]), widen(a[4]), widen(a[5]), widen(a[6]), widen(a[7])))
TOLVEN_CALLER(9, (A, A, A, A, A, A, A, A, A), (widen(a[0]), widen(a[1]), widen(a[2]), widen(a[3]), widen(a[4]), widen(a[5]), widen(a[6]), widen(a[7]), widen(a[8])))
TOLVEN_CALLER(10, (A, A, A, A, A, A, A, A, A, A), (widen(a[0]), widen(a[1]), widen(a[2]), widen(a[3]), widen(a[4]), widen(a[5]), widen(a[6]), widen(a[7]), widen(a[8]), widen(a[9])))
TOLVEN_CALLER(11, (A, A, A, A, A, A, A, A, A, A, A),
              (widen(a[0]), widen(a[1]), widen(a[2]), widen(a[3]), widen(a[4]), widen(a[5]), widen(a[6]), widen(a[7]), widen(a[8]), widen(a[9]), widen(a[10])))
TOLVEN_CALLER(12, (A, A, A, A, A, A, A, A, A, A, A, A),
              (widen(a[0]), widen(a[1]), widen(a[2]), widen(a[3]), widen(a[4]), widen(a[5]), widen(a[6]), widen(a[7]), widen(a[8]), widen(a[9]), widen(a[10]), widen(a[11])))
TOLVEN_CALLER(13, (A, A, A, A, A, A, A, A, A, A, A, A, A),
              (widen(a[0]), widen(a[1]), widen(a[2]), widen(a[3]), widen(a[4]), widen(a[5]), widen(a[6]), widen(a[7]), widen(a[8]), widen(a[9]), widen(a[10]), widen(a[11]), widen(a[12])))
TOLVEN_CALLER(14, (A, A, A, A, A, A, A, A, A, A, A, A, A, A),
              (widen(a[0]), widen(a[1]), widen(a[2]), widen(a[3]), widen(a[4]), widen(a[5]), widen(a[6]), widen(a[7]), widen(a[8]), widen(a[9]), widen(a[10]), widen(a[11]), widen(a[12]), widen(a[13])))
TOLVEN_CALLER(15, (A, A, A, A, A, A, A, A, A, A, A, A, A, A, A),
              (widen(a[0]), widen(a[1]), widen(a[2]), widen(a[3]), widen(a[4]), widen(a[5]), widen(a[6]), widen(a[7]), widen(a[8]), widen(a[9]), widen(a[10]), widen(a[11]), widen(a[12]), widen(a[13]), widen(a[14])))
#undef TOLVEN_CALLER

template <int... N>
intptr_t dispatch(uintptr_t f, const int32_t* a, int n, std::integer_sequence<int, N...>) {
    intptr_t r = 0;
    ((n == N ? (r = Caller<N>::run(f, a), true) : false) || ...);
    return r;
}

int32_t call_real(uintptr_t f, const int32_t* args, int count, std::string_view what) {
    if (count < 0 || count > kMaxArguments || f == 0) return 0;
    FaultGuard guard("DLL-Funktion ", what);
    const intptr_t r = dispatch(f, args, count, std::make_integer_sequence<int, kMaxArguments + 1>{});
    return narrow(r);
}

}  // namespace

uintptr_t real_address(uint32_t value) { return real_of(value); }

uint32_t load(const std::string& name) { return visible(reinterpret_cast<uintptr_t>(LoadLibraryA(name.c_str()))); }

void free(uint32_t handle) {
    if (handle) FreeLibrary(reinterpret_cast<HMODULE>(real_of(handle)));
}

uint32_t proc_address(uint32_t handle, const std::string& name) {
    FARPROC p = GetProcAddress(reinterpret_cast<HMODULE>(real_of(handle)), name.c_str());
    return visible(reinterpret_cast<uintptr_t>(p));
}

int32_t call(uint32_t address, const int32_t* args, int count, std::string_view what) {
    return call_real(real_of(address), args, count, what);
}

void run_guarded(std::string_view what, void (*body)(void*), void* context) {
    FaultGuard guard("", what);
    body(context);
}

int32_t call_named(const std::string& dll, const std::string& function, const int32_t* args, int count,
                   bool& called) {
    called = false;
    HMODULE m = LoadLibraryA(dll.c_str());
    if (!m) {
        raise_error(247, dll);
        return 0;
    }
    FARPROC p = GetProcAddress(m, function.c_str());
    if (!p) {
        raise_error(248, function);
        FreeLibrary(m);
        return 0;
    }
    called = true;
    const int32_t r = call_real(reinterpret_cast<uintptr_t>(p), args, count, function);
    FreeLibrary(m);
    return r;
}

}  // namespace tolven::dll
