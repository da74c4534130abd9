#include "editor/copiers/MoovAtomCopier.h"

#include "bytes/FourCC.h"
#include "editor/copiers/TrackAtomCopier.h"
#include "source/AtomFields.h"

namespace clipreel {

using namespace atom_fields;

MoovAtomCopier::MoovAtomCopier(const CopyContext& context) : AtomWithChildrenCopier(nullptr), ownContext(context) {
    rootContext = &ownContext;
}

MoovAtomCopier::~MoovAtomCopier() = default;

std::uint32_t MoovAtomCopier::copyChildren(ByteWriter& dst, ByteReader& src, std::uint32_t) {
    const CopyContext& ctx = *context();
    std::uint32_t written = 0;
    std::uint32_t type = 0;
    while (nextChild(src, type)) {
        if (type == FourCC("mvhd")) {
            const std::size_t start = dst.position();
            const std::uint32_t size = copyChildUnchanged(dst, src);
            if (failed() || !patchU32(dst, start, size, ModificationTime, ctx.modificationTime)) return 0;
            if (ctx.plan != nullptr && !patchU32(dst, start, size, MovieDuration, ctx.headerDuration())) return 0;
            written += size;
        } else if (type == FourCC("trak")) {
            TrackAtomCopier track(this);
            written += track.copy(dst, type, src);
        } else if (type == FourCC("free")) {
            // Old padding goes: the driver computes the padding this copy needs.
            ByteReader skipped;
            if (!takeAtom(src, skipped)) return 0;
        } else {
            written += copyChildUnchanged(dst, src);
        }
        if (failed()) return 0;
    }
    return failed() ? 0 : written;
}

}
