// Times where a user of the tool waits on frames and on start-up, against
// FFmpeg doing the like on the same file.
//
//   frames_benchmark [folder] [rounds] [clipreel ...]   (defaults: /tmp, 5,
//                                                        the tool of this build)
//
// It writes a 1080p sample reel with the first tool named
// (`clipreel sample --units 60 --seconds-per-unit 4 --width 1920 --height
// 1080`: 60 units of 120 frames, a key frame every 15) and then, round after
// round in a rotating order, runs:
//   ffmpeg key frames  FFmpeg decoding every key frame of the reel into a
//                      tiled picture of every eighth (`-skip_frame nokey`)
//   sheet              `clipreel sheet`: the first frame of every unit, for
//                      each tool named (a build from before a change and one
//                      from after it, say)
//   start-up           `true`, `clipreel --version` and `clipreel info` of
//                      the reel, each run 10 times in a row per round
// and, once per tool, the frames_benchmark_run of its build (bench/ beside
// its cli/): the studio's poster of every unit in series (a grab, scaling
// and JPEG) in one process.
// Medians over the rounds are printed, with the cost of a frame: the sheet's
// time over its units, FFmpeg's over the key frames it decoded; the
// ratio of the two is what a sheet's frame costs in FFmpeg key-frame
// decodes. Alternating rounds let the load of a shared machine fall on every
// contender alike; the load average is printed before and after.

#include "bench/ChildProcess.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

double SecondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// Runs a program with its standard output into outputPath and its errors to
// /dev/null; its exit status, -1 when it could not run or was killed. Its
// processor time (user and system) is added to cpuSeconds when given.
int RunProcess(const std::vector<std::string>& argv, const std::string& outputPath = "/dev/null",
               double* cpuSeconds = nullptr) {
    const pid_t pid = clipreel::bench::StartProcess(argv, outputPath);
    if (pid < 0) return -1;
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) < 0) return -1;
    if (cpuSeconds != nullptr) *cpuSeconds += clipreel::bench::ProcessorSeconds(usage);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The time of one run of the program, or of `repeats` runs in a row divided
// by their number, from fork to exit and in processor time; a failure
// anywhere is remembered.
struct Timing {
    std::vector<double> seconds;
    std::vector<double> cpuSeconds;
    int failures = 0;
};

void Time(const std::vector<std::string>& argv, int repeats, Timing& timing) {
    const auto start = Clock::now();
    double cpu = 0;
    for (int i = 0; i < repeats; ++i) {
        if (RunProcess(argv, "/dev/null", &cpu) != 0) ++timing.failures;
    }
    timing.seconds.push_back(SecondsSince(start) / repeats);
    timing.cpuSeconds.push_back(cpu / repeats);
}

double Median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

std::string LoadAverage() {
    std::ifstream in("/proc/loadavg");
    std::string one, five, fifteen;
    in >> one >> five >> fifteen;
    return one + " " + five + " " + fifteen;
}

// The key frames of the reel's video, as ffprobe lists its packets.
unsigned CountKeyFrames(const fs::path& reel, const fs::path& scratch) {
    RunProcess({"ffprobe", "-v", "error", "-select_streams", "v:0", "-show_entries", "packet=flags", "-of", "csv=p=0",
                reel.string()},
               scratch.string());
    std::ifstream in(scratch);
    unsigned keys = 0;
    std::string line;
    while (std::getline(in, line)) keys += line.find('K') != std::string::npos;
    return keys;
}

std::map<std::string, double> ReadReport(const fs::path& path) {
    std::map<std::string, double> report;
    std::ifstream in(path);
    std::string name;
    double value = 0;
    while (in >> name >> value) report[name] = value;
    return report;
}

struct Contender {
    std::string name;
    std::vector<std::string> argv;
    double frames;  // decoded per run; 0 for a start-up
    int repeats;    // runs timed together
    Timing timing;
};

}

int main(int argc, char** argv) {
    const fs::path folder = argc > 1 ? fs::path(argv[1]) : fs::path("/tmp");
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    const fs::path here = fs::read_symlink("/proc/self/exe").parent_path();
    std::vector<std::string> tools;
    for (int i = 3; i < argc; ++i) tools.push_back(fs::absolute(argv[i]).string());
    if (tools.empty()) tools.push_back((here.parent_path() / "cli" / "clipreel").string());
    const fs::path reel = folder / "clipreel_frames_r60.mov";
    const fs::path sheet = folder / "clipreel_frames_sheet.jpg";
    const fs::path tiles = folder / "clipreel_frames_ffmpeg.jpg";
    const fs::path scratch = folder / "clipreel_frames_child.txt";
    std::printf("load average before: %s\n", LoadAverage().c_str());

    const auto written = Clock::now();
    if (RunProcess({tools[0], "sample", reel.string(), "--units", "60", "--seconds-per-unit", "4", "--width", "1920",
                    "--height", "1080", "-q", "-y"}) != 0) {
        std::fprintf(stderr, "cannot write the sample reel with %s\n", tools[0].c_str());
        return 1;
    }
    const unsigned keyFrames = CountKeyFrames(reel, scratch);
    std::printf("reel: 60 units of 120 frames (1920x1080), %u key frames, %.1f MiB, written in %.1f s\n", keyFrames,
                static_cast<double>(fs::file_size(reel)) / 1048576.0, SecondsSince(written));

    std::vector<Contender> contenders;
    contenders.push_back({"ffmpeg key frames",
                          {"ffmpeg", "-y", "-v", "error", "-skip_frame", "nokey", "-i", reel.string(), "-vf",
                           "select='not(mod(n\\,8))',scale=240:-1,tile=8x8", "-fps_mode", "passthrough", "-frames:v",
                           "1", tiles.string()},
                          static_cast<double>(keyFrames),
                          1,
                          {}});
    for (std::size_t t = 0; t < tools.size(); ++t) {
        const std::string suffix = tools.size() > 1 ? " (" + std::to_string(t + 1) + ")" : "";
        contenders.push_back({"sheet" + suffix, {tools[t], "sheet", reel.string(), sheet.string(), "-y"}, 60, 1, {}});
    }
    contenders.push_back({"true", {"true"}, 0, 10, {}});
    for (std::size_t t = 0; t < tools.size(); ++t) {
        const std::string suffix = tools.size() > 1 ? " (" + std::to_string(t + 1) + ")" : "";
        contenders.push_back({"clipreel --version" + suffix, {tools[t], "--version"}, 0, 10, {}});
        contenders.push_back({"clipreel info" + suffix, {tools[t], "info", reel.string()}, 0, 10, {}});
    }

    // A warm-up read so that every contender starts from the same cache.
    RunProcess({"cat", reel.string()});
    for (int round = 0; round < rounds; ++round) {
        for (std::size_t k = 0; k < contenders.size(); ++k) {
            Contender& c = contenders[(k + static_cast<std::size_t>(round)) % contenders.size()];
            Time(c.argv, c.repeats, c.timing);
        }
    }
    struct Posters {
        std::string name;
        int status;
        std::map<std::string, double> report;
    };
    std::vector<Posters> posters;
    for (std::size_t t = 0; t < tools.size(); ++t) {
        const fs::path runner = fs::path(tools[t]).parent_path().parent_path() / "bench" / "frames_benchmark_run";
        if (!fs::exists(runner)) continue;
        const std::string suffix = tools.size() > 1 ? " (" + std::to_string(t + 1) + ")" : "";
        const int status = RunProcess({runner.string(), reel.string()}, scratch.string());
        posters.push_back({"studio poster" + suffix, status, ReadReport(scratch)});
    }

    const double ffmpegFrame = Median(contenders[0].timing.seconds) / std::max(1.0, contenders[0].frames);
    const double ffmpegTotal = Median(contenders[0].timing.seconds);
    std::printf("\nmedians of %d alternating rounds\n", rounds);
    std::printf("%-24s %9s %7s %10s %13s %13s %8s\n", "", "s", "frames", "ms/frame", "x ffmpeg/frame", "x ffmpeg time",
                "failed");
    int failures = 0;
    for (const Contender& c : contenders) {
        failures += c.timing.failures;
        if (c.frames == 0) continue;
        const double seconds = Median(c.timing.seconds);
        const double perFrame = seconds / c.frames;
        std::printf("%-24s %9.3f %7.0f %10.2f %13.2f %13.2f %8d\n", c.name.c_str(), seconds, c.frames, perFrame * 1000,
                    perFrame / ffmpegFrame, seconds / ffmpegTotal, c.timing.failures);
    }
    for (const Posters& p : posters) {
        failures += p.status != 0;
        const auto poster = p.report.find("poster_ms");
        const auto first = p.report.find("first_poster_ms");
        if (poster == p.report.end() || first == p.report.end()) continue;
        std::printf("%-24s %9s %7s %10.2f %13.2f %13s %8d\n", p.name.c_str(), "", "1", poster->second,
                    poster->second / 1000 / ffmpegFrame, "", p.status != 0);
        std::printf("%-24s %9s %7s %10.2f %13.2f %13s %8s\n", "  the first one", "", "1", first->second,
                    first->second / 1000 / ffmpegFrame, "", "");
    }
    std::printf("\n%-24s %9s %9s %8s\n", "start-up", "ms", "cpu ms", "failed");
    for (const Contender& c : contenders) {
        if (c.frames != 0) continue;
        std::printf("%-24s %9.2f %9.2f %8d\n", c.name.c_str(), Median(c.timing.seconds) * 1000,
                    Median(c.timing.cpuSeconds) * 1000, c.timing.failures);
    }
    std::printf(
        "ms/frame: a run's time over the frames it decodes (a sheet: one per unit; ffmpeg: every key\n"
        "frame); x ffmpeg: against FFmpeg's key-frame pass; a studio poster: one unit's first frame\n"
        "grabbed, scaled and encoded in a running process (the first one loads the decoder); cpu ms:\n"
        "a start-up's user and system time, which the load of a shared machine stretches less\n");
    for (std::size_t t = 0; t < tools.size() && tools.size() > 1; ++t) {
        std::printf("(%zu) %s\n", t + 1, tools[t].c_str());
    }
    std::printf("load average after: %s\n", LoadAverage().c_str());

    for (const fs::path& path : {reel, sheet, tiles, scratch}) fs::remove(path);
    return failures == 0 ? 0 : 1;
}
