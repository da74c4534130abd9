#include "editor/ReelShape.h"

#include "ZentiMovie.h"
#include "bytes/FourCC.h"
#include "source/MovieDesc.h"
#include "source/MovieDirectory.h"
#include "source/MovieRecordLayout.h"
#include "source/MoviePrivateAccess.h"

#include <vector>

namespace clipreel {

namespace {

// What decides whether units of two movies can stand in one reel.
struct ReelShape {
    std::uint32_t timeScale = 0;
    std::uint32_t frameDuration = 0;
    std::uint32_t framesPerUnit = 0;
    std::uint32_t groupOfPicture = 0;
    std::vector<std::uint8_t> videoDescription;
    std::vector<std::uint8_t> soundDescription;  // empty without sound
    std::uint32_t creatorVersion = 0;
    std::uint16_t recordTag = 0;
};

std::vector<std::uint8_t> SampleDescription(const MyMovieDirectory& directory, std::uint32_t subtype) {
    const MyTrackMediaDirectory* track = directory.FindTrack(subtype);
    if (track == nullptr) return {};
    const ByteReader bytes = directory.Read(track->sampleDescription);
    return std::vector<std::uint8_t>(bytes.data(), bytes.data() + bytes.size());
}

ReelShape ShapeOf(const CZentiMovie& movie) {
    ReelShape shape;
    shape.timeScale = static_cast<std::uint32_t>(movie.GetVideoMediaTimeScale());
    shape.frameDuration = static_cast<std::uint32_t>(movie.GetVideoFrameDuration());
    CZentiMovie::ClipreelMovieInfo info{};
    const CStoredSampleUnit2* unit = MoviePrivateAccess::GetStoredSampleUnit(movie);
    if (movie.IsClipreelMovie(&info) && unit != nullptr) {
        shape.framesPerUnit = unit->framesPerUnit * info.storedUnitsPerShootingUnit;
        shape.groupOfPicture = unit->videoFormat.groupOfPicture;
    }
    const MyMovieDirectory directory(MoviePrivateAccess::GetAtomHeader(movie));
    shape.videoDescription = SampleDescription(directory, FourCC("vide"));
    shape.soundDescription = SampleDescription(directory, FourCC("soun"));
    shape.creatorVersion = movie.GetCreatorVersion();
    unsigned thumbnailSize = 0;
    const void* thumbnail = MoviePrivateAccess::GetTHMData(movie, thumbnailSize);
    if (thumbnail != nullptr) shape.recordTag = MovieDesc(thumbnailSize, thumbnail).recordTag;
    return shape;
}

std::string NumberDifference(const char* what, std::uint32_t other, std::uint32_t first) {
    return std::string(what) + " " + std::to_string(other) + " differs from the first reel's " +
           std::to_string(first);
}

const char* RecordKindName(std::uint16_t tag) {
    const MovieRecordLayout* kind = MovieRecordLayoutForTag(tag);
    return kind != nullptr ? kind->name : "no";
}

}

std::string ReelShapeDifference(const CZentiMovie& first, const CZentiMovie& other) {
    const ReelShape a = ShapeOf(first);
    const ReelShape b = ShapeOf(other);
    if (a.timeScale != b.timeScale) return NumberDifference("video time scale", b.timeScale, a.timeScale);
    if (a.frameDuration != b.frameDuration)
        return NumberDifference("video frame duration", b.frameDuration, a.frameDuration);
    if (a.framesPerUnit != b.framesPerUnit)
        return NumberDifference("frames per shooting unit", b.framesPerUnit, a.framesPerUnit);
    if (a.groupOfPicture != b.groupOfPicture)
        return NumberDifference("group of pictures", b.groupOfPicture, a.groupOfPicture);
    if (a.videoDescription != b.videoDescription) return "video sample description differs from the first reel's";
    if (a.soundDescription.empty() != b.soundDescription.empty())
        return b.soundDescription.empty() ? "no sound, while the first reel has sound"
                                          : "sound, while the first reel has none";
    if (a.soundDescription != b.soundDescription) return "sound sample description differs from the first reel's";
    if (a.creatorVersion != b.creatorVersion)
        return NumberDifference("creator version", b.creatorVersion, a.creatorVersion);
    if (a.recordTag != b.recordTag)
        return std::string(RecordKindName(b.recordTag)) + " camera record differs from the first reel's " +
               RecordKindName(a.recordTag) + " record";
    return std::string();
}

}
