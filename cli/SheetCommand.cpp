#include "cli/Commands.h"

#include "ClipreelMovie.h"
#include "MovieFrames.h"
#include "cli/CommandSupport.h"
#include "cli/ContactSheet.h"
#include "cli/CountText.h"
#include "cli/ExitCode.h"
#include "cli/ProgressDisplay.h"
#include "cli/SafeOutput.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <mutex>
#include <thread>

namespace clipreel {
namespace cli {

namespace {

// One reel's sheet; progress: a display of the frame grabs, one step a unit.
int WriteSheet(const ReelOutput& target, const SheetOptions& options, ProgressDisplay& progress) {
    int exitCode = EXIT_OK;
    const std::unique_ptr<CZentiMovFile> file = OpenCameraMovie(target.reel, true, exitCode);
    if (!file) return exitCode;
    const CClipreelMovie reel(file.get());
    if (!HasShootingUnits(reel, target.reel)) return EXIT_BAD_INPUT;
    SafeOutput output(target.output, options.force, false);
    if (!output.Prepare({target.reel})) return output.FailureExitCode();
    const CZentiMovie& movie = *file->GetZentiMovie();
    const CMovieFrames frames(file->GetFileLocator());
    const unsigned count = reel.GetShootingUnitCount();
    std::vector<SheetCell> cells(count);
    std::vector<char> grabbed(count, 0);
    // The units are independent: each core decodes its own, through its own
    // decoder, taking the next unit when done. A cell is small, so the
    // memory is the decoders' alone, one per core. Progress is shown, and
    // Ctrl-C heard, by one thread at a time; a cancel stops every thread
    // before its next unit.
    std::atomic<unsigned> next{0};
    std::atomic<bool> cancelled{false};
    std::mutex progressLock;
    unsigned finished = 0;
    const auto grabUnits = [&]() {
        for (unsigned index = next++; index < count && !cancelled; index = next++) {
            const CClipreelShootingUnit& unit = reel.GetShootingUnit(index);
            // The middle of the unit's first frame, so rounding never lands on
            // the previous unit's last frame.
            const std::int64_t time = CMovieFrames::FrameMiddleTime(
                unit.GetOriginalStartVideoSampleIndex(), movie.GetVideoMediaTimeScale(), movie.GetVideoFrameDuration());
            SheetCell& cell = cells[index];
            grabbed[index] = frames.GrabThumbnail(time, cell.picture) ? 1 : 0;
            const double seconds =
                reel.GetTimeScale() > 0 ? static_cast<double>(unit.GetDuration()) / reel.GetTimeScale() : 0.0;
            cell.label = UnitLabel(index, seconds);
            const std::lock_guard<std::mutex> guard(progressLock);
            const double done = static_cast<double>(++finished) / count;
            if (ProgressDisplay::Callback(PROGRESS_MESSAGE_PROGRESS, done, &progress) == PROGRESS_RESULT_CANCEL) {
                cancelled = true;
            }
        }
    };
    const unsigned helpers = std::min(count, std::max(1u, std::thread::hardware_concurrency())) - 1;
    std::vector<std::thread> threads;
    for (unsigned i = 0; i < helpers; ++i) threads.emplace_back(grabUnits);
    grabUnits();
    for (std::thread& thread : threads) thread.join();
    if (cancelled) {
        progress.Finish();
        Complain("cancelled: " + target.output + " not written");
        return EXIT_SAVE_CANCELED;
    }
    for (unsigned index = 0; index < count; ++index) {
        if (!grabbed[index]) {
            progress.Finish();
            Complain("cannot decode the first frame of shooting unit " + std::to_string(index) + " of " + target.reel);
            return EXIT_FAILURE_OTHER;
        }
    }
    progress.Finish();
    const CRgbPicture sheet = ComposeContactSheet(cells, options.columns);
    std::vector<std::uint8_t> jpeg;
    if (!CMovieFrames::EncodeJpeg(sheet, jpeg)) {
        Complain("cannot encode the contact sheet as JPEG");
        return EXIT_FAILURE_OTHER;
    }
    if (!output.WriteAll(jpeg) || !output.Commit()) return output.FailureExitCode();
    std::printf("wrote %s: %s, %u x %u pixels\n", target.output.c_str(), CountText(count, "shooting unit").c_str(),
                sheet.width, sheet.height);
    return EXIT_OK;
}

}

int RunSheet(const SheetOptions& options) {
    if (!options.outputDir.empty() && !MakeOutputFolder(options.outputDir)) return EXIT_CANNOT_WRITE;
    // The frame grabs take seconds on a long reel: a first Ctrl-C stops
    // them, and the bar (or NN% lines) shows how far they are.
    const CooperativeCancel cancel;
    int exitCode = EXIT_OK;
    for (const ReelOutput& target : options.outputs) {
        ProgressDisplay progress(ProgressDisplay::ForStandardError(options.quiet), stderr);
        const int code = WriteSheet(target, options, progress);
        if (exitCode == EXIT_OK) exitCode = code;
        if (code == EXIT_SAVE_CANCELED) break;
    }
    return exitCode;
}

}
}
