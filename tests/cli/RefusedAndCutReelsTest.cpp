// Reels the tool must not answer wrongly about: a camera record the save
// cannot refresh makes a reel "not editable" in info, with the reason, and
// edit, split and join refuse with that reason before writing.
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

}
}
}
