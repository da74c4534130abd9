#include "platform/Clock.h"

#include <time.h>

namespace clipreel {
namespace platform {

std::int64_t CurrentTime64() {
    return static_cast<std::int64_t>(_time64(nullptr));
}

}
}
