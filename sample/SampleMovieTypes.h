#ifndef CLIPREEL_SAMPLE_SAMPLE_MOVIE_TYPES_H
#define CLIPREEL_SAMPLE_SAMPLE_MOVIE_TYPES_H

// What the sample camera movie writer is asked for (SampleMovieSpec) and
// what it reports it laid out (SampleMovieLayout).
#include "bytes/ByteOrder.h"
#include "bytes/FourCC.h"
#include "sample/ThumbnailBuilder.h"

#include <cstdint>
#include <string>
#include <vector>

namespace clipreel {
namespace sample {

// What the frames hold: real H.264 (closed GOPs, an IDR frame at each GOP
// start, every unit its own colour and number: libavcodec's libx264 where
// the build has it, else uncoded key frames and repeats of them) or quick
// dummy bytes of varying sizes.
enum class FrameContent { Dummy, H264 };

struct SoundSpec {
    bool present = true;
    std::uint32_t format = FourCC("sowt");  // 'sowt', 'twos' or 'raw '
    std::uint32_t sampleRate = 48000;       // whole samples per second
    std::uint16_t channels = 2;
    std::uint16_t bitsPerSample = 16;
};

// Ways to break one invariant of a camera movie on purpose.
struct Breakage {
    bool wrongRecordedFileSize = false;    // the record's file size is one more than the file's
    std::string ztcvPayload;               // replaces the whole 'ZTCV' payload when not empty
    bool twoSamplesPerVideoChunk = false;  // video 'stsc' says 2 samples per chunk
    bool twoDataReferences = false;        // the video track's 'dref' holds two entries
    unsigned extraFrames = 0;              // frames after the last whole unit
    bool soundStscTwoEntries = false;      // the last sound chunk is shorter (a second 'stsc' entry)
    // With soundStscTwoEntries: the samples of that shorter chunk; 0 gives
    // half a unit's.
    std::uint32_t lastSoundChunkSamples = 0;
    bool emptyLastSoundChunk = false;      // the last sound chunk holds no samples (and no bytes)
    bool soundInOtherFile = false;         // the sound 'dref' entry lacks the self-reference flag
    bool videoChunkOffsets64 = false;      // 'co64' instead of 'stco' in the video track
    bool noSyncSample = false;             // the video sample table has no 'stss'
    bool mdatBeforeMoov = false;
    bool twoMdat = false;                  // the media data split over two 'mdat' atoms
    bool mdatSize64 = false;               // 'mdat' uses the 64-bit size form (size field 1)
    std::vector<std::uint8_t> trailingBytes;  // bytes after the last atom
    bool secondMoov = false;
    bool noThumbnail = false;              // no 'ZTTH' atom at all
    // When not 0, the sound description states this sample rate while the
    // chunks stay laid out for SoundSpec::sampleRate (a rate whose samples
    // per unit do not divide, for example 44100 at 30000/1001).
    std::uint32_t describedSampleRate = 0;
    // When not 0, the sound description states this many bytes per frame
    // while the chunks keep their real size.
    std::uint32_t describedBytesPerFrame = 0;
    unsigned missingSoundChunkOffsets = 0;  // the sound 'stco' lacks this many last chunks
    // Every frame padded to one size (real H.264 with a filler NAL unit) and
    // the video 'stsz' states that constant size with no table.
    bool videoConstantSampleSize = false;
    // When not 0, the file ends after this many bytes, as an interrupted copy
    // leaves it; the layout still describes the whole movie.
    std::uint64_t truncateAt = 0;
};

// An extra top-level atom, written before 'moov' or after 'mdat'.
struct ExtraAtom {
    std::uint32_t type = FourCC("skip");
    std::vector<std::uint8_t> payload;
    bool afterMediaData = true;
};

struct SampleMovieSpec {
    unsigned units = 3;
    unsigned framesPerUnit = 30;        // stored in the record
    unsigned groupOfPicture = 15;       // stored in the record
    std::uint32_t timeScale = 30000;
    std::uint32_t frameDuration = 1001;
    unsigned width = 320;
    unsigned height = 240;
    FrameContent frames = FrameContent::Dummy;
    SoundSpec sound;

    unsigned creatorVersion = 6;        // 'ZTCV' digits
    // The record: SHORT for creator versions up to 6, LONG from 10 on unless
    // set here.
    bool recordKindFromVersion = true;
    RecordKind recordKind = RecordKind::Short;
    ByteOrder makerNoteOrder = ByteOrder::Little;
    ByteOrder tiffOrder = ByteOrder::Little;
    unsigned shortRecordSize = 262;     // 246, 250, 262, ...
    bool imageId = true;
    int makerNoteRelocation = 0;        // the footer records an offset this many bytes away
    std::uint16_t movieMode = 11;
    std::uint16_t montagioTime = 0;
    bool recordFramePerUnit = true;     // false: the record says 0 frames per unit
    bool recordGroupOfPicture = true;   // false: the record says 0
    unsigned thumbnailRoom = 16384;     // the 'ZTDA' payload is at least this long
    // Units are painted, numbered and voiced (and the thumbnail coloured) as
    // if the reel began at this unit: reels of one shape, other content.
    unsigned contentOffset = 0;

    unsigned movieFreeAtoms = 0;        // 'free' children of 'moov' (before 'udta')
    bool movieEndsWithFree = false;     // a 'free' padding atom as the last child of 'moov'
    std::vector<ExtraAtom> extraAtoms;
    Breakage breakage;
};

struct FrameLayout {
    std::uint64_t offset = 0;  // absolute file offset
    std::uint32_t size = 0;
    bool keyFrame = false;
};

struct UnitLayout {
    std::uint64_t offset = 0;       // the block: sound chunk first, then the frames
    std::uint64_t size = 0;
    std::uint64_t soundOffset = 0;  // 0 without sound
    std::uint32_t soundSize = 0;
    std::vector<FrameLayout> frames;
};

struct AtomLayout {
    std::uint32_t type = 0;
    std::uint64_t offset = 0;
    std::uint64_t size = 0;
};

// What the writer laid out, for tests to compare against.
struct SampleMovieLayout {
    std::uint64_t fileSize = 0;
    std::vector<AtomLayout> atoms;        // the top-level atoms in file order
    std::uint64_t moovOffset = 0;
    std::uint64_t moovSize = 0;
    std::uint64_t mdatOffset = 0;         // the (first) 'mdat' header
    std::uint64_t mdatSize = 0;
    std::vector<UnitLayout> units;        // also the extra frames' partial unit, if any
    std::uint32_t soundSamplesPerUnit = 0;
    std::uint32_t soundBytesPerFrame = 0;
    std::uint64_t thumbnailOffset = 0;    // absolute offset of the 'ZTDA' payload
    std::vector<std::uint8_t> thumbnail;  // the 'ZTDA' payload
    ThumbnailLayout thumbnailLayout;
    bool h264 = false;                    // real H.264 frames were written
};

}
}

#endif
