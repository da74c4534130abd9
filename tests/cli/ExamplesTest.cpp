// Every example the tool's help shows and every example in the README runs,
// in order, and gives the documented result: the documentation is the
// tool's real grammar.
#include "tests/cli/ToolRunner.h"

#include "cli/CommandHelp.h"
#include "sample/SampleMovieWriter.h"
#include "tests/support/Commands.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <sys/wait.h>

namespace clipreel {
namespace test {
namespace {

struct ShellRun {
    int exitCode = -1;
    std::string output;  // standard output and standard error together
};

// A documented shell line run in folder, "clipreel" being the built tool; a
// comment at its end ("# an interrupted copy") is the shell's.
ShellRun RunExampleLine(const std::filesystem::path& folder, const std::string& line) {
    std::string command = line;
    const std::string tool = "clipreel ";
    if (command.rfind(tool, 0) == 0) command = ShellQuoted(CLIPREEL_TOOL_PATH) + " " + command.substr(tool.size());
    const CommandResult result = RunCommand("cd " + ShellQuoted(folder.string()) + " && { " + command + "\n} 2>&1");
    ShellRun run;
    run.exitCode = WIFEXITED(result.status) ? WEXITSTATUS(result.status) : -1;
    run.output = result.output;
    return run;
}

// The folder every command's examples start from: reel.mov, a four-unit
// reel, and two WAV files, stereo.wav matching its sound and mono.wav not.
void PrepareExampleFolder(const TempDir& dir) {
    const ShellRun sample = RunExampleLine(dir.path(), "clipreel sample reel.mov --units 4 -q");
    ASSERT_EQ(sample.exitCode, 0) << sample.output;
    WriteFileBytes(dir.File("stereo.wav"), WavBytes(48000, 2, 16, 48048 * 4));
    WriteFileBytes(dir.File("mono.wav"), WavBytes(48000, 1, 16, 48048 * 2));
}

TEST(HelpExamples, EveryCommandsExamplesGiveWhatTheHelpSays) {
    if (!sample::HaveH264()) GTEST_SKIP() << "the examples show a reel of real H.264 frames";
    std::size_t examples = 0;
    for (const cli::CommandHelp& help : cli::CommandHelps()) {
        if (help.examples.empty()) continue;
        SCOPED_TRACE(help.name);
        const TempDir dir;
        PrepareExampleFolder(dir);
        // The help shows them: a test of the examples is a test of the help.
        const ShellRun shown = RunExampleLine(dir.path(), "clipreel help " + help.name);
        ASSERT_EQ(shown.exitCode, 0) << shown.output;
        for (const cli::CommandExample& example : help.examples) {
            SCOPED_TRACE(example.line);
            EXPECT_NE(shown.output.find("  " + example.line + "\n"), std::string::npos) << shown.output;
            const ShellRun run = RunExampleLine(dir.path(), example.line);
            EXPECT_EQ(run.exitCode, example.exitCode) << run.output;
            EXPECT_NE(run.output.find(example.prints), std::string::npos) << run.output;
            ++examples;
        }
    }
    EXPECT_GE(examples, 20u);
}

// The README's "$ command" lines in its example blocks, each followed by
// the lines it prints; "$ echo $?" prints the exit code of the line before.
struct ReadmeCommand {
    std::string line;
    std::vector<std::string> prints;
};

std::vector<ReadmeCommand> ReadmeExamples(const std::string& heading) {
    std::ifstream readme(CLIPREEL_README_PATH);
    std::vector<ReadmeCommand> commands;
    std::string text;
    bool inSection = false;
    while (std::getline(readme, text)) {
        if (text.rfind("#", 0) == 0) {
            inSection = text == heading;
            continue;
        }
        if (!inSection || text.rfind("    ", 0) != 0) continue;
        const std::string line = text.substr(4);
        if (line.rfind("$ ", 0) == 0) {
            commands.push_back({line.substr(2), {}});
        } else if (!commands.empty() && line.find("...") == std::string::npos) {
            commands.back().prints.push_back(line);
        }
    }
    return commands;
}

TEST(ReadmeExamples, RunInOrderAndPrintWhatTheReadmeShows) {
    if (!sample::HaveH264()) GTEST_SKIP() << "the README shows reels of real H.264 frames";
    std::size_t lines = 0;
    for (const char* heading : {"### Examples (real output)", "### Split, join, salvage (real output)",
                                "### Nothing is replaced without consent", "### Export for sharing (real output)"}) {
        SCOPED_TRACE(heading);
        const std::vector<ReadmeCommand> commands = ReadmeExamples(heading);
        ASSERT_FALSE(commands.empty()) << "no examples under " << heading;
        const TempDir dir;
        int lastExitCode = 0;
        for (const ReadmeCommand& command : commands) {
            SCOPED_TRACE(command.line);
            ShellRun run;
            if (command.line == "echo $?") {
                run.output = std::to_string(lastExitCode) + "\n";
                run.exitCode = 0;
            } else {
                run = RunExampleLine(dir.path(), command.line);
                lastExitCode = run.exitCode;
            }
            // A line the README shows without saying the exit code is one
            // that succeeds.
            const bool exitShown = &command != &commands.back() && (&command + 1)->line == "echo $?";
            if (!exitShown) {
                EXPECT_EQ(run.exitCode, 0) << run.output;
            }
            for (const std::string& printed : command.prints) {
                EXPECT_NE(("\n" + run.output).find("\n" + printed + "\n"), std::string::npos)
                    << "the README shows \"" << printed << "\"; the command printed:\n"
                    << run.output;
                ++lines;
            }
        }
    }
    EXPECT_GE(lines, 30u);
}

}
}
}
