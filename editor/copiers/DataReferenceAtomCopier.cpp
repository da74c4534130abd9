#include "editor/copiers/DataReferenceAtomCopier.h"

#include "editor/copiers/AliasDataReferenceAtomCopier.h"
#include "source/AtomFields.h"
#include "source/AtomHeader.h"

namespace clipreel {

namespace {
// After the atom header, up to the first entry.
constexpr std::uint32_t VersionFlagsAndCountSize = atom_fields::FirstEntry - AtomHeaderSize;
}

DataReferenceAtomCopier::~DataReferenceAtomCopier() = default;

std::uint32_t DataReferenceAtomCopier::copyChildren(ByteWriter& dst, ByteReader& src, std::uint32_t) {
    if (!dst.WriteU32BE(0) || !dst.WriteU32BE(1) || !src.Skip(VersionFlagsAndCountSize)) return fail();
    std::uint32_t type = 0;
    if (!nextChild(src, type)) return fail();
    AliasDataReferenceAtomCopier entry(this);
    const std::uint32_t written = entry.copy(dst, type, src);
    if (failed()) return 0;
    return written + VersionFlagsAndCountSize;
}

}
