#include "cli/Commands.h"

#include "ZentiMovie.h"
#include "cli/CommandPaths.h"
#include "cli/CommandSupport.h"
#include "cli/CutPoint.h"
#include "cli/ExitCode.h"
#include "cli/FileLayout.h"
#include "cli/MovieReport.h"

#include <cstdio>
#include <string>

namespace clipreel {
namespace cli {

namespace {

using Json = nlohmann::ordered_json;

Json ErrorReport(const std::string& path, const std::string& error) {
    return {{"format_version", ReportFormatVersion}, {"file", path}, {"error", error}};
}

// One file's report; a file that cannot be read, or is not a camera movie,
// is an object with an "error" member, and a complaint.
Json ReportOn(const std::string& path, bool& failed) {
    const std::string unreadable = UnreadableReason(path);
    if (!unreadable.empty()) {
        Complain("cannot read " + path + ": " + unreadable);
        failed = true;
        return ErrorReport(path, unreadable);
    }
    FileLayout layout;
    std::string reason;
    if (!ReadFileLayout(ArgumentPath(path), layout, reason)) {
        Complain("cannot read " + path + ": " + reason);
        failed = true;
        return ErrorReport(path, reason);
    }
    const CZentiMovFile file{LocatorFor(path)};
    Json report = DescribeMovieFile(file, path, &layout);
    const CZentiMovie* movie = file.GetZentiMovie();
    // A file cut where one of its atoms ends reads as a movie of another
    // kind or as a reference movie; it is a damaged reel.
    const bool cutAtAnAtomEnd =
        (report["kind"] == "other" || report["kind"] == "reference") && !DescribeCutAtAnAtomEnd(path, file).empty();
    // A movie atom without the media is a reference movie only when the file
    // holds no media of its own; otherwise it is damaged.
    if (cutAtAnAtomEnd ||
        (report["kind"] == "reference" && !IsReferenceMovie(layout, movie != nullptr && movie->IsValid()))) {
        report = {{"format_version", ReportFormatVersion},
                  {"file", path},
                  {"kind", "invalid"},
                  {"valid", false},
                  {"creator_version", file.GetCreatorVersion()}};
    }
    if (report["kind"] == "invalid") {
        std::string wrong = WhatIsWrong(path, file);
        Json salvage;
        if (layout.Truncated() || cutAtAnAtomEnd) wrong += DescribeSalvage(LocatorFor(path), salvage);
        Complain(path + " " + wrong);
        Json invalid = ErrorReport(path, wrong);
        for (const auto& item : report.items()) {
            if (!invalid.contains(item.key())) invalid[item.key()] = item.value();
        }
        invalid["size"] = layout.fileSize;
        if (!salvage.is_null()) invalid["salvage"] = salvage;
        failed = true;
        return invalid;
    }
    return report;
}

}

int RunInfo(const InfoOptions& options) {
    bool failed = false;
    Json reports = Json::array();
    for (std::size_t i = 0; i < options.files.size(); ++i) {
        const Json report = ReportOn(options.files[i], failed);
        if (options.json) {
            reports.push_back(report);
        } else if (report.contains("kind")) {
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
