#ifndef CLIPREEL_EDITOR_DESTINATION_CHECK_H
#define CLIPREEL_EDITOR_DESTINATION_CHECK_H

#include "FileLocator.h"
#include "editor/SaveIo.h"

#include <vector>

class CZentiMovFile;

namespace clipreel {

// The one rule for where a new file may go: never onto a file it is made
// from, by the same path or through another path to the same file. Creating
// it for writing would truncate the source before a byte of it is read;
// Windows would refuse the create anyway (the source is open shared for
// reading only), POSIX would not. Every writer asks once, before it creates
// its destination: CREATEMOVFILE_WRITE_ERROR when destination names one of
// sources, CREATEMOVFILE_SUCCESS otherwise.
SaveResult RefuseSourceAsDestination(const FileLocator& destination, const std::vector<const CZentiMovFile*>& sources);

}

#endif
