#include "ClipreelReelOperations.h"

#include "ClipreelMovie.h"
#include "ZentiMovFile.h"
#include "ZentiMovie.h"
#include "bytes/FourCC.h"
#include "editor/EditorPrivateAccess.h"
#include "editor/MovieAtomCopy.h"
#include "editor/NewMovieFileWriter.h"
#include "editor/NewMoviePlan.h"
#include "editor/ReelOperationRun.h"
#include "editor/ReelShape.h"
#include "editor/ReelSourceCheck.h"
#include "source/MoviePrivateAccess.h"
#include "source/TopLevelAtoms.h"

#include <string>

using clipreel::MoviePrivateAccess;

// One added reel: the file it reads and its kept units.
struct CClipreelReelJoiner::Part {
    const CZentiMovFile* file = nullptr;
    std::unique_ptr<CClipreelMovie> reel;
    // The kept units' blocks and the table entries they add to the joined
    // movie atom: at most 12 bytes per frame (size, chunk offset, sync
    // sample) and 16 per sound chunk (chunk offset, sample-to-chunk run).
    std::uint64_t keptBytes = 0;
    std::uint64_t tableBytes = 0;
};

namespace {

// The most the joined file can hold before its media data ends: the first
// reel's atoms before its media data (its movie atom grown by every part's
// table entries and the padding) and the 'mdat' header, then every part's
// kept blocks. Past 4 GiB the 32-bit chunk offsets cannot reach it.
std::uint64_t JoinedMediaDataEnd(const CZentiMovFile& first, std::uint64_t keptBytes, std::uint64_t tableBytes) {
    const clipreel::CTopLevelAtoms* atoms = MoviePrivateAccess::GetTopLevelAtoms(first);
    std::uint64_t before = 0;
    for (unsigned i = 0; atoms != nullptr && i < atoms->GetCount(); ++i) {
        const clipreel::TopLevelAtomInfo& atom = atoms->GetAt(i);
        if (atom.type == clipreel::FourCC("mdat")) break;
        before += atom.size;
    }
    constexpr std::uint64_t paddingAndHeader = 24 + 8;
    return before + tableBytes + paddingAndHeader + keptBytes;
}

std::string WithThousands(std::uint64_t value) {
    std::string digits = std::to_string(value);
    for (std::size_t at = digits.size(); at > 3; at -= 3) digits.insert(at - 3, ",");
    return digits;
}

}

CClipreelReelJoiner::CClipreelReelJoiner() : callback(nullptr), userData(nullptr) {}

CClipreelReelJoiner::~CClipreelReelJoiner() = default;

void CClipreelReelJoiner::SetProgressCallback(ClipreelProgressCallback progressCallback, void* data) {
    callback = progressCallback;
    userData = data;
}

bool CClipreelReelJoiner::AddReel(const CZentiMovFile& source, const std::vector<unsigned>& editingList) {
    refusal.clear();
    if (!clipreel::IsClipreelSource(source)) {
        refusal = "not a Clipreel movie";
        return false;
    }
    auto part = std::make_unique<Part>();
    part->file = &source;
    part->reel = std::make_unique<CClipreelMovie>(&source);
    if (!part->reel->IsValid()) {
        refusal = "not a Clipreel movie";
        return false;
    }
    const unsigned count = part->reel->GetShootingUnitCount();
    // A unit twice in one list would have both copies' chunk offsets point
    // at the first copy's place.
    std::vector<bool> listed(count, false);
    for (const unsigned index : editingList) {
        if (index >= count) {
            refusal = "no shooting unit " + std::to_string(index) + " (the reel has " + std::to_string(count) + ")";
            return false;
        }
        if (listed[index]) {
            refusal = "shooting unit " + std::to_string(index) + " is listed twice";
            return false;
        }
        listed[index] = true;
    }
    // A one-unit reel takes no editing list; a list of that one unit keeps it.
    const bool wholeReel = editingList.empty() || (count == 1 && editingList.size() == 1);
    if (!wholeReel && !part->reel->SetEditingState(editingList)) {
        refusal = "the reel refused the editing list";
        return false;
    }
    if (!parts.empty()) {
        refusal = clipreel::ReelShapeDifference(*parts.front()->file->GetZentiMovie(), *source.GetZentiMovie());
        if (!refusal.empty()) return false;
    }
    const CClipreelMovie& reel = *part->reel;
    for (unsigned i = 0; i < reel.GetShootingUnitCount(); ++i) {
        const CClipreelShootingUnit& unit = reel.GetShootingUnit(i);
        part->keptBytes += unit.GetSize();
        part->tableBytes += 12 * std::uint64_t(unit.GetFrameCount()) + 16 * std::uint64_t(unit.GetSoundChunkCount());
    }
    std::uint64_t keptBytes = part->keptBytes;
    std::uint64_t tableBytes = part->tableBytes;
    for (const auto& earlier : parts) {
        keptBytes += earlier->keptBytes;
        tableBytes += earlier->tableBytes;
    }
    const CZentiMovFile& first = parts.empty() ? source : *parts.front()->file;
    const std::uint64_t end = JoinedMediaDataEnd(first, keptBytes, tableBytes);
    constexpr std::uint64_t limit = 0xFFFFFFFFu;
    if (end > limit) {
        refusal = "the joined movie would reach " + WithThousands(end) + " bytes: past the 4 GiB limit (" +
                  WithThousands(limit) + " bytes) of its 32-bit chunk offsets";
        return false;
    }
    parts.push_back(std::move(part));
    return true;
}

unsigned CClipreelReelJoiner::GetReelCount() const { return static_cast<unsigned>(parts.size()); }

unsigned CClipreelReelJoiner::GetShootingUnitCount() const {
    unsigned count = 0;
    for (const auto& part : parts) count += part->reel->GetShootingUnitCount();
    return count;
}

const std::string& CClipreelReelJoiner::GetRefusalReason() const { return refusal; }

// One plan holds every reel's kept units in order; the copiers rebuild the
// first reel's movie atom from it, and the one writer of new movie files
// copies the first reel's other atoms and every kept block in order.
CClipreelReelJoiner::ERROR_CREATEMOVFILE CClipreelReelJoiner::CreateJoinedMovFile(const FileLocator& destination) {
    using E = CClipreelMovFileEditor;
    clipreel::TopLevelAtomInfo moovInfo{};
    auto checks = [&]() {
        if (parts.empty()) return E::CREATEMOVFILE_INTERNAL_ERROR;
        for (const auto& part : parts) {
            if (!clipreel::ReelMatchesSource(*part->file, *part->reel)) return E::CREATEMOVFILE_INVALID_SOURCE;
        }
        const clipreel::CTopLevelAtoms* atoms = MoviePrivateAccess::GetTopLevelAtoms(*parts.front()->file);
        if (atoms == nullptr || !clipreel::HasWritableLayout(*atoms) || !atoms->FindMovieAtom(moovInfo))
            return E::CREATEMOVFILE_INVALID_SOURCE;
        return E::CREATEMOVFILE_SUCCESS;
    };
    auto work = [&]() {
        const CZentiMovFile& first = *parts.front()->file;
        std::vector<clipreel::PlanSource> sources;
        for (const auto& part : parts) {
            clipreel::PlanSource source;
            source.movie = part->file->GetZentiMovie();
            source.file = part->file;
            source.reel = part->reel.get();
            sources.push_back(source);
        }
        clipreel::NewMoviePlan units;
        if (!clipreel::BuildNewMoviePlan(sources, units)) return E::CREATEMOVFILE_INTERNAL_ERROR;
        CMoovAtomAlignmentInfo alignment;
        alignment.alignment = 16;
        alignment.offset = static_cast<std::uint32_t>(moovInfo.offset);
        clipreel::MovieAtomCopyRequest request;
        request.plan = &units;
        request.alignment = &alignment;
        request.rebaseChunkOffsets = true;
        std::unique_ptr<CZentiMovie> joined = clipreel::CopyMovieAtom(*first.GetZentiMovie(), request);
        if (!joined) return E::CREATEMOVFILE_INTERNAL_ERROR;

        clipreel::NewMovieFilePlan plan;
        plan.layoutSource = &first;
        plan.newMovie = joined.get();
        plan.units = &units;
        CClipreelMovFileEditor editor(first);
        editor.SetProgressCallback(callback, userData);
        return clipreel::WriteNewMovieFile(editor, destination, plan);
    };
    return clipreel::RunReelOperation(callback, userData, checks, work);
}
