#include "cli/Commands.h"

#include "ClipreelMovie.h"
#include "MovieFrames.h"
#include "cli/CommandSupport.h"
#include "cli/Console.h"
#include "cli/ContactSheet.h"
#include "cli/ExitCode.h"
#include "cli/ProgressDisplay.h"
#include "cli/SafeOutput.h"

#include <cstdio>

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
    std::vector<SheetCell> cells;
    for (unsigned index = 0; index < reel.GetShootingUnitCount(); ++index) {
        const CClipreelShootingUnit& unit = reel.GetShootingUnit(index);
        SheetCell cell;
        // The middle of the unit's first frame, so rounding never lands on
        // the previous unit's last frame.
        const std::int64_t time = CMovieFrames::FrameMiddleTime(unit.GetOriginalStartVideoSampleIndex(),
                                                                movie.GetVideoMediaTimeScale(),
                                                                movie.GetVideoFrameDuration());
        if (!frames.GrabThumbnail(time, cell.picture)) {
            progress.Finish();
            Complain("cannot decode the first frame of shooting unit " + std::to_string(index) + " of " + target.reel);
            return EXIT_FAILURE_OTHER;
        }
        const double done = static_cast<double>(index + 1) / reel.GetShootingUnitCount();
        if (ProgressDisplay::Callback(PROGRESS_MESSAGE_PROGRESS, done, &progress) == PROGRESS_RESULT_CANCEL) {
            progress.Finish();
            Complain("cancelled: " + target.output + " not written");
            return EXIT_SAVE_CANCELED;
        }
        const double seconds =
            reel.GetTimeScale() > 0 ? static_cast<double>(unit.GetDuration()) / reel.GetTimeScale() : 0.0;
        cell.label = UnitLabel(index, seconds);
        cells.push_back(std::move(cell));
    }
    progress.Finish();
    const CRgbPicture sheet = ComposeContactSheet(cells, options.columns);
    std::vector<std::uint8_t> jpeg;
    if (!CMovieFrames::EncodeJpeg(sheet, jpeg)) {
        Complain("cannot encode the contact sheet as JPEG");
        return EXIT_FAILURE_OTHER;
    }
    if (!output.WriteAll(jpeg) || !output.Commit()) return output.FailureExitCode();
    const unsigned count = reel.GetShootingUnitCount();
    std::printf("wrote %s: %u shooting unit%s, %u x %u pixels\n", target.output.c_str(), count, count == 1 ? "" : "s",
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
        const ProgressDisplay::Style style = options.quiet               ? ProgressDisplay::Style::Quiet
                                             : StandardErrorIsTerminal() ? ProgressDisplay::Style::Bar
                                                                         : ProgressDisplay::Style::Lines;
        ProgressDisplay progress(style, stderr);
        const int code = WriteSheet(target, options, progress);
        if (exitCode == EXIT_OK) exitCode = code;
        if (code == EXIT_SAVE_CANCELED) break;
    }
    return exitCode;
}

}
}
