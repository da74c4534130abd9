#include "editor/DestinationCheck.h"

#include "platform/FileSystem.h"

namespace clipreel {

bool DestinationIsSource(const FileLocator& destination, const FileLocator& source) {
    return platform::IsSameFile(destination, source);
}

}
