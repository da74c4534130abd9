#include "tests/cli/ToolRunner.h"

#include "sample/SampleMovieWriter.h"
#include "tests/support/SampleFolderSuite.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sys/stat.h>

namespace clipreel {
namespace test {
namespace {

using sample::SampleMovieLayout;
using sample::SampleMovieSpec;

// A four-unit reel with real frames (so a new first unit gets a thumbnail)
// and sound, written once for the whole suite.
class SaveCommand : public SampleFolderSuite {
protected:
    static void SetUpTestSuite() {
        SampleFolderSuite::SetUpTestSuite();
        SampleMovieSpec spec;
        spec.units = 4;
        spec.frames = sample::FrameContent::H264;
        WriteReel("source.mov", spec);
        sourceBytes = ReadFileBytes(Folder().File("source.mov"));
    }

    static std::string Source() { return Path("source.mov"); }
    static const SampleMovieLayout& SourceLayout() { return Layout("source.mov"); }

    // The bytes of the unit's block in the source.
    static std::vector<std::uint8_t> SourceBlock(unsigned unit) {
        const auto& u = SourceLayout().units[unit];
        return std::vector<std::uint8_t>(sourceBytes.begin() + static_cast<std::ptrdiff_t>(u.offset),
                                         sourceBytes.begin() + static_cast<std::ptrdiff_t>(u.offset + u.size));
    }

    static std::vector<std::uint8_t> sourceBytes;
};

std::vector<std::uint8_t> SaveCommand::sourceBytes;

// The saved movie, read back by `clipreel info`, holds the kept units in
// order: each unit's block is the source block of the unit kept there.
TEST_F(SaveCommand, TheEditReadsBackWithTheKeptUnits) {
    struct Case {
        std::vector<std::string> list;
        std::vector<unsigned> kept;
        std::string summary;
    };
    const Case cases[] = {
        {{"--remove", "1"}, {0, 2, 3}, ": 3 shooting units (0,2,3)\n"},
        {{"--remove", "3,0"}, {1, 2}, ": 2 shooting units (1,2)\n"},
        {{"--keep", "3,0,1,2"}, {3, 0, 1, 2}, ": 4 shooting units (3,0-2)\n"},
        {{"--keep", "3-0"}, {3, 2, 1, 0}, ": 4 shooting units (3-0)\n"},
        {{"--keep", "last-0"}, {3, 2, 1, 0}, ": 4 shooting units (3-0)\n"},
        {{"--remove", "last-1-last"}, {0, 1}, ": 2 shooting units (0,1)\n"},
        {{"--keep", "2"}, {2}, ": 1 shooting unit (2)\n"},
        {{"--keep", "0,1,2,3"}, {0, 1, 2, 3}, ": 4 shooting units (0-3)\n"},
        {{"--keep", "0-2,last"}, {0, 1, 2, 3}, ": 4 shooting units (0-3)\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.list[0] + " " + c.list[1]);
        const TempDir out;
        const std::string destination = out.File("edited.mov").string();
        std::vector<std::string> arguments = {"edit", Source(), destination};
        arguments.insert(arguments.end(), c.list.begin(), c.list.end());
        const ToolRun run = RunTool(arguments);
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.out, "wrote " + destination + c.summary);
        // Not a terminal: plain percentage lines, ending at 100%.
        ASSERT_GE(run.err.size(), 5u);
        EXPECT_EQ(run.err.substr(0, 3), "0%\n");
        EXPECT_EQ(run.err.substr(run.err.size() - 5), "100%\n");

        const nlohmann::json info = InfoJson(destination);
        ASSERT_EQ(info["kind"], "clipreel");
        const nlohmann::json& units = info["shooting_units"];
        ASSERT_EQ(units.size(), c.kept.size());
        const std::vector<std::uint8_t> saved = ReadFileBytes(destination);
        EXPECT_EQ(info["record"]["file_size"], saved.size());
        for (std::size_t i = 0; i < c.kept.size(); ++i) {
            SCOPED_TRACE(i);
            const std::uint64_t offset = units[i]["file_offset"];
            const std::uint64_t size = units[i]["size"];
            ASSERT_EQ(size, SourceLayout().units[c.kept[i]].size);
            ASSERT_LE(offset + size, saved.size());
            EXPECT_TRUE(std::equal(saved.begin() + static_cast<std::ptrdiff_t>(offset),
                                   saved.begin() + static_cast<std::ptrdiff_t>(offset + size),
                                   SourceBlock(c.kept[i]).begin()));
        }
    }
}

TEST_F(SaveCommand, QuietSaysNothing) {
    const TempDir out;
    const ToolRun run = RunTool({"edit", "--quiet", Source(), out.File("edited.mov").string(), "--remove", "0"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "");
    EXPECT_TRUE(std::filesystem::exists(out.File("edited.mov")));
}

// A refused list or source leaves no destination behind and says why.
TEST_F(SaveCommand, RefusedRequestsNameTheProblem) {
    const TempDir out;
    WriteFileBytes(out.File("noise.mov"), std::vector<std::uint8_t>(2048, 0x11));
    SampleMovieSpec other;
    other.movieMode = 12;
    sample::WriteSampleMovie(out.File("other.mov"), other);
    // A Clipreel movie whose sound description disagrees with its chunks:
    // its units cannot be laid out, so it has no reel to edit.
    SampleMovieSpec unitless;
    unitless.breakage.describedBytesPerFrame = 2;
    sample::WriteSampleMovie(out.File("unitless.mov"), unitless);
    const std::string destination = out.File("edited.mov").string();
    struct Case {
        std::vector<std::string> arguments;
        int exitCode;
        std::string error;  // the first line on standard error
    };
    const Case cases[] = {
        {{"edit", Source(), destination, "--keep", "0,7"}, 2,
         "clipreel: index 7 is out of range: the reel has 4 shooting units (0 to 3)"},
        {{"edit", Source(), destination, "--remove", "0,1,2,3"}, 2,
         "clipreel: cannot remove every shooting unit: at least one must remain"},
        {{"edit", Source(), destination, "--keep", "1,1"}, 2, "clipreel: index 1 is listed twice"},
        {{"edit", Source(), destination, "--keep", "one"}, 2,
         "clipreel: invalid index list \"one\": expected unit numbers or ranges separated by commas, such as 0-3,7 or "
         "2-last"},
        {{"edit", Source(), Source(), "--remove", "1"}, 2,
         "clipreel: the output " + Source() + " is an input of this command: inputs are never replaced"},
        {{"edit", out.File("noise.mov").string(), destination, "--remove", "1"}, 3,
         "clipreel: " + out.File("noise.mov").string() + " is not a QuickTime movie (no atom structure)"},
        {{"edit", out.File("other.mov").string(), destination, "--remove", "1"}, 3,
         "clipreel: " + out.File("other.mov").string() + " is not a Clipreel movie"},
        {{"edit", out.File("unitless.mov").string(), destination, "--remove", "1"}, 3,
         "clipreel: the shooting units of " + out.File("unitless.mov").string() +
             " cannot be told apart from its tables"},
        {{"reference", out.File("unitless.mov").string(), destination, "--keep", "0", "--dry-run"}, 3,
         "clipreel: the shooting units of " + out.File("unitless.mov").string() +
             " cannot be told apart from its tables"},
        {{"edit", out.File("gone.mov").string(), destination, "--remove", "1"}, 3,
         "clipreel: cannot read " + out.File("gone.mov").string() + ": No such file or directory"},
        {{"reference", Source(), destination, "--keep", "9"}, 2,
         "clipreel: index 9 is out of range: the reel has 4 shooting units (0 to 3)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.error);
        const ToolRun run = RunTool(c.arguments);
        EXPECT_EQ(run.exitCode, c.exitCode);
        EXPECT_EQ(run.err.substr(0, run.err.find('\n')), c.error);
        EXPECT_FALSE(std::filesystem::exists(destination));
    }
    EXPECT_EQ(ReadFileBytes(Source()), sourceBytes);
}

TEST_F(SaveCommand, TheCommandLineNeedsExactlyOneList) {
    const TempDir out;
    const std::string destination = out.File("edited.mov").string();
    const std::vector<std::vector<std::string>> cases = {
        {"edit", Source(), destination},
        {"edit", Source(), destination, "--keep", "0", "--remove", "1"},
        {"edit", Source()},
    };
    for (const auto& arguments : cases) {
        SCOPED_TRACE(arguments.size());
        const ToolRun run = RunTool(arguments);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_FALSE(run.err.empty());
        EXPECT_FALSE(std::filesystem::exists(destination));
    }
}

// A failed save never creates the destination: its partial output is
// removed, or with --keep-partial kept under a name that says so; a device
// given as the destination is written in place and never removed.
TEST_F(SaveCommand, AFailedSaveRemovesItsPartialOutput) {
    {
        const ToolRun run = RunTool({"edit", Source(), "/dev/full", "--remove", "1"});
        EXPECT_EQ(run.exitCode, 17);
        EXPECT_NE(run.err.find("clipreel: cannot write /dev/full: No space left on device\n"), std::string::npos)
            << run.err;
        struct stat device {};
        ASSERT_EQ(stat("/dev/full", &device), 0);
        EXPECT_TRUE(S_ISCHR(device.st_mode));
    }
    struct Case {
        bool keepPartial;
        bool remains;
    };
    for (const Case c : {Case{false, false}, Case{true, true}}) {
        SCOPED_TRACE(c.keepPartial);
        const TempDir out;
        const std::string destination = out.File("edited.mov").string();
        std::vector<std::string> arguments = {"edit", Source(), destination, "--remove", "1"};
        if (c.keepPartial) arguments.push_back("--keep-partial");
        // Writes past 1024 bytes fail (the shell's file-size limit).
        const ToolRun run = RunTool(arguments, "ulimit -f 2;");
        EXPECT_EQ(run.exitCode, 15);
        EXPECT_NE(run.err.find("clipreel: cannot write " + destination + ": File too large\n"), std::string::npos)
            << run.err;
        EXPECT_EQ(run.err.find("kept the partial output as " + destination + ".partial\n") != std::string::npos,
                  c.keepPartial)
            << run.err;
        EXPECT_FALSE(std::filesystem::exists(destination));
        const std::size_t left = std::distance(std::filesystem::directory_iterator(out.path()),
                                               std::filesystem::directory_iterator());
        EXPECT_EQ(left, c.remains ? 1u : 0u);
        if (c.remains) {
            EXPECT_LE(std::filesystem::file_size(destination + ".partial"), 1024u);
        }
    }
}

TEST_F(SaveCommand, AReferenceMovieIsOneMovieAtom) {
    struct Case {
        std::vector<std::string> list;
        unsigned frames;
    };
    const Case cases[] = {{{}, 120}, {{"--keep", "1,0"}, 60}, {{"--remove", "2"}, 90}};
    for (const Case& c : cases) {
        const std::vector<std::string>& list = c.list;
        SCOPED_TRACE(list.empty() ? std::string("whole reel") : list[1]);
        const TempDir out;
        const std::string destination = out.File("reference.mov").string();
        std::vector<std::string> arguments = {"reference", Source(), destination};
        arguments.insert(arguments.end(), list.begin(), list.end());
        const ToolRun run = RunTool(arguments);
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.err, "");
        const std::vector<std::uint8_t> bytes = ReadFileBytes(destination);
        ASSERT_GE(bytes.size(), 8u);
        const std::uint32_t size = (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) |
                                   (std::uint32_t{bytes[2]} << 8) | bytes[3];
        EXPECT_EQ(size, bytes.size());
        EXPECT_EQ(std::string(bytes.begin() + 4, bytes.begin() + 8), "moov");
        // `info` knows it for what it is: a movie whose media lie elsewhere.
        const nlohmann::json info = InfoJson(destination);
        EXPECT_EQ(info["kind"], "reference");
        EXPECT_EQ(info["valid"], false);
        EXPECT_EQ(info["video"]["nb_frames"], c.frames);
    }
}

// The reference movie must find its source from anywhere, so a relative
// source path reaches the library made absolute.
TEST_F(SaveCommand, AReferenceToARelativePathWorks) {
    const TempDir out;
    const std::string destination = out.File("reference.mov").string();
    const ToolRun run = RunTool({"reference", "source.mov", destination, "--keep", "2,1"},
                                "cd '" + Folder().path().string() + "' &&");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "wrote " + destination + " (reference movie): 2 shooting units (2,1)\n");
    const std::vector<std::uint8_t> bytes = ReadFileBytes(destination);
    const std::string absolute = Path("source.mov");
    EXPECT_NE(std::search(bytes.begin(), bytes.end(), absolute.begin(), absolute.end()), bytes.end());
}

}
}
}
