// The bash completion completes the tool's commands, each command's options
// and folders after --output-dir, driven as bash-completion drives it
// (COMP_WORDS, COMP_CWORD, the function `complete -p` names); and
// `cmake --install` puts it and the man page where bash-completion and man
// look.
#include "tests/cli/ToolRunner.h"

#include "tests/support/Commands.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace clipreel {
namespace test {
namespace {

const char* const BashCompletionLibrary = "/usr/share/bash-completion/bash_completion";

std::string ReadText(const std::filesystem::path& path) {
    const std::vector<std::uint8_t> bytes = ReadFileBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

// What the completion in script offers for the words typed so far (the last
// one being completed), one word a line; the first line is what
// `complete -p clipreel` says.
std::string Complete(const std::filesystem::path& script, const std::filesystem::path& folder,
                     const std::string& words) {
    const std::string program = "source " + std::string(BashCompletionLibrary) + "; source " +
                                ShellQuoted(script.string()) + "; complete -p clipreel; cd " +
                                ShellQuoted(folder.string()) + "; COMP_WORDS=(" + words +
                                "); COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); "
                                "[[ \"" +
                                words +
                                "\" == *' ' ]] && COMP_WORDS+=('') && COMP_CWORD=$((COMP_CWORD + 1)); "
                                "_clipreel; printf '%s\\n' \"${COMPREPLY[@]}\" | sort";
    const CommandResult result = RunCommand("bash -c " + ShellQuoted(program) + " 2>&1");
    EXPECT_EQ(result.status, 0) << result.output;
    return result.output;
}

TEST(BashCompletion, CompletesCommandsOptionsAndFolders) {
    if (!std::filesystem::exists(BashCompletionLibrary)) GTEST_SKIP() << "bash-completion is not installed";
    const TempDir dir;
    const ToolRun made = RunTool({"help", "--bash-completion"});
    ASSERT_EQ(made.exitCode, 0) << made.err;
    WriteFileBytes(dir.File("clipreel.bash"), std::vector<std::uint8_t>(made.out.begin(), made.out.end()));
    std::filesystem::create_directory(dir.File("thumbs"));
    WriteFileBytes(dir.File("reel.mov"), {'x'});

    struct Case {
        std::string words;
        std::string offered;
    };
#ifdef CLIPREEL_TEST_HAVE_STUDIO
    const std::string studio = "studio\n";
#else
    const std::string studio;
#endif
    std::vector<Case> cases = {
        {"clipreel ed", "edit\n"},
        {"clipreel s", "salvage\nsample\nsheet\nsplit\n" + studio},
        {"clipreel he", "help\n"},
        {"clipreel --ver", "--verbose\n--version\n"},
        {"clipreel edit reel.mov x.mov --ke", "--keep\n--keep-partial\n"},
        {"clipreel thumbnail --o", "--output-dir\n"},
        {"clipreel sheet --co", "--columns\n"},
        {"clipreel thumbnail -o ", "thumbs\n"},
        {"clipreel info re", "reel.mov\n"},
        {"clipreel help sa", "salvage\nsample\n"},
        // The command's --help and the tool's are one word.
        {"clipreel info --he", "--help\n"},
    };
    // The studio's option for tests is never offered.
    if (!studio.empty()) cases.push_back({"clipreel studio --ho", "\n"});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.words);
        EXPECT_EQ(Complete(dir.File("clipreel.bash"), dir.path(), c.words),
                  "complete -F _clipreel clipreel\n" + c.offered);
    }
}

TEST(ToolInstall, PutsTheManPageAndTheCompletionWhereTheyAreLookedFor) {
    const TempDir prefix;
    const CommandResult install =
        RunCommand(ShellQuoted(CLIPREEL_CMAKE) + " --install " + ShellQuoted(CLIPREEL_BUILD_DIR) + " --prefix " +
                   ShellQuoted(prefix.path().string()) + " 2>&1");
    ASSERT_EQ(install.status, 0) << install.output;
    const std::filesystem::path completion = prefix.File("share/bash-completion/completions/clipreel");
    ASSERT_TRUE(std::filesystem::exists(completion)) << install.output;
    EXPECT_EQ(ReadText(completion), RunTool({"help", "--bash-completion"}).out);
    if (!HaveTool("help2man")) GTEST_SKIP() << "no help2man: no man page";
    const std::filesystem::path page = prefix.File("share/man/man1/clipreel.1");
    ASSERT_TRUE(std::filesystem::exists(page)) << install.output;
    const std::string man = ReadText(page);
    EXPECT_NE(man.find(".TH CLIPREEL \"1\""), std::string::npos) << man.substr(0, 400);
    // Every command with its usage, its options and its examples.
    for (const char* text : {"clipreel edit SRC DST", "clipreel join OUT", "\\-\\-output\\-dir", "last\\-0",
                             "Exit codes", "thumbs reel.mov short.mov"}) {
        EXPECT_NE(man.find(text), std::string::npos) << text;
    }
    if (HaveTool("man")) {
        const CommandResult shown = RunCommand("MANWIDTH=100 man -l " + ShellQuoted(page.string()) + " 2>&1");
        EXPECT_EQ(shown.status, 0) << shown.output;
        EXPECT_NE(shown.output.find("--keep LIST"), std::string::npos) << shown.output;
    }
}

}
}
}
