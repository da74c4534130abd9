#include "cli/SafeOutput.h"

#include "cli/CommandPaths.h"
#include "cli/ExitCode.h"
#include "cli/Interrupt.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace clipreel {
namespace cli {
namespace {

namespace fs = std::filesystem;
using test::ReadFileBytes;
using test::TempDir;
using test::WriteFileBytes;

const std::vector<std::uint8_t> Before = {'o', 'l', 'd'};
const std::vector<std::uint8_t> After = {'n', 'e', 'w', '!'};

// The names in the folder, sorted, as UTF-8.
std::vector<std::string> Names(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().u8string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string Argument(const fs::path& path) {
    return path.u8string();
}

class SafeOutputTest : public testing::Test {
protected:
    void SetUp() override {
        ClearInterrupt();
        WriteFileBytes(dir.File("input.mov"), Before);
        WriteFileBytes(dir.File("existing.jpg"), Before);
    }
    void TearDown() override { ClearInterrupt(); }

    std::string In(const std::string& name) const { return Argument(dir.File(name)); }

    TempDir dir;
};

// Every way Prepare refuses: the message, the exit code, and nothing written
// or left behind.
TEST_F(SafeOutputTest, PrepareRefusesWhatWouldLoseAFile) {
    fs::create_directory(dir.File("folder"));
    struct Case {
        std::string output;
        bool force;
        int exitCode;
        std::string message;
    };
    const std::string input = In("input.mov");
    const Case cases[] = {
        {In("existing.jpg"), false, EXIT_OUTPUT_EXISTS,
         "clipreel: " + In("existing.jpg") + " already exists: give --force (-y) to replace it\n"},
        {input, false, EXIT_USAGE,
         "clipreel: the output " + input + " is an input of this command: inputs are never replaced\n"},
        {input, true, EXIT_USAGE,
         "clipreel: the output " + input + " is an input of this command: inputs are never replaced\n"},
        {In("folder/../input.mov"), true, EXIT_USAGE,
         "clipreel: the output " + In("folder/../input.mov") + " is the input " + input +
             " itself: inputs are never replaced\n"},
        {In("folder"), true, EXIT_CANNOT_WRITE, "clipreel: cannot write " + In("folder") + ": Is a directory\n"},
        {In("missing/out.jpg"), false, EXIT_CANNOT_WRITE,
         "clipreel: cannot write " + In("missing/out.jpg") + ": No such file or directory\n"},
        {"", false, EXIT_USAGE, "clipreel: the output file name is empty\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.output);
        testing::internal::CaptureStderr();
        {
            SafeOutput output(c.output, c.force, true);
            EXPECT_FALSE(output.Prepare({input}));
            EXPECT_EQ(output.FailureExitCode(), c.exitCode);
        }
        const std::string said = testing::internal::GetCapturedStderr();
#if !defined(_WIN32)
        EXPECT_EQ(said, c.message);
#else
        // Windows words the system's reasons its own way.
        EXPECT_EQ(said.substr(0, said.find(':', 10)), c.message.substr(0, c.message.find(':', 10)));
#endif
        EXPECT_EQ(ReadFileBytes(dir.File("input.mov")), Before);
        EXPECT_EQ(ReadFileBytes(dir.File("existing.jpg")), Before);
        EXPECT_EQ(Names(dir.path()), (std::vector<std::string>{"existing.jpg", "folder", "input.mov"}));
    }
}

#if !defined(_WIN32)
// A second name for the input (a hard link, a symbolic link) is the input.
TEST_F(SafeOutputTest, AnInputUnderAnotherNameIsStillTheInput) {
    fs::create_hard_link(dir.File("input.mov"), dir.File("hard.mov"));
    fs::create_symlink(dir.File("input.mov"), dir.File("soft.mov"));
    for (const char* name : {"hard.mov", "soft.mov"}) {
        SCOPED_TRACE(name);
        testing::internal::CaptureStderr();
        SafeOutput output(In(name), true, false);
        EXPECT_FALSE(output.Prepare({In("input.mov")}));
        testing::internal::GetCapturedStderr();
        EXPECT_EQ(output.FailureExitCode(), EXIT_USAGE);
    }
    EXPECT_EQ(ReadFileBytes(dir.File("input.mov")), Before);
}
#endif

// The output appears whole at the commit, and not before; an existing one
// is replaced only with force.
TEST_F(SafeOutputTest, TheOutputAppearsOnlyAtTheCommit) {
    struct Case {
        const char* name;
        bool force;
    };
    for (const Case c : {Case{"new.jpg", false}, Case{"new2.jpg", true}, Case{"existing.jpg", true}}) {
        SCOPED_TRACE(c.name);
        const bool existed = fs::exists(dir.File(c.name));
        SafeOutput output(In(c.name), c.force, false);
        ASSERT_TRUE(output.Prepare({In("input.mov")}));
        EXPECT_EQ(output.TemporaryPath().parent_path(), dir.File(c.name).parent_path());
        EXPECT_TRUE(fs::exists(output.TemporaryPath()));
        ASSERT_TRUE(output.WriteAll(After));
        EXPECT_EQ(fs::exists(dir.File(c.name)), existed);
        if (existed) {
            EXPECT_EQ(ReadFileBytes(dir.File(c.name)), Before);
        }
        const fs::path temporary = output.TemporaryPath();
        ASSERT_TRUE(output.Commit());
        EXPECT_EQ(ReadFileBytes(dir.File(c.name)), After);
        EXPECT_FALSE(fs::exists(temporary));
    }
    EXPECT_EQ(Names(dir.path()), (std::vector<std::string>{"existing.jpg", "input.mov", "new.jpg", "new2.jpg"}));
}

// An output that appears while the work runs is not replaced without force.
TEST_F(SafeOutputTest, AnOutputMadeMeanwhileIsNotReplaced) {
    SafeOutput output(In("late.jpg"), false, false);
    ASSERT_TRUE(output.Prepare({}));
    ASSERT_TRUE(output.WriteAll(After));
    WriteFileBytes(dir.File("late.jpg"), Before);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(output.Commit());
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "clipreel: " + In("late.jpg") + " already exists: give --force (-y) to replace it\n");
    EXPECT_EQ(output.FailureExitCode(), EXIT_OUTPUT_EXISTS);
    EXPECT_EQ(ReadFileBytes(dir.File("late.jpg")), Before);
}

// Without a commit (failure, cancel, exception) the temporary goes, or with
// keepPartial stays beside the output under a name that says so; the output
// name is never touched.
TEST_F(SafeOutputTest, WithoutACommitNothingReplacesTheOutput) {
    struct Case {
        bool keepPartial;
        bool interrupt;  // a commit after Ctrl-C is refused
        std::vector<std::string> names;
    };
    const Case cases[] = {
        {false, false, {"existing.jpg", "input.mov"}},
        {false, true, {"existing.jpg", "input.mov"}},
        {true, false, {"existing.jpg", "existing.jpg.partial", "input.mov"}},
        {true, false, {"existing.jpg", "existing.jpg.partial", "existing.jpg.partial-2", "input.mov"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.names.size());
        testing::internal::CaptureStderr();
        {
            SafeOutput output(In("existing.jpg"), true, c.keepPartial);
            ASSERT_TRUE(output.Prepare({In("input.mov")}));
            ASSERT_TRUE(output.WriteAll(After));
            if (c.interrupt) {
                RequestInterrupt();
                EXPECT_FALSE(output.Commit());
                EXPECT_EQ(output.FailureExitCode(), EXIT_SAVE_CANCELED);
                ClearInterrupt();
            }
        }
        const std::string said = testing::internal::GetCapturedStderr();
        EXPECT_EQ(Names(dir.path()), c.names);
        EXPECT_EQ(ReadFileBytes(dir.File("existing.jpg")), Before);
        if (c.keepPartial) {
            const fs::path kept = dir.File(c.names[c.names.size() - 2]);
            EXPECT_EQ(ReadFileBytes(kept), After);
            EXPECT_NE(said.find("clipreel: kept the partial output as " + kept.u8string() + "\n"), std::string::npos)
                << said;
        }
    }
}

// What a signal or console handler does: every live temporary goes (or
// moves to its partial name), and the objects that owned them find nothing
// left to do.
TEST_F(SafeOutputTest, TheHandlersCleanUpEveryLiveTemporary) {
    std::vector<std::unique_ptr<SafeOutput>> outputs;
    for (const char* name : {"a.jpg", "b.jpg", "existing.jpg"}) {
        outputs.push_back(std::make_unique<SafeOutput>(In(name), true, std::string(name) == "b.jpg"));
        ASSERT_TRUE(outputs.back()->Prepare({In("input.mov")}));
        ASSERT_TRUE(outputs.back()->WriteAll(After));
    }
    EXPECT_TRUE(AnyLiveTemporary());
    EXPECT_EQ(Names(dir.path()).size(), 5u);
    CleanUpLiveTemporaries();
    EXPECT_FALSE(AnyLiveTemporary());
    EXPECT_EQ(Names(dir.path()), (std::vector<std::string>{"b.jpg.partial", "existing.jpg", "input.mov"}));
    testing::internal::CaptureStderr();
    outputs.clear();
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(Names(dir.path()), (std::vector<std::string>{"b.jpg.partial", "existing.jpg", "input.mov"}));
    EXPECT_EQ(ReadFileBytes(dir.File("existing.jpg")), Before);
}

// Any name the system allows, in and out: UTF-8, and on POSIX bytes that
// are not UTF-8.
TEST_F(SafeOutputTest, AnyNameWorks) {
    std::vector<std::string> names = {"r\xC3\xA9\xC3\xA9l \xE2\x98\x83.jpg", "\xF0\x9F\x8E\xA5.jpg"};
#if !defined(_WIN32)
    names.push_back("r\xE9\xE9l.jpg");
    names.push_back("\xFF.jpg");
#endif
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        const std::string argument = Argument(dir.path()) + "/" + name;
        SafeOutput output(argument, false, false);
        ASSERT_TRUE(output.Prepare({In("input.mov")}));
        ASSERT_TRUE(output.WriteAll(After));
        ASSERT_TRUE(output.Commit());
        EXPECT_EQ(ReadFileBytes(ArgumentPath(argument)), After);
    }
}

// The byte check behind refusing a reference to a source whose name is no
// text.
TEST(CommandPathsTest, IsUtf8) {
    struct Case {
        const char* bytes;
        bool utf8;
    };
    const Case cases[] = {
        {"", true},
        {"plain.mov", true},
        {"r\xC3\xA9\xC3\xA9l \xE2\x98\x83 \xF0\x9F\x8E\xA5", true},
        {"\xF4\x8F\xBF\xBF", true},
        {"r\xE9\xE9l", false},
        {"\xC0\xAF", false},          // overlong
        {"\xE0\x80\xAF", false},      // overlong
        {"\xED\xA0\x80", false},      // a surrogate
        {"\xF4\x90\x80\x80", false},  // above U+10FFFF
        {"\xE2\x98", false},          // cut short
        {"\xFF", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes);
        EXPECT_EQ(IsUtf8(c.bytes), c.utf8);
    }
}

#if !defined(_WIN32)
// A replaced file keeps its permissions.
TEST_F(SafeOutputTest, AReplacedFileKeepsItsPermissions) {
    fs::permissions(dir.File("existing.jpg"), fs::perms::owner_read | fs::perms::group_read);
    SafeOutput output(In("existing.jpg"), true, false);
    ASSERT_TRUE(output.Prepare({}));
    ASSERT_TRUE(output.WriteAll(After));
    ASSERT_TRUE(output.Commit());
    EXPECT_EQ(ReadFileBytes(dir.File("existing.jpg")), After);
    EXPECT_EQ(fs::status(dir.File("existing.jpg")).permissions(), fs::perms::owner_read | fs::perms::group_read);
}

// A device is written in place: there is nothing there to lose, and it must
// never be renamed over.
TEST_F(SafeOutputTest, ADeviceIsWrittenInPlace) {
    SafeOutput output("/dev/null", false, false);
    ASSERT_TRUE(output.Prepare({In("input.mov")}));
    EXPECT_EQ(output.TemporaryPath(), fs::path("/dev/null"));
    ASSERT_TRUE(output.WriteAll(After));
    ASSERT_TRUE(output.Commit());
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
}
#endif

}
}
}
