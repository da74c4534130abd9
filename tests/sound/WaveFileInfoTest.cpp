#include "SoundFormat.h"

#include "bytes/ByteBuffer.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

using clipreel::ByteBuffer;
using clipreel::ByteOrder;
using clipreel::FourCC;
using clipreel::test::TempDir;
using clipreel::test::WriteFileBytes;

struct Fmt {
    std::uint16_t tag = 1;
    std::uint16_t channels = 2;
    std::uint32_t rate = 44100;
    std::uint32_t avg = 176400;
    std::uint16_t align = 4;
    std::uint16_t bits = 16;
};

Fmt Pcm(std::uint16_t channels, std::uint32_t rate, std::uint16_t bits) {
    Fmt f;
    f.channels = channels;
    f.rate = rate;
    f.bits = bits;
    f.align = static_cast<std::uint16_t>(channels * bits / 8);
    f.avg = rate * f.align;
    return f;
}

// The 'fmt ' payload, little-endian, cut to size bytes (14, 16) or padded
// with a zero extra-size word (18).
std::vector<std::uint8_t> FmtPayload(const Fmt& f, std::size_t size = 16) {
    ByteBuffer b;
    b.AppendU16(f.tag, ByteOrder::Little);
    b.AppendU16(f.channels, ByteOrder::Little);
    b.AppendU32(f.rate, ByteOrder::Little);
    b.AppendU32(f.avg, ByteOrder::Little);
    b.AppendU16(f.align, ByteOrder::Little);
    b.AppendU16(f.bits, ByteOrder::Little);
    b.AppendU16(0, ByteOrder::Little);
    b.AppendZeros(size > b.size() ? size - b.size() : 0);
    b.bytes().resize(size);
    return b.bytes();
}

struct Chunk {
    std::string id;
    std::vector<std::uint8_t> payload;
    // The size field when it should not be the payload's length.
    long long statedSize = -1;
};

Chunk FmtChunk(const Fmt& f, std::size_t size = 16) {
    return Chunk{"fmt ", FmtPayload(f, size)};
}

Chunk DataChunk(std::size_t size) {
    return Chunk{"data", std::vector<std::uint8_t>(size, 0x5A)};
}

// RIFF/WAVE around the chunks; riffSize -1 is the exact payload length.
std::vector<std::uint8_t> Wave(const std::vector<Chunk>& chunks, long long riffSize = -1) {
    ByteBuffer body;
    for (const Chunk& c : chunks) {
        body.AppendBytes(c.id.data(), 4);
        const std::uint32_t size =
            c.statedSize >= 0 ? static_cast<std::uint32_t>(c.statedSize) : static_cast<std::uint32_t>(c.payload.size());
        body.AppendU32(size, ByteOrder::Little);
        body.AppendBytes(c.payload.data(), c.payload.size());
    }
    ByteBuffer file;
    file.AppendText("RIFF");
    file.AppendU32(riffSize >= 0 ? static_cast<std::uint32_t>(riffSize) : static_cast<std::uint32_t>(body.size() + 4),
                   ByteOrder::Little);
    file.AppendText("WAVE");
    file.AppendBytes(body.data(), body.size());
    return file.bytes();
}

std::vector<std::uint8_t> Truncated(std::vector<std::uint8_t> bytes, std::size_t length) {
    bytes.resize(length);
    return bytes;
}

struct Accepted {
    std::string name;
    std::vector<std::uint8_t> file;
    unsigned sampleCount;
    unsigned firstDataOffset;
    unsigned dataSize;
    Fmt format;
};

TEST(WaveFileInfo, AcceptedFilesReportFormatSamplesAndDataOffset) {
    const Fmt stereo16 = Pcm(2, 44100, 16);
    const Fmt mono8 = Pcm(1, 8000, 8);
    const Fmt mono16 = Pcm(1, 22050, 16);
    const Fmt stereo8 = Pcm(2, 11025, 8);
    const std::vector<Accepted> cases = {
        {"16-bit stereo, odd data size cut to whole frames", Wave({FmtChunk(stereo16), DataChunk(1001)}), 250, 44,
         1000, stereo16},
        {"8-bit mono", Wave({FmtChunk(mono8), DataChunk(100)}), 100, 44, 100, mono8},
        {"16-bit mono", Wave({FmtChunk(mono16), DataChunk(11)}), 5, 44, 10, mono16},
        {"8-bit stereo", Wave({FmtChunk(stereo8), DataChunk(7)}), 3, 44, 6, stereo8},
        {"44-byte file with an empty data chunk", Wave({FmtChunk(stereo16), DataChunk(0)}), 0, 44, 0, stereo16},
        {"LIST chunk before fmt is skipped",
         Wave({Chunk{"LIST", std::vector<std::uint8_t>(10, 1)}, FmtChunk(stereo16), DataChunk(8)}), 2, 62, 8,
         stereo16},
        {"odd-sized chunk is skipped without a pad byte",
         Wave({Chunk{"junk", std::vector<std::uint8_t>(3, 1)}, FmtChunk(mono8), DataChunk(4)}), 4, 55, 4, mono8},
        {"chunk between fmt and data is skipped",
         Wave({FmtChunk(mono8), Chunk{"fact", std::vector<std::uint8_t>(4, 0)}, DataChunk(4)}), 4, 56, 4, mono8},
        {"18-byte fmt with an extra-size word", Wave({FmtChunk(stereo16, 18), DataChunk(8)}), 2, 46, 8, stereo16},
        {"14-byte fmt derives 16 bits from block align 4 and 2 channels",
         Wave({FmtChunk(stereo16, 14), DataChunk(8)}), 2, 42, 8, stereo16},
        {"14-byte fmt derives 8 bits from block align 1 and 1 channel", Wave({FmtChunk(mono8, 14), DataChunk(9)}), 9,
         42, 9, mono8},
        {"43-byte file", Wave({FmtChunk(mono8, 14), DataChunk(1)}), 1, 42, 1, mono8},
        {"long fmt chunk: its bytes past the wave format are skipped", Wave({FmtChunk(stereo16, 100), DataChunk(8)}),
         2, 128, 8, stereo16},
        {"chunks after data are never read",
         Wave({FmtChunk(mono8), DataChunk(4), Chunk{"junk", {1, 2, 3, 4}, 0x7FFFFFFF}}), 4, 44, 4, mono8},
        {"RIFF size below the file length (trailing bytes)",
         [&] {
             auto bytes = Wave({FmtChunk(mono8), DataChunk(4)});
             bytes.insert(bytes.end(), 16, 0xEE);
             return bytes;
         }(),
         4, 44, 4, mono8},
    };
    for (const Accepted& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        WriteFileBytes(dir.File("in.wav"), c.file);
        const CWaveFileInfo info(FileLocator(dir.WideFile("in.wav").c_str()));
        ASSERT_TRUE(info.IsValid());
        EXPECT_EQ(info.GetSampleCount(), c.sampleCount);
        EXPECT_EQ(info.GetFirstDataFileOffset(), c.firstDataOffset);
        EXPECT_EQ(info.GetDataSize(), c.dataSize);
        pcmwaveformat_tag pcm;
        std::memset(&pcm, 0xAB, sizeof(pcm));
        ASSERT_TRUE(info.GetFormatInfo(&pcm));
        EXPECT_EQ(pcm.wf.wFormatTag, 1);
        EXPECT_EQ(pcm.wf.nChannels, c.format.channels);
        EXPECT_EQ(pcm.wf.nSamplesPerSec, c.format.rate);
        EXPECT_EQ(pcm.wf.nAvgBytesPerSec, c.format.avg);
        EXPECT_EQ(pcm.wf.nBlockAlign, c.format.align);
        EXPECT_EQ(pcm.wBitsPerSample, c.format.bits);
    }
}

struct Rejected {
    std::string name;
    std::vector<std::uint8_t> file;
};

TEST(WaveFileInfo, RejectedFilesAnswerNothing) {
    const Fmt good = Pcm(2, 44100, 16);
    Fmt floating = Pcm(1, 48000, 32);
    floating.tag = 3;
    Fmt tag3With16Bits = good;
    tag3With16Bits.tag = 3;
    const Fmt bits24 = Pcm(2, 48000, 24);
    const Fmt sixChannels = Pcm(6, 48000, 16);
    Fmt wrongAverage = good;
    wrongAverage.avg = good.avg + 1;
    Fmt wrongAlign = good;
    wrongAlign.align = 2;
    wrongAlign.avg = good.rate * 2;
    // rate × block align is 2^32: it would match an average of 0 if it wrapped.
    Fmt wrappingAverage = Pcm(2, 0x40000000, 16);
    wrappingAverage.avg = 0;
    Fmt noChannels = good;
    noChannels.channels = 0;

    const auto valid = Wave({FmtChunk(good), DataChunk(100)});
    std::vector<std::uint8_t> notRiff = valid;
    std::memcpy(notRiff.data(), "RIFX", 4);
    std::vector<std::uint8_t> notWave = valid;
    std::memcpy(notWave.data() + 8, "AVI ", 4);

    const std::vector<Rejected> cases = {
        {"data before fmt", Wave({DataChunk(8), FmtChunk(good), DataChunk(8)})},
        {"floating-point format", Wave({FmtChunk(floating), DataChunk(8)})},
        {"format tag 3 with 16-bit samples", Wave({FmtChunk(tag3With16Bits), DataChunk(8)})},
        {"24-bit samples", Wave({FmtChunk(bits24), DataChunk(12)})},
        {"6 channels", Wave({FmtChunk(sixChannels), DataChunk(12)})},
        {"average bytes per second disagrees", Wave({FmtChunk(wrongAverage), DataChunk(8)})},
        {"block align disagrees", Wave({FmtChunk(wrongAlign), DataChunk(8)})},
        {"average bytes per second only matches a wrapped product", Wave({FmtChunk(wrappingAverage), DataChunk(8)})},
        {"14-byte fmt with no channels", Wave({FmtChunk(noChannels, 14), DataChunk(8)})},
        {"12-byte fmt", Wave({FmtChunk(good, 12), DataChunk(8)})},
        {"second fmt", Wave({FmtChunk(good), FmtChunk(good), DataChunk(8)})},
        {"no data chunk before the end of the file",
         Wave({FmtChunk(good), Chunk{"LIST", std::vector<std::uint8_t>(20, 0)}})},
        {"file cut inside the data chunk", Truncated(valid, valid.size() - 1)},
        {"42-byte file, otherwise well formed", Wave({FmtChunk(Pcm(1, 8000, 8), 14), DataChunk(0)})},
        {"RIFF size beyond the file", Wave({FmtChunk(good), DataChunk(100)}, 100 + 36 + 1)},
        {"RIFF size too small for the WAVE identifier", Wave({FmtChunk(good), DataChunk(100)}, 3)},
        {"chunk header past the RIFF size", Wave({FmtChunk(good), DataChunk(100)}, 4 + 24 + 4)},
        {"data size beyond the RIFF size", Wave({FmtChunk(good), Chunk{"data", std::vector<std::uint8_t>(8, 0), 9}})},
        {"skipped chunk size beyond the RIFF size",
         Wave({Chunk{"LIST", std::vector<std::uint8_t>(8, 0), 0x10000}, FmtChunk(good), DataChunk(8)})},
        {"not RIFF", notRiff},
        {"not WAVE", notWave},
        {"empty file", {}},
    };
    for (const Rejected& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        WriteFileBytes(dir.File("in.wav"), c.file);
        const CWaveFileInfo info(FileLocator(dir.WideFile("in.wav").c_str()));
        EXPECT_FALSE(info.IsValid());
        EXPECT_EQ(info.GetSampleCount(), 0u);
        EXPECT_EQ(info.GetFirstDataFileOffset(), 0u);
        EXPECT_EQ(info.GetDataSize(), 0u);
        pcmwaveformat_tag pcm;
        std::memset(&pcm, 0xAB, sizeof(pcm));
        EXPECT_FALSE(info.GetFormatInfo(&pcm));
        const std::vector<std::uint8_t> untouched(sizeof(pcm), 0xAB);
        EXPECT_EQ(0, std::memcmp(&pcm, untouched.data(), sizeof(pcm)));
        EXPECT_EQ(std::unique_ptr<CSoundFormatInfo>(info.CopyFormatInfo()), nullptr);
    }
}

TEST(WaveFileInfo, MissingFileIsNotValidAndLogsTheFailedOpen) {
    TempDir dir;
    clipreel::test::DebugLineCapture capture;
    const CWaveFileInfo info(FileLocator(dir.WideFile("absent.wav").c_str()));
    EXPECT_FALSE(info.IsValid());
    EXPECT_EQ(capture.lines(), std::vector<std::string>{"CreateFile Error : 2 \n"});
}

struct Described {
    std::string name;
    Fmt format;
    std::uint32_t dataFormat;
    std::uint32_t bytesPerSample;
    std::uint32_t bytesPerFrame;
};

TEST(WaveFileInfo, CopyFormatInfoDescribesTheSoundAsAMovieSoundTrack) {
    const std::vector<Described> cases = {
        {"16-bit stereo 44.1 kHz", Pcm(2, 44100, 16), FourCC("sowt"), 2, 4},
        {"16-bit mono 48 kHz", Pcm(1, 48000, 16), FourCC("sowt"), 2, 2},
        {"8-bit mono 8 kHz", Pcm(1, 8000, 8), FourCC("raw "), 1, 1},
        {"8-bit stereo 22.05 kHz", Pcm(2, 22050, 8), FourCC("raw "), 1, 2},
    };
    for (const Described& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        WriteFileBytes(dir.File("in.wav"), Wave({FmtChunk(c.format), DataChunk(16)}));
        const CWaveFileInfo info(FileLocator(dir.WideFile("in.wav").c_str()));
        ASSERT_TRUE(info.IsValid());
        const std::unique_ptr<CSoundFormatInfo> copy(info.CopyFormatInfo());
        ASSERT_NE(copy, nullptr);
        ASSERT_TRUE(copy->IsValid());
        SoundDescriptionV1 d;
        ASSERT_TRUE(copy->GetFormatInfo(&d));
        EXPECT_EQ(d.descriptionSize, 52u);
        EXPECT_EQ(d.dataFormat, c.dataFormat);
        EXPECT_EQ(std::vector<std::uint8_t>(d.reserved, d.reserved + 6), std::vector<std::uint8_t>(6, 0));
        EXPECT_EQ(d.dataRefIndex, 1);
        EXPECT_EQ(d.version, 1);
        EXPECT_EQ(d.revisionLevel, 0);
        EXPECT_EQ(d.vendor, 0u);
        EXPECT_EQ(d.numberOfChannels, c.format.channels);
        EXPECT_EQ(d.sampleSize, c.format.bits);
        EXPECT_EQ(d.compressionID, 0);
        EXPECT_EQ(d.packetSize, 0);
        EXPECT_EQ(d.sampleRate, c.format.rate << 16);
        EXPECT_EQ(d.samplesPerPacket, 1u);
        EXPECT_EQ(d.bytesPerPacket, c.bytesPerSample);
        EXPECT_EQ(d.bytesPerFrame, c.bytesPerFrame);
        EXPECT_EQ(d.bytesPerSample, c.bytesPerSample);
        // Back to a wave format: the same six fields the file holds.
        pcmwaveformat_tag fromCopy;
        pcmwaveformat_tag fromFile;
        ASSERT_TRUE(copy->GetFormatInfo(&fromCopy));
        ASSERT_TRUE(info.GetFormatInfo(&fromFile));
        EXPECT_EQ(0, std::memcmp(&fromCopy, &fromFile, sizeof(fromCopy)));
    }
}

// A rate of 65536 or more cannot be held in the 16-bit integer part of the
// description; no description is made rather than one with the wrong rate.
TEST(WaveFileInfo, CopyFormatInfoRefusesRatesADescriptionCannotHold) {
    const struct {
        std::uint32_t rate;
        bool described;
    } cases[] = {{65535, true}, {65536, false}, {96000, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rate);
        TempDir dir;
        WriteFileBytes(dir.File("in.wav"), Wave({FmtChunk(Pcm(1, c.rate, 16)), DataChunk(4)}));
        const CWaveFileInfo info(FileLocator(dir.WideFile("in.wav").c_str()));
        ASSERT_TRUE(info.IsValid());
        const std::unique_ptr<CSoundFormatInfo> copy(info.CopyFormatInfo());
        EXPECT_EQ(copy != nullptr, c.described);
        if (copy) {
            EXPECT_EQ(copy->GetFormatInfo()->sampleRate, c.rate << 16);
        }
    }
}

}
