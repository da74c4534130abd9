#ifndef CLIPREEL_STUDIO_CONNECTION_GATE_H
#define CLIPREEL_STUDIO_CONNECTION_GATE_H

#include "Connection.h"

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace clipreel {
namespace studio {

// Where every accepted connection waits until its request's head has come
// whole, watched by one thread for all of them, so that no worker is held
// by a client that sends slowly, sends nothing, or sends headers without
// end. A head must come within HeadTime and RequestHead::MaxBytes;
// otherwise, and when more than MaxWaiting connections wait (the oldest
// goes), the connection is closed unanswered. A whole head is handed on.
class ConnectionGate {
public:
    static constexpr std::chrono::milliseconds HeadTime{5000};
    static constexpr std::size_t MaxWaiting = 128;

    // Called on the gate's thread with each connection whose head came.
    using Pass = std::function<void(std::unique_ptr<Connection>)>;

    explicit ConnectionGate(Pass pass);
    // Stops, closing what still waits.
    ~ConnectionGate();
    ConnectionGate(const ConnectionGate&) = delete;
    ConnectionGate& operator=(const ConnectionGate&) = delete;

    void Admit(socket_t socket);
    void Stop();

private:
    void Watch();
    // Reads what came on a waiting connection: true when it is done with
    // (handed on or closed).
    bool Receive(std::unique_ptr<Connection>& connection);

    const Pass pass;
    std::vector<char> buffer = std::vector<char>(4096);  // the watcher's alone
    std::mutex lock;
    std::condition_variable arrived;
    std::vector<std::unique_ptr<Connection>> waiting;  // oldest first
    bool stopping = false;
    std::thread watcher;
};

}
}

#endif
