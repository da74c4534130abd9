// The studio's HTTP API as a page (or anyone else on the machine) meets it:
// one table of requests, in order, against a studio started inside the
// test, each with the status and the part of the answer it must get.
#include "tests/cli/StudioHarness.h"

#include "tests/cli/StudioReelSuite.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <filesystem>

namespace clipreel {
namespace test {
namespace {

// Saves of this name wait at their start until cancelled.
const char* const HeldName = "held.mov";

using StudioApi = StudioReelSuite;

// How a request presents itself.
enum class Pass { Query, Header, NoToken, WrongToken, OtherHost };

struct Row {
    const char* method;
    std::string target;
    Pass pass;
    std::string origin;  // empty: none sent
    std::string body;
    int status;
    std::string answer;  // a part of the answer's body; "-" for none to check
};

httplib::Result Send(const StudioHarness& studio, const Row& row) {
    httplib::Request request;
    request.method = row.method;
    request.path = row.pass == Pass::Query        ? StudioHarness::WithToken(row.target)
                   : row.pass == Pass::WrongToken ? StudioHarness::WithToken(row.target, std::string(32, '0'))
                                                  : row.target;
    if (row.pass == Pass::Header) request.set_header("X-Clipreel-Token", StudioHarness::Token);
    if (row.pass == Pass::OtherHost) {
        request.path = StudioHarness::WithToken(row.target);
        request.set_header("Host", "localhost:" + std::to_string(studio.Port()));
    }
    if (!row.origin.empty()) {
        request.set_header("Origin", row.origin == "own" ? "http://" + studio.Host() : row.origin);
    }
    if (!row.body.empty() || std::string(row.method) != "GET") {
        request.body = row.body;
        request.set_header("Content-Type", "application/json");
    }
    return studio.Client()->send(request);
}

TEST_F(StudioApi, EveryRequestGetsItsAnswer) {
    TempDir out;
    std::filesystem::copy_file(Folder().File("reel.mov"), out.File("reel.mov"));
    std::filesystem::create_directory(out.File("folder.mov"));
    StudioHarness studio({out.File("reel.mov")}, HeldName);
    ASSERT_TRUE(studio.Serving());
    const std::string big(70 * 1024, ' ');
    const Row rows[] = {
        // Who may ask.
        {"GET", "/api/reels", Pass::NoToken, "", "", 403, "missing or wrong token"},
        {"GET", "/api/reels", Pass::WrongToken, "", "", 403, "missing or wrong token"},
        {"GET", "/api/reels", Pass::OtherHost, "", "", 403, "answers only to 127.0.0.1:"},
        {"GET", "/api/reels", Pass::Query, "", "", 200, R"([{"id":0,"name":"reel.mov","units":3}])"},
        {"GET", "/api/reels", Pass::Header, "", "", 200, R"("name":"reel.mov")"},
        {"GET", "/api/reels", Pass::Query, "http://evil.example", "", 200, "reel.mov"},  // reading stays allowed
        {"PUT", "/api/reels/0/order", Pass::Query, "http://evil.example", R"({"order":[1]})", 403,
         "only from the studio's own page"},
        {"PUT", "/api/reels/0/order", Pass::Query, "null", R"({"order":[1]})", 403, "only from the studio's own page"},
        {"POST", "/api/quit", Pass::Query, "http://127.0.0.1:1", "", 403, "only from the studio's own page"},
        {"PUT", "/api/reels/0/order", Pass::NoToken, "own", R"({"order":[1]})", 403, "missing or wrong token"},
        // The reel and its order.
        {"GET", "/api/reels/0", Pass::Query, "", "", 200, R"("order":[0,1,2])"},
        {"GET", "/api/reels/1", Pass::Query, "", "", 404, "no such reel"},
        {"GET", "/api/reels/99999999999", Pass::Query, "", "", 404, "no such reel"},
        {"GET", "/api/reels/x", Pass::Query, "", "", 404, "no such resource"},
        {"PUT", "/api/reels/0/order", Pass::Query, "own", R"({"order":[2,0]})", 200, R"({"order":[2,0]})"},
        {"PUT", "/api/reels/0/order", Pass::Query, "", "not json", 400, "must be a JSON object"},
        {"PUT", "/api/reels/0/order", Pass::Query, "", R"([2,0])", 400, "must be a JSON object"},
        {"PUT", "/api/reels/0/order", Pass::Query, "", R"({"order":"2,0"})", 400, R"(\"order\" must be a list)"},
        {"PUT", "/api/reels/0/order", Pass::Query, "", R"({"order":[-1]})", 400, "must list unit numbers"},
        {"PUT", "/api/reels/0/order", Pass::Query, "", R"({"order":[3]})", 400, "there is no shooting unit 3"},
        {"PUT", "/api/reels/0/order", Pass::Query, "", R"({"order":[1,1]})", 400, "named twice"},
        {"PUT", "/api/reels/0/order", Pass::Query, "", R"({"order":[]})", 400, "keep at least one"},
        {"PUT", "/api/reels/0/order", Pass::Query, "", big, 413, "-"},
        {"GET", "/api/reels/0", Pass::Query, "", "", 200, R"("order":[2,0])"},
        // Pictures and the player's movies.
        {"GET", "/api/reels/0/units/1/frames/0", Pass::Query, "", "", 200, "\xFF\xD8"},
        {"GET", "/api/reels/0/units/3/frames/0", Pass::Query, "", "", 404, "no such frame"},
        {"GET", "/api/reels/0/units/0/frames/100000", Pass::Query, "", "", 404, "no such frame"},
        {"GET", "/api/reels/0/units/2/movie", Pass::Query, "", "", 200, "ftyp"},
        {"GET", "/api/reels/0/units/3/movie", Pass::Query, "", "", 404, "no such shooting unit"},
        // Saves: names, consent, the reels the studio was given.
        {"POST", "/api/reels/0/save", Pass::Query, "own", R"({"name":"../up.mov"})", 400, "-"},
        {"POST", "/api/reels/0/save", Pass::Query, "own", R"({"name":"sub/in.mov"})", 400, "-"},
        {"POST", "/api/reels/0/save", Pass::Query, "own", R"({"name":7})", 400, R"(\"name\" must be a file name)"},
        {"POST", "/api/reels/0/save", Pass::Query, "own", R"({"name":"a.mov","overwrite":"yes"})", 400,
         R"(\"overwrite\" is true or false)"},
        {"POST", "/api/reels/0/save", Pass::Query, "own", R"({"name":"a.mov","kind":"other"})", 400,
         R"(\"kind\" is \"new\" or \"reference\")"},
        {"POST", "/api/reels/0/save", Pass::Query, "own", R"({"name":"reel.mov","overwrite":true})", 409,
         "a reel open in the studio cannot be replaced"},
        {"POST", "/api/reels/0/save", Pass::Query, "http://evil.example", R"({"name":"edited.mov"})", 403, "-"},
        {"POST", "/api/reels/0/save", Pass::Query, "own", R"({"name":"edited.mov"})", 202, R"({"save":1})"},
        {"GET", "/api/saves/1/events", Pass::Query, "", "", 200, R"("reel":1,"result":"saved")"},
        {"GET", "/api/reels", Pass::Query, "", "", 200, R"({"id":1,"name":"edited.mov","units":2})"},
        {"POST", "/api/reels/0/save", Pass::Query, "own", R"({"name":"edited.mov"})", 409, R"("exists":true)"},
        // The movie just saved is saved again under its name, and read anew
        // under its number.
        {"PUT", "/api/reels/0/order", Pass::Query, "own", R"({"order":[1]})", 200, R"({"order":[1]})"},
        {"POST", "/api/reels/0/save", Pass::Query, "own", R"({"name":"edited.mov","overwrite":true})", 202,
         R"({"save":2})"},
        {"GET", "/api/saves/2/events", Pass::Query, "", "", 200, R"("reel":1,"result":"saved")"},
        {"GET", "/api/reels", Pass::Query, "", "", 200, R"({"id":1,"name":"edited.mov","units":1})"},
        // A reel is never saved over itself, not even one the studio saved.
        {"POST", "/api/reels/1/save", Pass::Query, "own", R"({"name":"edited.mov","overwrite":true})", 409,
         "a movie cannot replace a reel it is made from"},
        // A failed save's reason reaches the page.
        {"POST", "/api/reels/0/save", Pass::Query, "own", R"({"name":"folder.mov","overwrite":true})", 202,
         R"({"save":3})"},
        {"GET", "/api/saves/3/events", Pass::Query, "", "", 200, "Is a directory"},
        // Joins and cancels.
        {"POST", "/api/join", Pass::Query, "own", R"({"name":"joined.mov","reels":[0]})", 400, "two reels or more"},
        {"POST", "/api/join", Pass::Query, "own", R"({"name":"joined.mov","reels":[0,7]})", 404, "no such reel: 7"},
        {"POST", "/api/join", Pass::Query, "own", R"({"name":"joined.mov","reels":[0,1]})", 202, R"({"save":4})"},
        {"GET", "/api/saves/4/events", Pass::Query, "", "", 200, R"("reel":2,"result":"saved")"},
        // Closing a tab: the reel is left out of the list.
        {"DELETE", "/api/reels/2", Pass::NoToken, "own", "", 403, "missing or wrong token"},
        {"DELETE", "/api/reels/2", Pass::Query, "http://evil.example", "", 403, "only from the studio's own page"},
        {"DELETE", "/api/reels/9", Pass::Query, "own", "", 404, "no such reel"},
        {"DELETE", "/api/reels/2", Pass::Query, "own", "", 200, R"({"closed":2})"},
        {"GET", "/api/reels", Pass::Query, "", "", 200,
         R"([{"id":0,"name":"reel.mov","units":3},{"id":1,"name":"edited.mov","units":1}])"},
        // Exports pass the same checks before anything else.
        {"POST", "/api/reels/0/export", Pass::NoToken, "own", R"({"name":"shared.mp4"})", 403,
         "missing or wrong token"},
        {"POST", "/api/reels/0/export", Pass::Query, "http://evil.example", R"({"name":"shared.mp4"})", 403,
         "only from the studio's own page"},
        {"POST", "/api/reels/0/export", Pass::Query, "own", big, 413, "-"},
        {"POST", "/api/reels/0/save", Pass::Query, "own", R"({"name":"held.mov"})", 202, R"({"save":5})"},
        {"POST", "/api/reels/0/save", Pass::Query, "own", R"({"name":"other.mov"})", 409, "another save is running"},
        {"POST", "/api/saves/5/cancel", Pass::Query, "http://evil.example", "", 403, "-"},
        {"POST", "/api/saves/5/cancel", Pass::Query, "own", "", 202, R"({"cancelling":true})"},
        {"GET", "/api/saves/5/events", Pass::Query, "", "", 200, R"("result":"cancelled")"},
        {"POST", "/api/saves/99/cancel", Pass::Query, "own", "", 404, "no such save"},
        {"GET", "/api/saves/99/events", Pass::Query, "", "", 404, "no such save"},
        // The page's heartbeat answers its own page only.
        {"GET", "/api/heartbeat", Pass::NoToken, "", "", 403, "missing or wrong token"},
        {"GET", "/api/heartbeat", Pass::Query, "", "", 200, R"({"alive":true})"},
        // The page, which no other site may frame.
        {"GET", "/", Pass::Query, "", "", 200, StudioHarness::Token},
        {"GET", "/", Pass::NoToken, "", "", 403, "-"},
        {"POST", "/api/quit", Pass::Query, "own", "", 200, R"({"quit":true})"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.method) + " " + row.target + " " + row.body.substr(0, 60));
        const httplib::Result answer = Send(studio, row);
        ASSERT_TRUE(answer) << "no answer: " << httplib::to_string(answer.error());
        EXPECT_EQ(answer->status, row.status) << answer->body;
        if (row.answer != "-") {
            EXPECT_NE(answer->body.find(row.answer), std::string::npos) << answer->body;
        }
        EXPECT_EQ(answer->get_header_value("X-Frame-Options"), "DENY");
        if (row.target == "/" && row.status == 200) {
            EXPECT_NE(answer->get_header_value("Content-Security-Policy").find("frame-ancestors 'none'"),
                      std::string::npos);
        }
    }
    // Nothing but the reel, what was saved and the folder is left.
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(out.path()))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"edited.mov", "folder.mov", "joined.mov", "reel.mov"}));
}

}
}
}
