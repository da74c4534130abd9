#ifndef CLIPREEL_REFERENCE_ALIAS_RECORD_H
#define CLIPREEL_REFERENCE_ALIAS_RECORD_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace clipreel {

// A Mac OS alias record, the data of an 'alis' data reference: a version-2
// base record and tagged extension records, held in native byte order and
// flattened into big-endian bytes on request.
class CAliasRecord {
public:
    // The fixed part, as it lies at the start of the flattened record.
    struct BaseRecord {
        std::uint32_t userType = 0;
        std::uint16_t recordSize = 0;
        std::uint16_t version = 0;
        std::uint16_t aliasKind = 0;
        std::uint8_t volumeName[28] = {};  // length byte + up to 27 bytes
        std::uint32_t volumeCreationDate = 0;
        std::uint16_t volumeSignature = 0;
        std::uint16_t volumeType = 0;
        std::uint32_t parentDirectoryId = 0;
        std::uint8_t fileName[64] = {};    // length byte + up to 63 bytes
        std::uint32_t fileNumber = 0;
        std::uint32_t fileCreationDate = 0;
        std::uint32_t fileType = 0;
        std::uint32_t fileCreator = 0;
        std::uint16_t levelsFromAlias = 0;
        std::uint16_t levelsToTarget = 0;
        std::uint32_t volumeAttributes = 0;
        std::uint8_t fileSystemIdAndReserved[12] = {};
    };

    struct TaggedRecord {
        std::int16_t tag = 0;
        std::uint16_t length = 0;  // data bytes, without the pad byte
        std::vector<std::uint8_t> data;
    };

    static constexpr std::uint16_t BaseRecordSize = 150;
    // The longest path a record is made for, in wide characters.
    static constexpr std::size_t MaxPathLength = 259;

    explicit CAliasRecord(const wchar_t* path);
    virtual ~CAliasRecord();
    CAliasRecord(const CAliasRecord&) = delete;
    CAliasRecord& operator=(const CAliasRecord&) = delete;

    // A new calloc'ed block with the flattened record, released by the
    // caller with free, and its length; null and length 0 when there is no
    // base record, the record would not fit its 16-bit size, or memory runs
    // out.
    void* GetRecordData(std::uint32_t& length) const;

    bool HasBaseRecord() const { return baseRecord != nullptr; }
    const std::vector<TaggedRecord>& GetTaggedRecords() const { return taggedRecords; }

protected:
    // Appends a tagged record; false when the data does not fit its 16-bit length.
    bool addTaggedRecord(std::int16_t tag, const void* data, std::size_t length);

    std::wstring path;
    std::unique_ptr<BaseRecord> baseRecord;
    std::vector<TaggedRecord> taggedRecords;
};

}

#endif
