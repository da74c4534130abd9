#ifndef CLIPREEL_EDITOR_COPIERS_ALIAS_DATA_REFERENCE_ATOM_COPIER_H
#define CLIPREEL_EDITOR_COPIERS_ALIAS_DATA_REFERENCE_ATOM_COPIER_H

#include "editor/copiers/AtomWithChildrenCopier.h"

namespace clipreel {

// One data reference entry in alias mode: the source entry's type, flags 0
// (the data is not in this file) and the alias record as its data.
class AliasDataReferenceAtomCopier : public AtomWithChildrenCopier {
public:
    using AtomWithChildrenCopier::AtomWithChildrenCopier;
    ~AliasDataReferenceAtomCopier() override;

    std::uint32_t copy(ByteWriter& dst, std::uint32_t type, ByteReader& src) override;
    // An entry has no children of its own: nothing is written.
    std::uint32_t copyChildren(ByteWriter& dst, ByteReader& src, std::uint32_t contentSize) override;
};

}

#endif
