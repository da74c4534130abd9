// A save that reports success has its data on the disk: the file is flushed
// before its name is put in place, and the folder after, by every command
// that writes. Shown by the system calls themselves (strace), and by a crash
// right after the save on a file system of the test's own (XFS, shut down as
// a power cut would leave it).
#include "tests/cli/ToolRunner.h"

#include "sample/SampleMovieTypes.h"
#include "tests/support/Commands.h"
#include "tests/support/SampleFolderSuite.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sys/mount.h>

namespace clipreel {
namespace test {
namespace {

namespace fs = std::filesystem;

bool HaveProgram(const std::string& name) {
    return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

// One traced system call: its name, arguments and result.
struct Call {
    std::string name;
    std::vector<std::string> arguments;
    long result = -1;
};

// One line of an strace log, "PID name(args) = result ...": false for any
// other line (signals, exits, unfinished calls).
bool ParseTraceLine(const std::string& text, std::string& name, std::string& arguments, long& result) {
    std::size_t at = 0;
    while (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at]))) ++at;
    if (at == 0 || at == text.size() || !std::isspace(static_cast<unsigned char>(text[at]))) return false;
    while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at]))) ++at;
    const std::size_t nameStart = at;
    while (at < text.size() && (std::isalnum(static_cast<unsigned char>(text[at])) || text[at] == '_')) ++at;
    if (at == nameStart || at == text.size() || text[at] != '(') return false;
    // strace pads short calls: "fsync(4)        = 0".
    const std::size_t equals = text.rfind(" = ");
    if (equals == std::string::npos) return false;
    const std::size_t close = text.find_last_not_of(' ', equals);
    if (close == std::string::npos || close <= at || text[close] != ')') return false;
    char* end = nullptr;
    const char* number = text.c_str() + equals + 3;
    const long value = std::strtol(number, &end, 10);
    if (end == number) return false;
    name = text.substr(nameStart, at - nameStart);
    arguments = text.substr(at + 1, close - at - 1);
    result = value;
    return true;
}

// The descriptor N of an argument "/proc/self/fd/N", as strace quotes it.
bool ProcDescriptor(const std::string& argument, long& descriptor) {
    static const std::string prefix = "\"/proc/self/fd/";
    if (argument.size() <= prefix.size() + 1 || argument.compare(0, prefix.size(), prefix) != 0 ||
        argument.back() != '"') {
        return false;
    }
    const std::string digits = argument.substr(prefix.size(), argument.size() - prefix.size() - 1);
    if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos) return false;
    descriptor = std::stol(digits);
    return true;
}

// The calls of an strace log (-f, one call a line).
std::vector<Call> ReadTrace(const fs::path& log) {
    std::vector<Call> calls;
    std::ifstream in(log);
    for (std::string text; std::getline(in, text);) {
        Call call;
        std::string arguments;
        if (!ParseTraceLine(text, call.name, arguments, call.result)) continue;
        // Arguments split at the commas outside quotes.
        std::string current;
        bool quoted = false;
        for (const char c : arguments) {
            if (c == '"') quoted = !quoted;
            if (c == ',' && !quoted) {
                call.arguments.push_back(current);
                current.clear();
                continue;
            }
            if (c != ' ' || quoted || !current.empty()) current += c;
        }
        call.arguments.push_back(current);
        calls.push_back(call);
    }
    return calls;
}

std::string Unquoted(const std::string& text) {
    return text.size() >= 2 && text.front() == '"' ? text.substr(1, text.size() - 2) : text;
}

// What the trace shows of every output put in place: for each final name,
// whether its file was flushed before it was placed, whether the folder was
// flushed after, and whether every writer had closed the file before the
// flush.
struct Placement {
    bool flushedBefore = false;
    bool writersClosedBefore = false;
    bool folderFlushedAfter = false;
};

std::map<std::string, Placement> Placements(const std::vector<Call>& calls) {
    std::map<std::string, Placement> placements;
    std::map<std::string, long> hiddenNames;  // a temporary's hidden name -> its descriptor
    std::map<long, std::size_t> flushedAt;    // descriptor -> the index of its last fsync
    std::map<long, long> writerOf;            // a writer's descriptor -> the temporary's
    std::map<long, std::size_t> lastWriterClose;
    for (std::size_t i = 0; i < calls.size(); ++i) {
        const Call& call = calls[i];
        long descriptor = -1;
        if (call.name == "openat" && call.arguments.size() >= 2 && call.result >= 0 &&
            ProcDescriptor(call.arguments[1], descriptor)) {
            writerOf[call.result] = descriptor;
        } else if (call.name == "close" && !call.arguments.empty()) {
            const long fd = std::stol(call.arguments[0]);
            const auto writer = writerOf.find(fd);
            if (writer != writerOf.end()) {
                lastWriterClose[writer->second] = i;
                writerOf.erase(writer);
            }
        } else if ((call.name == "fsync" || call.name == "fdatasync") && call.result == 0) {
            flushedAt[std::stol(call.arguments[0])] = i;
        }
        long temporary = -1;
        std::string placedAs;
        std::string folder;
        if (call.name == "linkat" && call.result == 0 && call.arguments.size() >= 4 &&
            ProcDescriptor(call.arguments[1], descriptor)) {
            temporary = descriptor;
            placedAs = Unquoted(call.arguments[3]);
            folder = call.arguments[2];
            if (placedAs.find(".clipreel-") != std::string::npos) {
                hiddenNames[placedAs] = temporary;
                continue;
            }
        } else if ((call.name == "renameat" || call.name == "renameat2") && call.result == 0 &&
                   hiddenNames.count(Unquoted(call.arguments[1])) != 0) {
            temporary = hiddenNames[Unquoted(call.arguments[1])];
            placedAs = Unquoted(call.arguments[3]);
            folder = call.arguments[2];
        } else {
            continue;
        }
        Placement& placement = placements[placedAs];
        const auto flushed = flushedAt.find(temporary);
        placement.flushedBefore = flushed != flushedAt.end();
        const auto closed = lastWriterClose.find(temporary);
        placement.writersClosedBefore =
            placement.flushedBefore && (closed == lastWriterClose.end() || closed->second < flushed->second);
        for (std::size_t j = i + 1; j < calls.size(); ++j) {
            if (calls[j].name == "fsync" && calls[j].result == 0 && calls[j].arguments[0] == folder) {
                placement.folderFlushedAfter = true;
                break;
            }
        }
    }
    return placements;
}

class DurableSave : public SampleFolderSuite {
protected:
    static void SetUpTestSuite() {
        SampleFolderSuite::SetUpTestSuite();
        sample::SampleMovieSpec reel;
        reel.units = 3;
        reel.frames = sample::FrameContent::H264;  // split, thumbnail and sheet decode frames
        WriteReel("REEL0001.MOV", reel);
        WriteReel("REEL0002.MOV", reel);
    }
};

// Every command that writes, to a new name and over an existing file: the
// writers close the file, it is flushed, put in place, and then the folder
// is flushed.
TEST_F(DurableSave, EveryWriterFlushesBeforeTheNameAndTheFolderAfter) {
    if (!HaveProgram("strace")) GTEST_SKIP() << "strace is not installed";
    struct Case {
        std::vector<std::string> arguments;  // OUT/: the test's output folder
        std::vector<std::string> placed;
    };
    const std::string reel = Path("REEL0001.MOV");
    const Case cases[] = {
        {{"edit", reel, "OUT/edited.mov", "--remove", "1"}, {"edited.mov"}},
        {{"edit", reel, "OUT/old.mov", "--remove", "1", "--force"}, {"old.mov"}},
        {{"reference", reel, "OUT/reference.mov"}, {"reference.mov"}},
        {{"join", "OUT/joined.mov", reel, Path("REEL0002.MOV")}, {"joined.mov"}},
        {{"split", reel, "OUT/"}, {"REEL0001-u000.MOV", "REEL0001-u001.MOV", "REEL0001-u002.MOV"}},
        {{"salvage", reel, "OUT/salvaged.mov"}, {"salvaged.mov"}},
        {{"thumbnail", reel, "OUT/thumbnail.jpg"}, {"thumbnail.jpg"}},
        {{"sheet", reel, "OUT/old.jpg", "-y"}, {"old.jpg"}},
        {{"sample", "OUT/sample.mov", "--units", "2", "--dummy-frames"}, {"sample.mov"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments[0] + " " + c.placed[0]);
        const TempDir out;
        WriteFileBytes(out.File("old.mov"), ReadFileBytes(Path("REEL0002.MOV")));
        WriteFileBytes(out.File("old.jpg"), {0xFF, 0xD8, 0xFF, 0xD9});
        std::vector<std::string> arguments = c.arguments;
        for (std::string& argument : arguments) {
            if (argument.rfind("OUT/", 0) == 0) argument = out.path().string() + argument.substr(3);
        }
        const TempDir traces;
        const fs::path log = traces.File("trace");
        const ToolRun run =
            // LeakSanitizer cannot run under a tracer: a sanitized build's
            // tool is traced without its leak check.
            RunTool(arguments, "ASAN_OPTIONS=\"${ASAN_OPTIONS:-}:detect_leaks=0\" strace -f -qq -e "
                               "trace=openat,close,fsync,fdatasync,linkat,renameat,renameat2 -o " +
                                   ShellQuoted(log.string()));
        ASSERT_EQ(run.exitCode, 0) << run.err;
        const std::map<std::string, Placement> placements = Placements(ReadTrace(log));
        for (const std::string& name : c.placed) {
            SCOPED_TRACE(name);
            const auto found = placements.find(name);
            ASSERT_NE(found, placements.end()) << "no placement of " << name << " in the trace";
            EXPECT_TRUE(found->second.writersClosedBefore);
            EXPECT_TRUE(found->second.flushedBefore);
            EXPECT_TRUE(found->second.folderFlushedAfter);
            EXPECT_TRUE(fs::is_regular_file(out.File(name)));
        }
    }
}

// A file system of the test's own on a loop device, mounted while it lives.
class XfsVolume {
public:
    XfsVolume() {
        image = folder.File("xfs.img");
        mountPoint = folder.File("mnt");
        fs::create_directory(mountPoint);
        { std::ofstream(image.string()).close(); }
        fs::resize_file(image, 320u << 20);  // the least mkfs.xfs accepts is 300 MiB
        ready = Shell("mkfs.xfs -q " + ShellQuoted(image.string())) && Mount();
    }
    ~XfsVolume() {
        if (mounted) Unmount();
    }
    XfsVolume(const XfsVolume&) = delete;
    XfsVolume& operator=(const XfsVolume&) = delete;

    bool Ready() const { return ready; }
    fs::path File(const std::string& name) const { return mountPoint / name; }

    // Stops the file system as a power cut would: what its log holds on the
    // disk survives, the data still in memory do not. The log is flushed
    // first (xfs_io's shutdown -f), so every name change made so far counts;
    // a file whose data were never flushed is then found empty or with holes.
    bool CrashAndRemount() {
        const bool down = Shell("xfs_io -x -c 'shutdown -f' " + ShellQuoted(mountPoint.string()));
        return Unmount() && down && Mount();
    }

private:
    static bool Shell(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }
    bool Mount() {
        mounted = Shell("mount -t xfs -o loop " + ShellQuoted(image.string()) + " " + ShellQuoted(mountPoint.string()));
        return mounted;
    }
    bool Unmount() {
        mounted = !(umount(mountPoint.c_str()) == 0);
        return !mounted;
    }

    TempDir folder;
    fs::path image;
    fs::path mountPoint;
    bool ready = false;
    bool mounted = false;
};

// A crash right after the tool said "wrote": the new file is whole, over an
// existing one and under a new name.
TEST_F(DurableSave, ACrashRightAfterTheSaveKeepsTheNewFile) {
    if (!HaveProgram("mkfs.xfs") || !HaveProgram("xfs_io")) GTEST_SKIP() << "xfsprogs is not installed";
    XfsVolume volume;
    if (!volume.Ready()) GTEST_SKIP() << "cannot make and mount an XFS file system here";
    struct Case {
        std::vector<std::string> arguments;  // DST: the output on the volume
        std::string name;
        bool existing;
    };
    const Case cases[] = {
        {{"edit", "--force", Path("REEL0001.MOV"), "DST", "--remove", "1"}, "dst.mov", true},
        {{"edit", Path("REEL0001.MOV"), "DST", "--remove", "1"}, "dst.mov", false},
        {{"thumbnail", Path("REEL0001.MOV"), "DST", "--force"}, "dst.jpg", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments[0] + (c.existing ? " over an existing file" : " to a new name"));
        const fs::path destination = volume.File(c.name);
        fs::remove(destination);
        if (c.existing) {
            WriteFileBytes(destination, c.name == "dst.jpg" ? std::vector<std::uint8_t>(30000, 0x4B)
                                                            : ReadFileBytes(Path("REEL0002.MOV")));
            ASSERT_EQ(std::system("sync"), 0);
        }
        std::vector<std::string> arguments = c.arguments;
        for (std::string& argument : arguments) {
            if (argument == "DST") argument = destination.string();
        }
        const ToolRun run = RunTool(arguments);
        ASSERT_EQ(run.exitCode, 0) << run.err;
        // What the tool wrote, as the system shows it before the crash.
        const std::vector<std::uint8_t> written = ReadFileBytes(destination);
        ASSERT_GT(written.size(), 1000u);
        ASSERT_TRUE(volume.CrashAndRemount());
        EXPECT_TRUE(ReadFileBytes(destination) == written) << "the saved file changed in the crash";
    }
}

}
}
}
