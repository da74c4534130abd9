#ifndef CLIPREEL_TESTS_CLI_TOOL_RUNNER_H
#define CLIPREEL_TESTS_CLI_TOOL_RUNNER_H

#include <nlohmann/json.hpp>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace clipreel {
namespace test {

struct ToolRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs the built clipreel executable with these arguments through the shell;
// shellPrefix runs first in the same shell (for example "ulimit -f 1;").
ToolRun RunTool(const std::vector<std::string>& arguments, const std::string& shellPrefix = "");

// The same with the arguments as shell text, unquoted, so that the shell
// expands globs in them ("thumbnail REEL*.MOV").
ToolRun RunToolInShell(const std::string& shellArguments, const std::string& shellPrefix = "");

// A PCM WAV file: 44-byte header, then dataSize bytes of silence.
std::vector<std::uint8_t> WavBytes(std::uint32_t rate, std::uint16_t channels, std::uint16_t bits,
                                   std::uint32_t dataSize);

// `clipreel info --json FILE`, parsed; fails the test when the tool fails.
nlohmann::json InfoJson(const std::filesystem::path& file);

}
}

#endif
