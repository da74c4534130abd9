// Times saving a large sample reel with one shooting unit removed against
// the physical limit (cp of the same file) and against ffmpeg copying the
// same kept units without re-encoding (-c copy), and reports each one's peak
// memory and the time to open the reel. The last unit is the one removed, so
// that ffmpeg keeps the same units with a plain duration limit: the dummy
// frames of a reel this size are not real H.264, and ffmpeg's concat
// demuxer refuses streams it cannot probe.
//
//   save_benchmark [folder] [MiB]      (defaults: /tmp, 1024)
//
// Every measured run is its own process (this program started again with
// "--save", or cp, or ffmpeg), so that its peak resident size (ru_maxrss
// from wait4) is its own. Each is run three times after a warm-up read of
// the source, each after a sync; the median time is reported.

#include "ClipreelMovFileEditor.h"
#include "ClipreelMovie.h"
#include "ZentiMovFile.h"
#include "sample/SampleMovieWriter.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

struct Run {
    double seconds = 0;
    long maxRssKiB = 0;
    int status = -1;
};

Run RunProcess(const std::vector<std::string>& argv, bool quiet) {
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    Run run;
    const auto start = Clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        if (quiet) {
            std::FILE* devnull = std::fopen("/dev/null", "w");
            if (devnull != nullptr) {
                dup2(fileno(devnull), 1);
                dup2(fileno(devnull), 2);
            }
        }
        execvp(args[0], args.data());
        _exit(127);
    }
    if (pid < 0) return run;
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) < 0) return run;
    run.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    run.maxRssKiB = usage.ru_maxrss;
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

Run Median(std::vector<Run> runs) {
    std::sort(runs.begin(), runs.end(), [](const Run& a, const Run& b) { return a.seconds < b.seconds; });
    Run median = runs[runs.size() / 2];
    for (const Run& r : runs) {
        median.maxRssKiB = std::max(median.maxRssKiB, r.maxRssKiB);
        if (r.status != 0) median.status = r.status;
    }
    return median;
}

// The child: opens the reel, removes one unit and saves; exit status is the
// result code. Prints the resident size before the reel is opened (the
// loaded libraries), the constructor time of CZentiMovFile and the time from
// opening the reel to the end of the save.
int SaveChild(const std::string& source, const std::string& destination, unsigned removed) {
    const std::wstring wideSource = fs::path(source).wstring();
    const std::wstring wideDestination = fs::path(destination).wstring();
    rusage before{};
    getrusage(RUSAGE_SELF, &before);
    std::printf("baseline %ld\n", before.ru_maxrss);
    const auto start = Clock::now();
    CZentiMovFile file{FileLocator(wideSource.c_str())};
    const double openMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    std::printf("open %.3f\n", openMs);
    if (!file.IsValid()) return 100;
    CClipreelMovie reel(&file);
    if (!reel.RemoveShootingUnit(removed)) return 101;
    CClipreelMovFileEditor editor(file);
    const auto result = editor.CreateNewMovFile(FileLocator(wideDestination.c_str()), &reel);
    std::printf("save %.6f\n", std::chrono::duration<double>(Clock::now() - start).count());
    return result == CClipreelMovFileEditor::CREATEMOVFILE_SUCCESS ? 0 : static_cast<int>(result & 0x7F);
}

double SecondsAt(const clipreel::sample::SampleMovieSpec& spec, std::uint64_t frame) {
    return static_cast<double>(frame) * spec.frameDuration / spec.timeScale;
}

}

int main(int argc, char** argv) {
    if (argc == 5 && std::string(argv[1]) == "--save") {
        return SaveChild(argv[2], argv[3], static_cast<unsigned>(std::strtoul(argv[4], nullptr, 10)));
    }
    const fs::path folder = argc > 1 ? fs::path(argv[1]) : fs::path("/tmp");
    const std::uint64_t targetBytes = (argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 1024ull) << 20;
    const fs::path source = folder / "clipreel_bench_source.mov";
    const fs::path saved = folder / "clipreel_bench_saved.mov";
    const fs::path copied = folder / "clipreel_bench_cp.mov";
    const fs::path remuxed = folder / "clipreel_bench_ffmpeg.mov";

    // Full HD dummy frames with 48 kHz stereo sound: about 50 KB a frame;
    // units of 4 s (120 frames at 29.97 fps).
    clipreel::sample::SampleMovieSpec spec;
    spec.width = 1920;
    spec.height = 1080;
    spec.framesPerUnit = 120;
    spec.groupOfPicture = 15;
    spec.units = 1;
    const clipreel::sample::SampleMovieLayout probe = clipreel::sample::WriteSampleMovie(source, spec);
    spec.units = static_cast<unsigned>(std::max<std::uint64_t>(3, targetBytes / probe.fileSize));
    const auto writeStart = Clock::now();
    const clipreel::sample::SampleMovieLayout layout = clipreel::sample::WriteSampleMovie(source, spec);
    const double writeSeconds = std::chrono::duration<double>(Clock::now() - writeStart).count();
    const unsigned removed = spec.units - 1;
    std::uint64_t largestKept = 0;
    for (unsigned u = 0; u < spec.units; ++u)
        if (u != removed) largestKept = std::max(largestKept, layout.units[u].size);
    std::printf("reel: %u units of %u frames, %.1f MiB, written in %.2f s; unit %u removed\n", spec.units,
                spec.framesPerUnit, layout.fileSize / 1048576.0, writeSeconds, removed);

    // ffmpeg keeps the same units: the movie up to the removed last unit.
    std::uint64_t keptFrames = 0;
    for (unsigned u = 0; u < removed; ++u) keptFrames += layout.units[u].frames.size();
    char keptSeconds[32];
    std::snprintf(keptSeconds, sizeof keptSeconds, "%.6f", SecondsAt(spec, keptFrames));

    // A warm-up read so that every contender starts from the same cache.
    RunProcess({"cat", source.string()}, true);

    std::vector<Run> saves, copies, ffmpegs;
    std::vector<double> opens, inProcess;
    long baselineKiB = 0;
    for (int round = 0; round < 3; ++round) {
        const std::string self = fs::read_symlink("/proc/self/exe").string();
        const std::string openLog = (folder / "clipreel_bench_open.txt").string();
        // Each contender starts with no dirty pages of an earlier one left to
        // write back.
        RunProcess({"sync"}, true);
        saves.push_back(RunProcess({"sh", "-c",
                                    "exec \"$0\" --save \"$1\" \"$2\" \"$3\" > \"$4\"", self, source.string(),
                                    saved.string(), std::to_string(removed), openLog},
                                   false));
        std::ifstream logIn(openLog);
        std::string word;
        double value = 0;
        while (logIn >> word >> value) {
            if (word == "open") opens.push_back(value);
            if (word == "save") inProcess.push_back(value);
            if (word == "baseline") baselineKiB = std::max(baselineKiB, static_cast<long>(value));
        }
        RunProcess({"sync"}, true);
        copies.push_back(RunProcess({"cp", source.string(), copied.string()}, true));
        RunProcess({"sync"}, true);
        ffmpegs.push_back(RunProcess({"ffmpeg", "-y", "-v", "error", "-i", source.string(), "-map", "0", "-c",
                                      "copy", "-t", keptSeconds, remuxed.string()},
                                     true));
        fs::remove(copied);
        fs::remove(remuxed);
        if (round < 2) fs::remove(saved);
    }
    const Run save = Median(saves);
    const Run copy = Median(copies);
    const Run ffmpeg = Median(ffmpegs);
    std::sort(opens.begin(), opens.end());
    const std::uint64_t savedSize = fs::exists(saved) ? fs::file_size(saved) : 0;
    const std::uint64_t moovBytes = layout.moovSize;

    std::printf("%-22s %10s %10s %12s %s\n", "", "seconds", "x cp", "peak MiB", "status");
    auto row = [&](const char* name, const Run& r) {
        std::printf("%-22s %10.3f %10.2f %12.1f %d\n", name, r.seconds, copy.seconds > 0 ? r.seconds / copy.seconds : 0,
                    r.maxRssKiB / 1024.0, r.status);
    };
    row("save (process)", save);
    std::sort(inProcess.begin(), inProcess.end());
    if (!inProcess.empty()) {
        const double median = inProcess[inProcess.size() / 2];
        std::printf("%-22s %10.3f %10.2f %12.1f (peak %.1f - libraries %.1f)\n", "save (in process)", median,
                    copy.seconds > 0 ? median / copy.seconds : 0, (save.maxRssKiB - baselineKiB) / 1024.0,
                    save.maxRssKiB / 1024.0, baselineKiB / 1024.0);
    }
    row("cp", copy);
    row("ffmpeg -c copy", ffmpeg);
    std::printf("saved file %.1f MiB; memory bound = largest kept unit %.1f MiB + movie atom %.2f MiB + 32 MiB = "
                "%.1f MiB\n",
                savedSize / 1048576.0, largestKept / 1048576.0, moovBytes / 1048576.0,
                (largestKept + moovBytes) / 1048576.0 + 32);
    if (!opens.empty())
        std::printf("CZentiMovFile constructor: median %.3f ms (min %.3f, max %.3f)\n", opens[opens.size() / 2],
                    opens.front(), opens.back());
    fs::remove(saved);
    fs::remove(source);
    fs::remove(folder / "clipreel_bench_open.txt");
    return save.status == 0 && copy.status == 0 ? 0 : 1;
}
