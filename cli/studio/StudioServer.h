#ifndef CLIPREEL_STUDIO_STUDIO_SERVER_H
#define CLIPREEL_STUDIO_STUDIO_SERVER_H

#include "AccessGuard.h"
#include "ReelSession.h"
#include "SaveJob.h"
#include "UnitMovies.h"

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace httplib {
struct Request;
struct Response;
}

namespace clipreel {
namespace studio {

class GatedServer;

// The studio's HTTP side: the page, and the JSON API under /api/ over the
// reels it was given (and the movies it saved). Every request passes the
// access guard first (a request without a valid token or Host is refused
// before any worker reads it whole); every answer to bad input is a 4xx
// with {"error": "..."}. Reels are shared with the requests that use them:
// a reel read anew after a save stays whole for a request still holding
// the one it replaced.
class StudioServer {
public:
    // Saves to a file named heldSave (none when empty) wait at their start
    // until cancelled (SaveJob::Request::heldAtStart), for tests.
    StudioServer(std::vector<std::unique_ptr<ReelSession>> reels, AccessGuard guard,
                 std::string heldSave = std::string());
    ~StudioServer();
    StudioServer(const StudioServer&) = delete;
    StudioServer& operator=(const StudioServer&) = delete;

    // Binds 127.0.0.1:port (port 0: a free one); the port, or -1 when the
    // port is taken (never shared with another server) or not allowed.
    int Bind(int port);
    // Why the last Bind failed, for the person who chose the port.
    const std::string& BindFailure() const { return bindFailure; }
    // The page's address with its token.
    std::string PageAddress() const;
    // Serves until Stop.
    bool Run();
    // True from the moment Run accepts connections until it ends.
    bool Listening() const;
    void Stop();
    // True once the page asked to quit.
    bool QuitRequested() const { return quitRequested; }

private:
    void AddRoutes();
    std::shared_ptr<ReelSession> Reel(const std::string& number, unsigned* reelNumber = nullptr);
    std::shared_ptr<SaveJob> Save(const std::string& number);
    nlohmann::json SavedReel(const std::filesystem::path& path);

    void Page(const httplib::Request& request, httplib::Response& response);
    void ReelList(httplib::Response& response);
    void ReelDetails(const httplib::Request& request, httplib::Response& response);
    void CloseReel(const httplib::Request& request, httplib::Response& response);
    void ChangeOrder(const httplib::Request& request, httplib::Response& response);
    void Frame(const httplib::Request& request, httplib::Response& response);
    void UnitMovie(const httplib::Request& request, httplib::Response& response);
    void StartSave(const httplib::Request& request, httplib::Response& response);
    void SaveEvents(const httplib::Request& request, httplib::Response& response);
    void CancelSave(const httplib::Request& request, httplib::Response& response);
    void StartJoin(const httplib::Request& request, httplib::Response& response);
    void StartExport(const httplib::Request& request, httplib::Response& response);
    // Checks the job's destination (never a reel the studio was given nor
    // one the job reads from, a movie it saved only with consent, any other
    // file only with consent, one job at a time) and starts it: 202 with
    // its number, or the 4xx answer.
    void StartJob(SaveJob::Request job, const std::string& name, httplib::Response& response);

    AccessGuard guard;
    const std::string heldSave;
    int port = -1;
    std::string bindFailure;
    std::unique_ptr<GatedServer> server;
    // An open reel; one the studio saved may be saved over again.
    struct OpenReel {
        std::shared_ptr<ReelSession> session;
        bool savedHere = false;
    };
    std::mutex reelsLock;
    std::vector<OpenReel> reels;
    // Tabs the page closed: left out of the list until a save writes them anew.
    std::set<unsigned> closedReels;
    UnitMovies unitMovies;
    std::mutex savesLock;
    std::map<unsigned, std::shared_ptr<SaveJob>> saves;
    unsigned nextSave = 1;
    std::atomic<bool> quitRequested{false};
};

}
}

#endif
