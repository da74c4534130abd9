#include "SaveJob.h"

#include "cli/ExitCode.h"
#include "cli/Interrupt.h"
#include "cli/SaveRunner.h"

namespace clipreel {
namespace studio {

namespace {

constexpr std::chrono::seconds LongestHold{60};

}

SaveJob::SaveJob(Request job, Saved onSaved) : request(std::move(job)), saved(std::move(onSaved)) {
    worker = std::thread([this]() { Run(); });
}

SaveJob::~SaveJob() {
    Cancel();
    if (worker.joinable()) worker.join();
}

bool SaveJob::Cancel() {
    bool running = false;
    {
        const std::lock_guard<std::mutex> guard(lock);
        cancelRequested = true;
        running = !finished;
    }
    cancelSignal.notify_all();
    return running;
}

void SaveJob::WaitForCancel(std::chrono::seconds limit) {
    std::unique_lock<std::mutex> guard(lock);
    cancelSignal.wait_for(guard, limit, [this]() { return cancelRequested.load(); });
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
    if (job.cancelRequested || cli::InterruptRequested()) return PROGRESS_RESULT_CANCEL;
    if (value < 0.0) value = 0.0;
    if (value > 1.0) value = 1.0;
    int percent = static_cast<int>(value * 100.0);
    if (message == PROGRESS_MESSAGE_START) percent = 0;
    if (message == PROGRESS_MESSAGE_END) percent = 100;
    if (percent > job.lastPercent) {
        job.lastPercent = percent;
        job.Post({{"type", "progress"}, {"percent", percent}});
    }
    if (message == PROGRESS_MESSAGE_START && job.request.heldAtStart) {
        job.WaitForCancel(LongestHold);
        if (job.cancelRequested) return PROGRESS_RESULT_CANCEL;
    }
    return PROGRESS_RESULT_CONTINUE;
}

void SaveJob::Run() {
    nlohmann::json end;
    try {
        end = Save();
    } catch (const std::exception&) {
        end = {{"result", "failed"}, {"message", cli::DescribeResult(CClipreelMovFileEditor::CREATEMOVFILE_INTERNAL_ERROR)}};
    }
    end["type"] = "end";
    end["name"] = request.destination.filename().u8string();
    Post(end);
}

nlohmann::json SaveJob::Save() {
    const std::string name = request.destination.filename().u8string();
    const auto failed = [](const std::string& message) {
        return nlohmann::json{{"result", "failed"}, {"message", message}};
    };
    std::vector<std::string> inputs;
    for (const std::filesystem::path& source : request.sources) inputs.push_back(source.u8string());
    cli::SaveRunner runner(inputs, request.overwrite, false);
    if (!runner.AddOutput(request.destination.u8string())) {
        return failed(runner.Refused().FailureExitCode() == cli::EXIT_OUTPUT_EXISTS
                          ? name + " exists; nothing was replaced"
                          : runner.Refused().FailureMessage());
    }
    CClipreelMovFileEditor::ERROR_CREATEMOVFILE result = CClipreelMovFileEditor::CREATEMOVFILE_INTERNAL_ERROR;
    if (request.write) result = request.write(runner.Output(0).TemporaryPath(), &SaveJob::Progress, this);
    // A cancel that came after the last progress call still counts: the
    // page was told the save stops.
    if (result == CClipreelMovFileEditor::CREATEMOVFILE_SUCCESS && (cancelRequested || cli::InterruptRequested())) {
        result = CClipreelMovFileEditor::CREATEMOVFILE_CANCELED;
    }
    if (result == CClipreelMovFileEditor::CREATEMOVFILE_CANCELED) {
        return {{"result", "cancelled"}, {"message", "cancelled: " + name + " was not written"}};
    }
    if (result != CClipreelMovFileEditor::CREATEMOVFILE_SUCCESS) return failed(cli::DescribeResult(result));
    if (!runner.Commit()) {
        return failed(runner.Refused().FailureExitCode() == cli::EXIT_OUTPUT_EXISTS
                          ? name + " appeared meanwhile; nothing was replaced"
                          : runner.Refused().FailureMessage());
    }
    nlohmann::json end = {{"result", "saved"}, {"message", "saved " + name}};
    end["reel"] = saved ? saved(request.destination) : nlohmann::json();
    return end;
}

}
}
