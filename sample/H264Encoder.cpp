#include "sample/H264Encoder.h"

#include "bytes/ByteReader.h"
#include "sample/UnitPicture.h"

#include <stdexcept>

#if defined(CLIPREEL_SAMPLE_HAVE_H264)
#include <cstring>
#include <memory>
#include <string>
#else
#include "sample/PcmH264Stream.h"
#endif
#if defined(CLIPREEL_SAMPLE_HAVE_H264)

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
#include <libavutil/opt.h>
}
#endif

namespace clipreel {
namespace sample {

namespace {

using Bytes = std::vector<std::uint8_t>;

void AppendU16(Bytes& out, std::size_t value) {
    out.push_back(static_cast<std::uint8_t>(value >> 8));
    out.push_back(static_cast<std::uint8_t>(value));
}

void AppendLengthPrefixed(Bytes& out, const Bytes& unit) {
    const std::size_t length = unit.size();
    out.push_back(static_cast<std::uint8_t>(length >> 24));
    out.push_back(static_cast<std::uint8_t>(length >> 16));
    out.push_back(static_cast<std::uint8_t>(length >> 8));
    out.push_back(static_cast<std::uint8_t>(length));
    out.insert(out.end(), unit.begin(), unit.end());
}

// The AVC decoder configuration record: one SPS, one PPS, 4-byte lengths.
Bytes DecoderConfiguration(const Bytes& sps, const Bytes& pps) {
    if (sps.size() < 4) throw std::runtime_error("H.264 sequence parameter set too short");
    Bytes avcC{1, sps[1], sps[2], sps[3], 0xFF, 0xE1};
    AppendU16(avcC, sps.size());
    avcC.insert(avcC.end(), sps.begin(), sps.end());
    avcC.push_back(1);
    AppendU16(avcC, pps.size());
    avcC.insert(avcC.end(), pps.begin(), pps.end());
    return avcC;
}

}

#if defined(CLIPREEL_SAMPLE_HAVE_H264)

namespace {

struct CodecContextFree {
    void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
struct FrameFree {
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct PacketFree {
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};

// The NAL units of a stream in either form the encoder may hand out: Annex B
// (start codes) or already length-prefixed.
std::vector<Bytes> SplitNalUnits(const std::uint8_t* data, std::size_t size) {
    std::vector<Bytes> units;
    const bool annexB = size >= 3 && data[0] == 0 && data[1] == 0 && (data[2] == 1 || (size >= 4 && data[2] == 0 && data[3] == 1));
    if (!annexB) {
        ByteReader reader(data, size);
        std::uint32_t length = 0;
        while (reader.ReadU32BE(length)) {
            ByteReader unit;
            if (!reader.Take(length, unit)) throw std::runtime_error("H.264 encoder produced a broken NAL unit");
            units.emplace_back(unit.data(), unit.data() + unit.size());
        }
        return units;
    }
    std::size_t pos = 0;
    std::size_t start = std::string::npos;
    while (pos + 3 <= size) {
        if (data[pos] == 0 && data[pos + 1] == 0 && data[pos + 2] == 1) {
            if (start != std::string::npos) {
                std::size_t end = pos;
                while (end > start && data[end - 1] == 0) --end;  // the zero of a 4-byte start code
                units.emplace_back(data + start, data + end);
            }
            pos += 3;
            start = pos;
        } else {
            ++pos;
        }
    }
    if (start != std::string::npos && start < size) units.emplace_back(data + start, data + size);
    return units;
}

// The AVC decoder configuration record of the encoder's parameter sets.
Bytes MakeAvcC(const std::uint8_t* extradata, std::size_t size) {
    const Bytes* sps = nullptr;
    const Bytes* pps = nullptr;
    const std::vector<Bytes> units = SplitNalUnits(extradata, size);
    for (const Bytes& unit : units) {
        if (unit.empty()) continue;
        const int type = unit[0] & 0x1F;
        if (type == 7 && !sps) sps = &unit;
        if (type == 8 && !pps) pps = &unit;
    }
    if (!sps || !pps) throw std::runtime_error("H.264 encoder gave no SPS and PPS");
    return DecoderConfiguration(*sps, *pps);
}

// A coded frame as 'avc1' samples store it; parameter sets stay in 'avcC'.
Bytes ToLengthPrefixed(const std::uint8_t* data, std::size_t size) {
    Bytes out;
    for (const Bytes& unit : SplitNalUnits(data, size)) {
        if (unit.empty()) continue;
        const int type = unit[0] & 0x1F;
        if (type == 7 || type == 8) continue;
        AppendLengthPrefixed(out, unit);
    }
    return out;
}

void Check(int result, const char* what) {
    if (result < 0) throw std::runtime_error(std::string("H.264 encoder: ") + what + " failed");
}

void Drain(AVCodecContext* context, AVPacket* packet, EncodedVideo& video) {
    for (;;) {
        const int result = avcodec_receive_packet(context, packet);
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) return;
        Check(result, "receive packet");
        video.frames.push_back(ToLengthPrefixed(packet->data, static_cast<std::size_t>(packet->size)));
        video.keyFrames.push_back((packet->flags & AV_PKT_FLAG_KEY) ? 1 : 0);
        av_packet_unref(packet);
    }
}

}

bool H264EncoderAvailable() { return avcodec_find_encoder_by_name("libx264") != nullptr; }

EncodedVideo EncodeH264Frames(const SampleMovieSpec& spec, unsigned frameCount) {
    const AVCodec* codec = avcodec_find_encoder_by_name("libx264");
    if (!codec) throw std::runtime_error("libx264 is not available");
    std::unique_ptr<AVCodecContext, CodecContextFree> context(avcodec_alloc_context3(codec));
    std::unique_ptr<AVFrame, FrameFree> frame(av_frame_alloc());
    std::unique_ptr<AVPacket, PacketFree> packet(av_packet_alloc());
    if (!context || !frame || !packet) throw std::bad_alloc();

    const unsigned gop = spec.groupOfPicture != 0 ? spec.groupOfPicture : spec.framesPerUnit;
    context->width = static_cast<int>(spec.width);
    context->height = static_cast<int>(spec.height);
    context->pix_fmt = AV_PIX_FMT_YUV420P;
    context->time_base = AVRational{static_cast<int>(spec.frameDuration), static_cast<int>(spec.timeScale)};
    context->framerate = AVRational{static_cast<int>(spec.timeScale), static_cast<int>(spec.frameDuration)};
    context->gop_size = static_cast<int>(gop);
    context->max_b_frames = 0;
    context->thread_count = 1;
    context->flags |= AV_CODEC_FLAG_GLOBAL_HEADER | AV_CODEC_FLAG_CLOSED_GOP;
    av_opt_set(context->priv_data, "preset", "ultrafast", 0);
    av_opt_set(context->priv_data, "tune", "zerolatency", 0);
    av_opt_set(context->priv_data, "forced-idr", "1", 0);
    av_opt_set(context->priv_data, "x264-params", "scenecut=0:open-gop=0", 0);
    Check(avcodec_open2(context.get(), codec, nullptr), "open");
    if (!context->extradata || context->extradata_size <= 0) throw std::runtime_error("H.264 encoder gave no extradata");

    EncodedVideo video;
    video.avcC = MakeAvcC(context->extradata, static_cast<std::size_t>(context->extradata_size));

    frame->format = AV_PIX_FMT_YUV420P;
    frame->width = context->width;
    frame->height = context->height;
    Check(av_frame_get_buffer(frame.get(), 0), "frame buffer");
    Picture420 picture;
    picture.width = spec.width;
    picture.height = spec.height;
    for (unsigned i = 0; i < frameCount; ++i) {
        Check(av_frame_make_writable(frame.get()), "frame writable");
        const unsigned inUnit = i % spec.framesPerUnit;
        PaintUnitPicture(spec.contentOffset + i / spec.framesPerUnit, inUnit, picture);
        const std::uint8_t* planes[3] = {picture.y.data(), picture.cb.data(), picture.cr.data()};
        const unsigned widths[3] = {picture.width, picture.ChromaWidth(), picture.ChromaWidth()};
        const unsigned heights[3] = {picture.height, picture.ChromaHeight(), picture.ChromaHeight()};
        for (int p = 0; p < 3; ++p) {
            for (unsigned row = 0; row < heights[p]; ++row) {
                std::memcpy(frame->data[p] + static_cast<std::ptrdiff_t>(row) * frame->linesize[p],
                            planes[p] + static_cast<std::size_t>(row) * widths[p], widths[p]);
            }
        }
        frame->pts = i;
        frame->pict_type = inUnit % gop == 0 ? AV_PICTURE_TYPE_I : AV_PICTURE_TYPE_NONE;
        Check(avcodec_send_frame(context.get(), frame.get()), "send frame");
        Drain(context.get(), packet.get(), video);
    }
    Check(avcodec_send_frame(context.get(), nullptr), "flush");
    Drain(context.get(), packet.get(), video);
    if (video.frames.size() != frameCount) throw std::runtime_error("H.264 encoder lost frames");
    return video;
}

#else

// Without libavcodec the frames are uncoded key frames and repeats of them
// (PcmH264Stream): large, but real H.264 that the system's decoders play,
// with key frames where the encoded ones would have them.
bool H264EncoderAvailable() { return true; }

EncodedVideo EncodeH264Frames(const SampleMovieSpec& spec, unsigned frameCount) {
    PcmH264Stream stream(spec.width, spec.height);
    EncodedVideo video;
    video.avcC = DecoderConfiguration(stream.SequenceParameterSet(), stream.PictureParameterSet());
    const unsigned gop = spec.groupOfPicture != 0 ? spec.groupOfPicture : spec.framesPerUnit;
    Picture420 picture;
    picture.width = spec.width;
    picture.height = spec.height;
    for (unsigned i = 0; i < frameCount; ++i) {
        const unsigned inUnit = i % spec.framesPerUnit;
        const bool key = inUnit % gop == 0;
        Bytes frame;
        if (key) {
            PaintUnitPicture(spec.contentOffset + i / spec.framesPerUnit, inUnit, picture);
            AppendLengthPrefixed(frame, stream.KeyFrame(picture));
        } else {
            AppendLengthPrefixed(frame, stream.RepeatFrame());
        }
        video.frames.push_back(std::move(frame));
        video.keyFrames.push_back(key ? 1 : 0);
    }
    return video;
}

#endif

}
}
