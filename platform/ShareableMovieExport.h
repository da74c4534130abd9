#ifndef CLIPREEL_PLATFORM_SHAREABLE_MOVIE_EXPORT_H
#define CLIPREEL_PLATFORM_SHAREABLE_MOVIE_EXPORT_H

#include <cstdint>
#include <functional>
#include <vector>

namespace clipreel {
namespace platform {

// One shooting unit to export: its video frames and its sound samples, both
// counted from the start of the source's tracks.
struct ExportedUnit {
    std::uint32_t firstFrame = 0;
    std::uint32_t frameCount = 0;
    std::uint64_t firstSoundSample = 0;
    std::uint64_t soundSampleCount = 0;  // 0 without sound
};

// The AAC bit rate unless the request names one: enough for the camera's
// sound to keep its clarity, a channel at a time.
constexpr std::uint32_t DefaultSoundBitRatePerChannel = 96000;

struct ShareableMovieRequest {
    const wchar_t* sourcePath = nullptr;
    const wchar_t* destinationPath = nullptr;
    std::vector<ExportedUnit> units;  // in output order
    std::uint32_t soundBitRate = 0;   // bits per second of the AAC sound; 0: the default
    // Called with the fraction done; false stops the export.
    std::function<bool(double)> progress;
};

enum class ExportStatus {
    Done,
    Cancelled,
    NotSupported,  // this build has no media libraries to export with
    CannotRead,    // the source's tracks cannot be read as the units describe
    CannotWrite,   // the destination cannot be created or written
    DiskFull,
    OutOfMemory,
    Failed  // the encoder or the writer refused the streams
};

// Whether this build can export at all (the media libraries are there).
bool shareableMovieExportAvailable();

// Writes an MP4 of the units in order: the H.264 frames copied packet for
// packet with their key-frame marks, the sound encoded as AAC-LC and cut at
// the same unit boundaries, each unit's sound starting with its first frame;
// the movie atom before the media data; the source's creation time and no
// other metadata. After a failure the destination may hold a partial file.
ExportStatus exportShareableMovie(const ShareableMovieRequest& request);

}
}

#endif
