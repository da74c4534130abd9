// The mistakes users make on the command line, and the refusals of inputs
// that do not fit: each said as one "clipreel:" line that names the values
// and the fix (with the command's usage line after a command-line mistake),
// and its exit code.
#include "tests/cli/ToolRunner.h"

#include "bytes/FourCC.h"
#include "sample/SampleMovieTypes.h"
#include "sample/SampleMovieWriter.h"
#include "tests/support/SampleFolderSuite.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace clipreel {
namespace test {
namespace {

// reel.mov: 320x240, stereo; wide.mov: 640x480; mono.mov: one channel;
// cut.mov: reel.mov cut short; file.txt: a file where a folder is wanted.
class UsageMistakes : public SampleFolderSuite {
protected:
    static void SetUpTestSuite() {
        SampleFolderSuite::SetUpTestSuite();
        sample::SampleMovieSpec spec;
        spec.units = 4;
        WriteReel("reel.mov", spec);
        sample::SampleMovieSpec wide = spec;
        wide.width = 640;
        wide.height = 480;
        WriteReel("wide.mov", wide);
        sample::SampleMovieSpec mono = spec;
        mono.sound.channels = 1;
        WriteReel("mono.mov", mono);
        const std::vector<std::uint8_t> reel = ReadFileBytes(Folder().File("reel.mov"));
        WriteFileBytes(Folder().File("cut.mov"), std::vector<std::uint8_t>(reel.begin(), reel.end() - 1000));
        WriteFileBytes(Folder().File("file.txt"), {'x'});
    }
};

TEST_F(UsageMistakes, EachIsSaidWithItsFixAndExitCode) {
    const std::string toolUsage = "usage: clipreel COMMAND [options] ...  (clipreel help lists the commands)\n";
    const std::string editUsage =
        "usage: clipreel edit SRC DST (--keep LIST | --remove LIST) [options]  (clipreel help edit)\n";
    const std::string joinUsage =
        "usage: clipreel join OUT REEL[:LIST] REEL[:LIST]... [options]  (clipreel help join)\n";
    const std::string sheetUsage =
        "usage: clipreel sheet REEL OUT.jpg | -o DIR REEL... [--columns N] [options]  (clipreel help sheet)\n";
    struct Case {
        std::string arguments;  // shell text, run in the folder
        int exitCode;
        std::string err;  // the whole of standard error, or its start when partial
        bool partial;
    };
    const Case cases[] = {
        {"--verison", 2, "clipreel: unknown option --verison; did you mean --version?\n" + toolUsage, false},
        {"thumbnale reel.mov t.jpg", 2, "clipreel: unknown command \"thumbnale\"; did you mean thumbnail?", true},
        {"help edti", 2, "clipreel: no command \"edti\"; did you mean edit?\n" + toolUsage, false},
        {"edit reel.mov x.mov --kep 1", 2,
         "clipreel: unknown option --kep for edit; did you mean --keep?\n" + editUsage, false},
        {"edit reel.mov x.mov --forse --keep 1", 2,
         "clipreel: unknown option --forse for edit; did you mean --force?\n" + editUsage, false},
        {"join j.mov reel.mov", 2,
         "clipreel: missing operands: join takes OUT REEL[:LIST] REEL[:LIST]...; 2 given\n" + joinUsage, false},
        {"edit reel.mov x.mov --keep $UNSET", 2,
         "clipreel: --keep needs a value: LIST (an index list such as 0-3,7; an unset shell variable gives none)\n" +
             editUsage,
         false},
        {"edit reel.mov x.mov --keep \"$UNSET\"", 2,
         "clipreel: --keep: the index list is empty (an unset shell variable?)\n" + editUsage, false},
        {"edit reel.mov x.mov", 2, "clipreel: which units? give --keep LIST or --remove LIST\n" + editUsage, false},
        {"edit reel.mov x.mov --keep 1 --remove 2", 2, "clipreel: give --keep or --remove, not both\n" + editUsage,
         false},
        {"edit reel.mov x.mov --keep last-1", 2,
         "clipreel: \"last-1\" is ambiguous: write \"3-1\" for the units from the last down to 1, or "
         "\"last-1-last-1\" for the one unit 1 before the last\n",
         false},
        {"sheet --columns 0 reel.mov s.jpg", 2, "clipreel: --columns: value 0 not in range 1 to 64\n" + sheetUsage,
         false},
        {"sheet -o sheets reel.mov ./reel.mov", 2,
         "clipreel: reel.mov and ./reel.mov would both be written as sheets/reel-sheet.jpg\n" + sheetUsage, false},
        {"join j.mov reel.mov wide.mov", 3,
         "clipreel: cannot join wide.mov: its video is 640x480, the first reel's is 320x240\n", false},
        {"join j.mov reel.mov mono.mov", 3, "clipreel: cannot join mono.mov: sound: 1 channel, the first reel has 2\n",
         false},
        {"edit cut.mov x.mov --keep 0", 3, "clipreel: cut.mov is truncated: ", true},
        {"split reel.mov file.txt/parts", 4,
         "clipreel: cannot use file.txt/parts as the output folder: Not a directory\n", false},
        {"thumbnail -o file.txt reel.mov", 4, "clipreel: cannot use file.txt as the output folder: ", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments);
        const ToolRun run = RunToolInShell(c.arguments, "cd '" + Folder().path().string() + "' && unset UNSET;");
        EXPECT_EQ(run.exitCode, c.exitCode) << run.err;
        EXPECT_EQ(c.partial ? run.err.substr(0, c.err.size()) : run.err, c.err);
        EXPECT_FALSE(std::filesystem::exists(Folder().File("x.mov")));
        EXPECT_FALSE(std::filesystem::exists(Folder().File("j.mov")));
    }
    // A cut reel is said to be salvageable, by how much.
    const ToolRun cut =
        RunTool({"edit", Folder().File("cut.mov").string(), Folder().File("x.mov").string(), "--keep", "0"});
    EXPECT_NE(cut.err.find("; `clipreel salvage` can recover 3 of its 4 shooting units\n"), std::string::npos)
        << cut.err;
}

}
}
}
