#include "editor/copiers/MediaAtomCopier.h"

#include "bytes/FourCC.h"
#include "editor/NewMoviePlan.h"
#include "editor/copiers/MediaInformationAtomCopier.h"
#include "source/AtomFields.h"

namespace clipreel {

using namespace atom_fields;

MediaAtomCopier::~MediaAtomCopier() = default;

// Children are recognised by type: the media header, the handler and the
// media information, in the order the camera writes them. The handler must
// come before the media information when the tables are rebuilt, because it decides
// how the sample tables are rebuilt.
std::uint32_t MediaAtomCopier::copyChildren(ByteWriter& dst, ByteReader& src, std::uint32_t) {
    const CopyContext& ctx = *context();
    std::uint32_t written = 0;
    std::uint32_t type = 0;
    bool haveHeader = false;
    bool haveHandler = false;
    std::size_t headerStart = 0;
    std::uint32_t headerSize = 0;
    while (nextChild(src, type)) {
        if (type == FourCC("mdhd") && !haveHeader) {
            headerStart = dst.position();
            headerSize = copyChildUnchanged(dst, src);
            haveHeader = true;
            written += headerSize;
        } else if (type == FourCC("hdlr") && !haveHandler) {
            ByteReader handler;
            if (!takeAtom(src, handler)) return 0;
            std::uint32_t subtype = 0;
            if (handler.PeekU32BE(HandlerSubtype, subtype)) handlerType = subtype;
            haveHandler = true;
            written += writeUnchanged(dst, handler);
        } else if (type == FourCC("minf")) {
            if (ctx.plan != nullptr && !haveHandler) return fail();
            MediaInformationAtomCopier information(this);
            written += information.copy(dst, type, src);
        } else {
            written += copyChildUnchanged(dst, src);
        }
        if (failed()) return 0;
    }
    if (failed()) return 0;
    if (haveHeader) {
        if (!patchU32(dst, headerStart, headerSize, ModificationTime, ctx.modificationTime)) return 0;
        if (ctx.plan != nullptr) {
            const NewMoviePlan& plan = *ctx.plan;
            if (handlerType == FourCC("soun")) {
                // One media time unit per sample: the kept chunks' samples,
                // with a shorter last chunk wherever it now sits; none for
                // sound in another file.
                const std::uint64_t samples = plan.SoundSampleCount();
                if (samples > 0xFFFFFFFFu) return fail();
                if (!patchU32(dst, headerStart, headerSize, MediaDuration, static_cast<std::uint32_t>(samples)))
                    return 0;
            } else if (handlerType == FourCC("vide")) {
                if (!patchU32(dst, headerStart, headerSize, MediaDuration, plan.videoDuration)) return 0;
            }
        }
    }
    return written;
}

}
