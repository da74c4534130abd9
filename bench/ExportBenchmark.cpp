// Times `clipreel export` of a large sample reel against what a user would
// otherwise type:
//
//   ffmpeg -i REEL -c:v copy -c:a aac -movflags +faststart OUT.mp4
//
// Both copy the H.264 frames, encode the PCM sound with FFmpeg's own AAC
// encoder and move the movie atom before the media data. One run each, on
// the same reel, one after the other, each after a sync; the export at
// ffmpeg's default AAC bit rate for stereo (128 kbit/s), so that both
// encoders do the same work.
//
//   export_benchmark [folder] [MiB]      (defaults: /tmp, 1024)
//
// The reel has real H.264 frames (ffmpeg cannot read the sample writer's
// placeholder frames), 320 x 240 at 29.97 fps, one-second units, and the
// camera's 48 kHz 16-bit stereo sound, which makes up most of its bytes.

#include "bench/ChildProcess.h"
#include "sample/SampleMovieWriter.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;
constexpr double MiB = 1048576.0;

struct Run {
    double seconds = 0;
    double cpuSeconds = 0;
    long maxRssKiB = 0;
    int status = -1;
};

// Runs a program with its output thrown away.
Run RunProcess(const std::vector<std::string>& argv) {
    Run run;
    ::sync();
    const auto start = Clock::now();
    const pid_t pid = clipreel::bench::StartProcess(argv, "/dev/null");
    int status = 0;
    struct rusage usage {};
    if (pid < 0 || wait4(pid, &status, 0, &usage) < 0) return run;
    run.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    run.cpuSeconds = clipreel::bench::ProcessorSeconds(usage);
    run.maxRssKiB = usage.ru_maxrss;
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

void Report(const char* name, const Run& run, const fs::path& output) {
    std::error_code error;
    const auto size = fs::file_size(output, error);
    std::printf("%-16s %8.2f s wall %8.2f s cpu %8ld KiB peak %10.1f MiB out  exit %d\n", name, run.seconds,
                run.cpuSeconds, run.maxRssKiB, error ? 0.0 : size / MiB, run.status);
}

}

int main(int argc, char** argv) {
    const fs::path folder = argc > 1 ? fs::path(argv[1]) : fs::path("/tmp");
    const double wanted = argc > 2 ? std::atof(argv[2]) : 1024.0;
    if (!clipreel::sample::HaveH264()) {
        std::fprintf(stderr, "the sample writer has no H.264 encoder in this build\n");
        return 1;
    }
    const fs::path reel = folder / "export-bench.mov";
    const fs::path ours = folder / "export-bench-clipreel.mp4";
    const fs::path theirs = folder / "export-bench-ffmpeg.mp4";

    clipreel::sample::SampleMovieSpec spec;
    spec.frames = clipreel::sample::FrameContent::H264;
    // A one-second unit: 48048 stereo 16-bit samples and 30 small frames
    // (the pictures are plain colours).
    const double unitBytes = 48048.0 * 4 + 6000;
    spec.units = static_cast<unsigned>(wanted * MiB / unitBytes) + 1;
    std::printf("writing a reel of %u one-second units...\n", spec.units);
    const auto writing = Clock::now();
    clipreel::sample::WriteSampleMovie(reel, spec);
    std::printf("reel: %.1f MiB, written in %.1f s\n", fs::file_size(reel) / MiB,
                std::chrono::duration<double>(Clock::now() - writing).count());

    // At ffmpeg's own bit rate for stereo AAC, so both encode the same.
    const Run clipreelRun =
        RunProcess({CLIPREEL_TOOL_PATH, "export", reel.string(), ours.string(), "-q", "-y", "--sound-bitrate", "128k"});
    const Run ffmpegRun = RunProcess({"ffmpeg", "-v", "error", "-y", "-i", reel.string(), "-c:v", "copy", "-c:a", "aac",
                                      "-movflags", "+faststart", theirs.string()});
    Report("clipreel export", clipreelRun, ours);
    Report("ffmpeg", ffmpegRun, theirs);
    if (ffmpegRun.seconds > 0)
        std::printf("clipreel / ffmpeg: %.2f (wall), %.2f (cpu)\n", clipreelRun.seconds / ffmpegRun.seconds,
                    ffmpegRun.cpuSeconds > 0 ? clipreelRun.cpuSeconds / ffmpegRun.cpuSeconds : 0.0);
    for (const fs::path& file : {reel, ours, theirs}) fs::remove(file);
    return clipreelRun.status == 0 && ffmpegRun.status == 0 ? 0 : 1;
}
