#include "cli/ReelOutputs.h"

#include "cli/CommandPaths.h"
#include "cli/CommandSupport.h"
#include "cli/Console.h"
#include "cli/CountText.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

namespace clipreel {
namespace cli {

namespace {

bool NamesAMovie(const std::string& path) {
    std::string extension = ArgumentPath(path).extension().u8string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".mov" || extension == ".mp4" || extension == ".m4v" || extension == ".qt";
}

}

std::string PlanReelOutputs(const std::string& command, const std::vector<std::string>& operands,
                            const std::string& outputDir, const std::string& suffix, std::vector<ReelOutput>& outputs) {
    outputs.clear();
    const std::string severalReels = "for several reels give --output-dir DIR (-o)";
    if (outputDir.empty()) {
        if (operands.size() != 2) {
            return command + " takes one reel and its JPEG file (REEL OUT.jpg); " +
                   CountText(operands.size(), "operand") + " given: " + severalReels;
        }
        if (NamesAMovie(operands[1])) {
            return "the output " + operands[1] + " names a movie, not a JPEG file: " + severalReels;
        }
        outputs.push_back({operands[0], operands[1]});
        return std::string();
    }
    std::string folder = outputDir;
    if (folder.back() != '/' && folder.back() != '\\') folder += '/';
    for (const std::string& reel : operands) {
        const std::string output = folder + ArgumentPath(reel).stem().u8string() + suffix;
        for (const ReelOutput& earlier : outputs) {
            if (earlier.output == output) {
                outputs.clear();
                return earlier.reel + " and " + reel + " would both be written as " + output;
            }
        }
        outputs.push_back({reel, output});
    }
    return std::string();
}

bool MakeOutputFolder(const std::string& folder) {
    std::error_code error;
    const std::filesystem::path path = ArgumentPath(folder);
    std::filesystem::create_directories(path, error);
    if (!error && std::filesystem::is_directory(path, error)) return true;
    if (!error) error = std::make_error_code(std::errc::not_a_directory);
    Complain("cannot use " + folder + " as the output folder: " + SystemReason(error));
    return false;
}

}
}
