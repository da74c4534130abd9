#include "cli/Commands.h"

#include "MovieDetails.h"
#include "cli/CommandSupport.h"
#include "cli/ExitCode.h"
#include "cli/SafeOutput.h"

#include <cstdio>

namespace clipreel {
namespace cli {

namespace {

int WriteThumbnail(const ReelOutput& reel, bool force) {
    int exitCode = EXIT_OK;
    const std::unique_ptr<CZentiMovFile> file = OpenCameraMovie(reel.reel, false, exitCode);
    if (!file) return exitCode;
    const CMovieDetails details(*file->GetZentiMovie());
    if (details.GetThumbnail().empty()) {
        Complain(reel.reel + " has no thumbnail");
        return EXIT_BAD_INPUT;
    }
    SafeOutput output(reel.output, force, false);
    if (!output.Prepare({reel.reel})) return output.FailureExitCode();
    if (!output.WriteAll(details.GetThumbnail()) || !output.Commit()) return output.FailureExitCode();
    std::printf("wrote %s: %zu bytes\n", reel.output.c_str(), details.GetThumbnail().size());
    return EXIT_OK;
}

}

int RunThumbnail(const ThumbnailOptions& options) {
    if (!options.outputDir.empty() && !MakeOutputFolder(options.outputDir)) return EXIT_CANNOT_WRITE;
    // Each reel on its own: one that fails leaves the others' thumbnails,
    // and the first failure is the exit code.
    int exitCode = EXIT_OK;
    for (const ReelOutput& reel : options.outputs) {
        const int code = WriteThumbnail(reel, options.force);
        if (exitCode == EXIT_OK) exitCode = code;
    }
    return exitCode;
}

}
}
