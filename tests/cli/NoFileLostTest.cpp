// The tool never loses a file: a folder of reels and a pre-existing output,
// every destructive pattern a user may type or cause, and afterwards every
// file byte for byte as it was and no temporary file left.
#include "tests/cli/ToolRunner.h"

#include "sample/SampleMovieTypes.h"
#include "tests/support/SampleFolderSuite.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <map>
#include <sys/mount.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace clipreel {
namespace test {
namespace {

namespace fs = std::filesystem;
using Snapshot = std::map<std::string, std::vector<std::uint8_t>>;

// Every file in the folder (hidden ones too) and its bytes.
Snapshot TakeSnapshot(const fs::path& folder) {
    Snapshot snapshot;
    for (const auto& entry : fs::directory_iterator(folder)) {
        snapshot[entry.path().filename().string()] =
            entry.is_regular_file() ? ReadFileBytes(entry.path()) : std::vector<std::uint8_t>{};
    }
    return snapshot;
}

std::vector<std::string> NamesOf(const Snapshot& snapshot) {
    std::vector<std::string> names;
    for (const auto& file : snapshot) names.push_back(file.first);
    return names;
}

// Starts the tool in folder, its output thrown away; its process id.
pid_t StartTool(const fs::path& folder, const std::vector<std::string>& arguments) {
    const pid_t pid = fork();
    if (pid == 0) {
        if (chdir(folder.c_str()) != 0) _exit(127);
        const int devNull = open("/dev/null", O_WRONLY);
        dup2(devNull, STDOUT_FILENO);
        dup2(devNull, STDERR_FILENO);
        std::vector<char*> argv;
        std::string program = CLIPREEL_TOOL_PATH;
        argv.push_back(&program[0]);
        std::vector<std::string> copies = arguments;
        for (std::string& argument : copies) argv.push_back(&argument[0]);
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    return pid;
}

// The size of the tool's temporary file beside output, found among the
// files the tool holds open: a hidden name of its own, or a file that has no
// name yet (Linux shows it as "FOLDER/#INODE (deleted)"); -1 when it has none.
std::intmax_t TemporarySize(pid_t pid, const fs::path& folder, const std::string& output) {
    const std::string prefix = "." + output + ".clipreel-";
    std::error_code error;
    for (const auto& entry : fs::directory_iterator("/proc/" + std::to_string(pid) + "/fd", error)) {
        std::error_code linkError;
        const fs::path opened = fs::read_symlink(entry.path(), linkError);
        if (linkError || opened.parent_path() != fs::canonical(folder)) continue;
        const std::string name = opened.filename().string();
        if (name.rfind(prefix, 0) != 0 && name.rfind("#", 0) != 0) continue;
        const std::uintmax_t size = fs::file_size(entry.path(), linkError);
        if (!linkError) return static_cast<std::intmax_t>(size);
    }
    return -1;
}

// Waits until the tool's temporary file beside output has content (the save
// is under way), then stops the tool; false when the tool ended first.
bool StopWhileWriting(pid_t pid, const fs::path& folder, const std::string& output) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline) {
        if (TemporarySize(pid, folder, output) > 0) {
            kill(pid, SIGSTOP);
            int status = 0;
            return waitpid(pid, &status, WUNTRACED) == pid && WIFSTOPPED(status);
        }
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) return false;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return false;
}

class NoFileLost : public SampleFolderSuite {
protected:
    static void SetUpTestSuite() {
        SampleFolderSuite::SetUpTestSuite();
        sample::SampleMovieSpec reel;
        reel.frames = sample::FrameContent::H264;
        WriteReel("REEL0001.MOV", reel);
        reel.units = 3;
        WriteReel("REEL0002.MOV", reel);
        // Real frames, long enough that an export is stopped mid-way.
        reel.units = 8;
        reel.framesPerUnit = 60;
        WriteReel("clip.mov", reel);
        // Large enough that a save takes a while: the signals arrive mid-way.
        sample::SampleMovieSpec big;
        big.units = 6;
        big.framesPerUnit = 240;
        big.width = 1280;
        big.height = 720;
        big.frames = sample::FrameContent::Dummy;
        WriteReel("huge.mov", big);
        WriteFileBytes(Folder().File("keepme.mov"), std::vector<std::uint8_t>(5000, 0x4B));
        // A movie under a picture's name: only its bytes tell what it is.
        sample::SampleMovieSpec disguised;
        disguised.units = 1;
        WriteReel("movie.jpg", disguised);
        before = TakeSnapshot(Folder().path());
    }

    // Every original and the pre-existing output as they were, nothing else.
    static void ExpectFolderUnchanged() {
        const Snapshot after = TakeSnapshot(Folder().path());
        EXPECT_EQ(NamesOf(after), NamesOf(before));
        for (const auto& file : before) {
            const auto found = after.find(file.first);
            if (found != after.end()) {
                EXPECT_TRUE(found->second == file.second) << file.first << " changed";
            }
        }
    }

    static Snapshot before;
};

Snapshot NoFileLost::before;

// What a user types: globs that put a reel where the output goes, the input
// as its own output, an output that exists.
TEST_F(NoFileLost, CommandLinesThatWouldReplaceAFile) {
    struct Case {
        std::string arguments;  // shell text: globs expand
        int exitCode;
        std::string message;  // the first line on standard error
    };
    const std::string movieOutput =
        "clipreel: the output REEL0002.MOV names a movie, not a JPEG file: for several reels give --output-dir "
        "DIR (-o)";
    const Case cases[] = {
        // A thumbnail or sheet names its JPEG file, never a movie; several
        // reels go with --output-dir.
        {"thumbnail REEL*.MOV", 2, movieOutput},
        {"sheet REEL*.MOV", 2, movieOutput},
        {"thumbnail REEL*.MOV --force", 2, movieOutput},
        {"sheet REEL*.MOV t.jpg", 2,
         "clipreel: sheet takes one reel and its JPEG file (REEL OUT.jpg); 3 operands given: for several reels "
         "give --output-dir DIR (-o)"},
        // More operands than a command takes is said, never read as the output.
        {"salvage REEL*.MOV saved.mov -y", 2,
         "clipreel: too many operands: salvage takes DAMAGED OUT; 3 given (from saved.mov on; a file pattern "
         "that matched more files than the command takes?)"},
        {"split REEL*.MOV parts", 2,
         "clipreel: too many operands: split takes REEL OUTDIR; 3 given (from parts on; a file pattern that "
         "matched more files than the command takes?)"},
        {"edit REEL*.MOV new.mov --remove 0 -y", 2,
         "clipreel: too many operands: edit takes SRC DST; 3 given (from new.mov on; a file pattern that "
         "matched more files than the command takes?)"},
        {"wav REEL*.MOV", 2,
         "clipreel: too many operands: wav takes WAVFILE; 2 given (from REEL0002.MOV on; a file pattern that "
         "matched more files than the command takes?)"},
        {"join REEL*.MOV", 2, "clipreel: missing operands: join takes OUT REEL[:LIST] REEL[:LIST]...; 2 given"},
        {"edit REEL*.MOV --remove 0", 6, "clipreel: REEL0002.MOV already exists: give --force (-y) to replace it"},
        {"reference REEL*.MOV", 6, "clipreel: REEL0002.MOV already exists: give --force (-y) to replace it"},
        {"thumbnail REEL0001.MOV REEL0001.MOV", 2,
         "clipreel: the output REEL0001.MOV names a movie, not a JPEG file: for several reels give --output-dir "
         "DIR (-o)"},
        {"edit REEL0001.MOV ./REEL0001.MOV --remove 1 --force", 2,
         "clipreel: the output ./REEL0001.MOV is the input REEL0001.MOV itself: inputs are never replaced"},
        {"sheet REEL0002.MOV REEL0002.MOV -y", 2,
         "clipreel: the output REEL0002.MOV names a movie, not a JPEG file: for several reels give --output-dir "
         "DIR (-o)"},
        {"edit REEL0001.MOV REEL0001.MOV --remove 1 -y", 2,
         "clipreel: the output REEL0001.MOV is an input of this command: inputs are never replaced"},
        {"reference REEL0001.MOV ../$(basename \"$PWD\")/REEL0001.MOV -y", 2, ""},
        // A movie is never replaced by a picture, whatever the flags and
        // whatever its name says.
        {"thumbnail REEL0001.MOV REEL0002.MOV --force", 2, movieOutput},
        {"thumbnail REEL0001.MOV movie.jpg --force", 6,
         "clipreel: movie.jpg is a movie: it is never replaced by a file of another kind"},
        {"sheet REEL0001.MOV movie.jpg -y -q", 6,
         "clipreel: movie.jpg is a movie: it is never replaced by a file of another kind"},
        {"edit REEL0001.MOV keepme.mov --remove 1", 6,
         "clipreel: keepme.mov already exists: give --force (-y) to replace it"},
        {"sample keepme.mov", 6, "clipreel: keepme.mov already exists: give --force (-y) to replace it"},
        {"sample REEL0001.MOV --dummy-frames", 6,
         "clipreel: REEL0001.MOV already exists: give --force (-y) to replace it"},
        {"export REEL*.MOV", 6, "clipreel: REEL0002.MOV already exists: give --force (-y) to replace it"},
        {"export REEL0001.MOV REEL0001.MOV -y", 2,
         "clipreel: the output REEL0001.MOV is an input of this command: inputs are never replaced"},
        {"export REEL0001.MOV keepme.mov", 6, "clipreel: keepme.mov already exists: give --force (-y) to replace it"},
        {"export REEL0002.MOV new.mp4 --keep 0,3", 2, ""},
        {"export REEL0002.MOV new.mp4 --remove 0-last", 2,
         "clipreel: cannot remove every shooting unit: at least one must remain"},
        {"edit REEL0001.MOV new.mov --keep ''", 2, ""},
        {"edit REEL0001.MOV new.mov --remove 0-last", 2,
         "clipreel: cannot remove every shooting unit: at least one must remain"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments);
        const ToolRun run = RunToolInShell(c.arguments, "cd '" + Folder().path().string() + "' &&");
        EXPECT_EQ(run.exitCode, c.exitCode) << run.err;
        if (!c.message.empty()) {
            EXPECT_EQ(run.err.substr(0, run.err.find('\n')), c.message);
        }
        ExpectFolderUnchanged();
    }
}

// A save stopped by a signal: Ctrl-C (cancel), SIGTERM, SIGHUP, a second
// Ctrl-C while cancelling, SIGKILL (which no handler sees: the temporary
// has no name to leave behind); over an existing output (with --force) and
// to a new name.
TEST_F(NoFileLost, ASaveStoppedBySignals) {
    struct Case {
        const char* what;
        std::vector<int> signals;
        int exitCode;  // the exit code, or
        int killedBy;  // the signal that ended the tool (0: none)
    };
    const Case cases[] = {
        {"Ctrl-C", {SIGINT}, 11, 0},
        {"SIGTERM", {SIGTERM}, 0, SIGTERM},
        {"SIGHUP", {SIGHUP}, 0, SIGHUP},
        {"SIGPIPE (a reader that went away)", {SIGPIPE}, 0, SIGPIPE},
        {"two Ctrl-C", {SIGINT, SIGINT}, 11, SIGINT},
        {"SIGKILL (no handler runs)", {SIGKILL}, 0, SIGKILL},
    };
    for (const char* output : {"keepme.mov", "fresh.mov"}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(output) + ", " + c.what);
            const pid_t pid = StartTool(Folder().path(), {"edit", "huge.mov", output, "--remove", "5", "--force"});
            ASSERT_GT(pid, 0);
            ASSERT_TRUE(StopWhileWriting(pid, Folder().path(), output)) << "the save ended before the signal";
            // The first signal is handled as soon as the tool runs again; a
            // second one of the same kind would merge with it while stopped.
            kill(pid, c.signals[0]);
            kill(pid, SIGCONT);
            for (std::size_t i = 1; i < c.signals.size(); ++i) kill(pid, c.signals[i]);
            int status = 0;
            ASSERT_EQ(waitpid(pid, &status, 0), pid);
            if (c.signals.size() == 1) {
                if (c.killedBy != 0) {
                    ASSERT_TRUE(WIFSIGNALED(status));
                    EXPECT_EQ(WTERMSIG(status), c.killedBy);
                } else {
                    ASSERT_TRUE(WIFEXITED(status));
                    EXPECT_EQ(WEXITSTATUS(status), c.exitCode);
                }
            } else {
                // The second Ctrl-C ends the tool at once, unless the cancel
                // was quicker; either way nothing may be left.
                EXPECT_TRUE((WIFEXITED(status) && WEXITSTATUS(status) == c.exitCode) ||
                            (WIFSIGNALED(status) && WTERMSIG(status) == c.killedBy));
            }
            ExpectFolderUnchanged();
        }
    }
}

// An export cancelled with Ctrl-C, over an existing output and to a new
// name: the exit code says so and nothing is left.
TEST_F(NoFileLost, AnExportCancelledByCtrlC) {
    for (const char* output : {"keepme.mov", "fresh.mp4"}) {
        SCOPED_TRACE(output);
        const pid_t pid = StartTool(Folder().path(), {"export", "clip.mov", output, "--force"});
        ASSERT_GT(pid, 0);
        ASSERT_TRUE(StopWhileWriting(pid, Folder().path(), output)) << "the export ended before the signal";
        kill(pid, SIGINT);
        kill(pid, SIGCONT);
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 11);
        ExpectFolderUnchanged();
    }
}

// --keep-partial: the partial output stays beside the output, named so.
TEST_F(NoFileLost, KeepPartialKeepsItBesideTheOutput) {
    const pid_t pid =
        StartTool(Folder().path(), {"edit", "huge.mov", "keepme.mov", "--remove", "5", "-y", "--keep-partial"});
    ASSERT_TRUE(StopWhileWriting(pid, Folder().path(), "keepme.mov"));
    kill(pid, SIGTERM);
    kill(pid, SIGCONT);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM);
    const fs::path partial = Folder().File("keepme.mov.partial");
    ASSERT_TRUE(fs::exists(partial));
    EXPECT_GT(fs::file_size(partial), 0u);
    fs::remove(partial);
    ExpectFolderUnchanged();
}

// A file-size limit (ulimit -f) is a clear failure of every command that
// writes, with the system's reason, never a SIGXFSZ that ends the tool and
// leaves a temporary behind.
TEST_F(NoFileLost, AFileSizeLimitIsAClearFailure) {
    struct Case {
        std::vector<std::string> arguments;  // OUT: the output in a folder of its own
        int exitCode;
        std::string message;
    };
    const std::string reel = Folder().File("REEL0002.MOV").string();
    const Case cases[] = {
        {{"sample", "OUT/s.mov", "--units", "2"}, 4, "clipreel: cannot write OUT/s.mov: File too large"},
        {{"edit", reel, "OUT/e.mov", "--remove", "1"}, 15, "clipreel: cannot write OUT/e.mov: File too large"},
        {{"reference", reel, "OUT/r.mov"}, 15, "clipreel: cannot write OUT/r.mov: File too large"},
        {{"join", "OUT/j.mov", reel, reel},
         15,
         "clipreel: cannot join into OUT/j.mov: cannot write OUT/j.mov: File too large"},
        {{"salvage", reel, "OUT/v.mov"},
         15,
         "clipreel: cannot salvage into OUT/v.mov: cannot write OUT/v.mov: File too large"},
        {{"thumbnail", reel, "OUT/t.jpg"}, 4, "clipreel: cannot write OUT/t.jpg: File too large"},
        {{"sheet", reel, "OUT/c.jpg"}, 4, "clipreel: cannot write OUT/c.jpg: File too large"},
        {{"split", reel, "OUT/"},
         15,
         "clipreel: cannot split " + reel + ": cannot write OUT/REEL0002-u000.MOV: File too large"},
        {{"export", reel, "OUT/x.mp4"}, 15, "clipreel: cannot write OUT/x.mp4: File too large"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments[0]);
        const TempDir out;
        std::vector<std::string> arguments = c.arguments;
        for (std::string& argument : arguments) {
            if (argument.rfind("OUT/", 0) == 0) argument = out.path().string() + argument.substr(3);
        }
        std::string message = c.message;
        for (std::size_t at = message.find("OUT/"); at != std::string::npos; at = message.find("OUT/")) {
            message.replace(at, 3, out.path().string());
        }
        const ToolRun run = RunTool(arguments, "ulimit -f 1;");
        EXPECT_EQ(run.exitCode, c.exitCode) << run.err;
        EXPECT_NE(run.err.find(message + "\n"), std::string::npos) << run.err;
        EXPECT_TRUE(fs::is_empty(out.path()));
    }
    ExpectFolderUnchanged();
}

// Output names up to the system's limit of 255 bytes, new and replaced
// (the temporary's name would pass the limit without being shortened).
TEST_F(NoFileLost, OutputNamesUpToTheLimitWork) {
    const TempDir out;
    for (const std::size_t length : {233u, 255u}) {
        const std::string movie = std::string(length - 4, 'm') + ".mov";
        const std::string picture = std::string(length - 4, 'p') + ".jpg";
        for (const char* force : {"", "--force"}) {
            SCOPED_TRACE(std::to_string(length) + " " + force);
            std::vector<std::string> edit = {"edit", Folder().File("REEL0002.MOV").string(), out.File(movie).string(),
                                             "--remove", "1"};
            std::vector<std::string> thumbnail = {"thumbnail", Folder().File("REEL0002.MOV").string(),
                                                  out.File(picture).string()};
            if (*force != '\0') {
                edit.push_back(force);
                thumbnail.push_back(force);
            }
            for (const std::vector<std::string>& arguments : {edit, thumbnail}) {
                const ToolRun run = RunTool(arguments);
                EXPECT_EQ(run.exitCode, 0) << run.err;
            }
        }
        EXPECT_GT(fs::file_size(out.File(movie)), 1000u);
        EXPECT_GT(fs::file_size(out.File(picture)), 100u);
    }
    std::size_t files = 0;
    for (const auto& entry : fs::directory_iterator(out.path())) files += entry.is_regular_file() ? 1 : 0;
    EXPECT_EQ(files, 4u);
    ExpectFolderUnchanged();
}

// A disk that fills up during the save: a small file system of its own,
// where the test may make one.
TEST_F(NoFileLost, AFullDiskLeavesTheExistingOutput) {
    const TempDir mountPoint;
    if (mount("tmpfs", mountPoint.path().c_str(), "tmpfs", 0, "size=256k") != 0) {
        GTEST_SKIP() << "cannot mount a small file system here";
    }
    const std::vector<std::uint8_t> kept(100000, 0x4B);
    WriteFileBytes(mountPoint.File("keepme.mov"), kept);
    struct Case {
        std::vector<std::string> arguments;
        int exitCode;
    };
    const std::string target = mountPoint.File("keepme.mov").string();
    const Case cases[] = {
        {{"edit", Folder().File("REEL0001.MOV").string(), target, "--remove", "2", "-y"}, 17},
        {{"sample", target, "-y", "--units", "2"}, 4},
        {{"edit", Folder().File("REEL0001.MOV").string(), mountPoint.File("new.mov").string(), "--remove", "2"}, 17},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments[0]);
        const ToolRun run = RunTool(c.arguments);
        EXPECT_EQ(run.exitCode, c.exitCode) << run.err;
        EXPECT_NE(run.err.find(": No space left on device\n"), std::string::npos) << run.err;
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(mountPoint.path())) {
            names.push_back(entry.path().filename().string());
        }
        EXPECT_EQ(names, std::vector<std::string>{"keepme.mov"});
        EXPECT_EQ(ReadFileBytes(mountPoint.File("keepme.mov")), kept);
    }
    umount(mountPoint.path().c_str());
    ExpectFolderUnchanged();
}

}
}
}
