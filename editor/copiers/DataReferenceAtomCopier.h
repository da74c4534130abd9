#ifndef CLIPREEL_EDITOR_COPIERS_DATA_REFERENCE_ATOM_COPIER_H
#define CLIPREEL_EDITOR_COPIERS_DATA_REFERENCE_ATOM_COPIER_H

#include "editor/copiers/AtomWithChildrenCopier.h"

namespace clipreel {

// The data reference atom ('dref') in alias mode: one entry, made from the
// source's first entry and the alias record; any further entries are dropped.
class DataReferenceAtomCopier : public AtomWithChildrenCopier {
public:
    using AtomWithChildrenCopier::AtomWithChildrenCopier;
    ~DataReferenceAtomCopier() override;

    std::uint32_t copyChildren(ByteWriter& dst, ByteReader& src, std::uint32_t contentSize) override;
};

}

#endif
