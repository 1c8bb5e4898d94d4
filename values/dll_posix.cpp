// Natively there are no Windows DLLs: loading always fails.
#if !defined(_WIN32)
#include "core/errors.h"
#include "values/dll.h"

namespace tolven::dll {

uintptr_t real_address(uint32_t value) { return value; }
uint32_t load(const std::string&) { return 0; }
void free(uint32_t) {}
uint32_t proc_address(uint32_t, const std::string&) { return 0; }
int32_t call(uint32_t, const int32_t*, int, std::string_view what) {
    raise_error(207, what);
    return 0;
}
void run_guarded(std::string_view, void (*body)(void*), void* context) { body(context); }
int32_t call_named(const std::string& dll, const std::string&, const int32_t*, int, bool& called) {
    called = false;
    raise_error(247, dll);
    return 0;
}

}  // namespace tolven::dll
#endif
