#include "platform/ShareableMovieExport.h"

#include "platform/posix/FFmpegLibraries.h"
#include "platform/posix/WidePath.h"

#include <algorithm>
#include <cerrno>
#include <memory>
#include <string>

namespace clipreel {
namespace platform {

namespace {

// The share of the progress the frames and sound take; the rest is the
// writer's move of the movie atom before the media data.
constexpr double MediaShare = 0.9;

// Closes the output file (when open) and frees the writer.
struct OutputFree {
    const FFmpegLibraries* ff;
    void operator()(AVFormatContext* context) const {
        if (context->pb != nullptr) ff->avio_closep(&context->pb);
        ff->avformat_free_context(context);
    }
};

// A file stopped at the process's size limit (EFBIG) is a write that failed,
// as the library's own writers count it: the disk had room.
ExportStatus WriteFailure(int error) {
    if (error == AVERROR(ENOSPC) || error == AVERROR(EDQUOT)) return ExportStatus::DiskFull;
    if (error == AVERROR(ENOMEM)) return ExportStatus::OutOfMemory;
    return ExportStatus::CannotWrite;
}

// The source's PCM sample layouts, as the QuickTime demuxer names them.
bool KnownPcm(AVCodecID codec) {
    return codec == AV_CODEC_ID_PCM_S16BE || codec == AV_CODEC_ID_PCM_S16LE || codec == AV_CODEC_ID_PCM_U8 ||
           codec == AV_CODEC_ID_PCM_S8;
}

// Sound samples as the AAC encoder takes them: one plane of floats per channel.
class PlanarSound {
public:
    explicit PlanarSound(int channels) : planes(static_cast<std::size_t>(channels)) {}

    std::uint64_t size() const { return planes.empty() ? 0 : planes[0].size(); }

    // Appends count interleaved PCM sample frames of the codec's layout.
    void AppendPcm(AVCodecID codec, const std::uint8_t* data, std::size_t count) {
        switch (codec) {
        case AV_CODEC_ID_PCM_S16BE:
            return Append(data, count, [](const std::uint8_t* at, std::size_t i) {
                return static_cast<std::int16_t>((at[i * 2] << 8) | at[i * 2 + 1]) / 32768.0f;
            });
        case AV_CODEC_ID_PCM_S16LE:
            return Append(data, count, [](const std::uint8_t* at, std::size_t i) {
                return static_cast<std::int16_t>((at[i * 2 + 1] << 8) | at[i * 2]) / 32768.0f;
            });
        case AV_CODEC_ID_PCM_U8:
            return Append(data, count, [](const std::uint8_t* at, std::size_t i) {
                return (static_cast<int>(at[i]) - 128) / 128.0f;
            });
        default:
            return Append(data, count, [](const std::uint8_t* at, std::size_t i) {
                return static_cast<std::int8_t>(at[i]) / 128.0f;
            });
        }
    }
    // Silence up to, or a cut down to, count sample frames.
    void Resize(std::uint64_t count) {
        for (auto& plane : planes) plane.resize(count, 0.0f);
    }
    void Append(const PlanarSound& other) {
        for (std::size_t c = 0; c < planes.size(); ++c)
            planes[c].insert(planes[c].end(), other.planes[c].begin(), other.planes[c].end());
    }
    void DropFront(std::size_t count) {
        for (auto& plane : planes) plane.erase(plane.begin(), plane.begin() + static_cast<std::ptrdiff_t>(count));
    }
    const float* Plane(std::size_t channel) const { return planes[channel].data(); }
    void Clear() {
        for (auto& plane : planes) plane.clear();
    }

private:
    // value(data, i): the i-th sample of the interleaved data as a float.
    template <typename Value>
    void Append(const std::uint8_t* data, std::size_t count, Value value) {
        const std::size_t channels = planes.size();
        for (std::size_t c = 0; c < channels; ++c) {
            std::vector<float>& plane = planes[c];
            const std::size_t at = plane.size();
            plane.resize(at + count);
            for (std::size_t i = 0; i < count; ++i) plane[at + i] = value(data, i * channels + c);
        }
    }

    std::vector<std::vector<float>> planes;
};

// The AAC-LC encoder and its output stream: sound goes in in any amounts,
// whole encoder frames come out as packets of the stream.
class AacTrack {
public:
    AacTrack(const FFmpegLibraries& ff, AVFormatContext* output)
        : ffmpeg(ff),
          muxer(output),
          aacEncoder(nullptr, CodecContextFree{&ff}),
          soundFrame(nullptr, FrameFree{&ff}),
          outPacket(nullptr, PacketFree{&ff}),
          pending(0) {}

    ExportStatus Open(int sampleRate, int channels, std::uint32_t bitRate) {
        // FFmpeg's own encoder: the one every build has.
        const AVCodec* codec = ffmpeg.avcodec_find_encoder_by_name("aac");
        if (codec == nullptr) return ExportStatus::Failed;
        aacEncoder.reset(ffmpeg.avcodec_alloc_context3(codec));
        soundFrame.reset(ffmpeg.av_frame_alloc());
        outPacket.reset(ffmpeg.av_packet_alloc());
        if (!aacEncoder || !soundFrame || !outPacket) return ExportStatus::OutOfMemory;
        aacEncoder->sample_fmt = AV_SAMPLE_FMT_FLTP;
        aacEncoder->sample_rate = sampleRate;
        ffmpeg.av_channel_layout_default(&aacEncoder->ch_layout, channels);
        aacEncoder->bit_rate = bitRate;
        aacEncoder->profile = FF_PROFILE_AAC_LOW;
        aacEncoder->time_base = AVRational{1, sampleRate};
        aacEncoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        if (ffmpeg.avcodec_open2(aacEncoder.get(), codec, nullptr) < 0) return ExportStatus::Failed;
        aacStream = ffmpeg.avformat_new_stream(muxer, nullptr);
        if (aacStream == nullptr) return ExportStatus::OutOfMemory;
        if (ffmpeg.avcodec_parameters_from_context(aacStream->codecpar, aacEncoder.get()) < 0)
            return ExportStatus::Failed;
        aacStream->time_base = aacEncoder->time_base;
        pending = PlanarSound(channels);
        return ExportStatus::Done;
    }

    // Encodes every whole frame of sound; the rest waits for more (or Finish).
    int Add(const PlanarSound& sound) {
        pending.Append(sound);
        const std::size_t frameSize = static_cast<std::size_t>(aacEncoder->frame_size);
        std::size_t used = 0;
        int status = 0;
        while (status >= 0 && pending.size() - used >= frameSize) {
            status = Encode(used, frameSize);
            used += frameSize;
        }
        pending.DropFront(used);
        return status;
    }

    // The last, shorter frame and whatever the encoder still holds.
    int Finish() {
        int status = 0;
        if (pending.size() > 0) status = Encode(0, static_cast<std::size_t>(pending.size()));
        pending.Clear();
        if (status < 0) return status;
        status = ffmpeg.avcodec_send_frame(aacEncoder.get(), nullptr);
        return status < 0 ? status : Drain();
    }

private:
    int Encode(std::size_t from, std::size_t count) {
        AVFrame* frame = soundFrame.get();
        ffmpeg.av_frame_unref(frame);
        frame->format = AV_SAMPLE_FMT_FLTP;
        frame->sample_rate = aacEncoder->sample_rate;
        frame->nb_samples = static_cast<int>(count);
        frame->ch_layout = aacEncoder->ch_layout;  // a native layout: nothing to own
        int status = ffmpeg.av_frame_get_buffer(frame, 0);
        if (status < 0) return status;
        for (int c = 0; c < aacEncoder->ch_layout.nb_channels; ++c) {
            std::copy_n(pending.Plane(static_cast<std::size_t>(c)) + from, count,
                        reinterpret_cast<float*>(frame->extended_data[c]));
        }
        frame->pts = static_cast<std::int64_t>(encoded);
        encoded += count;
        status = ffmpeg.avcodec_send_frame(aacEncoder.get(), frame);
        return status < 0 ? status : Drain();
    }

    int Drain() {
        for (;;) {
            const int status = ffmpeg.avcodec_receive_packet(aacEncoder.get(), outPacket.get());
            if (status == AVERROR(EAGAIN) || status == AVERROR_EOF) return 0;
            if (status < 0) return status;
            outPacket->stream_index = aacStream->index;
            ffmpeg.av_packet_rescale_ts(outPacket.get(), aacEncoder->time_base, aacStream->time_base);
            const int written = ffmpeg.av_interleaved_write_frame(muxer, outPacket.get());
            if (written < 0) return written;
        }
    }

    const FFmpegLibraries& ffmpeg;
    AVFormatContext* muxer;
    std::unique_ptr<AVCodecContext, CodecContextFree> aacEncoder;
    std::unique_ptr<AVFrame, FrameFree> soundFrame;
    std::unique_ptr<AVPacket, PacketFree> outPacket;
    AVStream* aacStream = nullptr;
    PlanarSound pending;
    std::uint64_t encoded = 0;
};

// One export: the source's tracks read unit by unit, the frames copied, the
// sound gathered per unit and fitted to the unit's picture time.
class Export {
public:
    Export(const FFmpegLibraries& ff, const ShareableMovieRequest& request)
        : ffmpeg(ff),
          exportRequest(request),
          input(nullptr, InputCloser{&ff}),
          muxer(nullptr, OutputFree{&ff}),
          outPacket(nullptr, PacketFree{&ff}) {}

    ExportStatus Run(const std::string& source, const std::string& destination) {
        ExportStatus status = OpenSource(source);
        if (status != ExportStatus::Done) return status;
        status = OpenDestination(destination);
        if (status != ExportStatus::Done) return status;
        std::uint64_t totalFrames = 0;
        for (const ExportedUnit& unit : exportRequest.units) totalFrames += unit.frameCount;
        std::uint64_t framesDone = 0;
        for (const ExportedUnit& unit : exportRequest.units) {
            status = CopyUnit(unit);
            if (status != ExportStatus::Done) return status;
            framesDone += unit.frameCount;
            if (exportRequest.progress &&
                !exportRequest.progress(MediaShare * framesDone / std::max<std::uint64_t>(totalFrames, 1)))
                return ExportStatus::Cancelled;
        }
        if (soundTrack) {
            const int finished = soundTrack->Finish();
            if (finished < 0) return WriteFailure(finished);
        }
        const int trailer = ffmpeg.av_write_trailer(muxer.get());
        if (trailer < 0) return WriteFailure(trailer);
        const int closed = ffmpeg.avio_closep(&muxer->pb);
        if (closed < 0) return WriteFailure(closed);
        return ExportStatus::Done;
    }

private:
    ExportStatus OpenSource(const std::string& source) {
        AVFormatContext* opened = nullptr;
        if (ffmpeg.avformat_open_input(&opened, source.c_str(), nullptr, nullptr) < 0) return ExportStatus::CannotRead;
        input.reset(opened);
        if (ffmpeg.avformat_find_stream_info(input.get(), nullptr) < 0) return ExportStatus::CannotRead;
        outPacket.reset(ffmpeg.av_packet_alloc());
        if (!outPacket) return ExportStatus::OutOfMemory;
        const int video = ffmpeg.av_find_best_stream(input.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
        if (video < 0 || input->streams[video]->codecpar->codec_id != AV_CODEC_ID_H264) return ExportStatus::CannotRead;
        videoStream = input->streams[video];
        bool wantSound = false;
        for (const ExportedUnit& unit : exportRequest.units) wantSound = wantSound || unit.soundSampleCount > 0;
        if (wantSound) {
            const int sound = ffmpeg.av_find_best_stream(input.get(), AVMEDIA_TYPE_AUDIO, -1, video, nullptr, 0);
            if (sound < 0) return ExportStatus::CannotRead;
            soundIn = input->streams[sound];
            const AVCodecParameters* format = soundIn->codecpar;
            if (!KnownPcm(format->codec_id) || format->ch_layout.nb_channels < 1 || format->sample_rate < 1)
                return ExportStatus::CannotRead;
            const AVIndexEntry* first = ffmpeg.avformat_index_get_entry(soundIn, 0);
            if (first == nullptr) return ExportStatus::CannotRead;
            soundStart = first->timestamp;
        }
        return ExportStatus::Done;
    }

    ExportStatus OpenDestination(const std::string& destination) {
        AVFormatContext* made = nullptr;
        if (ffmpeg.avformat_alloc_output_context2(&made, nullptr, "mp4", destination.c_str()) < 0 || made == nullptr)
            return ExportStatus::Failed;
        muxer.reset(made);
        // Only the recording's time goes over: the camera's records and
        // names describe a camera reel, which this file is not.
        const AVDictionaryEntry* created = ffmpeg.av_dict_get(input->metadata, "creation_time", nullptr, 0);
        if (created != nullptr) ffmpeg.av_dict_set(&muxer->metadata, "creation_time", created->value, 0);

        AVStream* video = ffmpeg.avformat_new_stream(muxer.get(), nullptr);
        if (video == nullptr) return ExportStatus::OutOfMemory;
        if (ffmpeg.avcodec_parameters_copy(video->codecpar, videoStream->codecpar) < 0)
            return ExportStatus::OutOfMemory;
        video->codecpar->codec_tag = 0;  // the MP4 writer chooses its own
        video->time_base = videoStream->time_base;
        videoOut = video;
        if (soundIn != nullptr) {
            const AVCodecParameters* format = soundIn->codecpar;
            std::uint32_t bitRate = exportRequest.soundBitRate;
            if (bitRate == 0)
                bitRate = DefaultSoundBitRatePerChannel * static_cast<std::uint32_t>(format->ch_layout.nb_channels);
            soundTrack = std::make_unique<AacTrack>(ffmpeg, muxer.get());
            const ExportStatus opened = soundTrack->Open(format->sample_rate, format->ch_layout.nb_channels, bitRate);
            if (opened != ExportStatus::Done) return opened;
        }

        const int file = ffmpeg.avio_open(&muxer->pb, destination.c_str(), AVIO_FLAG_WRITE);
        if (file < 0) return WriteFailure(file);
        AVDictionary* options = nullptr;
        // The movie atom before the media data: players start while the
        // rest still downloads.
        ffmpeg.av_dict_set(&options, "movflags", "+faststart", 0);
        const int header = ffmpeg.avformat_write_header(muxer.get(), &options);
        ffmpeg.av_dict_free(&options);
        if (header < 0) return WriteFailure(header);
        return ExportStatus::Done;
    }

    std::int64_t FrameTime(std::uint32_t frame) const {
        const AVIndexEntry* entry = ffmpeg.avformat_index_get_entry(videoStream, static_cast<int>(frame));
        return entry != nullptr ? entry->timestamp : AV_NOPTS_VALUE;
    }

    std::int64_t SoundSampleOf(std::int64_t timestamp) const {
        return ffmpeg.av_rescale_q(timestamp - soundStart, soundIn->time_base,
                                   AVRational{1, soundIn->codecpar->sample_rate});
    }

    ExportStatus CopyUnit(const ExportedUnit& unit) {
        const std::int64_t start = FrameTime(unit.firstFrame);
        if (start == AV_NOPTS_VALUE || unit.frameCount == 0) return ExportStatus::CannotRead;
        const bool withSound = soundIn != nullptr;
        const std::int64_t soundFirst = static_cast<std::int64_t>(unit.firstSoundSample);
        const std::int64_t soundEnd = soundFirst + static_cast<std::int64_t>(unit.soundSampleCount);
        // From the key frame that starts the unit; the sound from at or
        // before its first sample, so nothing of it is missed.
        std::int64_t seekTo = start;
        if (withSound) {
            const std::int64_t soundTime =
                ffmpeg.av_rescale_q(soundFirst, AVRational{1, soundIn->codecpar->sample_rate}, videoStream->time_base);
            const std::int64_t soundInVideo =
                soundTime + ffmpeg.av_rescale_q(soundStart, soundIn->time_base, videoStream->time_base);
            seekTo = std::min(seekTo, soundInVideo);
        }
        if (ffmpeg.av_seek_frame(input.get(), videoStream->index, seekTo, AVSEEK_FLAG_BACKWARD) < 0)
            return ExportStatus::CannotRead;

        PlanarSound unitSound(withSound ? soundIn->codecpar->ch_layout.nb_channels : 0);
        std::uint32_t framesTaken = 0;
        bool soundComplete = !withSound || unit.soundSampleCount == 0;
        std::int64_t videoDuration = 0;
        while (framesTaken < unit.frameCount || !soundComplete) {
            const int read = ffmpeg.av_read_frame(input.get(), outPacket.get());
            if (read == AVERROR_EOF) break;
            if (read < 0) return ExportStatus::CannotRead;
            ExportStatus status = ExportStatus::Done;
            if (outPacket->stream_index == videoStream->index) {
                if (framesTaken < unit.frameCount && outPacket->dts != AV_NOPTS_VALUE && outPacket->dts >= start) {
                    status = WriteFrame(start, videoDuration);
                    ++framesTaken;
                }
            } else if (withSound && outPacket->stream_index == soundIn->index && !soundComplete) {
                soundComplete = TakeSound(soundFirst, soundEnd, unitSound);
            }
            ffmpeg.av_packet_unref(outPacket.get());
            if (status != ExportStatus::Done) return status;
        }
        if (framesTaken < unit.frameCount) return ExportStatus::CannotRead;
        videoAt += videoDuration;
        if (!withSound) return ExportStatus::Done;
        // The sound fills exactly the picture's time so far: a unit whose
        // sound is shorter or longer than its frames cannot shift the
        // sound of the units after it.
        const std::int64_t soundWanted =
            ffmpeg.av_rescale_q(videoAt, videoStream->time_base, AVRational{1, soundIn->codecpar->sample_rate});
        unitSound.Resize(static_cast<std::uint64_t>(std::max<std::int64_t>(soundWanted - soundAt, 0)));
        soundAt += static_cast<std::int64_t>(unitSound.size());
        const int added = soundTrack->Add(unitSound);
        return added < 0 ? WriteFailure(added) : ExportStatus::Done;
    }

    // Copies the frame in the packet, its times moved to the unit's place.
    ExportStatus WriteFrame(std::int64_t unitStart, std::int64_t& unitDuration) {
        AVPacket* packet = outPacket.get();
        const std::int64_t shift = videoAt - unitStart;
        packet->dts += shift;
        if (packet->pts != AV_NOPTS_VALUE) packet->pts += shift;
        unitDuration += packet->duration;
        packet->stream_index = videoOut->index;
        packet->pos = -1;
        ffmpeg.av_packet_rescale_ts(packet, videoStream->time_base, videoOut->time_base);
        const int written = ffmpeg.av_interleaved_write_frame(muxer.get(), packet);
        return written < 0 ? WriteFailure(written) : ExportStatus::Done;
    }

    // Takes the part of the sound packet that lies in [first, end); true
    // once the packet reaches the end.
    bool TakeSound(std::int64_t first, std::int64_t end, PlanarSound& unitSound) {
        const AVCodecParameters* format = soundIn->codecpar;
        const int bytesPerFrame =
            format->ch_layout.nb_channels *
            ((format->codec_id == AV_CODEC_ID_PCM_S16BE || format->codec_id == AV_CODEC_ID_PCM_S16LE) ? 2 : 1);
        const std::int64_t at = SoundSampleOf(outPacket->pts != AV_NOPTS_VALUE ? outPacket->pts : outPacket->dts);
        const std::int64_t count = outPacket->size / bytesPerFrame;
        const std::int64_t from = std::max(at, first);
        const std::int64_t to = std::min(at + count, end);
        if (to > from) {
            unitSound.AppendPcm(format->codec_id, outPacket->data + (from - at) * bytesPerFrame,
                                static_cast<std::size_t>(to - from));
        }
        return at + count >= end;
    }

    const FFmpegLibraries& ffmpeg;
    const ShareableMovieRequest& exportRequest;
    std::unique_ptr<AVFormatContext, InputCloser> input;
    std::unique_ptr<AVFormatContext, OutputFree> muxer;
    std::unique_ptr<AVPacket, PacketFree> outPacket;
    AVStream* videoStream = nullptr;
    AVStream* soundIn = nullptr;
    AVStream* videoOut = nullptr;
    std::unique_ptr<AacTrack> soundTrack;
    std::int64_t soundStart = 0;  // the sound track's first time
    std::int64_t videoAt = 0;     // the output's picture time so far, in the source's video time base
    std::int64_t soundAt = 0;     // the output's sound samples so far
};

}

bool shareableMovieExportAvailable() { return LoadFFmpegLibraries() != nullptr; }

ExportStatus exportShareableMovie(const ShareableMovieRequest& request) {
    if (request.sourcePath == nullptr || request.destinationPath == nullptr || request.units.empty())
        return ExportStatus::Failed;
    std::string source;
    std::string destination;
    // FFmpeg opens files by their UTF-8 names.
    if (!WidePathToUtf8(request.sourcePath, source) || source.empty()) return ExportStatus::CannotRead;
    if (!WidePathToUtf8(request.destinationPath, destination) || destination.empty()) return ExportStatus::CannotWrite;
    const FFmpegLibraries* ff = LoadFFmpegLibraries();
    if (ff == nullptr) return ExportStatus::NotSupported;
    Export run(*ff, request);
    // Named as files, whatever they hold: "a:b.mov" would otherwise name a
    // protocol.
    return run.Run("file:" + source, "file:" + destination);
}

}
}
