// export: the kept units of a reel as an MP4 that browsers, phones and
// messaging services play, written beside its final name and renamed into
// place only on success.
#include "cli/Commands.h"

#include "ClipreelMovie.h"
#include "ClipreelReelOperations.h"
#include "cli/CommandSupport.h"
#include "cli/CountText.h"
#include "cli/ExitCode.h"
#include "cli/SaveRunner.h"

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace clipreel {
namespace cli {

namespace {

constexpr unsigned LowestSoundBitRate = 16000;
constexpr unsigned HighestSoundBitRate = 512000;

// "192k" or "192000": bits per second; false for anything else or outside
// what the AAC encoder takes.
bool ParseSoundBitRate(const std::string& text, unsigned& bitsPerSecond) {
    if (text.empty() || text.find_first_not_of("0123456789kK") != std::string::npos) return false;
    const bool kilo = text.back() == 'k' || text.back() == 'K';
    const std::string digits = kilo ? text.substr(0, text.size() - 1) : text;
    if (digits.empty() || digits.size() > 7 || digits.find_first_not_of("0123456789") != std::string::npos)
        return false;
    const unsigned long value = std::strtoul(digits.c_str(), nullptr, 10) * (kilo ? 1000ul : 1ul);
    if (value < LowestSoundBitRate || value > HighestSoundBitRate) return false;
    bitsPerSecond = static_cast<unsigned>(value);
    return true;
}

unsigned SoundChannels(const CZentiMovFile& source) {
    const CZentiMovie* movie = source.GetZentiMovie();
    if (movie == nullptr) return 0;
    const std::unique_ptr<CSoundFormatInfo> format(movie->CopySoundFormatInfo());
    return format != nullptr && format->IsValid() ? format->GetFormatInfo()->numberOfChannels : 0;
}

// What the export makes (or, for a dry run, would make).
nlohmann::json DescribeExport(const CClipreelMovie& reel, const ExportOptions& options, unsigned soundBitRate) {
    nlohmann::json result = DescribeSave(reel, options.save, "mp4");
    result["sound_bitrate"] = soundBitRate == 0 ? nlohmann::json(nullptr) : nlohmann::json(soundBitRate);
    return result;
}

void PrintSummary(const nlohmann::json& result, bool written) {
    const std::size_t count = result["shooting_unit_count"].get<std::size_t>();
    std::printf("%s%s (MP4): %s (%s), %.3f s", written ? "wrote " : "would write ",
                result["destination"].get<std::string>().c_str(), CountText(count, "shooting unit").c_str(),
                result["units_text"].get<std::string>().c_str(), result["duration"].get<double>());
    if (result["sound_bitrate"].is_null()) {
        std::printf(", no sound\n");
    } else {
        std::printf(", AAC sound at %u kbit/s\n", result["sound_bitrate"].get<unsigned>() / 1000);
    }
}

}

int RunExport(const ExportOptions& options) {
    const SaveOptions& save = options.save;
    if (!CClipreelReelExporter::IsAvailable()) {
        // The Windows build has no MP4 writer that copies frames unchanged.
        Complain(
            "export is not available in this build: it needs FFmpeg's MP4 writer and AAC encoder, "
            "which this build does not have (the Windows build never has them; see the README)");
        return EXIT_FAILURE_OTHER;
    }
    unsigned requestedBitRate = 0;
    if (!options.soundBitRate.empty() && !ParseSoundBitRate(options.soundBitRate, requestedBitRate)) {
        Complain("--sound-bitrate " + options.soundBitRate + " is not a bit rate from 16k to 512k (e.g. 128k)");
        return EXIT_USAGE;
    }
    int exitCode = EXIT_OK;
    const std::unique_ptr<CZentiMovFile> source = OpenCameraMovie(save.source, true, exitCode);
    if (!source) return exitCode;
    CClipreelMovie reel(source.get());
    if (!HasShootingUnits(reel, save.source)) return EXIT_BAD_INPUT;
    // The whole list is checked before anything is written.
    if (!ApplyIndexList(reel, save)) return EXIT_USAGE;
    const unsigned channels = SoundChannels(*source);
    const unsigned soundBitRate = channels == 0           ? 0
                                  : requestedBitRate != 0 ? requestedBitRate
                                                          : CClipreelReelExporter::GetDefaultSoundBitRate(channels);

    if (save.dryRun) {
        PrintSaveOutcome(DescribeExport(reel, options, soundBitRate), save.json, save.quiet, PrintSummary);
        return EXIT_OK;
    }

    SaveRunner runner({save.source}, save.force, save.keepPartial);
    if (!runner.AddOutput(save.destination)) return runner.Refused().FailureExitCode();
    CClipreelReelExporter exporter(*source);
    exporter.SetSoundBitRate(soundBitRate);
    SaveRunner::InTool how;
    how.quiet = save.quiet || save.json;
    how.failure = [&](SaveRunner::Result result) {
        const std::string limit = runner.SizeLimitFailure();
        if (result == CClipreelMovFileEditor::CREATEMOVFILE_WRITE_ERROR && !limit.empty()) return limit;
        if (result == CClipreelMovFileEditor::CREATEMOVFILE_DISK_FULL) return DiskFullFailure(save.destination);
        return "cannot export " + save.destination + ": " + DescribeResult(result);
    };
    const int code = runner.RunInTool(how, [&](ClipreelProgressCallback callback, void* data) {
        exporter.SetProgressCallback(callback, data);
        return exporter.CreateExportedMp4File(reel, runner.Output(0).TemporaryLocator());
    });
    if (code != EXIT_OK) return code;
    PrintSaveOutcome(DescribeExport(reel, options, soundBitRate), save.json, save.quiet, PrintSummary);
    return EXIT_OK;
}

}
}
