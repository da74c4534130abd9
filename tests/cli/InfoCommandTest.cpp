#include "tests/cli/ToolRunner.h"

#include "ClipreelMovie.h"
#include "SoundFormat.h"
#include "ZentiMovFile.h"
#include "bytes/FourCC.h"
#include "sample/SampleMovieWriter.h"
#include "tests/support/Commands.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <memory>

namespace clipreel {
namespace test {
namespace {

using sample::SampleMovieSpec;

struct InfoCase {
    const char* name;
    void (*adjust)(SampleMovieSpec&);
    const char* kind;
};

void PrintTo(const InfoCase& c, std::ostream* os) { *os << c.name; }

const InfoCase InfoCases[] = {
    {"three units with sound", [](SampleMovieSpec&) {}, "clipreel"},
    {"two units without sound", [](SampleMovieSpec& s) { s.units = 2; s.sound.present = false; }, "clipreel"},
    {"one unit", [](SampleMovieSpec& s) { s.units = 1; }, "clipreel"},
    {"version 10, big-endian maker note",
     [](SampleMovieSpec& s) {
         s.creatorVersion = 10;
         s.makerNoteOrder = ByteOrder::Big;
         s.tiffOrder = ByteOrder::Big;
     },
     "clipreel"},
    {"25 fps, 8-bit mono sound",
     [](SampleMovieSpec& s) {
         s.timeScale = 25000;
         s.frameDuration = 1000;
         s.framesPerUnit = 25;
         s.groupOfPicture = 5;
         s.sound.format = FourCC("raw ");
         s.sound.bitsPerSample = 8;
         s.sound.channels = 1;
         s.sound.sampleRate = 22050;
     },
     "clipreel"},
    {"Montagio clips of 4 seconds",
     [](SampleMovieSpec& s) {
         s.units = 4;
         s.movieMode = 12;
         s.montagioTime = 4;
     },
     "montagio"},
    {"another movie mode", [](SampleMovieSpec& s) { s.movieMode = 12; }, "other"},
};

class InfoCommand : public testing::TestWithParam<InfoCase> {};

// Every field of `info --json` against what the library itself answers on
// the same file, and against what the sample writer laid out.
TEST_P(InfoCommand, JsonAgreesWithTheLibraryAndTheLayout) {
    const TempDir dir;
    SampleMovieSpec spec;
    GetParam().adjust(spec);
    const auto path = dir.File("reel.mov");
    const sample::SampleMovieLayout layout = sample::WriteSampleMovie(path, spec);

    const nlohmann::json info = InfoJson(path);
    ASSERT_TRUE(info.is_object());
    const std::wstring wide = path.wstring();
    const CZentiMovFile file{FileLocator(wide.c_str())};
    const CZentiMovie& movie = *file.GetZentiMovie();

    EXPECT_EQ(info["file"], path.string());
    EXPECT_EQ(info["valid"], true);
    EXPECT_EQ(info["kind"], GetParam().kind);
    EXPECT_EQ(info["creator_version"], spec.creatorVersion);
    unsigned numerator = 0;
    unsigned denominator = 0;
    ASSERT_TRUE(movie.GetFrameRateInfo().GetFrameRate(numerator, denominator));
    EXPECT_EQ(info["frame_rate"]["numerator"], numerator);
    EXPECT_EQ(info["frame_rate"]["denominator"], denominator);
    EXPECT_EQ(info["format_version"], 2);
    EXPECT_EQ(info["video"]["time_base"], "1/" + std::to_string(spec.timeScale));
    EXPECT_EQ(info["video"]["frame_duration_ts"], spec.frameDuration);
    EXPECT_EQ(info["video"]["nb_frames"], spec.units * spec.framesPerUnit);
    EXPECT_EQ(info["group_of_picture"], spec.groupOfPicture);
    EXPECT_EQ(info["frames_per_stored_unit"], spec.framesPerUnit);
    EXPECT_EQ(info["sound_samples_per_stored_unit"], layout.soundSamplesPerUnit);
    EXPECT_EQ(info["thumbnail_size"], layout.thumbnail.size());

    const nlohmann::json& record = info["record"];
    ASSERT_TRUE(record.is_object());
    EXPECT_EQ(record["movie_mode"], spec.movieMode);
    EXPECT_EQ(record["file_size"], layout.fileSize);
    EXPECT_EQ(record["frames_per_unit"], spec.framesPerUnit);
    EXPECT_EQ(record["group_of_picture"], spec.groupOfPicture);
    EXPECT_EQ(record["montagio_time"], spec.montagioTime);
    EXPECT_EQ(record["byte_order"], spec.makerNoteOrder == ByteOrder::Big ? "big" : "little");
    EXPECT_EQ(record["image_identifier"], true);

    if (spec.sound.present) {
        const std::unique_ptr<CSoundFormatInfo> sound(movie.CopySoundFormatInfo());
        ASSERT_TRUE(sound);
        const nlohmann::json& described = info["sound"];
        EXPECT_EQ(described["codec_tag_string"], spec.sound.format == FourCC("raw ") ? "raw " : "sowt");
        EXPECT_EQ(described["codec_name"], spec.sound.format == FourCC("raw ") ? "pcm_u8" : "pcm_s16le");
        EXPECT_EQ(described["channels"], spec.sound.channels);
        EXPECT_EQ(described["bits_per_sample"], spec.sound.bitsPerSample);
        EXPECT_EQ(described["sample_rate"], spec.sound.sampleRate);
        EXPECT_TRUE(described["sample_rate"].is_number_integer());
        EXPECT_EQ(described["bytes_per_frame"], sound->GetFormatInfo()->bytesPerFrame);
        EXPECT_EQ(described["nb_frames"], movie.GetSoundSampleCount());
        EXPECT_EQ(described["duration_ts"], movie.GetSoundSampleCount());
    } else {
        EXPECT_TRUE(info["sound"].is_null());
    }

    if (std::string(GetParam().kind) == "montagio") {
        CZentiMovie::MontagioMovieInfo montagio{};
        ASSERT_TRUE(movie.IsMontagioMovie(&montagio));
        EXPECT_EQ(info["montagio"]["montagio_time"], montagio.montagioTime);
        EXPECT_EQ(info["montagio"]["units_per_clip"], montagio.unitsPerClip);
        EXPECT_EQ(info["montagio"]["clip_count"], montagio.clipCount);
        EXPECT_EQ(info["montagio"]["whole_movie"], montagio.wholeMovie);
    }
    if (std::string(GetParam().kind) != "clipreel") {
        EXPECT_FALSE(info.contains("shooting_units"));
        return;
    }
    const CClipreelMovie reel(&file);
    EXPECT_EQ(info["editable"], reel.IsEditable());
    EXPECT_EQ(info["total_frames"], reel.GetTotalFrameCount());
    EXPECT_EQ(info["total_duration_ts"], reel.GetTotalDuration());
    EXPECT_EQ(info["total_duration"], static_cast<double>(reel.GetTotalDuration()) / spec.timeScale);
    const nlohmann::json& units = info["shooting_units"];
    ASSERT_EQ(units.size(), spec.units);
    for (unsigned i = 0; i < spec.units; ++i) {
        SCOPED_TRACE(i);
        const CClipreelShootingUnit& unit = reel.GetShootingUnit(i);
        EXPECT_EQ(units[i]["index"], i);
        EXPECT_EQ(units[i]["original_index"], i);
        EXPECT_EQ(units[i]["frames"], unit.GetFrameCount());
        EXPECT_EQ(units[i]["duration_ts"], unit.GetDuration());
        EXPECT_EQ(units[i]["duration"], static_cast<double>(unit.GetDuration()) / spec.timeScale);
        EXPECT_EQ(units[i]["start_pts"], unit.GetCurrentStartTime());
        EXPECT_EQ(units[i]["start_time"], static_cast<double>(unit.GetCurrentStartTime()) / spec.timeScale);
        EXPECT_EQ(units[i]["first_frame"], i * spec.framesPerUnit);
        EXPECT_EQ(units[i]["file_offset"], layout.units[i].offset);
        EXPECT_EQ(units[i]["size"], layout.units[i].size);
    }
}

// ffprobe gives numbers as text where it keeps them exact ("4.004000",
// "120"); the comparison is by value.
double FfprobeNumber(const nlohmann::json& value) {
    return value.is_string() ? std::stod(value.get<std::string>()) : value.get<double>();
}

// Where `info --json` and ffprobe name the same field, they agree: the file
// (size, duration, streams) and each stream, field by field.
TEST_P(InfoCommand, JsonAgreesWithFfprobe) {
    if (!HaveTool("ffprobe")) GTEST_SKIP() << "no ffprobe";
    if (!sample::HaveH264()) GTEST_SKIP() << "no H.264 encoder: ffprobe reads no placeholder frames";
    const TempDir dir;
    SampleMovieSpec spec;
    GetParam().adjust(spec);
    spec.frames = sample::FrameContent::H264;
    const auto path = dir.File("reel.mov");
    sample::WriteSampleMovie(path, spec);
    const nlohmann::json info = InfoJson(path);
    const CommandResult probe = RunCommand("ffprobe -v error -print_format json -show_format -show_streams " +
                                           ShellQuoted(path.string()));
    ASSERT_EQ(probe.status, 0) << probe.output;
    const nlohmann::json ffprobe = nlohmann::json::parse(probe.output);

    const nlohmann::json& format = ffprobe["format"];
    for (const char* key : {"size", "duration", "start_time", "nb_streams"}) {
        SCOPED_TRACE(key);
        ASSERT_TRUE(info.contains(key));
        EXPECT_NEAR(info[key].get<double>(), FfprobeNumber(format[key]), 1e-6);
    }
    std::size_t compared = 0;
    for (const nlohmann::json& stream : ffprobe["streams"]) {
        const bool video = stream["codec_type"] == "video";
        const nlohmann::json& ours = info[video ? "video" : "sound"];
        ASSERT_TRUE(ours.is_object()) << stream["codec_type"];
        for (const auto& field : ours.items()) {
            if (!stream.contains(field.key())) continue;  // one of our own
            SCOPED_TRACE(field.key());
            const nlohmann::json& theirs = stream[field.key()];
            if (field.value().is_string()) {
                EXPECT_EQ(field.value(), theirs);
            } else {
                EXPECT_NEAR(field.value().get<double>(), FfprobeNumber(theirs), 1e-6);
            }
            ++compared;
        }
    }
    // codec_type, codec_name, codec_tag_string, width, height, r_frame_rate,
    // time_base, start_pts, start_time, duration_ts, duration, nb_frames at
    // least for the video.
    EXPECT_GE(compared, 12u);
}

INSTANTIATE_TEST_SUITE_P(SampleReels, InfoCommand, testing::ValuesIn(InfoCases));

TEST(InfoCommandText, ListsTheUnitsInATable) {
    const TempDir dir;
    SampleMovieSpec spec;
    spec.units = 2;
    const auto path = dir.File("reel.mov");
    const sample::SampleMovieLayout layout = sample::WriteSampleMovie(path, spec);
    const ToolRun run = RunTool({"info", path.string()});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("Camera movie:       yes, Clipreel movie, creator version 6\n"), std::string::npos);
    EXPECT_NE(run.out.find("Frame rate:         30000/1001 (29.970 fps)\n"), std::string::npos);
    EXPECT_NE(run.out.find("Shooting units:     2 (60 frames, 2.002 s)\n"), std::string::npos);
    char row[128];
    std::snprintf(row, sizeof row, "      1      30     1.001     1.001  %12llu  %12llu\n",
                  static_cast<unsigned long long>(layout.units[1].offset),
                  static_cast<unsigned long long>(layout.units[1].size));
    EXPECT_NE(run.out.find(row), std::string::npos) << run.out;
}

TEST(InfoCommandErrors, NamesTheProblemAndExitsWithThree) {
    const TempDir dir;
    WriteFileBytes(dir.File("noise.mov"), std::vector<std::uint8_t>(4096, 0x5A));
    struct Case {
        std::string file;
        std::string message;
    };
    const Case cases[] = {
        {dir.File("noise.mov").string(),
         "clipreel: " + dir.File("noise.mov").string() + " is not a QuickTime movie (no atom structure)\n"},
        {dir.File("missing.mov").string(),
         "clipreel: cannot read " + dir.File("missing.mov").string() + ": No such file or directory\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const ToolRun run = RunTool({"info", "--json", c.file});
        EXPECT_EQ(run.exitCode, 3);
        EXPECT_EQ(run.err, c.message);
    }
    const nlohmann::json info = nlohmann::json::parse(RunTool({"info", "--json", cases[0].file}).out);
    EXPECT_EQ(info["valid"], false);
    EXPECT_EQ(info["kind"], "invalid");
}

}
}
}
