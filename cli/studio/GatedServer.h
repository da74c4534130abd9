#ifndef CLIPREEL_STUDIO_GATED_SERVER_H
#define CLIPREEL_STUDIO_GATED_SERVER_H

#include "ConnectionGate.h"
#include "WorkerLane.h"

#include <httplib.h>

#include <atomic>
#include <functional>
#include <memory>

namespace clipreel {
namespace studio {

// The HTTP library's server with the studio's own way of taking
// connections: each waits at the connection gate until its head came
// whole, and then goes to the lane its head asks for: the page's quick
// requests, its frame pictures (each may need a decode), the long ones
// (event streams, movie transfers), or the refused (no valid token or
// Host), whose 403 the library still writes. One request
// per connection: nothing waits on an idle connection. The library parses
// and routes every request as usual.
class GatedServer : public httplib::Server {
public:
    enum class Lane { Page, Pictures, Long, Refused };
    using Classify = std::function<Lane(const RequestHead&)>;

    explicit GatedServer(Classify classify);
    // Closes every connection and joins the threads before the library's
    // server goes.
    ~GatedServer() override;

    // After stop(): closes waiting connections and fails the writes of
    // those being served.
    void Close();

private:
    bool process_and_close_socket(socket_t socket) override;
    void Pass(std::unique_ptr<Connection> connection);
    void Serve(Connection& connection);

    const Classify classify;
    std::atomic<bool> closing{false};
    std::unique_ptr<WorkerLane> page;
    std::unique_ptr<WorkerLane> pictures;
    std::unique_ptr<WorkerLane> longRequests;
    std::unique_ptr<WorkerLane> refused;
    std::unique_ptr<ConnectionGate> gate;
};

}
}

#endif
