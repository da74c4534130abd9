#ifndef CLIPREEL_CLI_SAVE_RUNNER_H
#define CLIPREEL_CLI_SAVE_RUNNER_H

#include "ClipreelMovFileEditor.h"
#include "cli/SafeOutput.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace clipreel {
namespace cli {

// One library write into safe outputs (cli/SafeOutput.h): every output is
// checked and given its temporary file before anything is written, the
// library writes them all, and only when it succeeded are they put in
// place, in order. Anything else leaves the outputs' names as they were.
//
// How a command of the tool uses it:
//
//     SaveRunner runner({options.source}, options.force, options.keepPartial);
//     if (!runner.AddOutput(options.destination)) return runner.Refused().FailureExitCode();
//     SaveRunner::InTool how;  // quiet or not, cancel, the command's words for a failure
//     const int code = runner.RunInTool(how, [&](ClipreelProgressCallback callback, void* data) {
//         writer.SetProgressCallback(callback, data);
//         return writer.Create...(runner.Output(0).TemporaryLocator());
//     });
//
// The studio's save job, which shows progress and takes its cancel its own
// way, writes into Output(0) itself between AddOutput and Commit.
class SaveRunner {
public:
    using Result = CClipreelMovFileEditor::ERROR_CREATEMOVFILE;
    // Writes every output's temporary file through the library, reporting
    // progress to the callback.
    using Writing = std::function<Result(ClipreelProgressCallback callback, void* userData)>;

    // inputs are command-line arguments: no output may be one of them (even
    // with force, which lets an output replace any other file).
    SaveRunner(std::vector<std::string> inputs, bool force, bool keepPartial);
    SaveRunner(const SaveRunner&) = delete;
    SaveRunner& operator=(const SaveRunner&) = delete;

    // Checks one more output and gives it its temporary file; false after a
    // complaint (Refused() says why).
    bool AddOutput(const std::string& argument);
    const SafeOutput& Output(std::size_t index) const { return *outputs[index]; }
    // The output whose AddOutput or Commit failed last.
    const SafeOutput& Refused() const { return *outputs[refused]; }

    // Puts every output in place, in order; false at the first that fails.
    bool Commit();

    // After a write error: "cannot write OUTPUT: REASON" for an output that
    // reached the process's file-size limit (the last such), else empty.
    std::string SizeLimitFailure() const;

    // How a command of the tool runs its write.
    struct InTool {
        // No progress; otherwise a bar on a terminal, lines of percents
        // elsewhere, on standard error.
        bool quiet = false;
        // Whether a first Ctrl-C asks the write to stop (cli/Interrupt.h)
        // rather than ending the tool at once.
        bool cancellable = true;
        // The command's words for a write that failed with this result.
        std::function<std::string(Result)> failure;
        // Whether an exception from the write, once complained of, is said
        // again in the failure's words.
        bool failureAfterException = false;
    };
    // The whole save as the tool runs it: progress shown, a write past the
    // file-size limit a write error like any other, a failure complained of;
    // the exit code (cli/ExitCode.h).
    int RunInTool(const InTool& how, const Writing& writing);

private:
    const std::vector<std::string> inputs;
    const bool force;
    const bool keepPartial;
    std::vector<std::unique_ptr<SafeOutput>> outputs;
    std::size_t refused = 0;
};

// "cannot write OUTPUT: " and the system's words for a full disk.
std::string DiskFullFailure(const std::string& output);

}
}

#endif
