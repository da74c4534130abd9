#include "cli/CommandSupport.h"

#include "DebugOutput.h"
#include "MovieDetails.h"
#include "ZentiMovFile.h"
#include "ZentiMovie.h"
#include "cli/CommandPaths.h"
#include "cli/Console.h"
#include "cli/CutPoint.h"
#include "cli/ExitCode.h"
#include "cli/FileLayout.h"
#include "cli/MovieReport.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace clipreel {
namespace cli {

void Complain(const std::string& message) {
    std::fprintf(stderr, "clipreel: %s\n", message.c_str());
}

namespace {

void DropDebugLine(const char*, void*) {}

void ShowDebugLine(const char* line, void*) {
    std::fputs(line, stderr);
}

}

void ShowLibraryLogs(bool verbose) {
    ClipreelSetDebugOutputSink(verbose ? &ShowDebugLine : &DropDebugLine, nullptr);
}

std::string JsonText(const nlohmann::json& value) {
    return value.dump(2, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::string JsonText(const nlohmann::ordered_json& value) {
    return value.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

void PrintSaveOutcome(nlohmann::json description, bool json, bool quiet, SaveSummary summary) {
    const bool written = !description["dry_run"].get<bool>();
    if (json) {
        if (written) {
            std::error_code error;
            const std::uintmax_t size =
                std::filesystem::file_size(ArgumentPath(description["destination"].get<std::string>()), error);
            description["size"] = error ? nlohmann::json(nullptr) : nlohmann::json(size);
        }
        std::printf("%s\n", JsonText(description).c_str());
    } else if (!quiet) {
        summary(description, written);
    }
}

std::string UnreadableReason(const std::string& path) {
    std::error_code error;
    const std::filesystem::path native = ArgumentPath(path);
    const std::filesystem::file_status status = std::filesystem::status(native, error);
    if (error) return SystemReason(error);
    if (std::filesystem::is_directory(status)) {
        return SystemReason(std::make_error_code(std::errc::is_a_directory));
    }
    errno = 0;
    std::ifstream probe(native, std::ios::binary);
    if (!probe) {
        const int reason = errno != 0 ? errno : static_cast<int>(std::errc::permission_denied);
        return SystemReason(std::error_code(reason, std::generic_category()));
    }
    return std::string();
}

std::string WhatIsWrong(const std::string& path, const CZentiMovFile& file) {
    FileLayout layout;
    std::string reason;
    if (!ReadFileLayout(ArgumentPath(path), layout, reason)) return "cannot be read: " + reason;
    const std::string cut = DescribeCutAtAnAtomEnd(path, file);
    if (!cut.empty()) return cut;
    const CZentiMovie* movie = file.GetZentiMovie();
    return DescribeUnreadableMovie(layout, movie != nullptr && movie->IsValid());
}

std::string WhyNoNewMovie(const CZentiMovFile& file) {
    const CZentiMovie* movie = file.GetZentiMovie();
    if (movie == nullptr) return "it has no movie atom";
    return CMovieDetails(*movie).GetRecordRefreshProblem();
}

bool HasShootingUnits(const CClipreelMovie& reel, const std::string& path) {
    if (reel.IsValid()) return true;
    Complain("the shooting units of " + path + " cannot be told apart from its tables");
    return false;
}

namespace {

// A cut reel: what salvage makes of it, as the end of the sentence that says
// the file is cut.
std::string SalvageHint(const std::string& path) {
    nlohmann::ordered_json salvage;
    return DescribeSalvage(LocatorFor(path), salvage);
}

}

std::unique_ptr<CZentiMovFile> OpenCameraMovie(const std::string& path, bool needClipreel, int& exitCode) {
    const std::string unreadable = UnreadableReason(path);
    if (!unreadable.empty()) {
        Complain("cannot read " + path + ": " + unreadable);
        exitCode = EXIT_BAD_INPUT;
        return nullptr;
    }
    auto file = std::make_unique<CZentiMovFile>(LocatorFor(path));
    if (!file->IsValid() || file->GetZentiMovie() == nullptr) {
        std::string wrong = WhatIsWrong(path, *file);
        FileLayout layout;
        std::string reason;
        const bool truncated = ReadFileLayout(ArgumentPath(path), layout, reason) && layout.Truncated();
        if (truncated || !DescribeCutAtAnAtomEnd(path, *file).empty()) wrong += SalvageHint(path);
        Complain(path + " " + wrong);
        exitCode = EXIT_BAD_INPUT;
        return nullptr;
    }
    if (needClipreel && !file->GetZentiMovie()->IsClipreelMovie(nullptr)) {
        // Cut where its media data end, a reel reads as a movie of another kind.
        const std::string cut = DescribeCutAtAnAtomEnd(path, *file);
        Complain(path + " " + (cut.empty() ? "is not a Clipreel movie" : cut + SalvageHint(path)));
        exitCode = EXIT_BAD_INPUT;
        return nullptr;
    }
    exitCode = EXIT_OK;
    return file;
}

}
}
