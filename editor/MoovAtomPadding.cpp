#include "editor/MoovAtomPadding.h"

#include "ClipreelMovFileEditor.h"
#include "source/AtomHeader.h"

namespace clipreel {

std::uint32_t MoovAtomPadding(const CMoovAtomAlignmentInfo& alignment, std::uint32_t movieAtomSize) {
    const std::uint32_t a = alignment.alignment;
    if (a == 0) return 0;
    const std::uint32_t end = alignment.offset + movieAtomSize;
    std::uint32_t pad = a - end % a;
    // An alignment below 8 needs more than one step before a header fits.
    while (pad < AtomHeaderSize) pad += a;
    return pad;
}

}
