#include "cli/SaveRunner.h"

#include "cli/CommandPaths.h"
#include "cli/CommandSupport.h"
#include "cli/ExitCode.h"
#include "cli/Interrupt.h"
#include "cli/ProgressDisplay.h"

#include <cstdio>
#include <optional>
#include <stdexcept>
#include <system_error>

namespace clipreel {
namespace cli {

SaveRunner::SaveRunner(std::vector<std::string> checkedInputs, bool replaceExisting, bool keepPartialOutputs)
    : inputs(std::move(checkedInputs)), force(replaceExisting), keepPartial(keepPartialOutputs) {}

bool SaveRunner::AddOutput(const std::string& argument) {
    outputs.push_back(std::make_unique<SafeOutput>(argument, force, keepPartial));
    if (outputs.back()->Prepare(inputs)) return true;
    refused = outputs.size() - 1;
    return false;
}

bool SaveRunner::Commit() {
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        if (!outputs[i]->Commit()) {
            refused = i;
            return false;
        }
    }
    return true;
}

std::string SaveRunner::SizeLimitFailure() const {
    std::string failure;
    for (const auto& output : outputs) {
        const std::string limit = output->SizeLimitReason();
        if (!limit.empty()) failure = "cannot write " + output->Argument() + ": " + limit;
    }
    return failure;
}

int SaveRunner::RunInTool(const InTool& how, const Writing& writing) {
    // Past the file-size limit a write fails like any other: every output's
    // Prepare already made the tool keep running there.
    ProgressDisplay progress(ProgressDisplay::ForStandardError(how.quiet), stderr);
    Result result = CClipreelMovFileEditor::CREATEMOVFILE_INTERNAL_ERROR;
    try {
        std::optional<CooperativeCancel> cancel;
        if (how.cancellable) cancel.emplace();
        result = writing(&ProgressDisplay::Callback, &progress);
    } catch (const std::exception& exception) {
        progress.Finish();
        Complain(std::string("internal error: ") + exception.what());
        // The write never returned: the result is still an internal error.
        if (!how.failureAfterException) return EXIT_SAVE_INTERNAL_ERROR;
    }
    progress.Finish();
    if (result != CClipreelMovFileEditor::CREATEMOVFILE_SUCCESS) {
        Complain(how.failure(result));
        return ExitCodeForResult(result);
    }
    if (!Commit()) return Refused().FailureExitCode();
    return EXIT_OK;
}

std::string DiskFullFailure(const std::string& output) {
    return "cannot write " + output + ": " + SystemReason(std::make_error_code(std::errc::no_space_on_device));
}

}
}
