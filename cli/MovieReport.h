#ifndef CLIPREEL_CLI_MOVIE_REPORT_H
#define CLIPREEL_CLI_MOVIE_REPORT_H

#include "FileLocator.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <string>

class CZentiMovFile;
class CSoundFormatInfo;

namespace clipreel {
namespace cli {

struct FileLayout;

// The version of the JSON that `info --json` prints; it changes when a
// field is renamed or removed (the output before versions counts as 1).
constexpr int ReportFormatVersion = 2;

// What `clipreel info` says about a movie file, as one JSON object with the
// field names the README documents, in reading order: ffprobe's names where
// it has the field (seconds under "duration" and "start_time", ticks under
// "duration_ts" and "start_pts", beside "time_base"), the camera's own
// facts after. The text form is printed from the same object, so both
// always agree. layout, when read, adds the file's size and the video's
// codec and frame size.
nlohmann::ordered_json DescribeMovieFile(const CZentiMovFile& file, const std::string& displayPath,
                                         const FileLayout* layout = nullptr);

// A sound format as {"codec_type", "codec_name", "codec_tag_string",
// "sample_rate", "channels", "bits_per_sample", "time_base",
// "bytes_per_frame"}; null for an invalid one.
nlohmann::ordered_json DescribeSoundFormat(const CSoundFormatInfo& format);

// The first field in which one sound format (a WAV's, a reel's) differs
// from another's (the movie's, the first reel's; other names it), with both
// values: "sound: 1 channel, the movie has 2"; "the movie has no sound" when
// that one is null.
std::string SoundDifference(const nlohmann::ordered_json& sound, const nlohmann::ordered_json& movie,
                            const std::string& other = "the movie");

// FFmpeg's name for the decoder of a QuickTime sound tag: "pcm_s16le" for
// 'sowt', "pcm_u8" for 'raw '; the tag itself when it knows none.
std::string SoundCodecName(const std::string& tag, unsigned bitsPerSample);

// For a file cut short: what `clipreel salvage` can do with it, as the end
// of the sentence that says what is wrong ("; `clipreel salvage` can
// recover 2 of its 4 shooting units", or why it cannot), and as JSON in
// salvage: {shooting_units, recoverable_units, refusal}.
std::string DescribeSalvage(const FileLocator& locator, nlohmann::ordered_json& salvage);

void PrintMovieReport(const nlohmann::ordered_json& report, std::FILE* out);

// A four-character code as text, non-printable bytes as '?'.
std::string FourCCText(std::uint32_t code);

}
}

#endif
