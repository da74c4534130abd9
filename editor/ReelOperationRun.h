#ifndef CLIPREEL_EDITOR_REEL_OPERATION_RUN_H
#define CLIPREEL_EDITOR_REEL_OPERATION_RUN_H

#include "ClipreelMovFileEditor.h"

#include <functional>

namespace clipreel {

using ReelOperationResult = CClipreelMovFileEditor::ERROR_CREATEMOVFILE;

// The frame every reel operation (split, join, salvage) runs in, as the
// editor's own create operations do: the checks, which write nothing; the
// start message, whose cancel ends the run; the work; the end message after
// a success. Memory exhaustion and runtime errors become result codes.
ReelOperationResult RunReelOperation(ClipreelProgressCallback callback, void* userData,
                                     const std::function<ReelOperationResult()>& checks,
                                     const std::function<ReelOperationResult()>& work);

}

#endif
