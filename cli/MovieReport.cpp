#include "cli/MovieReport.h"

#include "ClipreelMovie.h"
#include "ClipreelReelOperations.h"
#include "MovieDetails.h"
#include "SoundFormat.h"
#include "ZentiMovFile.h"
#include "ZentiMovie.h"
#include "cli/CommandSupport.h"

#include <memory>

namespace clipreel {
namespace cli {

namespace {

double Seconds(std::int64_t units, std::int32_t timeScale) {
    return timeScale > 0 ? static_cast<double>(units) / timeScale : 0.0;
}

nlohmann::json DescribeRecord(const CMovieDetails& details) {
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

nlohmann::json DescribeUnits(const CClipreelMovie& reel) {
    nlohmann::json units = nlohmann::json::array();
    const std::int32_t timeScale = reel.GetTimeScale();
    for (unsigned index = 0; index < reel.GetShootingUnitCount(); ++index) {
        const CClipreelShootingUnit& unit = reel.GetShootingUnit(index);
        units.push_back({
            {"index", index},
            {"original_index", unit.GetOriginalIndex()},
            {"frames", unit.GetFrameCount()},
            {"duration", unit.GetDuration()},
            {"duration_seconds", Seconds(unit.GetDuration(), timeScale)},
            {"start_time", unit.GetCurrentStartTime()},
            {"start_seconds", Seconds(unit.GetCurrentStartTime(), timeScale)},
            {"first_frame", unit.GetCurrentStartVideoSampleIndex()},
            {"file_offset", unit.GetFileOffset()},
            {"size", unit.GetSize()},
        });
    }
    return units;
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

nlohmann::json DescribeSoundFormat(const CSoundFormatInfo& format) {
    const SoundDescriptionV1* description = format.GetFormatInfo();
    if (!format.IsValid() || description == nullptr) return nullptr;
    return {
        {"format", FourCCText(description->dataFormat)},
        {"channels", description->numberOfChannels},
        {"bits_per_sample", description->sampleSize},
        {"sample_rate", description->sampleRate / 65536.0},
        {"bytes_per_frame", description->bytesPerFrame},
    };
}

nlohmann::json DescribeMovieFile(const CZentiMovFile& file, const std::string& displayPath) {
    nlohmann::json report;
    report["file"] = displayPath;
    report["valid"] = file.IsValid();
    report["creator_version"] = file.GetCreatorVersion();
    const CZentiMovie* movie = file.GetZentiMovie();
    // A valid movie atom in a file that is not a valid camera movie file is
    // a movie whose media lie elsewhere: a reference movie.
    const bool reference = !file.IsValid() && movie != nullptr && movie->IsValid();
    if (movie == nullptr || (!file.IsValid() && !reference)) {
        report["kind"] = "invalid";
        return report;
    }

    CZentiMovie::ClipreelMovieInfo clipreel{};
    CZentiMovie::MontagioMovieInfo montagio{};
    const bool isClipreel = !reference && movie->IsClipreelMovie(&clipreel);
    const bool isMontagio = !reference && !isClipreel && movie->IsMontagioMovie(&montagio);
    report["kind"] = reference ? "reference" : isClipreel ? "clipreel" : isMontagio ? "montagio" : "other";

    unsigned numerator = 0;
    unsigned denominator = 0;
    if (movie->GetFrameRateInfo().GetFrameRate(numerator, denominator) && denominator != 0) {
        report["frame_rate"] = {{"numerator", numerator},
                                {"denominator", denominator},
                                {"fps", static_cast<double>(numerator) / denominator}};
    } else {
        report["frame_rate"] = nullptr;
    }
    const std::int32_t timeScale = movie->GetVideoMediaTimeScale();
    report["video"] = {
        {"time_scale", timeScale},
        {"frame_duration", movie->GetVideoFrameDuration()},
        {"frame_count", movie->GetVideoFrameCount()},
        {"duration", movie->GetVideoMediaDuration()},
        {"duration_seconds", Seconds(movie->GetVideoMediaDuration(), timeScale)},
    };

    const CMovieDetails details(*movie);
    report["group_of_picture"] = details.GetGroupOfPicture();
    report["frames_per_stored_unit"] = details.GetFramesPerStoredUnit();
    report["sound_samples_per_stored_unit"] = details.GetSoundSamplesPerStoredUnit();

    const std::unique_ptr<CSoundFormatInfo> sound(movie->CopySoundFormatInfo());
    if (movie->HasSound() && sound) {
        nlohmann::json described = DescribeSoundFormat(*sound);
        if (!described.is_null()) described["sample_count"] = movie->GetSoundSampleCount();
        report["sound"] = described;
    } else {
        report["sound"] = nullptr;
    }
    report["record"] = DescribeRecord(details);
    report["thumbnail_size"] = details.GetThumbnail().size();

    if (isMontagio) {
        report["montagio"] = {{"montagio_time", montagio.montagioTime},
                              {"whole_movie", montagio.wholeMovie},
                              {"units_per_clip", montagio.unitsPerClip},
                              {"clip_count", montagio.clipCount}};
    }
    if (isClipreel) {
        const CClipreelMovie reel(&file);
        // A reel whose camera record the save cannot refresh cannot be
        // edited, however many units it has.
        const std::string& noNewMovie = details.GetRecordRefreshProblem();
        report["editable"] = reel.IsEditable() && noNewMovie.empty();
        if (!noNewMovie.empty()) report["not_editable_reason"] = noNewMovie;
        report["shooting_units"] = DescribeUnits(reel);
        report["total_frames"] = reel.GetTotalFrameCount();
        report["total_duration"] = reel.GetTotalDuration();
        report["total_duration_seconds"] = Seconds(reel.GetTotalDuration(), reel.GetTimeScale());
    }
    return report;
}

std::string DescribeSalvage(const FileLocator& locator, nlohmann::json& salvage) {
    const CClipreelReelSalvager salvager(locator);
    const unsigned total = salvager.GetShootingUnitCount();
    const unsigned recoverable = salvager.GetRecoverableShootingUnitCount();
    salvage = {{"shooting_units", total}, {"recoverable_units", recoverable},
               {"refusal", salvager.GetRefusalReason()}};
    if (recoverable != 0) {
        return "; `clipreel salvage` can recover " + std::to_string(recoverable) + " of its " +
               std::to_string(total) + " shooting unit" + (total == 1 ? "" : "s");
    }
    return "; `clipreel salvage` cannot recover it: " + salvager.GetRefusalReason();
}

void PrintMovieReport(const nlohmann::json& report, std::FILE* out) {
    const std::string kind = report.value("kind", "invalid");
    std::fprintf(out, "File:               %s\n", report.value("file", "").c_str());
    if (kind == "invalid") {
        std::fprintf(out, "Camera movie:       no%s%s\n", report.contains("error") ? ", the file " : "",
                     report.value("error", "").c_str());
        return;
    }
    if (kind == "reference") {
        std::fprintf(out, "Camera movie:       no: a reference movie (its media lie in another file), creator version %u\n",
                     report.value("creator_version", 0u));
    }
    const char* kindText = kind == "clipreel" ? "Clipreel movie" : kind == "montagio" ? "Montagio movie" : "other kind";
    if (kind != "reference") {
        std::fprintf(out, "Camera movie:       yes, %s, creator version %u\n", kindText,
                     report.value("creator_version", 0u));
    }
    const nlohmann::json& rate = report["frame_rate"];
    if (rate.is_object()) {
        std::fprintf(out, "Frame rate:         %u/%u (%.3f fps)\n", rate.value("numerator", 0u),
                     rate.value("denominator", 0u), rate.value("fps", 0.0));
    } else {
        std::fprintf(out, "Frame rate:         unknown\n");
    }
    const nlohmann::json& video = report["video"];
    std::fprintf(out, "Video:              %u frames, %.3f s (time scale %d, frame duration %d)\n",
                 video.value("frame_count", 0u), video.value("duration_seconds", 0.0), video.value("time_scale", 0),
                 video.value("frame_duration", 0));
    std::fprintf(out, "Group of pictures:  %u frames\n", report.value("group_of_picture", 0u));
    std::fprintf(out, "Stored unit:        %u frames, %u sound samples\n", report.value("frames_per_stored_unit", 0u),
                 report.value("sound_samples_per_stored_unit", 0u));
    const nlohmann::json& sound = report["sound"];
    if (sound.is_object()) {
        std::fprintf(out, "Sound:              '%s', %u channels, %u bits, %g Hz, %u bytes per frame\n",
                     sound.value("format", "").c_str(), sound.value("channels", 0u),
                     sound.value("bits_per_sample", 0u), sound.value("sample_rate", 0.0),
                     sound.value("bytes_per_frame", 0u));
    } else {
        std::fprintf(out, "Sound:              none\n");
    }
    const nlohmann::json& record = report["record"];
    if (record.is_object()) {
        std::fprintf(out,
                     "Movie record:       mode %u, file size %llu, %u frames per unit, group of %u, "
                     "Montagio time %u (%u bytes, %s-endian%s)\n",
                     record.value("movie_mode", 0u), record.value("file_size", 0ull),
                     record.value("frames_per_unit", 0u), record.value("group_of_picture", 0u),
                     record.value("montagio_time", 0u), record.value("size", 0u),
                     record.value("byte_order", "").c_str(),
                     record.value("image_identifier", false) ? ", with image identifier" : "");
    } else {
        std::fprintf(out, "Movie record:       none\n");
    }
    std::fprintf(out, "Thumbnail:          %llu bytes\n",
                 static_cast<unsigned long long>(report.value("thumbnail_size", 0ull)));
    if (report.contains("montagio")) {
        const nlohmann::json& montagio = report["montagio"];
        std::fprintf(out, "Montagio:           %u clips of %u units%s\n", montagio.value("clip_count", 0u),
                     montagio.value("units_per_clip", 0u),
                     montagio.value("whole_movie", false) ? " (one whole movie)" : "");
    }
    if (!report.contains("shooting_units")) return;
    const nlohmann::json& units = report["shooting_units"];
    const std::string reason = report.value("not_editable_reason", "");
    const std::string editable = report.value("editable", false) ? ""
                                 : reason.empty()                ? ", not editable"
                                                                 : ", not editable (" + reason + ")";
    std::fprintf(out, "Shooting units:     %zu (%u frames, %.3f s)%s\n\n", units.size(),
                 report.value("total_frames", 0u), report.value("total_duration_seconds", 0.0), editable.c_str());
    std::fprintf(out, "  index  frames  duration     start   file offset          size\n");
    for (const nlohmann::json& unit : units) {
        std::fprintf(out, "  %5u  %6u  %8.3f  %8.3f  %12llu  %12llu\n", unit.value("index", 0u),
                     unit.value("frames", 0u), unit.value("duration_seconds", 0.0),
                     unit.value("start_seconds", 0.0), unit.value("file_offset", 0ull), unit.value("size", 0ull));
    }
}

}
}
