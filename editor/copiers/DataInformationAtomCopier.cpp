#include "editor/copiers/DataInformationAtomCopier.h"

#include "bytes/FourCC.h"
#include "editor/copiers/DataReferenceAtomCopier.h"

namespace clipreel {

DataInformationAtomCopier::~DataInformationAtomCopier() = default;

std::uint32_t DataInformationAtomCopier::copyChildren(ByteWriter& dst, ByteReader& src, std::uint32_t) {
    std::uint32_t written = 0;
    std::uint32_t type = 0;
    while (nextChild(src, type)) {
        if (type == FourCC("dref")) {
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
