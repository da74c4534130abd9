#include "source/MovieDirectory.h"

#include "bytes/FourCC.h"
#include "source/AtomFields.h"
#include "source/AtomHeader.h"

#include <new>
#include <utility>

namespace clipreel {
namespace {

struct ChildAtom {
    std::uint32_t type;
    AtomSpan span;
};

// Walks the children that start at `first` (relative to the copy) and end
// at the parent's end, calling visit(child) for each. A child that runs past
// its parent, or whose size field is below the header size (it could never
// advance the walk), ends the walk; so do trailing bytes too few for a header.
template <typename Visit>
void WalkChildren(const ByteReader& movie, std::size_t first, std::size_t parentEnd, Visit visit) {
    std::size_t position = first;
    while (position < parentEnd && parentEnd - position >= AtomHeaderSize) {
        std::uint32_t size = 0;
        std::uint32_t type = 0;
        if (!movie.PeekU32BE(position, size) || !movie.PeekU32BE(position + 4, type)) return;
        if (size < AtomHeaderSize || size > parentEnd - position) return;
        visit(ChildAtom{type, AtomSpan{position, size}});
        position += size;
    }
}

}

MyMovieDirectory::MyMovieDirectory(const AtomHeader* moov) {
    if (moov == nullptr) return;
    const std::uint32_t size = ByteReader::Decode<std::uint32_t>(moov->size, ByteOrder::Big);
    if (size < AtomHeaderSize) return;
    try {
        const auto* first = reinterpret_cast<const std::uint8_t*>(moov);
        movieAtom.assign(first, first + size);
    } catch (const std::bad_alloc&) {
        movieAtom.clear();
        return;
    }
    walkMovie();
}

MyMovieDirectory::MyMovieDirectory(std::vector<std::uint8_t>&& atom) {
    std::uint32_t size = 0;
    if (!ByteReader(atom.data(), atom.size()).PeekU32BE(0, size) || size < AtomHeaderSize || size != atom.size()) {
        return;
    }
    movieAtom = std::move(atom);
    walkMovie();
}

ByteReader MyMovieDirectory::Read(const AtomSpan& atom) const {
    ByteReader whole(movieAtom.data(), movieAtom.size());
    ByteReader window;
    if (!atom.Found() || !whole.Sub(atom.offset, atom.size, window)) return ByteReader();
    return window;
}

ByteWriter MyMovieDirectory::Write(const AtomSpan& atom) {
    if (!atom.Found() || atom.offset > movieAtom.size() || atom.size > movieAtom.size() - atom.offset) {
        return ByteWriter();
    }
    return ByteWriter(movieAtom.data() + atom.offset, atom.size);
}

std::uint32_t MyMovieDirectory::U32(const AtomSpan& atom, std::size_t offset) const {
    std::uint32_t value = 0;
    return Read(atom).PeekU32BE(offset, value) ? value : 0;
}

std::uint16_t MyMovieDirectory::U16(const AtomSpan& atom, std::size_t offset) const {
    std::uint16_t value = 0;
    return Read(atom).PeekU16BE(offset, value) ? value : 0;
}

const MyTrackMediaDirectory* MyMovieDirectory::FindTrack(std::uint32_t subtype) const {
    for (const MyTrackMediaDirectory& track : tracks) {
        std::uint32_t handlerSubtype = 0;
        if (Read(track.mediaHandler).PeekU32BE(atom_fields::HandlerSubtype, handlerSubtype) && handlerSubtype == subtype) return &track;
    }
    return nullptr;
}

void MyMovieDirectory::walkMovie() {
    const ByteReader movie(movieAtom.data(), movieAtom.size());
    WalkChildren(movie, AtomHeaderSize, movieAtom.size(), [&](const ChildAtom& child) {
        if (child.type == FourCC("mvhd")) {
            movieHeader = child.span;
        } else if (child.type == FourCC("udta")) {
            userData = child.span;
        } else if (child.type == FourCC("trak")) {
            MyTrackMediaDirectory track;
            walkTrack(child.span, track);
            tracks.push_back(track);
        }
    });
}

void MyMovieDirectory::walkTrack(const AtomSpan& trak, MyTrackMediaDirectory& track) {
    const ByteReader movie(movieAtom.data(), movieAtom.size());
    WalkChildren(movie, trak.offset + AtomHeaderSize, trak.offset + trak.size, [&](const ChildAtom& child) {
        if (child.type == FourCC("tkhd")) {
            track.trackHeader = child.span;
        } else if (child.type == FourCC("mdia")) {
            walkMedia(child.span, track);
        }
    });
}

void MyMovieDirectory::walkMedia(const AtomSpan& mdia, MyTrackMediaDirectory& track) {
    const ByteReader movie(movieAtom.data(), movieAtom.size());
    WalkChildren(movie, mdia.offset + AtomHeaderSize, mdia.offset + mdia.size, [&](const ChildAtom& child) {
        if (child.type == FourCC("mdhd")) {
            track.mediaHeader = child.span;
        } else if (child.type == FourCC("hdlr")) {
            track.mediaHandler = child.span;
        } else if (child.type == FourCC("minf")) {
            track.mediaInformation = child.span;
            walkMediaInformation(child.span, track);
        }
    });
}

void MyMovieDirectory::walkMediaInformation(const AtomSpan& minf, MyTrackMediaDirectory& track) {
    const ByteReader movie(movieAtom.data(), movieAtom.size());
    // The media information header and the data handler ('vmhd', 'smhd',
    // 'gmhd', 'hdlr') are passed over like any other child.
    WalkChildren(movie, minf.offset + AtomHeaderSize, minf.offset + minf.size, [&](const ChildAtom& child) {
        if (child.type == FourCC("dinf")) {
            walkDataInformation(child.span, track);
        } else if (child.type == FourCC("stbl")) {
            walkSampleTable(child.span, track);
        }
    });
}

void MyMovieDirectory::walkDataInformation(const AtomSpan& dinf, MyTrackMediaDirectory& track) {
    const ByteReader movie(movieAtom.data(), movieAtom.size());
    WalkChildren(movie, dinf.offset + AtomHeaderSize, dinf.offset + dinf.size, [&](const ChildAtom& child) {
        if (child.type == FourCC("dref")) walkDataReferences(child.span, track);
    });
}

void MyMovieDirectory::walkDataReferences(const AtomSpan& dref, MyTrackMediaDirectory& track) {
    // A later 'dref' replaces an earlier one, as every other atom does.
    track.dataReferences.clear();
    // Entries follow the header, the version-and-flags and the entry count;
    // the count itself is not trusted: the entries are walked by their sizes.
    using atom_fields::FirstEntry;
    if (dref.size < FirstEntry) return;
    const ByteReader movie(movieAtom.data(), movieAtom.size());
    WalkChildren(movie, dref.offset + FirstEntry, dref.offset + dref.size,
                 [&](const ChildAtom& entry) { track.dataReferences.push_back(entry.span); });
}

void MyMovieDirectory::walkSampleTable(const AtomSpan& stbl, MyTrackMediaDirectory& track) {
    const ByteReader movie(movieAtom.data(), movieAtom.size());
    WalkChildren(movie, stbl.offset + AtomHeaderSize, stbl.offset + stbl.size, [&](const ChildAtom& child) {
        if (child.type == FourCC("stsd")) {
            track.sampleDescription = child.span;
        } else if (child.type == FourCC("stts")) {
            track.timeToSample = child.span;
        } else if (child.type == FourCC("stss")) {
            track.syncSample = child.span;
        } else if (child.type == FourCC("stsc")) {
            track.sampleToChunk = child.span;
        } else if (child.type == FourCC("stsz")) {
            track.sampleSize = child.span;
        } else if (child.type == FourCC("stco")) {
            track.chunkOffset = child.span;
        }
    });
}

}
