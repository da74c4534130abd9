#include "ReelSession.h"

#include "ClipreelMovie.h"
#include "MovieFrames.h"
#include "ZentiMovie.h"
#include "cli/CommandPaths.h"
#include "cli/MovieReport.h"

#include <system_error>

namespace clipreel {
namespace studio {

std::unique_ptr<ReelSession> ReelSession::Open(const std::filesystem::path& given, std::string& error) {
    std::error_code failure;
    const std::filesystem::path path = std::filesystem::absolute(given, failure);
    if (failure || !std::filesystem::is_regular_file(path, failure)) {
        error = "cannot read " + given.string() + ": no such file";
        return nullptr;
    }
    auto file = std::make_unique<CZentiMovFile>(cli::LocatorFor(path));
    if (!file->IsValid() || file->GetZentiMovie() == nullptr || !file->GetZentiMovie()->IsClipreelMovie(nullptr)) {
        error = given.string() + " is not a Clipreel movie";
        return nullptr;
    }
    std::unique_ptr<ReelSession> session(new ReelSession(path, std::move(file)));
    if (session->unitCount == 0) {
        error = given.string() + " is not a Clipreel movie";
        return nullptr;
    }
    return session;
}

ReelSession::ReelSession(std::filesystem::path moviePath, std::unique_ptr<CZentiMovFile> movie)
    : path(std::move(moviePath)),
      file(std::move(movie)),
      frames(std::make_unique<CMovieFrames>(file->GetFileLocator())),
      report(cli::DescribeMovieFile(*file, path.filename().string())) {
    const CClipreelMovie reel(file.get());
    if (!reel.IsValid()) return;
    unitCount = reel.GetShootingUnitCount();
    for (unsigned i = 0; i < unitCount; ++i) {
        order.push_back(i);
        firstFrames.push_back(reel.GetShootingUnit(i).GetOriginalStartVideoSampleIndex());
        frameCounts.push_back(reel.GetShootingUnit(i).GetFrameCount());
    }
}

ReelSession::~ReelSession() = default;

nlohmann::json ReelSession::Describe() const {
    const std::lock_guard<std::mutex> guard(lock);
    std::uint64_t unitBytes = 0;
    for (const auto& unit : report["shooting_units"]) unitBytes += unit["size"].get<std::uint64_t>();
    std::error_code failure;
    const std::uint64_t fileSize = std::filesystem::file_size(path, failure);
    nlohmann::json description;
    description["name"] = path.filename().string();
    description["info"] = report;
    description["order"] = order;
    description["file_size"] = fileSize;
    // With the size, what tells the page that a reel on disk is still the
    // one its kept edits were made on.
    description["path"] = path.u8string();
    const auto modified = std::filesystem::last_write_time(path, failure);
    description["modified"] = failure ? 0 : static_cast<std::int64_t>(modified.time_since_epoch().count());
    description["header_bytes"] = fileSize > unitBytes ? fileSize - unitBytes : 0;
    return description;
}

std::vector<unsigned> ReelSession::Order() const {
    const std::lock_guard<std::mutex> guard(lock);
    return order;
}

bool ReelSession::SetOrder(const std::vector<unsigned>& wanted, std::string& error) {
    if (wanted.empty()) {
        error = "keep at least one shooting unit";
        return false;
    }
    std::vector<bool> seen(unitCount, false);
    for (const unsigned unit : wanted) {
        if (unit >= unitCount) {
            error = "there is no shooting unit " + std::to_string(unit);
            return false;
        }
        if (seen[unit]) {
            error = "shooting unit " + std::to_string(unit) + " is named twice";
            return false;
        }
        seen[unit] = true;
    }
    const std::lock_guard<std::mutex> guard(lock);
    order = wanted;
    return true;
}

bool ReelSession::FramePicture(unsigned unit, unsigned frame, std::vector<std::uint8_t>& jpeg) {
    if (unit >= unitCount || frame >= frameCounts[unit]) return false;
    if (pictures.Find(unit, frame, jpeg)) return true;
    const CZentiMovie& movie = *file->GetZentiMovie();
    const std::int64_t time = CMovieFrames::FrameMiddleTime(firstFrames[unit] + frame,
                                                            movie.GetVideoMediaTimeScale(),
                                                            movie.GetVideoFrameDuration());
    CRgbPicture picture;
    {
        const std::lock_guard<std::mutex> guard(decoding);
        if (!frames->GrabThumbnail(time, picture)) return false;
    }
    if (!CMovieFrames::EncodeJpeg(picture, jpeg)) return false;
    pictures.Keep(unit, frame, jpeg);
    return true;
}

}
}
