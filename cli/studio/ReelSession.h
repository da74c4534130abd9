#ifndef CLIPREEL_STUDIO_REEL_SESSION_H
#define CLIPREEL_STUDIO_REEL_SESSION_H

#include "FrameCache.h"
#include "ZentiMovFile.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class CMovieFrames;

namespace clipreel {
namespace studio {

// One reel open in the studio: its camera data, the units the page keeps in
// their chosen order, and the frame pictures already grabbed. The server's
// threads share it: the order takes the session's lock, the pictures their
// cache's, and a frame is decoded under a lock of its own, so a slow decode
// holds up only other decodes of the reel.
class ReelSession {
public:
    // The reel at path, or null with a reason in error.
    static std::unique_ptr<ReelSession> Open(const std::filesystem::path& path, std::string& error);
    ~ReelSession();

    const std::filesystem::path& Path() const { return path; }

    // What `clipreel info --json` says, the current editing state ("order",
    // original unit numbers) and the bytes of the file that are not unit data
    // ("header_bytes", for the page's size estimate), and the file's "path",
    // "file_size" and "modified" time (an opaque count).
    nlohmann::json Describe() const;

    std::vector<unsigned> Order() const;
    // Takes a new order when it names each unit at most once, at least one;
    // otherwise false with the reason.
    bool SetOrder(const std::vector<unsigned>& order, std::string& error);

    // A JPEG of frame `frame` of original unit `unit`, 160 x 120; false when
    // either is out of range or the frame cannot be decoded.
    bool FramePicture(unsigned unit, unsigned frame, std::vector<std::uint8_t>& jpeg);

    unsigned UnitCount() const { return unitCount; }

    // The most bytes of frame pictures a reel keeps.
    static constexpr std::size_t FrameCacheBytes = 16 * 1024 * 1024;

private:
    ReelSession(std::filesystem::path path, std::unique_ptr<CZentiMovFile> file);

    const std::filesystem::path path;
    const std::unique_ptr<CZentiMovFile> file;
    const std::unique_ptr<CMovieFrames> frames;
    nlohmann::json report;
    unsigned unitCount = 0;
    std::vector<unsigned> firstFrames;  // by original unit number
    std::vector<unsigned> frameCounts;
    mutable std::mutex lock;
    std::vector<unsigned> order;
    std::mutex decoding;  // the frame reader decodes one frame at a time
    FrameCache pictures{FrameCacheBytes};
};

}
}

#endif
