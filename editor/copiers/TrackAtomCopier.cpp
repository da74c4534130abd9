#include "editor/copiers/TrackAtomCopier.h"

#include "bytes/FourCC.h"
#include "editor/copiers/MediaAtomCopier.h"
#include "source/AtomFields.h"

namespace clipreel {

using namespace atom_fields;

TrackAtomCopier::~TrackAtomCopier() = default;

// The track header is recognised by its type rather than by being first, so
// a track that starts with another child never has that child's bytes
// patched as if they were header fields.
std::uint32_t TrackAtomCopier::copyChildren(ByteWriter& dst, ByteReader& src, std::uint32_t) {
    const CopyContext& ctx = *context();
    std::uint32_t written = 0;
    std::uint32_t type = 0;
    while (nextChild(src, type)) {
        if (type == FourCC("tkhd")) {
            const std::size_t start = dst.position();
            const std::uint32_t size = copyChildUnchanged(dst, src);
            if (failed() || !patchU32(dst, start, size, ModificationTime, ctx.modificationTime)) return 0;
            if (ctx.plan != nullptr && !patchU32(dst, start, size, TrackDuration, ctx.headerDuration())) return 0;
            written += size;
        } else if (type == FourCC("mdia")) {
            MediaAtomCopier media(this);
            written += media.copy(dst, type, src);
        } else {
            written += copyChildUnchanged(dst, src);
        }
        if (failed()) return 0;
    }
    return failed() ? 0 : written;
}

}
