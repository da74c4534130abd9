#include "editor/copiers/MoovAtomCopier.h"

#include "bytes/FourCC.h"
#include "editor/copiers/TrackAtomCopier.h"

namespace clipreel {

namespace {
constexpr std::uint32_t ModificationTimeOffset = 16;
constexpr std::uint32_t MovieDurationOffset = 24;
}

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
            if (failed() || !patchU32(dst, start, size, ModificationTimeOffset, ctx.modificationTime)) return 0;
            if (ctx.reel != nullptr && !patchU32(dst, start, size, MovieDurationOffset, ctx.headerDuration()))
                return 0;
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
