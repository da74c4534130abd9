#include "cli/ReelOutputs.h"

#include "cli/CommandSupport.h"

#include <filesystem>
#include <system_error>

namespace clipreel {
namespace cli {

ReelOutputs::ReelOutputs(bool forceReplace, std::vector<std::string> inputPaths)
    : force(forceReplace), inputs(std::move(inputPaths)) {}

ReelOutputs::~ReelOutputs() {
    if (committed) return;
    std::error_code error;
    for (std::size_t i = 0; i < outputs.size(); ++i) std::filesystem::remove(TemporaryPath(i), error);
}

bool ReelOutputs::Add(const std::string& path) {
    std::error_code error;
    for (const std::string& input : inputs) {
        if (std::filesystem::equivalent(input, path, error)) {
            Complain("the output " + path + " is the input " + input + " itself");
            return false;
        }
    }
    for (const std::string& output : outputs) {
        if (std::filesystem::path(output).lexically_normal() == std::filesystem::path(path).lexically_normal()) {
            Complain("the output " + path + " is named twice");
            return false;
        }
    }
    const std::filesystem::file_status status = std::filesystem::status(path, error);
    if (std::filesystem::exists(status) && (!force || !std::filesystem::is_regular_file(status))) {
        Complain(path + " already exists" + (std::filesystem::is_regular_file(status) ? ": use --force to replace it" : ""));
        return false;
    }
    outputs.push_back(path);
    return true;
}

std::string ReelOutputs::TemporaryPath(std::size_t index) const { return outputs.at(index) + ".clipreel-partial"; }

bool ReelOutputs::Commit() {
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        std::error_code error;
        std::filesystem::rename(TemporaryPath(i), outputs[i], error);
        if (error) {
            Complain("cannot rename " + TemporaryPath(i) + " to " + outputs[i] + ": " + error.message());
            return false;
        }
    }
    committed = true;
    return true;
}

}
}
