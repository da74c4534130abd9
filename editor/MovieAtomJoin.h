#ifndef CLIPREEL_EDITOR_MOVIE_ATOM_JOIN_H
#define CLIPREEL_EDITOR_MOVIE_ATOM_JOIN_H

#include <cstdint>
#include <memory>
#include <vector>

class CZentiMovie;
class CMoovAtomAlignmentInfo;

namespace clipreel {

// One reel's share of a joined movie: its movie atom as the copiers rebuilt
// it for the reel's kept units (chunk offsets relative to the start of its
// kept blocks, no padding), and how many bytes those blocks hold.
struct JoinedMovieAtomPart {
    const CZentiMovie* rebuilt = nullptr;
    std::uint64_t keptBytes = 0;
};

// One movie atom for the parts' samples in order: the first part's atom with
// every track's time-to-sample count, sync samples, sample sizes and chunk
// offsets extended by the other parts' (sample numbers and offsets moved past
// the parts before), media durations summed, the movie and track durations
// the summed video duration in the movie's time scale, and a 'free' atom
// that aligns the byte after it. Null when the parts do not have the same
// tracks and tables, or a count does not fit its table.
std::unique_ptr<CZentiMovie> JoinMovieAtoms(const std::vector<JoinedMovieAtomPart>& parts,
                                            const CMoovAtomAlignmentInfo& alignment);

}

#endif
