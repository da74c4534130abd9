#ifndef CLIPREEL_EDITOR_NEW_MOVIE_FILE_PLAN_H
#define CLIPREEL_EDITOR_NEW_MOVIE_FILE_PLAN_H

#include "ClipreelMovFileEditor.h"

#include <cstdint>
#include <vector>

class CZentiMovFile;
class CZentiMovie;

namespace clipreel {

class CTopLevelAtoms;

// One kept block of media data: a unit's bytes in the file that holds them.
struct KeptMediaBlock {
    const CZentiMovFile* file = nullptr;
    std::uint64_t offset = 0;
    std::uint64_t size = 0;
};

// Everything one new self-contained movie file is written from. The edited
// save, split, join and salvage all fill one and hand it to the same writer.
struct NewMovieFilePlan {
    // Its top-level atoms are copied in order, the movie atom replaced by
    // newMovie and the media data atom by the kept blocks.
    const CZentiMovFile* layoutSource = nullptr;
    // Built by the copiers with the padding after it and chunk offsets
    // relative to the start of the kept blocks; its camera record is
    // refreshed for the new file.
    CZentiMovie* newMovie = nullptr;
    std::vector<KeptMediaBlock> blocks;
    // When not null, the thumbnail gets the picture this file shows at
    // pictureTime (100-nanosecond units): the new first unit's.
    const CZentiMovFile* pictureSource = nullptr;
    std::int64_t pictureTime = 0;
};

// Whether a source's top-level atoms can be written through: the movie atom
// first, then exactly one media data atom, every atom within 32 bits.
bool HasWritableLayout(const CTopLevelAtoms& atoms);

// Writes the plan to destination. The editor (over any of the sources)
// gives the progress state, reported once per block, and the camera-record
// update, which reads the creator version of the editor's source.
CClipreelMovFileEditor::ERROR_CREATEMOVFILE WriteNewMovieFile(CClipreelMovFileEditor& editor,
                                                              const FileLocator& destination,
                                                              const NewMovieFilePlan& plan);

}

#endif
