#include "WorkerLane.h"

namespace clipreel {
namespace studio {

WorkerLane::WorkerLane(std::size_t count, std::size_t limit, Serve serveOne)
    : queueLimit(limit), serve(std::move(serveOne)) {
    for (std::size_t i = 0; i < count; ++i) threads.emplace_back([this]() { Work(); });
}

WorkerLane::~WorkerLane() {
    Stop();
    for (std::thread& thread : threads) thread.join();
}

bool WorkerLane::Take(std::unique_ptr<Connection> connection) {
    {
        const std::lock_guard<std::mutex> guard(lock);
        if (stopping || queue.size() >= queueLimit) return false;
        queue.push_back(std::move(connection));
    }
    waiting.notify_one();
    return true;
}

void WorkerLane::Stop() {
    std::deque<std::unique_ptr<Connection>> dropped;
    {
        const std::lock_guard<std::mutex> guard(lock);
        stopping = true;
        dropped.swap(queue);
    }
    waiting.notify_all();
}

void WorkerLane::Work() {
    for (;;) {
        std::unique_ptr<Connection> connection;
        {
            std::unique_lock<std::mutex> guard(lock);
            waiting.wait(guard, [this]() { return stopping || !queue.empty(); });
            if (stopping) return;
            connection = std::move(queue.front());
            queue.pop_front();
        }
        serve(*connection);
    }
}

}
}
