#ifndef CLIPREEL_STUDIO_FRAME_CACHE_H
#define CLIPREEL_STUDIO_FRAME_CACHE_H

#include <cstddef>
#include <cstdint>
#include <list>
#include <map>
#include <mutex>
#include <utility>
#include <vector>

namespace clipreel {
namespace studio {

// The frame pictures of one reel already made, up to a number of bytes:
// the picture used longest ago goes first when a new one does not fit.
// Its own lock is held only to look up or keep a picture, never while one
// is made.
class FrameCache {
public:
    explicit FrameCache(std::size_t byteLimit);

    // The picture of frame `frame` of original unit `unit`, when kept.
    bool Find(unsigned unit, unsigned frame, std::vector<std::uint8_t>& jpeg);
    void Keep(unsigned unit, unsigned frame, const std::vector<std::uint8_t>& jpeg);

    std::size_t Bytes() const;
    std::size_t Count() const;

private:
    using Key = std::pair<unsigned, unsigned>;
    struct Entry {
        Key key;
        std::vector<std::uint8_t> jpeg;
    };

    const std::size_t byteLimit;
    mutable std::mutex lock;
    std::list<Entry> used;  // most recently used first
    std::map<Key, std::list<Entry>::iterator> entries;
    std::size_t bytes = 0;
};

}
}

#endif
