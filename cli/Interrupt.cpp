#include "cli/Interrupt.h"

#include <atomic>
#include <csignal>

namespace clipreel {
namespace cli {

namespace {

volatile std::sig_atomic_t interruptFlag = 0;
std::atomic<int> cooperativeScopes{0};

static_assert(std::atomic<int>::is_always_lock_free, "the signal handler reads the scope count");

}

bool InterruptRequested() {
    return interruptFlag != 0;
}

void RequestInterrupt() {
    interruptFlag = 1;
}

void ClearInterrupt() {
    interruptFlag = 0;
}

CooperativeCancel::CooperativeCancel() {
    ++cooperativeScopes;
}

CooperativeCancel::~CooperativeCancel() {
    --cooperativeScopes;
}

bool CooperativeCancelActive() {
    return cooperativeScopes.load() > 0;
}

}
}
