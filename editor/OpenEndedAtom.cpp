#include "editor/OpenEndedAtom.h"

#include "source/AtomHeader.h"

namespace clipreel {

void MarkAtomOpenEnded(FileWriter& writer, std::uint64_t atomStart) {
    const std::uint64_t size = writer.GetFileSize();
    if (size == InvalidFileSize || size < atomStart + AtomHeaderSize) return;
    if (!writer.Seek(SeekBegin, static_cast<std::int64_t>(atomStart))) return;
    const std::uint8_t toTheEnd[4] = {0, 0, 0, 0};
    bool diskFull = false;
    writer.Write(toTheEnd, sizeof toTheEnd, diskFull);
}

}
