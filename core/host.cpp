#include "core/host.h"

#include <cstdlib>

namespace tolven {

namespace {
Host* current_host = nullptr;
}

Host& host() {
    if (!current_host) std::abort();  // a build without a host is a programming error
    return *current_host;
}

void set_host(Host* h) { current_host = h; }

}  // namespace tolven
