#include "MovieDetails.h"

#include "ZentiMovie.h"
#include "source/CameraRecordRefresh.h"
#include "source/MovieDesc.h"
#include "source/MoviePrivateAccess.h"
#include "source/StoredSampleUnit.h"

namespace {

CMovieDetails::ERecordByteOrder RecordByteOrder(int byteOrder) {
    switch (byteOrder) {
    case clipreel::MovieDesc::LittleEndian: return CMovieDetails::RECORD_LITTLE_ENDIAN;
    case clipreel::MovieDesc::BigEndian: return CMovieDetails::RECORD_BIG_ENDIAN;
    default: return CMovieDetails::RECORD_NO_BYTE_ORDER;
    }
}

}

CMovieDetails::CMovieDetails(const CZentiMovie& movie)
    : movieRecord(false),
      recordByteOrder(RECORD_NO_BYTE_ORDER),
      recordSize(0),
      imageIdentifier(false),
      movieMode(0),
      recordedFileSize(0),
      recordFramesPerUnit(0),
      recordGroupOfPicture(0),
      montagioTime(0),
      storedSampleUnit(false),
      framesPerStoredUnit(0),
      soundSamplesPerStoredUnit(0),
      groupOfPicture(0) {
    unsigned size = 0;
    const void* data = clipreel::MoviePrivateAccess::GetTHMData(movie, size);
    if (data == nullptr) size = 0;
    // Without a thumbnail the description stays empty: no record.
    const clipreel::MovieDesc desc(size, data);
    const clipreel::CameraRecordRefresh refresh =
        clipreel::CheckCameraRecordRefresh(movie.GetCreatorVersion(), desc, size);
    recordRefreshProblem = clipreel::DescribeCameraRecordRefresh(refresh, movie.GetCreatorVersion(), desc);
    if (data != nullptr && size > 0) {
        const auto* bytes = static_cast<const std::uint8_t*>(data);
        thumbnail.assign(bytes, bytes + size);
        recordSize = desc.recordSize;
        imageIdentifier = desc.imageIdSize == 16;
        if (desc.valid) {
            movieRecord = true;
            recordByteOrder = RecordByteOrder(desc.byteOrder);
            // 0xFFFF is the reader's "not recorded"; the callers see 0 for it,
            // as the movie's own movie-mode query answers.
            movieMode = desc.movieMode == 0xFFFF ? 0 : desc.movieMode;
            recordedFileSize = desc.movFileSize;
            recordFramesPerUnit = desc.framePerUnit;
            recordGroupOfPicture = desc.groupOfPicture;
            montagioTime = desc.montagioTime;
        }
    }
    const clipreel::CStoredSampleUnit2* unit = clipreel::MoviePrivateAccess::GetStoredSampleUnit(movie);
    if (unit != nullptr && unit->valid) {
        storedSampleUnit = true;
        framesPerStoredUnit = unit->framesPerUnit;
        soundSamplesPerStoredUnit = unit->soundSamplesPerUnit;
        groupOfPicture = unit->videoFormat.groupOfPicture;
    }
}

CMovieDetails::~CMovieDetails() = default;

bool CMovieDetails::HasMovieRecord() const { return movieRecord; }
CMovieDetails::ERecordByteOrder CMovieDetails::GetRecordByteOrder() const { return recordByteOrder; }
unsigned CMovieDetails::GetRecordSize() const { return recordSize; }
bool CMovieDetails::HasImageIdentifier() const { return imageIdentifier; }
unsigned short CMovieDetails::GetMovieMode() const { return movieMode; }
std::uint64_t CMovieDetails::GetRecordedFileSize() const { return recordedFileSize; }
unsigned short CMovieDetails::GetRecordFramesPerUnit() const { return recordFramesPerUnit; }
unsigned short CMovieDetails::GetRecordGroupOfPicture() const { return recordGroupOfPicture; }
unsigned short CMovieDetails::GetMontagioTime() const { return montagioTime; }
const std::string& CMovieDetails::GetRecordRefreshProblem() const { return recordRefreshProblem; }
bool CMovieDetails::HasStoredSampleUnit() const { return storedSampleUnit; }
unsigned CMovieDetails::GetFramesPerStoredUnit() const { return framesPerStoredUnit; }
unsigned CMovieDetails::GetSoundSamplesPerStoredUnit() const { return soundSamplesPerStoredUnit; }
unsigned CMovieDetails::GetGroupOfPicture() const { return groupOfPicture; }
const std::vector<std::uint8_t>& CMovieDetails::GetThumbnail() const { return thumbnail; }
