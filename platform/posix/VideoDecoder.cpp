#include "platform/VideoDecoder.h"

#include "bytes/FourCC.h"
#include "platform/posix/FFmpegLibraries.h"
#include "platform/posix/RgbConverter.h"

#include <cstring>
#include <utility>

namespace clipreel {
namespace platform {

namespace {

AVCodecID CodecOf(std::uint32_t format) {
    if (format == FourCC("avc1")) return AV_CODEC_ID_H264;
    if (format == FourCC("jpeg")) return AV_CODEC_ID_MJPEG;
    return AV_CODEC_ID_NONE;
}

}

// FFmpeg's decoder for the movie's coding, fed packets made of the stored
// frames; the scaling context that turns its output into RGB is kept too.
struct VideoDecoder::Codec {
    explicit Codec(const FFmpegLibraries& libraries)
        : ff(libraries),
          decoder(nullptr, CodecContextFree{&libraries}),
          packet(nullptr, PacketFree{&libraries}),
          decoded(nullptr, FrameFree{&libraries}),
          wanted(nullptr, FrameFree{&libraries}),
          converter(libraries) {}

    bool Open(const VideoCoding& coding) {
        const AVCodec* implementation = ff.avcodec_find_decoder(CodecOf(coding.format));
        if (implementation == nullptr) return false;
        decoder.reset(ff.avcodec_alloc_context3(implementation));
        packet.reset(ff.av_packet_alloc());
        decoded.reset(ff.av_frame_alloc());
        wanted.reset(ff.av_frame_alloc());
        if (!decoder || !packet || !decoded || !wanted) return false;
        if (!coding.configuration.empty()) {
            // The decoder owns and frees its configuration, padded as its
            // readers expect.
            const std::size_t size = coding.configuration.size();
            auto* extradata = static_cast<std::uint8_t*>(ff.av_mallocz(size + AV_INPUT_BUFFER_PADDING_SIZE));
            if (extradata == nullptr) return false;
            std::memcpy(extradata, coding.configuration.data(), size);
            decoder->extradata = extradata;
            decoder->extradata_size = static_cast<int>(size);
        }
        decoder->width = static_cast<int>(coding.width);
        decoder->height = static_cast<int>(coding.height);
        // Callers that want speed decode several movies' or units' frames
        // side by side, a decoder each.
        decoder->thread_count = 1;
        return ff.avcodec_open2(decoder.get(), implementation, nullptr) >= 0;
    }

    // Frames leave the decoder with the position of the stored frame that
    // coded them: the one at position `last` is the picture wanted.
    bool Receive(std::int64_t last) {
        for (;;) {
            const int status = ff.avcodec_receive_frame(decoder.get(), decoded.get());
            if (status == AVERROR(EAGAIN) || status == AVERROR_EOF) return true;
            if (status < 0) return false;
            std::int64_t position = decoded->best_effort_timestamp;
            if (position == AV_NOPTS_VALUE) position = decoded->pts;
            if (position == last) {
                ff.av_frame_unref(wanted.get());
                ff.av_frame_move_ref(wanted.get(), decoded.get());
                found = true;
            } else {
                ff.av_frame_unref(decoded.get());
            }
        }
    }

    bool Send(const CodedFrame& frame, std::int64_t position) {
        if (frame.size() > static_cast<std::size_t>(INT32_MAX - AV_INPUT_BUFFER_PADDING_SIZE)) return false;
        if (ff.av_new_packet(packet.get(), static_cast<int>(frame.size())) < 0) return false;
        std::memcpy(packet->data, frame.data(), frame.size());
        packet->pts = position;
        packet->dts = position;
        if (position == 0) packet->flags |= AV_PKT_FLAG_KEY;
        const int sent = ff.avcodec_send_packet(decoder.get(), packet.get());
        ff.av_packet_unref(packet.get());
        // A damaged frame is skipped as a player skips it; what depends on it
        // may still decode.
        return sent >= 0 || sent == AVERROR_INVALIDDATA;
    }

    HResult DecodeLast(std::size_t count, const CodedFrameReader& read, Picture picture, Image& image) {
        found = false;
        ff.av_frame_unref(wanted.get());
        const auto last = static_cast<std::int64_t>(count) - 1;
        bool decodedAll = true;
        for (std::size_t i = 0; i < count && decodedAll; ++i) {
            decodedAll = read(i, stored) && Send(stored, static_cast<std::int64_t>(i)) && Receive(last);
        }
        // The frames the decoder still holds, then a clean start for the
        // next run.
        if (decodedAll && ff.avcodec_send_packet(decoder.get(), nullptr) >= 0) decodedAll = Receive(last);
        ff.avcodec_flush_buffers(decoder.get());
        if (!decodedAll || !found) return HResultFail;
        const bool converted = picture == Picture::Thumbnail ? converter.ConvertToThumbnail(wanted.get(), image)
                                                             : converter.Convert(wanted.get(), image);
        ff.av_frame_unref(wanted.get());
        return converted ? HResultOk : HResultFail;
    }

    const FFmpegLibraries& ff;
    std::unique_ptr<AVCodecContext, CodecContextFree> decoder;
    std::unique_ptr<AVPacket, PacketFree> packet;
    std::unique_ptr<AVFrame, FrameFree> decoded;
    std::unique_ptr<AVFrame, FrameFree> wanted;
    RgbConverter converter;
    CodedFrame stored;  // the frame being sent, its buffer kept from run to run
    bool found = false;
};

std::unique_ptr<VideoDecoder> VideoDecoder::Open(const VideoCoding& coding) {
    if (CodecOf(coding.format) == AV_CODEC_ID_NONE) return nullptr;
    const FFmpegLibraries* ff = LoadFFmpegCodecs();
    if (ff == nullptr) return nullptr;
    auto codec = std::make_unique<Codec>(*ff);
    if (!codec->Open(coding)) return nullptr;
    return std::unique_ptr<VideoDecoder>(new VideoDecoder(std::move(codec)));
}

VideoDecoder::VideoDecoder(std::unique_ptr<Codec> opened) : codec(std::move(opened)) {}

VideoDecoder::~VideoDecoder() = default;

HResult VideoDecoder::DecodeLast(std::size_t count, const CodedFrameReader& read, Picture picture, Image& image) {
    image = Image();
    if (count == 0 || !read) return HResultInvalidArg;
    const HResult result = codec->DecodeLast(count, read, picture, image);
    if (Failed(result)) image = Image();
    return result;
}

}
}
