#include "SaveJob.h"

#include "EditedMovie.h"
#include "cli/ExitCode.h"

#include <random>
#include <system_error>

namespace clipreel {
namespace studio {

namespace {

std::filesystem::path PartFileFor(const std::filesystem::path& destination) {
    std::random_device source;
    return destination.parent_path() /
           ("." + destination.filename().string() + "." + std::to_string(source() % 1000000u) + ".part");
}

}

SaveJob::SaveJob(Request request_, Saved saved_) : request(std::move(request_)), saved(std::move(saved_)) {
    worker = std::thread([this]() { Run(); });
}

SaveJob::~SaveJob() {
    Cancel();
    if (worker.joinable()) worker.join();
}

void SaveJob::Cancel() {
    cancelRequested = true;
}

bool SaveJob::Finished() const {
    const std::lock_guard<std::mutex> guard(lock);
    return finished;
}

std::vector<nlohmann::json> SaveJob::EventsFrom(std::size_t& next, std::chrono::milliseconds wait) {
    std::unique_lock<std::mutex> guard(lock);
    changed.wait_for(guard, wait, [&]() { return events.size() > next; });
    std::vector<nlohmann::json> fresh;
    for (; next < events.size(); ++next) fresh.push_back(events[next]);
    return fresh;
}

void SaveJob::Post(nlohmann::json event) {
    {
        const std::lock_guard<std::mutex> guard(lock);
        if (event["type"] == "end") finished = true;
        events.push_back(std::move(event));
    }
    changed.notify_all();
}

EClipreelMovFileEditorProgressCallbackResult SaveJob::Progress(EClipreelMovFileEditorProgressCallbackMessage message,
                                                               double value, void* userData) {
    SaveJob& job = *static_cast<SaveJob*>(userData);
    if (job.cancelRequested) return PROGRESS_RESULT_CANCEL;
    if (value < 0.0) value = 0.0;
    if (value > 1.0) value = 1.0;
    int percent = static_cast<int>(value * 100.0);
    if (message == PROGRESS_MESSAGE_START) percent = 0;
    if (message == PROGRESS_MESSAGE_END) percent = 100;
    if (percent > job.lastPercent) {
        job.lastPercent = percent;
        job.Post({{"type", "progress"}, {"percent", percent}});
    }
    return PROGRESS_RESULT_CONTINUE;
}

void SaveJob::Run() {
    const std::filesystem::path part = PartFileFor(request.destination);
    CClipreelMovFileEditor::ERROR_CREATEMOVFILE result = CClipreelMovFileEditor::CREATEMOVFILE_INTERNAL_ERROR;
    try {
        result = WriteEditedMovie(request.source, request.order, part, request.reference, &SaveJob::Progress, this);
    } catch (const std::exception&) {
        result = CClipreelMovFileEditor::CREATEMOVFILE_INTERNAL_ERROR;
    }
    // A cancel that came after the last progress call still counts: the
    // page was told the save stops.
    if (result == CClipreelMovFileEditor::CREATEMOVFILE_SUCCESS && cancelRequested) {
        result = CClipreelMovFileEditor::CREATEMOVFILE_CANCELED;
    }
    Post(Finish(result, part));
}

nlohmann::json SaveJob::Finish(CClipreelMovFileEditor::ERROR_CREATEMOVFILE result, const std::filesystem::path& part) {
    std::error_code failure;
    nlohmann::json end = {{"type", "end"}, {"name", request.destination.filename().string()}};
    if (result != CClipreelMovFileEditor::CREATEMOVFILE_SUCCESS) {
        std::filesystem::remove(part, failure);
        end["result"] = result == CClipreelMovFileEditor::CREATEMOVFILE_CANCELED ? "cancelled" : "failed";
        end["message"] = cli::DescribeResult(result);
        return end;
    }
    if (!request.overwrite && std::filesystem::exists(request.destination, failure)) {
        // Someone made the file while we wrote: theirs stays.
        std::filesystem::remove(part, failure);
        end["result"] = "failed";
        end["message"] = request.destination.filename().string() + " appeared meanwhile; nothing was replaced";
        return end;
    }
    std::filesystem::rename(part, request.destination, failure);
    if (failure) {
        std::error_code ignored;
        std::filesystem::remove(part, ignored);
        end["result"] = "failed";
        end["message"] = "cannot rename the new movie into place: " + failure.message();
        return end;
    }
    end["result"] = "saved";
    end["message"] = "saved " + request.destination.filename().string();
    end["reel"] = saved ? saved(request.destination) : nlohmann::json();
    return end;
}

}
}
