#include "editor/CopyResult.h"

namespace clipreel {

CClipreelMovFileEditor::ERROR_CREATEMOVFILE SaveResultOf(RangeCopyResult copy) {
    switch (copy) {
    case RangeCopyResult::Copied: return CClipreelMovFileEditor::CREATEMOVFILE_SUCCESS;
    case RangeCopyResult::SourceEnded: return CClipreelMovFileEditor::CREATEMOVFILE_INVALID_SOURCE;
    case RangeCopyResult::ReadFailed: return CClipreelMovFileEditor::CREATEMOVFILE_READ_ERROR;
    case RangeCopyResult::WriteFailed: return CClipreelMovFileEditor::CREATEMOVFILE_WRITE_ERROR;
    case RangeCopyResult::DiskFull: return CClipreelMovFileEditor::CREATEMOVFILE_DISK_FULL;
    }
    return CClipreelMovFileEditor::CREATEMOVFILE_INTERNAL_ERROR;
}

}
