#ifndef CLIPREEL_TESTS_SAMPLE_ATOM_WALK_H
#define CLIPREEL_TESTS_SAMPLE_ATOM_WALK_H

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace clipreel {
namespace test {

// A minimal, independent atom walker for checking written movies.
struct Atom {
    std::uint32_t type = 0;
    std::uint64_t offset = 0;   // the size field
    std::uint64_t size = 0;     // header included
    std::uint64_t header = 8;   // 16 for the 64-bit size form
    bool found = false;
    std::uint64_t PayloadOffset() const { return offset + header; }
    std::uint64_t End() const { return offset + size; }
};

class AtomWalk {
public:
    explicit AtomWalk(const std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}

    // The atoms in [start, end) in order; stops at one that does not fit.
    std::vector<Atom> Children(std::uint64_t start, std::uint64_t end) const;
    std::vector<Atom> TopLevel() const { return Children(0, bytes_.size()); }
    std::vector<Atom> Children(const Atom& parent) const { return Children(parent.PayloadOffset(), parent.End()); }
    // The first child of this type; found is false when there is none.
    Atom Child(const Atom& parent, const char* type) const;
    // Follows a path of first children.
    Atom Path(const Atom& from, std::initializer_list<const char*> types) const;
    // The first top-level 'moov'.
    Atom Movie() const;
    // The 'trak' whose media handler names this subtype ("vide", "soun").
    Atom Track(const char* subtype) const;

    std::uint32_t U32(std::uint64_t offset) const;
    std::uint16_t U16(std::uint64_t offset) const;
    std::uint64_t U64(std::uint64_t offset) const;
    std::string Text(std::uint64_t offset, std::size_t length) const;

    const std::vector<std::uint8_t>& bytes() const { return bytes_; }

private:
    const std::vector<std::uint8_t>& bytes_;
};

std::uint32_t Code(const char* type);

}
}

#endif
