#include "tests/cli/ToolRunner.h"

#include "ClipreelMovie.h"
#include "SoundFormat.h"
#include "ZentiMovFile.h"
#include "sample/SampleMovieWriter.h"
#include "tests/support/TestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#if defined(CLIPREEL_TEST_HAVE_TURBOJPEG)
#include <turbojpeg.h>
#endif

namespace clipreel {
namespace test {
namespace {

using sample::SampleMovieSpec;

TEST(ThumbnailCommand, SavesTheEmbeddedThumbnailByteForByte) {
    const TempDir dir;
    const auto reel = dir.File("reel.mov");
    const sample::SampleMovieLayout layout = sample::WriteSampleMovie(reel, SampleMovieSpec());
    const ToolRun run = RunTool({"thumbnail", reel.string(), dir.File("thumb.jpg").string()});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(ReadFileBytes(dir.File("thumb.jpg")), layout.thumbnail);

    const ToolRun noFolder = RunTool({"thumbnail", reel.string(), dir.File("no/such/folder.jpg").string()});
    EXPECT_EQ(noFolder.exitCode, 4);
    EXPECT_EQ(noFolder.err, "clipreel: cannot write " + dir.File("no/such/folder.jpg").string() +
                                ": No such file or directory\n");
}

// With --output-dir every operand is a reel, each thumbnail named after
// it; a reel that fails is said and the others are still written.
TEST(ThumbnailCommand, SeveralReelsIntoAFolder) {
    const TempDir dir;
    SampleMovieSpec other;
    other.units = 2;
    const sample::SampleMovieLayout first = sample::WriteSampleMovie(dir.File("A001.MOV"), SampleMovieSpec());
    const sample::SampleMovieLayout second = sample::WriteSampleMovie(dir.File("réél 2.mov"), other);
    const ToolRun run =
        RunToolInShell("thumbnail -o thumbs A001.MOV missing.mov 'réél 2.mov'", "cd '" + dir.path().string() + "' &&");
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_EQ(run.err, "clipreel: cannot read missing.mov: No such file or directory\n");
    EXPECT_EQ(run.out, "wrote thumbs/A001.jpg: 16384 bytes\nwrote thumbs/réél 2.jpg: 16384 bytes\n");
    EXPECT_EQ(ReadFileBytes(dir.File("thumbs/A001.jpg")), first.thumbnail);
    EXPECT_EQ(ReadFileBytes(dir.File("thumbs/réél 2.jpg")), second.thumbnail);
    EXPECT_FALSE(std::filesystem::exists(dir.File("thumbs/missing.jpg")));
    // Again: each output exists, each is refused, none replaced.
    const ToolRun again = RunTool({"thumbnail", "-o", dir.File("thumbs").string(), dir.File("A001.MOV").string()});
    EXPECT_EQ(again.exitCode, 6);
}

#if defined(CLIPREEL_TEST_HAVE_TURBOJPEG)
struct Decoded {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;
};

Decoded DecodeJpeg(const std::vector<std::uint8_t>& jpeg) {
    Decoded image;
    tjhandle handle = tjInitDecompress();
    int subsampling = 0;
    int colourspace = 0;
    if (tjDecompressHeader3(handle, jpeg.data(), static_cast<unsigned long>(jpeg.size()), &image.width,
                            &image.height, &subsampling, &colourspace) == 0) {
        image.rgb.resize(static_cast<std::size_t>(image.width) * image.height * 3);
        if (tjDecompress2(handle, jpeg.data(), static_cast<unsigned long>(jpeg.size()), image.rgb.data(),
                          image.width, 0, image.height, TJPF_RGB, 0) != 0) {
            image = Decoded();
        }
    }
    tjDestroy(handle);
    return image;
}

// The sheet shows each unit's own first frame: the sample writer paints a
// unit in its own colour, with its number in the middle, so the band across
// the top of each cell must be that colour.
TEST(SheetCommand, EachCellShowsItsUnitsFirstFrame) {
    if (!sample::HaveH264()) GTEST_SKIP() << "no H.264 encoder for the sample reel";
    const TempDir dir;
    SampleMovieSpec spec;
    spec.units = 5;
    spec.frames = sample::FrameContent::H264;
    const auto reel = dir.File("reel.mov");
    sample::WriteSampleMovie(reel, spec);
    const ToolRun run = RunTool({"sheet", reel.string(), dir.File("sheet.jpg").string(), "--columns", "3"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "wrote " + dir.File("sheet.jpg").string() + ": 5 shooting units, 512 x 304 pixels\n");

    const Decoded sheet = DecodeJpeg(ReadFileBytes(dir.File("sheet.jpg")));
    ASSERT_EQ(sheet.width, 8 + 3 * 168);
    ASSERT_EQ(sheet.height, 8 + 2 * 148);
    for (unsigned unit = 0; unit < spec.units; ++unit) {
        SCOPED_TRACE(unit);
        const unsigned left = 8 + (unit % 3) * 168;
        const unsigned top = 8 + (unit / 3) * 148;
        double sum[3] = {0, 0, 0};
        unsigned count = 0;
        for (unsigned y = top + 4; y < top + 24; ++y) {
            for (unsigned x = left + 8; x < left + 152; ++x) {
                const std::uint8_t* p = sheet.rgb.data() + (static_cast<std::size_t>(y) * sheet.width + x) * 3;
                for (int c = 0; c < 3; ++c) sum[c] += p[c];
                ++count;
            }
        }
        std::uint8_t expected[3];
        sample::UnitColour(unit, expected);
        for (int c = 0; c < 3; ++c) EXPECT_NEAR(sum[c] / count, expected[c], 24.0) << "channel " << c;
    }
}
#endif

// Placeholder frames decode to nothing: the sheet says which unit failed and
// writes no file.
TEST(SheetCommand, FramesThatDoNotDecodeAreAnError) {
    const TempDir dir;
    SampleMovieSpec spec;
    spec.frames = sample::FrameContent::Dummy;
    sample::WriteSampleMovie(dir.File("reel.mov"), spec);
    const ToolRun run = RunTool({"sheet", dir.File("reel.mov").string(), dir.File("sheet.jpg").string()});
    EXPECT_EQ(run.exitCode, 1);
    // The decoder may say more before; the tool's own line comes last.
    EXPECT_THAT(run.err, testing::EndsWith("clipreel: cannot decode the first frame of shooting unit 0 of " +
                                           dir.File("reel.mov").string() + "\n"));
    EXPECT_FALSE(std::filesystem::exists(dir.File("sheet.jpg")));
}

TEST(SheetCommand, NeedsAClipreelMovie) {
    const TempDir dir;
    SampleMovieSpec spec;
    spec.movieMode = 12;
    sample::WriteSampleMovie(dir.File("other.mov"), spec);
    const ToolRun run = RunTool({"sheet", dir.File("other.mov").string(), dir.File("sheet.jpg").string()});
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_EQ(run.err, "clipreel: " + dir.File("other.mov").string() + " is not a Clipreel movie\n");
    EXPECT_FALSE(std::filesystem::exists(dir.File("sheet.jpg")));
}


TEST(WavCommand, DescribesTheFileAndComparesWithTheMovie) {
    const TempDir dir;
    SampleMovieSpec spec;  // 'sowt', 48 kHz, 2 channels, 16 bits
    sample::WriteSampleMovie(dir.File("reel.mov"), spec);
    SampleMovieSpec silent;
    silent.sound.present = false;
    sample::WriteSampleMovie(dir.File("silent.mov"), silent);
    struct Case {
        const char* name;
        std::uint32_t rate;
        std::uint16_t channels;
        std::uint16_t bits;
        const char* movie;
        int exitCode;
        bool matches;
        const char* difference;  // what the text and JSON name as the first difference
    };
    const Case cases[] = {
        {"same format", 48000, 2, 16, "reel.mov", 0, true, nullptr},
        {"other rate", 44100, 2, 16, "reel.mov", 5, false, "sound: 44100 Hz, the movie has 48000"},
        {"mono", 48000, 1, 16, "reel.mov", 5, false, "sound: 1 channel, the movie has 2"},
        {"8 bits", 48000, 2, 8, "reel.mov", 5, false, "sound: 8 bits, the movie has 16"},
        {"movie without sound", 48000, 2, 16, "silent.mov", 5, false, "the movie has no sound"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::uint32_t dataSize = 1001 * c.channels * c.bits / 8 + 1;
        WriteFileBytes(dir.File("sound.wav"), WavBytes(c.rate, c.channels, c.bits, dataSize));
        const ToolRun run =
            RunTool({"wav", dir.File("sound.wav").string(), "--movie", dir.File(c.movie).string(), "--json"});
        EXPECT_EQ(run.exitCode, c.exitCode) << run.err;
        const nlohmann::json info = nlohmann::json::parse(run.out, nullptr, false);
        ASSERT_TRUE(info.is_object()) << run.out;
        EXPECT_EQ(info["matches"], c.matches);
        EXPECT_EQ(info["channels"], c.channels);
        EXPECT_EQ(info["bits_per_sample"], c.bits);
        EXPECT_EQ(info["sample_rate"], c.rate);
        EXPECT_EQ(info["sample_count"], 1001u);
        EXPECT_EQ(info["data_offset"], 44u);
        EXPECT_EQ(info["data_size"], 1001u * c.channels * c.bits / 8);
        EXPECT_EQ(info["movie_format"]["codec_tag_string"], c.bits == 8 ? "raw " : "sowt");
        EXPECT_EQ(info["movie_sound"].is_null(), std::string(c.movie) == "silent.mov");
        EXPECT_EQ(info.contains("difference"), c.difference != nullptr);
        if (c.difference == nullptr) continue;
        EXPECT_EQ(info["difference"], c.difference);
        const ToolRun text = RunTool({"wav", dir.File("sound.wav").string(), "--movie", dir.File(c.movie).string()});
        EXPECT_NE(text.out.find(std::string("Matches movie: no: ") + c.difference + "\n"), std::string::npos)
            << text.out;
    }

    WriteFileBytes(dir.File("float.wav"), [] {
        std::vector<std::uint8_t> b = WavBytes(48000, 2, 16, 16);
        b[20] = 3;  // format tag 3: floating point
        return b;
    }());
    const ToolRun refused = RunTool({"wav", dir.File("float.wav").string()});
    EXPECT_EQ(refused.exitCode, 3);
    EXPECT_EQ(refused.err, "clipreel: " + dir.File("float.wav").string() +
                               " is not a PCM WAV file (8 or 16 bits, 1 or 2 channels)\n");
}

// What `clipreel sample` writes is the reel it was asked for, as the library
// reads it.
TEST(SampleCommand, WritesTheReelAskedFor) {
    struct Case {
        std::vector<std::string> options;
        unsigned units;
        unsigned framesPerUnit;
        std::int32_t timeScale;
        std::int32_t frameDuration;
        bool sound;
    };
    const Case cases[] = {
        {{"--units", "5", "--seconds-per-unit", "0.4", "--fps", "25", "--no-sound"}, 5, 10, 25000, 1000, false},
        {{"--units", "2"}, 2, 30, 30000, 1001, true},
        {{"--units", "3", "--fps", "3000/100", "--seconds-per-unit", "2", "--channels", "1", "--bits", "8"},
         3, 60, 3000, 100, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.options[1]);
        const TempDir dir;
        std::vector<std::string> arguments = {"sample", dir.File("reel.mov").string(), "--dummy-frames"};
        arguments.insert(arguments.end(), c.options.begin(), c.options.end());
        const ToolRun run = RunTool(arguments);
        ASSERT_EQ(run.exitCode, 0) << run.err;
        const std::wstring wide = dir.WideFile("reel.mov");
        const CZentiMovFile file{FileLocator(wide.c_str())};
        ASSERT_TRUE(file.IsValid());
        CZentiMovie::ClipreelMovieInfo info{};
        ASSERT_TRUE(file.GetZentiMovie()->IsClipreelMovie(&info));
        EXPECT_EQ(info.shootingUnitCount, c.units);
        const CClipreelMovie reel(&file);
        EXPECT_EQ(reel.GetShootingUnit(0).GetFrameCount(), c.framesPerUnit);
        EXPECT_EQ(reel.GetTimeScale(), c.timeScale);
        EXPECT_EQ(file.GetZentiMovie()->GetVideoFrameDuration(), c.frameDuration);
        EXPECT_EQ(file.GetZentiMovie()->HasSound(), c.sound);
    }
}

TEST(SampleCommand, RefusesImpossibleReels) {
    const TempDir dir;
    const std::string destination = dir.File("reel.mov").string();
    struct Case {
        std::vector<std::string> options;
        std::string error;
    };
    const std::string sampleUsage =
        "usage: clipreel sample DST [--units N] [--fps RATE] ... [options]  (clipreel help sample)\n";
    const Case cases[] = {
        {{"--fps", "fast"},
         "clipreel: invalid frame rate \"fast\": give frames per second (25, 29.97) or a fraction (30000/1001)\n" +
             sampleUsage},
        {{"--units", "0"}, "clipreel: a reel needs at least one shooting unit\n" + sampleUsage},
        {{"--gop", "7"}, "clipreel: --gop 7 does not divide the 30 frames of a unit\n" + sampleUsage},
        {{"--bits", "24"}, "clipreel: --bits must be 8 or 16\n" + sampleUsage},
        {{"--seconds-per-unit", "0"},
         "clipreel: --seconds-per-unit must give between 1 and 65535 frames per unit\n" + sampleUsage},
        {{"--sound-rate", "44100", "--seconds-per-unit", "0.0334"},
         "clipreel: these options make no sample movie: a unit's time does not hold a whole number of sound "
         "samples\n" + sampleUsage},
        {{"--units", "many"},
         "clipreel: --units: \"many\" is not a number of the kind it takes\n"
         "usage: clipreel sample DST [--units N] [--fps RATE] ... [options]  (clipreel help sample)\n"},
        {{"--creator-version", "5"},
         "clipreel: --creator-version must be 6 or more (Clipreel movies start at 6)\n" + sampleUsage},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.error);
        std::vector<std::string> arguments = {"sample", destination, "--dummy-frames"};
        arguments.insert(arguments.end(), c.options.begin(), c.options.end());
        const ToolRun run = RunTool(arguments);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_EQ(run.err, c.error);
        EXPECT_FALSE(std::filesystem::exists(destination));
    }
}

// The encoder's own log lines (and the library's debug lines) reach
// standard error only with --verbose.
TEST(ToolCommandLine, CodecLogsOnlyWhenVerbose) {
    if (!sample::HaveH264()) GTEST_SKIP() << "no H.264 encoder in this build";
    const TempDir dir;
    const ToolRun quiet = RunTool({"sample", dir.File("a.mov").string(), "-q"});
    EXPECT_EQ(quiet.exitCode, 0);
    EXPECT_EQ(quiet.err, "");
    const ToolRun verbose = RunTool({"sample", dir.File("b.mov").string(), "-q", "--verbose"});
    EXPECT_EQ(verbose.exitCode, 0);
    EXPECT_NE(verbose.err.find("[libx264 @"), std::string::npos) << verbose.err;
}

TEST(ToolCommandLine, HelpVersionAndUsageErrors) {
    for (const char* command : {"info", "edit", "reference", "thumbnail", "sheet", "wav", "sample"}) {
        SCOPED_TRACE(command);
        const ToolRun run = RunTool({command, "--help"});
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_NE(run.out.find(std::string("clipreel ") + command), std::string::npos) << run.out;
    }
    const ToolRun help = RunTool({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("  17  save: disk full\n"), std::string::npos) << help.out;

    const ToolRun version = RunTool({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, std::string("clipreel ") + CLIPREEL_VERSION_TEXT + "\n");

    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{}, {"frobnicate"}, {"info"}, {"sheet", "--columns", "0", "a.mov", "b.jpg"}}) {
        SCOPED_TRACE(arguments.empty() ? "" : arguments[0]);
        const ToolRun run = RunTool(arguments);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_FALSE(run.err.empty());
        EXPECT_EQ(run.err.rfind("clipreel: ", 0), 0u) << run.err;
        // The mistake on one line, then the usage line.
        const std::size_t firstLine = run.err.find('\n');
        ASSERT_NE(firstLine, std::string::npos);
        EXPECT_EQ(run.err.find("usage: clipreel ", firstLine), firstLine + 1) << run.err;
        EXPECT_EQ(run.err.find('\n', firstLine + 1), run.err.size() - 1) << "two lines: " << run.err;
    }
#ifdef CLIPREEL_TEST_HAVE_STUDIO
    const char* const lastCommands = "sample, split, join, salvage, export, studio";
#else
    const char* const lastCommands = "sample, split, join, salvage, export";
#endif
    EXPECT_EQ(RunTool({"frobnicate", "x"}).err,
              std::string("clipreel: unknown command \"frobnicate\" (the commands: info, edit, reference, thumbnail, "
                          "sheet, wav, ") +
                  lastCommands + "; see clipreel --help)\n" +
                  "usage: clipreel COMMAND [options] ...  (clipreel help lists the commands)\n");
}

}
}
}
