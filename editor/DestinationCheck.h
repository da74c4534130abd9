#ifndef CLIPREEL_EDITOR_DESTINATION_CHECK_H
#define CLIPREEL_EDITOR_DESTINATION_CHECK_H

#include "FileLocator.h"

namespace clipreel {

// Whether a destination names the source file itself, by the same path or
// through another path to the same file. Creating it for writing would
// truncate the source before a byte of it is read; every create operation
// refuses such a destination with a write error before it opens it. Windows
// would refuse the create anyway (the source is open shared for reading
// only), POSIX would not.
bool DestinationIsSource(const FileLocator& destination, const FileLocator& source);

}

#endif
