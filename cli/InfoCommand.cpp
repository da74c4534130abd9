#include "cli/Commands.h"

#include "cli/CommandPaths.h"
#include "cli/CommandSupport.h"
#include "cli/ExitCode.h"
#include "cli/MovieReport.h"

#include <cstdio>

namespace clipreel {
namespace cli {

namespace {

// One file's report; a file that cannot be read is an object with an
// "error" member, and a complaint.
nlohmann::json ReportOn(const std::string& path, bool& failed) {
    const std::string unreadable = UnreadableReason(path);
    if (!unreadable.empty()) {
        Complain("cannot read " + path + ": " + unreadable);
        failed = true;
        return {{"file", path}, {"error", unreadable}};
    }
    const CZentiMovFile file{LocatorFor(path)};
    nlohmann::json report = DescribeMovieFile(file, path);
    if (report["kind"] == "invalid") {
        Complain(path + " is not a camera movie");
        report["error"] = "not a camera movie";
        failed = true;
    }
    return report;
}

}

int RunInfo(const InfoOptions& options) {
    bool failed = false;
    nlohmann::json reports = nlohmann::json::array();
    for (std::size_t i = 0; i < options.files.size(); ++i) {
        const nlohmann::json report = ReportOn(options.files[i], failed);
        if (options.json) {
            reports.push_back(report);
        } else if (!report.contains("error") || report.contains("kind")) {
            if (i > 0) std::printf("\n");
            PrintMovieReport(report, stdout);
        }
    }
    if (options.json) {
        // One file: its object; several: an array in argument order.
        std::printf("%s\n", JsonText(reports.size() == 1 ? reports[0] : reports).c_str());
    }
    return failed ? EXIT_BAD_INPUT : EXIT_OK;
}

}
}
