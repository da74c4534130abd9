// Any file name, in and out, for every command; damaged files described for
// what they are; several files at once as JSON, checked against ffprobe.
#include "tests/cli/ToolRunner.h"

#include "sample/SampleMovieTypes.h"
#include "tests/support/Commands.h"
#include "tests/support/SampleFolderSuite.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

namespace clipreel {
namespace test {
namespace {

namespace fs = std::filesystem;

// A reel and one of a creator version the save does not know.
class ToolFiles : public SampleFolderSuite {
protected:
    static void SetUpTestSuite() {
        SampleFolderSuite::SetUpTestSuite();
        sample::SampleMovieSpec spec;
        spec.frames = sample::FrameContent::H264;
        WriteReel("reel.mov", spec);
        spec.creatorVersion = 7;
        WriteReel("version7.mov", spec);
        reelBytes = ReadFileBytes(Folder().File("reel.mov"));
    }

    static std::vector<std::uint8_t> reelBytes;
};

std::vector<std::uint8_t> ToolFiles::reelBytes;

// Every command reads from and writes to names in UTF-8 and names that are
// bytes of no encoding at all; the file written is the one named.
TEST_F(ToolFiles, EveryCommandTakesAnyName) {
    struct Name {
        std::string name;
        bool utf8;
    };
    const Name names[] = {
        {"Vid\xC3\xA9os", true},
        {"r\xC3\xA9\xC3\xA9l \xE2\x98\x83", true},  // with a space and a symbol
        {"r\xE9\xE9l", false},                      // Latin-1 bytes
        {"\xFF\xFE bytes", false},                  // no text encoding at all
    };
    for (const Name& n : names) {
        const std::string& name = n.name;
        SCOPED_TRACE(name);
        const TempDir out;
        const fs::path folder = out.path() / name;
        fs::create_directory(folder);
        const std::string input = (folder / (name + ".MOV")).string();
        WriteFileBytes(input, reelBytes);
        struct Step {
            std::vector<std::string> arguments;
            std::string written;  // the file the command writes, if any
        };
        const Step steps[] = {
            {{"info", input}, ""},
            {{"edit", input, (folder / (name + " edit.mov")).string(), "--remove", "1"}, name + " edit.mov"},
            // A reference movie keeps its source's name as text; for a name
            // that is no text it writes a new movie's worth of nothing.
            {{n.utf8 ? "reference" : "edit", input, (folder / (name + " ref.mov")).string(), "--keep", "2,1,0"},
             name + " ref.mov"},
            {{"thumbnail", input, (folder / (name + ".jpg")).string()}, name + ".jpg"},
            {{"sheet", input, (folder / (name + " sheet.jpg")).string()}, name + " sheet.jpg"},
            {{"sample", (folder / (name + " sample.mov")).string(), "--dummy-frames", "-q"}, name + " sample.mov"},
            {{"info", (folder / (name + " edit.mov")).string(), (folder / (name + " ref.mov")).string()}, ""},
        };
        for (const Step& step : steps) {
            SCOPED_TRACE(step.arguments[0]);
            const ToolRun run = RunTool(step.arguments);
            EXPECT_EQ(run.exitCode, 0) << run.err;
            if (!step.written.empty()) {
                EXPECT_TRUE(fs::is_regular_file(folder / step.written));
                EXPECT_GT(fs::file_size(folder / step.written), 0u);
            }
        }
        EXPECT_EQ(ReadFileBytes(input), reelBytes);
        // No temporary left, nothing written elsewhere.
        std::size_t count = 0;
        for (const auto& entry : fs::directory_iterator(folder)) {
            EXPECT_NE(entry.path().filename().string()[0], '.') << entry.path();
            ++count;
        }
        EXPECT_EQ(count, 6u);
        // The reference movie finds its source under that very name; for
        // other names it is refused in words.
        const nlohmann::json reference = InfoJson(folder / (name + " ref.mov"));
        EXPECT_EQ(reference["kind"], n.utf8 ? "reference" : "clipreel");
        if (!n.utf8) {
            const ToolRun refused = RunTool({"reference", input, (folder / "r.mov").string()});
            EXPECT_EQ(refused.exitCode, 3);
            EXPECT_EQ(refused.err, "clipreel: a reference movie records its source's name as text, and the name of " +
                                       input + " is not UTF-8: rename it, or write a new movie with edit\n");
            EXPECT_FALSE(fs::exists(folder / "r.mov"));
        }
    }
}

// What info adds about a cut copy of the fixture: its last 651 bytes lie
// inside its last unit, so the two before it lie wholly in the file.
const std::string SalvageHint = "; `clipreel salvage` can recover 2 of its 3 shooting units";

// A damaged or foreign file is named for what it is, with exit code 3, by
// info and by edit alike.
TEST_F(ToolFiles, DamagedFilesAreDescribed) {
    const TempDir out;
    const std::vector<std::uint8_t>& reel = reelBytes;
    const auto write = [&out](const std::string& name, const std::vector<std::uint8_t>& bytes) {
        WriteFileBytes(out.File(name), bytes);
        return out.File(name).string();
    };
    std::vector<std::uint8_t> trailing = reel;
    trailing.insert(trailing.end(), {1, 2, 3});
    std::vector<std::uint8_t> noMovie = {0, 0, 0, 16, 'f', 't', 'y', 'p', 'q', 't', ' ', ' ', 0, 0, 0, 0,
                                         0, 0, 0, 12, 'm', 'd', 'a', 't', 1, 2, 3, 4};
    fs::create_directory(out.File("folder.mov"));
    RunTool({"reference", Path("reel.mov"), out.File("reference.mov").string()});
    struct Case {
        std::string file;
        std::string said;     // after the file name
        std::string infoAdds = std::string();  // what info says beyond edit
    };
    const Case cases[] = {
        {write("cut.mov", std::vector<std::uint8_t>(reel.begin(), reel.end() - 651)),
         " is truncated: " + std::to_string(reel.size() - 651) + " bytes, its atoms need " +
             std::to_string(reel.size()),
         SalvageHint},
        {write("trailing.mov", trailing), " has 3 trailing bytes after its last atom"},
        {write("nomovie.mov", noMovie), " has no movie atom"},
        {write("empty.mov", {}), " is empty"},
        {write("text.mov", {'h', 'e', 'l', 'l', 'o', '\n'}), " is not a QuickTime movie (no atom structure)"},
        {out.File("missing.mov").string(), ": No such file or directory"},
        {out.File("folder.mov").string(), ": Is a directory"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const bool unreadable = c.said[0] == ':';
        const std::string expected = "clipreel: " + std::string(unreadable ? "cannot read " : "") + c.file + c.said + "\n";
        const ToolRun info = RunTool({"info", c.file});
        EXPECT_EQ(info.exitCode, 3);
        EXPECT_EQ(info.err, expected.substr(0, expected.size() - 1) + c.infoAdds + "\n");
        const ToolRun edit = RunTool({"edit", c.file, out.File("edited.mov").string(), "--remove", "0"});
        EXPECT_EQ(edit.exitCode, 3);
        // A cut reel is said to be salvageable by every command that refuses it.
        EXPECT_EQ(edit.err, expected.substr(0, expected.size() - 1) + c.infoAdds + "\n");
        EXPECT_FALSE(fs::exists(out.File("edited.mov")));
    }
    // A reference movie is one only when it is one: info describes it, edit
    // (which needs the media) says what it is.
    const ToolRun info = RunTool({"info", out.File("reference.mov").string()});
    EXPECT_EQ(info.exitCode, 0) << info.err;
    const ToolRun edit = RunTool({"edit", out.File("reference.mov").string(), out.File("edited.mov").string(),
                                  "--remove", "0"});
    EXPECT_EQ(edit.exitCode, 3);
    EXPECT_EQ(edit.err, "clipreel: " + out.File("reference.mov").string() +
                            " is a reference movie (its media lie in another file)\n");
}

// A creator version the save does not know: named by edit, shown as not
// editable by info; a reference movie of it still works.
TEST_F(ToolFiles, AnUnknownCreatorVersionIsNamed) {
    const TempDir out;
    const nlohmann::json info = InfoJson(Path("version7.mov"));
    EXPECT_EQ(info["creator_version"], 7);
    EXPECT_EQ(info["editable"], false);
    EXPECT_NE(RunTool({"info", Path("version7.mov")}).out.find(
                  ", not editable (the save knows creator versions 6 and 10 only)"),
              std::string::npos);
    const ToolRun edit = RunTool({"edit", Path("version7.mov"), out.File("e.mov").string(), "--remove", "0"});
    EXPECT_EQ(edit.exitCode, 3);
    EXPECT_EQ(edit.err, "clipreel: " + Path("version7.mov") +
                            " cannot be edited: the save knows creator versions 6 and 10 only; a reference movie "
                            "works: clipreel reference\n");
    EXPECT_FALSE(fs::exists(out.File("e.mov")));
    EXPECT_EQ(RunTool({"reference", Path("version7.mov"), out.File("r.mov").string(), "--keep", "1,0"}).exitCode, 0);
}

// Several files: one array in argument order, an "error" member for each
// file that cannot be read, the readable ones checked against ffprobe.
TEST_F(ToolFiles, InfoJsonOfSeveralFiles) {
    const TempDir out;
    WriteFileBytes(out.File("cut.mov"), std::vector<std::uint8_t>(reelBytes.begin(), reelBytes.end() - 651));
    const std::vector<std::string> files = {Path("reel.mov"), out.File("missing.mov").string(),
                                            out.File("cut.mov").string(), Path("version7.mov")};
    std::vector<std::string> arguments = {"info", "--json"};
    arguments.insert(arguments.end(), files.begin(), files.end());
    const ToolRun run = RunTool(arguments);
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_EQ(run.err, "clipreel: cannot read " + files[1] + ": No such file or directory\nclipreel: " + files[2] +
                           " is truncated: " + std::to_string(reelBytes.size() - 651) + " bytes, its atoms need " +
                           std::to_string(reelBytes.size()) + SalvageHint + "\n");
    const nlohmann::json reports = nlohmann::json::parse(run.out);
    ASSERT_TRUE(reports.is_array());
    ASSERT_EQ(reports.size(), files.size());
    for (std::size_t i = 0; i < files.size(); ++i) EXPECT_EQ(reports[i]["file"], files[i]);
    EXPECT_EQ(reports[1]["error"], "No such file or directory");
    EXPECT_EQ(reports[2]["error"], "is truncated: " + std::to_string(reelBytes.size() - 651) +
                                       " bytes, its atoms need " + std::to_string(reelBytes.size()) +
                                       SalvageHint);
    EXPECT_EQ(reports[2]["size"], reelBytes.size() - 651);
    EXPECT_FALSE(reports[0].contains("error"));
    EXPECT_FALSE(reports[3].contains("error"));
    // Keys in reading order: the format's version and the file first, then
    // its kind and sizes.
    EXPECT_EQ(run.out.find("\"format_version\""), run.out.find('{') + 6);
    EXPECT_LT(run.out.find("\"file\""), run.out.find("\"kind\""));
    EXPECT_LT(run.out.find("\"size\""), run.out.find("\"creator_version\""));

    const nlohmann::json& reel = reports[0];
    EXPECT_EQ(reel["size"], reelBytes.size());
    EXPECT_EQ(reel["recorded_size"], reelBytes.size());
    EXPECT_EQ(reel["start_time"], 0.0);
    EXPECT_EQ(reel["time_base"], reel["video"]["time_base"]);
    const std::string timeBase = reel["time_base"].get<std::string>();
    EXPECT_DOUBLE_EQ(reel["duration"].get<double>(),
                     reel["duration_ts"].get<double>() / std::stod(timeBase.substr(timeBase.find('/') + 1)));
    if (!HaveTool("ffprobe")) GTEST_SKIP() << "ffprobe is not on PATH";
    const nlohmann::json probe = nlohmann::json::parse(
        RunCommand("ffprobe -v error -select_streams v:0 -show_streams -show_format -of json '" + files[0] + "'").output);
    const nlohmann::json& stream = probe["streams"][0];
    EXPECT_EQ(reel["video"]["codec_name"], stream["codec_name"]);
    EXPECT_EQ(reel["video"]["codec_tag_string"], stream["codec_tag_string"]);
    EXPECT_EQ(reel["video"]["width"], stream["width"]);
    EXPECT_EQ(reel["video"]["height"], stream["height"]);
    EXPECT_EQ(reel["video"]["time_base"], stream["time_base"]);
    EXPECT_EQ(reel["duration_ts"], stream["duration_ts"]);
    EXPECT_NEAR(reel["duration"].get<double>(), std::stod(stream["duration"].get<std::string>()), 1e-6);
    EXPECT_EQ(std::to_string(reel["size"].get<std::uint64_t>()), probe["format"]["size"]);
}

// edit --dry-run: the units, duration and size it would write, and nothing
// written; --json the same as one object.
TEST_F(ToolFiles, DryRunWritesNothing) {
    const TempDir out;
    const std::string destination = out.File("edited.mov").string();
    const ToolRun text = RunTool({"edit", Path("reel.mov"), destination, "--remove", "1", "--dry-run"});
    EXPECT_EQ(text.exitCode, 0) << text.err;
    EXPECT_EQ(text.out.rfind("would write " + destination + ": 2 shooting units (0,2), 2.002 s, ", 0), 0u)
        << text.out;
    const ToolRun json = RunTool({"edit", Path("reel.mov"), destination, "--keep", "2-0", "-n", "--json"});
    EXPECT_EQ(json.exitCode, 0) << json.err;
    const nlohmann::json result = nlohmann::json::parse(json.out);
    EXPECT_EQ(result["units"], nlohmann::json({2, 1, 0}));
    EXPECT_EQ(result["dry_run"], true);
    EXPECT_EQ(result["shooting_unit_count"], 3);
    EXPECT_FALSE(fs::exists(destination));
    EXPECT_TRUE(fs::is_empty(out.path()));
    // The real save reports the size it wrote.
    const ToolRun saved = RunTool({"edit", Path("reel.mov"), destination, "--keep", "2-0", "--json"});
    EXPECT_EQ(saved.exitCode, 0) << saved.err;
    const nlohmann::json written = nlohmann::json::parse(saved.out);
    EXPECT_EQ(written["size"], fs::file_size(destination));
    EXPECT_EQ(written["media_size"], result["media_size"]);
}

}
}
}
