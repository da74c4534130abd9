#ifndef CLIPREEL_MOVIE_DETAILS_H
#define CLIPREEL_MOVIE_DETAILS_H

#include "ClipreelExport.h"

#include <cstdint>
#include <string>
#include <vector>

class CZentiMovie;

// What a camera movie says about itself beyond its tracks, for tools that
// show it: the movie record the camera wrote into the thumbnail's Exif maker
// note, the shape of one stored sample unit, and the thumbnail itself. All of
// it is copied at construction; the movie may go away afterwards.
class CLIPREEL_API CMovieDetails {
public:
    enum ERecordByteOrder { RECORD_NO_BYTE_ORDER = 0, RECORD_LITTLE_ENDIAN = 1, RECORD_BIG_ENDIAN = 2 };

    explicit CMovieDetails(const CZentiMovie& movie);
    ~CMovieDetails();

    // The movie record: valid when one was read from the thumbnail; the
    // values are 0 otherwise (the movie mode too).
    bool HasMovieRecord() const;
    ERecordByteOrder GetRecordByteOrder() const;
    unsigned GetRecordSize() const;
    bool HasImageIdentifier() const;
    unsigned short GetMovieMode() const;
    std::uint64_t GetRecordedFileSize() const;
    unsigned short GetRecordFramesPerUnit() const;
    unsigned short GetRecordGroupOfPicture() const;
    unsigned short GetMontagioTime() const;

    // Why a save cannot give the movie record a new file's values (the
    // record kind the movie's creator version writes, whole): empty when it
    // can; else the reason, as words ("the save knows creator versions 6 and
    // 10 only"). A reel whose record cannot be refreshed cannot be edited,
    // split or joined; its unchanged copy and its reference movies still work.
    const std::string& GetRecordRefreshProblem() const;

    // The stored sample unit the library derived (0 without one).
    bool HasStoredSampleUnit() const;
    unsigned GetFramesPerStoredUnit() const;
    unsigned GetSoundSamplesPerStoredUnit() const;
    unsigned GetGroupOfPicture() const;

    // The thumbnail's bytes (the 'ZTDA' payload: a JPEG stream, maybe with
    // padding after its end); empty when the movie has none.
    const std::vector<std::uint8_t>& GetThumbnail() const;

private:
    bool movieRecord;
    ERecordByteOrder recordByteOrder;
    unsigned recordSize;
    bool imageIdentifier;
    unsigned short movieMode;
    std::uint64_t recordedFileSize;
    unsigned short recordFramesPerUnit;
    unsigned short recordGroupOfPicture;
    unsigned short montagioTime;
    std::string recordRefreshProblem;
    bool storedSampleUnit;
    unsigned framesPerStoredUnit;
    unsigned soundSamplesPerStoredUnit;
    unsigned groupOfPicture;
    std::vector<std::uint8_t> thumbnail;
};

#endif
