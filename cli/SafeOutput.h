#ifndef CLIPREEL_CLI_SAFE_OUTPUT_H
#define CLIPREEL_CLI_SAFE_OUTPUT_H

#include "FileLocator.h"
#include "cli/OutputFiles.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace clipreel {
namespace cli {

// One file a command writes, written so that no file is ever lost.
//
// How a command uses it:
//
//     SafeOutput output(options.output, options.force, options.keepPartial);
//     if (!output.Prepare({options.input})) return output.FailureExitCode();
//     // write the whole result to output.TemporaryPath() (or, through the
//     // library, to output.TemporaryLocator()); or simply:
//     if (!output.WriteAll(bytes)) return output.FailureExitCode();
//     if (!output.Commit()) return output.FailureExitCode();
//     // print the summary naming output.Argument()
//
// Prepare refuses an output that already exists (unless force: --force, -y)
// and, even with force, one that is the same file as any input (looked up
// by file identity, so links and other spellings are caught). It creates a
// new temporary file beside the output (same folder: the final rename stays
// on one file system; see TemporaryFile in cli/OutputFiles.h: on Linux it
// has no name until the commit, so even SIGKILL leaves nothing behind) and
// registers it with the process, so that Ctrl-C, SIGTERM or SIGHUP
// (Ctrl-Break or closing the console on Windows) remove it even when the
// process ends before this object does (cli/Interrupt.h; up to 1024 outputs
// live at once are registered). From then on a write past the process's
// file-size limit fails with EFBIG instead of ending the tool.
// Commit flushes the temporary's data to the disk, puts it in place under
// the output name (replacing an existing file only with force) and flushes
// the folder, so a success means the new file survives a crash. It never
// replaces a movie by a file that is not one, whatever the flags. Destroying
// the object without a commit (failure, cancel, an exception) removes the
// temporary, or with keepPartial moves it to PartialPath(): the output's
// name with ".partial" (then ".partial-2"...). The output name itself is
// never touched before the commit.
//
// An existing output that is not a regular file (a device such as /dev/null,
// a pipe) is written directly, since nothing there can be lost; an output
// that is a symbolic link to a file replaces the file it points at.
//
// Each failing call has already complained ("clipreel: ...", naming the file
// and the system's reason); FailureExitCode() is the code to leave with.
class SafeOutput {
public:
    SafeOutput(std::string argument, bool force, bool keepPartial);
    ~SafeOutput();
    SafeOutput(const SafeOutput&) = delete;
    SafeOutput& operator=(const SafeOutput&) = delete;

    // Inputs are command-line arguments, as for the output.
    bool Prepare(const std::vector<std::string>& inputs);

    const std::string& Argument() const { return argument; }
    // Where to write: the temporary file (or the device itself), by a path
    // that reaches that very file (on Linux its descriptor in /proc: no link
    // swapped in can redirect the writes).
    const std::filesystem::path& TemporaryPath() const { return temporary; }
    FileLocator TemporaryLocator() const;
    // Writes bytes as the temporary file's whole content.
    bool WriteAll(const std::vector<std::uint8_t>& bytes);
    bool Commit();
    // After a failed write to TemporaryPath(): the system's reason when the
    // file reached the process's file-size limit ("File too large"), else
    // empty.
    std::string SizeLimitReason() const;
    // The name a partial output is kept under (empty without keepPartial).
    const std::filesystem::path& PartialPath() const { return partial; }

    int FailureExitCode() const { return failureExitCode; }
    // What the last failing call complained of, with the system's reason.
    const std::string& FailureMessage() const { return failureMessage; }

private:
    bool Fail(int exitCode, const std::string& message);
    void Discard();

    std::string argument;
    bool force;
    bool keepPartial;
    std::filesystem::path target;  // the file the commit replaces or creates
    std::unique_ptr<TemporaryFile> file;
    std::filesystem::path temporary;  // where to write
    std::filesystem::path name;       // the temporary's name, empty while it has none
    std::filesystem::path partial;
    bool direct = false;  // a device or pipe: written in place
    bool live = false;    // a temporary exists and is ours
    int slot = -1;        // in the process's list of live temporaries
    int failureExitCode = 0;
    std::string failureMessage;
};

// For the termination handlers (async-signal-safe, idempotent): removes
// every live temporary, or moves it to its partial name when so asked.
void CleanUpLiveTemporaries();
// Whether any temporary is live (a handler may wait for the command to
// remove its own).
bool AnyLiveTemporary();

}
}

#endif
