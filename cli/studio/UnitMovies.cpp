#include "UnitMovies.h"

#include "EditedMovie.h"
#include "Processes.h"
#include "ReelSession.h"
#include "cli/ExitCode.h"

#include <random>
#include <system_error>

namespace clipreel {
namespace studio {

const char* const UnitMovies::FolderPrefix = "clipreel-studio-";

namespace {

// The process number in a player folder's name ("clipreel-studio-PID-N"),
// or 0 when the name is not one.
int FolderProcess(const std::string& name) {
    const std::string prefix = UnitMovies::FolderPrefix;
    if (name.compare(0, prefix.size(), prefix) != 0) return 0;
    const std::size_t dash = name.find('-', prefix.size());
    if (dash == std::string::npos || dash == prefix.size() || dash - prefix.size() > 9) return 0;
    int number = 0;
    for (std::size_t i = prefix.size(); i < dash; ++i) {
        if (name[i] < '0' || name[i] > '9') return 0;
        number = number * 10 + (name[i] - '0');
    }
    return number;
}

}

void RemoveStalePlayerFolders(const std::filesystem::path& temporary) {
    std::error_code failure;
    std::filesystem::directory_iterator entries(temporary, failure);
    if (failure) return;
    for (const auto& entry : entries) {
        const int process = FolderProcess(entry.path().filename().string());
        if (process == 0 || process == CurrentProcessNumber() || ProcessRunning(process)) continue;
        // Only a folder itself, never where a link in its place points.
        if (!entry.is_directory(failure) || entry.is_symlink(failure)) continue;
        std::filesystem::remove_all(entry.path(), failure);
    }
}

UnitMovies::UnitMovies() {
    std::error_code failure;
    const std::filesystem::path temporary = std::filesystem::temp_directory_path(failure);
    if (failure) return;
    RemoveStalePlayerFolders(temporary);
    std::random_device source;
    for (int attempt = 0; attempt < 8; ++attempt) {
        const std::filesystem::path candidate =
            temporary / (FolderPrefix + std::to_string(CurrentProcessNumber()) + "-" + std::to_string(source()));
        if (std::filesystem::create_directory(candidate, failure)) {
            std::filesystem::permissions(candidate, std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::replace, failure);
            folder = candidate;
            return;
        }
    }
}

UnitMovies::~UnitMovies() {
    std::error_code failure;
    if (!folder.empty()) std::filesystem::remove_all(folder, failure);
}

bool UnitMovies::Movie(unsigned reelNumber, const ReelSession& reel, unsigned unit, std::filesystem::path& movie,
                       std::string& error) {
    if (unit >= reel.UnitCount()) {
        error = "there is no shooting unit " + std::to_string(unit);
        return false;
    }
    if (folder.empty()) {
        error = "no temporary folder for the player";
        return false;
    }
    const std::lock_guard<std::mutex> guard(lock);
    const auto key = std::make_pair(reelNumber, unit);
    auto found = made.find(key);
    if (found == made.end()) {
        // A name never used before: a reel read anew never meets the movie
        // of the reel it replaced, even one still being sent.
        const std::filesystem::path path =
            folder / ("reel" + std::to_string(reelNumber) + "-unit" + std::to_string(unit) + "-" +
                      std::to_string(moviesMade++) + ".mov");
        const CClipreelMovFileEditor::ERROR_CREATEMOVFILE result =
            WriteEditedMovie(reel.Path(), {unit}, path, false, nullptr, nullptr);
        if (result != CClipreelMovFileEditor::CREATEMOVFILE_SUCCESS) {
            std::error_code failure;
            std::filesystem::remove(path, failure);
            error = cli::DescribeResult(result);
            return false;
        }
        found = made.emplace(key, path).first;
    }
    movie = found->second;
    return true;
}

void UnitMovies::Forget(unsigned reelNumber) {
    const std::lock_guard<std::mutex> guard(lock);
    for (auto entry = made.begin(); entry != made.end();) {
        if (entry->first.first != reelNumber) {
            ++entry;
            continue;
        }
        std::error_code failure;
        std::filesystem::remove(entry->second, failure);
        entry = made.erase(entry);
    }
}

}
}
