#include "cli/Commands.h"

#include "cli/CommandSupport.h"
#include "cli/ExitCode.h"
#include "cli/MovieReport.h"

#include <cstdio>
#include <filesystem>

namespace clipreel {
namespace cli {

int RunInfo(const InfoOptions& options) {
    if (!std::filesystem::exists(options.file)) {
        Complain("cannot read " + options.file + ": no such file");
        return EXIT_BAD_INPUT;
    }
    const std::wstring wide = WidePath(options.file);
    const CZentiMovFile file{FileLocator(wide.c_str())};
    const nlohmann::json report = DescribeMovieFile(file, options.file);
    if (options.json) {
        std::printf("%s\n", report.dump(2).c_str());
    } else {
        PrintMovieReport(report, stdout);
    }
    if (report["kind"] == "invalid") {
        Complain(options.file + " is not a camera movie");
        return EXIT_BAD_INPUT;
    }
    return EXIT_OK;
}

}
}
