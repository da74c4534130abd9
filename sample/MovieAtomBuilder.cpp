#include "sample/MoviePlan.h"

#include "bytes/ByteBuffer.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

namespace clipreel {
namespace sample {

namespace {

// Seconds since 1904 of a fixed day, so that sample files are reproducible.
constexpr std::uint32_t FixedMovieTime = 0xDC2A3E00U;
constexpr std::uint32_t VideoTrackId = 1;
constexpr std::uint32_t SoundTrackId = 2;
constexpr std::uint32_t FixedOne = 0x00010000U;

class Atom {
public:
    Atom(ByteBuffer& out, std::uint32_t type) : buffer(out), start(out.size()) {
        buffer.AppendU32BE(0);
        buffer.AppendFourCC(type);
    }
    ~Atom() { buffer.PatchU32BE(start, static_cast<std::uint32_t>(buffer.size() - start)); }
    Atom(const Atom&) = delete;
    Atom& operator=(const Atom&) = delete;

private:
    ByteBuffer& buffer;
    std::size_t start;
};

std::uint32_t Low32(std::uint64_t value) { return static_cast<std::uint32_t>(value); }

void AppendMatrix(ByteBuffer& out) {
    const std::uint32_t matrix[9] = {FixedOne, 0, 0, 0, FixedOne, 0, 0, 0, 0x40000000U};
    for (std::uint32_t value : matrix) out.AppendU32BE(value);
}

void AppendVersionFlags(ByteBuffer& out, std::uint32_t flags = 0) { out.AppendU32BE(flags); }

void AppendMovieHeader(ByteBuffer& out, const MoviePlan& plan) {
    Atom mvhd(out, FourCC("mvhd"));
    AppendVersionFlags(out);
    out.AppendU32BE(FixedMovieTime);
    out.AppendU32BE(FixedMovieTime);
    out.AppendU32BE(plan.spec.timeScale);
    out.AppendU32BE(Low32(plan.VideoDuration()));
    out.AppendU32BE(FixedOne);  // preferred rate
    out.AppendU16BE(0x0100);     // preferred volume
    out.AppendZeros(10);
    AppendMatrix(out);
    out.AppendZeros(6 * 4);      // preview, poster, selection, current time
    out.AppendU32BE(plan.HasSound() ? SoundTrackId + 1 : VideoTrackId + 1);
}

void AppendTrackHeader(ByteBuffer& out, const MoviePlan& plan, std::uint32_t trackId, bool video) {
    Atom tkhd(out, FourCC("tkhd"));
    AppendVersionFlags(out, 0x000003);  // enabled, in movie
    out.AppendU32BE(FixedMovieTime);
    out.AppendU32BE(FixedMovieTime);
    out.AppendU32BE(trackId);
    out.AppendU32BE(0);
    out.AppendU32BE(Low32(plan.VideoDuration()));  // in the movie's time scale
    out.AppendZeros(8);
    out.AppendU16BE(0);                 // layer
    out.AppendU16BE(0);                 // alternate group
    out.AppendU16BE(video ? 0 : 0x0100);
    out.AppendU16BE(0);
    AppendMatrix(out);
    out.AppendU32BE(video ? plan.spec.width << 16 : 0);
    out.AppendU32BE(video ? plan.spec.height << 16 : 0);
}

void AppendMediaHeader(ByteBuffer& out, std::uint32_t timeScale, std::uint64_t duration) {
    Atom mdhd(out, FourCC("mdhd"));
    AppendVersionFlags(out);
    out.AppendU32BE(FixedMovieTime);
    out.AppendU32BE(FixedMovieTime);
    out.AppendU32BE(timeScale);
    out.AppendU32BE(Low32(duration));
    out.AppendU16BE(0);    // language
    out.AppendU16BE(0);    // quality
}

void AppendHandler(ByteBuffer& out, std::uint32_t componentType, std::uint32_t subtype, const std::string& name) {
    Atom hdlr(out, FourCC("hdlr"));
    AppendVersionFlags(out);
    out.AppendFourCC(componentType);
    out.AppendFourCC(subtype);
    out.AppendU32BE(0);    // manufacturer
    out.AppendU32BE(0);    // flags
    out.AppendU32BE(0);    // flags mask
    out.AppendU8(static_cast<std::uint8_t>(name.size()));
    out.AppendText(name);
}

void AppendDataInformation(ByteBuffer& out, unsigned entries, bool selfReference) {
    Atom dinf(out, FourCC("dinf"));
    Atom dref(out, FourCC("dref"));
    AppendVersionFlags(out);
    out.AppendU32BE(entries);
    for (unsigned i = 0; i < entries; ++i) {
        Atom alis(out, FourCC("alis"));
        AppendVersionFlags(out, selfReference ? 1 : 0);
    }
}

void AppendVideoDescription(ByteBuffer& out, const MoviePlan& plan) {
    Atom stsd(out, FourCC("stsd"));
    AppendVersionFlags(out);
    out.AppendU32BE(1);
    Atom avc1(out, FourCC("avc1"));
    out.AppendZeros(6);
    out.AppendU16BE(1);              // data reference index
    out.AppendU16BE(0);              // version
    out.AppendU16BE(0);              // revision
    out.AppendU32BE(0);              // vendor
    out.AppendU32BE(0);              // temporal quality
    out.AppendU32BE(0x200);          // spatial quality
    out.AppendU16BE(static_cast<std::uint16_t>(plan.spec.width));
    out.AppendU16BE(static_cast<std::uint16_t>(plan.spec.height));
    out.AppendU32BE(0x00480000U);    // 72 dpi
    out.AppendU32BE(0x00480000U);
    out.AppendU32BE(0);              // data size
    out.AppendU16BE(1);              // frames per sample
    const std::string compressor = "H.264";
    out.AppendU8(static_cast<std::uint8_t>(compressor.size()));
    out.AppendText(compressor);
    out.AppendZeros(31 - compressor.size());
    out.AppendU16BE(24);             // depth
    out.AppendU16BE(0xFFFF);         // no colour table
    if (!plan.avcC.empty()) {
        Atom avcC(out, FourCC("avcC"));
        out.AppendBytes(plan.avcC.data(), plan.avcC.size());
    }
}

void AppendSoundDescription(ByteBuffer& out, const MoviePlan& plan) {
    const SoundSpec& sound = plan.spec.sound;
    const std::uint32_t describedRate =
        plan.spec.breakage.describedSampleRate != 0 ? plan.spec.breakage.describedSampleRate : sound.sampleRate;
    const std::uint32_t bytesPerSample = sound.bitsPerSample / 8U;
    Atom stsd(out, FourCC("stsd"));
    AppendVersionFlags(out);
    out.AppendU32BE(1);
    const std::size_t entry = out.size();
    out.AppendU32BE(52);
    out.AppendFourCC(sound.format);
    out.AppendZeros(6);
    out.AppendU16BE(1);              // data reference index
    out.AppendU16BE(1);              // version 1
    out.AppendU16BE(0);
    out.AppendU32BE(0);              // vendor
    out.AppendU16BE(sound.channels);
    out.AppendU16BE(sound.bitsPerSample);
    out.AppendU16BE(0);              // compression id
    out.AppendU16BE(0);              // packet size
    out.AppendU32BE(describedRate << 16);
    out.AppendU32BE(1);              // samples per packet
    out.AppendU32BE(bytesPerSample); // bytes per packet
    const std::uint32_t described = plan.spec.breakage.describedBytesPerFrame;
    out.AppendU32BE(described != 0 ? described : plan.soundBytesPerFrame);
    out.AppendU32BE(bytesPerSample);
    if (out.size() - entry != 52) throw std::logic_error("sound description is not 52 bytes");
}

void AppendTimeToSample(ByteBuffer& out, std::uint64_t count, std::uint32_t duration) {
    Atom stts(out, FourCC("stts"));
    AppendVersionFlags(out);
    out.AppendU32BE(1);
    out.AppendU32BE(Low32(count));
    out.AppendU32BE(duration);
}

struct ChunkRun {
    std::uint32_t firstChunk;
    std::uint32_t samplesPerChunk;
};

void AppendSampleToChunk(ByteBuffer& out, const std::vector<ChunkRun>& runs) {
    Atom stsc(out, FourCC("stsc"));
    AppendVersionFlags(out);
    out.AppendU32BE(static_cast<std::uint32_t>(runs.size()));
    for (const ChunkRun& run : runs) {
        out.AppendU32BE(run.firstChunk);
        out.AppendU32BE(run.samplesPerChunk);
        out.AppendU32BE(1);
    }
}

void AppendChunkOffsets(ByteBuffer& out, const std::vector<std::uint64_t>& offsets, bool wide) {
    Atom stco(out, wide ? FourCC("co64") : FourCC("stco"));
    AppendVersionFlags(out);
    out.AppendU32BE(static_cast<std::uint32_t>(offsets.size()));
    for (std::uint64_t offset : offsets) {
        if (wide) {
            out.AppendU64(offset, ByteOrder::Big);
        } else {
            out.AppendU32BE(Low32(offset));
        }
    }
}

void AppendVideoTrack(ByteBuffer& out, const MoviePlan& plan) {
    const Breakage& breakage = plan.spec.breakage;
    Atom trak(out, FourCC("trak"));
    AppendTrackHeader(out, plan, VideoTrackId, true);
    Atom mdia(out, FourCC("mdia"));
    AppendMediaHeader(out, plan.spec.timeScale, plan.VideoDuration());
    AppendHandler(out, FourCC("mhlr"), FourCC("vide"), "Video Media Handler");
    Atom minf(out, FourCC("minf"));
    {
        Atom vmhd(out, FourCC("vmhd"));
        AppendVersionFlags(out, 1);
        out.AppendU16BE(0x40);  // graphics mode: copy
        out.AppendZeros(6);
    }
    AppendHandler(out, FourCC("dhlr"), FourCC("alis"), "Alias Data Handler");
    AppendDataInformation(out, breakage.twoDataReferences ? 2 : 1, true);
    Atom stbl(out, FourCC("stbl"));
    AppendVideoDescription(out, plan);
    AppendTimeToSample(out, plan.totalFrames, plan.spec.frameDuration);
    if (!breakage.noSyncSample) {
        std::vector<std::uint32_t> sync;
        for (unsigned i = 0; i < plan.totalFrames; ++i) {
            if (plan.keyFrames[i]) sync.push_back(i + 1);
        }
        Atom stss(out, FourCC("stss"));
        AppendVersionFlags(out);
        out.AppendU32BE(static_cast<std::uint32_t>(sync.size()));
        for (std::uint32_t sample : sync) out.AppendU32BE(sample);
    }
    AppendSampleToChunk(out, {{1, breakage.twoSamplesPerVideoChunk ? 2U : 1U}});
    {
        Atom stsz(out, FourCC("stsz"));
        AppendVersionFlags(out);
        const bool constant = breakage.videoConstantSampleSize && !plan.frameSizes.empty();
        out.AppendU32BE(constant ? plan.frameSizes.front() : 0);
        out.AppendU32BE(plan.totalFrames);
        if (!constant) {
            for (std::uint32_t size : plan.frameSizes) out.AppendU32BE(size);
        }
    }
    AppendChunkOffsets(out, plan.frameOffsets, breakage.videoChunkOffsets64);
}

void AppendSoundTrack(ByteBuffer& out, const MoviePlan& plan) {
    const Breakage& breakage = plan.spec.breakage;
    Atom trak(out, FourCC("trak"));
    AppendTrackHeader(out, plan, SoundTrackId, false);
    Atom mdia(out, FourCC("mdia"));
    AppendMediaHeader(out, plan.spec.sound.sampleRate, plan.TotalSoundSamples());
    AppendHandler(out, FourCC("mhlr"), FourCC("soun"), "Sound Media Handler");
    Atom minf(out, FourCC("minf"));
    {
        Atom smhd(out, FourCC("smhd"));
        AppendVersionFlags(out);
        out.AppendU16BE(0);  // balance
        out.AppendU16BE(0);
    }
    AppendHandler(out, FourCC("dhlr"), FourCC("alis"), "Alias Data Handler");
    AppendDataInformation(out, 1, !breakage.soundInOtherFile);
    Atom stbl(out, FourCC("stbl"));
    AppendSoundDescription(out, plan);
    AppendTimeToSample(out, plan.TotalSoundSamples(), 1);
    std::vector<ChunkRun> runs{{1, plan.soundSamplesPerUnit}};
    const std::size_t chunks = plan.soundChunkSamples.size();
    if (chunks > 0 && plan.soundChunkSamples.back() != plan.soundSamplesPerUnit) {
        runs.push_back({static_cast<std::uint32_t>(chunks), plan.soundChunkSamples.back()});
    }
    AppendSampleToChunk(out, runs);
    {
        Atom stsz(out, FourCC("stsz"));
        AppendVersionFlags(out);
        out.AppendU32BE(1);
        out.AppendU32BE(Low32(plan.TotalSoundSamples()));
    }
    std::vector<std::uint64_t> offsets = plan.soundOffsets;
    offsets.resize(offsets.size() - std::min<std::size_t>(offsets.size(), breakage.missingSoundChunkOffsets));
    AppendChunkOffsets(out, offsets, false);
}

ThumbnailSpec ThumbnailOf(const MoviePlan& plan) {
    const SampleMovieSpec& spec = plan.spec;
    ThumbnailSpec thumbnail;
    thumbnail.tiffOrder = spec.tiffOrder;
    thumbnail.makerNoteOrder = spec.makerNoteOrder;
    thumbnail.recordKind = plan.recordKind;
    thumbnail.shortRecordSize = spec.shortRecordSize;
    thumbnail.imageId = spec.imageId;
    thumbnail.relocation = spec.makerNoteRelocation;
    thumbnail.movieMode = spec.movieMode;
    thumbnail.movFileSize = Low32(plan.fileSize + (spec.breakage.wrongRecordedFileSize ? 1 : 0));
    thumbnail.groupOfPicture = static_cast<std::uint16_t>(spec.recordGroupOfPicture ? spec.groupOfPicture : 0);
    thumbnail.framePerUnit = static_cast<std::uint16_t>(spec.recordFramePerUnit ? spec.framesPerUnit : 0);
    thumbnail.montagioTime = spec.montagioTime;
    thumbnail.frameCount = plan.totalFrames;
    if (plan.totalFrames > 0) {
        thumbnail.firstFrameOffset = Low32(plan.frameOffsets[0]);
        thumbnail.firstFrameSize = plan.frameSizes[0];
    }
    thumbnail.durationMs = Low32(plan.VideoDuration() * 1000 / spec.timeScale);
    thumbnail.image = plan.thumbnailImage;
    thumbnail.minimumSize = spec.thumbnailRoom;
    return thumbnail;
}

void AppendFree(ByteBuffer& out, std::size_t payload) {
    Atom free(out, FourCC("free"));
    out.AppendZeros(payload);
}

}

std::uint64_t MoviePlan::TotalSoundSamples() const {
    std::uint64_t total = 0;
    for (std::uint32_t samples : soundChunkSamples) total += samples;
    return total;
}

std::vector<std::uint8_t> BuildMovieAtom(const MoviePlan& plan, std::size_t* thumbnailOffset,
                                         std::vector<std::uint8_t>* thumbnail, ThumbnailLayout* thumbnailLayout) {
    const SampleMovieSpec& spec = plan.spec;
    ByteBuffer out;
    std::size_t thumbnailAt = 0;
    {
        Atom moov(out, FourCC("moov"));
        AppendMovieHeader(out, plan);
        AppendVideoTrack(out, plan);
        if (plan.HasSound()) AppendSoundTrack(out, plan);
        for (unsigned i = 0; i < spec.movieFreeAtoms; ++i) AppendFree(out, 8);
        {
            Atom udta(out, FourCC("udta"));
            {
                Atom ztcv(out, FourCC("ZTCV"));
                if (!spec.breakage.ztcvPayload.empty()) {
                    out.AppendText(spec.breakage.ztcvPayload);
                } else {
                    char digits[16];
                    std::snprintf(digits, sizeof digits, "%04u", spec.creatorVersion % 10000U);
                    out.AppendText("ZentiAVC");
                    out.AppendText(digits);
                }
            }
            if (!spec.breakage.noThumbnail) {
                ThumbnailLayout layout;
                std::vector<std::uint8_t> jpeg = BuildThumbnail(ThumbnailOf(plan), &layout);
                Atom ztth(out, FourCC("ZTTH"));
                Atom ztda(out, FourCC("ZTDA"));
                thumbnailAt = out.size();
                out.AppendBytes(jpeg.data(), jpeg.size());
                if (thumbnail) *thumbnail = std::move(jpeg);
                if (thumbnailLayout) *thumbnailLayout = layout;
            }
        }
        if (spec.movieEndsWithFree) AppendFree(out, 24);
    }
    if (thumbnailOffset) *thumbnailOffset = thumbnailAt;
    return std::move(out.bytes());
}

}
}
