#include "UnitMovies.h"

#include "EditedMovie.h"
#include "ReelSession.h"
#include "cli/ExitCode.h"

#include <fstream>
#include <iterator>
#include <random>
#include <system_error>

namespace clipreel {
namespace studio {

UnitMovies::UnitMovies() {
    std::error_code failure;
    const std::filesystem::path temporary = std::filesystem::temp_directory_path(failure);
    if (failure) return;
    std::random_device source;
    for (int attempt = 0; attempt < 8; ++attempt) {
        const std::filesystem::path candidate = temporary / ("clipreel-studio-" + std::to_string(source()));
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

bool UnitMovies::Movie(unsigned reelNumber, const ReelSession& reel, unsigned unit, std::string& bytes,
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
        const std::filesystem::path path =
            folder / ("reel" + std::to_string(reelNumber) + "-unit" + std::to_string(unit) + ".mov");
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
    std::ifstream in(found->second, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (!in.good() && !in.eof()) {
        error = "cannot read the unit's movie";
        return false;
    }
    return true;
}

void UnitMovies::Forget(unsigned reelNumber) {
    const std::lock_guard<std::mutex> guard(lock);
    for (auto movie = made.begin(); movie != made.end();) {
        if (movie->first.first != reelNumber) {
            ++movie;
            continue;
        }
        std::error_code failure;
        std::filesystem::remove(movie->second, failure);
        movie = made.erase(movie);
    }
}

}
}
