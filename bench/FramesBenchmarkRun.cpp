// The studio's side of frames_benchmark: the poster of every unit of a reel
// in series, through one CMovieFrames (a grab, the 160 x 120 scaling and the
// JPEG), printing "name value" lines: the first poster's time (it loads the
// decoder) and the median of the others, in milliseconds.
//
//   frames_benchmark_run <reel>

#include "ClipreelMovie.h"
#include "MovieFrames.h"
#include "ZentiMovFile.h"
#include "ZentiMovie.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <reel>\n", argv[0]);
        return 2;
    }
    const std::wstring path = std::filesystem::path(argv[1]).wstring();
    const CZentiMovFile file(FileLocator(path.c_str()));
    const CClipreelMovie reel(&file);
    if (!file.IsValid() || !reel.IsValid()) return 100;
    const CZentiMovie& movie = *file.GetZentiMovie();
    const CMovieFrames frames(file.GetFileLocator());
    std::vector<double> milliseconds;
    for (unsigned unit = 0; unit < reel.GetShootingUnitCount(); ++unit) {
        const auto start = std::chrono::steady_clock::now();
        const std::int64_t time =
            CMovieFrames::FrameMiddleTime(reel.GetShootingUnit(unit).GetOriginalStartVideoSampleIndex(),
                                          movie.GetVideoMediaTimeScale(), movie.GetVideoFrameDuration());
        CRgbPicture picture;
        std::vector<std::uint8_t> jpeg;
        if (!frames.GrabThumbnail(time, picture) || !CMovieFrames::EncodeJpeg(picture, jpeg)) return 101;
        milliseconds.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::printf("first_poster_ms %.3f\n", milliseconds.front());
    std::vector<double> others(milliseconds.begin() + 1, milliseconds.end());
    if (others.empty()) others = milliseconds;
    std::sort(others.begin(), others.end());
    std::printf("poster_ms %.3f\n", others[others.size() / 2]);
    return 0;
}
