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
#include <vector>

namespace clipreel {
namespace cli {

namespace {

using OrderedJson = nlohmann::ordered_json;

// The keys a reader looks for first, in that order, for the report, its
// video and its units; the others follow in alphabetical order.
const std::vector<std::string> ReportKeys = {
    "file", "error", "kind", "valid", "size", "recorded_size", "start_time", "duration", "duration_ts",
    "time_base", "creator_version", "editable", "frame_rate", "video", "sound", "total_frames", "total_duration",
    "total_duration_seconds", "shooting_units"};
const std::vector<std::string> VideoKeys = {
    "codec_name", "codec_tag_string", "width", "height", "time_base", "time_scale", "frame_duration",
    "frame_count", "duration", "duration_seconds"};
const std::vector<std::string> UnitKeys = {
    "index", "original_index", "frames", "first_frame", "start_time", "start_seconds", "duration",
    "duration_seconds", "file_offset", "size"};
const std::vector<std::string> NoKeys;

const std::vector<std::string>& LeadingKeys(const std::string& parentKey) {
    if (parentKey.empty()) return ReportKeys;
    if (parentKey == "video") return VideoKeys;
    if (parentKey == "shooting_units") return UnitKeys;
    return NoKeys;
}

OrderedJson InReadingOrder(const nlohmann::json& value, const std::string& parentKey) {
    if (value.is_array()) {
        OrderedJson array = OrderedJson::array();
        for (const nlohmann::json& item : value) array.push_back(InReadingOrder(item, parentKey));
        return array;
    }
    if (!value.is_object()) return OrderedJson(value);
    OrderedJson object = OrderedJson::object();
    for (const std::string& key : LeadingKeys(parentKey)) {
        if (value.contains(key)) object[key] = InReadingOrder(value[key], key);
    }
    for (auto item = value.begin(); item != value.end(); ++item) {
        if (!object.contains(item.key())) object[item.key()] = InReadingOrder(item.value(), item.key());
    }
    return object;
}

// The facts a batch report shares with ffprobe: times in seconds with the
// ticks and their time base beside them, the video's codec and frame size,
// and the file's real size beside the size its record states.
void AddBatchFacts(nlohmann::json& report, const FileLayout& layout) {
    report["size"] = layout.fileSize;
    if (report.contains("record") && report["record"].is_object()) {
        report["recorded_size"] = report["record"].value("file_size", 0ull);
    }
    if (report.contains("video") && report["video"].is_object()) {
        nlohmann::json& video = report["video"];
        const std::int32_t timeScale = video.value("time_scale", 0);
        report["start_time"] = 0.0;
        report["duration"] = video.value("duration_seconds", 0.0);
        report["duration_ts"] = video.value("duration", 0);
        report["time_base"] = "1/" + std::to_string(timeScale);
        video["codec_name"] = CodecName(layout.codecTag);
        video["codec_tag_string"] = layout.codecTag;
        video["width"] = layout.width;
        video["height"] = layout.height;
        video["time_base"] = report["time_base"];
    }
}

// One file's report; a file that cannot be read, or is not a camera movie,
// is an object with an "error" member, and a complaint.
nlohmann::json ReportOn(const std::string& path, bool& failed) {
    const std::string unreadable = UnreadableReason(path);
    if (!unreadable.empty()) {
        Complain("cannot read " + path + ": " + unreadable);
        failed = true;
        return {{"file", path}, {"error", unreadable}};
    }
    FileLayout layout;
    std::string reason;
    if (!ReadFileLayout(ArgumentPath(path), layout, reason)) {
        Complain("cannot read " + path + ": " + reason);
        failed = true;
        return {{"file", path}, {"error", reason}};
    }
    const CZentiMovFile file{LocatorFor(path)};
    nlohmann::json report = DescribeMovieFile(file, path);
    const CZentiMovie* movie = file.GetZentiMovie();
    // A file cut where one of its atoms ends reads as a movie of another
    // kind or as a reference movie; it is a damaged reel.
    const bool cutAtAnAtomEnd =
        (report["kind"] == "other" || report["kind"] == "reference") && !DescribeCutAtAnAtomEnd(path, file).empty();
    // A movie atom without the media is a reference movie only when the file
    // holds no media of its own; otherwise it is damaged.
    if (cutAtAnAtomEnd ||
        (report["kind"] == "reference" && !IsReferenceMovie(layout, movie != nullptr && movie->IsValid()))) {
        report = {{"file", path}, {"valid", false}, {"kind", "invalid"}, {"creator_version", file.GetCreatorVersion()}};
    }
    if (report["kind"] == "invalid") {
        std::string wrong = WhatIsWrong(path, file);
        if (layout.Truncated() || cutAtAnAtomEnd) {
            nlohmann::json salvage;
            wrong += DescribeSalvage(LocatorFor(path), salvage);
            report["salvage"] = salvage;
        }
        Complain(path + " " + wrong);
        report["error"] = wrong;
        report["size"] = layout.fileSize;
        failed = true;
        return report;
    }
    AddBatchFacts(report, layout);
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
        } else if (report.contains("kind")) {
            if (i > 0) std::printf("\n");
            PrintMovieReport(report, stdout);
        }
    }
    if (options.json) {
        // One file: its object; several: an array in argument order.
        const OrderedJson ordered = InReadingOrder(reports.size() == 1 ? reports[0] : reports, "");
        std::printf("%s\n", ordered.dump(2, ' ', false, nlohmann::json::error_handler_t::replace).c_str());
    }
    return failed ? EXIT_BAD_INPUT : EXIT_OK;
}

}
}
