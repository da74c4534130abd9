#include "FrameCache.h"

namespace clipreel {
namespace studio {

FrameCache::FrameCache(std::size_t limit) : byteLimit(limit) {}

bool FrameCache::Find(unsigned unit, unsigned frame, std::vector<std::uint8_t>& jpeg) {
    const std::lock_guard<std::mutex> guard(lock);
    const auto found = entries.find(Key(unit, frame));
    if (found == entries.end()) return false;
    used.splice(used.begin(), used, found->second);
    jpeg = found->second->jpeg;
    return true;
}

void FrameCache::Keep(unsigned unit, unsigned frame, const std::vector<std::uint8_t>& jpeg) {
    if (jpeg.size() > byteLimit) return;
    const Key key(unit, frame);
    const std::lock_guard<std::mutex> guard(lock);
    if (entries.count(key) != 0) return;  // made twice at once: the first stays
    while (!used.empty() && bytes + jpeg.size() > byteLimit) {
        bytes -= used.back().jpeg.size();
        entries.erase(used.back().key);
        used.pop_back();
    }
    used.push_front({key, jpeg});
    entries[key] = used.begin();
    bytes += jpeg.size();
}

std::size_t FrameCache::Bytes() const {
    const std::lock_guard<std::mutex> guard(lock);
    return bytes;
}

std::size_t FrameCache::Count() const {
    const std::lock_guard<std::mutex> guard(lock);
    return entries.size();
}

}
}
