#include "cli/MovieReport.h"

#include "ClipreelMovie.h"
#include "ClipreelReelOperations.h"
#include "MovieDetails.h"
#include "SoundFormat.h"
#include "ZentiMovFile.h"
#include "ZentiMovie.h"
#include "cli/CommandSupport.h"
#include "cli/CountText.h"
#include "cli/FileLayout.h"
#include "cli/FrameRateText.h"

#include <memory>

namespace clipreel {
namespace cli {

namespace {

double Seconds(std::int64_t ticks, std::int32_t timeScale) {
    return timeScale > 0 ? static_cast<double>(ticks) / timeScale : 0.0;
}

std::string TimeBase(std::int64_t timeScale) { return "1/" + std::to_string(timeScale); }

nlohmann::ordered_json DescribeRecord(const CMovieDetails& details) {
    if (!details.HasMovieRecord()) return nullptr;
    const char* order = details.GetRecordByteOrder() == CMovieDetails::RECORD_BIG_ENDIAN ? "big" : "little";
    return {
        {"movie_mode", details.GetMovieMode()},
        {"file_size", details.GetRecordedFileSize()},
        {"frames_per_unit", details.GetRecordFramesPerUnit()},
        {"group_of_picture", details.GetRecordGroupOfPicture()},
        {"montagio_time", details.GetMontagioTime()},
        {"byte_order", order},
        {"size", details.GetRecordSize()},
        {"image_identifier", details.HasImageIdentifier()},
    };
}

nlohmann::ordered_json DescribeUnits(const CClipreelMovie& reel) {
    nlohmann::ordered_json units = nlohmann::ordered_json::array();
    const std::int32_t timeScale = reel.GetTimeScale();
    for (unsigned index = 0; index < reel.GetShootingUnitCount(); ++index) {
        const CClipreelShootingUnit& unit = reel.GetShootingUnit(index);
        units.push_back({
            {"index", index},
            {"original_index", unit.GetOriginalIndex()},
            {"frames", unit.GetFrameCount()},
            {"first_frame", unit.GetCurrentStartVideoSampleIndex()},
            {"start_time", Seconds(unit.GetCurrentStartTime(), timeScale)},
            {"start_pts", unit.GetCurrentStartTime()},
            {"duration", Seconds(unit.GetDuration(), timeScale)},
            {"duration_ts", unit.GetDuration()},
            {"file_offset", unit.GetFileOffset()},
            {"size", unit.GetSize()},
        });
    }
    return units;
}

// The video track as ffprobe describes a stream, with the camera's own
// facts after: the codec and frame size come from the file's sample
// description when it was read.
nlohmann::ordered_json DescribeVideo(const CZentiMovie& movie, const FileLayout* layout) {
    const std::int32_t timeScale = movie.GetVideoMediaTimeScale();
    nlohmann::ordered_json video;
    video["codec_type"] = "video";
    if (layout != nullptr && !layout->codecTag.empty()) {
        video["codec_name"] = CodecName(layout->codecTag);
        video["codec_tag_string"] = layout->codecTag;
        video["width"] = layout->width;
        video["height"] = layout->height;
    }
    unsigned numerator = 0;
    unsigned denominator = 0;
    if (movie.GetFrameRateInfo().GetFrameRate(numerator, denominator) && denominator != 0) {
        // As ffprobe writes it: a fraction in lowest terms, "25/1" too.
        const std::string rate = FrameRateText(numerator, denominator);
        video["r_frame_rate"] = rate.find('/') == std::string::npos ? rate + "/1" : rate;
    }
    video["time_base"] = TimeBase(timeScale);
    video["start_pts"] = 0;
    video["start_time"] = 0.0;
    video["duration_ts"] = movie.GetVideoMediaDuration();
    video["duration"] = Seconds(movie.GetVideoMediaDuration(), timeScale);
    video["nb_frames"] = movie.GetVideoFrameCount();
    video["frame_duration_ts"] = movie.GetVideoFrameDuration();
    return video;
}

}

std::string FourCCText(std::uint32_t code) {
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const char c = static_cast<char>((code >> shift) & 0xFF);
        text += (c >= 0x20 && c < 0x7F) ? c : '?';
    }
    return text;
}

std::string SoundCodecName(const std::string& tag, unsigned bitsPerSample) {
    // QuickTime's uncompressed tags by the names FFmpeg gives their decoders;
    // 'raw ' is unsigned 8-bit, 'twos' signed big-endian of either size.
    if (tag == "sowt") return bitsPerSample == 8 ? "pcm_s8" : "pcm_s16le";
    if (tag == "twos") return bitsPerSample == 8 ? "pcm_s8" : "pcm_s16be";
    if (tag == "raw ") return "pcm_u8";
    if (tag == "in24") return "pcm_s24be";
    if (tag == "in32") return "pcm_s32be";
    if (tag == "fl32") return "pcm_f32be";
    if (tag == "fl64") return "pcm_f64be";
    if (tag == "ulaw") return "pcm_mulaw";
    if (tag == "alaw") return "pcm_alaw";
    if (tag == "ima4") return "adpcm_ima_qt";
    return tag;
}

nlohmann::ordered_json DescribeSoundFormat(const CSoundFormatInfo& format) {
    const SoundDescriptionV1* description = format.GetFormatInfo();
    if (!format.IsValid() || description == nullptr) return nullptr;
    const std::string tag = FourCCText(description->dataFormat);
    const unsigned sampleRate = static_cast<unsigned>(description->sampleRate >> 16);
    nlohmann::ordered_json sound;
    sound["codec_type"] = "audio";
    sound["codec_name"] = SoundCodecName(tag, description->sampleSize);
    sound["codec_tag_string"] = tag;
    sound["sample_rate"] = sampleRate;
    sound["channels"] = description->numberOfChannels;
    sound["bits_per_sample"] = description->sampleSize;
    sound["time_base"] = TimeBase(sampleRate);
    sound["bytes_per_frame"] = description->bytesPerFrame;
    return sound;
}

std::string SoundDifference(const nlohmann::ordered_json& sound, const nlohmann::ordered_json& movie,
                            const std::string& other) {
    if (!movie.is_object()) return other + " has no sound";
    if (!sound.is_object()) return "the sound is in no format a movie holds";
    struct Field {
        const char* key;
        const char* singular;
        const char* plural;
    };
    static const Field counted[] = {
        {"channels", "channel", "channels"}, {"bits_per_sample", "bit", "bits"}, {"sample_rate", "Hz", "Hz"}};
    for (const Field& field : counted) {
        const unsigned ours = sound.value(field.key, 0u);
        const unsigned theirs = movie.value(field.key, 0u);
        if (ours != theirs) {
            return "sound: " + CountText(ours, field.singular, field.plural) + ", " + other + " has " +
                   std::to_string(theirs);
        }
    }
    const std::string ours = sound.value("codec_name", "");
    const std::string theirs = movie.value("codec_name", "");
    if (ours != theirs) return "sound: " + ours + ", " + other + " has " + theirs;
    return "sound: " + CountText(sound.value("bytes_per_frame", 0u), "byte") + " per frame, " + other + " has " +
           std::to_string(movie.value("bytes_per_frame", 0u));
}

nlohmann::ordered_json DescribeMovieFile(const CZentiMovFile& file, const std::string& displayPath,
                                         const FileLayout* layout) {
    nlohmann::ordered_json report;
    report["format_version"] = ReportFormatVersion;
    report["file"] = displayPath;
    const CZentiMovie* movie = file.GetZentiMovie();
    // A valid movie atom in a file that is not a valid camera movie file is
    // a movie whose media lie elsewhere: a reference movie.
    const bool reference = !file.IsValid() && movie != nullptr && movie->IsValid();
    if (movie == nullptr || (!file.IsValid() && !reference)) {
        report["kind"] = "invalid";
        report["valid"] = file.IsValid();
        report["creator_version"] = file.GetCreatorVersion();
        return report;
    }

    CZentiMovie::ClipreelMovieInfo clipreel{};
    CZentiMovie::MontagioMovieInfo montagio{};
    const bool isClipreel = !reference && movie->IsClipreelMovie(&clipreel);
    const bool isMontagio = !reference && !isClipreel && movie->IsMontagioMovie(&montagio);
    report["kind"] = reference ? "reference" : isClipreel ? "clipreel" : isMontagio ? "montagio" : "other";
    report["valid"] = file.IsValid();
    const CMovieDetails details(*movie);
    if (layout != nullptr) report["size"] = layout->fileSize;
    if (details.HasMovieRecord()) report["recorded_size"] = details.GetRecordedFileSize();

    const std::unique_ptr<CSoundFormatInfo> soundFormat(movie->CopySoundFormatInfo());
    nlohmann::ordered_json sound = movie->HasSound() && soundFormat ? DescribeSoundFormat(*soundFormat) : nullptr;
    const std::int32_t timeScale = movie->GetVideoMediaTimeScale();
    report["nb_streams"] = sound.is_null() ? 1 : 2;
    report["start_time"] = 0.0;
    report["duration"] = Seconds(movie->GetVideoMediaDuration(), timeScale);
    report["duration_ts"] = movie->GetVideoMediaDuration();
    report["time_base"] = TimeBase(timeScale);
    report["creator_version"] = file.GetCreatorVersion();

    const CClipreelMovie reel(&file);
    if (isClipreel) {
        // A reel whose camera record the save cannot refresh cannot be
        // edited, however many units it has.
        const std::string& noNewMovie = details.GetRecordRefreshProblem();
        report["editable"] = reel.IsEditable() && noNewMovie.empty();
        if (!noNewMovie.empty()) report["not_editable_reason"] = noNewMovie;
    }
    unsigned numerator = 0;
    unsigned denominator = 0;
    if (movie->GetFrameRateInfo().GetFrameRate(numerator, denominator) && denominator != 0) {
        report["frame_rate"] = {{"numerator", numerator},
                                {"denominator", denominator},
                                {"fps", static_cast<double>(numerator) / denominator}};
    } else {
        report["frame_rate"] = nullptr;
    }
    report["video"] = DescribeVideo(*movie, layout);
    if (sound.is_object()) {
        sound["start_pts"] = 0;
        sound["start_time"] = 0.0;
        sound["duration_ts"] = movie->GetSoundSampleCount();
        const unsigned rate = sound["sample_rate"].get<unsigned>();
        sound["duration"] = rate > 0 ? static_cast<double>(movie->GetSoundSampleCount()) / rate : 0.0;
        sound["nb_frames"] = movie->GetSoundSampleCount();
    }
    report["sound"] = sound;
    report["group_of_picture"] = details.GetGroupOfPicture();
    report["frames_per_stored_unit"] = details.GetFramesPerStoredUnit();
    report["sound_samples_per_stored_unit"] = details.GetSoundSamplesPerStoredUnit();
    report["record"] = DescribeRecord(details);
    report["thumbnail_size"] = details.GetThumbnail().size();

    if (isMontagio) {
        report["montagio"] = {{"montagio_time", montagio.montagioTime},
                              {"whole_movie", montagio.wholeMovie},
                              {"units_per_clip", montagio.unitsPerClip},
                              {"clip_count", montagio.clipCount}};
    }
    if (isClipreel) {
        report["total_frames"] = reel.GetTotalFrameCount();
        report["total_duration"] = Seconds(reel.GetTotalDuration(), reel.GetTimeScale());
        report["total_duration_ts"] = reel.GetTotalDuration();
        report["shooting_units"] = DescribeUnits(reel);
    }
    return report;
}

std::string DescribeSalvage(const FileLocator& locator, nlohmann::ordered_json& salvage) {
    const CClipreelReelSalvager salvager(locator);
    const unsigned total = salvager.GetShootingUnitCount();
    const unsigned recoverable = salvager.GetRecoverableShootingUnitCount();
    salvage = {{"shooting_units", total}, {"recoverable_units", recoverable}, {"refusal", salvager.GetRefusalReason()}};
    if (recoverable != 0) {
        return "; `clipreel salvage` can recover " + std::to_string(recoverable) + " of its " +
               CountText(total, "shooting unit");
    }
    return "; `clipreel salvage` cannot recover it: " + salvager.GetRefusalReason();
}

void PrintMovieReport(const nlohmann::ordered_json& report, std::FILE* out) {
    const std::string kind = report.value("kind", "invalid");
    std::fprintf(out, "File:               %s\n", report.value("file", "").c_str());
    if (kind == "invalid") {
        std::fprintf(out, "Camera movie:       no%s%s\n", report.contains("error") ? ", the file " : "",
                     report.value("error", "").c_str());
        return;
    }
    if (kind == "reference") {
        std::fprintf(out,
                     "Camera movie:       no: a reference movie (its media lie in another file), creator version %u\n",
                     report.value("creator_version", 0u));
    }
    const char* kindText = kind == "clipreel" ? "Clipreel movie" : kind == "montagio" ? "Montagio movie" : "other kind";
    if (kind != "reference") {
        std::fprintf(out, "Camera movie:       yes, %s, creator version %u\n", kindText,
                     report.value("creator_version", 0u));
    }
    const nlohmann::ordered_json& rate = report["frame_rate"];
    if (rate.is_object()) {
        std::fprintf(out, "Frame rate:         %s (%.3f fps)\n",
                     FrameRateText(rate.value("numerator", 0u), rate.value("denominator", 0u)).c_str(),
                     rate.value("fps", 0.0));
    } else {
        std::fprintf(out, "Frame rate:         unknown\n");
    }
    const nlohmann::ordered_json& video = report["video"];
    const std::string timeBase = video.value("time_base", "1/0");
    std::fprintf(out, "Video:              %s, %.3f s (time scale %s, frame duration %d)\n",
                 CountText(video.value("nb_frames", 0u), "frame").c_str(), video.value("duration", 0.0),
                 timeBase.substr(timeBase.find('/') + 1).c_str(), video.value("frame_duration_ts", 0));
    std::fprintf(out, "Group of pictures:  %s\n", CountText(report.value("group_of_picture", 0u), "frame").c_str());
    std::fprintf(out, "Stored unit:        %s, %s\n",
                 CountText(report.value("frames_per_stored_unit", 0u), "frame").c_str(),
                 CountText(report.value("sound_samples_per_stored_unit", 0u), "sound sample").c_str());
    const nlohmann::ordered_json& sound = report["sound"];
    if (sound.is_object()) {
        std::fprintf(out, "Sound:              %s '%s', %s, %u bits, %u Hz, %s per frame\n",
                     sound.value("codec_name", "").c_str(), sound.value("codec_tag_string", "").c_str(),
                     CountText(sound.value("channels", 0u), "channel").c_str(), sound.value("bits_per_sample", 0u),
                     sound.value("sample_rate", 0u), CountText(sound.value("bytes_per_frame", 0u), "byte").c_str());
    } else {
        std::fprintf(out, "Sound:              none\n");
    }
    const nlohmann::ordered_json& record = report["record"];
    if (record.is_object()) {
        std::fprintf(out,
                     "Movie record:       mode %u, file size %llu, %s per unit, group of %u, "
                     "Montagio time %u (%s, %s-endian%s)\n",
                     record.value("movie_mode", 0u), record.value("file_size", 0ull),
                     CountText(record.value("frames_per_unit", 0u), "frame").c_str(),
                     record.value("group_of_picture", 0u), record.value("montagio_time", 0u),
                     CountText(record.value("size", 0u), "byte").c_str(), record.value("byte_order", "").c_str(),
                     record.value("image_identifier", false) ? ", with image identifier" : "");
    } else {
        std::fprintf(out, "Movie record:       none\n");
    }
    std::fprintf(out, "Thumbnail:          %s\n", CountText(report.value("thumbnail_size", 0ull), "byte").c_str());
    if (report.contains("montagio")) {
        const nlohmann::ordered_json& montagio = report["montagio"];
        std::fprintf(out, "Montagio:           %s of %s%s\n",
                     CountText(montagio.value("clip_count", 0u), "clip").c_str(),
                     CountText(montagio.value("units_per_clip", 0u), "unit").c_str(),
                     montagio.value("whole_movie", false) ? " (one whole movie)" : "");
    }
    if (!report.contains("shooting_units")) return;
    const nlohmann::ordered_json& units = report["shooting_units"];
    const std::string reason = report.value("not_editable_reason", "");
    const std::string editable = report.value("editable", false) ? ""
                                 : reason.empty()                ? ", not editable"
                                                                 : ", not editable (" + reason + ")";
    std::fprintf(out, "Shooting units:     %zu (%s, %.3f s)%s\n\n", units.size(),
                 CountText(report.value("total_frames", 0u), "frame").c_str(), report.value("total_duration", 0.0),
                 editable.c_str());
    std::fprintf(out, "  index  frames  duration     start   file offset          size\n");
    for (const nlohmann::ordered_json& unit : units) {
        std::fprintf(out, "  %5u  %6u  %8.3f  %8.3f  %12llu  %12llu\n", unit.value("index", 0u),
                     unit.value("frames", 0u), unit.value("duration", 0.0), unit.value("start_time", 0.0),
                     unit.value("file_offset", 0ull), unit.value("size", 0ull));
    }
}

}
}
