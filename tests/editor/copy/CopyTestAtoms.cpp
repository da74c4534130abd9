#include "CopyTestAtoms.h"

#include "source/MoviePrivateAccess.h"

#include <gtest/gtest.h>

namespace clipreel {
namespace test {

std::uint32_t U32At(const std::vector<std::uint8_t>& bytes, std::size_t offset) {
    if (offset + 4 > bytes.size()) {
        ADD_FAILURE() << "read past the end at " << offset;
        return 0;
    }
    return (std::uint32_t(bytes[offset]) << 24) | (std::uint32_t(bytes[offset + 1]) << 16) |
           (std::uint32_t(bytes[offset + 2]) << 8) | std::uint32_t(bytes[offset + 3]);
}

void PutU32At(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint32_t value) {
    ASSERT_LE(offset + 4, bytes.size());
    for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
}

std::uint32_t Code(const char (&code)[5]) {
    return (std::uint32_t(std::uint8_t(code[0])) << 24) | (std::uint32_t(std::uint8_t(code[1])) << 16) |
           (std::uint32_t(std::uint8_t(code[2])) << 8) | std::uint32_t(std::uint8_t(code[3]));
}

std::string CodeText(std::uint32_t code) {
    std::string text;
    for (int i = 3; i >= 0; --i) text += static_cast<char>((code >> (8 * i)) & 0xFF);
    return text;
}

AtomRef AtomAt(const std::vector<std::uint8_t>& bytes, std::size_t offset) {
    AtomRef atom;
    if (offset + 8 > bytes.size()) return atom;
    atom.size = U32At(bytes, offset);
    atom.type = U32At(bytes, offset + 4);
    atom.offset = offset;
    atom.found = atom.size >= 8 && offset + atom.size <= bytes.size();
    return atom;
}

std::vector<AtomRef> ChildrenOf(const std::vector<std::uint8_t>& bytes, const AtomRef& parent) {
    std::vector<AtomRef> children;
    if (!parent.found) return children;
    std::size_t at = parent.offset + 8;
    const std::size_t end = parent.offset + parent.size;
    while (at + 8 <= end) {
        const AtomRef child = AtomAt(bytes, at);
        if (!child.found || at + child.size > end) {
            ADD_FAILURE() << "child " << CodeText(child.type) << " at " << at << " runs past its parent";
            break;
        }
        children.push_back(child);
        at += child.size;
    }
    return children;
}

AtomRef ChildOf(const std::vector<std::uint8_t>& bytes, const AtomRef& parent, std::uint32_t type) {
    for (const AtomRef& child : ChildrenOf(bytes, parent))
        if (child.type == type) return child;
    return AtomRef{};
}

AtomRef TrackOf(const std::vector<std::uint8_t>& bytes, const AtomRef& moov, std::uint32_t handler) {
    for (const AtomRef& track : ChildrenOf(bytes, moov)) {
        if (track.type != Code("trak")) continue;
        const AtomRef hdlr = ChildOf(bytes, ChildOf(bytes, track, Code("mdia")), Code("hdlr"));
        if (hdlr.found && U32At(bytes, hdlr.offset + 16) == handler) return track;
    }
    return AtomRef{};
}

AtomRef InTrack(const std::vector<std::uint8_t>& bytes, const AtomRef& moov, std::uint32_t handler,
                const std::vector<std::uint32_t>& path) {
    AtomRef at = TrackOf(bytes, moov, handler);
    for (std::uint32_t type : path) at = ChildOf(bytes, at, type);
    return at;
}

AtomRef SampleTableChild(const std::vector<std::uint8_t>& bytes, const AtomRef& moov, std::uint32_t handler,
                         std::uint32_t type) {
    return InTrack(bytes, moov, handler, {Code("mdia"), Code("minf"), Code("stbl"), type});
}

std::vector<std::uint32_t> TableEntries(const std::vector<std::uint8_t>& bytes, const AtomRef& table,
                                        std::size_t countOffset) {
    std::vector<std::uint32_t> entries;
    if (!table.found) {
        ADD_FAILURE() << "no table";
        return entries;
    }
    const std::uint32_t count = U32At(bytes, table.offset + countOffset);
    for (std::uint32_t i = 0; i < count; ++i) entries.push_back(U32At(bytes, table.offset + countOffset + 4 + 4 * i));
    return entries;
}

std::vector<std::size_t> ModificationTimeFields(const std::vector<std::uint8_t>& bytes, const AtomRef& moov) {
    std::vector<std::size_t> fields;
    for (const AtomRef& child : ChildrenOf(bytes, moov)) {
        if (child.type == Code("mvhd")) fields.push_back(child.offset + 16);
        if (child.type != Code("trak")) continue;
        const AtomRef tkhd = ChildOf(bytes, child, Code("tkhd"));
        const AtomRef mdhd = ChildOf(bytes, ChildOf(bytes, child, Code("mdia")), Code("mdhd"));
        if (tkhd.found) fields.push_back(tkhd.offset + 16);
        if (mdhd.found) fields.push_back(mdhd.offset + 16);
    }
    return fields;
}

std::vector<std::uint8_t> MovieBytes(const CZentiMovie& movie) {
    const auto* header = reinterpret_cast<const std::uint8_t*>(MoviePrivateAccess::GetAtomHeader(movie));
    const unsigned size = MoviePrivateAccess::GetAtomSize(movie);
    if (header == nullptr) return {};
    return std::vector<std::uint8_t>(header, header + size);
}

}
}
