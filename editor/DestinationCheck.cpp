#include "editor/DestinationCheck.h"

#include "ZentiMovFile.h"
#include "platform/FileSystem.h"

namespace clipreel {

SaveResult RefuseSourceAsDestination(const FileLocator& destination, const std::vector<const CZentiMovFile*>& sources) {
    for (const CZentiMovFile* source : sources) {
        if (platform::IsSameFile(destination, source->GetFileLocator()))
            return CClipreelMovFileEditor::CREATEMOVFILE_WRITE_ERROR;
    }
    return CClipreelMovFileEditor::CREATEMOVFILE_SUCCESS;
}

}
