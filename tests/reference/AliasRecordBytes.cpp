#include "tests/reference/AliasRecordBytes.h"

namespace clipreel {
namespace test {

AliasRecordBytes::AliasRecordBytes(std::uint16_t totalSize, const std::string& volumeName,
                                   const std::string& fileName) {
    U32(0);               // user type
    U16(totalSize);       // record size
    U16(2);               // version
    U16(0);               // kind: file
    Field(volumeName, 28);
    U32(0);               // volume creation date
    U16(0);               // volume signature
    U16(0xFFFF);          // volume type
    U32(0);               // parent directory
    Field(fileName, 64);
    U32(0);               // file number
    U32(0);               // file creation date
    U32(0);               // file type
    U32(0);               // file creator
    U16(0xFFFF);          // levels up
    U16(0xFFFF);          // levels down
    U32(0);               // volume attributes
    stored.insert(stored.end(), 12, 0);
}

AliasRecordBytes& AliasRecordBytes::Tag(std::int16_t tag, const std::string& data) {
    U16(static_cast<std::uint16_t>(tag));
    U16(static_cast<std::uint16_t>(data.size()));
    stored.insert(stored.end(), data.begin(), data.end());
    if (data.size() % 2 != 0) stored.push_back(0);
    return *this;
}

AliasRecordBytes& AliasRecordBytes::Utf16Tag(std::int16_t tag, const std::u16string& text) {
    std::string data;
    data.push_back(static_cast<char>(text.size() >> 8));
    data.push_back(static_cast<char>(text.size() & 0xFF));
    return Tag(tag, data + Utf16BE(text));
}

void AliasRecordBytes::U16(std::uint16_t value) {
    stored.push_back(static_cast<std::uint8_t>(value >> 8));
    stored.push_back(static_cast<std::uint8_t>(value));
}

void AliasRecordBytes::U32(std::uint32_t value) {
    U16(static_cast<std::uint16_t>(value >> 16));
    U16(static_cast<std::uint16_t>(value));
}

void AliasRecordBytes::Field(const std::string& text, std::size_t size) {
    stored.push_back(static_cast<std::uint8_t>(text.size()));
    stored.insert(stored.end(), text.begin(), text.end());
    stored.insert(stored.end(), size - 1 - text.size(), 0);
}

std::string Utf16BE(const std::u16string& text) {
    std::string out;
    for (const char16_t unit : text) {
        out.push_back(static_cast<char>(unit >> 8));
        out.push_back(static_cast<char>(unit & 0xFF));
    }
    return out;
}

std::string ParsedAliasRecord::TagData(std::int16_t tag) const {
    for (const auto& entry : tags)
        if (entry.first == tag) return entry.second;
    return "<absent>";
}

bool ParsedAliasRecord::HasTag(std::int16_t tag) const {
    for (const auto& entry : tags)
        if (entry.first == tag) return true;
    return false;
}

std::string ParsedAliasRecord::BaseString(std::size_t offset) const {
    if (offset >= base.size()) return "<out of range>";
    const std::size_t length = base[offset];
    return std::string(base.begin() + static_cast<std::ptrdiff_t>(offset + 1),
                       base.begin() + static_cast<std::ptrdiff_t>(offset + 1 + length));
}

ParsedAliasRecord ParseAliasRecord(const std::vector<std::uint8_t>& record) {
    ParsedAliasRecord parsed;
    if (record.size() < 150) {
        parsed.error = "shorter than the base record";
        return parsed;
    }
    parsed.base.assign(record.begin(), record.begin() + 150);
    const std::size_t size = static_cast<std::size_t>(record[4] << 8 | record[5]);
    if (size != record.size()) {
        parsed.error = "record size " + std::to_string(size) + " for " + std::to_string(record.size()) + " bytes";
        return parsed;
    }
    std::size_t at = 150;
    while (at + 4 <= record.size()) {
        if (at % 2 != 0) {
            parsed.error = "tagged record at odd offset " + std::to_string(at);
            return parsed;
        }
        const auto tag = static_cast<std::int16_t>(record[at] << 8 | record[at + 1]);
        const std::size_t length = static_cast<std::size_t>(record[at + 2] << 8 | record[at + 3]);
        const std::size_t padded = length + length % 2;
        if (at + 4 + padded > record.size()) {
            parsed.error = "tagged record " + std::to_string(tag) + " runs past the end";
            return parsed;
        }
        const auto data = record.begin() + static_cast<std::ptrdiff_t>(at + 4);
        parsed.tags.emplace_back(tag, std::string(data, data + static_cast<std::ptrdiff_t>(length)));
        if (padded != length && record[at + 4 + length] != 0) {
            parsed.error = "non-zero pad byte after tag " + std::to_string(tag);
            return parsed;
        }
        at += 4 + padded;
        if (tag == -1) break;
    }
    if (parsed.tags.empty() || parsed.tags.back().first != -1 || at != record.size())
        parsed.error = "the end tag does not close the record";
    return parsed;
}

}
}
