#include "editor/MovieAtomCopy.h"

#include "ClipreelMovFileEditor.h"
#include "ZentiMovie.h"
#include "bytes/ByteReader.h"
#include "bytes/ByteWriter.h"
#include "bytes/FourCC.h"
#include "editor/MoovAtomPadding.h"
#include "editor/NewMoviePlan.h"
#include "editor/copiers/MoovAtomCopier.h"
#include "source/AtomFields.h"
#include "source/AtomHeader.h"
#include "source/MoviePrivateAccess.h"
#include "source/MovieTime.h"

#include <limits>
#include <new>
#include <vector>

namespace clipreel {

namespace {

constexpr std::size_t AliasRecordSizeOffset = 4;
constexpr std::uint32_t AliasRecordMinimumSize = 6;

// The time scale of the source's movie header (0 when it cannot be found):
// the unit of the durations in the movie and track headers.
std::uint32_t FindMovieTimeScale(const ByteReader& moov) {
    ByteReader children;
    if (!moov.Sub(AtomHeaderSize, moov.size() - AtomHeaderSize, children)) return 0;
    while (children.remaining() >= AtomHeaderSize) {
        std::uint32_t size = 0;
        std::uint32_t type = 0;
        ByteReader child;
        if (!children.PeekU32BE(children.position(), size) || !children.PeekU32BE(children.position() + 4, type) ||
            size < AtomHeaderSize || !children.Take(size, child))
            return 0;
        std::uint32_t timeScale = 0;
        if (type == FourCC("mvhd")) return child.PeekU32BE(atom_fields::MovieTimeScale, timeScale) ? timeScale : 0;
    }
    return 0;
}

}

std::unique_ptr<CZentiMovie> CopyMovieAtom(const CZentiMovie& source, const MovieAtomCopyRequest& request) {
    const AtomHeader* header = MoviePrivateAccess::GetAtomHeader(source);
    const std::uint32_t sourceSize = MoviePrivateAccess::GetAtomSize(source);
    if (header == nullptr || sourceSize < AtomHeaderSize) return nullptr;
    const ByteReader moov(header, sourceSize);

    NewMoviePlan reelPlan;
    const NewMoviePlan* plan = request.plan;
    if (plan == nullptr && request.reel != nullptr) {
        if (!BuildNewMoviePlan(source, nullptr, *request.reel, reelPlan)) return nullptr;
        plan = &reelPlan;
    }

    CopyContext context;
    context.rebaseChunkOffsets = request.rebaseChunkOffsets;
    context.plan = plan;
    context.modificationTime = CurrentMovieTime();
    context.movieTimeScale = FindMovieTimeScale(moov);
    if (request.aliasRecord != nullptr) {
        std::uint16_t recordSize = 0;
        const ByteReader record(request.aliasRecord, request.aliasRecordBytes);
        if (!record.PeekU16BE(AliasRecordSizeOffset, recordSize) || recordSize < AliasRecordMinimumSize ||
            recordSize > request.aliasRecordBytes)
            return nullptr;
        context.aliasRecord = request.aliasRecord;
        context.aliasRecordSize = recordSize;
    }

    // Room for the copy: the source, the rebuilt tables' entries (sizes,
    // chunk offsets and sync samples of the frames; runs and offsets of the
    // sound chunks), each track's single data reference entry grown by at
    // most the alias record, and the padding below alignment + 8.
    const std::uint64_t tracks = source.GetTrackMediaCount();
    const std::uint64_t alignment = request.alignment != nullptr ? request.alignment->alignment : 0;
    const std::uint64_t entries = plan == nullptr ? 0 : 4 * (3 * plan->FrameCount()) + 16 * plan->SoundChunkCount();
    const std::uint64_t room =
        std::uint64_t(sourceSize) + entries + tracks * (context.aliasRecordSize + 12u) + alignment + AtomHeaderSize;
    if (room > std::numeric_limits<std::size_t>::max()) throw std::bad_alloc();
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(room), 0);

    ByteWriter dst(buffer.data(), buffer.size());
    ByteReader src = moov;
    MoovAtomCopier root(context);
    const std::uint32_t copied = root.copy(dst, FourCC("moov"), src);
    if (root.copyContext().failed || copied < AtomHeaderSize) return nullptr;

    if (request.alignment != nullptr) {
        const std::uint32_t pad = MoovAtomPadding(*request.alignment, copied);
        if (pad != 0) {
            const std::uint64_t padded = std::uint64_t(copied) + pad;
            // The 'free' atom's payload is the buffer's zero bytes.
            if (padded > 0xFFFFFFFFu || !dst.PokeU32BE(copied, pad) || !dst.PokeU32BE(copied + 4, FourCC("free")) ||
                padded > buffer.size() || !dst.PokeU32BE(0, static_cast<std::uint32_t>(padded)))
                return nullptr;
        }
    }

    try {
        return MoviePrivateAccess::NewMovie(reinterpret_cast<const AtomHeader*>(buffer.data()), nullptr);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

std::unique_ptr<CZentiMovie> copyMovieAtom(const CZentiMovie& source, const CClipreelMovie* reel,
                                           const CMoovAtomAlignmentInfo* alignment, bool rebaseChunkOffsets) {
    MovieAtomCopyRequest request;
    request.reel = reel;
    request.alignment = alignment;
    request.rebaseChunkOffsets = rebaseChunkOffsets;
    return CopyMovieAtom(source, request);
}

std::unique_ptr<CZentiMovie> CopyMovieAtomWithAliasRecord(const CZentiMovie& source, const CClipreelMovie* reel,
                                                          const std::uint8_t* aliasRecord,
                                                          std::size_t aliasRecordBytes) {
    MovieAtomCopyRequest request;
    request.reel = reel;
    request.aliasRecord = aliasRecord;
    request.aliasRecordBytes = aliasRecordBytes;
    return CopyMovieAtom(source, request);
}

}
