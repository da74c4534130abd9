#include "tests/editor/save/DecodedMedia.h"

#include "source/MovieDesc.h"
#include "tests/editor/save/SaveFixture.h"
#include "tests/support/JpegDecoding.h"

#include <gtest/gtest.h>

#include <sstream>

namespace clipreel {
namespace test {

namespace {

// The last comma-separated field of every framemd5 line that is not a comment.
std::vector<std::string> Hashes(const std::string& framemd5) {
    std::vector<std::string> hashes;
    std::istringstream lines(framemd5);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.empty() || line[0] == '#') continue;
        const std::size_t comma = line.rfind(',');
        std::string hash = line.substr(comma == std::string::npos ? 0 : comma + 1);
        hash.erase(0, hash.find_first_not_of(' '));
        hashes.push_back(hash);
    }
    return hashes;
}

}

ProbedKeyFrames ProbeKeyFrames(const std::filesystem::path& movie, const std::string& extraInput) {
    ProbedKeyFrames probed;
    const std::vector<std::string> lines = NonEmptyLines(
        RunCommand("ffprobe -v error -select_streams v:0 -show_entries packet=flags:frame=key_frame -of csv" +
                       extraInput + " " + ShellQuoted(movie.string()) + " 2>&1",
                   probed.status));
    for (const std::string& line : lines) {
        if (line.rfind("packet,", 0) == 0) {
            probed.marked.push_back(line.size() > 7 && line[7] == 'K');
        } else if (line.rfind("frame,", 0) == 0) {
            probed.decodedKey.push_back(line.size() > 6 && line[6] == '1');
        } else {
            probed.otherLines.push_back(line);
        }
    }
    return probed;
}

DecodedMedia DecodeWithFfmpeg(const std::filesystem::path& movie, unsigned soundSamplesPerUnit) {
    DecodedMedia media;
    const std::string input = "ffmpeg -v error -i '" + movie.string() + "' ";
    int status = -1;
    const std::string video = RunCommand(input + "-map 0:v:0 -f framemd5 - 2>&1", status);
    if (status != 0) {
        media.errors = video;
        return media;
    }
    media.frames = Hashes(video);
    if (soundSamplesPerUnit != 0) {
        const std::string sound = RunCommand(input + "-map 0:a:0 -af asetnsamples=n=" +
                                                 std::to_string(soundSamplesPerUnit) + ":p=0 -f framemd5 - 2>&1",
                                             status);
        if (status != 0) {
            media.errors = sound;
            return media;
        }
        media.soundUnits = Hashes(sound);
    }
    media.decoded = true;
    return media;
}

DecodedMedia UnitsOf(const DecodedMedia& reel, const std::vector<unsigned>& units, unsigned framesPerUnit) {
    DecodedMedia part;
    part.decoded = reel.decoded;
    for (const unsigned unit : units) {
        for (unsigned f = 0; f < framesPerUnit; ++f) {
            const std::size_t index = std::size_t(unit) * framesPerUnit + f;
            part.frames.push_back(index < reel.frames.size() ? reel.frames[index] : "missing");
        }
        if (!reel.soundUnits.empty())
            part.soundUnits.push_back(unit < reel.soundUnits.size() ? reel.soundUnits[unit] : "missing");
    }
    return part;
}

DecodedMedia Concatenated(const std::vector<DecodedMedia>& parts) {
    DecodedMedia whole;
    whole.decoded = true;
    for (const DecodedMedia& part : parts) {
        whole.decoded = whole.decoded && part.decoded;
        whole.frames.insert(whole.frames.end(), part.frames.begin(), part.frames.end());
        whole.soundUnits.insert(whole.soundUnits.end(), part.soundUnits.begin(), part.soundUnits.end());
    }
    return whole;
}

void ExpectThumbnailShowsUnit(const std::filesystem::path& file, unsigned paintedUnit) {
    SCOPED_TRACE(file.filename().string());
    CZentiMovFile movie(FileLocator(file.wstring().c_str()));
    ASSERT_NE(nullptr, movie.GetZentiMovie());
    const Bytes thumbnail = ThumbnailOf(*movie.GetZentiMovie());
    platform::Image decoded;
    ASSERT_TRUE(DecodeJpeg(thumbnail.data(), thumbnail.size(), decoded));
    std::uint8_t colour[3];
    sample::UnitColour(paintedUnit, colour);
    EXPECT_LE(ColourDistance(AverageRows(decoded, 2, 26), colour), 12.0);
}

void ExpectCameraReel(const std::filesystem::path& file, unsigned units, unsigned framesPerUnit,
                      const std::vector<std::uint8_t>& sourceThumbnail) {
    SCOPED_TRACE(file.filename().string());
    CZentiMovFile movie(FileLocator(file.wstring().c_str()));
    ASSERT_TRUE(movie.IsValid());
    CClipreelMovie reel(&movie);
    ASSERT_TRUE(reel.IsValid());
    EXPECT_EQ(units, reel.GetShootingUnitCount());
    EXPECT_EQ(units * framesPerUnit, reel.GetTotalFrameCount());
    EXPECT_EQ(units > 1, reel.IsEditable());
    const Bytes thumbnail = ThumbnailOf(*movie.GetZentiMovie());
    const MovieDesc desc(static_cast<unsigned>(thumbnail.size()), thumbnail.data());
    ASSERT_TRUE(desc.valid);
    EXPECT_EQ(std::filesystem::file_size(file), desc.movFileSize);
    if (!sourceThumbnail.empty() && desc.imageIdSize == 16) {
        const MovieDesc old(static_cast<unsigned>(sourceThumbnail.size()), sourceThumbnail.data());
        ASSERT_EQ(16u, old.imageIdSize);
        EXPECT_FALSE(std::equal(thumbnail.begin() + desc.imageIdOffset, thumbnail.begin() + desc.imageIdOffset + 16,
                                sourceThumbnail.begin() + old.imageIdOffset));
    }
}

}
}
