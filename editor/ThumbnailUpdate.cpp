#include "ClipreelMovFileEditor.h"

#include "ZentiMovFile.h"
#include "ZentiMovie.h"
#include "bytes/ByteOrder.h"
#include "bytes/ByteWriter.h"
#include "editor/JpegImageData.h"
#include "platform/RandomGuid.h"
#include "source/CameraRecordRefresh.h"
#include "source/MovieDesc.h"
#include "source/MovieRecordLayout.h"

#include <algorithm>
#include <cstdint>
#include <new>
#include <vector>

namespace {

using clipreel::ByteOrder;
using clipreel::ByteWriter;
using clipreel::MovieRecordLayout;

struct RecordValues {
    std::uint32_t frameCount;
    std::uint32_t firstFrameOffset;
    std::uint32_t firstFrameSize;
    std::uint32_t fileSize;
    std::uint32_t durationMs;
};

void WriteRecord(ByteWriter& record, const MovieRecordLayout& layout, const RecordValues& values, ByteOrder order) {
    using clipreel::PokeRecordField;
    PokeRecordField(record, layout.frameCount, values.frameCount, order);
    PokeRecordField(record, layout.clippedFrameCount, values.frameCount >= 0xFFFFu ? 0xFFFFu : values.frameCount,
                    order);
    for (const clipreel::MovieRecordField& field : layout.cleared) PokeRecordField(record, field, 0, order);
    PokeRecordField(record, layout.firstFrameOffset, values.firstFrameOffset, order);
    PokeRecordField(record, layout.firstFrameSize, values.firstFrameSize, order);
    PokeRecordField(record, layout.movFileSize, values.fileSize, order);
    PokeRecordField(record, layout.three, 3, order);
    PokeRecordField(record, layout.durationMs, values.durationMs, order);
}

// The refreshed thumbnail must read as the same record again, now holding
// the new file's size: the reader finds the record through the maker note's
// entries and footer, which the record's fields or the identifier may share
// bytes with in a malformed maker note. Writing there would leave a movie
// whose description no longer reads, so no longer a valid camera movie.
bool ReadsAsSameRecord(const clipreel::MovieDesc& before, const clipreel::MovieDesc& after, std::uint32_t fileSize) {
    const std::uint32_t expectedFileSize = before.valid ? fileSize : before.movFileSize;
    return after.valid == before.valid && after.byteOrder == before.byteOrder &&
           after.recordOffset == before.recordOffset && after.recordSize == before.recordSize &&
           after.recordTag == before.recordTag && after.imageIdOffset == before.imageIdOffset &&
           after.imageIdSize == before.imageIdSize && after.movieMode == before.movieMode &&
           after.framePerUnit == before.framePerUnit && after.groupOfPicture == before.groupOfPicture &&
           after.montagioTime == before.montagioTime && after.movFileSize == expectedFileSize;
}

}

bool CClipreelMovFileEditor::updateTHMData(CZentiMovie* movie, std::int64_t fileSize, const void* jpeg,
                                           unsigned jpegSize) const {
    if (movie == nullptr || sourceFile == nullptr) return false;
    const CZentiMovie* sourceMovie = sourceFile->GetZentiMovie();
    if (sourceMovie == nullptr) return false;

    unsigned thumbnailSize = 0;
    void* thumbnail = movie->GetTHMData(thumbnailSize);
    if (thumbnail == nullptr || thumbnailSize == 0) return false;
    const clipreel::MovieDesc desc(thumbnailSize, thumbnail);
    if (desc.recordSize == 0) return false;

    // Everything is checked before the first byte changes, so that a refusal
    // leaves the thumbnail as it was. The creator version decides the
    // layout; the record the reader found must be that one, by the rule the
    // tools also tell editable reels by.
    const unsigned creatorVersion = sourceMovie->GetCreatorVersion();
    if (clipreel::CheckCameraRecordRefresh(creatorVersion, desc, thumbnailSize) !=
        clipreel::CameraRecordRefresh::Possible)
        return false;
    const MovieRecordLayout* layout = clipreel::MovieRecordLayoutForCreatorVersion(creatorVersion);
    const ByteOrder order = desc.byteOrder == clipreel::MovieDesc::BigEndian ? ByteOrder::Big : ByteOrder::Little;
    const bool replaceId = desc.imageIdSize == clipreel::platform::GuidSize;
    if (replaceId && (desc.imageIdOffset > thumbnailSize || thumbnailSize - desc.imageIdOffset < desc.imageIdSize))
        return false;

    const std::int32_t timeScale = movie->GetVideoMediaTimeScale();
    if (timeScale <= 0) return false;
    RecordValues values;
    values.frameCount = movie->GetVideoFrameCount();
    values.firstFrameOffset = static_cast<std::uint32_t>(movie->GetVideoFrameFileOffset(0));
    values.firstFrameSize = movie->GetVideoFrameDataSize(0);
    values.fileSize = static_cast<std::uint32_t>(static_cast<std::uint64_t>(fileSize));
    const std::int64_t durationMs = static_cast<std::int64_t>(movie->GetVideoMediaDuration()) * 1000 / timeScale;
    values.durationMs = static_cast<std::uint32_t>(static_cast<std::uint64_t>(durationMs));

    // The new image goes just past the old start of image and Exif segment,
    // and must fit in the old thumbnail's room.
    const std::uint8_t* imageData = nullptr;
    unsigned imageDataSize = 0;
    std::uint32_t splicePos = 0;
    if (jpeg != nullptr) {
        imageData = clipreel::findJpegImageData(jpeg, jpegSize, &imageDataSize);
        if (imageData == nullptr) return false;
        if (!clipreel::ExifSegmentEnd(thumbnail, thumbnailSize, splicePos)) return false;
        if (splicePos > thumbnailSize || imageDataSize > thumbnailSize - splicePos) return false;
    }

    std::uint8_t guid[clipreel::platform::GuidSize];
    if (replaceId && clipreel::Failed(clipreel::platform::CreateRandomGuid(guid))) return false;

    // The changes are made on a copy first and read back; only a copy that
    // still reads as the same record replaces the thumbnail.
    std::vector<std::uint8_t> staged;
    try {
        const auto* first = static_cast<const std::uint8_t*>(thumbnail);
        staged.assign(first, first + thumbnailSize);
    } catch (const std::bad_alloc&) {
        return false;
    }
    ByteWriter stagedWhole(staged.data(), staged.size());
    ByteWriter record(staged.data() + desc.recordOffset, desc.recordSize);
    WriteRecord(record, *layout, values, order);
    if (replaceId) {
        stagedWhole.Seek(desc.imageIdOffset);
        stagedWhole.WriteBytes(guid, sizeof guid);
    }
    unsigned newSize = thumbnailSize;
    if (jpeg != nullptr) {
        stagedWhole.Seek(splicePos);
        if (!stagedWhole.WriteBytes(imageData, imageDataSize)) return false;
        // Bytes of the old image past the new one's end stay; they only count
        // when the thumbnail would otherwise be too short to be read again:
        // a thumbnail the reader does not parse is no longer a camera movie's.
        newSize = std::min(thumbnailSize,
                           std::max(splicePos + imageDataSize, clipreel::MovieDesc::SmallestParsedThumbnail));
    }
    if (!ReadsAsSameRecord(desc, clipreel::MovieDesc(newSize, staged.data()), values.fileSize)) return false;

    std::copy(staged.begin(), staged.end(), static_cast<std::uint8_t*>(thumbnail));
    if (jpeg == nullptr) return true;
    return movie->UpdateZTDAAtomSize(8u + newSize);
}
