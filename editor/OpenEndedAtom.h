#ifndef CLIPREEL_EDITOR_OPEN_ENDED_ATOM_H
#define CLIPREEL_EDITOR_OPEN_ENDED_ATOM_H

#include "file/FileReader.h"

#include <cstdint>

namespace clipreel {

// After a write failed part way through a top-level atom, its header still
// claims the whole size while the file holds less. Its size field becomes 0,
// the form that means "to the end of the file", so the file claims no more
// than it holds. Nothing happens when less than the atom's header reached
// the file. Best effort: a failure here changes nothing more.
void MarkAtomOpenEnded(FileWriter& writer, std::uint64_t atomStart);

}

#endif
