#ifndef CLIPREEL_REFERENCE_ALIAS_RECORD_EX_H
#define CLIPREEL_REFERENCE_ALIAS_RECORD_EX_H

#include "platform/VolumeInfo.h"
#include "reference/AliasRecord.h"
#include "reference/AliasTarget.h"

#include <cstdint>
#include <string>

namespace clipreel {

// The alias record of one file, built by the constructor: the base record
// and the tagged records 0 (parent directory name), 2 (absolute path),
// 11 (volume serial number and drive), 18 (path from the volume root),
// 19 (mount point), 15 (volume name), 14 (file name) and -1 (end). A path
// the record cannot be built for leaves the object without a base record.
class CAliasRecordEx : public CAliasRecord {
public:
    enum Tag : std::int16_t {
        TagParentDirectoryName = 0,
        TagAbsolutePath = 2,
        TagVolumeSerialAndDrive = 11,
        TagVolumeName = 15,
        TagFileName = 14,
        TagPosixPath = 18,
        TagMountPoint = 19,
        TagEnd = -1
    };

    // The system's volume services and path spelling.
    explicit CAliasRecordEx(const wchar_t* path);
    CAliasRecordEx(const wchar_t* path, platform::VolumeServices& services, AliasPathStyle style);
    ~CAliasRecordEx() override;

private:
    bool build(platform::VolumeServices& services, AliasPathStyle style);
};

}

#endif
