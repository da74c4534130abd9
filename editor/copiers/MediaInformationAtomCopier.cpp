#include "editor/copiers/MediaInformationAtomCopier.h"

#include "bytes/FourCC.h"
#include "editor/copiers/DataInformationAtomCopier.h"
#include "editor/copiers/MediaAtomCopier.h"
#include "editor/copiers/SoundMediaSampleTableAtomCopier.h"
#include "editor/copiers/VideoMediaSampleTableAtomCopier.h"

namespace clipreel {

MediaInformationAtomCopier::MediaInformationAtomCopier(MediaAtomCopier* mediaCopier)
    : AtomWithChildrenCopier(mediaCopier), media(*mediaCopier) {}

MediaInformationAtomCopier::~MediaInformationAtomCopier() = default;

// Children are recognised by type, so a media information atom without a
// data handler never has its data information taken for one.
std::uint32_t MediaInformationAtomCopier::copyChildren(ByteWriter& dst, ByteReader& src, std::uint32_t) {
    const CopyContext& ctx = *context();
    std::uint32_t written = 0;
    std::uint32_t type = 0;
    while (nextChild(src, type)) {
        if (type == FourCC("dinf") && ctx.aliasRecord != nullptr) {
            DataInformationAtomCopier information(this);
            written += information.copy(dst, type, src);
        } else if (type == FourCC("stbl") && ctx.plan != nullptr && media.handlerType == FourCC("vide")) {
            VideoMediaSampleTableAtomCopier table(this);
            written += table.copy(dst, type, src);
        } else if (type == FourCC("stbl") && ctx.plan != nullptr && media.handlerType == FourCC("soun")) {
            SoundMediaSampleTableAtomCopier table(this);
            written += table.copy(dst, type, src);
        } else {
            written += copyChildUnchanged(dst, src);
        }
        if (failed()) return 0;
    }
    return failed() ? 0 : written;
}

}
