#include "SoundFormat.h"

#include "bytes/ByteReader.h"
#include "bytes/FourCC.h"

#include <cstring>
#include <new>

namespace {

constexpr std::uint32_t DescriptionV1Size = sizeof(SoundDescriptionV1);

// The description's fixed fields, read through a cursor so that the bytes
// may sit at any address and in either order.
bool DecodeDescription(const std::uint8_t* bytes, std::size_t count, clipreel::ByteOrder order,
                       SoundDescriptionV1& out) {
    clipreel::ByteReader reader(bytes, count);
    return reader.ReadU32(out.descriptionSize, order) && reader.ReadU32(out.dataFormat, order) &&
           reader.ReadBytes(out.reserved, sizeof(out.reserved)) &&
           reader.ReadU16(out.dataRefIndex, order) && reader.ReadU16(out.version, order) &&
           reader.ReadU16(out.revisionLevel, order) && reader.ReadU32(out.vendor, order) &&
           reader.ReadU16(out.numberOfChannels, order) && reader.ReadU16(out.sampleSize, order) &&
           reader.ReadU16(out.compressionID, order) && reader.ReadU16(out.packetSize, order) &&
           reader.ReadU32(out.sampleRate, order) && reader.ReadU32(out.samplesPerPacket, order) &&
           reader.ReadU32(out.bytesPerPacket, order) && reader.ReadU32(out.bytesPerFrame, order) &&
           reader.ReadU32(out.bytesPerSample, order);
}

}

CSoundFormatInfo::CSoundFormatInfo(const SoundDescriptionV1* source) : valid(false) {
    valid = copySoundDescriptionV1(source);
    if (valid) {
        makeNativeEndianSoundDescriptionV1();
    }
}

CSoundFormatInfo::~CSoundFormatInfo() = default;

CSoundFormatInfo::CSoundFormatInfo(const CSoundFormatInfo& other) = default;

CSoundFormatInfo& CSoundFormatInfo::operator=(const CSoundFormatInfo& other) = default;

// The source is a big-endian description whose own size field says how many
// bytes it has; it may sit at any address, so it is only ever copied bytewise.
bool CSoundFormatInfo::copySoundDescriptionV1(const SoundDescriptionV1* source) {
    description.clear();
    if (source == nullptr) {
        return false;
    }
    std::uint8_t sizeBytes[4];
    std::memcpy(sizeBytes, source, sizeof(sizeBytes));
    const std::uint32_t size = clipreel::ByteReader::Decode<std::uint32_t>(sizeBytes, clipreel::ByteOrder::Big);
    if (size < DescriptionV1Size) {
        return false;
    }
    try {
        description.resize(size);
    } catch (const std::bad_alloc&) {
        description.clear();
        return false;
    }
    std::memcpy(description.data(), source, size);
    return true;
}

// Converts the fixed fields to native order in place; the bytes after them
// (extensions of a longer description) stay as stored.
void CSoundFormatInfo::makeNativeEndianSoundDescriptionV1() {
    SoundDescriptionV1 native{};
    if (DecodeDescription(description.data(), description.size(), clipreel::ByteOrder::Big, native)) {
        std::memcpy(description.data(), &native, sizeof(native));
    }
}

bool CSoundFormatInfo::IsValid() const {
    return valid;
}

const SoundDescriptionV1* CSoundFormatInfo::GetFormatInfo() const {
    if (!valid) {
        return nullptr;
    }
    return reinterpret_cast<const SoundDescriptionV1*>(description.data());
}

bool CSoundFormatInfo::GetFormatInfo(SoundDescriptionV1* target) const {
    if (target == nullptr) {
        return false;
    }
    std::memset(target, 0, sizeof(*target));
    if (!valid) {
        return false;
    }
    std::memcpy(target, description.data(), sizeof(*target));
    target->descriptionSize = DescriptionV1Size;
    return true;
}

bool CSoundFormatInfo::GetFormatInfo(pcmwaveformat_tag* target) const {
    if (target == nullptr) {
        return false;
    }
    std::memset(target, 0, sizeof(*target));
    if (!valid) {
        return false;
    }
    SoundDescriptionV1 native;
    std::memcpy(&native, description.data(), sizeof(native));
    if (native.dataFormat != clipreel::FourCC("raw ") && native.dataFormat != clipreel::FourCC("sowt")) {
        return false;
    }
    const std::uint16_t blockAlign =
        static_cast<std::uint16_t>(native.numberOfChannels * native.sampleSize / 8u);
    const std::uint32_t samplesPerSecond = native.sampleRate >> 16;
    target->wf.wFormatTag = 1;
    target->wf.nChannels = native.numberOfChannels;
    target->wf.nSamplesPerSec = samplesPerSecond;
    target->wf.nAvgBytesPerSec = samplesPerSecond * blockAlign;
    target->wf.nBlockAlign = blockAlign;
    target->wBitsPerSample = native.sampleSize;
    return true;
}

bool CSoundFormatInfo::operator==(const CSoundFormatInfo& other) const {
    if (!valid || !other.valid) {
        return false;
    }
    SoundDescriptionV1 mine;
    SoundDescriptionV1 theirs;
    std::memcpy(&mine, description.data(), sizeof(mine));
    std::memcpy(&theirs, other.description.data(), sizeof(theirs));
    return mine.dataFormat == theirs.dataFormat && mine.numberOfChannels == theirs.numberOfChannels &&
           mine.sampleSize == theirs.sampleSize && mine.sampleRate == theirs.sampleRate;
}

bool CSoundFormatInfo::operator!=(const CSoundFormatInfo& other) const {
    return !(*this == other);
}
