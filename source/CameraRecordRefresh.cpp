#include "source/CameraRecordRefresh.h"

#include <cstdint>

namespace clipreel {

namespace {

// Two byte ranges of the thumbnail share at least one byte.
bool Overlap(std::uint32_t firstOffset, std::uint32_t firstSize, std::uint32_t secondOffset, std::uint32_t secondSize) {
    return std::uint64_t(firstOffset) < std::uint64_t(secondOffset) + secondSize &&
           std::uint64_t(secondOffset) < std::uint64_t(firstOffset) + firstSize;
}

std::string KnownCreatorVersions() {
    std::string text;
    const std::size_t count = sizeof MovieRecordLayouts / sizeof MovieRecordLayouts[0];
    for (std::size_t i = 0; i < count; ++i) {
        // Oldest first, as people count versions.
        const MovieRecordLayout* layout = MovieRecordLayouts[count - 1 - i];
        if (i > 0) text += i + 1 == count ? " and " : ", ";
        text += std::to_string(layout->creatorVersion);
    }
    return text;
}

}

CameraRecordRefresh CheckCameraRecordRefresh(unsigned creatorVersion, const MovieDesc& desc, unsigned thumbnailSize) {
    const MovieRecordLayout* layout = MovieRecordLayoutForCreatorVersion(creatorVersion);
    if (layout == nullptr) return CameraRecordRefresh::UnknownCreatorVersion;
    if (desc.recordSize == 0 || (desc.byteOrder != MovieDesc::LittleEndian && desc.byteOrder != MovieDesc::BigEndian))
        return CameraRecordRefresh::NoRecord;
    if (desc.recordOffset > thumbnailSize || desc.recordSize > thumbnailSize - desc.recordOffset)
        return CameraRecordRefresh::NoRecord;
    if (desc.recordTag != layout->tag) return CameraRecordRefresh::OtherKind;
    if (desc.recordSize < layout->minimumSize) return CameraRecordRefresh::TooShort;
    if (desc.imageIdSize != 0 && Overlap(desc.recordOffset, desc.recordSize, desc.imageIdOffset, desc.imageIdSize))
        return CameraRecordRefresh::IdentifierInRecord;
    return CameraRecordRefresh::Possible;
}

std::string DescribeCameraRecordRefresh(CameraRecordRefresh verdict, unsigned creatorVersion, const MovieDesc& desc) {
    const MovieRecordLayout* layout = MovieRecordLayoutForCreatorVersion(creatorVersion);
    const MovieRecordLayout* found = MovieRecordLayoutForTag(desc.recordTag);
    switch (verdict) {
    case CameraRecordRefresh::Possible: return std::string();
    case CameraRecordRefresh::UnknownCreatorVersion:
        return "the save knows creator versions " + KnownCreatorVersions() + " only";
    case CameraRecordRefresh::NoRecord: return "it has no camera record for the save to refresh";
    case CameraRecordRefresh::OtherKind:
        return "its camera record is " + std::string(found != nullptr ? found->name : "of an unknown kind") +
               ", while creator version " + std::to_string(creatorVersion) + " writes a " + layout->name +
               " one, the only kind the save refreshes for it";
    case CameraRecordRefresh::TooShort:
        return "its " + std::string(layout->name) + " camera record of " + std::to_string(desc.recordSize) +
               " bytes ends before the fields the save rewrites (" + std::to_string(layout->minimumSize) +
               " bytes needed)";
    case CameraRecordRefresh::IdentifierInRecord:
        return "its image identifier lies inside its camera record, where a new one would overwrite it";
    }
    return std::string();
}

}
