#include "source/MovieRecordLayout.h"

namespace clipreel {

const MovieRecordLayout* MovieRecordLayoutForCreatorVersion(unsigned version) {
    for (const MovieRecordLayout* layout : MovieRecordLayouts)
        if (layout->creatorVersion == version) return layout;
    return nullptr;
}

const MovieRecordLayout* MovieRecordLayoutForTag(std::uint16_t tag) {
    for (const MovieRecordLayout* layout : MovieRecordLayouts)
        if (layout->tag == tag) return layout;
    return nullptr;
}

bool PeekRecordField(const ByteReader& bytes, std::size_t recordStart, const MovieRecordField& field,
                     ByteOrder order, std::uint32_t& value) {
    if (field.width == 4) return bytes.PeekU32(recordStart + field.offset, value, order);
    std::uint16_t narrow = 0;
    if (field.width != 2 || !bytes.PeekU16(recordStart + field.offset, narrow, order)) return false;
    value = narrow;
    return true;
}

bool PokeRecordField(ByteWriter& record, const MovieRecordField& field, std::uint32_t value, ByteOrder order) {
    if (field.width == 4) return record.PokeU32(field.offset, value, order);
    if (field.width == 2) return record.PokeU16(field.offset, static_cast<std::uint16_t>(value), order);
    return false;
}

}
