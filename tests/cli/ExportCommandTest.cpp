// export from the shell, checked by FFmpeg: the frames are the source's own
// packets, the key frames stay marked, the AAC sound lasts as long as the
// kept units and stays with each unit's picture, the movie atom comes first,
// and none of the camera's records go along.
#include "tests/cli/ToolRunner.h"

#include "sample/SampleMovieTypes.h"
#include "tests/support/AtomWalk.h"
#include "tests/support/Commands.h"
#include "tests/support/SampleFolderSuite.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

namespace clipreel {
namespace test {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line))
        if (!line.empty() && line[0] != '#') lines.push_back(line);
    return lines;
}

// The MD5 of every video packet as stored (not decoded), in order.
std::vector<std::string> PacketHashes(const fs::path& movie) {
    std::vector<std::string> hashes;
    for (const std::string& line :
         Lines(RunCommand("ffmpeg -v error -i " + ShellQuoted(movie.string()) + " -map 0:v -c copy -f framemd5 -")
                   .output))
        hashes.push_back(line.substr(line.rfind(',') + 1));
    return hashes;
}

// Whether each video packet is marked as a key frame, in order.
std::vector<bool> KeyFlags(const fs::path& movie) {
    std::vector<bool> keys;
    for (const std::string& flags : Lines(RunCommand("ffprobe -v error -select_streams v -show_entries packet=flags "
                                                     "-of csv=p=0 " +
                                                     ShellQuoted(movie.string()))
                                              .output))
        keys.push_back(flags.find('K') != std::string::npos);
    return keys;
}

std::string Probe(const fs::path& movie, const std::string& entries) {
    std::string text =
        RunCommand("ffprobe -v error " + entries + " -of default=nw=1:nk=1 " + ShellQuoted(movie.string())).output;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text;
}

// The decoded sound, mixed to one channel at the source's rate.
std::vector<std::int16_t> DecodedSound(const fs::path& movie, const fs::path& scratch) {
    const CommandResult run = RunCommand("ffmpeg -v error -y -i " + ShellQuoted(movie.string()) +
                                         " -map 0:a -ac 1 -f s16le " + ShellQuoted(scratch.string()));
    if (run.status != 0) return {};
    const std::vector<std::uint8_t> bytes = ReadFileBytes(scratch);
    std::vector<std::int16_t> samples(bytes.size() / 2);
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<std::int16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    return samples;
}

// The pitch of a stretch of sound, from its rising zero crossings.
double Pitch(const std::vector<std::int16_t>& sound, std::size_t from, std::size_t to, unsigned rate) {
    unsigned crossings = 0;
    for (std::size_t i = from + 1; i < to && i < sound.size(); ++i)
        if (sound[i - 1] < 0 && sound[i] >= 0) ++crossings;
    return static_cast<double>(crossings) * rate / static_cast<double>(to - from);
}

// The top-level atoms of a file, in order.
std::vector<std::string> TopLevelAtoms(const fs::path& file) {
    const std::vector<std::uint8_t> bytes = ReadFileBytes(file);
    std::vector<std::string> atoms;
    for (const Atom& atom : AtomWalk(bytes, AtomWalk::MisfitEnds).TopLevel()) atoms.push_back(CodeText(atom.type));
    return atoms;
}

bool Contains(const std::vector<std::uint8_t>& bytes, const std::string& text) {
    return std::search(bytes.begin(), bytes.end(), text.begin(), text.end()) != bytes.end();
}

class ExportCommand : public SampleFolderSuite {
protected:
    static void SetUpTestSuite() {
        SampleFolderSuite::SetUpTestSuite();
        sample::SampleMovieSpec spec;
        spec.frames = sample::FrameContent::H264;
        spec.units = 5;
        WriteReel("STEREO.MOV", spec);
        // Another rate and sample layout: 25 fps, mono big-endian at 44.1 kHz.
        spec.units = 4;
        spec.timeScale = 25000;
        spec.frameDuration = 1000;
        spec.framesPerUnit = 25;
        spec.groupOfPicture = 5;
        spec.sound.format = FourCC("twos");
        spec.sound.channels = 1;
        spec.sound.sampleRate = 44100;
        WriteReel("MONO.MOV", spec);
        spec.sound.present = false;
        WriteReel("SILENT.MOV", spec);
    }
};

TEST_F(ExportCommand, WritesTheKeptUnitsPacketForPacketWithTheirSoundInStep) {
    if (!HaveTool("ffmpeg") || !HaveTool("ffprobe")) GTEST_SKIP() << "needs ffmpeg and ffprobe";
    struct Case {
        std::string reel;
        std::vector<std::string> list;  // the index list arguments
        std::vector<unsigned> kept;
        unsigned framesPerUnit;
        unsigned soundRate;  // 0: no sound
        unsigned channels;
    };
    const Case cases[] = {
        {"STEREO.MOV", {}, {0, 1, 2, 3, 4}, 30, 48000, 2},
        {"STEREO.MOV", {"--keep", "3,0,4"}, {3, 0, 4}, 30, 48000, 2},
        {"STEREO.MOV", {"--remove", "1-2"}, {0, 3, 4}, 30, 48000, 2},
        {"STEREO.MOV", {"--keep", "4-0"}, {4, 3, 2, 1, 0}, 30, 48000, 2},
        {"MONO.MOV", {"--keep", "2,1"}, {2, 1}, 25, 44100, 1},
        {"SILENT.MOV", {"--keep", "1,3"}, {1, 3}, 25, 0, 0},
    };
    const TempDir out;
    for (const Case& c : cases) {
        std::string listText;
        for (const std::string& argument : c.list) listText += " " + argument;
        SCOPED_TRACE(c.reel + listText);
        const fs::path source = Path(c.reel);
        const fs::path exported = out.File("shared.mp4");
        std::vector<std::string> arguments = {"export", source.string(), exported.string(), "-q", "--force"};
        arguments.insert(arguments.end(), c.list.begin(), c.list.end());
        const ToolRun run = RunTool(arguments);
        ASSERT_EQ(0, run.exitCode) << run.err;

        // An MP4 whose movie atom precedes its media data.
        EXPECT_EQ((std::vector<std::string>{"ftyp", "moov", "free", "mdat"}), TopLevelAtoms(exported));
        const std::string brand = Probe(exported, "-show_entries format_tags=major_brand");
        EXPECT_TRUE(brand == "isom" || brand == "mp42") << brand;

        // The frames: the kept units' own packets, in order, key frames marked as in the source.
        const std::vector<std::string> sourcePackets = PacketHashes(source);
        const std::vector<bool> sourceKeys = KeyFlags(source);
        std::vector<std::string> wantedPackets;
        std::vector<bool> wantedKeys;
        for (const unsigned unit : c.kept) {
            for (unsigned f = unit * c.framesPerUnit; f < (unit + 1) * c.framesPerUnit; ++f) {
                wantedPackets.push_back(f < sourcePackets.size() ? sourcePackets[f] : "missing");
                wantedKeys.push_back(f < sourceKeys.size() && sourceKeys[f]);
            }
        }
        EXPECT_EQ(wantedPackets, PacketHashes(exported));
        const std::vector<bool> keys = KeyFlags(exported);
        EXPECT_EQ(wantedKeys, keys);
        for (std::size_t k = 0; k < c.kept.size(); ++k) {
            const std::size_t first = k * c.framesPerUnit;
            EXPECT_TRUE(first < keys.size() && keys[first]) << "unit " << k << " starts without a key frame";
        }
        EXPECT_EQ("h264", Probe(exported, "-select_streams v -show_entries stream=codec_name"));

        // The sound: AAC-LC, as long as the kept units, each unit's tone under its own frames.
        if (c.soundRate == 0) {
            EXPECT_EQ("", Probe(exported, "-select_streams a -show_entries stream=codec_name"));
        } else {
            EXPECT_EQ("aac\nLC", Probe(exported, "-select_streams a -show_entries stream=codec_name,profile"));
            EXPECT_EQ(std::to_string(c.channels), Probe(exported, "-select_streams a -show_entries stream=channels"));
            const std::vector<std::int16_t> sound = DecodedSound(exported, out.File("sound.raw"));
            const double unitSeconds = c.framesPerUnit == 30 ? 1.001 : 1.0;
            const std::size_t unitSamples = static_cast<std::size_t>(std::lround(unitSeconds * c.soundRate));
            const std::size_t keptSamples = unitSamples * c.kept.size();
            EXPECT_LE(std::abs(static_cast<long>(sound.size()) - static_cast<long>(keptSamples)), 1024L)
                << sound.size() << " samples decoded, " << keptSamples << " kept";
            for (std::size_t k = 0; k < c.kept.size(); ++k) {
                const double pitch =
                    Pitch(sound, k * unitSamples + unitSamples / 4, k * unitSamples + 3 * unitSamples / 4, c.soundRate);
                EXPECT_NEAR(220.0 * (1 + c.kept[k] % 8), pitch, 10.0) << "the sound under output unit " << k;
            }
        }

        // The recording's time, none of the camera's records.
        EXPECT_EQ(Probe(source, "-show_entries format_tags=creation_time"),
                  Probe(exported, "-show_entries format_tags=creation_time"));
        const std::vector<std::uint8_t> bytes = ReadFileBytes(exported);
        for (const char* record : {"ZTCV", "ZTDA", "ZTMR", "udta/ZT"}) EXPECT_FALSE(Contains(bytes, record)) << record;
    }
}

// The summary without writing, and the written one, as for edit.
TEST_F(ExportCommand, DryRunAndJsonDescribeTheResult) {
    const TempDir out;
    const fs::path exported = out.File("shared.mp4");
    ToolRun run = RunTool({"export", Path("MONO.MOV"), exported.string(), "--remove", "0", "--dry-run", "--json"});
    ASSERT_EQ(0, run.exitCode) << run.err;
    nlohmann::json result = nlohmann::json::parse(run.out);
    EXPECT_EQ(true, result["dry_run"]);
    EXPECT_EQ("mp4", result["kind"]);
    EXPECT_EQ((std::vector<unsigned>{1, 2, 3}), result["units"].get<std::vector<unsigned>>());
    EXPECT_EQ(75u, result["frame_count"].get<unsigned>());
    EXPECT_DOUBLE_EQ(3.0, result["duration"].get<double>());
    EXPECT_EQ(96000u, result["sound_bitrate"].get<unsigned>());
    EXPECT_FALSE(fs::exists(exported));

    run = RunTool({"export", Path("MONO.MOV"), exported.string(), "--sound-bitrate", "64k", "--json"});
    ASSERT_EQ(0, run.exitCode) << run.err;
    result = nlohmann::json::parse(run.out);
    EXPECT_EQ(false, result["dry_run"]);
    EXPECT_EQ(64000u, result["sound_bitrate"].get<unsigned>());
    EXPECT_EQ(fs::file_size(exported), result["size"].get<std::uintmax_t>());
    EXPECT_EQ("", run.err) << "--json shows no progress";

    run = RunTool({"export", Path("SILENT.MOV"), exported.string(), "-n", "--json"});
    ASSERT_EQ(0, run.exitCode) << run.err;
    EXPECT_TRUE(nlohmann::json::parse(run.out)["sound_bitrate"].is_null());
}

// Refusals: each complains in one line, exits with its code and writes nothing.
TEST_F(ExportCommand, RefusalsWriteNothing) {
    const TempDir out;
    const fs::path exported = out.File("shared.mp4");
    struct Case {
        std::vector<std::string> arguments;
        int exitCode;
        std::string message;
    };
    const Case cases[] = {
        {{"--keep", "1,9"}, 2, "clipreel: index 9 is out of range: the reel has 5 shooting units (0 to 4)"},
        {{"--keep", "1,1"}, 2, ""},
        {{"--remove", "0-last"}, 2, "clipreel: cannot remove every shooting unit: at least one must remain"},
        {{"--keep", "0", "--remove", "1"}, 2, ""},
        {{"--sound-bitrate", "5"}, 2, "clipreel: --sound-bitrate 5 is not a bit rate from 16k to 512k (e.g. 128k)"},
        {{"--sound-bitrate", "fast"}, 2, ""},
    };
    for (const Case& c : cases) {
        std::vector<std::string> arguments = {"export", Path("STEREO.MOV"), exported.string()};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        SCOPED_TRACE(arguments.back());
        const ToolRun run = RunTool(arguments);
        EXPECT_EQ(c.exitCode, run.exitCode) << run.err;
        if (!c.message.empty()) {
            EXPECT_EQ(c.message, run.err.substr(0, run.err.find('\n')));
        }
        EXPECT_TRUE(fs::is_empty(out.path())) << "something was written";
    }
    const ToolRun notCamera = RunTool({"export", out.File("nothing.mov").string(), exported.string()});
    EXPECT_EQ(3, notCamera.exitCode) << notCamera.err;
    EXPECT_TRUE(fs::is_empty(out.path()));
}

}
}
}
