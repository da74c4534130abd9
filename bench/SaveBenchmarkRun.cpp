// One measured run of save_benchmark: opens a reel and, by its mode, saves
// it edited (the last unit removed) or unchanged, or writes a reference
// movie, printing "name value" lines for the benchmark to read and exiting
// with the library's result (0: success).
//
//   save_benchmark_run --open|--save|--save-buffered|--copy|--reference <reel> <output>

#include "ClipreelMovFileEditor.h"
#include "ClipreelMovie.h"
#include "ZentiMovFile.h"
#include "file/RangeCopier.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include <sys/resource.h>

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void PrintResidentBaseline() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("baseline_kib %ld\n", usage.ru_maxrss);
}

struct OpenedReel {
    explicit OpenedReel(const std::string& path)
        : wide(fs::path(path).wstring()), start(Clock::now()), file(FileLocator(wide.c_str())),
          fileMs(SecondsSince(start) * 1000), reel(&file), reelMs(SecondsSince(start) * 1000 - fileMs) {
        std::printf("file_ms %.4f\nreel_ms %.4f\n", fileMs, reelMs);
    }
    std::wstring wide;
    Clock::time_point start;
    CZentiMovFile file;
    double fileMs;
    CClipreelMovie reel;
    double reelMs;
};

int ExitCode(CClipreelMovFileEditor::ERROR_CREATEMOVFILE result) {
    return result == CClipreelMovFileEditor::CREATEMOVFILE_SUCCESS ? 0 : static_cast<int>(result & 0x7F);
}

int Child(const std::string& mode, const std::string& source, const std::string& destination) {
    PrintResidentBaseline();
    OpenedReel opened(source);
    if (!opened.file.IsValid() || !opened.reel.IsValid()) return 100;
    if (mode == "--open") return 0;
    if (mode == "--save-buffered") clipreel::RangeCopier::AllowKernelCopies(false);
    const std::wstring wideDestination = fs::path(destination).wstring();
    const FileLocator target(wideDestination.c_str());
    if (mode != "--copy" && !opened.reel.RemoveShootingUnit(opened.reel.GetShootingUnitCount() - 1)) return 101;
    CClipreelMovFileEditor editor(opened.file);
    const auto start = Clock::now();
    const auto result = mode == "--reference" ? editor.CreateReferenceMovFile(target, &opened.reel)
                                              : editor.CreateNewMovFile(target, &opened.reel);
    std::printf("work_s %.6f\n", SecondsSince(start));
    return ExitCode(result);
}

}

int main(int argc, char** argv) {
    if (argc != 4 || std::string(argv[1]).rfind("--", 0) != 0) {
        std::fprintf(stderr, "usage: %s --open|--save|--save-buffered|--copy|--reference <reel> <output>\n", argv[0]);
        return 2;
    }
    return Child(argv[1], argv[2], argv[3]);
}
