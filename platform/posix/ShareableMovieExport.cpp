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

ExportStatus WriteFailure(int error) {
    if (error == AVERROR(ENOSPC) || error == AVERROR(EFBIG) || error == AVERROR(EDQUOT)) return ExportStatus::DiskFull;
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
        : ff_(ff),
          output_(output),
          encoder_(nullptr, CodecContextFree{&ff}),
          frame_(nullptr, FrameFree{&ff}),
          packet_(nullptr, PacketFree{&ff}),
          pending_(0) {}

    ExportStatus Open(int sampleRate, int channels, std::uint32_t bitRate) {
        // FFmpeg's own encoder: the one every build has.
        const AVCodec* codec = ff_.avcodec_find_encoder_by_name("aac");
        if (codec == nullptr) return ExportStatus::Failed;
        encoder_.reset(ff_.avcodec_alloc_context3(codec));
        frame_.reset(ff_.av_frame_alloc());
        packet_.reset(ff_.av_packet_alloc());
        if (!encoder_ || !frame_ || !packet_) return ExportStatus::OutOfMemory;
        encoder_->sample_fmt = AV_SAMPLE_FMT_FLTP;
        encoder_->sample_rate = sampleRate;
        ff_.av_channel_layout_default(&encoder_->ch_layout, channels);
        encoder_->bit_rate = bitRate;
        encoder_->profile = FF_PROFILE_AAC_LOW;
        encoder_->time_base = AVRational{1, sampleRate};
        encoder_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        if (ff_.avcodec_open2(encoder_.get(), codec, nullptr) < 0) return ExportStatus::Failed;
        stream_ = ff_.avformat_new_stream(output_, nullptr);
        if (stream_ == nullptr) return ExportStatus::OutOfMemory;
        if (ff_.avcodec_parameters_from_context(stream_->codecpar, encoder_.get()) < 0) return ExportStatus::Failed;
        stream_->time_base = encoder_->time_base;
        pending_ = PlanarSound(channels);
        return ExportStatus::Done;
    }

    // Encodes every whole frame of sound; the rest waits for more (or Finish).
    int Add(const PlanarSound& sound) {
        pending_.Append(sound);
        const std::size_t frameSize = static_cast<std::size_t>(encoder_->frame_size);
        std::size_t used = 0;
        int status = 0;
        while (status >= 0 && pending_.size() - used >= frameSize) {
            status = Encode(used, frameSize);
            used += frameSize;
        }
        pending_.DropFront(used);
        return status;
    }

    // The last, shorter frame and whatever the encoder still holds.
    int Finish() {
        int status = 0;
        if (pending_.size() > 0) status = Encode(0, static_cast<std::size_t>(pending_.size()));
        pending_.Clear();
        if (status < 0) return status;
        status = ff_.avcodec_send_frame(encoder_.get(), nullptr);
        return status < 0 ? status : Drain();
    }

private:
    int Encode(std::size_t from, std::size_t count) {
        AVFrame* frame = frame_.get();
        ff_.av_frame_unref(frame);
        frame->format = AV_SAMPLE_FMT_FLTP;
        frame->sample_rate = encoder_->sample_rate;
        frame->nb_samples = static_cast<int>(count);
        frame->ch_layout = encoder_->ch_layout;  // a native layout: nothing to own
        int status = ff_.av_frame_get_buffer(frame, 0);
        if (status < 0) return status;
        for (int c = 0; c < encoder_->ch_layout.nb_channels; ++c) {
            std::copy_n(pending_.Plane(static_cast<std::size_t>(c)) + from, count,
                        reinterpret_cast<float*>(frame->extended_data[c]));
        }
        frame->pts = static_cast<std::int64_t>(encoded_);
        encoded_ += count;
        status = ff_.avcodec_send_frame(encoder_.get(), frame);
        return status < 0 ? status : Drain();
    }

    int Drain() {
        for (;;) {
            const int status = ff_.avcodec_receive_packet(encoder_.get(), packet_.get());
            if (status == AVERROR(EAGAIN) || status == AVERROR_EOF) return 0;
            if (status < 0) return status;
            packet_->stream_index = stream_->index;
            ff_.av_packet_rescale_ts(packet_.get(), encoder_->time_base, stream_->time_base);
            const int written = ff_.av_interleaved_write_frame(output_, packet_.get());
            if (written < 0) return written;
        }
    }

    const FFmpegLibraries& ff_;
    AVFormatContext* output_;
    std::unique_ptr<AVCodecContext, CodecContextFree> encoder_;
    std::unique_ptr<AVFrame, FrameFree> frame_;
    std::unique_ptr<AVPacket, PacketFree> packet_;
    AVStream* stream_ = nullptr;
    PlanarSound pending_;
    std::uint64_t encoded_ = 0;
};

// One export: the source's tracks read unit by unit, the frames copied, the
// sound gathered per unit and fitted to the unit's picture time.
class Export {
public:
    Export(const FFmpegLibraries& ff, const ShareableMovieRequest& request)
        : ff_(ff),
          request_(request),
          input_(nullptr, InputCloser{&ff}),
          output_(nullptr, OutputFree{&ff}),
          packet_(nullptr, PacketFree{&ff}) {}

    ExportStatus Run(const std::string& source, const std::string& destination) {
        ExportStatus status = OpenSource(source);
        if (status != ExportStatus::Done) return status;
        status = OpenDestination(destination);
        if (status != ExportStatus::Done) return status;
        std::uint64_t totalFrames = 0;
        for (const ExportedUnit& unit : request_.units) totalFrames += unit.frameCount;
        std::uint64_t framesDone = 0;
        for (const ExportedUnit& unit : request_.units) {
            status = CopyUnit(unit);
            if (status != ExportStatus::Done) return status;
            framesDone += unit.frameCount;
            if (request_.progress &&
                !request_.progress(MediaShare * framesDone / std::max<std::uint64_t>(totalFrames, 1)))
                return ExportStatus::Cancelled;
        }
        if (sound_) {
            const int finished = sound_->Finish();
            if (finished < 0) return WriteFailure(finished);
        }
        const int trailer = ff_.av_write_trailer(output_.get());
        if (trailer < 0) return WriteFailure(trailer);
        const int closed = ff_.avio_closep(&output_->pb);
        if (closed < 0) return WriteFailure(closed);
        return ExportStatus::Done;
    }

private:
    ExportStatus OpenSource(const std::string& source) {
        AVFormatContext* opened = nullptr;
        if (ff_.avformat_open_input(&opened, source.c_str(), nullptr, nullptr) < 0) return ExportStatus::CannotRead;
        input_.reset(opened);
        if (ff_.avformat_find_stream_info(input_.get(), nullptr) < 0) return ExportStatus::CannotRead;
        packet_.reset(ff_.av_packet_alloc());
        if (!packet_) return ExportStatus::OutOfMemory;
        const int video = ff_.av_find_best_stream(input_.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
        if (video < 0 || input_->streams[video]->codecpar->codec_id != AV_CODEC_ID_H264)
            return ExportStatus::CannotRead;
        video_ = input_->streams[video];
        bool wantSound = false;
        for (const ExportedUnit& unit : request_.units) wantSound = wantSound || unit.soundSampleCount > 0;
        if (wantSound) {
            const int sound = ff_.av_find_best_stream(input_.get(), AVMEDIA_TYPE_AUDIO, -1, video, nullptr, 0);
            if (sound < 0) return ExportStatus::CannotRead;
            soundIn_ = input_->streams[sound];
            const AVCodecParameters* format = soundIn_->codecpar;
            if (!KnownPcm(format->codec_id) || format->ch_layout.nb_channels < 1 || format->sample_rate < 1)
                return ExportStatus::CannotRead;
            const AVIndexEntry* first = ff_.avformat_index_get_entry(soundIn_, 0);
            if (first == nullptr) return ExportStatus::CannotRead;
            soundStart_ = first->timestamp;
        }
        return ExportStatus::Done;
    }

    ExportStatus OpenDestination(const std::string& destination) {
        AVFormatContext* made = nullptr;
        if (ff_.avformat_alloc_output_context2(&made, nullptr, "mp4", destination.c_str()) < 0 || made == nullptr)
            return ExportStatus::Failed;
        output_.reset(made);
        // Only the recording's time goes over: the camera's records and
        // names describe a camera reel, which this file is not.
        const AVDictionaryEntry* created = ff_.av_dict_get(input_->metadata, "creation_time", nullptr, 0);
        if (created != nullptr) ff_.av_dict_set(&output_->metadata, "creation_time", created->value, 0);

        AVStream* video = ff_.avformat_new_stream(output_.get(), nullptr);
        if (video == nullptr) return ExportStatus::OutOfMemory;
        if (ff_.avcodec_parameters_copy(video->codecpar, video_->codecpar) < 0) return ExportStatus::OutOfMemory;
        video->codecpar->codec_tag = 0;  // the MP4 writer chooses its own
        video->time_base = video_->time_base;
        videoOut_ = video;
        if (soundIn_ != nullptr) {
            const AVCodecParameters* format = soundIn_->codecpar;
            std::uint32_t bitRate = request_.soundBitRate;
            if (bitRate == 0)
                bitRate = DefaultSoundBitRatePerChannel * static_cast<std::uint32_t>(format->ch_layout.nb_channels);
            sound_ = std::make_unique<AacTrack>(ff_, output_.get());
            const ExportStatus opened = sound_->Open(format->sample_rate, format->ch_layout.nb_channels, bitRate);
            if (opened != ExportStatus::Done) return opened;
        }

        const int file = ff_.avio_open(&output_->pb, destination.c_str(), AVIO_FLAG_WRITE);
        if (file < 0) return WriteFailure(file);
        AVDictionary* options = nullptr;
        // The movie atom before the media data: players start while the
        // rest still downloads.
        ff_.av_dict_set(&options, "movflags", "+faststart", 0);
        const int header = ff_.avformat_write_header(output_.get(), &options);
        ff_.av_dict_free(&options);
        if (header < 0) return WriteFailure(header);
        return ExportStatus::Done;
    }

    std::int64_t FrameTime(std::uint32_t frame) const {
        const AVIndexEntry* entry = ff_.avformat_index_get_entry(video_, static_cast<int>(frame));
        return entry != nullptr ? entry->timestamp : AV_NOPTS_VALUE;
    }

    std::int64_t SoundSampleOf(std::int64_t timestamp) const {
        return ff_.av_rescale_q(timestamp - soundStart_, soundIn_->time_base,
                                AVRational{1, soundIn_->codecpar->sample_rate});
    }

    ExportStatus CopyUnit(const ExportedUnit& unit) {
        const std::int64_t start = FrameTime(unit.firstFrame);
        if (start == AV_NOPTS_VALUE || unit.frameCount == 0) return ExportStatus::CannotRead;
        const bool withSound = soundIn_ != nullptr;
        const std::int64_t soundFirst = static_cast<std::int64_t>(unit.firstSoundSample);
        const std::int64_t soundEnd = soundFirst + static_cast<std::int64_t>(unit.soundSampleCount);
        // From the key frame that starts the unit; the sound from at or
        // before its first sample, so nothing of it is missed.
        std::int64_t seekTo = start;
        if (withSound) {
            const std::int64_t soundTime =
                ff_.av_rescale_q(soundFirst, AVRational{1, soundIn_->codecpar->sample_rate}, video_->time_base);
            const std::int64_t soundInVideo =
                soundTime + ff_.av_rescale_q(soundStart_, soundIn_->time_base, video_->time_base);
            seekTo = std::min(seekTo, soundInVideo);
        }
        if (ff_.av_seek_frame(input_.get(), video_->index, seekTo, AVSEEK_FLAG_BACKWARD) < 0)
            return ExportStatus::CannotRead;

        PlanarSound unitSound(withSound ? soundIn_->codecpar->ch_layout.nb_channels : 0);
        std::uint32_t framesTaken = 0;
        bool soundComplete = !withSound || unit.soundSampleCount == 0;
        std::int64_t videoDuration = 0;
        while (framesTaken < unit.frameCount || !soundComplete) {
            const int read = ff_.av_read_frame(input_.get(), packet_.get());
            if (read == AVERROR_EOF) break;
            if (read < 0) return ExportStatus::CannotRead;
            ExportStatus status = ExportStatus::Done;
            if (packet_->stream_index == video_->index) {
                if (framesTaken < unit.frameCount && packet_->dts != AV_NOPTS_VALUE && packet_->dts >= start) {
                    status = WriteFrame(start, videoDuration);
                    ++framesTaken;
                }
            } else if (withSound && packet_->stream_index == soundIn_->index && !soundComplete) {
                soundComplete = TakeSound(soundFirst, soundEnd, unitSound);
            }
            ff_.av_packet_unref(packet_.get());
            if (status != ExportStatus::Done) return status;
        }
        if (framesTaken < unit.frameCount) return ExportStatus::CannotRead;
        videoAt_ += videoDuration;
        if (!withSound) return ExportStatus::Done;
        // The sound fills exactly the picture's time so far: a unit whose
        // sound is shorter or longer than its frames cannot shift the
        // sound of the units after it.
        const std::int64_t soundWanted =
            ff_.av_rescale_q(videoAt_, video_->time_base, AVRational{1, soundIn_->codecpar->sample_rate});
        unitSound.Resize(static_cast<std::uint64_t>(std::max<std::int64_t>(soundWanted - soundAt_, 0)));
        soundAt_ += static_cast<std::int64_t>(unitSound.size());
        const int added = sound_->Add(unitSound);
        return added < 0 ? WriteFailure(added) : ExportStatus::Done;
    }

    // Copies the frame in the packet, its times moved to the unit's place.
    ExportStatus WriteFrame(std::int64_t unitStart, std::int64_t& unitDuration) {
        AVPacket* packet = packet_.get();
        const std::int64_t shift = videoAt_ - unitStart;
        packet->dts += shift;
        if (packet->pts != AV_NOPTS_VALUE) packet->pts += shift;
        unitDuration += packet->duration;
        packet->stream_index = videoOut_->index;
        packet->pos = -1;
        ff_.av_packet_rescale_ts(packet, video_->time_base, videoOut_->time_base);
        const int written = ff_.av_interleaved_write_frame(output_.get(), packet);
        return written < 0 ? WriteFailure(written) : ExportStatus::Done;
    }

    // Takes the part of the sound packet that lies in [first, end); true
    // once the packet reaches the end.
    bool TakeSound(std::int64_t first, std::int64_t end, PlanarSound& unitSound) {
        const AVCodecParameters* format = soundIn_->codecpar;
        const int bytesPerFrame =
            format->ch_layout.nb_channels *
            ((format->codec_id == AV_CODEC_ID_PCM_S16BE || format->codec_id == AV_CODEC_ID_PCM_S16LE) ? 2 : 1);
        const std::int64_t at = SoundSampleOf(packet_->pts != AV_NOPTS_VALUE ? packet_->pts : packet_->dts);
        const std::int64_t count = packet_->size / bytesPerFrame;
        const std::int64_t from = std::max(at, first);
        const std::int64_t to = std::min(at + count, end);
        if (to > from) {
            unitSound.AppendPcm(format->codec_id, packet_->data + (from - at) * bytesPerFrame,
                                static_cast<std::size_t>(to - from));
        }
        return at + count >= end;
    }

    const FFmpegLibraries& ff_;
    const ShareableMovieRequest& request_;
    std::unique_ptr<AVFormatContext, InputCloser> input_;
    std::unique_ptr<AVFormatContext, OutputFree> output_;
    std::unique_ptr<AVPacket, PacketFree> packet_;
    AVStream* video_ = nullptr;
    AVStream* soundIn_ = nullptr;
    AVStream* videoOut_ = nullptr;
    std::unique_ptr<AacTrack> sound_;
    std::int64_t soundStart_ = 0;  // the sound track's first time
    std::int64_t videoAt_ = 0;     // the output's picture time so far, in the source's video time base
    std::int64_t soundAt_ = 0;     // the output's sound samples so far
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
