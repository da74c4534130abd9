#ifndef CLIPREEL_STUDIO_SAVE_JOB_H
#define CLIPREEL_STUDIO_SAVE_JOB_H

#include "ClipreelMovFileEditor.h"

#include <nlohmann/json.hpp>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace clipreel {
namespace studio {

// One "Save as" running on its own thread, through the tool's safe output: a
// temporary file beside the destination, renamed into place only when the
// library reports success, so a cancelled or failed save (or a stop signal)
// leaves nothing, and an existing file is replaced only when the caller
// consented. Its progress and its end are kept as a list of events the page
// reads as they come.
class SaveJob {
public:
    // Writes the movie to the given (temporary) file through the library,
    // reporting progress to the callback.
    using Writer = std::function<CClipreelMovFileEditor::ERROR_CREATEMOVFILE(
        const std::filesystem::path& file, ClipreelProgressCallback callback, void* userData)>;
    struct Request {
        std::vector<std::filesystem::path> sources;  // never replaced, not even with consent
        Writer write;
        std::filesystem::path destination;
        bool overwrite = false;
        // For tests: the save waits at its start (its output file made, no
        // media written) until it is cancelled, for at most a minute. A save
        // runs at the speed of a file copy, so without the hold no one,
        // person or browser test, can be sure of pressing Cancel while one
        // runs.
        bool heldAtStart = false;
    };
    // Called on the job's thread after a successful rename; its answer (the
    // saved reel's number, or null) goes into the last event.
    using Saved = std::function<nlohmann::json(const std::filesystem::path&)>;

    SaveJob(Request request, Saved saved);
    // Cancels a running save and waits for it: the part file is gone after.
    ~SaveJob();
    SaveJob(const SaveJob&) = delete;
    SaveJob& operator=(const SaveJob&) = delete;

    // Asks the save to stop; whether it was still running when asked (one
    // answer, taken under the job's lock: a held save may end at once).
    bool Cancel();
    bool Finished() const;

    // Events from number `next` on, waiting up to `wait` for one when none is
    // there; next moves past what was returned. Each event is
    // {"type": "progress", "percent"} or {"type": "end", "result", "message", ...}.
    std::vector<nlohmann::json> EventsFrom(std::size_t& next, std::chrono::milliseconds wait);

private:
    static EClipreelMovFileEditorProgressCallbackResult Progress(EClipreelMovFileEditorProgressCallbackMessage message,
                                                                 double value, void* userData);
    void Run();
    void Post(nlohmann::json event);
    // Waits until the save is cancelled or the time is up.
    void WaitForCancel(std::chrono::seconds limit);
    nlohmann::json Save();

    const Request request;
    const Saved saved;
    std::atomic<bool> cancelRequested{false};
    int lastPercent = -1;
    mutable std::mutex lock;
    std::condition_variable changed;
    std::condition_variable cancelSignal;
    std::vector<nlohmann::json> events;
    bool finished = false;
    std::thread worker;
};

}
}

#endif
