#ifndef CLIPREEL_EDITOR_COPIERS_ATOM_WITH_CHILDREN_COPIER_H
#define CLIPREEL_EDITOR_COPIERS_ATOM_WITH_CHILDREN_COPIER_H

#include "editor/copiers/AtomCopier.h"

namespace clipreel {

// A container atom: its header is copied, then its children, then the header
// gets the new size (children written + 8).
class AtomWithChildrenCopier : public AtomCopier {
public:
    using AtomCopier::AtomCopier;
    ~AtomWithChildrenCopier() override;

    std::uint32_t copy(ByteWriter& dst, std::uint32_t type, ByteReader& src) override;
    // Writes the children found in src, a window over exactly the container's
    // contentSize content bytes; returns the bytes written. This one copies
    // every child unchanged.
    virtual std::uint32_t copyChildren(ByteWriter& dst, ByteReader& src, std::uint32_t contentSize);

protected:
    // The type of the next child in src: false at the end of the content, or
    // (with a failure recorded) when the bytes left cannot hold a header.
    bool nextChild(const ByteReader& src, std::uint32_t& type) const;
    // Copies the child at src's position unchanged; bytes written or 0.
    std::uint32_t copyChildUnchanged(ByteWriter& dst, ByteReader& src) const;
};

}

#endif
