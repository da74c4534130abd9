#ifndef CLIPREEL_EDITOR_COPY_RESULT_H
#define CLIPREEL_EDITOR_COPY_RESULT_H

#include "ClipreelMovFileEditor.h"
#include "file/RangeCopier.h"

namespace clipreel {

// The save's result code for how copying a range of source bytes ended: a
// source that ends early is not the movie its atoms describe.
CClipreelMovFileEditor::ERROR_CREATEMOVFILE SaveResultOf(RangeCopyResult copy);

}

#endif
