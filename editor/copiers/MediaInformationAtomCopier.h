#ifndef CLIPREEL_EDITOR_COPIERS_MEDIA_INFORMATION_ATOM_COPIER_H
#define CLIPREEL_EDITOR_COPIERS_MEDIA_INFORMATION_ATOM_COPIER_H

#include "editor/copiers/AtomWithChildrenCopier.h"

namespace clipreel {

class MediaAtomCopier;

// A media's information ('minf'): the media header and the data handler stay
// as they are; the data information takes the alias record in alias mode;
// the sample table is rebuilt for the kept units of a video or sound media.
class MediaInformationAtomCopier : public AtomWithChildrenCopier {
public:
    explicit MediaInformationAtomCopier(MediaAtomCopier* media);
    ~MediaInformationAtomCopier() override;

    std::uint32_t copyChildren(ByteWriter& dst, ByteReader& src, std::uint32_t contentSize) override;

private:
    const MediaAtomCopier& media;
};

}

#endif
