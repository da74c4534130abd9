// CWaveFileInfo over arbitrary file bytes: the chunk walk, the format and
// the figures derived from it. The file lies in memory behind the platform
// file layer.
#include "SoundFormat.h"
#include "fuzz/FuzzFiles.h"
#include "fuzz/MovieQueries.h"

#include <cstddef>
#include <cstdint>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const wchar_t* const path = L"/fuzz/input.wav";
    clipreel::fuzz::Files().Hold(path, data, size);
    const CWaveFileInfo wave((FileLocator(path)));
    volatile unsigned sink = wave.IsValid();
    sink = sink + wave.GetSampleCount() + wave.GetFirstDataFileOffset() + wave.GetDataSize();
    pcmwaveformat_tag format{};
    sink = sink + wave.GetFormatInfo(&format);
    sink = sink + clipreel::fuzz::Touch(&format, sizeof format);
    const std::unique_ptr<CSoundFormatInfo> info(wave.CopyFormatInfo());
    if (info) {
        sink = sink + info->IsValid();
        if (const SoundDescriptionV1* description = info->GetFormatInfo())
            sink = sink + clipreel::fuzz::Touch(description, sizeof *description);
        pcmwaveformat_tag back{};
        sink = sink + info->GetFormatInfo(&back);
        sink = sink + (*info == CSoundFormatInfo(*info));
    }
    return 0;
}
