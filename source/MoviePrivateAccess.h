#ifndef CLIPREEL_SOURCE_MOVIE_PRIVATE_ACCESS_H
#define CLIPREEL_SOURCE_MOVIE_PRIVATE_ACCESS_H

#include "ZentiMovFile.h"
#include "ZentiMovie.h"
#include "source/AtomHeader.h"
#include "source/MovieDirectory.h"
#include "source/StoredSampleUnit.h"
#include "source/TopLevelAtoms.h"

#include <memory>

namespace clipreel {

// The library's own way to the private operations of the source classes:
// the copiers, the writer, the reference movie and the tests use it. It adds
// nothing; each function forwards to the operation of the same name.
struct MoviePrivateAccess {
    // A new movie over a copy of the atom at moov (moov->size bytes must exist).
    static std::unique_ptr<CZentiMovie> NewMovie(const AtomHeader* moov, const FileLocator* locator) {
        return std::unique_ptr<CZentiMovie>(new CZentiMovie(moov, locator));
    }
    static const CTopLevelAtoms* GetTopLevelAtoms(const CZentiMovFile& file) { return file.GetTopLevelAtoms(); }
    // Whether the file's top-level scan succeeded (a file without a movie
    // can scan well and still not be valid).
    static bool ScanSucceeded(const CZentiMovFile& file) { return file.scanOk; }
    // Scans the file again, taking a media data atom that the end of the
    // file cuts short as ending there, and leaving out an atom after the
    // media data that it cuts short; the file's validity then follows.
    static void RescanAcceptingCutMediaData(CZentiMovFile& file) {
        file.topLevelAtoms = std::make_unique<CTopLevelAtoms>();
        file.zentiMovie.reset();
        file.scanOk = file.populateTopLevelAtoms(true);
    }

    static bool IsValidStructure(const CZentiMovie& movie) { return movie.isValidStructure(); }
    static bool IsValidMedia(const CZentiMovie& movie) { return movie.isValidMedia(); }
    static const AtomHeader* GetAtomHeader(const CZentiMovie& movie) { return movie.GetAtomHeader(); }
    static unsigned GetAtomSize(const CZentiMovie& movie) { return movie.GetAtomSize(); }
    static const CStoredSampleUnit2* GetStoredSampleUnit(const CZentiMovie& movie) { return movie.GetStoredSampleUnit(); }
    static const SoundDescriptionV1* GetSoundDescription(const CZentiMovie& movie) { return movie.getSoundDescriptionInMoovAtom(); }
    static void UpdateSampleChunkOffset(CZentiMovie& movie, unsigned delta) { movie.UpdateSampleChunkOffset(delta); }
    static void UpdateMovieResourceModificationTime(CZentiMovie& movie) { movie.UpdateMovieResourceModificationTime(); }
    static const AtomHeader* GetUserData(const CZentiMovie& movie, unsigned type) { return movie.getUserData(type); }
    static const void* GetTHMData(const CZentiMovie& movie, unsigned& size) { return movie.GetTHMData(size); }
    static void* GetTHMData(CZentiMovie& movie, unsigned& size) { return movie.GetTHMData(size); }
    static bool UpdateZTDAAtomSize(CZentiMovie& movie, unsigned value) { return movie.UpdateZTDAAtomSize(value); }
    static unsigned short GetMovieDescMovieMode(const CZentiMovie& movie) { return movie.GetMovieDescMovieMode(); }
    static std::uint64_t GetMovieDescMovFileSize(const CZentiMovie& movie) { return movie.GetMovieDescMovFileSize(); }
    // The tables as parsed, for code that walks a whole table once.
    static const MyMovieDirectory& GetDirectory(const CZentiMovie& movie) { return *movie.directory; }
    // The Clipreel check on the parsed movie alone, without comparing the
    // recorded file size with the file as it is on disk now.
    static bool IsClipreelMovieAsParsed(const CZentiMovie& movie, CZentiMovie::ClipreelMovieInfo* info) {
        return movie.isClipreelMovieAsParsed(info);
    }
    static unsigned short GetMovieDescFramePerUnit(const CZentiMovie& movie) { return movie.GetMovieDescFramePerUnit(); }
    static unsigned short GetMovieDescMontagioTime(const CZentiMovie& movie) { return movie.GetMovieDescMontagioTime(); }
};

}

#endif
