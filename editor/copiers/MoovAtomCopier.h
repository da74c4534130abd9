#ifndef CLIPREEL_EDITOR_COPIERS_MOOV_ATOM_COPIER_H
#define CLIPREEL_EDITOR_COPIERS_MOOV_ATOM_COPIER_H

#include "editor/copiers/AtomWithChildrenCopier.h"

namespace clipreel {

// The movie atom: drops its 'free' children, stamps the movie header and
// hands each track to its own copier. Made by a driver with a context, it is
// the root of one copy and holds that context.
class MoovAtomCopier : public AtomWithChildrenCopier {
public:
    // The root of a copy: no parent, its own copy of the context.
    explicit MoovAtomCopier(const CopyContext& context);
    ~MoovAtomCopier() override;

    std::uint32_t copyChildren(ByteWriter& dst, ByteReader& src, std::uint32_t contentSize) override;

    // The context as the copy left it (failed tells whether it went wrong).
    const CopyContext& copyContext() const { return ownContext; }

private:
    CopyContext ownContext;
};

}

#endif
