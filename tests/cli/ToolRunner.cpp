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

nlohmann::json InfoJson(const std::filesystem::path& file) {
    const ToolRun run = RunTool({"info", "--json", file.string()});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    return nlohmann::json::parse(run.out, nullptr, false);
}

}
}
