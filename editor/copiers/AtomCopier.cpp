#include "editor/copiers/AtomCopier.h"

#include "source/AtomHeader.h"

namespace clipreel {

AtomCopier::~AtomCopier() = default;

CopyContext* AtomCopier::context() const {
    const AtomCopier* top = this;
    while (top->parent != nullptr) top = top->parent;
    return top->rootContext;
}

bool AtomCopier::failed() const {
    const CopyContext* ctx = context();
    return ctx != nullptr && ctx->failed;
}

std::uint32_t AtomCopier::fail() const {
    if (CopyContext* ctx = context()) ctx->failed = true;
    return 0;
}

bool AtomCopier::takeAtom(ByteReader& src, ByteReader& atom) const {
    std::uint32_t size = 0;
    if (!src.PeekU32BE(src.position(), size) || size < AtomHeaderSize || !src.Take(size, atom)) {
        fail();
        return false;
    }
    return true;
}

std::uint32_t AtomCopier::writeUnchanged(ByteWriter& dst, const ByteReader& atom) const {
    if (!dst.WriteBytes(atom.data(), atom.size())) return fail();
    return static_cast<std::uint32_t>(atom.size());
}

bool AtomCopier::patchU32(ByteWriter& dst, std::size_t atomStart, std::uint32_t atomSize, std::uint32_t offset,
                          std::uint32_t value) const {
    if (atomSize < 4 || offset > atomSize - 4 || !dst.PokeU32BE(atomStart + offset, value)) {
        fail();
        return false;
    }
    return true;
}

bool AtomCopier::peekType(const ByteReader& src, std::uint32_t& type) {
    return src.remaining() >= AtomHeaderSize && src.PeekU32BE(src.position() + 4, type);
}

std::uint32_t AtomCopier::copy(ByteWriter& dst, std::uint32_t, ByteReader& src) {
    ByteReader atom;
    if (!takeAtom(src, atom)) return 0;
    return writeUnchanged(dst, atom);
}

}
