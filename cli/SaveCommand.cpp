#include "cli/Commands.h"

#include "ClipreelMovFileEditor.h"
#include "ClipreelMovie.h"
#include "cli/CommandSupport.h"
#include "cli/Console.h"
#include "cli/ExitCode.h"
#include "cli/IndexList.h"
#include "cli/ProgressDisplay.h"

#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <system_error>

namespace clipreel {
namespace cli {

namespace {

// What the destination was before the save, so that a failed save removes
// only what it wrote: a file that did not exist, or one whose contents the
// save replaced. A device or a file the save never touched stays.
struct DestinationBefore {
    bool existed = false;
    bool regular = false;
    std::uintmax_t size = 0;
    std::filesystem::file_time_type time{};
};

DestinationBefore LookAtDestination(const std::string& path) {
    DestinationBefore before;
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    before.existed = std::filesystem::exists(status);
    before.regular = std::filesystem::is_regular_file(status);
    if (before.regular) {
        before.size = std::filesystem::file_size(path, error);
        before.time = std::filesystem::last_write_time(path, error);
    }
    return before;
}

bool RemovePartialOutput(const std::string& path, const DestinationBefore& before) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return false;
    if (before.existed) {
        if (!before.regular) return false;
        const bool unchanged = std::filesystem::file_size(path, error) == before.size &&
                               std::filesystem::last_write_time(path, error) == before.time;
        if (unchanged) return false;
    }
    return std::filesystem::remove(path, error);
}

// Applies --keep or --remove to the reel; a complaint and false when the list
// is not one the reel can take whole.
bool ApplyIndexList(CClipreelMovie& reel, const SaveOptions& options) {
    const unsigned count = reel.GetShootingUnitCount();
    std::string error;
    std::vector<unsigned> indices;
    std::vector<unsigned> kept;
    if (!options.keep.empty()) {
        if (!ParseIndexList(options.keep, indices, error) || !CheckKeepList(indices, count, error)) {
            Complain(error);
            return false;
        }
        kept = indices;
    } else if (!options.remove.empty()) {
        if (!ParseIndexList(options.remove, indices, error) || !CheckRemoveList(indices, count, error)) {
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

std::string KeptText(const CClipreelMovie& reel) {
    std::string text;
    for (unsigned i = 0; i < reel.GetShootingUnitCount(); ++i) {
        if (!text.empty()) text += ",";
        text += std::to_string(reel.GetShootingUnit(i).GetOriginalIndex());
    }
    return text;
}

}

int RunSave(const SaveOptions& options) {
    int exitCode = EXIT_OK;
    // A reference movie may point at any valid camera movie; a new file needs a reel.
    const bool needReel = !options.reference || !options.keep.empty() || !options.remove.empty();
    const std::unique_ptr<CZentiMovFile> source = OpenCameraMovie(options.source, needReel, exitCode);
    if (!source) return exitCode;

    std::error_code error;
    if (std::filesystem::equivalent(options.source, options.destination, error)) {
        Complain("the destination " + options.destination + " is the source file itself");
        return EXIT_USAGE;
    }

    CClipreelMovie reel(source.get());
    if (reel.IsValid() && !ApplyIndexList(reel, options)) return EXIT_USAGE;

    const DestinationBefore before = LookAtDestination(options.destination);
    const std::wstring destination = WidePath(options.destination);
    CClipreelMovFileEditor editor(*source);
    const ProgressDisplay::Style style = options.quiet || options.reference ? ProgressDisplay::Style::Quiet
                                         : StandardErrorIsTerminal()         ? ProgressDisplay::Style::Bar
                                                                             : ProgressDisplay::Style::Lines;
    ProgressDisplay progress(style, stderr);
    editor.SetProgressCallback(&ProgressDisplay::Callback, &progress);

    KeepRunningPastFileSizeLimit();
    // Only a new movie reports progress, so only there can Ctrl-C cancel.
    if (!options.reference) InstallInterruptHandler();
    CClipreelMovFileEditor::ERROR_CREATEMOVFILE result = CClipreelMovFileEditor::CREATEMOVFILE_INTERNAL_ERROR;
    try {
        const CClipreelMovie* reelArgument = reel.IsValid() ? &reel : nullptr;
        result = options.reference ? editor.CreateReferenceMovFile(FileLocator(destination.c_str()), reelArgument)
                                   : editor.CreateNewMovFile(FileLocator(destination.c_str()), reelArgument);
    } catch (const std::exception& exception) {
        progress.Finish();
        Complain(std::string("internal error: ") + exception.what());
        result = CClipreelMovFileEditor::CREATEMOVFILE_INTERNAL_ERROR;
    }
    progress.Finish();

    if (result != CClipreelMovFileEditor::CREATEMOVFILE_SUCCESS) {
        std::string message = "cannot save " + options.destination + ": " + DescribeResult(result);
        if (result == CClipreelMovFileEditor::CREATEMOVFILE_WRITE_ERROR) {
            message = "cannot create or write " + options.destination;
        }
        Complain(message);
        if (!options.keepPartial && RemovePartialOutput(options.destination, before)) {
            Complain("removed the partial output " + options.destination);
        }
        return ExitCodeForResult(result);
    }
    if (!options.quiet) {
        if (reel.IsValid()) {
            const unsigned count = reel.GetShootingUnitCount();
            std::printf("wrote %s%s: %u shooting unit%s (%s)\n", options.destination.c_str(),
                        options.reference ? " (reference movie)" : "", count, count == 1 ? "" : "s",
                        KeptText(reel).c_str());
        } else {
            std::printf("wrote %s (reference movie)\n", options.destination.c_str());
        }
    }
    return EXIT_OK;
}

}
}
