#ifndef CLIPREEL_EDITOR_NEW_MOVIE_FILE_PLAN_H
#define CLIPREEL_EDITOR_NEW_MOVIE_FILE_PLAN_H

class CZentiMovFile;
class CZentiMovie;

namespace clipreel {

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

}

#endif
