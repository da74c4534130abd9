#ifndef CLIPREEL_EDITOR_COPIERS_DATA_INFORMATION_ATOM_COPIER_H
#define CLIPREEL_EDITOR_COPIERS_DATA_INFORMATION_ATOM_COPIER_H

#include "editor/copiers/AtomWithChildrenCopier.h"

namespace clipreel {

// The data information ('dinf') in alias mode: its data reference atom is
// rewritten to point at the source through the alias record.
class DataInformationAtomCopier : public AtomWithChildrenCopier {
public:
    using AtomWithChildrenCopier::AtomWithChildrenCopier;
    ~DataInformationAtomCopier() override;

    std::uint32_t copyChildren(ByteWriter& dst, ByteReader& src, std::uint32_t contentSize) override;
};

}

#endif
