#include "sample/SampleMovieWriter.h"

#include "bytes/ByteWriter.h"
#include "sample/DummyFrame.h"
#include "sample/H264Encoder.h"
#include "sample/MoviePlan.h"
#include "sample/SolidColourJpeg.h"
#include "sample/SoundChunk.h"

#include <algorithm>
#include <fstream>
#include <limits>
#include <memory>
#include <stdexcept>

namespace clipreel {
namespace sample {

namespace {

constexpr std::uint32_t FtypSize = 20;
constexpr unsigned ThumbnailWidth = 160;
constexpr unsigned ThumbnailHeight = 120;

class ByteSink {
public:
    virtual ~ByteSink() = default;
    virtual void Write(const std::uint8_t* data, std::size_t size) = 0;
    void Write(const std::vector<std::uint8_t>& bytes) { Write(bytes.data(), bytes.size()); }
};

class VectorSink : public ByteSink {
public:
    explicit VectorSink(std::vector<std::uint8_t>& out) : collected(out) {}
    void Write(const std::uint8_t* data, std::size_t size) override {
        collected.insert(collected.end(), data, data + size);
    }

private:
    std::vector<std::uint8_t>& collected;
};

class FileSink : public ByteSink {
public:
    explicit FileSink(const std::filesystem::path& path)
        : destination(path), stream(path, std::ios::binary | std::ios::trunc) {
        if (!stream) throw std::runtime_error("cannot create " + path.u8string());
    }
    void Write(const std::uint8_t* data, std::size_t size) override {
        stream.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
        if (!stream) throw std::runtime_error("cannot write " + destination.u8string());
    }
    void Close() {
        stream.close();
        if (!stream) throw std::runtime_error("cannot close " + destination.u8string());
    }

private:
    std::filesystem::path destination;
    std::ofstream stream;
};

void Validate(const SampleMovieSpec& spec) {
    if (spec.framesPerUnit == 0 || spec.framesPerUnit > 0xFFFF) {
        throw std::invalid_argument("frames per unit must be 1 to 65535");
    }
    if (spec.groupOfPicture > 0xFFFF) throw std::invalid_argument("group of pictures must fit 16 bits");
    if (spec.timeScale == 0 || spec.frameDuration == 0) {
        throw std::invalid_argument("time scale and frame duration must not be 0");
    }
    if (spec.width == 0 || spec.height == 0 || spec.width > 0xFFFF || spec.height > 0xFFFF) {
        throw std::invalid_argument("picture size must be 1 to 65535 each way");
    }
    const std::uint64_t frames = static_cast<std::uint64_t>(spec.units) * spec.framesPerUnit + spec.breakage.extraFrames;
    if (frames > std::numeric_limits<std::uint32_t>::max()) throw std::invalid_argument("too many frames");
}

bool IsKeyFrame(const SampleMovieSpec& spec, unsigned frame) {
    const unsigned inUnit = frame % spec.framesPerUnit;
    return spec.groupOfPicture == 0 ? inUnit == 0 : inUnit % spec.groupOfPicture == 0;
}

// Sound samples of one unit: framesPerUnit × rate × frameDuration ÷ time
// scale, formed exactly; a unit must hold whole samples.
std::uint32_t SoundSamplesPerUnit(const SampleMovieSpec& spec) {
    const std::uint64_t product =
        static_cast<std::uint64_t>(spec.framesPerUnit) * spec.sound.sampleRate * spec.frameDuration;
    if (product % spec.timeScale != 0) {
        throw std::invalid_argument("a unit's time does not hold a whole number of sound samples");
    }
    const std::uint64_t samples = product / spec.timeScale;
    if (samples == 0 || samples > std::numeric_limits<std::uint32_t>::max() / 64) {
        throw std::invalid_argument("sound samples per unit out of range");
    }
    return static_cast<std::uint32_t>(samples);
}

RecordKind EffectiveRecordKind(const SampleMovieSpec& spec) {
    if (!spec.recordKindFromVersion) return spec.recordKind;
    return spec.creatorVersion >= 10 ? RecordKind::Long : RecordKind::Short;
}

// One contiguous run of the media data: the units [firstUnit, endUnit) of
// the layout behind one 'mdat' header.
struct MediaDataPart {
    std::size_t firstUnit = 0;
    std::size_t endUnit = 0;
};

enum class PieceKind { Ftyp, Extra, Moov, MediaData, SecondMoov };

struct Piece {
    PieceKind kind;
    std::size_t index = 0;  // the extra atom or media data part
};

class MovieWriter {
public:
    explicit MovieWriter(const SampleMovieSpec& spec) {
        Validate(spec);
        plan.spec = spec;
        plan.recordKind = EffectiveRecordKind(spec);
        PlanFrames();
        PlanSound();
        PlanPieces();
        plan.frameOffsets.assign(plan.totalFrames, 0);
        plan.soundOffsets.assign(plan.soundChunkSamples.size(), 0);
        std::uint8_t colour[3];
        UnitColour(spec.contentOffset, colour);
        plan.thumbnailImage = EncodeSolidColourJpeg(ThumbnailWidth, ThumbnailHeight, colour);
        // The movie atom's size does not depend on the offsets it states, so
        // a first build measures it and a second one states the final values.
        movieAtom = BuildMovieAtom(plan, nullptr, nullptr, nullptr);
        const std::size_t measured = movieAtom.size();
        PlaceEverything();
        std::size_t thumbnailAt = 0;
        movieAtom = BuildMovieAtom(plan, &thumbnailAt, &placedLayout.thumbnail, &placedLayout.thumbnailLayout);
        if (movieAtom.size() != measured) throw std::logic_error("movie atom changed size");
        if (thumbnailAt != 0) placedLayout.thumbnailOffset = placedLayout.moovOffset + thumbnailAt;
    }

    const SampleMovieLayout& layout() const { return placedLayout; }

    void WriteTo(ByteSink& sink) {
        for (const Piece& piece : pieces) {
            switch (piece.kind) {
            case PieceKind::Ftyp: WriteFtyp(sink); break;
            case PieceKind::Extra: WriteExtra(sink, plan.spec.extraAtoms[piece.index]); break;
            case PieceKind::Moov:
            case PieceKind::SecondMoov: sink.Write(movieAtom); break;
            case PieceKind::MediaData: WriteMediaData(sink, parts[piece.index]); break;
            }
        }
        sink.Write(plan.spec.breakage.trailingBytes);
    }

private:
    void PlanFrames() {
        const SampleMovieSpec& spec = plan.spec;
        plan.totalFrames = spec.units * spec.framesPerUnit + spec.breakage.extraFrames;
        if (spec.frames == FrameContent::H264 && H264EncoderAvailable()) {
            if (spec.width % 2 != 0 || spec.height % 2 != 0) {
                throw std::invalid_argument("H.264 4:2:0 pictures need an even width and height");
            }
            video = EncodeH264Frames(spec, plan.totalFrames);
            plan.h264 = true;
            plan.avcC = video.avcC;
            plan.keyFrames = video.keyFrames;
            if (spec.breakage.videoConstantSampleSize) PadToOneSize(video.frames);
            for (const std::vector<std::uint8_t>& frame : video.frames) {
                plan.frameSizes.push_back(static_cast<std::uint32_t>(frame.size()));
            }
            return;
        }
        plan.frameSizes.resize(plan.totalFrames);
        plan.keyFrames.resize(plan.totalFrames);
        for (unsigned i = 0; i < plan.totalFrames; ++i) {
            plan.keyFrames[i] = IsKeyFrame(spec, i) ? 1 : 0;
            plan.frameSizes[i] = DummyFrameSize(i, plan.keyFrames[i] != 0, spec.width, spec.height);
        }
        if (spec.breakage.videoConstantSampleSize && !plan.frameSizes.empty()) {
            const std::uint32_t largest = *std::max_element(plan.frameSizes.begin(), plan.frameSizes.end());
            plan.frameSizes.assign(plan.frameSizes.size(), largest);
        }
    }

    // Every length-prefixed frame grows to the largest one's size plus room
    // for a filler NAL unit, which decoders skip.
    static void PadToOneSize(std::vector<std::vector<std::uint8_t>>& frames) {
        constexpr std::size_t fillerHeader = 4 + 1;  // length prefix, NAL header
        constexpr std::size_t smallestFiller = fillerHeader + 1;  // the stop bit's byte
        std::size_t largest = 0;
        for (const std::vector<std::uint8_t>& frame : frames) largest = std::max(largest, frame.size());
        const std::size_t target = largest + smallestFiller;
        for (std::vector<std::uint8_t>& frame : frames) {
            const std::size_t pad = target - frame.size();
            std::uint8_t prefix[fillerHeader];
            ByteWriter(prefix, sizeof prefix).WriteU32BE(static_cast<std::uint32_t>(pad - 4));
            prefix[4] = 12;  // filler data
            frame.insert(frame.end(), prefix, prefix + sizeof prefix);
            frame.insert(frame.end(), pad - smallestFiller, 0xFF);
            frame.push_back(0x80);  // the RBSP stop bit
        }
    }

    void PlanSound() {
        const SampleMovieSpec& spec = plan.spec;
        if (!spec.sound.present) return;
        plan.soundBytesPerFrame = SoundBytesPerFrame(spec.sound);
        plan.soundSamplesPerUnit = SoundSamplesPerUnit(spec);
        plan.soundChunkSamples.assign(spec.units, plan.soundSamplesPerUnit);
        if (spec.breakage.soundStscTwoEntries && spec.units > 0) {
            const std::uint32_t shorter = spec.breakage.lastSoundChunkSamples != 0 ? spec.breakage.lastSoundChunkSamples
                                                                                   : plan.soundSamplesPerUnit / 2;
            plan.soundChunkSamples.back() = std::max<std::uint32_t>(1, shorter);
        }
        if (spec.breakage.emptyLastSoundChunk && spec.units > 0) plan.soundChunkSamples.back() = 0;
    }

    // The order of the top-level atoms and how the units fall into 'mdat's.
    void PlanPieces() {
        const SampleMovieSpec& spec = plan.spec;
        const std::size_t layoutUnits = spec.units + (spec.breakage.extraFrames > 0 ? 1 : 0);
        if (spec.breakage.twoMdat) {
            const std::size_t split = (layoutUnits + 1) / 2;
            parts.push_back({0, split});
            parts.push_back({split, layoutUnits});
        } else {
            parts.push_back({0, layoutUnits});
        }
        pieces.push_back({PieceKind::Ftyp});
        for (std::size_t i = 0; i < spec.extraAtoms.size(); ++i) {
            if (!spec.extraAtoms[i].afterMediaData) pieces.push_back({PieceKind::Extra, i});
        }
        if (!spec.breakage.mdatBeforeMoov) pieces.push_back({PieceKind::Moov});
        for (std::size_t i = 0; i < parts.size(); ++i) pieces.push_back({PieceKind::MediaData, i});
        if (spec.breakage.mdatBeforeMoov) pieces.push_back({PieceKind::Moov});
        if (spec.breakage.secondMoov) pieces.push_back({PieceKind::SecondMoov});
        for (std::size_t i = 0; i < spec.extraAtoms.size(); ++i) {
            if (spec.extraAtoms[i].afterMediaData) pieces.push_back({PieceKind::Extra, i});
        }
    }

    std::uint64_t MediaDataHeaderSize() const { return plan.spec.breakage.mdatSize64 ? 16 : 8; }

    // Fixes every atom's, unit's, chunk's and frame's offset, front to back.
    void PlaceEverything() {
        const SampleMovieSpec& spec = plan.spec;
        placedLayout = SampleMovieLayout();
        placedLayout.soundSamplesPerUnit = plan.soundSamplesPerUnit;
        placedLayout.soundBytesPerFrame = plan.soundBytesPerFrame;
        placedLayout.h264 = plan.h264;

        std::uint64_t pos = 0;
        bool firstMoov = true;
        bool firstMdat = true;
        for (const Piece& piece : pieces) {
            AtomLayout atom;
            atom.offset = pos;
            switch (piece.kind) {
            case PieceKind::Ftyp:
                atom.type = FourCC("ftyp");
                atom.size = FtypSize;
                break;
            case PieceKind::Extra:
                atom.type = spec.extraAtoms[piece.index].type;
                atom.size = 8 + spec.extraAtoms[piece.index].payload.size();
                break;
            case PieceKind::Moov:
            case PieceKind::SecondMoov:
                atom.type = FourCC("moov");
                atom.size = movieAtom.size();
                if (firstMoov) {
                    placedLayout.moovOffset = pos;
                    placedLayout.moovSize = atom.size;
                    firstMoov = false;
                }
                break;
            case PieceKind::MediaData:
                atom.type = FourCC("mdat");
                atom.size = PlaceUnits(parts[piece.index], pos + MediaDataHeaderSize()) - pos;
                if (firstMdat) {
                    placedLayout.mdatOffset = pos;
                    placedLayout.mdatSize = atom.size;
                    firstMdat = false;
                }
                break;
            }
            placedLayout.atoms.push_back(atom);
            pos += atom.size;
        }
        pos += spec.breakage.trailingBytes.size();
        // Chunk offsets, atom sizes and the record's file size are 32-bit in
        // a camera movie: a larger file would state wrapped values.
        if (pos > std::numeric_limits<std::uint32_t>::max()) {
            throw std::invalid_argument("a camera movie must stay below 4 GiB");
        }
        plan.fileSize = pos;
        placedLayout.fileSize = pos;
    }

    // Lays the units of one part out from pos; returns the end.
    std::uint64_t PlaceUnits(const MediaDataPart& part, std::uint64_t pos) {
        const std::uint32_t framesPerUnit = plan.spec.framesPerUnit;
        for (std::size_t unit = part.firstUnit; unit < part.endUnit; ++unit) {
            UnitLayout placed;
            placed.offset = pos;
            if (unit < plan.soundChunkSamples.size()) {
                placed.soundOffset = pos;
                placed.soundSize = plan.soundChunkSamples[unit] * plan.soundBytesPerFrame;
                plan.soundOffsets[unit] = pos;
                pos += placed.soundSize;
            }
            const std::size_t first = unit * framesPerUnit;
            const std::size_t end = std::min<std::size_t>(first + framesPerUnit, plan.totalFrames);
            for (std::size_t frame = first; frame < end; ++frame) {
                plan.frameOffsets[frame] = pos;
                placed.frames.push_back({pos, plan.frameSizes[frame], plan.keyFrames[frame] != 0});
                pos += plan.frameSizes[frame];
            }
            placed.size = pos - placed.offset;
            placedLayout.units.push_back(std::move(placed));
        }
        return pos;
    }

    void WriteFtyp(ByteSink& sink) {
        std::uint8_t ftyp[FtypSize];
        ByteWriter out(ftyp, sizeof ftyp);
        out.WriteU32BE(FtypSize);
        out.WriteFourCC(FourCC("ftyp"));
        out.WriteFourCC(FourCC("qt  "));
        out.WriteU32BE(0x20050300U);
        out.WriteFourCC(FourCC("qt  "));
        sink.Write(ftyp, sizeof ftyp);
    }

    void WriteExtra(ByteSink& sink, const ExtraAtom& extra) {
        std::uint8_t header[8];
        ByteWriter out(header, sizeof header);
        out.WriteU32BE(static_cast<std::uint32_t>(8 + extra.payload.size()));
        out.WriteFourCC(extra.type);
        sink.Write(header, sizeof header);
        sink.Write(extra.payload);
    }

    void WriteMediaData(ByteSink& sink, const MediaDataPart& part) {
        std::uint64_t size = MediaDataHeaderSize();
        for (std::size_t unit = part.firstUnit; unit < part.endUnit; ++unit) size += placedLayout.units[unit].size;
        std::uint8_t header[16];
        ByteWriter out(header, sizeof header);
        if (plan.spec.breakage.mdatSize64) {
            out.WriteU32BE(1);
            out.WriteFourCC(FourCC("mdat"));
            out.WriteU64(size, ByteOrder::Big);
        } else {
            out.WriteU32BE(static_cast<std::uint32_t>(size));
            out.WriteFourCC(FourCC("mdat"));
        }
        sink.Write(header, out.position());

        std::vector<std::uint8_t> buffer;
        for (std::size_t unit = part.firstUnit; unit < part.endUnit; ++unit) {
            if (unit < plan.soundChunkSamples.size()) {
                FillSoundChunk(plan.spec.sound, static_cast<unsigned>(unit) + plan.spec.contentOffset,
                               plan.soundChunkSamples[unit], buffer);
                sink.Write(buffer);
            }
            for (const FrameLayout& frame : placedLayout.units[unit].frames) {
                const std::size_t index = static_cast<std::size_t>(&frame - placedLayout.units[unit].frames.data()) +
                                          unit * plan.spec.framesPerUnit;
                if (plan.h264) {
                    sink.Write(video.frames[index]);
                } else {
                    buffer.resize(frame.size);
                    const std::size_t content = index + std::size_t(plan.spec.contentOffset) * plan.spec.framesPerUnit;
                    FillDummyFrame(static_cast<unsigned>(content), frame.keyFrame, buffer.data(), frame.size);
                    sink.Write(buffer);
                }
            }
        }
    }

    MoviePlan plan;
    EncodedVideo video;
    std::vector<MediaDataPart> parts;
    std::vector<Piece> pieces;
    std::vector<std::uint8_t> movieAtom;
    SampleMovieLayout placedLayout;
};

}

bool HaveH264() { return H264EncoderAvailable(); }

SampleMovieLayout WriteSampleMovie(const std::filesystem::path& path, const SampleMovieSpec& spec) {
    MovieWriter writer(spec);
    FileSink sink(path);
    writer.WriteTo(sink);
    sink.Close();
    if (spec.breakage.truncateAt != 0 && spec.breakage.truncateAt < writer.layout().fileSize)
        std::filesystem::resize_file(path, spec.breakage.truncateAt);
    return writer.layout();
}

std::vector<std::uint8_t> BuildSampleMovie(const SampleMovieSpec& spec, SampleMovieLayout* layout) {
    MovieWriter writer(spec);
    std::vector<std::uint8_t> bytes;
    bytes.reserve(static_cast<std::size_t>(writer.layout().fileSize));
    VectorSink sink(bytes);
    writer.WriteTo(sink);
    if (spec.breakage.truncateAt != 0 && spec.breakage.truncateAt < bytes.size())
        bytes.resize(static_cast<std::size_t>(spec.breakage.truncateAt));
    if (layout) *layout = writer.layout();
    return bytes;
}

}
}
