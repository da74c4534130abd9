#ifndef CLIPREEL_TESTS_EDITOR_SAVE_DECODED_MEDIA_H
#define CLIPREEL_TESTS_EDITOR_SAVE_DECODED_MEDIA_H

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace clipreel {
namespace test {

// What FFmpeg decodes from a movie, as its framemd5 muxer reports it: the
// MD5 of every decoded video frame in order, and of the decoded sound in
// pieces of one unit's samples each (so one hash per unit, whatever packets
// the demuxer cut the chunks into).
struct DecodedMedia {
    bool decoded = false;
    std::string errors;
    std::vector<std::string> frames;
    std::vector<std::string> soundUnits;
};

// The video stream as ffprobe reads it in one pass: per packet whether the
// sync sample table marks it, per decoded frame whether the decoder made it
// a key frame, and every other line ffprobe wrote (its errors). extraInput
// goes before the file name (options such as -enable_drefs).
struct ProbedKeyFrames {
    std::vector<bool> marked;
    std::vector<bool> decodedKey;
    std::vector<std::string> otherLines;
    int status = -1;
};
ProbedKeyFrames ProbeKeyFrames(const std::filesystem::path& movie, const std::string& extraInput = "");

// soundSamplesPerUnit 0: the sound is not decoded.
DecodedMedia DecodeWithFfmpeg(const std::filesystem::path& movie, unsigned soundSamplesPerUnit);

// The part of a decoded reel that these units (original indices) hold, in
// the given order.
DecodedMedia UnitsOf(const DecodedMedia& reel, const std::vector<unsigned>& units, unsigned framesPerUnit);

// Concatenates decoded reels, in order.
DecodedMedia Concatenated(const std::vector<DecodedMedia>& parts);

// Checks that a written reel's thumbnail shows the colour the sample writer
// paints unit `paintedUnit` with (its top rows, above the drawn number).
void ExpectThumbnailShowsUnit(const std::filesystem::path& file, unsigned paintedUnit);

// Checks that a written file is a camera reel this library accepts again:
// a valid Clipreel movie of `units` units of framesPerUnit frames whose
// camera record states the file's size and an image identifier other than
// `oldImageId`'s (the source thumbnail's bytes, or empty to skip).
void ExpectCameraReel(const std::filesystem::path& file, unsigned units, unsigned framesPerUnit,
                      const std::vector<std::uint8_t>& sourceThumbnail);

}
}

#endif
