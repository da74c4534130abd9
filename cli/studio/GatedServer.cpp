#include "GatedServer.h"

#include "GatedStream.h"

namespace clipreel {
namespace studio {

namespace {

// The library hands each accepted connection to a task queue; the gate
// takes it at once, on the accepting thread.
class AdmitAtOnce : public httplib::TaskQueue {
public:
    void enqueue(std::function<void()> task) override { task(); }
    void shutdown() override {}
};

}

GatedServer::GatedServer(Classify classifier) : classify(std::move(classifier)) {
    const WorkerLane::Serve serve = [this](Connection& connection) { Serve(connection); };
    page = std::make_unique<WorkerLane>(4, 64, serve);
    pictures = std::make_unique<WorkerLane>(2, 256, serve);
    longRequests = std::make_unique<WorkerLane>(8, 16, serve);
    refused = std::make_unique<WorkerLane>(1, 16, serve);
    gate = std::make_unique<ConnectionGate>(
        [this](std::unique_ptr<Connection> connection) { Pass(std::move(connection)); });
    // The library owns the queue it is given (and deletes it).
    new_task_queue = []() -> httplib::TaskQueue* { return std::make_unique<AdmitAtOnce>().release(); };
    set_socket_options(ListenAlone);
}

GatedServer::~GatedServer() {
    Close();
    // The gate first: it hands connections to the lanes.
    gate.reset();
    page.reset();
    pictures.reset();
    longRequests.reset();
    refused.reset();
}

void GatedServer::Close() {
    closing = true;
    gate->Stop();
    page->Stop();
    pictures->Stop();
    longRequests->Stop();
    refused->Stop();
}

bool GatedServer::process_and_close_socket(socket_t socket) {
    if (closing) {
        CloseSocket(socket);
        return false;
    }
    gate->Admit(socket);
    return true;
}

void GatedServer::Pass(std::unique_ptr<Connection> connection) {
    const Lane lane = connection->understood ? classify(connection->head) : Lane::Refused;
    WorkerLane& worker = lane == Lane::Page       ? *page
                         : lane == Lane::Pictures ? *pictures
                         : lane == Lane::Long     ? *longRequests
                                                  : *refused;
    worker.Take(std::move(connection));
}

void GatedServer::Serve(Connection& connection) {
    GatedStream stream(connection, closing);
    bool closed = false;
    process_request(stream, true, closed, nullptr);
}

}
}
