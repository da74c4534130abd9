#include "SoundFormat.h"

#include "bytes/ByteBuffer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using clipreel::ByteBuffer;
using clipreel::FourCC;

struct Description {
    std::uint32_t size = 52;
    std::uint32_t dataFormat = FourCC("sowt");
    std::uint16_t dataRefIndex = 1;
    std::uint16_t version = 1;
    std::uint16_t revisionLevel = 0;
    std::uint32_t vendor = 0;
    std::uint16_t channels = 2;
    std::uint16_t sampleSize = 16;
    std::uint16_t compressionID = 0;
    std::uint16_t packetSize = 0;
    std::uint32_t sampleRate = 48000u << 16;
    std::uint32_t samplesPerPacket = 1;
    std::uint32_t bytesPerPacket = 2;
    std::uint32_t bytesPerFrame = 4;
    std::uint32_t bytesPerSample = 2;
};

// The big-endian bytes as a movie file stores them, padded (or cut) to the
// size field when it differs from 52.
std::vector<std::uint8_t> BigEndian(const Description& d) {
    ByteBuffer b;
    b.AppendU32BE(d.size);
    b.AppendFourCC(d.dataFormat);
    b.AppendBytes("\x01\x02\x03\x04\x05\x06", 6);
    b.AppendU16BE(d.dataRefIndex);
    b.AppendU16BE(d.version);
    b.AppendU16BE(d.revisionLevel);
    b.AppendU32BE(d.vendor);
    b.AppendU16BE(d.channels);
    b.AppendU16BE(d.sampleSize);
    b.AppendU16BE(d.compressionID);
    b.AppendU16BE(d.packetSize);
    b.AppendU32BE(d.sampleRate);
    b.AppendU32BE(d.samplesPerPacket);
    b.AppendU32BE(d.bytesPerPacket);
    b.AppendU32BE(d.bytesPerFrame);
    b.AppendU32BE(d.bytesPerSample);
    for (std::uint32_t i = 52; i < d.size; ++i) b.AppendU8(static_cast<std::uint8_t>(0xC0 + i));
    return b.bytes();
}

// A description placed at an odd address, as it may sit inside a movie atom.
class Unaligned {
public:
    explicit Unaligned(const std::vector<std::uint8_t>& bytes) : storage(bytes.size() + 1, 0) {
        std::memcpy(storage.data() + 1, bytes.data(), bytes.size());
    }
    const SoundDescriptionV1* get() const {
        return reinterpret_cast<const SoundDescriptionV1*>(storage.data() + 1);
    }

private:
    std::vector<std::uint8_t> storage;
};

CSoundFormatInfo Make(const Description& d) {
    const Unaligned bytes(BigEndian(d));
    return CSoundFormatInfo(bytes.get());
}

TEST(SoundFormatInfo, KeepsEveryFieldInNativeOrder) {
    Description d;
    d.dataRefIndex = 0x0102;
    d.version = 1;
    d.revisionLevel = 0x0304;
    d.vendor = FourCC("appl");
    d.compressionID = 0xFFFE;
    d.packetSize = 0x0506;
    d.sampleRate = 0xAC448000;
    d.samplesPerPacket = 0x01020304;
    d.bytesPerPacket = 0x05060708;
    d.bytesPerFrame = 0x090A0B0C;
    d.bytesPerSample = 0x0D0E0F10;
    d.size = 60;
    const CSoundFormatInfo info = Make(d);
    ASSERT_TRUE(info.IsValid());
    SoundDescriptionV1 native;
    std::memcpy(&native, info.GetFormatInfo(), sizeof(native));
    EXPECT_EQ(native.descriptionSize, 60u);
    EXPECT_EQ(native.dataFormat, FourCC("sowt"));
    EXPECT_EQ(std::vector<std::uint8_t>(native.reserved, native.reserved + 6),
              (std::vector<std::uint8_t>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(native.dataRefIndex, 0x0102);
    EXPECT_EQ(native.revisionLevel, 0x0304);
    EXPECT_EQ(native.vendor, FourCC("appl"));
    EXPECT_EQ(native.numberOfChannels, 2);
    EXPECT_EQ(native.sampleSize, 16);
    EXPECT_EQ(native.compressionID, 0xFFFE);
    EXPECT_EQ(native.packetSize, 0x0506);
    EXPECT_EQ(native.sampleRate, 0xAC448000u);
    EXPECT_EQ(native.samplesPerPacket, 0x01020304u);
    EXPECT_EQ(native.bytesPerPacket, 0x05060708u);
    EXPECT_EQ(native.bytesPerFrame, 0x090A0B0Cu);
    EXPECT_EQ(native.bytesPerSample, 0x0D0E0F10u);

    // The 52-byte form: the same fields, with the size set to 52.
    SoundDescriptionV1 fixed;
    std::memset(&fixed, 0xCD, sizeof(fixed));
    ASSERT_TRUE(info.GetFormatInfo(&fixed));
    EXPECT_EQ(fixed.descriptionSize, 52u);
    native.descriptionSize = 52;
    EXPECT_EQ(0, std::memcmp(&fixed, &native, sizeof(fixed)));
}

TEST(SoundFormatInfo, UnusableDescriptionsAreNotValid) {
    Description shortSize;
    shortSize.size = 40;
    Description size51;
    size51.size = 51;
    const struct {
        std::string name;
        std::vector<std::uint8_t> bytes;  // empty: a null description
    } cases[] = {{"size field 40", BigEndian(shortSize)}, {"size field 51", BigEndian(size51)}, {"null", {}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Unaligned bytes(c.bytes.empty() ? std::vector<std::uint8_t>(1, 0) : c.bytes);
        const CSoundFormatInfo info(c.bytes.empty() ? nullptr : bytes.get());
        EXPECT_FALSE(info.IsValid());
        EXPECT_EQ(info.GetFormatInfo(), nullptr);
        SoundDescriptionV1 target;
        std::memset(&target, 0xCD, sizeof(target));
        EXPECT_FALSE(info.GetFormatInfo(&target));
        EXPECT_EQ(std::vector<std::uint8_t>(reinterpret_cast<std::uint8_t*>(&target),
                                            reinterpret_cast<std::uint8_t*>(&target) + sizeof(target)),
                  std::vector<std::uint8_t>(sizeof(target), 0));
        pcmwaveformat_tag pcm;
        std::memset(&pcm, 0xCD, sizeof(pcm));
        EXPECT_FALSE(info.GetFormatInfo(&pcm));
        EXPECT_EQ(std::vector<std::uint8_t>(reinterpret_cast<std::uint8_t*>(&pcm),
                                            reinterpret_cast<std::uint8_t*>(&pcm) + sizeof(pcm)),
                  std::vector<std::uint8_t>(sizeof(pcm), 0));
        EXPECT_FALSE(info == info);
        EXPECT_TRUE(info != info);
    }
}

TEST(SoundFormatInfo, NullTargetsAreRefused) {
    const CSoundFormatInfo info = Make(Description{});
    ASSERT_TRUE(info.IsValid());
    EXPECT_FALSE(info.GetFormatInfo(static_cast<SoundDescriptionV1*>(nullptr)));
    EXPECT_FALSE(info.GetFormatInfo(static_cast<pcmwaveformat_tag*>(nullptr)));
}

TEST(SoundFormatInfo, WaveFormatOnlyForUncompressedLittleEndianOrByteFormats) {
    struct Case {
        std::string name;
        std::uint32_t dataFormat;
        std::uint16_t channels;
        std::uint16_t bits;
        std::uint32_t sampleRate;
        bool converts;
        std::uint32_t samplesPerSecond;
        std::uint16_t blockAlign;
    };
    const Case cases[] = {
        {"sowt 16-bit stereo 48 kHz", FourCC("sowt"), 2, 16, 48000u << 16, true, 48000, 4},
        {"sowt with a rate fraction drops the fraction", FourCC("sowt"), 1, 16, (44100u << 16) | 0x8000, true, 44100,
         2},
        {"raw 8-bit mono 8 kHz", FourCC("raw "), 1, 8, 8000u << 16, true, 8000, 1},
        {"raw 8-bit stereo 22.05 kHz", FourCC("raw "), 2, 8, 22050u << 16, true, 22050, 2},
        {"twos is big-endian: no wave format", FourCC("twos"), 2, 16, 48000u << 16, false, 0, 0},
        {"compressed: no wave format", FourCC("ima4"), 2, 16, 48000u << 16, false, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Description d;
        d.dataFormat = c.dataFormat;
        d.channels = c.channels;
        d.sampleSize = c.bits;
        d.sampleRate = c.sampleRate;
        const CSoundFormatInfo info = Make(d);
        ASSERT_TRUE(info.IsValid());
        pcmwaveformat_tag pcm;
        std::memset(&pcm, 0xCD, sizeof(pcm));
        EXPECT_EQ(info.GetFormatInfo(&pcm), c.converts);
        EXPECT_EQ(pcm.wf.wFormatTag, c.converts ? 1 : 0);
        EXPECT_EQ(pcm.wf.nChannels, c.converts ? c.channels : 0);
        EXPECT_EQ(pcm.wf.nSamplesPerSec, c.samplesPerSecond);
        EXPECT_EQ(pcm.wf.nAvgBytesPerSec, c.samplesPerSecond * c.blockAlign);
        EXPECT_EQ(pcm.wf.nBlockAlign, c.blockAlign);
        EXPECT_EQ(pcm.wBitsPerSample, c.converts ? c.bits : 0);
    }
}

TEST(SoundFormatInfo, ComparesFormatChannelsSampleSizeAndFullRateOnly) {
    struct Case {
        std::string name;
        void (*change)(Description&);
        bool equal;
    };
    const Case cases[] = {
        {"identical", [](Description&) {}, true},
        {"data format", [](Description& d) { d.dataFormat = FourCC("twos"); }, false},
        {"channels", [](Description& d) { d.channels = 1; }, false},
        {"sample size", [](Description& d) { d.sampleSize = 8; }, false},
        {"rate integer part", [](Description& d) { d.sampleRate = 44100u << 16; }, false},
        {"rate fraction", [](Description& d) { d.sampleRate |= 1; }, false},
        {"vendor", [](Description& d) { d.vendor = FourCC("appl"); }, true},
        {"version and revision", [](Description& d) { d.version = 0; d.revisionLevel = 3; }, true},
        {"compression and packet size", [](Description& d) { d.compressionID = 0xFFFE; d.packetSize = 7; }, true},
        {"per-packet and per-frame fields",
         [](Description& d) {
             d.samplesPerPacket = 9;
             d.bytesPerPacket = 9;
             d.bytesPerFrame = 9;
             d.bytesPerSample = 9;
         },
         true},
        {"longer description", [](Description& d) { d.size = 64; }, true},
    };
    const CSoundFormatInfo base = Make(Description{});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Description d;
        c.change(d);
        const CSoundFormatInfo other = Make(d);
        ASSERT_TRUE(other.IsValid());
        EXPECT_EQ(base == other, c.equal);
        EXPECT_EQ(other == base, c.equal);
        EXPECT_EQ(base != other, !c.equal);
    }
    Description tooShort;
    tooShort.size = 40;
    const CSoundFormatInfo invalid = Make(tooShort);
    EXPECT_FALSE(base == invalid);
    EXPECT_FALSE(invalid == base);
    EXPECT_TRUE(base != invalid);
}

TEST(SoundFormatInfo, CopiesAreIndependentAndEqual) {
    Description first;
    first.size = 56;
    Description second;
    second.dataFormat = FourCC("raw ");
    second.sampleSize = 8;
    const CSoundFormatInfo a = Make(first);
    CSoundFormatInfo copy(a);
    EXPECT_TRUE(copy == a);
    EXPECT_EQ(copy.GetFormatInfo()->descriptionSize, 56u);
    EXPECT_NE(copy.GetFormatInfo(), a.GetFormatInfo());

    CSoundFormatInfo assigned = Make(second);
    EXPECT_FALSE(assigned == a);
    assigned = a;
    EXPECT_TRUE(assigned == a);
    EXPECT_EQ(assigned.GetFormatInfo()->descriptionSize, 56u);

    Description tooShort;
    tooShort.size = 40;
    assigned = Make(tooShort);
    EXPECT_FALSE(assigned.IsValid());
    EXPECT_EQ(assigned.GetFormatInfo(), nullptr);
    EXPECT_TRUE(a.IsValid());
}

}
