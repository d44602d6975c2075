#include "core/system.hpp"

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace orv {

void ORV_exit(int status) {
    std::fflush(nullptr);
    std::exit(status);
}

int ORV_get_pid() { return static_cast<int>(getpid()); }

}  // namespace orv
