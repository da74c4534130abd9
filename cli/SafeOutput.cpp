#include "cli/SafeOutput.h"

#include "cli/CommandPaths.h"
#include "cli/CommandSupport.h"
#include "cli/Console.h"
#include "cli/ExitCode.h"
#include "cli/Interrupt.h"
#include "cli/OutputFiles.h"

#include <atomic>
#include <system_error>

namespace clipreel {
namespace cli {

namespace {

// The live temporaries, for a handler that may run at any moment: plain
// slots of atomic pointers into the owning SafeOutput's paths. A slot is
// filled (name and partial first) as soon as the file is created, and
// emptied only after the file is placed or gone, so a handler at any point
// finds what to remove; removing a name that is already gone does nothing.
// An unnamed temporary needs no removal: the system frees it with the
// process. Asked to keep it, the handler gives it the partial name.
struct LiveTemporary {
    std::atomic<const NativeChar*> writePath{nullptr};
    std::atomic<const NativeChar*> name{nullptr};
    std::atomic<const NativeChar*> partial{nullptr};
};

constexpr int SlotCount = 1024;
LiveTemporary liveTemporaries[SlotCount];

static_assert(std::atomic<const NativeChar*>::is_always_lock_free, "the handlers read the slots");

const NativeChar* PathOrNull(const std::filesystem::path& path) { return path.empty() ? nullptr : path.c_str(); }

int TakeSlot(const std::filesystem::path& writePath, const std::filesystem::path& name,
             const std::filesystem::path& partial) {
    for (int slot = 0; slot < SlotCount; ++slot) {
        const NativeChar* expected = nullptr;
        LiveTemporary& live = liveTemporaries[slot];
        if (live.writePath.load() != nullptr) continue;
        live.name.store(PathOrNull(name));
        live.partial.store(PathOrNull(partial));
        if (live.writePath.compare_exchange_strong(expected, writePath.c_str())) return slot;
    }
    return -1;
}

void ReleaseSlot(int slot) {
    if (slot < 0) return;
    liveTemporaries[slot].writePath.store(nullptr);
}

std::filesystem::path FreePartialName(const std::filesystem::path& target) {
    for (unsigned number = 1;; ++number) {
        std::filesystem::path name = target;
        name += number == 1 ? std::string(".partial") : ".partial-" + std::to_string(number);
        std::error_code error;
        if (!std::filesystem::exists(std::filesystem::symlink_status(name, error))) return name;
    }
}

}

SafeOutput::SafeOutput(std::string outputArgument, bool replaceExisting, bool keepPartialOutput)
    : argument(std::move(outputArgument)), force(replaceExisting), keepPartial(keepPartialOutput) {}

SafeOutput::~SafeOutput() { Discard(); }

bool SafeOutput::Fail(int exitCode, const std::string& message) {
    Complain(message);
    failureExitCode = exitCode;
    failureMessage = message;
    return false;
}

bool SafeOutput::Prepare(const std::vector<std::string>& inputs) {
    // A write past the file-size limit is a failure to report (EFBIG), not
    // a signal that ends the tool.
    KeepRunningPastFileSizeLimit();
    const std::filesystem::path path = ArgumentPath(argument);
    if (argument.empty()) return Fail(EXIT_USAGE, "the output file name is empty");
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(path, error);
    if (error && error != std::errc::no_such_file_or_directory) {
        return Fail(EXIT_CANNOT_WRITE, "cannot write " + argument + ": " + SystemReason(error));
    }
    if (std::filesystem::exists(status)) {
        for (const std::string& input : inputs) {
            std::error_code sameError;
            if (std::filesystem::equivalent(ArgumentPath(input), path, sameError)) {
                return Fail(
                    EXIT_USAGE,
                    input == argument
                        ? "the output " + argument + " is an input of this command: inputs are never replaced"
                        : "the output " + argument + " is the input " + input + " itself: inputs are never replaced");
            }
        }
        if (std::filesystem::is_directory(status)) {
            return Fail(EXIT_CANNOT_WRITE, "cannot write " + argument + ": " +
                                               SystemReason(std::make_error_code(std::errc::is_a_directory)));
        }
        if (!std::filesystem::is_regular_file(status)) {
            direct = true;
            temporary = path;
            return true;
        }
        if (!force) {
            return Fail(EXIT_OUTPUT_EXISTS, argument + " already exists: give --force (-y) to replace it");
        }
        target = std::filesystem::canonical(path, error);
        if (error) target = path;
    } else {
        target = path;
    }
    if (keepPartial) partial = FreePartialName(target);

    std::string reason;
    file = TemporaryFile::CreateBeside(target, reason);
    if (!file) return Fail(EXIT_CANNOT_WRITE, "cannot write " + argument + ": " + reason);
    temporary = file->WritePath();
    name = file->Name();
    // Registered only once it is ours: a handler must never remove a file of
    // the same name that someone else made.
    slot = TakeSlot(temporary, name, partial);
    live = true;
    return true;
}

FileLocator SafeOutput::TemporaryLocator() const { return LocatorFor(temporary); }

bool SafeOutput::WriteAll(const std::vector<std::uint8_t>& bytes) {
    std::string reason;
    if (file ? file->WriteAll(bytes, reason) : WriteBytes(temporary, bytes, reason)) return true;
    return Fail(EXIT_CANNOT_WRITE, "cannot write " + argument + ": " + reason);
}

std::string SafeOutput::SizeLimitReason() const { return file ? file->SizeLimitReason() : std::string(); }

bool SafeOutput::Commit() {
    if (direct) return true;
    if (!live) return Fail(EXIT_CANNOT_WRITE, "cannot write " + argument + ": nothing was prepared");
    if (InterruptRequested()) return Fail(EXIT_SAVE_CANCELED, argument + " not written: interrupted");
    std::error_code statusError;
    const std::filesystem::file_status replaced = std::filesystem::status(target, statusError);
    const bool replacing = !statusError && std::filesystem::is_regular_file(replaced);
    // Whatever the flags: footage is never lost to a picture or a sound file
    // that a shifted argument sent to its name.
    if (replacing && BeginsAsMovie(FirstBytesOf(target)) && !BeginsAsMovie(file->FirstBytes())) {
        return Fail(EXIT_OUTPUT_EXISTS, argument + " is a movie: it is never replaced by a file of another kind");
    }
    // A replaced file keeps its permissions (a read-only copy stays so).
    if (replacing) {
        std::error_code permissionsError;
        std::filesystem::permissions(temporary, replaced.permissions(), permissionsError);
    }
    // The data reach the disk before the name does: a crash after the move
    // finds either the old file or the whole new one.
    std::string reason;
    if (!file->Flush(reason)) return Fail(EXIT_CANNOT_WRITE, "cannot write " + argument + ": " + reason);
    const bool replace = force && replacing;
    if (replace) {
        if (slot >= 0) liveTemporaries[slot].name.store(nullptr);
        if (!file->GiveHiddenName(reason)) return Fail(EXIT_CANNOT_WRITE, "cannot write " + argument + ": " + reason);
        name = file->Name();
        if (slot >= 0) liveTemporaries[slot].name.store(PathOrNull(name));
    }
    bool exists = false;
    if (!file->Place(target, replace, reason, exists)) {
        if (exists) return Fail(EXIT_OUTPUT_EXISTS, argument + " already exists: give --force (-y) to replace it");
        return Fail(EXIT_CANNOT_WRITE, "cannot write " + argument + ": " + reason);
    }
    live = false;
    ReleaseSlot(slot);
    slot = -1;
    const bool synced = file->SyncFolder(reason);
    file.reset();
    if (!synced) return Fail(EXIT_CANNOT_WRITE, "cannot write " + argument + ": " + reason);
    return true;
}

void SafeOutput::Discard() {
    if (!live) return;
    live = false;
    if (keepPartial) {
        std::string reason;
        bool exists = false;
        if (file->Place(partial, false, reason, exists)) {
            Complain("kept the partial output as " + partial.u8string());
        } else {
            Complain("cannot keep the partial output as " + partial.u8string() + ": " + reason);
            file->Remove();
        }
    } else {
        file->Remove();
    }
    ReleaseSlot(slot);
    slot = -1;
    file.reset();
}

void CleanUpLiveTemporaries() {
    for (LiveTemporary& live : liveTemporaries) {
        const NativeChar* writePath = live.writePath.exchange(nullptr);
        if (writePath == nullptr) continue;
        const NativeChar* name = live.name.load();
        const NativeChar* partial = live.partial.load();
        if (partial != nullptr) {
            if (name != nullptr) {
                MoveFileNow(name, partial);
            } else {
                LinkFileNow(writePath, partial);
            }
        } else if (name != nullptr) {
            RemoveFileNow(name);
        }
    }
}
bool AnyLiveTemporary() {
    for (const LiveTemporary& live : liveTemporaries) {
        if (live.writePath.load() != nullptr) return true;
    }
    return false;
}

}
}
