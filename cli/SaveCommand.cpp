#include "cli/Commands.h"

#include "ClipreelMovFileEditor.h"
#include "ClipreelMovie.h"
#include "cli/CommandPaths.h"
#include "cli/CommandSupport.h"
#include "cli/CountText.h"
#include "cli/ExitCode.h"
#include "cli/IndexList.h"
#include "cli/SaveRunner.h"

#include <cstdio>

namespace clipreel {
namespace cli {

bool ApplyIndexList(CClipreelMovie& reel, const SaveOptions& options) {
    const unsigned count = reel.GetShootingUnitCount();
    std::string error;
    std::vector<unsigned> indices;
    std::vector<unsigned> kept;
    if (!options.keep.empty()) {
        if (!ParseIndexList(options.keep, count, indices, error) || !CheckKeepList(indices, count, error)) {
            Complain(error);
            return false;
        }
        kept = indices;
    } else if (!options.remove.empty()) {
        if (!ParseIndexList(options.remove, count, indices, error) || !CheckRemoveList(indices, count, error)) {
            Complain(error);
            return false;
        }
        kept = KeptAfterRemoving(indices, count);
    } else {
        return true;
    }
    std::vector<unsigned> current;
    reel.GetEditingState(current);
    if (kept == current) return true;  // nothing changes: the reel stays unedited
    if (!reel.IsEditable()) {
        Complain("the reel has only one shooting unit: there is nothing to remove or reorder");
        return false;
    }
    if (!reel.SetEditingState(kept)) {
        Complain("the reel refused the index list");
        return false;
    }
    return true;
}

nlohmann::json DescribeSave(const CClipreelMovie& reel, const SaveOptions& options, const std::string& kind) {
    nlohmann::json result;
    result["source"] = options.source;
    result["destination"] = options.destination;
    result["kind"] = kind;
    result["dry_run"] = options.dryRun;
    if (!reel.IsValid()) return result;
    std::vector<unsigned> kept;
    for (unsigned i = 0; i < reel.GetShootingUnitCount(); ++i)
        kept.push_back(reel.GetShootingUnit(i).GetOriginalIndex());
    const std::int32_t timeScale = reel.GetTimeScale();
    result["units"] = kept;
    result["units_text"] = IndexRangesText(kept);
    result["shooting_unit_count"] = kept.size();
    result["frame_count"] = reel.GetTotalFrameCount();
    result["duration"] = timeScale > 0 ? static_cast<double>(reel.GetTotalDuration()) / timeScale : 0.0;
    return result;
}

namespace {

// What the save makes (or, for a dry run, would make): a reel's also with
// its length in ticks and the media it copies.
nlohmann::json DescribeResultMovie(const CClipreelMovie& reel, const SaveOptions& options) {
    nlohmann::json result = DescribeSave(reel, options, options.reference ? "reference" : "movie");
    if (!reel.IsValid()) return result;
    std::uint64_t mediaSize = 0;
    for (unsigned i = 0; i < reel.GetShootingUnitCount(); ++i) mediaSize += reel.GetShootingUnit(i).GetSize();
    result["duration_ts"] = reel.GetTotalDuration();
    result["time_base"] = "1/" + std::to_string(reel.GetTimeScale());
    // A reference movie holds no media of its own.
    result["media_size"] = options.reference ? 0 : mediaSize;
    return result;
}

void PrintSummary(const nlohmann::json& result, bool written) {
    const std::string verb = written ? "wrote " : "would write ";
    const std::string what = verb + result["destination"].get<std::string>() +
                             (result["kind"] == "reference" ? " (reference movie)" : "");
    if (!result.contains("units")) {
        std::printf("%s\n", what.c_str());
        return;
    }
    const std::size_t count = result["shooting_unit_count"].get<std::size_t>();
    std::printf("%s: %s (%s)", what.c_str(), CountText(count, "shooting unit").c_str(),
                result["units_text"].get<std::string>().c_str());
    if (!written) {
        std::printf(", %.3f s, %llu bytes of media", result["duration"].get<double>(),
                    static_cast<unsigned long long>(result["media_size"].get<std::uint64_t>()));
    }
    std::printf("\n");
}

}

int RunSave(const SaveOptions& options) {
    int exitCode = EXIT_OK;
    // A reference movie may point at any valid camera movie; a new file needs a reel.
    const bool needReel = !options.reference || !options.keep.empty() || !options.remove.empty();
    const std::unique_ptr<CZentiMovFile> source = OpenCameraMovie(options.source, needReel, exitCode);
    if (!source) return exitCode;

    const std::string noNewMovie = options.reference ? std::string() : WhyNoNewMovie(*source);
    if (!noNewMovie.empty()) {
        Complain(options.source + " cannot be edited: " + noNewMovie + "; a reference movie works: clipreel reference");
        return EXIT_BAD_INPUT;
    }
    if (options.reference && !IsUtf8(options.source)) {
        // The alias record keeps the source's path as text; a name of other
        // bytes would point at no file.
        Complain("a reference movie records its source's name as text, and the name of " + options.source +
                 " is not UTF-8: rename it, or write a new movie with edit");
        return EXIT_BAD_INPUT;
    }
    CClipreelMovie reel(source.get());
    // Without a reel the library copies the whole movie: an index list would
    // be ignored while the save said it succeeded.
    const bool listGiven = !options.keep.empty() || !options.remove.empty();
    if (listGiven && !HasShootingUnits(reel, options.source)) return EXIT_BAD_INPUT;
    if (reel.IsValid() && !ApplyIndexList(reel, options)) return EXIT_USAGE;

    if (options.dryRun) {
        PrintSaveOutcome(DescribeResultMovie(reel, options), options.json, options.quiet, PrintSummary);
        return EXIT_OK;
    }

    SaveRunner runner({options.source}, options.force, options.keepPartial);
    if (!runner.AddOutput(options.destination)) return runner.Refused().FailureExitCode();
    CClipreelMovFileEditor editor(*source);
    SaveRunner::InTool how;
    how.quiet = options.quiet || options.reference || options.json;
    // Only a new movie reports progress, so only there can a first Ctrl-C
    // ask the save to stop; otherwise it ends the tool at once.
    how.cancellable = !options.reference;
    how.failureAfterException = true;
    how.failure = [&](SaveRunner::Result result) {
        if (result == CClipreelMovFileEditor::CREATEMOVFILE_WRITE_ERROR) {
            const std::string limit = runner.SizeLimitFailure();
            return limit.empty() ? "cannot create or write " + options.destination : limit;
        }
        if (result == CClipreelMovFileEditor::CREATEMOVFILE_DISK_FULL) return DiskFullFailure(options.destination);
        return "cannot save " + options.destination + ": " + DescribeResult(result);
    };
    const int code = runner.RunInTool(how, [&](ClipreelProgressCallback callback, void* data) {
        editor.SetProgressCallback(callback, data);
        const CClipreelMovie* reelArgument = reel.IsValid() ? &reel : nullptr;
        const FileLocator destination = runner.Output(0).TemporaryLocator();
        return options.reference ? editor.CreateReferenceMovFile(destination, reelArgument)
                                 : editor.CreateNewMovFile(destination, reelArgument);
    });
    if (code != EXIT_OK) return code;
    PrintSaveOutcome(DescribeResultMovie(reel, options), options.json, options.quiet, PrintSummary);
    return EXIT_OK;
}

}
}
