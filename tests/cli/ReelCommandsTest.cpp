// split, join and salvage from the shell: the files they write are the
// reels the library makes, their refusals write nothing, and no output
// replaces a file without --force.
#include "tests/cli/ToolRunner.h"

#include "sample/SampleMovieTypes.h"
#include "sample/SampleMovieWriter.h"
#include "tests/support/SampleFolderSuite.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace clipreel {
namespace test {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Block(const std::filesystem::path& file, std::uint64_t offset, std::uint64_t size) {
    const Bytes bytes = ReadFileBytes(file);
    if (offset + size > bytes.size()) return {};
    return Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(offset),
                 bytes.begin() + static_cast<std::ptrdiff_t>(offset + size));
}

// The blocks of a written reel's units, as `clipreel info --json` lists them.
std::vector<Bytes> UnitBlocks(const std::filesystem::path& file) {
    std::vector<Bytes> blocks;
    const nlohmann::json info = InfoJson(file);
    for (const nlohmann::json& unit : info["shooting_units"])
        blocks.push_back(Block(file, unit["file_offset"].get<std::uint64_t>(), unit["size"].get<std::uint64_t>()));
    return blocks;
}

// Two reels of one shape with different pictures, and one of another rate.
class ReelCommands : public SampleFolderSuite {
protected:
    static void SetUpTestSuite() {
        SampleFolderSuite::SetUpTestSuite();
        sample::SampleMovieSpec spec;
        spec.frames = sample::FrameContent::H264;
        spec.units = 4;
        WriteReel("A.MOV", spec);
        spec.units = 2;
        spec.contentOffset = 5;
        WriteReel("B.MOV", spec);
        spec.timeScale = 25000;
        spec.frameDuration = 1000;
        spec.framesPerUnit = 25;
        spec.groupOfPicture = 5;
        WriteReel("C.MOV", spec);
    }
    static std::string A() { return Path("A.MOV"); }
    static std::string B() { return Path("B.MOV"); }
    static const sample::SampleMovieLayout& LayoutA() { return Layout("A.MOV"); }
    static const sample::SampleMovieLayout& LayoutB() { return Layout("B.MOV"); }
    static Bytes BlockOf(const std::string& file, const sample::SampleMovieLayout& layout, unsigned unit) {
        return Block(file, layout.units[unit].offset, layout.units[unit].size);
    }
};

TEST_F(ReelCommands, SplitWritesOneReelPerKeptUnitNamedByItsIndex) {
    const TempDir out;
    const std::string folder = out.File("parts").string();
    const ToolRun run = RunTool({"split", A(), folder, "--keep", "3,0-1", "-q"});
    ASSERT_EQ(0, run.exitCode) << run.err;
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ((std::vector<std::string>{"A-u000.MOV", "A-u001.MOV", "A-u003.MOV"}), names);
    for (const unsigned unit : {0u, 1u, 3u}) {
        SCOPED_TRACE(unit);
        const std::vector<Bytes> blocks = UnitBlocks(std::filesystem::path(folder) / names[unit == 3 ? 2 : unit]);
        ASSERT_EQ(1u, blocks.size());
        EXPECT_TRUE(blocks[0] == BlockOf(A(), LayoutA(), unit));
    }

    // Again: every existing output is refused before anything is written,
    // unless forced.
    const auto before = std::filesystem::last_write_time(std::filesystem::path(folder) / "A-u000.MOV");
    const ToolRun again = RunTool({"split", A(), folder, "--keep", "0"});
    EXPECT_EQ(6, again.exitCode);
    EXPECT_NE(std::string::npos, again.err.find("A-u000.MOV already exists: give --force (-y) to replace it"))
        << again.err;
    EXPECT_EQ(before, std::filesystem::last_write_time(std::filesystem::path(folder) / "A-u000.MOV"));
    EXPECT_EQ(0, RunTool({"split", A(), folder, "--keep", "0", "--force", "-q"}).exitCode);
    EXPECT_EQ(3, std::distance(std::filesystem::directory_iterator(folder), std::filesystem::directory_iterator()));
}

TEST_F(ReelCommands, JoinWritesTheChosenUnitsOfEachReelInOrder) {
    const TempDir out;
    const std::string joined = out.File("joined.mov").string();
    const ToolRun run = RunTool({"join", joined, A() + ":3-2", B(), A() + ":0"});
    ASSERT_EQ(0, run.exitCode) << run.err;
    EXPECT_EQ("wrote " + joined + ": 5 shooting units from 3 reels\n", run.out);
    const std::vector<Bytes> blocks = UnitBlocks(joined);
    ASSERT_EQ(5u, blocks.size());
    EXPECT_TRUE(blocks[0] == BlockOf(A(), LayoutA(), 3));
    EXPECT_TRUE(blocks[1] == BlockOf(A(), LayoutA(), 2));
    EXPECT_TRUE(blocks[2] == BlockOf(B(), LayoutB(), 0));
    EXPECT_TRUE(blocks[3] == BlockOf(B(), LayoutB(), 1));
    EXPECT_TRUE(blocks[4] == BlockOf(A(), LayoutA(), 0));
}

TEST_F(ReelCommands, RefusedJoinsWriteNothing) {
    struct Case {
        const char* what;
        std::vector<std::string> reels;
        bool outputIsInput;
        int exitCode;
        std::string message;
    };
    const std::string c = Path("C.MOV");
    const std::vector<Case> cases = {
        {"another shape", {A(), c}, false, 3,
         "clipreel: cannot join " + c + ": video time scale 25000 differs from the first reel's 30000\n"},
        {"a unit the reel lacks", {A() + ":1,9", B()}, false, 2, "clipreel: " + A() + ": index 9 is out of range"},
        {"over an input", {A(), B()}, true, 2, "the output " + A() + " is an input of this command"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        const TempDir out;
        const std::string destination = k.outputIsInput ? A() : out.File("joined.mov").string();
        const Bytes before = ReadFileBytes(A());
        std::vector<std::string> arguments = {"join", destination};
        arguments.insert(arguments.end(), k.reels.begin(), k.reels.end());
        if (k.outputIsInput) arguments.push_back("--force");
        const ToolRun run = RunTool(arguments);
        EXPECT_EQ(k.exitCode, run.exitCode);
        EXPECT_NE(std::string::npos, run.err.find(k.message)) << run.err;
        EXPECT_TRUE(std::filesystem::is_empty(out.path()));
        EXPECT_TRUE(before == ReadFileBytes(A()));
    }
}

// A Clipreel movie whose units its tables cannot lay out (the sound
// description disagrees with the chunks) has nothing to split.
TEST_F(ReelCommands, SplitRefusesAMovieWithoutShootingUnits) {
    const TempDir out;
    sample::SampleMovieSpec spec;
    spec.breakage.describedBytesPerFrame = 2;
    const std::string source = out.File("unitless.mov").string();
    sample::WriteSampleMovie(source, spec);
    const std::string folder = out.File("units").string();
    const ToolRun run = RunTool({"split", source, folder});
    EXPECT_EQ(3, run.exitCode);
    EXPECT_EQ("clipreel: the shooting units of " + source +
                  " cannot be told apart from its tables\n",
              run.err);
    EXPECT_FALSE(std::filesystem::exists(folder));
}

TEST_F(ReelCommands, SalvageRecoversTheWholeUnitsOfACutReel) {
    const TempDir out;
    const Bytes whole = ReadFileBytes(A());
    struct Case {
        const char* where;
        std::uint64_t cutAt;
        int exitCode;
        std::string message;
        unsigned units;
        std::string infoSays;
    };
    const std::vector<Case> cases = {
        {"between units", LayoutA().units[2].offset, 0, "recovered 2 of 4 shooting units, 2 lost\n", 2,
         "; `clipreel salvage` can recover 2 of its 4 shooting units\n"},
        {"inside the movie atom", LayoutA().moovOffset + 100, 3,
         "no whole movie atom: the file ends before its movie atom does\n", 0,
         "; `clipreel salvage` cannot recover it: no whole movie atom: the file ends before its movie atom does\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.where);
        const std::filesystem::path cut = out.File(std::string("cut ") + c.where + ".MOV");
        WriteFileBytes(cut, Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(c.cutAt)));
        // info says what is wrong and what salvage can do about it.
        const ToolRun info = RunTool({"info", cut.string()});
        EXPECT_EQ(3, info.exitCode);
        EXPECT_NE(std::string::npos, info.err.find(c.infoSays)) << info.err;
        const ToolRun json = RunTool({"info", "--json", cut.string()});
        const nlohmann::json report = nlohmann::json::parse(json.out, nullptr, false);
        ASSERT_TRUE(report.is_object()) << json.out;
        EXPECT_EQ(c.units, report["salvage"]["recoverable_units"].get<unsigned>());
        // A file cut inside its movie atom tells nothing about its units.
        EXPECT_EQ(c.units != 0 ? 4u : 0u, report["salvage"]["shooting_units"].get<unsigned>());
        const std::filesystem::path saved = out.File(std::string("saved ") + c.where + ".mov");
        const ToolRun run = RunTool({"salvage", cut.string(), saved.string()});
        EXPECT_EQ(c.exitCode, run.exitCode) << run.err;
        EXPECT_NE(std::string::npos, (run.out + run.err).find(c.message)) << run.out << run.err;
        EXPECT_EQ(c.units != 0, std::filesystem::exists(saved));
        if (c.units == 0) continue;
        const std::vector<Bytes> blocks = UnitBlocks(saved);
        ASSERT_EQ(c.units, blocks.size());
        for (unsigned u = 0; u < c.units; ++u) EXPECT_TRUE(blocks[u] == BlockOf(A(), LayoutA(), u));
    }
}

// A write that fails half-way (the shell's file-size limit) leaves neither
// the output nor its temporary file.
TEST_F(ReelCommands, AFailedWriteLeavesNoFileBehind) {
    const std::vector<std::vector<std::string>> commands = {
        {"join", "OUT", A(), B()},
        {"split", A(), "FOLDER"},
    };
    for (std::vector<std::string> arguments : commands) {
        SCOPED_TRACE(arguments[0]);
        const TempDir out;
        for (std::string& argument : arguments) {
            if (argument == "OUT") argument = out.File("joined.mov").string();
            if (argument == "FOLDER") argument = out.path().string();
        }
        const ToolRun run = RunTool(arguments, "ulimit -f 2;");
        EXPECT_EQ(15, run.exitCode) << run.err;
        EXPECT_TRUE(std::filesystem::is_empty(out.path()));
    }
}

}
}
}
