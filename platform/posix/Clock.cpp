#include "platform/Clock.h"

#include <time.h>

namespace clipreel {
namespace platform {

std::int64_t CurrentTime64() {
    struct timespec now {};
    if (clock_gettime(CLOCK_REALTIME, &now) != 0) return 0;
    return static_cast<std::int64_t>(now.tv_sec);
}

}
}
