#include "tests/cli/StudioHarness.h"

#include "cli/studio/ReelSession.h"

#include <gtest/gtest.h>

namespace clipreel {
namespace test {

const char* const StudioHarness::Token = "00112233445566778899aabbccddeeff";

StudioHarness::StudioHarness(const std::vector<std::filesystem::path>& reels, const std::string& heldSave) {
    std::vector<std::unique_ptr<studio::ReelSession>> sessions;
    for (const auto& path : reels) {
        std::string error;
        sessions.push_back(studio::ReelSession::Open(path, error));
        EXPECT_TRUE(sessions.back()) << error;
        if (!sessions.back()) return;
    }
    server = std::make_unique<studio::StudioServer>(std::move(sessions), studio::AccessGuard(Token), heldSave);
    port = server->Bind(0);
    EXPECT_GT(port, 0);
    if (port > 0) runner = std::thread([this]() { server->Run(); });
}

StudioHarness::~StudioHarness() {
    if (server) server->Stop();
    if (runner.joinable()) runner.join();
}

std::unique_ptr<httplib::Client> StudioHarness::Client(int seconds) const {
    auto client = std::make_unique<httplib::Client>("127.0.0.1", port);
    client->set_connection_timeout(seconds, 0);
    client->set_read_timeout(seconds, 0);
    client->set_write_timeout(seconds, 0);
    return client;
}

std::string StudioHarness::WithToken(const std::string& target, const std::string& token) {
    return target + (target.find('?') == std::string::npos ? "?" : "&") + "token=" + token;
}

}
}
