#ifndef CLIPREEL_EDITOR_NEW_MOVIE_FILE_PLAN_H
#define CLIPREEL_EDITOR_NEW_MOVIE_FILE_PLAN_H

#include "ClipreelMovFileEditor.h"

#include <cstdint>
#include <vector>

class CZentiMovFile;
class CZentiMovie;

namespace clipreel {

class CTopLevelAtoms;
struct NewMoviePlan;

// Everything one new self-contained movie file is written from. The edited
// save, split, join and salvage all fill one and hand it to the same writer.
struct NewMovieFilePlan {
    // Its top-level atoms are copied in order, the movie atom replaced by
    // newMovie and the media data atom by the kept blocks.
    const CZentiMovFile* layoutSource = nullptr;
    // Built by the copiers from units, with the padding after it and chunk
    // offsets relative to the start of the kept blocks; its camera record is
    // refreshed for the new file.
    CZentiMovie* newMovie = nullptr;
    // The kept units: their blocks make the media data, in order, and the
    // written file is read back against them.
    const NewMoviePlan* units = nullptr;
};

// Whether a source's top-level atoms can be written through: the movie atom
// first, then exactly one media data atom, every atom within 32 bits.
bool HasWritableLayout(const CTopLevelAtoms& atoms);

// Writes the plan to destination. When the first planned unit is not its
// reel's first, the thumbnail gets the picture of the middle of its first
// frame. The editor (over any of the sources)
// gives the progress state, reported once per block, and the camera-record
// update, which reads the creator version of the editor's source. Success
// only once the written file reads back as a reel of the planned units;
// otherwise CREATEMOVFILE_INTERNAL_ERROR.
CClipreelMovFileEditor::ERROR_CREATEMOVFILE WriteNewMovieFile(CClipreelMovFileEditor& editor,
                                                              const FileLocator& destination,
                                                              const NewMovieFilePlan& plan);

}

#endif
