#include "ClipreelReelOperations.h"

#include "ClipreelMovie.h"
#include "ZentiMovFile.h"
#include "editor/DestinationCheck.h"
#include "editor/ReelOperationRun.h"
#include "editor/ReelSourceCheck.h"
#include "platform/ShareableMovieExport.h"
#include "reel/ReelPrivateAccess.h"

#include <numeric>

namespace {

using E = CClipreelMovFileEditor;

E::ERROR_CREATEMOVFILE ResultFor(clipreel::platform::ExportStatus status) {
    using S = clipreel::platform::ExportStatus;
    switch (status) {
    case S::Done: return E::CREATEMOVFILE_SUCCESS;
    case S::Cancelled: return E::CREATEMOVFILE_CANCELED;
    case S::CannotRead: return E::CREATEMOVFILE_READ_ERROR;
    case S::CannotWrite: return E::CREATEMOVFILE_WRITE_ERROR;
    case S::DiskFull: return E::CREATEMOVFILE_DISK_FULL;
    case S::OutOfMemory: return E::CREATEMOVFILE_OUT_OF_MEMORY;
    case S::NotSupported:
    case S::Failed: break;
    }
    return E::CREATEMOVFILE_INTERNAL_ERROR;
}

// The kept units as the backend reads them: frames by their index in the
// video track, sound by its sample index in the sound track (the sum of the
// chunks before the unit's first).
std::vector<clipreel::platform::ExportedUnit> UnitsOf(const CClipreelMovie& reel) {
    const std::vector<std::uint32_t>& chunks = clipreel::ReelPrivateAccess::getSoundChunkSamples(reel);
    std::vector<clipreel::platform::ExportedUnit> units;
    for (unsigned i = 0; i < reel.GetShootingUnitCount(); ++i) {
        const CClipreelShootingUnit& unit = reel.GetShootingUnit(i);
        clipreel::platform::ExportedUnit exported;
        exported.firstFrame = unit.GetOriginalStartVideoSampleIndex();
        exported.frameCount = unit.GetFrameCount();
        const std::size_t firstChunk = std::min<std::size_t>(unit.GetOriginalStartSoundChunkIndex(), chunks.size());
        const std::size_t endChunk = std::min<std::size_t>(firstChunk + unit.GetSoundChunkCount(), chunks.size());
        exported.firstSoundSample =
            std::accumulate(chunks.begin(), chunks.begin() + static_cast<std::ptrdiff_t>(firstChunk), std::uint64_t{0});
        exported.soundSampleCount =
            std::accumulate(chunks.begin() + static_cast<std::ptrdiff_t>(firstChunk),
                            chunks.begin() + static_cast<std::ptrdiff_t>(endChunk), std::uint64_t{0});
        units.push_back(exported);
    }
    return units;
}

}

CClipreelReelExporter::CClipreelReelExporter(const CZentiMovFile& source)
    : sourceFile(&source), soundBitRate(0), callback(nullptr), userData(nullptr) {}

CClipreelReelExporter::~CClipreelReelExporter() = default;

bool CClipreelReelExporter::IsAvailable() { return clipreel::platform::shareableMovieExportAvailable(); }

unsigned CClipreelReelExporter::GetDefaultSoundBitRate(unsigned channels) {
    return clipreel::platform::DefaultSoundBitRatePerChannel * channels;
}

void CClipreelReelExporter::SetProgressCallback(ClipreelProgressCallback progressCallback, void* data) {
    callback = progressCallback;
    userData = data;
}

void CClipreelReelExporter::SetSoundBitRate(unsigned bitsPerSecond) { soundBitRate = bitsPerSecond; }

CClipreelReelExporter::ERROR_CREATEMOVFILE CClipreelReelExporter::CreateExportedMp4File(
    const CClipreelMovie& reel, const FileLocator& destination) {
    auto checks = [&]() {
        if (!clipreel::IsClipreelSource(*sourceFile)) return E::CREATEMOVFILE_INVALID_SOURCE;
        if (!clipreel::ReelMatchesSource(*sourceFile, reel) || reel.GetShootingUnitCount() == 0)
            return E::CREATEMOVFILE_INTERNAL_ERROR;
        // The platform's exporter creates the destination: the rule is asked
        // here, before it runs.
        const E::ERROR_CREATEMOVFILE refused = clipreel::RefuseSourceAsDestination(destination, {sourceFile});
        if (refused != E::CREATEMOVFILE_SUCCESS) return refused;
        if (!IsAvailable()) return E::CREATEMOVFILE_INTERNAL_ERROR;
        return E::CREATEMOVFILE_SUCCESS;
    };
    auto work = [&]() {
        clipreel::platform::ShareableMovieRequest request;
        const FileLocator source = sourceFile->GetFileLocator();
        request.sourcePath = source;
        request.destinationPath = destination;
        request.units = UnitsOf(reel);
        request.soundBitRate = soundBitRate;
        double reported = 0.0;
        request.progress = [&](double fraction) {
            if (callback == nullptr) return true;
            reported = std::max(reported, fraction);
            return callback(PROGRESS_MESSAGE_PROGRESS, reported, userData) == PROGRESS_RESULT_CONTINUE;
        };
        return ResultFor(clipreel::platform::exportShareableMovie(request));
    };
    return clipreel::RunReelOperation(callback, userData, checks, work);
}
