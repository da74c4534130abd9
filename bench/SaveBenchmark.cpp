// Times the library's writes of a large sample reel against the physical
// limit, cp of the same file, and against ffmpeg copying the same kept units
// without re-encoding (-c copy); times opening a reel of 40 units and one of
// 10,000 units (of 15 frames, and of 30 frames with stereo sound); and
// reports each one's peak memory.
//
//   save_benchmark [folder] [MiB] [rounds]      (defaults: /tmp, 1024, 5)
//
// The contenders:
//   cp              cp of the reel
//   cp + sync       the same, then sync: the copy on the disk
//   edited save     CreateNewMovFile with the last unit removed
//   edited save, buffer
//                   the same with the copies inside the system turned off,
//                   as on a system without them (Windows): every byte
//                   through the save's one buffer
//   unchanged copy  CreateNewMovFile with the unedited reel
//   reference movie CreateReferenceMovFile with the last unit removed
//   clipreel edit   the tool's edited save (where the tool is built): the
//                   library's save into the tool's temporary, flushed to the
//                   disk before it is renamed into place, and the folder
//                   flushed after; to be read against cp + sync
//   ffmpeg -c copy  the movie up to the removed last unit (the dummy frames
//                   of a reel this size are not real H.264, and ffmpeg's
//                   concat demuxer refuses streams it cannot probe)
//   open, 40 / 10,000 units / 10,000 x 30 frames
//                   CZentiMovFile's constructor, then CClipreelMovie's (the
//                   reel model); the last reel has 300,000 frames, 10,000
//                   stereo sound chunks and a movie atom of 2.5 MB
//
// Every measured run is its own process (save_benchmark_run, beside this
// program, or cp, or ffmpeg), so that its peak resident size (ru_maxrss
// from wait4) is its own, and its start is that of a program that uses the
// library alone (this one also links the sample writer, and with it
// FFmpeg). The rounds alternate: each round runs every contender once, in
// an order that rotates from round to round, each after a sync so that no
// dirty pages of an earlier one are left to write back. Medians over the
// rounds are reported; ratios are of process times.

#include "bench/ChildProcess.h"
#include "sample/SampleMovieWriter.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;
constexpr double MiB = 1048576.0;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

struct Run {
    double seconds = 0;
    long maxRssKiB = 0;
    int status = -1;
    std::map<std::string, double> reported;  // the child's own "name value" lines
};

// Runs a program; its standard output goes to outputPath, its errors to
// /dev/null.
Run RunProcess(const std::vector<std::string>& argv, const std::string& outputPath) {
    Run run;
    const auto start = Clock::now();
    const pid_t pid = clipreel::bench::StartProcess(argv, outputPath);
    if (pid < 0) return run;
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) < 0) return run;
    run.seconds = SecondsSince(start);
    run.maxRssKiB = usage.ru_maxrss;
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream in(outputPath);
    std::string name;
    double value = 0;
    while (in >> name >> value) run.reported[name] = value;
    return run;
}

double Median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The median of the process times and of each reported value; the highest
// peak memory; the first failing status.
struct Summary {
    double seconds = 0;
    long maxRssKiB = 0;
    int status = 0;
    std::map<std::string, double> reported;
};

Summary Summarise(const std::vector<Run>& runs) {
    Summary s;
    std::vector<double> seconds;
    std::map<std::string, std::vector<double>> reported;
    for (const Run& r : runs) {
        seconds.push_back(r.seconds);
        s.maxRssKiB = std::max(s.maxRssKiB, r.maxRssKiB);
        if (r.status != 0 && s.status == 0) s.status = r.status;
        for (const auto& entry : r.reported) reported[entry.first].push_back(entry.second);
    }
    s.seconds = Median(seconds);
    for (auto& entry : reported) s.reported[entry.first] = Median(entry.second);
    return s;
}

// ---- The parent.

std::string LoadAverage() {
    std::ifstream in("/proc/loadavg");
    std::string one, five, fifteen;
    in >> one >> five >> fifteen;
    return one + " " + five + " " + fifteen;
}

clipreel::sample::SampleMovieLayout WriteReel(const fs::path& path, const clipreel::sample::SampleMovieSpec& spec,
                                              const char* what) {
    const auto start = Clock::now();
    clipreel::sample::SampleMovieLayout layout = clipreel::sample::WriteSampleMovie(path, spec);
    std::printf("%s: %u units of %u frames (%ux%u), %.1f MiB, written in %.2f s\n", what, spec.units,
                spec.framesPerUnit, spec.width, spec.height, layout.fileSize / MiB, SecondsSince(start));
    return layout;
}

// Dummy frames in groups of 15.
clipreel::sample::SampleMovieSpec ReelSpec(unsigned units, unsigned framesPerUnit, unsigned width, unsigned height) {
    clipreel::sample::SampleMovieSpec spec;
    spec.units = units;
    spec.framesPerUnit = framesPerUnit;
    spec.groupOfPicture = 15;
    spec.width = width;
    spec.height = height;
    return spec;
}

struct Contender {
    const char* name;
    std::vector<std::string> argv;
    fs::path output;  // removed after each run; empty: none
};

}

int main(int argc, char** argv) {
    const fs::path folder = argc > 1 ? fs::path(argv[1]) : fs::path("/tmp");
    const std::uint64_t targetBytes = (argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 1024ull) << 20;
    const int rounds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 5;
    const fs::path source = folder / "clipreel_bench_source.mov";
    const fs::path manyUnits = folder / "clipreel_bench_10000.mov";
    const fs::path longUnits = folder / "clipreel_bench_10000x30.mov";
    const fs::path log = folder / "clipreel_bench_child.txt";
    std::printf("load average before: %s\n", LoadAverage().c_str());

    // The large reel: 40 units of full HD dummy frames with 48 kHz stereo
    // sound, the frames per unit chosen (in whole groups of 15) so that the
    // reel comes near the size asked for.
    clipreel::sample::SampleMovieSpec spec = ReelSpec(1, 120, 1920, 1080);
    const std::uint64_t probeSize = clipreel::sample::WriteSampleMovie(source, spec).fileSize;
    const double framesWanted = static_cast<double>(targetBytes) / 40 / (static_cast<double>(probeSize) / 120);
    spec.framesPerUnit = 15 * std::max(1u, static_cast<unsigned>(framesWanted / 15 + 0.5));
    spec.units = 40;
    const clipreel::sample::SampleMovieLayout layout = WriteReel(source, spec, "reel");
    std::uint64_t keptFrames = 0;
    for (unsigned u = 0; u + 1 < spec.units; ++u) keptFrames += layout.units[u].frames.size();
    char keptSeconds[32];
    std::snprintf(keptSeconds, sizeof keptSeconds, "%.6f",
                  static_cast<double>(keptFrames) * spec.frameDuration / spec.timeScale);

    // The reel of 10,000 short units for the open time.
    clipreel::sample::SampleMovieSpec many = ReelSpec(10000, 15, 64, 48);
    many.sound.sampleRate = 8000;
    many.sound.channels = 1;
    many.sound.bitsPerSample = 8;
    many.sound.format = clipreel::FourCC("raw ");
    WriteReel(manyUnits, many, "open reel");
    // The same count of units of 30 frames with stereo sound: twice the
    // frames, the camera's own shape. The sound's rate and depth change the
    // chunks' sizes only, not the tables, so they stay small.
    clipreel::sample::SampleMovieSpec longer = ReelSpec(10000, 30, 64, 48);
    longer.sound = many.sound;
    longer.sound.channels = 2;
    WriteReel(longUnits, longer, "open reel, stereo");

    const std::string runner = (fs::read_symlink("/proc/self/exe").parent_path() / "save_benchmark_run").string();
    const std::string src = source.string();
    auto output = [&](const char* name) { return folder / (std::string("clipreel_bench_") + name + ".mov"); };
    std::vector<Contender> contenders = {
        {"cp", {"cp", src, output("cp").string()}, output("cp")},
        {"edited save", {runner, "--save", src, output("save").string()}, output("save")},
        {"edited save, buffer", {runner, "--save-buffered", src, output("buffered").string()}, output("buffered")},
        {"unchanged copy", {runner, "--copy", src, output("copy").string()}, output("copy")},
        {"reference movie", {runner, "--reference", src, output("reference").string()}, output("reference")},
        {"ffmpeg -c copy",
         {"ffmpeg", "-y", "-v", "error", "-i", src, "-map", "0", "-c", "copy", "-t", keptSeconds,
          output("ffmpeg").string()},
         output("ffmpeg")},
        {"cp + sync", {"sh", "-c", "cp \"$0\" \"$1\" && sync", src, output("cp_sync").string()}, output("cp_sync")},
    };
#ifdef CLIPREEL_BENCH_TOOL
    contenders.push_back({"clipreel edit",
                          {CLIPREEL_BENCH_TOOL, "edit", src, output("tool").string(), "--remove",
                           std::to_string(spec.units - 1), "--quiet"},
                          output("tool")});
#endif
    contenders.push_back({"open, 40 units", {runner, "--open", src, "-"}, {}});
    contenders.push_back({"open, 10,000 units", {runner, "--open", manyUnits.string(), "-"}, {}});
    contenders.push_back({"open, 10,000 x 30", {runner, "--open", longUnits.string(), "-"}, {}});
    // The opens come last, the first of them here.
    const std::size_t firstOpen = contenders.size() - 3;

    // A warm-up read so that every contender starts from the same cache.
    RunProcess({"cat", src}, "/dev/null");
    std::vector<std::vector<Run>> runs(contenders.size());
    for (int round = 0; round < rounds; ++round) {
        for (std::size_t k = 0; k < contenders.size(); ++k) {
            const std::size_t i = (k + static_cast<std::size_t>(round)) % contenders.size();
            RunProcess({"sync"}, "/dev/null");
            runs[i].push_back(RunProcess(contenders[i].argv, log.string()));
            if (!contenders[i].output.empty()) fs::remove(contenders[i].output);
        }
    }

    std::vector<Summary> summaries;
    for (const std::vector<Run>& r : runs) summaries.push_back(Summarise(r));
    const double cp = summaries[0].seconds;
    std::printf("\nmedians of %d alternating rounds on %.1f MiB in %s\n", rounds, layout.fileSize / MiB,
                folder.string().c_str());
    std::printf("%-20s %9s %8s %12s %8s %9s %9s %7s\n", "", "process s", "x cp", "in-process", "x cp",
                "peak MiB", "libs MiB", "status");
    for (std::size_t i = 0; i < firstOpen; ++i) {
        const Summary& s = summaries[i];
        const auto work = s.reported.find("work_s");
        const auto base = s.reported.find("baseline_kib");
        char inProcess[32] = "";
        char inProcessRatio[32] = "";
        char libraries[32] = "";
        if (work != s.reported.end()) {
            std::snprintf(inProcess, sizeof inProcess, "%.3f", work->second);
            std::snprintf(inProcessRatio, sizeof inProcessRatio, "%.2f", cp > 0 ? work->second / cp : 0);
        }
        if (base != s.reported.end()) std::snprintf(libraries, sizeof libraries, "%.1f", base->second / 1024);
        std::printf("%-20s %9.3f %8.2f %12s %8s %9.1f %9s %7d\n", contenders[i].name, s.seconds,
                    cp > 0 ? s.seconds / cp : 0, inProcess, inProcessRatio, s.maxRssKiB / 1024.0, libraries,
                    s.status);
    }
    std::printf("%-20s %9s %8s %12s %8s %9s %9s %7s\n", "", "file ms", "reel ms", "total ms", "", "peak MiB",
                "libs MiB", "status");
    for (std::size_t i = firstOpen; i < contenders.size(); ++i) {
        const Summary& s = summaries[i];
        const double fileMs = s.reported.count("file_ms") ? s.reported.at("file_ms") : 0;
        const double reelMs = s.reported.count("reel_ms") ? s.reported.at("reel_ms") : 0;
        const double base = s.reported.count("baseline_kib") ? s.reported.at("baseline_kib") : 0;
        std::printf("%-20s %9.3f %8.3f %12.3f %8s %9.1f %9.1f %7d\n", contenders[i].name, fileMs, reelMs,
                    fileMs + reelMs, "", s.maxRssKiB / 1024.0, base / 1024, s.status);
    }
    std::printf("process s: from fork to exit (cp's and ffmpeg's only time); in-process: the library call alone,\n"
                "without starting the process and loading its libraries; peak MiB: the process's peak resident\n"
                "size; libs MiB: its size before the reel is opened\n");
    std::printf("load average after: %s\n", LoadAverage().c_str());

    fs::remove(source);
    fs::remove(manyUnits);
    fs::remove(longUnits);
    fs::remove(log);
    int failed = 0;
    for (const Summary& s : summaries) failed += s.status != 0;
    return failed == 0 ? 0 : 1;
}
