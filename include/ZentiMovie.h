#ifndef CLIPREEL_ZENTI_MOVIE_H
#define CLIPREEL_ZENTI_MOVIE_H

#include "ClipreelExport.h"
#include "FileLocator.h"
#include "FrameRateInfo.h"
#include "SoundFormat.h"

#include <cstdint>
#include <memory>

namespace clipreel {
struct AtomHeader;
class MyMovieDirectory;
class CStoredSampleUnit2;
struct MoviePrivateAccess;
}

// The parsed movie atom of a camera movie: a private copy of the atom's
// bytes, exactly as stored, and a directory of the atoms the queries read.
// Queries on the video track and the stored sample unit are meaningful on a
// valid movie only; on any other movie they answer 0.
class CLIPREEL_API CZentiMovie {
public:
    struct ClipreelMovieInfo {
        std::uint16_t kind;
        std::uint32_t storedUnitsPerShootingUnit;
        std::uint32_t shootingUnitCount;
    };
    struct MontagioMovieInfo {
        std::uint16_t montagioTime;
        bool wholeMovie;
        std::uint32_t unitsPerClip;
        std::uint32_t clipCount;
    };

    virtual ~CZentiMovie();
    CZentiMovie(const CZentiMovie&) = delete;
    CZentiMovie& operator=(const CZentiMovie&) = delete;

    bool IsValid() const;
    unsigned GetCreatorVersion() const;
    unsigned GetTrackMediaCount() const;
    const CFrameRateInfo2& GetFrameRateInfo() const;

    std::int32_t GetVideoMediaTimeScale() const;
    std::int32_t GetVideoMediaDuration() const;
    std::int32_t GetVideoFrameDuration() const;
    unsigned GetVideoFrameCount() const;
    std::uint64_t GetVideoFrameFileOffset(unsigned i) const;
    unsigned GetVideoFrameDataSize(unsigned i) const;

    bool HasSound() const;
    unsigned GetSoundSampleCount() const;
    unsigned GetSoundChunkCount() const;
    unsigned GetSoundSamplesPerChunk(bool last) const;
    unsigned GetSoundChunkSize(bool last) const;
    std::uint64_t GetSoundChunkFileOffset(unsigned i) const;
    // A new copy of the movie's sound format, owned by the caller; null
    // without sound.
    CSoundFormatInfo* CopySoundFormatInfo() const;

    bool IsClipreelMovie(ClipreelMovieInfo* info) const;
    bool IsMontagioMovie(MontagioMovieInfo* info) const;

private:
    friend class CZentiMovFile;
    friend class CClipreelMovie;
    friend class CClipreelMovFileEditor;
    friend struct clipreel::MoviePrivateAccess;

    // Copies moov->size bytes from moov; the caller guarantees they exist.
    CZentiMovie(const clipreel::AtomHeader* moov, const FileLocator* locator);
    // Over a directory already made of the atom's bytes.
    CZentiMovie(std::unique_ptr<clipreel::MyMovieDirectory> directory, const FileLocator* locator);

    bool isValidStructure() const;
    bool isValidMedia() const;
    const clipreel::AtomHeader* GetAtomHeader() const;
    unsigned GetAtomSize() const;
    const clipreel::CStoredSampleUnit2* GetStoredSampleUnit() const;
    const SoundDescriptionV1* getSoundDescriptionInMoovAtom() const;

    void UpdateSampleChunkOffset(unsigned delta);
    void UpdateMovieResourceModificationTime();

    clipreel::AtomHeader* getUserData(unsigned type);
    const clipreel::AtomHeader* getUserData(unsigned type) const;
    bool parseZTCV();
    const void* GetTHMData(unsigned& size) const;
    void* GetTHMData(unsigned& size);
    bool UpdateZTDAAtomSize(unsigned value);
    unsigned short GetMovieDescMovieMode() const;
    std::uint64_t GetMovieDescMovFileSize() const;
    unsigned short GetMovieDescFramePerUnit() const;
    unsigned short GetMovieDescMontagioTime() const;

    clipreel::CStoredSampleUnit2* createStoredSampleUnit() const;
    bool isClipreelMovieAsParsed(ClipreelMovieInfo* info) const;

    std::unique_ptr<clipreel::MyMovieDirectory> directory;
    std::uint32_t creatorVersion;
    std::unique_ptr<clipreel::CStoredSampleUnit2> storedSampleUnit;
    std::unique_ptr<FileLocator> fileLocator;
};

#endif
