#include "cli/Commands.h"

#include "ClipreelMovFileEditor.h"
#include "ClipreelMovie.h"
#include "cli/CommandSupport.h"
#include "cli/Console.h"
#include "cli/ExitCode.h"
#include "cli/IndexList.h"
#include "cli/Interrupt.h"
#include "cli/ProgressDisplay.h"
#include "cli/SafeOutput.h"

#include <cstdio>
#include <stdexcept>

namespace clipreel {
namespace cli {

namespace {

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

    CClipreelMovie reel(source.get());
    if (reel.IsValid() && !ApplyIndexList(reel, options)) return EXIT_USAGE;

    SafeOutput output(options.destination, options.force, options.keepPartial);
    if (!output.Prepare({options.source})) return output.FailureExitCode();
    CClipreelMovFileEditor editor(*source);
    const ProgressDisplay::Style style = options.quiet || options.reference ? ProgressDisplay::Style::Quiet
                                         : StandardErrorIsTerminal()         ? ProgressDisplay::Style::Bar
                                                                             : ProgressDisplay::Style::Lines;
    ProgressDisplay progress(style, stderr);
    editor.SetProgressCallback(&ProgressDisplay::Callback, &progress);

    KeepRunningPastFileSizeLimit();
    CClipreelMovFileEditor::ERROR_CREATEMOVFILE result = CClipreelMovFileEditor::CREATEMOVFILE_INTERNAL_ERROR;
    try {
        // Only a new movie reports progress, so only there can a first
        // Ctrl-C ask the save to stop; otherwise it ends the tool at once.
        std::unique_ptr<CooperativeCancel> cancel;
        if (!options.reference) cancel = std::make_unique<CooperativeCancel>();
        const CClipreelMovie* reelArgument = reel.IsValid() ? &reel : nullptr;
        result = options.reference ? editor.CreateReferenceMovFile(output.TemporaryLocator(), reelArgument)
                                   : editor.CreateNewMovFile(output.TemporaryLocator(), reelArgument);
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
        return ExitCodeForResult(result);
    }
    if (!output.Commit()) return output.FailureExitCode();
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
