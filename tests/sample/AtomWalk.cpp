#include "tests/sample/AtomWalk.h"

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
    if (offset + 4 > bytes_.size()) throw std::out_of_range("read past the movie");
    return (static_cast<std::uint32_t>(bytes_[offset]) << 24) | (static_cast<std::uint32_t>(bytes_[offset + 1]) << 16) |
           (static_cast<std::uint32_t>(bytes_[offset + 2]) << 8) | bytes_[offset + 3];
}

std::uint16_t AtomWalk::U16(std::uint64_t offset) const {
    if (offset + 2 > bytes_.size()) throw std::out_of_range("read past the movie");
    return static_cast<std::uint16_t>((bytes_[offset] << 8) | bytes_[offset + 1]);
}

std::uint64_t AtomWalk::U64(std::uint64_t offset) const {
    return (static_cast<std::uint64_t>(U32(offset)) << 32) | U32(offset + 4);
}

std::string AtomWalk::Text(std::uint64_t offset, std::size_t length) const {
    if (offset + length > bytes_.size()) throw std::out_of_range("read past the movie");
    return std::string(bytes_.begin() + static_cast<std::ptrdiff_t>(offset),
                       bytes_.begin() + static_cast<std::ptrdiff_t>(offset + length));
}

std::vector<Atom> AtomWalk::Children(std::uint64_t start, std::uint64_t end) const {
    std::vector<Atom> atoms;
    std::uint64_t pos = start;
    while (pos + 8 <= end) {
        Atom atom;
        atom.offset = pos;
        atom.size = U32(pos);
        atom.type = U32(pos + 4);
        if (atom.size == 1) {
            if (pos + 16 > end) break;
            atom.size = U64(pos + 8);
            atom.header = 16;
        }
        if (atom.size < atom.header || atom.size > end - pos) break;
        atom.found = true;
        atoms.push_back(atom);
        pos += atom.size;
    }
    return atoms;
}

Atom AtomWalk::Child(const Atom& parent, const char* type) const {
    if (!parent.found) return Atom();
    for (const Atom& child : Children(parent)) {
        if (child.type == Code(type)) return child;
    }
    return Atom();
}

Atom AtomWalk::Path(const Atom& from, std::initializer_list<const char*> types) const {
    Atom atom = from;
    for (const char* type : types) atom = Child(atom, type);
    return atom;
}

Atom AtomWalk::Movie() const {
    for (const Atom& atom : TopLevel()) {
        if (atom.type == Code("moov")) return atom;
    }
    return Atom();
}

Atom AtomWalk::Track(const char* subtype) const {
    const Atom movie = Movie();
    if (!movie.found) return Atom();
    for (const Atom& child : Children(movie)) {
        if (child.type != Code("trak")) continue;
        const Atom handler = Path(child, {"mdia", "hdlr"});
        if (handler.found && U32(handler.offset + 16) == Code(subtype)) return child;
    }
    return Atom();
}

}
}
