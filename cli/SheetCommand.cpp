#include "cli/Commands.h"

#include "ClipreelMovie.h"
#include "MovieFrames.h"
#include "cli/CommandSupport.h"
#include "cli/ContactSheet.h"
#include "cli/ExitCode.h"
#include "cli/SafeOutput.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <thread>

namespace clipreel {
namespace cli {

int RunSheet(const SheetOptions& options) {
    int exitCode = EXIT_OK;
    const std::unique_ptr<CZentiMovFile> file = OpenCameraMovie(options.file, true, exitCode);
    if (!file) return exitCode;
    const CClipreelMovie reel(file.get());
    if (!HasShootingUnits(reel, options.file)) return EXIT_BAD_INPUT;
    SafeOutput output(options.output, options.force, false);
    if (!output.Prepare({options.file})) return output.FailureExitCode();
    const CZentiMovie& movie = *file->GetZentiMovie();
    const CMovieFrames frames(file->GetFileLocator());
    const unsigned count = reel.GetShootingUnitCount();
    std::vector<SheetCell> cells(count);
    std::vector<char> grabbed(count, 0);
    // The units are independent: each core decodes its own, through its own
    // decoder, taking the next unit when done. A cell is small, so the
    // memory is the decoders' alone, one per core.
    std::atomic<unsigned> next{0};
    const auto grabUnits = [&]() {
        for (unsigned index = next++; index < count; index = next++) {
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
        }
    };
    const unsigned helpers = std::min(count, std::max(1u, std::thread::hardware_concurrency())) - 1;
    std::vector<std::thread> threads;
    for (unsigned i = 0; i < helpers; ++i) threads.emplace_back(grabUnits);
    grabUnits();
    for (std::thread& thread : threads) thread.join();
    for (unsigned index = 0; index < count; ++index) {
        if (!grabbed[index]) {
            Complain("cannot decode the first frame of shooting unit " + std::to_string(index) + " of " + options.file);
            return EXIT_FAILURE_OTHER;
        }
    }
    const CRgbPicture sheet = ComposeContactSheet(cells, options.columns);
    std::vector<std::uint8_t> jpeg;
    if (!CMovieFrames::EncodeJpeg(sheet, jpeg)) {
        Complain("cannot encode the contact sheet as JPEG");
        return EXIT_FAILURE_OTHER;
    }
    if (!output.WriteAll(jpeg) || !output.Commit()) return output.FailureExitCode();
    std::printf("wrote %s: %u shooting unit%s, %u x %u pixels\n", options.output.c_str(), count, count == 1 ? "" : "s",
                sheet.width, sheet.height);
    return EXIT_OK;
}

}
}
