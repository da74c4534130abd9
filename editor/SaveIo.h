#ifndef CLIPREEL_EDITOR_SAVE_IO_H
#define CLIPREEL_EDITOR_SAVE_IO_H

#include "ClipreelMovFileEditor.h"
#include "file/FileReader.h"
#include "file/RangeCopier.h"

#include <algorithm>
#include <cstdint>

namespace clipreel {

// The file steps every save is made of, each giving the save's result code
// for how it ended, so that each failure is told the same way wherever it
// happens. Each helper makes exactly the file calls its name says.

using SaveResult = CClipreelMovFileEditor::ERROR_CREATEMOVFILE;

// Unchanged atoms are copied in steps of this size with a progress report
// after each: it sets how often progress is told, not the memory a copy
// takes (the range copier's buffer bounds that).
constexpr std::uint32_t ProgressStepSize = 0xA00000;

// How copying a range of source bytes ended: a source that ends early is not
// the movie its atoms describe.
SaveResult SaveResultOf(RangeCopyResult copy);

// A write that failed: the disk is full, or any other write error.
SaveResult WriteFailure(bool diskFull);

// Reads count bytes whole. A failed read is a read error; a short one means
// the source is not the movie its atoms describe.
SaveResult ReadWhole(FileReader& source, void* bytes, std::uint32_t count);

// Writes count bytes.
SaveResult WriteWhole(FileWriter& destination, const void* bytes, std::uint32_t count);

// Writes a whole top-level atom that starts at atomStart. A write that fails
// part way leaves the atom open-ended rather than claiming bytes the file
// does not hold.
SaveResult WriteAtom(FileWriter& destination, std::uint64_t atomStart, const void* bytes, std::uint32_t count);

// Moves a file to position from its start, or gives failure: which code a
// failed seek is depends on the file and the step.
SaveResult SeekOr(FileReader& file, std::uint64_t position, SaveResult failure);

// Where the destination stands; a write error when it cannot tell.
SaveResult PositionOf(FileWriter& destination, std::uint64_t& position);

// Copies count bytes from offset in source to the destination's position.
SaveResult CopyRangeAt(RangeCopier& copier, FileReader& source, std::uint64_t offset, FileWriter& destination,
                       std::uint64_t count);

// Copies count bytes of a top-level atom that starts at atomStart in the
// destination, from the source's position. A copy that fails part way
// leaves the atom open-ended.
SaveResult CopyAtom(RangeCopier& copier, FileReader& source, FileWriter& destination, std::uint64_t atomStart,
                    std::uint64_t count);

// CopyAtom in steps of ProgressStepSize, calling afterStep with the bytes
// of each step once it is copied; a nonzero answer cancels the save.
template <typename AfterStep>
SaveResult CopyAtomInSteps(RangeCopier& copier, FileReader& source, FileWriter& destination,
                           std::uint64_t atomStart, std::uint64_t count, AfterStep afterStep) {
    for (std::uint64_t left = count; left > 0;) {
        const auto step = static_cast<std::uint32_t>(std::min<std::uint64_t>(left, ProgressStepSize));
        const SaveResult copied = CopyAtom(copier, source, destination, atomStart, step);
        if (copied != CClipreelMovFileEditor::CREATEMOVFILE_SUCCESS) return copied;
        left -= step;
        if (afterStep(step) != 0) return CClipreelMovFileEditor::CREATEMOVFILE_CANCELED;
    }
    return CClipreelMovFileEditor::CREATEMOVFILE_SUCCESS;
}

// Closes the destination: a close that fails may have lost bytes the writes
// took.
SaveResult CloseDestination(FileWriter& destination);

}

#endif
