#include "editor/copiers/DataInformationAtomCopier.h"

#include "bytes/FourCC.h"
#include "editor/copiers/DataReferenceAtomCopier.h"
#include "source/AtomFields.h"

namespace clipreel {

namespace {

// Whether the data reference atom at src's position sends its track to
// another file (its first entry lacks the self-reference flag): that track's
// chunk offsets are positions in that file, so it keeps its own reference
// where the others get the source's.
bool RefersToAnotherFile(const ByteReader& src) {
    using namespace atom_fields;
    const std::size_t at = src.position();
    std::uint32_t size = 0;
    std::uint32_t flags = 0;
    return src.PeekU32BE(at, size) && size >= FirstEntry + DataReferenceFlags + 4 &&
           src.PeekU32BE(at + FirstEntry + DataReferenceFlags, flags) && (flags & SelfReference) == 0;
}

}

DataInformationAtomCopier::~DataInformationAtomCopier() = default;

std::uint32_t DataInformationAtomCopier::copyChildren(ByteWriter& dst, ByteReader& src, std::uint32_t) {
    std::uint32_t written = 0;
    std::uint32_t type = 0;
    while (nextChild(src, type)) {
        if (type == FourCC("dref") && !RefersToAnotherFile(src)) {
            DataReferenceAtomCopier references(this);
            written += references.copy(dst, type, src);
        } else {
            written += copyChildUnchanged(dst, src);
        }
        if (failed()) return 0;
    }
    return failed() ? 0 : written;
}

}
