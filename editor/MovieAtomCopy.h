#ifndef CLIPREEL_EDITOR_MOVIE_ATOM_COPY_H
#define CLIPREEL_EDITOR_MOVIE_ATOM_COPY_H

#include <cstddef>
#include <cstdint>
#include <memory>

class CZentiMovie;
class CClipreelMovie;
class CMoovAtomAlignmentInfo;

namespace clipreel {

struct NewMoviePlan;

// One copy of a source movie atom into a new one, in one forward pass of the
// copiers (editor/copiers/): movie-level 'free' atoms dropped, the current
// time stamped into the movie, track and media headers, and with a reel the
// video and sound sample tables rebuilt for the kept units of a plan (see
// NewMoviePlan) with the kept durations.
struct MovieAtomCopyRequest {
    // The kept units and their samples. When null, a plan is made from the
    // reel over the source movie.
    const NewMoviePlan* plan = nullptr;
    // The kept units in editing-list order; with no plan either, the sample
    // tables and durations are copied unchanged.
    const CClipreelMovie* reel = nullptr;
    // Where the movie atom will be written: a 'free' atom then ends it so that
    // the byte after it falls on the boundary (see MoovAtomPadding). Null: no
    // padding.
    const CMoovAtomAlignmentInfo* alignment = nullptr;
    // Chunk offsets of the kept units become offsets from the start of the
    // kept media data (the kept blocks back to back in plan order).
    // Ignored when an alias record is given: those offsets keep pointing into
    // the source file.
    bool rebaseChunkOffsets = false;
    // A flattened big-endian alias record (its own 16-bit size at byte 4 says
    // how long it is) that replaces every track's data reference by one entry
    // carrying it; aliasRecordBytes is how many bytes are readable there. Null:
    // data references are copied unchanged.
    const std::uint8_t* aliasRecord = nullptr;
    std::size_t aliasRecordBytes = 0;
};

// Runs one copy. Returns the new movie atom parsed as a new CZentiMovie
// (without a file locator), or null when the source bytes do not have the
// shape the copiers need, the reel does not describe the source (no plan),
// the plan's offsets do not fit 32 bits, the alias record is malformed, or the new movie cannot be allocated.
// The working buffer's allocation failure raises std::bad_alloc. The reel's
// index queries may raise std::invalid_argument for a bad editing list.
std::unique_ptr<CZentiMovie> CopyMovieAtom(const CZentiMovie& source, const MovieAtomCopyRequest& request);

// The copy an edited save asks for: alignment {16, the source movie atom's
// file offset} and rebasing on (see CopyMovieAtom).
std::unique_ptr<CZentiMovie> copyMovieAtom(const CZentiMovie& source, const CClipreelMovie* reel,
                                           const CMoovAtomAlignmentInfo* alignment, bool rebaseChunkOffsets);

// The copy a reference movie asks for: the flattened alias record (or null
// to keep the data references), no padding, chunk offsets kept so that they
// still point at the media in the source file.
std::unique_ptr<CZentiMovie> CopyMovieAtomWithAliasRecord(const CZentiMovie& source, const CClipreelMovie* reel,
                                                          const std::uint8_t* aliasRecord,
                                                          std::size_t aliasRecordBytes);

}

#endif
