#ifndef CLIPREEL_STUDIO_WORKER_LANE_H
#define CLIPREEL_STUDIO_WORKER_LANE_H

#include "Connection.h"

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace clipreel {
namespace studio {

// A few threads that serve one kind of request, with a short queue in
// front: the page's quick requests never wait behind event streams or
// movie transfers, which have a lane of their own. A connection that finds
// the queue full is closed.
class WorkerLane {
public:
    using Serve = std::function<void(Connection&)>;

    WorkerLane(std::size_t threads, std::size_t queueLimit, Serve serve);
    // Closes what still waits and joins the threads (each finishes the
    // connection it serves).
    ~WorkerLane();
    WorkerLane(const WorkerLane&) = delete;
    WorkerLane& operator=(const WorkerLane&) = delete;

    // False (and the connection closed) when the queue is full or the lane
    // stopped.
    bool Take(std::unique_ptr<Connection> connection);
    void Stop();

private:
    void Work();

    const std::size_t queueLimit;
    const Serve serve;
    std::mutex lock;
    std::condition_variable waiting;
    std::deque<std::unique_ptr<Connection>> queue;
    bool stopping = false;
    std::vector<std::thread> threads;
};

}
}

#endif
