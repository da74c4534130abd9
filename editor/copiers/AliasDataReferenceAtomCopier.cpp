#include "editor/copiers/AliasDataReferenceAtomCopier.h"

#include "source/AtomFields.h"
#include "source/AtomHeader.h"

namespace clipreel {

namespace {
// Size, type, version and flags.
constexpr std::uint32_t EntryHeaderSize = atom_fields::DataReferenceData;
}

AliasDataReferenceAtomCopier::~AliasDataReferenceAtomCopier() = default;

std::uint32_t AliasDataReferenceAtomCopier::copy(ByteWriter& dst, std::uint32_t, ByteReader& src) {
    const CopyContext* ctx = context();
    if (ctx == nullptr || ctx->aliasRecord == nullptr) return fail();
    ByteReader entry;
    if (!takeAtom(src, entry)) return 0;
    std::uint32_t entryType = 0;
    if (!entry.PeekU32BE(4, entryType)) return fail();
    const std::uint32_t size = EntryHeaderSize + ctx->aliasRecordSize;
    if (size < EntryHeaderSize || !dst.WriteU32BE(size) || !dst.WriteFourCC(entryType) || !dst.WriteU32BE(0) ||
        !dst.WriteBytes(ctx->aliasRecord, ctx->aliasRecordSize))
        return fail();
    return size;
}

std::uint32_t AliasDataReferenceAtomCopier::copyChildren(ByteWriter&, ByteReader&, std::uint32_t) { return 0; }

}
