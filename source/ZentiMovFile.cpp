#include "ZentiMovFile.h"

#include "bytes/ByteReader.h"
#include "bytes/FourCC.h"
#include "file/FileReader.h"
#include "source/AtomHeader.h"
#include "source/MoviePrivateAccess.h"
#include "source/TopLevelAtoms.h"

#include <algorithm>
#include <new>
#include <vector>

using clipreel::AtomHeaderSize;
using clipreel::FourCC;

CZentiMovFile::CZentiMovFile(const FileLocator& locator)
    : fileLocator(locator), scanOk(false), topLevelAtoms(std::make_unique<clipreel::CTopLevelAtoms>()) {
    scanOk = populateTopLevelAtoms(false);
}

CZentiMovFile::~CZentiMovFile() = default;

bool CZentiMovFile::IsValid() const {
    return scanOk && topLevelAtoms->Contains(FourCC("moov")) && zentiMovie != nullptr && zentiMovie->IsValid() &&
           topLevelAtoms->Contains(FourCC("mdat"));
}

unsigned CZentiMovFile::GetCreatorVersion() const { return zentiMovie ? zentiMovie->GetCreatorVersion() : 0; }

const FileLocator& CZentiMovFile::GetFileLocator() const { return fileLocator; }

const CZentiMovie* CZentiMovFile::GetZentiMovie() const { return zentiMovie.get(); }

const clipreel::CTopLevelAtoms* CZentiMovFile::GetTopLevelAtoms() const { return topLevelAtoms.get(); }

// The file must be tiled exactly by atoms with 32-bit sizes: each header is
// read, the movie atom is read whole and parsed, everything else is passed
// over with one relative seek.
bool CZentiMovFile::populateTopLevelAtoms(bool acceptCutMediaData) {
    clipreel::FileReader reader(fileLocator);
    if (!reader.Open()) return false;
    const std::uint64_t fileSize = reader.GetFileSize();
    if (static_cast<std::int64_t>(fileSize) <= 0) return false;

    // A file cut short after its media data ends inside an atom that follows
    // them (or its header); what that atom held is incomplete and is left
    // out, while the movie and its media are all there.
    auto cutAfterMediaData = [&]() { return acceptCutMediaData && topLevelAtoms->Contains(FourCC("mdat")); };
    for (;;) {
        const std::uint64_t position = reader.GetPosition();
        if (static_cast<std::int64_t>(position) < 0) return false;
        if (fileSize - position < AtomHeaderSize && cutAfterMediaData()) return true;
        std::uint8_t header[AtomHeaderSize];
        bool shortRead = false;
        if (!reader.Read(header, AtomHeaderSize, shortRead) || shortRead) return false;
        const clipreel::ByteReader fields(header, sizeof header);
        std::uint32_t size = 0;
        std::uint32_t type = 0;
        fields.PeekU32BE(0, size);
        fields.PeekU32BE(4, type);
        if (size == 0) return false;
        if (position + size > fileSize) {
            if (type != FourCC("moov") && size >= AtomHeaderSize && cutAfterMediaData()) return true;
            if (!acceptCutMediaData || type != FourCC("mdat") || size < AtomHeaderSize) return false;
            topLevelAtoms->Append(clipreel::TopLevelAtomInfo{type, fileSize - position, position});
            return true;
        }
        topLevelAtoms->Append(clipreel::TopLevelAtomInfo{type, size, position});
        // A size below the header (1 announces a 64-bit size) is not understood.
        if (size < AtomHeaderSize) return false;

        if (type == FourCC("moov")) {
            std::vector<std::uint8_t> atom;
            try {
                atom.resize(size);
            } catch (const std::bad_alloc&) {
                return false;
            }
            std::copy(header, header + AtomHeaderSize, atom.begin());
            if (size > AtomHeaderSize) {
                if (!reader.Read(atom.data() + AtomHeaderSize, size - AtomHeaderSize, shortRead) || shortRead) {
                    return false;
                }
            }
            // The camera recorded the size of the whole file, which a cut file
            // can never match: its movie is read without the file to check.
            std::unique_ptr<CZentiMovie> movie = clipreel::MoviePrivateAccess::NewMovie(
                reinterpret_cast<const clipreel::AtomHeader*>(atom.data()), acceptCutMediaData ? nullptr : &fileLocator);
            const bool acceptable = movie->isValidStructure() && movie->GetCreatorVersion() != 0 &&
                                    movie->GetStoredSampleUnit() != nullptr && movie->isValidMedia();
            if (!acceptable || zentiMovie != nullptr) return false;
            zentiMovie = std::move(movie);
            if (position + size == fileSize) return true;
        } else {
            const std::uint64_t end = position + size;
            if (end == fileSize) return true;
            if (end > fileSize) return false;
            if (!reader.Seek(clipreel::SeekCurrent, static_cast<std::int64_t>(size - AtomHeaderSize))) return false;
        }
    }
}
