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
    explicit VectorSink(std::vector<std::uint8_t>& out) : out_(out) {}
    void Write(const std::uint8_t* data, std::size_t size) override { out_.insert(out_.end(), data, data + size); }

private:
    std::vector<std::uint8_t>& out_;
};

class FileSink : public ByteSink {
public:
    explicit FileSink(const std::filesystem::path& path) : path_(path), file_(path, std::ios::binary | std::ios::trunc) {
        if (!file_) throw std::runtime_error("cannot create " + path.u8string());
    }
    void Write(const std::uint8_t* data, std::size_t size) override {
        file_.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
        if (!file_) throw std::runtime_error("cannot write " + path_.u8string());
    }
    void Close() {
        file_.close();
        if (!file_) throw std::runtime_error("cannot close " + path_.u8string());
    }

private:
    std::filesystem::path path_;
    std::ofstream file_;
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
        plan_.spec = spec;
        plan_.recordKind = EffectiveRecordKind(spec);
        PlanFrames();
        PlanSound();
        PlanPieces();
        plan_.frameOffsets.assign(plan_.totalFrames, 0);
        plan_.soundOffsets.assign(plan_.soundChunkSamples.size(), 0);
        std::uint8_t colour[3];
        UnitColour(spec.contentOffset, colour);
        plan_.thumbnailImage = EncodeSolidColourJpeg(ThumbnailWidth, ThumbnailHeight, colour);
        // The movie atom's size does not depend on the offsets it states, so
        // a first build measures it and a second one states the final values.
        moov_ = BuildMovieAtom(plan_, nullptr, nullptr, nullptr);
        const std::size_t measured = moov_.size();
        PlaceEverything();
        std::size_t thumbnailAt = 0;
        moov_ = BuildMovieAtom(plan_, &thumbnailAt, &layout_.thumbnail, &layout_.thumbnailLayout);
        if (moov_.size() != measured) throw std::logic_error("movie atom changed size");
        if (thumbnailAt != 0) layout_.thumbnailOffset = layout_.moovOffset + thumbnailAt;
    }

    const SampleMovieLayout& layout() const { return layout_; }

    void WriteTo(ByteSink& sink) {
        for (const Piece& piece : pieces_) {
            switch (piece.kind) {
            case PieceKind::Ftyp: WriteFtyp(sink); break;
            case PieceKind::Extra: WriteExtra(sink, plan_.spec.extraAtoms[piece.index]); break;
            case PieceKind::Moov:
            case PieceKind::SecondMoov: sink.Write(moov_); break;
            case PieceKind::MediaData: WriteMediaData(sink, parts_[piece.index]); break;
            }
        }
        sink.Write(plan_.spec.breakage.trailingBytes);
    }

private:
    void PlanFrames() {
        const SampleMovieSpec& spec = plan_.spec;
        plan_.totalFrames = spec.units * spec.framesPerUnit + spec.breakage.extraFrames;
        if (spec.frames == FrameContent::H264 && H264EncoderAvailable()) {
            if (spec.width % 2 != 0 || spec.height % 2 != 0) {
                throw std::invalid_argument("H.264 4:2:0 pictures need an even width and height");
            }
            video_ = EncodeH264Frames(spec, plan_.totalFrames);
            plan_.h264 = true;
            plan_.avcC = video_.avcC;
            plan_.keyFrames = video_.keyFrames;
            if (spec.breakage.videoConstantSampleSize) PadToOneSize(video_.frames);
            for (const std::vector<std::uint8_t>& frame : video_.frames) {
                plan_.frameSizes.push_back(static_cast<std::uint32_t>(frame.size()));
            }
            return;
        }
        plan_.frameSizes.resize(plan_.totalFrames);
        plan_.keyFrames.resize(plan_.totalFrames);
        for (unsigned i = 0; i < plan_.totalFrames; ++i) {
            plan_.keyFrames[i] = IsKeyFrame(spec, i) ? 1 : 0;
            plan_.frameSizes[i] = DummyFrameSize(i, plan_.keyFrames[i] != 0, spec.width, spec.height);
        }
        if (spec.breakage.videoConstantSampleSize && !plan_.frameSizes.empty()) {
            const std::uint32_t largest = *std::max_element(plan_.frameSizes.begin(), plan_.frameSizes.end());
            plan_.frameSizes.assign(plan_.frameSizes.size(), largest);
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
        const SampleMovieSpec& spec = plan_.spec;
        if (!spec.sound.present) return;
        plan_.soundBytesPerFrame = SoundBytesPerFrame(spec.sound);
        plan_.soundSamplesPerUnit = SoundSamplesPerUnit(spec);
        plan_.soundChunkSamples.assign(spec.units, plan_.soundSamplesPerUnit);
        if (spec.breakage.soundStscTwoEntries && spec.units > 0) {
            const std::uint32_t shorter = spec.breakage.lastSoundChunkSamples != 0 ? spec.breakage.lastSoundChunkSamples
                                                                                   : plan_.soundSamplesPerUnit / 2;
            plan_.soundChunkSamples.back() = std::max<std::uint32_t>(1, shorter);
        }
        if (spec.breakage.emptyLastSoundChunk && spec.units > 0) plan_.soundChunkSamples.back() = 0;
    }

    // The order of the top-level atoms and how the units fall into 'mdat's.
    void PlanPieces() {
        const SampleMovieSpec& spec = plan_.spec;
        const std::size_t layoutUnits = spec.units + (spec.breakage.extraFrames > 0 ? 1 : 0);
        if (spec.breakage.twoMdat) {
            const std::size_t split = (layoutUnits + 1) / 2;
            parts_.push_back({0, split});
            parts_.push_back({split, layoutUnits});
        } else {
            parts_.push_back({0, layoutUnits});
        }
        pieces_.push_back({PieceKind::Ftyp});
        for (std::size_t i = 0; i < spec.extraAtoms.size(); ++i) {
            if (!spec.extraAtoms[i].afterMediaData) pieces_.push_back({PieceKind::Extra, i});
        }
        if (!spec.breakage.mdatBeforeMoov) pieces_.push_back({PieceKind::Moov});
        for (std::size_t i = 0; i < parts_.size(); ++i) pieces_.push_back({PieceKind::MediaData, i});
        if (spec.breakage.mdatBeforeMoov) pieces_.push_back({PieceKind::Moov});
        if (spec.breakage.secondMoov) pieces_.push_back({PieceKind::SecondMoov});
        for (std::size_t i = 0; i < spec.extraAtoms.size(); ++i) {
            if (spec.extraAtoms[i].afterMediaData) pieces_.push_back({PieceKind::Extra, i});
        }
    }

    std::uint64_t MediaDataHeaderSize() const { return plan_.spec.breakage.mdatSize64 ? 16 : 8; }

    // Fixes every atom's, unit's, chunk's and frame's offset, front to back.
    void PlaceEverything() {
        const SampleMovieSpec& spec = plan_.spec;
        layout_ = SampleMovieLayout();
        layout_.soundSamplesPerUnit = plan_.soundSamplesPerUnit;
        layout_.soundBytesPerFrame = plan_.soundBytesPerFrame;
        layout_.h264 = plan_.h264;

        std::uint64_t pos = 0;
        bool firstMoov = true;
        bool firstMdat = true;
        for (const Piece& piece : pieces_) {
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
                atom.size = moov_.size();
                if (firstMoov) {
                    layout_.moovOffset = pos;
                    layout_.moovSize = atom.size;
                    firstMoov = false;
                }
                break;
            case PieceKind::MediaData:
                atom.type = FourCC("mdat");
                atom.size = PlaceUnits(parts_[piece.index], pos + MediaDataHeaderSize()) - pos;
                if (firstMdat) {
                    layout_.mdatOffset = pos;
                    layout_.mdatSize = atom.size;
                    firstMdat = false;
                }
                break;
            }
            layout_.atoms.push_back(atom);
            pos += atom.size;
        }
        pos += spec.breakage.trailingBytes.size();
        // Chunk offsets, atom sizes and the record's file size are 32-bit in
        // a camera movie: a larger file would state wrapped values.
        if (pos > std::numeric_limits<std::uint32_t>::max()) {
            throw std::invalid_argument("a camera movie must stay below 4 GiB");
        }
        plan_.fileSize = pos;
        layout_.fileSize = pos;
    }

    // Lays the units of one part out from pos; returns the end.
    std::uint64_t PlaceUnits(const MediaDataPart& part, std::uint64_t pos) {
        const std::uint32_t framesPerUnit = plan_.spec.framesPerUnit;
        for (std::size_t unit = part.firstUnit; unit < part.endUnit; ++unit) {
            UnitLayout placed;
            placed.offset = pos;
            if (unit < plan_.soundChunkSamples.size()) {
                placed.soundOffset = pos;
                placed.soundSize = plan_.soundChunkSamples[unit] * plan_.soundBytesPerFrame;
                plan_.soundOffsets[unit] = pos;
                pos += placed.soundSize;
            }
            const std::size_t first = unit * framesPerUnit;
            const std::size_t end = std::min<std::size_t>(first + framesPerUnit, plan_.totalFrames);
            for (std::size_t frame = first; frame < end; ++frame) {
                plan_.frameOffsets[frame] = pos;
                placed.frames.push_back({pos, plan_.frameSizes[frame], plan_.keyFrames[frame] != 0});
                pos += plan_.frameSizes[frame];
            }
            placed.size = pos - placed.offset;
            layout_.units.push_back(std::move(placed));
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
        for (std::size_t unit = part.firstUnit; unit < part.endUnit; ++unit) size += layout_.units[unit].size;
        std::uint8_t header[16];
        ByteWriter out(header, sizeof header);
        if (plan_.spec.breakage.mdatSize64) {
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
            if (unit < plan_.soundChunkSamples.size()) {
                FillSoundChunk(plan_.spec.sound, static_cast<unsigned>(unit) + plan_.spec.contentOffset,
                               plan_.soundChunkSamples[unit], buffer);
                sink.Write(buffer);
            }
            for (const FrameLayout& frame : layout_.units[unit].frames) {
                const std::size_t index = static_cast<std::size_t>(&frame - layout_.units[unit].frames.data()) +
                                          unit * plan_.spec.framesPerUnit;
                if (plan_.h264) {
                    sink.Write(video_.frames[index]);
                } else {
                    buffer.resize(frame.size);
                    const std::size_t content = index + std::size_t(plan_.spec.contentOffset) * plan_.spec.framesPerUnit;
                    FillDummyFrame(static_cast<unsigned>(content), frame.keyFrame, buffer.data(), frame.size);
                    sink.Write(buffer);
                }
            }
        }
    }

    MoviePlan plan_;
    EncodedVideo video_;
    std::vector<MediaDataPart> parts_;
    std::vector<Piece> pieces_;
    std::vector<std::uint8_t> moov_;
    SampleMovieLayout layout_;
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
