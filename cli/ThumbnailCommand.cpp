#include "cli/Commands.h"

#include "MovieDetails.h"
#include "cli/CommandSupport.h"
#include "cli/ExitCode.h"
#include "cli/SafeOutput.h"

#include <cstdio>

namespace clipreel {
namespace cli {

int RunThumbnail(const ThumbnailOptions& options) {
    int exitCode = EXIT_OK;
    const std::unique_ptr<CZentiMovFile> file = OpenCameraMovie(options.file, false, exitCode);
    if (!file) return exitCode;
    const CMovieDetails details(*file->GetZentiMovie());
    if (details.GetThumbnail().empty()) {
        Complain(options.file + " has no thumbnail");
        return EXIT_BAD_INPUT;
    }
    SafeOutput output(options.output, options.force, false);
    if (!output.Prepare({options.file})) return output.FailureExitCode();
    if (!output.WriteAll(details.GetThumbnail()) || !output.Commit()) return output.FailureExitCode();
    std::printf("wrote %s: %zu bytes\n", options.output.c_str(), details.GetThumbnail().size());
    return EXIT_OK;
}

}
}
