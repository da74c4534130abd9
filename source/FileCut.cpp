#include "source/FileCut.h"

#include "ZentiMovFile.h"
#include "ZentiMovie.h"
#include "bytes/ByteReader.h"
#include "bytes/FourCC.h"
#include "file/FileReader.h"
#include "source/AtomHeader.h"
#include "source/MovieChecks.h"
#include "source/MoviePrivateAccess.h"

namespace clipreel {

namespace {

// Only the atom headers are read.
bool EndsInsideAnAtom(FileReader& reader, std::uint64_t fileSize) {
    std::uint64_t position = 0;
    while (position < fileSize) {
        if (fileSize - position < AtomHeaderSize) return true;
        std::uint8_t header[AtomHeaderSize];
        bool shortRead = false;
        if (!reader.Seek(SeekBegin, static_cast<std::int64_t>(position)) ||
            !reader.Read(header, sizeof header, shortRead) || shortRead)
            return false;
        std::uint32_t size = 0;
        ByteReader(header, sizeof header).PeekU32BE(0, size);
        if (size < AtomHeaderSize) return false;
        if (size > fileSize - position) return true;
        position += size;
    }
    return false;
}

// Every track's media lie in the file itself.
bool MediaInThisFile(const CZentiMovie& movie) {
    const MyMovieDirectory& directory = MoviePrivateAccess::GetDirectory(movie);
    if (directory.tracks.empty()) return false;
    for (const MyTrackMediaDirectory& track : directory.tracks)
        if (!MediaInOwnFile(directory, track)) return false;
    return true;
}

// The file is tiled by whole atoms (the scan went through to its end), yet
// stops short of what its movie describes.
bool EndsAtAnAtomEndTooEarly(const CZentiMovFile& file, std::uint64_t fileSize) {
    const CZentiMovie* movie = file.GetZentiMovie();
    const CTopLevelAtoms* atoms = MoviePrivateAccess::GetTopLevelAtoms(file);
    if (!MoviePrivateAccess::ScanSucceeded(file) || movie == nullptr || !movie->IsValid() || atoms == nullptr ||
        !MediaInThisFile(*movie))
        return false;
    if (!atoms->Contains(FourCC("mdat"))) return true;
    return fileSize < MoviePrivateAccess::GetMovieDescMovFileSize(*movie);
}

}

bool IsCutShort(const CZentiMovFile& file) {
    FileReader reader(file.GetFileLocator());
    if (!reader.Open()) return false;
    const std::uint64_t fileSize = reader.GetFileSize();
    if (fileSize == InvalidFileSize || fileSize == 0) return false;
    return EndsInsideAnAtom(reader, fileSize) || EndsAtAnAtomEndTooEarly(file, fileSize);
}

}
