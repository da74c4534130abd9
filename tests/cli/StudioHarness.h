#ifndef CLIPREEL_TESTS_CLI_STUDIO_HARNESS_H
#define CLIPREEL_TESTS_CLI_STUDIO_HARNESS_H

#include "cli/studio/StudioServer.h"

#include <httplib.h>

#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace clipreel {
namespace test {

// A studio serving the given reels on a free port of 127.0.0.1 inside the
// test's process, with a known token, stopped and joined at the end.
class StudioHarness {
public:
    static const char* const Token;

    // Saves to a file named heldSave (none when empty) wait at their start
    // until cancelled.
    explicit StudioHarness(const std::vector<std::filesystem::path>& reels,
                           const std::string& heldSave = std::string());
    ~StudioHarness();
    StudioHarness(const StudioHarness&) = delete;
    StudioHarness& operator=(const StudioHarness&) = delete;

    bool Serving() const { return port > 0; }
    int Port() const { return port; }
    std::string Host() const { return "127.0.0.1:" + std::to_string(port); }
    // A client of the studio that waits at most `seconds` for each step.
    std::unique_ptr<httplib::Client> Client(int seconds = 20) const;
    // The target with the token (the studio's, unless given) as its query
    // parameter.
    static std::string WithToken(const std::string& target, const std::string& token = Token);

private:
    std::unique_ptr<studio::StudioServer> server;
    int port = -1;
    std::thread runner;
};

}
}

#endif
