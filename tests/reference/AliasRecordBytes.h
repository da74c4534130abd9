#ifndef CLIPREEL_TESTS_REFERENCE_ALIAS_RECORD_BYTES_H
#define CLIPREEL_TESTS_REFERENCE_ALIAS_RECORD_BYTES_H

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace clipreel {
namespace test {

// A flattened alias record spelled out field by field, for comparing
// against what the library flattens.
class AliasRecordBytes {
public:
    // The 150-byte base record: user type 0, the total size, version 2,
    // kind 0, the volume name, volume type 0xFFFF, the file name and both
    // level counts 0xFFFF; every other field zero.
    AliasRecordBytes(std::uint16_t totalSize, const std::string& volumeName, const std::string& fileName);

    // One tagged record: tag, length, data and a zero pad byte after odd data.
    AliasRecordBytes& Tag(std::int16_t tag, const std::string& data);
    // A tagged record of a character count and UTF-16 big-endian characters.
    AliasRecordBytes& Utf16Tag(std::int16_t tag, const std::u16string& text);
    AliasRecordBytes& End() { return Tag(-1, std::string()); }

    const std::vector<std::uint8_t>& bytes() const { return stored; }

private:
    void U16(std::uint16_t value);
    void U32(std::uint32_t value);
    void Field(const std::string& text, std::size_t size);

    std::vector<std::uint8_t> stored;
};

// A flattened record taken apart again.
struct ParsedAliasRecord {
    std::vector<std::uint8_t> base;
    std::vector<std::pair<std::int16_t, std::string>> tags;  // the end tag included
    std::string error;                                       // empty when well formed

    // The data of the first record with this tag; "<absent>" without one.
    std::string TagData(std::int16_t tag) const;
    bool HasTag(std::int16_t tag) const;
    // The length-prefixed field at offset in the base record.
    std::string BaseString(std::size_t offset) const;
};

// Checks the framing: the record size at byte 4 equals the length, every
// tagged record starts on an even offset, pad bytes are zero and the end
// tag closes the record exactly.
ParsedAliasRecord ParseAliasRecord(const std::vector<std::uint8_t>& record);

std::string Utf16BE(const std::u16string& text);

}
}

#endif
