#include "editor/copiers/AtomWithChildrenCopier.h"

#include "source/AtomHeader.h"

namespace clipreel {

AtomWithChildrenCopier::~AtomWithChildrenCopier() = default;

std::uint32_t AtomWithChildrenCopier::copy(ByteWriter& dst, std::uint32_t, ByteReader& src) {
    ByteReader atom;
    if (!takeAtom(src, atom)) return 0;
    const std::size_t headerPosition = dst.position();
    ByteReader header;
    ByteReader content;
    if (!atom.Sub(0, AtomHeaderSize, header) || !atom.Sub(AtomHeaderSize, atom.size() - AtomHeaderSize, content))
        return fail();
    if (!dst.WriteBytes(header.data(), header.size())) return fail();
    const std::uint32_t written =
        copyChildren(dst, content, static_cast<std::uint32_t>(content.size()));
    if (failed()) return 0;
    const std::uint32_t newSize = written + AtomHeaderSize;
    if (newSize < written || !dst.PokeU32BE(headerPosition, newSize)) return fail();
    return newSize;
}

std::uint32_t AtomWithChildrenCopier::copyChildren(ByteWriter& dst, ByteReader& src, std::uint32_t) {
    std::uint32_t written = 0;
    std::uint32_t type = 0;
    while (nextChild(src, type)) {
        written += copyChildUnchanged(dst, src);
        if (failed()) return 0;
    }
    return failed() ? 0 : written;
}

bool AtomWithChildrenCopier::nextChild(const ByteReader& src, std::uint32_t& type) const {
    if (src.remaining() == 0 || failed()) return false;
    if (!peekType(src, type)) {
        fail();
        return false;
    }
    return true;
}

std::uint32_t AtomWithChildrenCopier::copyChildUnchanged(ByteWriter& dst, ByteReader& src) const {
    ByteReader child;
    if (!takeAtom(src, child)) return 0;
    return writeUnchanged(dst, child);
}

}
