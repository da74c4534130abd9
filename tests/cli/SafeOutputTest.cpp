#include "cli/SafeOutput.h"

#include "cli/CommandPaths.h"
#include "cli/ExitCode.h"
#include "cli/Interrupt.h"
#include "cli/OutputFiles.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#if !defined(_WIN32)
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <filesystem>
#include <fstream>
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

std::string Argument(const fs::path& path) { return path.u8string(); }

// Every case runs twice: with the temporaries the system gives (unnamed on
// Linux), and with named ones, as on a file system without unnamed files.
class SafeOutputTest : public testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        ClearInterrupt();
        UseNamedTemporariesOnly(GetParam());
        WriteFileBytes(dir.File("input.mov"), Before);
        WriteFileBytes(dir.File("existing.jpg"), Before);
    }
    void TearDown() override {
        ClearInterrupt();
        UseNamedTemporariesOnly(false);
    }

    // Whether the temporaries of this run have no name.
    bool UnnamedTemporaries() const {
#if defined(__linux__)
        return !GetParam();
#else
        return false;
#endif
    }

    // The temporaries in the folder that have a name.
    std::vector<std::string> NamedTemporaries() const {
        std::vector<std::string> names;
        for (const std::string& name : Names(dir.path())) {
            if (IsTemporaryName(fs::u8path(name)) && fs::is_regular_file(fs::symlink_status(dir.File(name)))) {
                names.push_back(name);
            }
        }
        return names;
    }

    std::string In(const std::string& name) const { return Argument(dir.File(name)); }

    TempDir dir;
};

// Every way Prepare refuses: the message, the exit code, and nothing written
// or left behind.
TEST_P(SafeOutputTest, PrepareRefusesWhatWouldLoseAFile) {
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
TEST_P(SafeOutputTest, AnInputUnderAnotherNameIsStillTheInput) {
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
TEST_P(SafeOutputTest, TheOutputAppearsOnlyAtTheCommit) {
    struct Case {
        const char* name;
        bool force;
    };
    for (const Case c : {Case{"new.jpg", false}, Case{"new2.jpg", true}, Case{"existing.jpg", true}}) {
        SCOPED_TRACE(c.name);
        const bool existed = fs::exists(dir.File(c.name));
        SafeOutput output(In(c.name), c.force, false);
        ASSERT_TRUE(output.Prepare({In("input.mov")}));
        EXPECT_TRUE(fs::exists(output.TemporaryPath()));
        ASSERT_TRUE(output.WriteAll(After));
        EXPECT_EQ(ReadFileBytes(output.TemporaryPath()), After);
        EXPECT_EQ(fs::exists(dir.File(c.name)), existed);
        if (existed) {
            EXPECT_EQ(ReadFileBytes(dir.File(c.name)), Before);
        }
        EXPECT_EQ(NamedTemporaries().size(), UnnamedTemporaries() ? 0u : 1u);
        ASSERT_TRUE(output.Commit());
        EXPECT_EQ(ReadFileBytes(dir.File(c.name)), After);
        EXPECT_EQ(NamedTemporaries(), std::vector<std::string>{});
    }
    EXPECT_EQ(Names(dir.path()), (std::vector<std::string>{"existing.jpg", "input.mov", "new.jpg", "new2.jpg"}));
}

// An output that appears while the work runs is not replaced without force.
TEST_P(SafeOutputTest, AnOutputMadeMeanwhileIsNotReplaced) {
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
TEST_P(SafeOutputTest, WithoutACommitNothingReplacesTheOutput) {
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
TEST_P(SafeOutputTest, TheHandlersCleanUpEveryLiveTemporary) {
    std::vector<std::unique_ptr<SafeOutput>> outputs;
    for (const char* name : {"a.jpg", "b.jpg", "existing.jpg"}) {
        outputs.push_back(std::make_unique<SafeOutput>(In(name), true, std::string(name) == "b.jpg"));
        ASSERT_TRUE(outputs.back()->Prepare({In("input.mov")}));
        ASSERT_TRUE(outputs.back()->WriteAll(After));
    }
    EXPECT_TRUE(AnyLiveTemporary());
    EXPECT_EQ(Names(dir.path()).size(), 2u + NamedTemporaries().size());
    EXPECT_EQ(NamedTemporaries().size(), UnnamedTemporaries() ? 0u : 3u);
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
TEST_P(SafeOutputTest, AnyNameWorks) {
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

// Names up to the system's limit, the temporary's name cut to fit (never
// inside a character), new and replaced.
TEST_P(SafeOutputTest, NamesUpToTheSystemsLimitWork) {
    // The cut of a temporary's name falls inside the snowman of the long ones.
    // (Wine keeps a Windows name as UTF-8 on its host, where the snowman's
    // three bytes would pass the host's limit: a test under Wine spells it
    // with three letters.)
#if defined(_WIN32)
    const std::string snowman = "sss";
#else
    const std::string snowman = "\xE2\x98\x83";
#endif
    std::vector<std::string> names = {std::string(229, 'n') + ".jpg"};
    for (const std::size_t length : {238u, 254u, 255u}) {
        names.push_back(std::string(231, 'n') + snowman + std::string(length - 238, 'n') + ".jpg");
    }
    for (const bool force : {false, true}) {
        for (const std::string& name : names) {
            SCOPED_TRACE(name.size());
            SafeOutput output(In(name), force, false);
            ASSERT_TRUE(output.Prepare({In("input.mov")}));
            ASSERT_TRUE(output.WriteAll(force ? After : Before));
            ASSERT_TRUE(output.Commit());
            EXPECT_EQ(ReadFileBytes(dir.File(name)), force ? After : Before);
        }
    }
    EXPECT_EQ(Names(dir.path()).size(), 2u + names.size());
}

// A movie is never replaced by a file of another kind, whatever the flags:
// a thumbnail or a sheet whose output a glob turned into a camera reel.
TEST_P(SafeOutputTest, AMovieIsReplacedOnlyByAMovie) {
    const std::vector<std::uint8_t> movie = {0, 0, 0, 20, 'f', 't', 'y', 'p', 'q', 't', ' ', ' '};
    const std::vector<std::uint8_t> reel = {0, 0, 0, 8, 'w', 'i', 'd', 'e', 0, 0, 0, 8, 'm', 'd', 'a', 't'};
    const std::vector<std::uint8_t> jpeg = {0xFF, 0xD8, 0xFF, 0xE1, 0, 16, 'E', 'x', 'i', 'f', 0, 0};
    const std::vector<std::uint8_t> wav = {'R', 'I', 'F', 'F', 4, 0, 0, 0, 'W', 'A', 'V', 'E'};
    struct Case {
        std::vector<std::uint8_t> existing;
        std::vector<std::uint8_t> written;
        bool replaced;
    };
    const Case cases[] = {
        {movie, jpeg, false}, {reel, jpeg, false}, {movie, wav, false}, {movie, {}, false},
        {movie, reel, true},  {jpeg, jpeg, true},  {jpeg, movie, true}, {Before, After, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.existing.begin(), c.existing.end()) + " <- " +
                     std::string(c.written.begin(), c.written.end()));
        WriteFileBytes(dir.File("REEL0002.MOV"), c.existing);
        SafeOutput output(In("REEL0002.MOV"), true, false);
        ASSERT_TRUE(output.Prepare({In("input.mov")}));
        ASSERT_TRUE(output.WriteAll(c.written));
        testing::internal::CaptureStderr();
        EXPECT_EQ(output.Commit(), c.replaced);
        const std::string said = testing::internal::GetCapturedStderr();
        if (!c.replaced) {
            EXPECT_EQ(said, "clipreel: " + In("REEL0002.MOV") +
                                " is a movie: it is never replaced by a file of another kind\n");
            EXPECT_EQ(output.FailureExitCode(), EXIT_OUTPUT_EXISTS);
        }
        EXPECT_EQ(ReadFileBytes(dir.File("REEL0002.MOV")), c.replaced ? c.written : c.existing);
    }
}

#if !defined(_WIN32)
// A new temporary first removes this tool's stale ones in its folder (left
// by a process that was killed), and never one whose writer is still alive
// (here another process's), nor anything that only looks like one.
TEST_P(SafeOutputTest, StaleTemporariesGoLiveOnesStay) {
    const std::vector<std::string> stale = {".clip.mov.clipreel-0123abcd.tmp", ".x.clipreel-ffffffff.tmp"};
    const std::vector<std::string> others = {".clip.mov.clipreel-0123abcd.tmp.keep", ".clipreel-0123abcd.tmp",
                                             "clip.mov.clipreel-0123abcd.tmp", ".a.clipreel-0123ABCD.tmp"};
    for (const std::string& name : stale) WriteFileBytes(dir.File(name), Before);
    for (const std::string& name : others) WriteFileBytes(dir.File(name), Before);
    fs::create_symlink(dir.File("input.mov"), dir.File(".link.clipreel-00000000.tmp"));
    // The other process starts before this one's save, as another run of
    // the tool would, and prepares its own save while this one is live.
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t other = fork();
    if (other == 0) {
        char go = 0;
        const bool read = ::read(ready[0], &go, 1) == 1;
        bool prepared = false;
        {
            SafeOutput second(In("second.jpg"), false, false);
            prepared = second.Prepare({}) && second.WriteAll(Before) && second.Commit();
        }
        _exit(read && prepared ? 0 : 1);
    }
    ASSERT_GT(other, 0);
    SafeOutput live(In("live.jpg"), false, false);
    ASSERT_TRUE(live.Prepare({}));
    ASSERT_TRUE(live.WriteAll(After));
    for (const std::string& name : stale) EXPECT_FALSE(fs::exists(dir.File(name))) << name;
    for (const std::string& name : others) EXPECT_TRUE(fs::exists(dir.File(name))) << name;
    EXPECT_TRUE(fs::is_symlink(dir.File(".link.clipreel-00000000.tmp")));
    const std::vector<std::string> liveNames = NamedTemporaries();
    EXPECT_EQ(liveNames.size(), UnnamedTemporaries() ? 0u : 1u);
    ASSERT_EQ(::write(ready[1], "x", 1), 1);
    int status = 0;
    ASSERT_EQ(waitpid(other, &status, 0), other);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    for (const std::string& name : liveNames) EXPECT_TRUE(fs::exists(dir.File(name))) << name;
    ASSERT_TRUE(live.Commit());
    EXPECT_EQ(ReadFileBytes(dir.File("live.jpg")), After);
    EXPECT_EQ(ReadFileBytes(dir.File("second.jpg")), Before);
    ::close(ready[0]);
    ::close(ready[1]);
}

// The temporary is written through a path that reaches the very file that
// was created: a link swapped in for its name (in a folder that others may
// write to) cannot send the bytes elsewhere.
TEST_P(SafeOutputTest, ALinkSwappedInCannotRedirectTheSave) {
    const TempDir outside;
    WriteFileBytes(outside.File("victim"), Before);
    SafeOutput output(In("swap.mov"), false, false);
    ASSERT_TRUE(output.Prepare({}));
    const std::vector<std::string> named = NamedTemporaries();
    for (const std::string& name : named) {
        fs::remove(dir.File(name));
        fs::create_symlink(outside.File("victim"), dir.File(name));
    }
    EXPECT_EQ(named.empty(), UnnamedTemporaries());
    // As the library opens its destination: created if missing, then written.
    {
        std::ofstream writer(output.TemporaryPath(), std::ios::binary | std::ios::trunc);
        writer.write(reinterpret_cast<const char*>(After.data()), static_cast<std::streamsize>(After.size()));
        ASSERT_TRUE(writer.good());
    }
    // A temporary whose name was taken away cannot be placed any more: the
    // save fails, and nothing is written elsewhere.
    testing::internal::CaptureStderr();
    EXPECT_EQ(output.Commit(), named.empty());
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(ReadFileBytes(outside.File("victim")), Before);
    if (named.empty()) {
        EXPECT_EQ(ReadFileBytes(dir.File("swap.mov")), After);
        EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(dir.File("swap.mov"))));
    } else {
        EXPECT_EQ(said, "clipreel: cannot write " + In("swap.mov") + ": No such file or directory\n");
        EXPECT_FALSE(fs::exists(fs::symlink_status(dir.File("swap.mov"))));
    }
}
#endif

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
TEST_P(SafeOutputTest, AReplacedFileKeepsItsPermissions) {
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
TEST_P(SafeOutputTest, ADeviceIsWrittenInPlace) {
    SafeOutput output("/dev/null", false, false);
    ASSERT_TRUE(output.Prepare({In("input.mov")}));
    EXPECT_EQ(output.TemporaryPath(), fs::path("/dev/null"));
    ASSERT_TRUE(output.WriteAll(After));
    ASSERT_TRUE(output.Commit());
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
}
#endif

INSTANTIATE_TEST_SUITE_P(Temporaries, SafeOutputTest, testing::Values(false, true),
                         [](const testing::TestParamInfo<bool>& run) {
                             return run.param ? "Named" : "AsTheSystemGives";
                         });

}
}
}
