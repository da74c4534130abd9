#include "ClipreelMovFileEditor.h"

// Not written yet: a reference movie reports an internal error until it is.
CClipreelMovFileEditor::ERROR_CREATEMOVFILE CClipreelMovFileEditor::CreateReferenceMovFile(
    const FileLocator&, const CClipreelMovie*) const {
    return CREATEMOVFILE_INTERNAL_ERROR;
}
