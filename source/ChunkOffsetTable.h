#ifndef CLIPREEL_SOURCE_CHUNK_OFFSET_TABLE_H
#define CLIPREEL_SOURCE_CHUNK_OFFSET_TABLE_H

#include "bytes/ByteReader.h"
#include "bytes/ByteWriter.h"

#include <cstdint>
#include <vector>

namespace clipreel {

// A chunk offset table ('stco') over the bytes of its whole atom: each
// chunk's 32-bit offset in the file that holds the media.
class ChunkOffsetTable {
public:
    explicit ChunkOffsetTable(const ByteReader& tableAtom) : atom(tableAtom) {}

    std::uint32_t Count() const;
    bool HoldsEntries() const;
    // False past the count or the atom's end.
    bool Offset(std::uint32_t index, std::uint32_t& offset) const;

    // Sets one chunk's offset in a table at table.
    static bool SetOffset(ByteWriter& table, std::uint32_t index, std::uint32_t offset);
    // Writes a table of offsets at dst's position, its header taken from the
    // source table; size is the bytes written.
    static bool Write(ByteWriter& dst, const ByteReader& source, const std::vector<std::uint32_t>& offsets,
                      std::uint32_t& size);

private:
    ByteReader atom;
};

}

#endif
