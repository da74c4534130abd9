// Reels the tool must not answer wrongly about: a camera record the save
// cannot refresh makes a reel "not editable" in info, with the reason, and
// edit, split and join refuse with that reason before writing; a reel cut
// where an atom after its media data lies, or cut where an atom ends, is
// called truncated by info, with what salvage recovers, and salvage
// recovers its whole units.
#include "tests/cli/ToolRunner.h"

#include "sample/SampleMovieWriter.h"
#include "tests/support/Commands.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace clipreel {
namespace test {
namespace {

namespace fs = std::filesystem;

std::string InfoLine(const std::string& out, const std::string& label) {
    const std::size_t start = out.find(label);
    if (start == std::string::npos) return std::string();
    return out.substr(start, out.find('\n', start) - start);
}

TEST(RefusedReels, ARecordTheSaveCannotRefreshMakesTheReelNotEditable) {
    struct Case {
        const char* name;
        unsigned creatorVersion;
        sample::RecordKind kind;
        const char* reason;  // empty: editable
    };
    const Case cases[] = {
        {"version 6, SHORT", 6, sample::RecordKind::Short, ""},
        {"version 10, LONG", 10, sample::RecordKind::Long, ""},
        {"version 6, LONG", 6, sample::RecordKind::Long,
         "its camera record is LONG, while creator version 6 writes a SHORT one, the only kind the save refreshes "
         "for it"},
        {"version 10, SHORT", 10, sample::RecordKind::Short,
         "its camera record is SHORT, while creator version 10 writes a LONG one, the only kind the save refreshes "
         "for it"},
        {"version 7, SHORT", 7, sample::RecordKind::Short, "the save knows creator versions 6 and 10 only"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TempDir dir;
        sample::SampleMovieSpec spec;
        spec.creatorVersion = c.creatorVersion;
        spec.recordKindFromVersion = false;
        spec.recordKind = c.kind;
        const std::string reel = dir.File("reel.mov").string();
        sample::WriteSampleMovie(reel, spec);
        const std::string reason = c.reason;

        const nlohmann::json info = InfoJson(reel);
        EXPECT_EQ(info["kind"], "clipreel");
        EXPECT_EQ(info["editable"], reason.empty());
        EXPECT_EQ(info.value("not_editable_reason", ""), reason);
        const ToolRun text = RunTool({"info", reel});
        EXPECT_EQ(text.exitCode, 0);
        EXPECT_EQ(InfoLine(text.out, "Shooting units:"), "Shooting units:     3 (90 frames, 3.003 s)" +
                                                             (reason.empty() ? "" : ", not editable (" + reason + ")"));

        const std::string edited = dir.File("edited.mov").string();
        const ToolRun edit = RunTool({"edit", reel, edited, "--remove", "2"});
        const ToolRun split = RunTool({"split", reel, dir.File("parts").string(), "--keep", "0"});
        const ToolRun join = RunTool({"join", dir.File("joined.mov").string(), reel, reel});
        if (reason.empty()) {
            EXPECT_EQ(edit.exitCode, 0) << edit.err;
            EXPECT_EQ(InfoJson(edited)["shooting_units"].size(), 2u);
            EXPECT_EQ(split.exitCode, 0) << split.err;
            EXPECT_EQ(join.exitCode, 0) << join.err;
            continue;
        }
        EXPECT_EQ(edit.exitCode, 3);
        EXPECT_EQ(edit.err, "clipreel: " + reel + " cannot be edited: " + reason +
                                "; a reference movie works: clipreel reference\n");
        EXPECT_EQ(split.exitCode, 3);
        EXPECT_EQ(split.err, "clipreel: " + reel + " cannot be split: " + reason + "\n");
        EXPECT_EQ(join.exitCode, 3);
        EXPECT_EQ(join.err, "clipreel: cannot join " + reel + ": " + reason + "\n");
        EXPECT_FALSE(fs::exists(edited));
        EXPECT_FALSE(fs::exists(dir.File("parts")) && !fs::is_empty(dir.File("parts")));
        EXPECT_FALSE(fs::exists(dir.File("joined.mov")));
        // Its media stay in the reel: a reference movie of it still works.
        EXPECT_EQ(RunTool({"reference", reel, dir.File("ref.mov").string(), "--keep", "1,0"}).exitCode, 0);
    }
}

// Both shapes come from the shell too: the sample command writes a camera
// record of the other kind, and an atom after the media data that a cut can
// fall in.
TEST(CutReels, TheSampleCommandWritesTheseShapes) {
    const TempDir dir;
    const std::string longSix = dir.File("long6.mov").string();
    ASSERT_EQ(RunTool({"sample", longSix, "--dummy-frames", "--record", "long", "-q"}).exitCode, 0);
    const nlohmann::json info = InfoJson(longSix);
    EXPECT_EQ(info["creator_version"], 6);
    EXPECT_EQ(info["editable"], false);
    EXPECT_EQ(info["not_editable_reason"],
              "its camera record is LONG, while creator version 6 writes a SHORT one, the only kind the save "
              "refreshes for it");
    EXPECT_EQ(RunTool({"sample", dir.File("x.mov").string(), "--record", "medium"}).exitCode, 2);

    const std::string plain = dir.File("plain.mov").string();
    const std::string trailing = dir.File("trailing.mov").string();
    ASSERT_EQ(RunTool({"sample", plain, "--dummy-frames", "-q"}).exitCode, 0);
    ASSERT_EQ(RunTool({"sample", trailing, "--dummy-frames", "--trailing-atom", "600", "-q"}).exitCode, 0);
    ASSERT_EQ(fs::file_size(trailing), fs::file_size(plain) + 608);
    const std::vector<std::uint8_t> bytes = ReadFileBytes(trailing);
    const std::vector<std::uint8_t> header(bytes.end() - 608, bytes.end() - 600);
    EXPECT_EQ(header, (std::vector<std::uint8_t>{0, 0, 0x02, 0x60, 'f', 'r', 'e', 'e'}));
    EXPECT_EQ(InfoJson(trailing)["kind"], "clipreel");
    fs::resize_file(trailing, bytes.size() - 300);
    const ToolRun salvage = RunTool({"salvage", trailing, dir.File("saved.mov").string()});
    EXPECT_EQ(salvage.exitCode, 0) << salvage.err;
    EXPECT_EQ(InfoJson(dir.File("saved.mov"))["shooting_units"].size(), 4u);
}

// Frames ffprobe reads in a movie's video, and FFmpeg's complaints on
// decoding all of it (empty when it decodes cleanly).
struct Decoding {
    std::string frames;
    std::string errors;
};

Decoding Decode(const std::string& movie) {
    Decoding decoding;
    decoding.frames = RunCommand(
                          "ffprobe -v error -count_frames -select_streams v:0 -show_entries "
                          "stream=nb_read_frames -of csv=p=0 " +
                          ShellQuoted(movie))
                          .output;
    decoding.errors = RunCommand("ffmpeg -nostdin -v error -i " + ShellQuoted(movie) + " -map 0 -f null - 2>&1").output;
    return decoding;
}

TEST(CutReels, InfoTellsEachCutPointAndSalvageRecoversTheWholeUnits) {
    const TempDir dir;
    sample::SampleMovieSpec spec;
    spec.frames = sample::FrameContent::H264;
    sample::ExtraAtom trailing;
    trailing.type = FourCC("udta");
    trailing.payload.assign(600, 0x5A);
    spec.extraAtoms.push_back(trailing);
    const sample::SampleMovieLayout layout = sample::WriteSampleMovie(dir.File("whole.mov"), spec);
    const std::uint64_t mediaEnd = layout.mdatOffset + layout.mdatSize;
    const std::uint64_t moovEnd = layout.moovOffset + layout.moovSize;
    ASSERT_EQ(moovEnd, layout.mdatOffset);
    const std::string whole = std::to_string(layout.fileSize);
    struct Case {
        const char* name;
        std::uint64_t cutAt;
        std::string said;     // after the file's name
        unsigned recovered;   // 0: salvage refuses
        std::string refusal;  // salvage's reason
    };
    const Case cases[] = {
        {"inside the trailing atom", mediaEnd + 300,
         "is truncated: " + std::to_string(mediaEnd + 300) + " bytes, its atoms need " + whole, 3, ""},
        {"where the media data end", mediaEnd,
         "is truncated: " + std::to_string(mediaEnd) + " bytes, its camera record gives " + whole, 3, ""},
        {"right after the movie atom", moovEnd,
         "is truncated: " + std::to_string(moovEnd) + " bytes, its camera record gives " + whole +
             ", and it ends before its media data",
         0, "no media data: the file ends before its media data begins"},
    };
    const bool decode = layout.h264 && HaveTool("ffprobe") && HaveTool("ffmpeg");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sample::SampleMovieSpec cutSpec = spec;
        cutSpec.breakage.truncateAt = c.cutAt;
        const std::string cut = dir.File(std::string("cut-") + c.name + ".mov").string();
        sample::WriteSampleMovie(cut, cutSpec);
        ASSERT_EQ(fs::file_size(cut), c.cutAt);
        const std::string hint = c.recovered != 0 ? "; `clipreel salvage` can recover 3 of its 3 shooting units"
                                                  : "; `clipreel salvage` cannot recover it: " + c.refusal;

        const ToolRun info = RunTool({"info", cut});
        EXPECT_EQ(info.exitCode, 3);
        EXPECT_EQ(info.err, "clipreel: " + cut + " " + c.said + hint + "\n");
        const ToolRun json = RunTool({"info", "--json", cut});
        const nlohmann::json report = nlohmann::json::parse(json.out);
        EXPECT_EQ(report["kind"], "invalid");
        EXPECT_EQ(report["error"], c.said + hint);
        EXPECT_EQ(report["salvage"]["recoverable_units"], c.recovered);
        // edit needs the whole reel and says what the file is, and what
        // salvage makes of it.
        const ToolRun edit = RunTool({"edit", cut, dir.File("edited.mov").string(), "--remove", "0"});
        EXPECT_EQ(edit.exitCode, 3);
        EXPECT_EQ(edit.err, "clipreel: " + cut + " " + c.said + hint + "\n");

        const std::string saved = dir.File(std::string("saved-") + c.name + ".mov").string();
        const ToolRun salvage = RunTool({"salvage", cut, saved});
        if (c.recovered == 0) {
            EXPECT_EQ(salvage.exitCode, 3);
            EXPECT_EQ(salvage.err, "clipreel: cannot salvage " + cut + ": " + c.refusal + "\n");
            EXPECT_FALSE(fs::exists(saved));
            continue;
        }
        ASSERT_EQ(salvage.exitCode, 0) << salvage.err;
        EXPECT_EQ(salvage.out, "wrote " + saved + ": recovered 3 of 3 shooting units, 0 lost\n");
        const nlohmann::json back = InfoJson(saved);
        EXPECT_EQ(back["kind"], "clipreel");
        EXPECT_EQ(back["editable"], true);
        EXPECT_EQ(back["shooting_units"].size(), c.recovered);
        EXPECT_EQ(back["size"], back["recorded_size"]);
        if (!decode) continue;
        const Decoding decoded = Decode(saved);
        EXPECT_EQ(decoded.frames, std::to_string(c.recovered * spec.framesPerUnit) + "\n");
        EXPECT_EQ(decoded.errors, "");
    }
    // The whole reel, trailing atom and all, is what it always was.
    EXPECT_EQ(InfoJson(dir.File("whole.mov"))["kind"], "clipreel");
}
}
}
}
