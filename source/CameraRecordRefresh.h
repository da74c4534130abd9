#ifndef CLIPREEL_SOURCE_CAMERA_RECORD_REFRESH_H
#define CLIPREEL_SOURCE_CAMERA_RECORD_REFRESH_H

#include "source/MovieDesc.h"
#include "source/MovieRecordLayout.h"

#include <string>

namespace clipreel {

// Whether a new movie's camera record can take the new file's values. The
// creator version of the source chooses which record kind the writer
// rewrites; the record the reader found must be that kind and reach past
// every rewritten field, and the new image identifier must not land in it.
// The thumbnail update refuses exactly what this refuses, and the tools ask
// it to tell whether a reel is editable: one rule for both.
enum class CameraRecordRefresh {
    Possible,
    UnknownCreatorVersion,  // no record layout is known for it
    NoRecord,               // no movie record was found in the thumbnail
    OtherKind,              // the record is not the kind the version writes
    TooShort,               // the record ends before a rewritten field
    IdentifierInRecord,     // the image identifier shares bytes with the record
};

// The verdict on the record desc read from a thumbnail of thumbnailSize
// bytes, in a movie of this creator version.
CameraRecordRefresh CheckCameraRecordRefresh(unsigned creatorVersion, const MovieDesc& desc, unsigned thumbnailSize);

// Why the record cannot be refreshed, as words that follow "not editable"
// in parentheses ("the save knows creator versions 6 and 10 only"); empty
// when it can.
std::string DescribeCameraRecordRefresh(CameraRecordRefresh verdict, unsigned creatorVersion, const MovieDesc& desc);

}

#endif
