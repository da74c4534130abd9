#include "SoundFormat.h"
#include "ZentiMovFile.h"
#include "ZentiMovie.h"

#include "bytes/ByteBuffer.h"
#include "sample/SampleMovieWriter.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

using clipreel::ByteBuffer;
using clipreel::ByteOrder;
using clipreel::FourCC;
using clipreel::sample::SampleMovieSpec;
using clipreel::test::TempDir;

std::unique_ptr<CSoundFormatInfo> MovieSoundFormat(const TempDir& dir, const std::string& name) {
    const std::wstring path = dir.WideFile(name);
    const CZentiMovFile file(FileLocator(path.c_str()));
    if (!file.IsValid() || file.GetZentiMovie() == nullptr) {
        ADD_FAILURE() << "the sample movie did not open";
        return nullptr;
    }
    return std::unique_ptr<CSoundFormatInfo>(file.GetZentiMovie()->CopySoundFormatInfo());
}

TEST(MovieSoundFormat, CopyDescribesTheSoundTrack) {
    const struct {
        std::string name;
        std::uint32_t format;
        std::uint16_t channels;
        std::uint16_t bits;
        std::uint32_t rate;
        std::uint32_t bytesPerFrame;
    } cases[] = {
        {"sowt 16-bit stereo 48 kHz", FourCC("sowt"), 2, 16, 48000, 4},
        {"twos 16-bit mono 48 kHz", FourCC("twos"), 1, 16, 48000, 2},
        {"raw 8-bit stereo 32 kHz", FourCC("raw "), 2, 8, 32000, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SampleMovieSpec spec;
        spec.sound.format = c.format;
        spec.sound.channels = c.channels;
        spec.sound.bitsPerSample = c.bits;
        spec.sound.sampleRate = c.rate;
        TempDir dir;
        clipreel::sample::WriteSampleMovie(dir.File("m.mov"), spec);
        const std::unique_ptr<CSoundFormatInfo> info = MovieSoundFormat(dir, "m.mov");
        ASSERT_NE(info, nullptr);
        ASSERT_TRUE(info->IsValid());
        SoundDescriptionV1 d;
        ASSERT_TRUE(info->GetFormatInfo(&d));
        EXPECT_EQ(d.dataFormat, c.format);
        EXPECT_EQ(d.numberOfChannels, c.channels);
        EXPECT_EQ(d.sampleSize, c.bits);
        EXPECT_EQ(d.sampleRate, c.rate << 16);
        EXPECT_EQ(d.bytesPerFrame, c.bytesPerFrame);
    }
}

TEST(MovieSoundFormat, NoSoundTrackGivesNoCopy) {
    SampleMovieSpec spec;
    spec.sound.present = false;
    TempDir dir;
    clipreel::sample::WriteSampleMovie(dir.File("m.mov"), spec);
    EXPECT_EQ(MovieSoundFormat(dir, "m.mov"), nullptr);
}

// A WAV file with the movie's channels, bits and rate matches the movie's
// sound whatever the other description fields hold.
TEST(MovieSoundFormat, MatchingWaveFileComparesEqual) {
    const struct {
        std::string name;
        std::uint16_t channels;
        std::uint32_t rate;
        bool equal;
    } cases[] = {
        {"same format", 2, 48000, true},
        {"other rate", 2, 44100, false},
        {"other channel count", 1, 48000, false},
    };
    TempDir dir;
    clipreel::sample::WriteSampleMovie(dir.File("m.mov"), SampleMovieSpec{});
    const std::unique_ptr<CSoundFormatInfo> movie = MovieSoundFormat(dir, "m.mov");
    ASSERT_NE(movie, nullptr);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ByteBuffer wav;
        wav.AppendText("RIFF");
        wav.AppendU32(36 + 8, ByteOrder::Little);
        wav.AppendText("WAVEfmt ");
        wav.AppendU32(16, ByteOrder::Little);
        wav.AppendU16(1, ByteOrder::Little);
        wav.AppendU16(c.channels, ByteOrder::Little);
        wav.AppendU32(c.rate, ByteOrder::Little);
        wav.AppendU32(c.rate * c.channels * 2, ByteOrder::Little);
        wav.AppendU16(static_cast<std::uint16_t>(c.channels * 2), ByteOrder::Little);
        wav.AppendU16(16, ByteOrder::Little);
        wav.AppendText("data");
        wav.AppendU32(8, ByteOrder::Little);
        wav.AppendZeros(8);
        clipreel::test::WriteFileBytes(dir.File("s.wav"), wav.bytes());
        const CWaveFileInfo wave(FileLocator(dir.WideFile("s.wav").c_str()));
        ASSERT_TRUE(wave.IsValid());
        const std::unique_ptr<CSoundFormatInfo> fromWave(wave.CopyFormatInfo());
        ASSERT_NE(fromWave, nullptr);
        EXPECT_EQ(*fromWave == *movie, c.equal);
        EXPECT_EQ(*movie == *fromWave, c.equal);
    }
}

// A description whose size field runs past the movie atom is not copied.
TEST(MovieSoundFormat, DescriptionSizeBeyondTheMovieAtomIsNotValid) {
    TempDir dir;
    const auto layout = clipreel::sample::WriteSampleMovie(dir.File("m.mov"), SampleMovieSpec{});
    std::vector<std::uint8_t> bytes = clipreel::test::ReadFileBytes(dir.File("m.mov"));
    const std::uint8_t sowt[] = {'s', 'o', 'w', 't'};
    const auto moovBegin = bytes.begin() + static_cast<std::ptrdiff_t>(layout.moovOffset);
    const auto moovEnd = moovBegin + static_cast<std::ptrdiff_t>(layout.moovSize);
    const auto format = std::search(moovBegin, moovEnd, std::begin(sowt), std::end(sowt));
    ASSERT_NE(format, moovEnd);
    const std::uint8_t huge[] = {0x00, 0xFF, 0xFF, 0xF0};
    std::copy(std::begin(huge), std::end(huge), format - 4);
    clipreel::test::WriteFileBytes(dir.File("m.mov"), bytes);

    const std::wstring path = dir.WideFile("m.mov");
    const CZentiMovFile file(FileLocator(path.c_str()));
    ASSERT_NE(file.GetZentiMovie(), nullptr);
    // The movie itself reads only the description's fixed fields.
    ASSERT_TRUE(file.IsValid());
    ASSERT_TRUE(file.GetZentiMovie()->HasSound());
    const std::unique_ptr<CSoundFormatInfo> info(file.GetZentiMovie()->CopySoundFormatInfo());
    ASSERT_NE(info, nullptr);
    EXPECT_FALSE(info->IsValid());
}

}
