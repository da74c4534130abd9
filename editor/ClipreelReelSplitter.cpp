#include "ClipreelReelOperations.h"

#include "ClipreelMovie.h"
#include "ZentiMovFile.h"
#include "editor/DestinationCheck.h"
#include "editor/EditorPrivateAccess.h"
#include "editor/ReelOperationRun.h"
#include "editor/ReelSourceCheck.h"


CClipreelReelSplitter::CClipreelReelSplitter(const CZentiMovFile& source)
    : sourceFile(&source), callback(nullptr), userData(nullptr) {}

CClipreelReelSplitter::~CClipreelReelSplitter() = default;

void CClipreelReelSplitter::SetProgressCallback(ClipreelProgressCallback progressCallback, void* data) {
    callback = progressCallback;
    userData = data;
}

// Each kept unit goes through the edited save as a reel whose editing list
// holds that unit alone; one editor carries the progress across all of them,
// each unit's save mapped onto its share of the whole.
CClipreelReelSplitter::ERROR_CREATEMOVFILE CClipreelReelSplitter::SplitShootingUnits(
    const CClipreelMovie& reel, const std::vector<FileLocator>& destinations) {
    using E = CClipreelMovFileEditor;
    const unsigned count = reel.GetShootingUnitCount();
    auto checks = [&]() {
        if (!clipreel::IsClipreelSource(*sourceFile)) return E::CREATEMOVFILE_INVALID_SOURCE;
        if (!clipreel::ReelMatchesSource(*sourceFile, reel)) return E::CREATEMOVFILE_INTERNAL_ERROR;
        if (count == 0 || destinations.size() != count) return E::CREATEMOVFILE_INTERNAL_ERROR;
        // Every destination before the first is written: a later one that
        // names the source must not leave the earlier ones behind.
        for (const FileLocator& destination : destinations) {
            const E::ERROR_CREATEMOVFILE refused = clipreel::RefuseSourceAsDestination(destination, {sourceFile});
            if (refused != E::CREATEMOVFILE_SUCCESS) return refused;
        }
        return E::CREATEMOVFILE_SUCCESS;
    };
    auto work = [&]() {
        CClipreelMovFileEditor editor(*sourceFile);
        editor.SetProgressCallback(callback, userData);
        clipreel::ProgressReporter& progress = clipreel::EditorPrivateAccess::Progress(editor);
        for (unsigned i = 0; i < count; ++i) {
            CClipreelMovie unitReel(sourceFile);
            const unsigned original = reel.GetShootingUnit(i).GetOriginalIndex();
            // A reel of one unit is not editable and already holds just it.
            if (unitReel.IsEditable() && !unitReel.SetEditingState({original})) return E::CREATEMOVFILE_INTERNAL_ERROR;
            progress.rangeStart = static_cast<double>(i) / count;
            progress.rangeEnd = static_cast<double>(i + 1) / count;
            const E::ERROR_CREATEMOVFILE result =
                clipreel::EditorPrivateAccess::createNewMovFile_standard(editor, destinations[i], &unitReel);
            if (result != E::CREATEMOVFILE_SUCCESS) return result;
        }
        return E::CREATEMOVFILE_SUCCESS;
    };
    return clipreel::RunReelOperation(callback, userData, checks, work);
}
