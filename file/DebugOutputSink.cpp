#include "file/DebugOutputSink.h"

#include "DebugOutput.h"
#include "platform/DebugChannel.h"

#include <mutex>

namespace clipreel {

namespace {

// The sink and its user data change together. The lock is held while the
// sink runs, so that once ClipreelSetDebugOutputSink returns no other thread
// is still inside the previous sink; it is recursive because a sink may
// itself call into the library and log.
struct DebugSink {
    std::recursive_mutex lock;
    ClipreelDebugOutputSink sink = nullptr;
    void* userData = nullptr;
};

DebugSink& TheDebugSink() {
    static DebugSink instance;
    return instance;
}

}

void SendDebugLine(const char* line) {
    if (line == nullptr) return;
    DebugSink& state = TheDebugSink();
    std::lock_guard<std::recursive_mutex> guard(state.lock);
    if (state.sink != nullptr) {
        state.sink(line, state.userData);
    } else {
        platform::SendSystemDebugLine(line);
    }
}

}

void ClipreelSetDebugOutputSink(ClipreelDebugOutputSink sink, void* userData) {
    auto& state = clipreel::TheDebugSink();
    std::lock_guard<std::recursive_mutex> guard(state.lock);
    state.sink = sink;
    state.userData = sink != nullptr ? userData : nullptr;
}
