#include "SoundFormat.h"

#include "bytes/ByteBuffer.h"
#include "bytes/ByteReader.h"
#include "bytes/FourCC.h"
#include "file/FileReader.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

namespace {

using clipreel::ByteOrder;
using clipreel::ByteReader;
using clipreel::FourCC;

// The file holds at least the RIFF header and the headers of a format and a
// data chunk.
constexpr std::uint64_t MinimumWaveFileSize = 43;
constexpr std::uint32_t WaveFormatExSize = 18;
constexpr std::uint32_t MinimumFormatChunkSize = 14;

struct ChunkHeader {
    std::uint32_t id = 0;
    std::uint32_t size = 0;
};

// Reads exactly count bytes; a short read (end of file) is a failure.
bool ReadExactly(clipreel::FileReader& reader, void* buffer, std::uint32_t count) {
    bool shortRead = false;
    return reader.Read(buffer, count, shortRead) && !shortRead;
}

bool ReadChunkHeader(clipreel::FileReader& reader, ChunkHeader& header) {
    std::uint8_t bytes[8];
    if (!ReadExactly(reader, bytes, sizeof(bytes))) {
        return false;
    }
    ByteReader cursor(bytes, sizeof(bytes));
    return cursor.ReadFourCC(header.id) && cursor.ReadU32LE(header.size);
}

// The first 18 bytes of a format chunk (zero where the chunk is shorter),
// decoded from little-endian into a native record.
WAVEFORMATEX DecodeWaveFormat(const std::vector<std::uint8_t>& chunk) {
    WAVEFORMATEX format{};
    ByteReader cursor(chunk.data(), chunk.size());
    std::uint16_t formatTag = 0;
    std::uint16_t channels = 0;
    std::uint32_t samplesPerSecond = 0;
    std::uint32_t averageBytesPerSecond = 0;
    std::uint16_t blockAlign = 0;
    std::uint16_t bitsPerSample = 0;
    std::uint16_t extraSize = 0;
    // The chunk holds at least 18 bytes, so every read succeeds.
    const bool complete = cursor.ReadU16LE(formatTag) && cursor.ReadU16LE(channels) &&
                          cursor.ReadU32LE(samplesPerSecond) && cursor.ReadU32LE(averageBytesPerSecond) &&
                          cursor.ReadU16LE(blockAlign) && cursor.ReadU16LE(bitsPerSample) &&
                          cursor.ReadU16LE(extraSize);
    if (complete) {
        format.wFormatTag = formatTag;
        format.nChannels = channels;
        format.nSamplesPerSec = samplesPerSecond;
        format.nAvgBytesPerSec = averageBytesPerSecond;
        format.nBlockAlign = blockAlign;
        format.wBitsPerSample = bitsPerSample;
        format.cbSize = extraSize;
    }
    return format;
}

// Plain PCM, mono or stereo, 8 or 16 bits, with consistent derived fields.
bool checkWaveFormat(const WAVEFORMATEX& format) {
    if (format.wFormatTag != 1) {
        return false;
    }
    if (format.nChannels != 1 && format.nChannels != 2) {
        return false;
    }
    if (format.wBitsPerSample != 8 && format.wBitsPerSample != 16) {
        return false;
    }
    if (format.nBlockAlign != format.nChannels * format.wBitsPerSample / 8) {
        return false;
    }
    // Compared in 64 bits: a product that wraps must not pass for a match.
    return std::uint64_t(format.nAvgBytesPerSec) ==
           std::uint64_t(format.nSamplesPerSec) * format.nBlockAlign;
}

}

CWaveFileInfo::CWaveFileInfo(const FileLocator& locator)
    : valid(false), sampleCount(0), firstDataFileOffset(0) {
    valid = parseWaveFile(locator);
    if (!valid) {
        format.clear();
        sampleCount = 0;
        firstDataFileOffset = 0;
    }
}

CWaveFileInfo::~CWaveFileInfo() = default;

bool CWaveFileInfo::parseWaveFile(const FileLocator& locator) {
    format.clear();
    clipreel::FileReader reader(locator);
    if (!reader.Open()) {
        return false;
    }
    const std::uint64_t fileSize = reader.GetFileSize();
    if (fileSize == clipreel::InvalidFileSize || fileSize < MinimumWaveFileSize) {
        return false;
    }

    std::uint8_t riffHeader[12];
    if (!ReadExactly(reader, riffHeader, sizeof(riffHeader))) {
        return false;
    }
    ByteReader riff(riffHeader, sizeof(riffHeader));
    std::uint32_t riffId = 0;
    std::uint32_t riffSize = 0;
    std::uint32_t waveId = 0;
    if (!riff.ReadFourCC(riffId) || !riff.ReadU32LE(riffSize) || !riff.ReadFourCC(waveId)) {
        return false;
    }
    if (riffId != FourCC("RIFF") || waveId != FourCC("WAVE")) {
        return false;
    }
    if (riffSize > fileSize - 8 || riffSize < 4) {
        return false;
    }
    // Bytes of the RIFF payload after "WAVE" not yet accounted for.
    std::uint32_t remaining = riffSize - 4;
    std::uint64_t position = sizeof(riffHeader);
    bool haveFormat = false;
    WAVEFORMATEX wave{};

    ChunkHeader chunk;
    if (!ReadChunkHeader(reader, chunk)) {
        return false;
    }
    for (;;) {
        position += 8;
        // A chunk header that does not fit in the RIFF payload is refused
        // rather than allowed to wrap the count of bytes left.
        if (remaining < 8) {
            return false;
        }
        remaining -= 8;
        if (chunk.size > remaining) {
            return false;
        }
        if (chunk.id == FourCC("fmt ")) {
            if (haveFormat || chunk.size < MinimumFormatChunkSize) {
                return false;
            }
            // Only the wave format's own 18 bytes are kept; the rest of a
            // longer chunk is skipped rather than read into memory.
            std::vector<std::uint8_t> bytes(WaveFormatExSize, 0);
            const std::uint32_t kept = std::min(WaveFormatExSize, chunk.size);
            if (!ReadExactly(reader, bytes.data(), kept)) {
                return false;
            }
            if (chunk.size > kept && !reader.Seek(clipreel::SeekCurrent, chunk.size - kept)) {
                return false;
            }
            remaining -= chunk.size;
            position += chunk.size;
            wave = DecodeWaveFormat(bytes);
            if (chunk.size < 16) {
                // No bits-per-sample field: derive it from the block size.
                if (wave.nChannels == 0) {
                    return false;
                }
                wave.wBitsPerSample = static_cast<std::uint16_t>(wave.nBlockAlign * 8u / wave.nChannels);
            }
            if (!checkWaveFormat(wave)) {
                return false;
            }
            std::memcpy(bytes.data(), &wave, sizeof(wave));
            format.swap(bytes);
            haveFormat = true;
        } else if (chunk.id == FourCC("data")) {
            if (!haveFormat || position > 0xFFFFFFFFu) {
                return false;
            }
            const std::uint32_t bytesPerFrame = wave.nChannels * wave.wBitsPerSample / 8u;
            firstDataFileOffset = static_cast<std::uint32_t>(position);
            sampleCount = chunk.size / bytesPerFrame;
            return true;
        } else {
            // Skipped by its stated size exactly (an odd size has no pad byte here).
            if (!reader.Seek(clipreel::SeekCurrent, chunk.size)) {
                return false;
            }
            remaining -= chunk.size;
            position += chunk.size;
        }
        if (!ReadChunkHeader(reader, chunk)) {
            return false;
        }
    }
}

bool CWaveFileInfo::IsValid() const {
    return valid;
}

unsigned CWaveFileInfo::GetSampleCount() const {
    return sampleCount;
}

unsigned CWaveFileInfo::GetFirstDataFileOffset() const {
    return firstDataFileOffset;
}

unsigned CWaveFileInfo::GetDataSize() const {
    if (!valid) {
        return 0;
    }
    WAVEFORMATEX wave;
    std::memcpy(&wave, format.data(), sizeof(wave));
    return wave.nChannels * (wave.wBitsPerSample / 8u) * sampleCount;
}

bool CWaveFileInfo::GetFormatInfo(pcmwaveformat_tag* target) const {
    if (!valid || target == nullptr) {
        return false;
    }
    WAVEFORMATEX wave;
    std::memcpy(&wave, format.data(), sizeof(wave));
    target->wf.wFormatTag = wave.wFormatTag;
    target->wf.nChannels = wave.nChannels;
    target->wf.nSamplesPerSec = wave.nSamplesPerSec;
    target->wf.nAvgBytesPerSec = wave.nAvgBytesPerSec;
    target->wf.nBlockAlign = wave.nBlockAlign;
    target->wBitsPerSample = wave.wBitsPerSample;
    return true;
}

CSoundFormatInfo* CWaveFileInfo::CopyFormatInfo() const {
    if (!valid) {
        return nullptr;
    }
    WAVEFORMATEX wave;
    std::memcpy(&wave, format.data(), sizeof(wave));
    if (wave.wBitsPerSample != 8 && wave.wBitsPerSample != 16) {
        return nullptr;
    }
    // A version-1 description holds the rate as 16.16 fixed point; a rate
    // it cannot hold is not described at all rather than described wrongly.
    if (wave.nSamplesPerSec > 0xFFFFu) {
        return nullptr;
    }
    const std::uint32_t bytesPerSample = wave.wBitsPerSample / 8u;
    clipreel::ByteBuffer bytes;
    bytes.AppendU32BE(sizeof(SoundDescriptionV1));
    bytes.AppendFourCC(wave.wBitsPerSample == 8 ? FourCC("raw ") : FourCC("sowt"));
    bytes.AppendZeros(6);
    bytes.AppendU16BE(1);  // data reference index
    bytes.AppendU16BE(1);  // version
    bytes.AppendU16BE(0);  // revision level
    bytes.AppendU32BE(0);  // vendor
    bytes.AppendU16BE(wave.nChannels);
    bytes.AppendU16BE(wave.wBitsPerSample);
    bytes.AppendU16BE(0);  // compression ID
    bytes.AppendU16BE(0);  // packet size
    bytes.AppendU32BE(wave.nSamplesPerSec << 16);
    bytes.AppendU32BE(1);  // samples per packet
    bytes.AppendU32BE(bytesPerSample);
    bytes.AppendU32BE(bytesPerSample * wave.nChannels);
    bytes.AppendU32BE(bytesPerSample);

    SoundDescriptionV1 description;
    std::memcpy(&description, bytes.data(), sizeof(description));
    try {
        auto info = std::make_unique<CSoundFormatInfo>(&description);
        if (!info->IsValid()) {
            return nullptr;
        }
        return info.release();
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
