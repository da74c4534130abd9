#ifndef CLIPREEL_EDITOR_COPIERS_ATOM_COPIER_H
#define CLIPREEL_EDITOR_COPIERS_ATOM_COPIER_H

#include "bytes/ByteReader.h"
#include "bytes/ByteWriter.h"
#include "editor/copiers/CopyContext.h"

#include <cstdint>

namespace clipreel {

// Copies one atom unchanged. The base of every copier: it knows its parent,
// reaches the copy context of the root through the parents, and records a
// failure there when the source atom does not fit where it claims to be or
// the destination has no room for what it writes.
//
// Cursors: src is a window over the bytes of the enclosing atom (the copier
// never reads outside it) with its position at the atom to copy; dst writes
// into the driver's buffer and refuses to write past its end. Both advance
// past what was read and written.
class AtomCopier {
public:
    explicit AtomCopier(AtomCopier* parentCopier) : parent(parentCopier) {}
    virtual ~AtomCopier();
    AtomCopier(const AtomCopier&) = delete;
    AtomCopier& operator=(const AtomCopier&) = delete;

    // Copies the atom at src's position; type is what the caller expects
    // (informative). Returns the bytes written; 0 after a failure.
    virtual std::uint32_t copy(ByteWriter& dst, std::uint32_t type, ByteReader& src);

    // The copy context of the root copier; null for a copier without one.
    CopyContext* context() const;
    bool failed() const;

protected:
    // Records a failure in the context; always 0, to be returned.
    std::uint32_t fail() const;
    // Moves src past the atom at its position and gives a window over it
    // (header included). Fails when fewer than 8 bytes remain, the size is
    // below 8 or the atom runs past the window.
    bool takeAtom(ByteReader& src, ByteReader& atom) const;
    // Writes an atom's bytes unchanged; the bytes written or 0 on failure.
    std::uint32_t writeUnchanged(ByteWriter& dst, const ByteReader& atom) const;
    // Patches a big-endian value at offset inside an atom already written at
    // atomStart with atomSize bytes; fails when it would fall outside.
    bool patchU32(ByteWriter& dst, std::size_t atomStart, std::uint32_t atomSize, std::uint32_t offset,
                  std::uint32_t value) const;
    // The type of the atom at src's position, without moving; false when
    // fewer than 8 bytes remain.
    static bool peekType(const ByteReader& src, std::uint32_t& type);

    AtomCopier* const parent;
    // Set by a root copier only: the context its tree reads.
    CopyContext* rootContext = nullptr;
};

}

#endif
