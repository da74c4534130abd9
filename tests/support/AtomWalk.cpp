#include "tests/support/AtomWalk.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace clipreel {
namespace test {

std::uint32_t Code(const char* type) {
    return (static_cast<std::uint32_t>(static_cast<unsigned char>(type[0])) << 24) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(type[1])) << 16) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(type[2])) << 8) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(type[3]));
}

std::uint32_t AtomWalk::U32(std::uint64_t offset) const {
    if (offset + 4 > walked.size()) throw std::out_of_range("read past the movie");
    return (static_cast<std::uint32_t>(walked[offset]) << 24) | (static_cast<std::uint32_t>(walked[offset + 1]) << 16) |
           (static_cast<std::uint32_t>(walked[offset + 2]) << 8) | walked[offset + 3];
}

std::uint16_t AtomWalk::U16(std::uint64_t offset) const {
    if (offset + 2 > walked.size()) throw std::out_of_range("read past the movie");
    return static_cast<std::uint16_t>((walked[offset] << 8) | walked[offset + 1]);
}

std::uint64_t AtomWalk::U64(std::uint64_t offset) const {
    return (static_cast<std::uint64_t>(U32(offset)) << 32) | U32(offset + 4);
}

std::string AtomWalk::Text(std::uint64_t offset, std::size_t length) const {
    if (offset + length > walked.size()) throw std::out_of_range("read past the movie");
    return std::string(walked.begin() + static_cast<std::ptrdiff_t>(offset),
                       walked.begin() + static_cast<std::ptrdiff_t>(offset + length));
}

Atom AtomWalk::At(std::uint64_t start, std::uint64_t end) const {
    Atom atom;
    if (start + 8 > end) return atom;
    atom.offset = start;
    atom.size = U32(start);
    atom.type = U32(start + 4);
    if (atom.size == 1) {
        if (start + 16 > end) return Atom();
        atom.size = U64(start + 8);
        atom.header = 16;
    }
    if (atom.size < atom.header || atom.size > end - start) return Atom();
    atom.found = true;
    return atom;
}

std::vector<Atom> AtomWalk::Children(std::uint64_t start, std::uint64_t end) const {
    std::vector<Atom> atoms;
    std::uint64_t pos = start;
    while (pos + 8 <= end) {
        const Atom atom = At(pos, end);
        if (!atom.found) {
            if (misfits == MisfitFails)
                ADD_FAILURE() << "atom " << CodeText(U32(pos + 4)) << " at " << pos << " runs past its parent";
            break;
        }
        atoms.push_back(atom);
        pos += atom.size;
    }
    return atoms;
}

std::vector<Atom> AtomWalk::Children(const Atom& parent) const {
    if (!parent.found) return {};
    return Children(parent.PayloadOffset(), parent.End());
}

Atom AtomWalk::Child(const Atom& parent, AtomType type) const {
    for (const Atom& child : Children(parent)) {
        if (child.type == type.code) return child;
    }
    return Atom();
}

Atom AtomWalk::Path(const Atom& from, const std::vector<AtomType>& types) const {
    Atom atom = from;
    for (const AtomType type : types) atom = Child(atom, type);
    return atom;
}

Atom AtomWalk::Movie() const {
    for (const Atom& atom : TopLevel()) {
        if (atom.type == Code("moov")) return atom;
    }
    return Atom();
}

Atom AtomWalk::Track(const Atom& movie, AtomType subtype) const {
    for (const Atom& child : Children(movie)) {
        if (child.type != Code("trak")) continue;
        const Atom handler = Path(child, {"mdia", "hdlr"});
        if (handler.found && U32(handler.offset + 16) == subtype.code) return child;
    }
    return Atom();
}

Atom AtomWalk::SampleTable(const Atom& track, AtomType type) const {
    return Path(track, {"mdia", "minf", "stbl", type});
}

std::string CodeText(std::uint32_t code) {
    std::string text;
    for (int i = 3; i >= 0; --i) text += static_cast<char>((code >> (8 * i)) & 0xFF);
    return text;
}

std::uint32_t U32At(const Bytes& bytes, std::size_t offset) { return U32In(bytes, offset, true); }

void PutU32At(Bytes& bytes, std::size_t offset, std::uint32_t value) {
    ASSERT_LE(offset + 4, bytes.size());
    for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
}

std::uint32_t U32In(const Bytes& bytes, std::size_t offset, bool bigEndian) {
    if (offset + 4 > bytes.size()) {
        ADD_FAILURE() << "read past the end at " << offset;
        return 0;
    }
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) {
        const int shift = bigEndian ? 24 - 8 * i : 8 * i;
        value |= std::uint32_t(bytes[offset + i]) << shift;
    }
    return value;
}

std::uint16_t U16In(const Bytes& bytes, std::size_t offset, bool bigEndian) {
    if (offset + 2 > bytes.size()) {
        ADD_FAILURE() << "read past the end at " << offset;
        return 0;
    }
    return bigEndian ? static_cast<std::uint16_t>((bytes[offset] << 8) | bytes[offset + 1])
                     : static_cast<std::uint16_t>((bytes[offset + 1] << 8) | bytes[offset]);
}

Bytes Slice(const Bytes& bytes, std::uint64_t offset, std::uint64_t size) {
    if (offset + size > bytes.size()) {
        ADD_FAILURE() << "slice past the end at " << offset;
        return Bytes();
    }
    return Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(offset),
                 bytes.begin() + static_cast<std::ptrdiff_t>(offset + size));
}

std::vector<std::uint32_t> TableEntries(const Bytes& bytes, const Atom& table, std::size_t countOffset) {
    std::vector<std::uint32_t> entries;
    if (!table.found) {
        ADD_FAILURE() << "no table";
        return entries;
    }
    const std::uint32_t count = U32At(bytes, table.offset + countOffset);
    for (std::uint32_t i = 0; i < count; ++i) entries.push_back(U32At(bytes, table.offset + countOffset + 4 + 4 * i));
    return entries;
}

std::vector<std::size_t> ModificationTimeFields(const Bytes& bytes, const Atom& moov) {
    std::vector<std::size_t> fields;
    const AtomWalk walk(bytes);
    for (const Atom& child : walk.Children(moov)) {
        if (child.type == Code("mvhd")) fields.push_back(child.offset + 16);
        if (child.type != Code("trak")) continue;
        const Atom tkhd = walk.Child(child, "tkhd");
        const Atom mdhd = walk.Path(child, {"mdia", "mdhd"});
        if (tkhd.found) fields.push_back(tkhd.offset + 16);
        if (mdhd.found) fields.push_back(mdhd.offset + 16);
    }
    return fields;
}

std::vector<Atom> TopLevelAtoms(const Bytes& file) {
    const std::vector<Atom> atoms = AtomWalk(file).TopLevel();
    const std::uint64_t walked = atoms.empty() ? 0 : atoms.back().End();
    EXPECT_EQ(file.size(), walked) << "the atoms do not tile the file";
    return atoms;
}

Atom FindTopAtom(const Bytes& file, const char* type) {
    for (const Atom& atom : TopLevelAtoms(file))
        if (atom.type == Code(type)) return atom;
    ADD_FAILURE() << "no '" << type << "' atom";
    return Atom{};
}

}
}
