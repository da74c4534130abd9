// A second process for the concurrency tests.
//   SaveHelper save <source> <destination> <meeting folder> <parties>
//       removes unit 1 and saves; at its first progress message it leaves a
//       mark in the meeting folder and waits there until <parties> marks
//       are present, so that every party is inside its save at once. Exits
//       with the save's result code.
//   SaveHelper hold <file> <ready mark> <release mark>
//       opens the file for reading as the library does, leaves the ready
//       mark and keeps the file open until the release mark appears.
// Waits end after 60 seconds with exit code 90.
#include "ClipreelMovFileEditor.h"
#include "ClipreelMovie.h"
#include "ZentiMovFile.h"
#include "file/FileReader.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <thread>

namespace {

namespace fs = std::filesystem;

constexpr int TimedOut = 90;

bool WaitFor(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

void Mark(const fs::path& path) {
    std::ofstream(path) << "here";
}

struct Meeting {
    fs::path folder;
    std::string name;
    long parties = 0;
    bool met = false;
    bool timedOut = false;
};

EClipreelMovFileEditorProgressCallbackResult MeetOnce(EClipreelMovFileEditorProgressCallbackMessage message, double,
                                                      void* userData) {
    auto& meeting = *static_cast<Meeting*>(userData);
    if (message != PROGRESS_MESSAGE_PROGRESS || meeting.met) return PROGRESS_RESULT_CONTINUE;
    meeting.met = true;
    Mark(meeting.folder / meeting.name);
    meeting.timedOut = !WaitFor([&] {
        const auto count = std::distance(fs::directory_iterator(meeting.folder), fs::directory_iterator());
        return count >= meeting.parties;
    });
    return meeting.timedOut ? PROGRESS_RESULT_CANCEL : PROGRESS_RESULT_CONTINUE;
}

int Save(const fs::path& source, const fs::path& destination, const fs::path& folder, long parties) {
    const CZentiMovFile file(FileLocator(source.wstring().c_str()));
    CClipreelMovie reel(&file);
    if (!reel.RemoveShootingUnit(1)) return 91;
    Meeting meeting{folder, destination.filename().string(), parties};
    CClipreelMovFileEditor editor(file);
    editor.SetProgressCallback(&MeetOnce, &meeting);
    const auto result = editor.CreateNewMovFile(FileLocator(destination.wstring().c_str()), &reel);
    return meeting.timedOut ? TimedOut : static_cast<int>(result);
}

int Hold(const fs::path& path, const fs::path& ready, const fs::path& release) {
    clipreel::FileReader reader(FileLocator(path.wstring().c_str()));
    if (!reader.Open()) return 92;
    Mark(ready);
    return WaitFor([&] { return fs::exists(release); }) ? 0 : TimedOut;
}

}

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "save" && argc == 6) return Save(argv[2], argv[3], argv[4], std::stol(argv[5]));
    if (mode == "hold" && argc == 5) return Hold(argv[2], argv[3], argv[4]);
    std::fprintf(stderr, "usage: SaveHelper save <source> <destination> <meeting folder> <parties>\n"
                         "       SaveHelper hold <file> <ready mark> <release mark>\n");
    return 2;
}
