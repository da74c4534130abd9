#include "editor/MovieFrameGrabber.h"

#include "ZentiMovie.h"
#include "bytes/FourCC.h"
#include "editor/ThumbnailMaker.h"
#include "platform/FrameGrabber.h"
#include "source/AtomFields.h"
#include "source/MoviePrivateAccess.h"
#include "source/SyncSampleTable.h"

#include <algorithm>

namespace clipreel {

namespace {

using namespace atom_fields;

// The first video sample description: its data format, size and the
// decoder configuration among the atoms after its fixed fields.
platform::VideoCoding ReadCoding(const MyMovieDirectory& directory, const MyTrackMediaDirectory& video) {
    platform::VideoCoding coding;
    const ByteReader stsd = directory.Read(video.sampleDescription);
    std::uint32_t entrySize = 0;
    ByteReader entry;
    if (!stsd.PeekU32BE(VideoDescription, entrySize) || !stsd.Sub(VideoDescription, entrySize, entry)) {
        return coding;
    }
    std::uint16_t width = 0;
    std::uint16_t height = 0;
    if (!stsd.PeekU32BE(VideoDataFormat, coding.format) || !stsd.PeekU16BE(VideoWidth, width) ||
        !stsd.PeekU16BE(VideoHeight, height) || !entry.Seek(VideoDescriptionExtensions)) {
        return platform::VideoCoding();
    }
    coding.width = width;
    coding.height = height;
    std::uint32_t size = 0;
    std::uint32_t type = 0;
    while (entry.ReadU32BE(size) && entry.ReadFourCC(type) && size >= 8 && entry.HasBytes(size - 8)) {
        if (type == FourCC("avcC")) {
            coding.configuration.resize(size - 8);
            entry.ReadBytes(coding.configuration.data(), coding.configuration.size());
            break;
        }
        entry.Skip(size - 8);
    }
    // H.264 stored as 'avc1' cannot be decoded without its parameter sets.
    if (coding.format == FourCC("avc1") && coding.configuration.empty()) return platform::VideoCoding();
    return coding;
}

}

MovieFrameGrabber::MovieFrameGrabber(const CZentiMovie& parsed, const FileLocator& locator)
    : movie(parsed), path(locator), reader(locator) {
    if (!movie.IsValid()) return;
    const MyMovieDirectory& directory = MoviePrivateAccess::GetDirectory(movie);
    const MyTrackMediaDirectory* video = directory.FindTrack(FourCC("vide"));
    if (video == nullptr) return;
    coding = ReadCoding(directory, *video);
    const SyncSampleTable stss(directory.Read(video->syncSample));
    std::uint32_t number = 0;
    for (std::uint32_t i = 0; i < stss.Count() && stss.Sample(i, number); ++i) {
        // Sample numbers count from 1; a table out of order is not trusted
        // for a start.
        if (number == 0 || (!keyFrames.empty() && number - 1 <= keyFrames.back())) {
            keyFrames.clear();
            break;
        }
        keyFrames.push_back(number - 1);
    }
    const CStoredSampleUnit2* unit = MoviePrivateAccess::GetStoredSampleUnit(movie);
    if (unit != nullptr && unit->valid) {
        groupLength = unit->videoFormat.groupOfPicture != 0 ? unit->videoFormat.groupOfPicture : unit->framesPerUnit;
    }
}

MovieFrameGrabber::~MovieFrameGrabber() = default;

unsigned MovieFrameGrabber::KeyFrameAtOrBefore(unsigned wanted) const {
    if (!keyFrames.empty()) {
        const auto after = std::upper_bound(keyFrames.begin(), keyFrames.end(), wanted);
        if (after != keyFrames.begin()) return *(after - 1);
    }
    // No table (where a general reader would take every frame for a key
    // frame, which a camera's groups of pictures are not): every unit starts
    // with a key frame, and so does every group of pictures inside it.
    return groupLength != 0 ? wanted - wanted % groupLength : 0;
}

bool MovieFrameGrabber::ReadFrame(unsigned index, platform::CodedFrame& bytes) {
    const std::uint64_t offset = movie.GetVideoFrameFileOffset(index);
    const unsigned size = movie.GetVideoFrameDataSize(index);
    if (offset == 0 || size == 0) return false;
    if (offset > static_cast<std::uint64_t>(INT64_MAX)) return false;
    bytes.resize(size);
    bool shortRead = false;
    return reader.Seek(SeekBegin, static_cast<std::int64_t>(offset)) && reader.Read(bytes.data(), size, shortRead) &&
           !shortRead;
}

bool MovieFrameGrabber::GrabStored(unsigned wanted, Picture picture, platform::Image& image) {
    if (!decoderTried) {
        decoderTried = true;
        if (coding.format != 0) decoder = platform::VideoDecoder::Open(coding);
    }
    if (!decoder) return false;
    if (!reader.IsOpen() && !reader.Open()) return false;
    const unsigned first = KeyFrameAtOrBefore(wanted);
    const auto read = [this, first](std::size_t index, platform::CodedFrame& bytes) {
        return ReadFrame(first + static_cast<unsigned>(index), bytes);
    };
    return Succeeded(decoder->DecodeLast(std::size_t(wanted - first) + 1, read, picture, image));
}

HResult MovieFrameGrabber::Grab(std::int64_t time, platform::Image& frame) {
    return GrabPicture(time, Picture::Frame, frame);
}

HResult MovieFrameGrabber::GrabThumbnail(std::int64_t time, platform::Image& thumbnail) {
    return GrabPicture(time, Picture::Thumbnail, thumbnail);
}

HResult MovieFrameGrabber::GrabPicture(std::int64_t time, Picture picture, platform::Image& image) {
    image = platform::Image();
    if (time < 0) return HResultInvalidArg;
    const unsigned count = movie.GetVideoFrameCount();
    const std::int32_t timeScale = movie.GetVideoMediaTimeScale();
    const std::int32_t frameDuration = movie.GetVideoFrameDuration();
    if (count != 0 && timeScale > 0 && frameDuration > 0) {
        // The frame whose interval holds the time, as the media's own
        // arithmetic puts it: time * timeScale / (10^7 * frameDuration).
        const long double frames = static_cast<long double>(time) * timeScale / (10000000.0L * frameDuration);
        const unsigned wanted = frames >= count - 1 ? count - 1 : static_cast<unsigned>(frames);
        if (GrabStored(wanted, picture, image)) return HResultOk;
    }
    return picture == Picture::Frame ? platform::grabMovieFrame(path, time, image)
                                     : makeThumbnailImage(path, time, image);
}

}
