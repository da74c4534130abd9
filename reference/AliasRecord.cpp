#include "reference/AliasRecord.h"

#include "bytes/ByteWriter.h"

#include <cstdlib>
#include <limits>

namespace clipreel {

CAliasRecord::CAliasRecord(const wchar_t* target) : path(target != nullptr ? target : L"") {}

CAliasRecord::~CAliasRecord() = default;

bool CAliasRecord::addTaggedRecord(std::int16_t tag, const void* data, std::size_t length) {
    if (length > std::numeric_limits<std::uint16_t>::max()) return false;
    TaggedRecord record;
    record.tag = tag;
    record.length = static_cast<std::uint16_t>(length);
    const std::uint8_t* bytes = static_cast<const std::uint8_t*>(data);
    if (length != 0) record.data.assign(bytes, bytes + length);
    taggedRecords.push_back(std::move(record));
    return true;
}

void* CAliasRecord::GetRecordData(std::uint32_t& length) const {
    length = 0;
    if (!baseRecord) return nullptr;

    // Each tagged record starts on an even offset: an odd length is
    // followed by one zero byte, which the record size counts.
    std::size_t total = BaseRecordSize;
    for (const TaggedRecord& record : taggedRecords) total += 4 + record.length + (record.length & 1u);
    if (total > std::numeric_limits<std::uint16_t>::max()) return nullptr;

    void* block = std::calloc(total, 1);
    if (block == nullptr) return nullptr;
    ByteWriter out(block, total);
    const BaseRecord& base = *baseRecord;
    bool ok = out.WriteU32BE(base.userType) && out.WriteU16BE(static_cast<std::uint16_t>(total)) &&
              out.WriteU16BE(base.version) && out.WriteU16BE(base.aliasKind) &&
              out.WriteBytes(base.volumeName, sizeof base.volumeName) && out.WriteU32BE(base.volumeCreationDate) &&
              out.WriteU16BE(base.volumeSignature) && out.WriteU16BE(base.volumeType) &&
              out.WriteU32BE(base.parentDirectoryId) && out.WriteBytes(base.fileName, sizeof base.fileName) &&
              out.WriteU32BE(base.fileNumber) && out.WriteU32BE(base.fileCreationDate) &&
              out.WriteU32BE(base.fileType) && out.WriteU32BE(base.fileCreator) &&
              out.WriteU16BE(base.levelsFromAlias) && out.WriteU16BE(base.levelsToTarget) &&
              out.WriteU32BE(base.volumeAttributes) &&
              out.WriteBytes(base.fileSystemIdAndReserved, sizeof base.fileSystemIdAndReserved);
    for (const TaggedRecord& record : taggedRecords) {
        if (!ok) break;
        ok = out.WriteU16BE(static_cast<std::uint16_t>(record.tag)) && out.WriteU16BE(record.length) &&
             (record.length == 0 || out.WriteBytes(record.data.data(), record.length)) &&
             out.Skip(record.length & 1u);
    }
    if (!ok || out.position() != total) {
        std::free(block);
        return nullptr;
    }
    length = static_cast<std::uint32_t>(total);
    return block;
}

}
