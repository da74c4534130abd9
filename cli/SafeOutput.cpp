#include "cli/SafeOutput.h"

#include "cli/CommandPaths.h"
#include "cli/CommandSupport.h"
#include "cli/ExitCode.h"
#include "cli/Interrupt.h"
#include "cli/OutputFiles.h"

#include <atomic>
#include <cstdio>
#include <random>
#include <system_error>

namespace clipreel {
namespace cli {

namespace {

// The live temporaries, for a handler that may run at any moment: plain
// slots of atomic pointers into the owning SafeOutput's paths. A slot is
// filled (partial first) as soon as the file is created, and emptied only
// after the file is gone or renamed, so a handler at any point finds what to
// remove; removing a name that is already gone does nothing.
struct LiveTemporary {
    std::atomic<const NativeChar*> temporary{nullptr};
    std::atomic<const NativeChar*> partial{nullptr};
};

constexpr int SlotCount = 1024;
LiveTemporary liveTemporaries[SlotCount];

static_assert(std::atomic<const NativeChar*>::is_always_lock_free, "the handlers read the slots");

int TakeSlot(const std::filesystem::path& temporary, const std::filesystem::path& partial) {
    for (int slot = 0; slot < SlotCount; ++slot) {
        const NativeChar* expected = nullptr;
        LiveTemporary& live = liveTemporaries[slot];
        if (live.temporary.load() != nullptr) continue;
        live.partial.store(partial.empty() ? nullptr : partial.c_str());
        if (live.temporary.compare_exchange_strong(expected, temporary.c_str())) return slot;
    }
    return -1;
}

void ReleaseSlot(int slot) {
    if (slot < 0) return;
    liveTemporaries[slot].temporary.store(nullptr);
}

// A name beside the output that no one else uses: hidden, and telling
// whose it is.
std::filesystem::path TemporaryNameBeside(const std::filesystem::path& target, unsigned attempt) {
    static std::mt19937 generator{std::random_device{}()};
    const unsigned tag = static_cast<unsigned>(generator()) ^ (attempt * 2654435761u);
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, ".clipreel-%08x.tmp", tag);
    std::filesystem::path hidden = std::filesystem::u8path(".");
    hidden += target.filename();
    hidden += suffix;
    return target.parent_path() / hidden;
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

SafeOutput::SafeOutput(std::string argument_, bool force_, bool keepPartial_)
    : argument(std::move(argument_)), force(force_), keepPartial(keepPartial_) {}

SafeOutput::~SafeOutput() {
    Discard();
}

bool SafeOutput::Fail(int exitCode, const std::string& message) {
    Complain(message);
    failureExitCode = exitCode;
    failureMessage = message;
    return false;
}

bool SafeOutput::Prepare(const std::vector<std::string>& inputs) {
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
                return Fail(EXIT_USAGE, input == argument
                                            ? "the output " + argument + " is an input of this command: inputs are never replaced"
                                            : "the output " + argument + " is the input " + input +
                                                  " itself: inputs are never replaced");
            }
        }
        if (std::filesystem::is_directory(status)) {
            return Fail(EXIT_CANNOT_WRITE,
                        "cannot write " + argument + ": " + SystemReason(std::make_error_code(std::errc::is_a_directory)));
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
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        temporary = TemporaryNameBeside(target, attempt);
        bool exists = false;
        if (CreateNewFile(temporary, reason, exists)) {
            // Registered only once it is ours: a handler must never remove a
            // file of the same name that someone else made. A stop in between
            // leaves at most this empty hidden file.
            slot = TakeSlot(temporary, partial);
            live = true;
            return true;
        }
        if (!exists) break;
    }
    temporary.clear();
    return Fail(EXIT_CANNOT_WRITE, "cannot write " + argument + ": " + reason);
}

FileLocator SafeOutput::TemporaryLocator() const {
    return LocatorFor(temporary);
}

bool SafeOutput::WriteAll(const std::vector<std::uint8_t>& bytes) {
    std::string reason;
    if (WriteBytes(temporary, bytes, reason)) return true;
    return Fail(EXIT_CANNOT_WRITE, "cannot write " + argument + ": " + reason);
}

bool SafeOutput::Commit() {
    if (direct) return true;
    if (!live) return Fail(EXIT_CANNOT_WRITE, "cannot write " + argument + ": nothing was prepared");
    if (InterruptRequested()) return Fail(EXIT_SAVE_CANCELED, argument + " not written: interrupted");
    // A replaced file keeps its permissions (a read-only copy stays so).
    std::error_code permissionsError;
    const std::filesystem::file_status replaced = std::filesystem::status(target, permissionsError);
    if (force && !permissionsError && std::filesystem::is_regular_file(replaced)) {
        std::filesystem::permissions(temporary, replaced.permissions(), permissionsError);
    }
    std::string reason;
    bool exists = false;
    if (!MoveFile(temporary, target, force, reason, exists)) {
        if (exists) return Fail(EXIT_OUTPUT_EXISTS, argument + " already exists: give --force (-y) to replace it");
        return Fail(EXIT_CANNOT_WRITE, "cannot write " + argument + ": " + reason);
    }
    live = false;
    ReleaseSlot(slot);
    slot = -1;
    return true;
}

void SafeOutput::Discard() {
    if (!live) return;
    live = false;
    if (keepPartial) {
        std::string reason;
        bool exists = false;
        if (MoveFile(temporary, partial, false, reason, exists)) {
            Complain("kept the partial output as " + partial.u8string());
        } else {
            Complain("cannot keep the partial output as " + partial.u8string() + ": " + reason);
            std::error_code error;
            std::filesystem::remove(temporary, error);
        }
    } else {
        std::error_code error;
        std::filesystem::remove(temporary, error);
    }
    ReleaseSlot(slot);
    slot = -1;
}

void CleanUpLiveTemporaries() {
    for (LiveTemporary& live : liveTemporaries) {
        const NativeChar* temporary = live.temporary.exchange(nullptr);
        if (temporary == nullptr) continue;
        const NativeChar* partial = live.partial.load();
        if (partial != nullptr) {
            MoveFileNow(temporary, partial);
        } else {
            RemoveFileNow(temporary);
        }
    }
}
bool AnyLiveTemporary() {
    for (const LiveTemporary& live : liveTemporaries) {
        if (live.temporary.load() != nullptr) return true;
    }
    return false;
}

}
}
