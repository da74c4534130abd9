#ifndef CLIPREEL_SOURCE_FILE_CUT_H
#define CLIPREEL_SOURCE_FILE_CUT_H

class CZentiMovFile;

namespace clipreel {

// Whether a camera movie file is what a copy that stopped early leaves:
// it ends inside one of its top-level atoms; or its movie, whose media lie
// in this very file, is there but the file ends before the size its camera
// record states, or before any media data (cut at the end of an atom: the
// media data, the movie atom). A reference movie, whose media lie
// elsewhere, is never cut by the second rule. Only the atom headers are
// read beyond what the file object holds.
bool IsCutShort(const CZentiMovFile& file);

}

#endif
