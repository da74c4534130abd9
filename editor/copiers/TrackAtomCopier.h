#ifndef CLIPREEL_EDITOR_COPIERS_TRACK_ATOM_COPIER_H
#define CLIPREEL_EDITOR_COPIERS_TRACK_ATOM_COPIER_H

#include "editor/copiers/AtomWithChildrenCopier.h"

namespace clipreel {

// A track ('trak'): stamps its header and hands its media to the media copier.
class TrackAtomCopier : public AtomWithChildrenCopier {
public:
    using AtomWithChildrenCopier::AtomWithChildrenCopier;
    ~TrackAtomCopier() override;

    std::uint32_t copyChildren(ByteWriter& dst, ByteReader& src, std::uint32_t contentSize) override;
};

}

#endif
