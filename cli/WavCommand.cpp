#include "cli/Commands.h"

#include "SoundFormat.h"
#include "ZentiMovie.h"
#include "cli/CommandPaths.h"
#include "cli/CommandSupport.h"
#include "cli/CountText.h"
#include "cli/ExitCode.h"
#include "cli/MovieReport.h"

#include <cstdio>
#include <memory>

namespace clipreel {
namespace cli {

int RunWav(const WavOptions& options) {
    const std::string unreadable = UnreadableReason(options.wavFile);
    if (!unreadable.empty()) {
        Complain("cannot read " + options.wavFile + ": " + unreadable);
        return EXIT_BAD_INPUT;
    }
    const CWaveFileInfo wave{LocatorFor(options.wavFile)};
    pcmwaveformat_tag pcm{};
    if (!wave.IsValid() || !wave.GetFormatInfo(&pcm)) {
        Complain(options.wavFile + " is not a PCM WAV file (8 or 16 bits, 1 or 2 channels)");
        return EXIT_BAD_INPUT;
    }
    nlohmann::ordered_json report = {
        {"format_version", ReportFormatVersion},
        {"file", options.wavFile},
        {"channels", pcm.wf.nChannels},
        {"bits_per_sample", pcm.wBitsPerSample},
        {"sample_rate", pcm.wf.nSamplesPerSec},
        {"block_align", pcm.wf.nBlockAlign},
        {"sample_count", wave.GetSampleCount()},
        {"data_offset", wave.GetFirstDataFileOffset()},
        {"data_size", wave.GetDataSize()},
        {"duration",
         pcm.wf.nSamplesPerSec > 0 ? static_cast<double>(wave.GetSampleCount()) / pcm.wf.nSamplesPerSec : 0.0},
    };
    const std::unique_ptr<CSoundFormatInfo> waveFormat(wave.CopyFormatInfo());
    report["movie_format"] = waveFormat ? DescribeSoundFormat(*waveFormat) : nlohmann::ordered_json(nullptr);

    int exitCode = EXIT_OK;
    if (!options.movie.empty()) {
        const std::unique_ptr<CZentiMovFile> movieFile = OpenCameraMovie(options.movie, false, exitCode);
        if (!movieFile) return exitCode;
        const std::unique_ptr<CSoundFormatInfo> movieFormat(movieFile->GetZentiMovie()->CopySoundFormatInfo());
        report["movie"] = options.movie;
        report["movie_sound"] = movieFormat ? DescribeSoundFormat(*movieFormat) : nlohmann::ordered_json(nullptr);
        const bool matches = waveFormat && movieFormat && *waveFormat == *movieFormat;
        report["matches"] = matches;
        if (!matches) {
            report["difference"] = SoundDifference(report["movie_format"], report["movie_sound"]);
            exitCode = EXIT_SOUND_MISMATCH;
        }
    }

    if (options.json) {
        std::printf("%s\n", JsonText(report).c_str());
        return exitCode;
    }
    std::printf("File:          %s\n", options.wavFile.c_str());
    std::printf("Format:        PCM, %s, %u bits, %u Hz\n", CountText(pcm.wf.nChannels, "channel").c_str(),
                unsigned{pcm.wBitsPerSample}, static_cast<unsigned>(pcm.wf.nSamplesPerSec));
    std::printf("Samples:       %u (%.3f s)\n", wave.GetSampleCount(), report["duration"].get<double>());
    std::printf("Data:          %s at offset %u\n", CountText(wave.GetDataSize(), "byte").c_str(),
                wave.GetFirstDataFileOffset());
    if (report.contains("matches")) {
        const nlohmann::json& sound = report["movie_sound"];
        if (sound.is_null()) {
            std::printf("Movie sound:   none (%s has no sound track)\n", options.movie.c_str());
        } else {
            std::printf("Movie sound:   %s '%s', %s, %u bits, %u Hz\n", sound.value("codec_name", "").c_str(),
                        sound.value("codec_tag_string", "").c_str(),
                        CountText(sound.value("channels", 0u), "channel").c_str(), sound.value("bits_per_sample", 0u),
                        sound.value("sample_rate", 0u));
        }
        if (report["matches"].get<bool>()) {
            std::printf("Matches movie: yes\n");
        } else {
            std::printf("Matches movie: no: %s\n", report["difference"].get<std::string>().c_str());
        }
    }
    return exitCode;
}

}
}
