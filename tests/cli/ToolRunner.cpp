#include "tests/cli/ToolRunner.h"

#include "tests/support/Commands.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/wait.h>

namespace clipreel {
namespace test {

namespace {

std::string ReadText(const std::filesystem::path& path) {
    const std::vector<std::uint8_t> bytes = ReadFileBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

}

ToolRun RunTool(const std::vector<std::string>& arguments, const std::string& shellPrefix) {
    std::string quoted;
    for (const std::string& argument : arguments) quoted += " " + ShellQuoted(argument);
    return RunToolInShell(quoted, shellPrefix);
}

ToolRun RunToolInShell(const std::string& shellArguments, const std::string& shellPrefix) {
    const TempDir capture;
    std::string command = shellPrefix + " " + ShellQuoted(CLIPREEL_TOOL_PATH) + " " + shellArguments;
    command += " >" + ShellQuoted(capture.File("out").string()) + " 2>" + ShellQuoted(capture.File("err").string());
    const int status = std::system(command.c_str());
    ToolRun run;
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = ReadText(capture.File("out"));
    run.err = ReadText(capture.File("err"));
    return run;
}

std::vector<std::uint8_t> WavBytes(std::uint32_t rate, std::uint16_t channels, std::uint16_t bits,
                                   std::uint32_t dataSize) {
    std::vector<std::uint8_t> b;
    auto u32 = [&b](std::uint32_t v) {
        for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    };
    auto u16 = [&b](std::uint16_t v) {
        b.push_back(static_cast<std::uint8_t>(v));
        b.push_back(static_cast<std::uint8_t>(v >> 8));
    };
    auto tag = [&b](const char* t) { b.insert(b.end(), t, t + 4); };
    const std::uint16_t align = static_cast<std::uint16_t>(channels * bits / 8);
    tag("RIFF");
    u32(36 + dataSize);
    tag("WAVE");
    tag("fmt ");
    u32(16);
    u16(1);
    u16(channels);
    u32(rate);
    u32(rate * align);
    u16(align);
    u16(bits);
    tag("data");
    u32(dataSize);
    b.resize(b.size() + dataSize, 0);
    return b;
}

nlohmann::json InfoJson(const std::filesystem::path& file) {
    const ToolRun run = RunTool({"info", "--json", file.string()});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    return nlohmann::json::parse(run.out, nullptr, false);
}

}
}
