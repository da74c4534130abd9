#ifndef CLIPREEL_EDITOR_COPIERS_MEDIA_ATOM_COPIER_H
#define CLIPREEL_EDITOR_COPIERS_MEDIA_ATOM_COPIER_H

#include "editor/copiers/AtomWithChildrenCopier.h"

namespace clipreel {

// A track's media ('mdia'): its header, its handler (which says what kind of
// media it is) and its media information. The header gets the modification
// time and, with a plan, the kept duration in the media's own time units.
class MediaAtomCopier : public AtomWithChildrenCopier {
public:
    using AtomWithChildrenCopier::AtomWithChildrenCopier;
    ~MediaAtomCopier() override;

    std::uint32_t copyChildren(ByteWriter& dst, ByteReader& src, std::uint32_t contentSize) override;

    // The handler's component subtype ('vide', 'soun', ...); 0 until the
    // handler has been copied.
    std::uint32_t handlerType = 0;
};

}

#endif
