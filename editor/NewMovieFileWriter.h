#ifndef CLIPREEL_EDITOR_NEW_MOVIE_FILE_WRITER_H
#define CLIPREEL_EDITOR_NEW_MOVIE_FILE_WRITER_H

#include "ClipreelMovFileEditor.h"
#include "editor/NewMovieFilePlan.h"

namespace clipreel {

class CTopLevelAtoms;

// Whether a source's top-level atoms can be written through: the movie atom
// first, then exactly one media data atom, every atom within 32 bits.
bool HasWritableLayout(const CTopLevelAtoms& atoms);

// Writes the plan to destination. When the first planned unit is not its
// reel's first, the thumbnail gets the picture of the middle of its first
// frame. The editor (over any of the sources) gives the progress state,
// reported once per block, and the camera-record update, which reads the
// creator version of the editor's source. Success only once the written file
// reads back as a reel of the planned units; otherwise
// CREATEMOVFILE_INTERNAL_ERROR.
CClipreelMovFileEditor::ERROR_CREATEMOVFILE WriteNewMovieFile(CClipreelMovFileEditor& editor,
                                                              const FileLocator& destination,
                                                              const NewMovieFilePlan& plan);

}

#endif
