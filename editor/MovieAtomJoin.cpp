#include "editor/MovieAtomJoin.h"

#include "ClipreelMovFileEditor.h"
#include "ZentiMovie.h"
#include "bytes/ByteReader.h"
#include "bytes/ByteWriter.h"
#include "bytes/FourCC.h"
#include "editor/MoovAtomPadding.h"
#include "source/AtomFields.h"
#include "source/AtomHeader.h"
#include "source/MovieDirectory.h"
#include "source/MoviePrivateAccess.h"

#include <new>

namespace clipreel {

namespace {

using namespace atom_fields;

using Bytes = std::vector<std::uint8_t>;

// A whole atom of the first part's movie atom and the bytes that replace it.
struct Replacement {
    AtomSpan span;
    Bytes bytes;
};

// Copies the atom at span, with the replacements: a replaced atom's bytes
// are taken whole, an atom holding a replaced one is rebuilt child by child
// (only plain containers hold the tables), its size field recomputed.
bool Splice(const ByteReader& movie, const AtomSpan& span, const std::vector<Replacement>& replacements,
            ByteWriter& out) {
    bool holdsOne = false;
    for (const Replacement& r : replacements) {
        if (r.span.offset == span.offset && r.span.size == span.size) return out.WriteBytes(r.bytes.data(), r.bytes.size());
        if (r.span.offset > span.offset && r.span.offset + r.span.size <= span.offset + span.size) holdsOne = true;
    }
    ByteReader atom;
    if (!movie.Sub(span.offset, span.size, atom)) return false;
    if (!holdsOne) return out.WriteBytes(atom.data(), atom.size());
    const std::size_t start = out.position();
    if (!out.WriteBytes(atom.data(), AtomHeaderSize)) return false;
    std::size_t position = AtomHeaderSize;
    while (position < span.size) {
        std::uint32_t childSize = 0;
        if (!atom.PeekU32BE(position, childSize) || childSize < AtomHeaderSize || childSize > span.size - position)
            return false;
        AtomSpan child;
        child.offset = span.offset + position;
        child.size = childSize;
        if (!Splice(movie, child, replacements, out)) return false;
        position += childSize;
    }
    const std::size_t written = out.position() - start;
    return written <= 0xFFFFFFFFu && out.PokeU32BE(start, static_cast<std::uint32_t>(written));
}

// The table's first headerSize bytes with a new size, then the entries.
bool NewTable(const ByteReader& table, std::size_t headerSize, const std::vector<std::uint32_t>& entries,
              Bytes& out) {
    ByteReader header;
    if (!table.Sub(0, headerSize, header)) return false;
    const std::uint64_t size = headerSize + 4 * std::uint64_t(entries.size());
    if (size > 0xFFFFFFFFu) return false;
    out.assign(static_cast<std::size_t>(size), 0);
    ByteWriter writer(out.data(), out.size());
    if (!writer.WriteBytes(header.data(), header.size())) return false;
    for (const std::uint32_t entry : entries)
        if (!writer.WriteU32BE(entry)) return false;
    return writer.PokeU32BE(0, static_cast<std::uint32_t>(size));
}

// The atom's bytes with one 32-bit field set.
bool PatchedCopy(const ByteReader& atom, std::size_t offset, std::uint32_t value, Bytes& out) {
    if (atom.size() < offset + 4) return false;
    out.assign(atom.data(), atom.data() + atom.size());
    return ByteWriter(out.data(), out.size()).PokeU32BE(offset, value);
}

// Appends count entries from the table, from firstEntry on, each plus delta.
bool AppendEntries(const ByteReader& table, std::size_t firstEntry, std::uint32_t count, std::uint32_t delta,
                   std::vector<std::uint32_t>& entries) {
    if ((table.size() < firstEntry) || (table.size() - firstEntry) / 4 < count) return false;
    for (std::uint32_t k = 0; k < count; ++k) {
        std::uint32_t value = 0;
        if (!table.PeekU32BE(firstEntry + 4 * std::size_t(k), value)) return false;
        entries.push_back(value + delta);
    }
    return true;
}

class MovieAtomJoiner {
public:
    explicit MovieAtomJoiner(const std::vector<JoinedMovieAtomPart>& joinedParts) : parts(joinedParts) {
        for (const JoinedMovieAtomPart& part : parts)
            directories.push_back(std::make_unique<MyMovieDirectory>(MoviePrivateAccess::GetAtomHeader(*part.rebuilt)));
    }

    bool Plan(std::vector<Replacement>& replacements) {
        const MyMovieDirectory& first = *directories.front();
        for (const auto& directory : directories) {
            if (!directory->HasCopy() || directory->tracks.size() != first.tracks.size()) return false;
        }
        std::uint32_t videoDuration = 0;
        std::uint32_t videoTimeScale = 0;
        for (std::size_t t = 0; t < first.tracks.size(); ++t) {
            const std::uint32_t subtype = first.U32(first.tracks[t].mediaHandler, HandlerSubtype);
            for (const auto& directory : directories)
                if (directory->U32(directory->tracks[t].mediaHandler, HandlerSubtype) != subtype) return false;
            std::uint32_t mediaDuration = 0;
            if (!PlanTrack(t, replacements, mediaDuration)) return false;
            if (subtype == FourCC("vide") && videoTimeScale == 0) {
                videoDuration = mediaDuration;
                videoTimeScale = first.U32(first.tracks[t].mediaHeader, MediaTimeScale);
            }
        }
        // The movie and track headers count in the movie's time scale.
        const std::uint32_t movieTimeScale = first.U32(first.movieHeader, MovieTimeScale);
        std::uint32_t headerDuration = videoDuration;
        if (movieTimeScale != 0 && videoTimeScale != 0 && movieTimeScale != videoTimeScale)
            headerDuration = static_cast<std::uint32_t>(std::uint64_t(videoDuration) * movieTimeScale / videoTimeScale);
        Replacement header;
        header.span = first.movieHeader;
        if (!PatchedCopy(first.Read(first.movieHeader), MovieDuration, headerDuration, header.bytes)) return false;
        replacements.push_back(std::move(header));
        for (const MyTrackMediaDirectory& track : first.tracks) {
            Replacement trackHeader;
            trackHeader.span = track.trackHeader;
            if (!PatchedCopy(first.Read(track.trackHeader), TrackDuration, headerDuration, trackHeader.bytes))
                return false;
            replacements.push_back(std::move(trackHeader));
        }
        return true;
    }

private:
    const MyTrackMediaDirectory& Track(std::size_t part, std::size_t t) const { return directories[part]->tracks[t]; }
    ByteReader Table(std::size_t part, const AtomSpan MyTrackMediaDirectory::*table, std::size_t t) const {
        return directories[part]->Read(Track(part, t).*table);
    }

    bool PlanTrack(std::size_t t, std::vector<Replacement>& replacements, std::uint32_t& mediaDuration) {
        const MyMovieDirectory& first = *directories.front();
        const MyTrackMediaDirectory& track = first.tracks[t];
        std::uint64_t samples = 0;
        std::uint64_t duration = 0;
        std::uint64_t bytesBefore = 0;
        std::vector<std::uint32_t> syncSamples;
        std::vector<std::uint32_t> sampleSizes;
        std::vector<std::uint32_t> chunkOffsets;
        std::uint32_t constantSize = 0;
        const bool haveSync = track.syncSample.Found();
        for (std::size_t part = 0; part < parts.size(); ++part) {
            const MyMovieDirectory& directory = *directories[part];
            const MyTrackMediaDirectory& other = directory.tracks[t];
            if (other.syncSample.Found() != haveSync || directory.U32(other.timeToSample, EntryCount) != 1)
                return false;
            const std::uint32_t count = directory.U32(other.sampleSize, SampleCount);
            const std::uint32_t sampleSize = directory.U32(other.sampleSize, ConstantSampleSize);
            if (directory.U32(other.timeToSample, FirstEntry) != count) return false;
            if (part == 0) constantSize = sampleSize;
            if (sampleSize != constantSize) return false;
            if (sampleSize == 0 && !AppendEntries(Table(part, &MyTrackMediaDirectory::sampleSize, t), SampleSizeTable,
                                                  count, 0, sampleSizes))
                return false;
            if (haveSync) {
                const std::uint32_t syncCount = directory.U32(other.syncSample, EntryCount);
                if (!AppendEntries(Table(part, &MyTrackMediaDirectory::syncSample, t), FirstEntry, syncCount,
                                   static_cast<std::uint32_t>(samples), syncSamples))
                    return false;
            }
            const std::uint32_t chunkCount = directory.U32(other.chunkOffset, EntryCount);
            if (!AppendEntries(Table(part, &MyTrackMediaDirectory::chunkOffset, t), FirstEntry, chunkCount,
                               static_cast<std::uint32_t>(bytesBefore), chunkOffsets))
                return false;
            samples += count;
            duration += directory.U32(other.mediaHeader, MediaDuration);
            bytesBefore += parts[part].keptBytes;
            if (samples > 0xFFFFFFFFu || duration > 0xFFFFFFFFu || bytesBefore > 0xFFFFFFFFu) return false;
        }
        mediaDuration = static_cast<std::uint32_t>(duration);

        Replacement mediaHeader;
        mediaHeader.span = track.mediaHeader;
        Replacement timeToSample;
        timeToSample.span = track.timeToSample;
        Replacement sampleSize;
        sampleSize.span = track.sampleSize;
        Replacement chunkOffset;
        chunkOffset.span = track.chunkOffset;
        const ByteReader stsz = first.Read(track.sampleSize);
        const bool built =
            PatchedCopy(first.Read(track.mediaHeader), MediaDuration, mediaDuration, mediaHeader.bytes) &&
            PatchedCopy(first.Read(track.timeToSample), FirstEntry, static_cast<std::uint32_t>(samples),
                        timeToSample.bytes) &&
            (constantSize != 0 ? PatchedCopy(stsz, SampleCount, static_cast<std::uint32_t>(samples), sampleSize.bytes)
                               : NewTable(stsz, SampleSizeTable, sampleSizes, sampleSize.bytes) &&
                                     ByteWriter(sampleSize.bytes.data(), sampleSize.bytes.size())
                                         .PokeU32BE(SampleCount, static_cast<std::uint32_t>(samples))) &&
            NewTable(first.Read(track.chunkOffset), FirstEntry, chunkOffsets, chunkOffset.bytes) &&
            ByteWriter(chunkOffset.bytes.data(), chunkOffset.bytes.size())
                .PokeU32BE(EntryCount, static_cast<std::uint32_t>(chunkOffsets.size()));
        if (!built) return false;
        replacements.push_back(std::move(mediaHeader));
        replacements.push_back(std::move(timeToSample));
        replacements.push_back(std::move(sampleSize));
        replacements.push_back(std::move(chunkOffset));
        if (haveSync) {
            Replacement sync;
            sync.span = track.syncSample;
            if (!NewTable(first.Read(track.syncSample), FirstEntry, syncSamples, sync.bytes) ||
                !ByteWriter(sync.bytes.data(), sync.bytes.size())
                     .PokeU32BE(EntryCount, static_cast<std::uint32_t>(syncSamples.size())))
                return false;
            replacements.push_back(std::move(sync));
        }
        return true;
    }

    const std::vector<JoinedMovieAtomPart>& parts;
    std::vector<std::unique_ptr<MyMovieDirectory>> directories;
};

}

std::unique_ptr<CZentiMovie> JoinMovieAtoms(const std::vector<JoinedMovieAtomPart>& parts,
                                            const CMoovAtomAlignmentInfo& alignment) {
    if (parts.empty()) return nullptr;
    for (const JoinedMovieAtomPart& part : parts)
        if (part.rebuilt == nullptr) return nullptr;
    MovieAtomJoiner joiner(parts);
    std::vector<Replacement> replacements;
    if (!joiner.Plan(replacements)) return nullptr;

    const CZentiMovie& first = *parts.front().rebuilt;
    const ByteReader movie(MoviePrivateAccess::GetAtomHeader(first), MoviePrivateAccess::GetAtomSize(first));
    // Room: the first atom, every table entry of every part, and the padding.
    std::uint64_t room = movie.size() + alignment.alignment + AtomHeaderSize;
    for (const JoinedMovieAtomPart& part : parts) room += MoviePrivateAccess::GetAtomSize(*part.rebuilt);
    if (room > 0xFFFFFFFFu) return nullptr;
    Bytes buffer(static_cast<std::size_t>(room), 0);
    ByteWriter out(buffer.data(), buffer.size());
    AtomSpan whole;
    whole.size = movie.size();
    if (!Splice(movie, whole, replacements, out)) return nullptr;
    const std::uint32_t joined = static_cast<std::uint32_t>(out.position());
    // The padding's payload is the buffer's zero bytes.
    const std::uint32_t pad = MoovAtomPadding(alignment, joined);
    if (pad != 0) {
        const std::uint64_t padded = std::uint64_t(joined) + pad;
        if (padded > buffer.size() || !out.PokeU32BE(joined, pad) || !out.PokeU32BE(joined + 4, FourCC("free")) ||
            !out.PokeU32BE(0, static_cast<std::uint32_t>(padded)))
            return nullptr;
    }
    try {
        return MoviePrivateAccess::NewMovie(reinterpret_cast<const AtomHeader*>(buffer.data()), nullptr);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

}
