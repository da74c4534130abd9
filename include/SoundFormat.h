#ifndef CLIPREEL_SOUND_FORMAT_H
#define CLIPREEL_SOUND_FORMAT_H

#include "ClipreelExport.h"
#include "FileLocator.h"

#include <cstdint>
#include <vector>

#if defined(_WIN32)
#  ifndef NOMINMAX
#    define NOMINMAX
#  endif
#  include <windows.h>
#  include <mmreg.h>
#else
// The Windows PCM wave format records, laid out as the Windows headers lay
// them out (packed).
#  pragma pack(push, 1)
typedef struct waveformat_tag {
    std::uint16_t wFormatTag;
    std::uint16_t nChannels;
    std::uint32_t nSamplesPerSec;
    std::uint32_t nAvgBytesPerSec;
    std::uint16_t nBlockAlign;
} WAVEFORMAT;
typedef struct pcmwaveformat_tag {
    WAVEFORMAT wf;
    std::uint16_t wBitsPerSample;
} PCMWAVEFORMAT;
typedef struct tWAVEFORMATEX {
    std::uint16_t wFormatTag;
    std::uint16_t nChannels;
    std::uint32_t nSamplesPerSec;
    std::uint32_t nAvgBytesPerSec;
    std::uint16_t nBlockAlign;
    std::uint16_t wBitsPerSample;
    std::uint16_t cbSize;
} WAVEFORMATEX;
#  pragma pack(pop)
#endif

// The version-1 QuickTime sound sample description (52 bytes). In a movie
// file it is big-endian; CSoundFormatInfo keeps it in native order.
struct SoundDescriptionV1 {
    std::uint32_t descriptionSize;
    std::uint32_t dataFormat;
    std::uint8_t reserved[6];
    std::uint16_t dataRefIndex;
    std::uint16_t version;
    std::uint16_t revisionLevel;
    std::uint32_t vendor;
    std::uint16_t numberOfChannels;
    std::uint16_t sampleSize;
    std::uint16_t compressionID;
    std::uint16_t packetSize;
    std::uint32_t sampleRate;  // unsigned 16.16 fixed point
    std::uint32_t samplesPerPacket;
    std::uint32_t bytesPerPacket;
    std::uint32_t bytesPerFrame;
    std::uint32_t bytesPerSample;
};
static_assert(sizeof(SoundDescriptionV1) == 52, "SoundDescriptionV1 is 52 bytes");

// A native-order copy of a sound sample description.
class CLIPREEL_API CSoundFormatInfo {
public:
    // description: a big-endian description as found in a movie file.
    explicit CSoundFormatInfo(const SoundDescriptionV1* description);
    ~CSoundFormatInfo();
    CSoundFormatInfo(const CSoundFormatInfo& other);
    CSoundFormatInfo& operator=(const CSoundFormatInfo& other);

    bool IsValid() const;
    const SoundDescriptionV1* GetFormatInfo() const;
    bool GetFormatInfo(SoundDescriptionV1* target) const;
    bool GetFormatInfo(pcmwaveformat_tag* target) const;

    bool operator==(const CSoundFormatInfo& other) const;
    bool operator!=(const CSoundFormatInfo& other) const;

private:
    bool copySoundDescriptionV1(const SoundDescriptionV1* description);
    void makeNativeEndianSoundDescriptionV1();

    bool valid;
    std::vector<std::uint8_t> description;
};

// What a WAV file holds: its PCM format, where its samples start and how many
// sample frames there are. No sample data is read.
class CLIPREEL_API CWaveFileInfo {
public:
    explicit CWaveFileInfo(const FileLocator& locator);
    ~CWaveFileInfo();

    bool IsValid() const;
    unsigned GetSampleCount() const;
    unsigned GetFirstDataFileOffset() const;
    unsigned GetDataSize() const;
    bool GetFormatInfo(pcmwaveformat_tag* target) const;
    // A new description of the file's sound as a movie sound track, owned by
    // the caller; null when not valid or not 8 or 16 bits.
    CSoundFormatInfo* CopyFormatInfo() const;

private:
    bool parseWaveFile(const FileLocator& locator);

    bool valid;
    std::vector<std::uint8_t> format;  // the 'fmt ' chunk as a tWAVEFORMATEX, at least 18 bytes
    std::uint32_t sampleCount;
    std::uint32_t firstDataFileOffset;
};

#endif
