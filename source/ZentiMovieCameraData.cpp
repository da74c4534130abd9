// The camera's own records in the movie's user data: the creator version,
// the thumbnail with its movie description, and the movie kinds they make.
#include "ZentiMovie.h"

#include "bytes/FourCC.h"
#include "file/FileReader.h"
#include "source/AtomHeader.h"
#include "source/FrameRateTables.h"
#include "source/MovieDesc.h"
#include "source/MovieDirectory.h"
#include "source/MovieUserData.h"
#include "source/StoredSampleUnit.h"

using clipreel::AtomHeaderSize;
using clipreel::AtomSpan;
using clipreel::MovieDesc;

namespace {

constexpr std::uint16_t ClipreelMovieMode = 11;
constexpr std::uint16_t WholeMovieMontagio = 0xFFFF;

}

clipreel::AtomHeader* CZentiMovie::getUserData(unsigned type) {
    AtomSpan child;
    if (!clipreel::FindUserDataChild(*directory, type, child)) return nullptr;
    return reinterpret_cast<clipreel::AtomHeader*>(directory->Bytes() + child.offset);
}

const clipreel::AtomHeader* CZentiMovie::getUserData(unsigned type) const {
    AtomSpan child;
    if (!clipreel::FindUserDataChild(*directory, type, child)) return nullptr;
    return reinterpret_cast<const clipreel::AtomHeader*>(directory->Bytes() + child.offset);
}

bool CZentiMovie::parseZTCV() {
    const std::uint32_t version = clipreel::ReadCreatorVersion(*directory);
    if (version != 0) creatorVersion = version;
    return creatorVersion != 0;
}

const void* CZentiMovie::GetTHMData(unsigned& size) const {
    size = 0;
    AtomSpan ztda;
    if (!clipreel::FindThumbnailAtom(*directory, ztda)) return nullptr;
    size = static_cast<unsigned>(ztda.size - AtomHeaderSize);
    return directory->Bytes() + ztda.offset + AtomHeaderSize;
}

void* CZentiMovie::GetTHMData(unsigned& size) {
    size = 0;
    AtomSpan ztda;
    if (!clipreel::FindThumbnailAtom(*directory, ztda)) return nullptr;
    size = static_cast<unsigned>(ztda.size - AtomHeaderSize);
    return directory->Bytes() + ztda.offset + AtomHeaderSize;
}

bool CZentiMovie::UpdateZTDAAtomSize(unsigned value) {
    AtomSpan ztda;
    if (!clipreel::FindThumbnailAtom(*directory, ztda)) return false;
    return directory->Write(ztda).PokeU32BE(0, value);
}

unsigned short CZentiMovie::GetMovieDescMovieMode() const {
    unsigned size = 0;
    const void* thumbnail = GetTHMData(size);
    const MovieDesc desc(size, thumbnail);
    return desc.valid ? desc.movieMode : 0;
}

std::uint64_t CZentiMovie::GetMovieDescMovFileSize() const {
    unsigned size = 0;
    const void* thumbnail = GetTHMData(size);
    const MovieDesc desc(size, thumbnail);
    return desc.valid ? desc.movFileSize : 0;
}

unsigned short CZentiMovie::GetMovieDescFramePerUnit() const {
    unsigned size = 0;
    const void* thumbnail = GetTHMData(size);
    const MovieDesc desc(size, thumbnail);
    return desc.valid ? desc.framePerUnit : 0;
}

unsigned short CZentiMovie::GetMovieDescMontagioTime() const {
    unsigned size = 0;
    const void* thumbnail = GetTHMData(size);
    const MovieDesc desc(size, thumbnail);
    return desc.valid ? desc.montagioTime : 0;
}

namespace {

// The size the camera recorded must still be the file's size: a file that
// was changed afterwards is no longer what its description says.
bool RecordedSizeMatches(const FileLocator* locator, std::uint64_t recorded) {
    if (locator == nullptr) return true;
    clipreel::FileReader reader(*locator);
    return reader.GetFileSize() == recorded;
}

}

bool CZentiMovie::IsClipreelMovie(ClipreelMovieInfo* info) const {
    if (info != nullptr) *info = ClipreelMovieInfo{0, 0, 0};
    if (!isClipreelMovieAsParsed(nullptr)) return false;
    if (!RecordedSizeMatches(fileLocator.get(), GetMovieDescMovFileSize())) return false;
    return isClipreelMovieAsParsed(info);
}

bool CZentiMovie::isClipreelMovieAsParsed(ClipreelMovieInfo* info) const {
    if (info != nullptr) *info = ClipreelMovieInfo{0, 0, 0};
    if (!IsValid() || creatorVersion < 6) return false;
    if (GetMovieDescMovieMode() != ClipreelMovieMode) return false;
    const unsigned framesPerUnit = storedSampleUnit->framesPerUnit;
    const unsigned frames = GetVideoFrameCount();
    if (frames % framesPerUnit != 0) return false;
    if (info != nullptr) *info = ClipreelMovieInfo{1, 1, frames / framesPerUnit};
    return true;
}

bool CZentiMovie::IsMontagioMovie(MontagioMovieInfo* info) const {
    if (info != nullptr) *info = MontagioMovieInfo{0, false, 0, 0};
    if (!IsValid() || creatorVersion != 6) return false;
    const std::uint16_t clipTime = GetMovieDescMontagioTime();
    unsigned multiplier = 0;
    switch (clipTime) {
        case 2: multiplier = 2; break;
        case 4: multiplier = 4; break;
        case 8: multiplier = 8; break;
        case WholeMovieMontagio: multiplier = 1; break;
        default: return false;
    }
    if (!RecordedSizeMatches(fileLocator.get(), GetMovieDescMovFileSize())) return false;
    const unsigned framesPerUnit = storedSampleUnit->framesPerUnit;
    const unsigned frames = GetVideoFrameCount();
    if (clipTime == WholeMovieMontagio) {
        if (frames % framesPerUnit != 0) return false;
        if (info != nullptr) *info = MontagioMovieInfo{clipTime, true, frames / framesPerUnit, 1};
        return true;
    }
    const unsigned framesPerSecond =
        clipreel::MontagioFramesPerSecondForRate(storedSampleUnit->videoFormat.frameRate);
    const unsigned unitsPerSecond = framesPerSecond % framesPerUnit == 0 ? framesPerSecond / framesPerUnit : 0;
    if (unitsPerSecond == 0) return false;
    const unsigned framesPerClip = unitsPerSecond * framesPerUnit * multiplier;
    if (frames % framesPerClip != 0) return false;
    if (info != nullptr) {
        *info = MontagioMovieInfo{clipTime, false, unitsPerSecond * multiplier, frames / framesPerClip};
    }
    return true;
}
