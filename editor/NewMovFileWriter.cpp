#include "ClipreelMovFileEditor.h"

// The writer of an edited reel is not written yet: until it is, an edited
// save reports an internal error rather than pretending to succeed.
CClipreelMovFileEditor::ERROR_CREATEMOVFILE CClipreelMovFileEditor::createNewMovFile_standard(
    const FileLocator&, const CClipreelMovie*) {
    return CREATEMOVFILE_INTERNAL_ERROR;
}
