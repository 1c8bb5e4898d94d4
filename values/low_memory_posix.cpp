// The native (Linux) side of the low memory range, for the unit tests and
// tools: MAP_32BIT places mappings in the first 2 GB.
#if !defined(_WIN32)
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>

#include "values/low_memory.h"

namespace tolven::platform {

uintptr_t reserve_low(size_t wanted, size_t& got) {
    for (size_t size = wanted; size >= (size_t(1) << 24); size /= 2) {
        void* p = mmap(nullptr, size, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE | MAP_32BIT, -1, 0);
        if (p == MAP_FAILED) continue;
        if (reinterpret_cast<uintptr_t>(p) + size > 0x80000000u) {
            munmap(p, size);
            continue;
        }
        got = size;
        return reinterpret_cast<uintptr_t>(p);
    }
    got = 0;
    return 0;
}

bool commit(uintptr_t start, size_t bytes) {
    return mprotect(reinterpret_cast<void*>(start), bytes, PROT_READ | PROT_WRITE) == 0;
}

// The kernel tells whether memory is readable: writing it to a pipe fails
// with EFAULT instead of faulting.
bool readable(uintptr_t start, size_t bytes) {
    int fds[2];
    if (pipe(fds) != 0) return false;
    bool ok = true;
    const size_t chunk = 4096;
    for (size_t done = 0; done < bytes && ok; done += chunk) {
        size_t n = bytes - done < chunk ? bytes - done : chunk;
        ssize_t w = write(fds[1], reinterpret_cast<const void*>(start + done), n);
        ok = w >= 0 || errno != EFAULT;
        char sink[4096];
        if (w > 0) (void)!read(fds[0], sink, static_cast<size_t>(w));
    }
    close(fds[0]);
    close(fds[1]);
    return ok;
}

// Natively only the low range itself is known to be writable.
bool writable(uintptr_t, size_t) { return false; }

}  // namespace tolven::platform
#endif
