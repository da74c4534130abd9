#include "ConnectionGate.h"

#include <algorithm>

namespace clipreel {
namespace studio {

namespace {

// How long one look at the waiting connections lasts: new arrivals join the
// watch at most this late.
constexpr std::chrono::milliseconds LookTime{20};

}

constexpr std::chrono::milliseconds ConnectionGate::HeadTime;
constexpr std::size_t ConnectionGate::MaxWaiting;

ConnectionGate::ConnectionGate(Pass passOn) : pass(std::move(passOn)) {
    watcher = std::thread([this]() { Watch(); });
}

ConnectionGate::~ConnectionGate() {
    Stop();
    watcher.join();
}

void ConnectionGate::Admit(socket_t socket) {
    auto connection = std::make_unique<Connection>(socket);
    std::unique_ptr<Connection> oldest;
    {
        const std::lock_guard<std::mutex> guard(lock);
        if (stopping) return;
        if (waiting.size() >= MaxWaiting) {
            oldest = std::move(waiting.front());
            waiting.erase(waiting.begin());
        }
        waiting.push_back(std::move(connection));
    }
    arrived.notify_one();
}

void ConnectionGate::Stop() {
    std::vector<std::unique_ptr<Connection>> dropped;
    {
        const std::lock_guard<std::mutex> guard(lock);
        stopping = true;
        dropped.swap(waiting);
    }
    arrived.notify_all();
}

void ConnectionGate::Watch() {
    std::vector<std::unique_ptr<Connection>> watched;
    for (;;) {
        {
            std::unique_lock<std::mutex> guard(lock);
            arrived.wait(guard, [&]() { return stopping || !waiting.empty() || !watched.empty(); });
            if (stopping) return;
            for (auto& connection : waiting) watched.push_back(std::move(connection));
            waiting.clear();
        }
        std::vector<socket_t> sockets;
        for (const auto& connection : watched) sockets.push_back(connection->socket);
        const std::vector<bool> readable = ReadableSockets(sockets, LookTime);
        const auto now = std::chrono::steady_clock::now();
        for (std::size_t i = 0; i < watched.size(); ++i) {
            if (readable[i] && Receive(watched[i])) continue;
            if (now - watched[i]->arrived > HeadTime) watched[i].reset();
        }
        watched.erase(std::remove(watched.begin(), watched.end(), nullptr), watched.end());
        // The limit holds for all waiting, whichever list they are in.
        while (watched.size() > MaxWaiting) watched.erase(watched.begin());
    }
}

bool ConnectionGate::Receive(std::unique_ptr<Connection>& connection) {
    // Read into the gate's one buffer; a connection keeps only what came.
    std::string& received = connection->received;
    const std::ptrdiff_t count = ReceiveSocket(connection->socket, buffer.data(),
                                               std::min(buffer.size(), RequestHead::MaxBytes - received.size()));
    if (count <= 0) {
        // The client is gone, or its connection failed.
        connection.reset();
        return true;
    }
    received.append(buffer.data(), static_cast<std::size_t>(count));
    if (RequestHead::EndOf(received) != 0) {
        connection->understood = RequestHead::Parse(received, connection->head);
        pass(std::move(connection));
        return true;
    }
    if (received.size() >= RequestHead::MaxBytes) {
        connection.reset();
        return true;
    }
    return false;
}

}
}
