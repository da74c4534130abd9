#include "StudioServer.h"

#include "EditedMovie.h"
#include "ExportedMovie.h"
#include "GatedServer.h"
#include "GatedStream.h"
#include "WebAssets.h"

#include <httplib.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <fstream>
#include <system_error>

namespace clipreel {
namespace studio {

namespace {

const char* const JsonType = "application/json";

void Answer(httplib::Response& response, int status, const nlohmann::json& body) {
    response.status = status;
    response.set_content(body.dump(), JsonType);
}

void Refuse(httplib::Response& response, int status, const std::string& reason) {
    Answer(response, status, {{"error", reason}});
}

// A request's number: decimal digits only, small enough for unsigned.
bool Number(const std::string& text, unsigned& value) {
    if (text.empty() || text.size() > 9) return false;
    value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    return true;
}

// The request's body as a JSON object, or false after a 4xx answer. The
// gate bounds what is read of a chunked body; this holds it to the same
// limit as one with a length.
bool JsonBody(const httplib::Request& request, httplib::Response& response, nlohmann::json& body) {
    if (request.body.size() > GatedStream::BodyLimit) {
        Refuse(response, 413, "the body is larger than " + std::to_string(GatedStream::BodyLimit / 1024) + " KiB");
        return false;
    }
    body = nlohmann::json::parse(request.body, nullptr, false);
    if (body.is_discarded() || !body.is_object()) {
        Refuse(response, 400, "the body must be a JSON object");
        return false;
    }
    return true;
}

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// The chunk a movie is sent in: a transfer holds one such buffer, no more.
constexpr std::size_t MovieChunk = 64 * 1024;

std::string Substitute(std::string text, const std::string& marker, const std::string& value) {
    for (std::size_t at = text.find(marker); at != std::string::npos; at = text.find(marker, at + value.size())) {
        text.replace(at, marker.size(), value);
    }
    return text;
}

}

StudioServer::StudioServer(std::vector<std::unique_ptr<ReelSession>> given, AccessGuard access, std::string heldName)
    : guard(std::move(access)), heldSave(std::move(heldName)) {
    for (auto& reel : given) reels.push_back({std::move(reel), false});
    server = std::make_unique<GatedServer>([this](const RequestHead& head) {
        if (!guard.Refusal(head.host, head.token).empty()) return GatedServer::Lane::Refused;
        // Event streams last as long as a save; movies as long as the
        // player reads.
        if (EndsWith(head.path, "/events") || EndsWith(head.path, "/movie")) return GatedServer::Lane::Long;
        if (head.path.find("/frames/") != std::string::npos) return GatedServer::Lane::Pictures;
        return GatedServer::Lane::Page;
    });
    AddRoutes();
}

StudioServer::~StudioServer() {
    Stop();
    // No request may still run when the reels and saves go.
    server->Close();
    server.reset();
    // Cancelled saves remove their part files before the folder is left.
    const std::lock_guard<std::mutex> guardSaves(savesLock);
    for (auto& save : saves) save.second->Cancel();
    saves.clear();
}

int StudioServer::Bind(int wanted) {
    bindFailure.clear();
    if (wanted < 0 || wanted > 65535) {
        bindFailure = "the port must be between 1 and 65535";
        return -1;
    }
    errno = 0;
    port =
        wanted == 0 ? server->bind_to_any_port("127.0.0.1") : (server->bind_to_port("127.0.0.1", wanted) ? wanted : -1);
    if (port > 0) {
        guard.SetPort(port);
        return port;
    }
    // The library keeps the system's reason in errno.
    const int reason = errno;
    const std::string address = "127.0.0.1:" + std::to_string(wanted);
    if (reason == EADDRINUSE) {
        bindFailure = address +
                      " is in use (a studio or another program listens there): choose another --port, "
                      "or leave it out for a free one";
    } else {
        bindFailure = "cannot listen on " + address +
                      (reason != 0 ? ": " + std::generic_category().message(reason) : std::string());
    }
    port = -1;
    return -1;
}

std::string StudioServer::PageAddress() const {
    return "http://127.0.0.1:" + std::to_string(port) + "/?token=" + guard.Token();
}

bool StudioServer::Run() {
    return server->listen_after_bind();
}

bool StudioServer::Listening() const {
    return server && server->is_running();
}

void StudioServer::Stop() {
    if (server) server->stop();
}

std::shared_ptr<ReelSession> StudioServer::Reel(const std::string& text, unsigned* reelNumber) {
    unsigned number = 0;
    if (!Number(text, number)) return nullptr;
    const std::lock_guard<std::mutex> guardReels(reelsLock);
    if (number >= reels.size()) return nullptr;
    if (reelNumber) *reelNumber = number;
    return reels[number].session;
}

nlohmann::json StudioServer::SavedReel(const std::filesystem::path& path) {
    std::string error;
    std::shared_ptr<ReelSession> session = ReelSession::Open(path, error);
    if (!session) return nullptr;
    std::error_code failure;
    const std::lock_guard<std::mutex> guardReels(reelsLock);
    for (std::size_t i = 0; i < reels.size(); ++i) {
        if (std::filesystem::equivalent(reels[i].session->Path(), path, failure)) {
            // Saved over again with consent: read anew under its number (a
            // request still holding the old session keeps it whole), its
            // tab listed again if the page had closed it.
            reels[i] = {std::move(session), true};
            closedReels.erase(static_cast<unsigned>(i));
            unitMovies.Forget(static_cast<unsigned>(i));
            return i;
        }
    }
    reels.push_back({std::move(session), true});
    return reels.size() - 1;
}

void StudioServer::AddRoutes() {
    httplib::Server& http = *server;
    http.set_payload_max_length(64 * 1024);
    http.set_pre_routing_handler([this](const httplib::Request& request, httplib::Response& response) {
        std::string token = request.get_param_value("token");
        if (token.empty()) token = request.get_header_value("X-Clipreel-Token");
        std::string refusal = guard.Refusal(request.get_header_value("Host"), token);
        if (refusal.empty()) refusal = guard.OriginRefusal(request.method, request.get_header_value("Origin"));
        if (!refusal.empty()) {
            Refuse(response, 403, refusal);
            return httplib::Server::HandlerResponse::Handled;
        }
        return httplib::Server::HandlerResponse::Unhandled;
    });
    http.set_post_routing_handler([](const httplib::Request&, httplib::Response& response) {
        if (!response.has_header("Cache-Control")) response.set_header("Cache-Control", "no-store");
        response.set_header("X-Content-Type-Options", "nosniff");
        response.set_header("Referrer-Policy", "no-referrer");
        // For browsers that do not read the page's frame-ancestors.
        response.set_header("X-Frame-Options", "DENY");
    });
    http.set_exception_handler([](const httplib::Request&, httplib::Response& response, std::exception_ptr) {
        Refuse(response, 500, "internal error");
    });
    http.set_error_handler([](const httplib::Request&, httplib::Response& response) {
        if (response.body.empty()) {
            Refuse(response, response.status, response.status == 404 ? "no such resource" : "bad request");
        }
    });

    http.Get("/", [this](const httplib::Request& request, httplib::Response& response) { Page(request, response); });
    http.Get(R"(/(studio\.js|studio\.css))", [](const httplib::Request& request, httplib::Response& response) {
        const WebAsset* asset = FindWebAsset(request.matches[1]);
        if (!asset) return Refuse(response, 404, "no such file");
        response.set_content(reinterpret_cast<const char*>(asset->bytes), asset->size, asset->contentType);
    });
    http.Get("/api/reels", [this](const httplib::Request&, httplib::Response& response) { ReelList(response); });
    http.Get(R"(/api/reels/(\d+))", [this](const httplib::Request& request, httplib::Response& response) {
        ReelDetails(request, response);
    });
    http.Put(R"(/api/reels/(\d+)/order)", [this](const httplib::Request& request, httplib::Response& response) {
        ChangeOrder(request, response);
    });
    http.Get(R"(/api/reels/(\d+)/units/(\d+)/frames/(\d+))",
             [this](const httplib::Request& request, httplib::Response& response) { Frame(request, response); });
    http.Get(R"(/api/reels/(\d+)/units/(\d+)/movie)",
             [this](const httplib::Request& request, httplib::Response& response) { UnitMovie(request, response); });
    http.Post(R"(/api/reels/(\d+)/save)", [this](const httplib::Request& request, httplib::Response& response) {
        StartSave(request, response);
    });
    http.Post("/api/join", [this](const httplib::Request& request, httplib::Response& response) {
        StartJoin(request, response);
    });
    http.Get(R"(/api/saves/(\d+)/events)", [this](const httplib::Request& request, httplib::Response& response) {
        SaveEvents(request, response);
    });
    http.Post(R"(/api/reels/(\d+)/export)", [this](const httplib::Request& request, httplib::Response& response) {
        StartExport(request, response);
    });
    http.Post(R"(/api/saves/(\d+)/cancel)", [this](const httplib::Request& request, httplib::Response& response) {
        CancelSave(request, response);
    });
    // The page asks every second: no answer tells it the studio is gone.
    http.Get("/api/heartbeat", [](const httplib::Request&, httplib::Response& response) {
        Answer(response, 200, {{"alive", true}});
    });
    http.Delete(R"(/api/reels/(\d+))", [this](const httplib::Request& request, httplib::Response& response) {
        CloseReel(request, response);
    });
    // An idle kept-alive connection holds a server thread, and the stop
    // after Quit waits for it (the library's shortest wait is a second):
    // each connection carries one request and closes, so the process ends
    // as soon as the answers in flight are sent. Local connections are cheap.
    http.set_keep_alive_max_count(1);
    http.set_keep_alive_timeout(1);
    http.Post("/api/quit", [this](const httplib::Request&, httplib::Response& response) {
        quitRequested = true;
        Answer(response, 200, {{"quit", true}});
    });
}

void StudioServer::Page(const httplib::Request&, httplib::Response& response) {
    const WebAsset* page = FindWebAsset("index.html");
    if (!page) return Refuse(response, 500, "the page is missing");
    const std::string text(reinterpret_cast<const char*>(page->bytes), page->size);
    // The token is hexadecimal, safe inside the page's attributes.
    response.set_content(Substitute(text, "{{TOKEN}}", guard.Token()), page->contentType);
    response.set_header("Content-Security-Policy",
                        "default-src 'none'; script-src 'self'; style-src 'self'; img-src 'self'; "
                        "media-src 'self'; connect-src 'self'; base-uri 'none'; form-action 'none'; "
                        "frame-ancestors 'none'");
}

void StudioServer::ReelList(httplib::Response& response) {
    nlohmann::json list = nlohmann::json::array();
    const std::lock_guard<std::mutex> guardReels(reelsLock);
    for (std::size_t i = 0; i < reels.size(); ++i) {
        if (closedReels.count(static_cast<unsigned>(i)) != 0) continue;
        const ReelSession& reel = *reels[i].session;
        list.push_back({{"id", i}, {"name", reel.Path().filename().string()}, {"units", reel.UnitCount()}});
    }
    Answer(response, 200, list);
}

void StudioServer::ReelDetails(const httplib::Request& request, httplib::Response& response) {
    unsigned number = 0;
    const std::shared_ptr<ReelSession> reel = Reel(request.matches[1], &number);
    if (!reel) return Refuse(response, 404, "no such reel");
    nlohmann::json details = reel->Describe();
    details["id"] = number;
    Answer(response, 200, details);
}

void StudioServer::CloseReel(const httplib::Request& request, httplib::Response& response) {
    unsigned number = 0;
    if (!Reel(request.matches[1], &number)) return Refuse(response, 404, "no such reel");
    const std::lock_guard<std::mutex> guardReels(reelsLock);
    closedReels.insert(number);
    Answer(response, 200, {{"closed", number}});
}

void StudioServer::ChangeOrder(const httplib::Request& request, httplib::Response& response) {
    const std::shared_ptr<ReelSession> reel = Reel(request.matches[1]);
    if (!reel) return Refuse(response, 404, "no such reel");
    nlohmann::json body;
    if (!JsonBody(request, response, body)) return;
    const auto order = body.find("order");
    if (order == body.end() || !order->is_array()) return Refuse(response, 400, "\"order\" must be a list");
    std::vector<unsigned> units;
    for (const auto& unit : *order) {
        if (!unit.is_number_unsigned() || unit.get<std::uint64_t>() > 0xFFFFFFFFu) {
            return Refuse(response, 400, "\"order\" must list unit numbers");
        }
        units.push_back(unit.get<unsigned>());
    }
    std::string error;
    if (!reel->SetOrder(units, error)) return Refuse(response, 400, error);
    Answer(response, 200, {{"order", reel->Order()}});
}

void StudioServer::Frame(const httplib::Request& request, httplib::Response& response) {
    const std::shared_ptr<ReelSession> reel = Reel(request.matches[1]);
    unsigned unit = 0;
    unsigned frame = 0;
    if (!reel || !Number(request.matches[2], unit) || !Number(request.matches[3], frame)) {
        return Refuse(response, 404, "no such frame");
    }
    std::vector<std::uint8_t> jpeg;
    if (!reel->FramePicture(unit, frame, jpeg)) return Refuse(response, 404, "no such frame, or it does not decode");
    response.set_content(reinterpret_cast<const char*>(jpeg.data()), jpeg.size(), "image/jpeg");
    // A frame never changes while the studio runs: the page redraws its
    // cards after every edit without asking again.
    response.set_header("Cache-Control", "private, max-age=3600");
}

void StudioServer::UnitMovie(const httplib::Request& request, httplib::Response& response) {
    unsigned number = 0;
    const std::shared_ptr<ReelSession> reel = Reel(request.matches[1], &number);
    unsigned unit = 0;
    if (!reel || !Number(request.matches[2], unit) || unit >= reel->UnitCount()) {
        return Refuse(response, 404, "no such shooting unit");
    }
    std::filesystem::path movie;
    std::string error;
    if (!unitMovies.Movie(number, *reel, unit, movie, error)) return Refuse(response, 422, error);
    // Sent from the file as the player asks for it (the library answers a
    // Range with its part), never read whole into memory. The open file
    // stays readable while a reel read anew removes it.
    auto file = std::make_shared<std::ifstream>(movie, std::ios::binary);
    std::error_code failure;
    const std::uintmax_t size = std::filesystem::file_size(movie, failure);
    if (!*file || failure) {
        if (!failure) failure = std::make_error_code(std::errc::io_error);
        return Refuse(response, 500, "cannot read the unit's movie: " + failure.message());
    }
    auto chunk = std::make_shared<std::vector<char>>(MovieChunk);
    response.set_content_provider(
        static_cast<std::size_t>(size), "video/quicktime",
        [file, chunk](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
            file->clear();
            file->seekg(static_cast<std::streamoff>(offset));
            file->read(chunk->data(), static_cast<std::streamsize>(std::min(length, chunk->size())));
            return file->gcount() > 0 && sink.write(chunk->data(), static_cast<std::size_t>(file->gcount()));
        });
}

namespace {

// The name and consent of a save or join request; false after a 400.
bool OutputRequest(const nlohmann::json& body, httplib::Response& response, std::string& name, bool& overwrite,
                   const std::string& extension = ".mov") {
    const auto given = body.find("name");
    if (given == body.end() || !given->is_string()) {
        Refuse(response, 400, "\"name\" must be a file name");
        return false;
    }
    name = given->get<std::string>();
    const std::string problem = CheckOutputName(name, extension);
    if (!problem.empty()) {
        Refuse(response, 400, problem);
        return false;
    }
    const auto consent = body.find("overwrite");
    if (consent != body.end() && !consent->is_boolean()) {
        Refuse(response, 400, "\"overwrite\" is true or false");
        return false;
    }
    overwrite = consent != body.end() && consent->get<bool>();
    return true;
}

// Makes `save` write the reel's units, in the order they have now, beside
// the reel under `name`, with writer(source, order, file, callback, userData).
template <typename Writer>
void WriteReel(const ReelSession& reel, const std::string& name, SaveJob::Request& save, Writer writer) {
    const std::filesystem::path source = reel.Path();
    const std::vector<unsigned> order = reel.Order();
    save.sources = {source};
    save.destination = source.parent_path() / std::filesystem::u8path(name);
    save.write = [source, order, writer](const std::filesystem::path& file, ClipreelProgressCallback callback,
                                         void* userData) { return writer(source, order, file, callback, userData); };
}

}

void StudioServer::StartSave(const httplib::Request& request, httplib::Response& response) {
    const std::shared_ptr<ReelSession> reel = Reel(request.matches[1]);
    if (!reel) return Refuse(response, 404, "no such reel");
    nlohmann::json body;
    if (!JsonBody(request, response, body)) return;
    SaveJob::Request save;
    std::string name;
    if (!OutputRequest(body, response, name, save.overwrite)) return;
    const auto kind = body.find("kind");
    const bool reference = kind != body.end() && *kind == "reference";
    if (kind != body.end() && *kind != "new" && !reference) {
        return Refuse(response, 400, "\"kind\" is \"new\" or \"reference\"");
    }
    WriteReel(*reel, name, save,
              [reference](const std::filesystem::path& source, const std::vector<unsigned>& order,
                          const std::filesystem::path& file, ClipreelProgressCallback callback, void* userData) {
                  return WriteEditedMovie(source, order, file, reference, callback, userData);
              });
    StartJob(std::move(save), name, response);
}

void StudioServer::StartExport(const httplib::Request& request, httplib::Response& response) {
    const std::shared_ptr<ReelSession> reel = Reel(request.matches[1]);
    if (!reel) return Refuse(response, 404, "no such reel");
    const std::string unavailable = ExportUnavailableReason();
    if (!unavailable.empty()) return Refuse(response, 501, unavailable);
    nlohmann::json body;
    if (!JsonBody(request, response, body)) return;
    SaveJob::Request save;
    std::string name;
    if (!OutputRequest(body, response, name, save.overwrite, ".mp4")) return;
    WriteReel(*reel, name, save, WriteExportedMovie);
    StartJob(std::move(save), name, response);
}

void StudioServer::StartJoin(const httplib::Request& request, httplib::Response& response) {
    nlohmann::json body;
    if (!JsonBody(request, response, body)) return;
    SaveJob::Request save;
    std::string name;
    if (!OutputRequest(body, response, name, save.overwrite)) return;
    const auto numbers = body.find("reels");
    if (numbers == body.end() || !numbers->is_array() || numbers->size() < 2 || numbers->size() > 64) {
        return Refuse(response, 400, "\"reels\" must list two reels or more");
    }
    std::vector<JoinPart> parts;
    for (const auto& number : *numbers) {
        const std::shared_ptr<ReelSession> reel =
            number.is_number_unsigned() ? Reel(std::to_string(number.get<std::uint64_t>())) : nullptr;
        if (!reel) return Refuse(response, 404, "no such reel: " + number.dump());
        parts.push_back({reel->Path(), reel->Order()});
        save.sources.push_back(reel->Path());
    }
    const std::string refusal = JoinRefusal(parts);
    if (!refusal.empty()) return Refuse(response, 422, refusal);
    save.destination = parts.front().source.parent_path() / std::filesystem::u8path(name);
    save.write = [parts](const std::filesystem::path& file, ClipreelProgressCallback callback, void* userData) {
        return WriteJoinedMovie(parts, file, callback, userData);
    };
    StartJob(std::move(save), name, response);
}

void StudioServer::StartJob(SaveJob::Request save, const std::string& name, httplib::Response& response) {
    std::error_code failure;
    {
        const std::lock_guard<std::mutex> guardReels(reelsLock);
        for (const auto& open : reels) {
            if (!open.savedHere && std::filesystem::equivalent(open.session->Path(), save.destination, failure)) {
                return Refuse(response, 409, "a reel open in the studio cannot be replaced");
            }
        }
    }
    // A movie the studio saved, open in a tab, may be replaced with consent
    // (the tab reads it anew); not by a job that reads from it.
    for (const auto& source : save.sources) {
        if (std::filesystem::equivalent(source, save.destination, failure)) {
            return Refuse(response, 409, "a movie cannot replace a reel it is made from");
        }
    }
    // Only to ask the page for consent before the save starts: where the
    // save writes, and whether it may replace anything, is the safe
    // output's decision alone, made when it writes.
    if (!save.overwrite && std::filesystem::exists(std::filesystem::symlink_status(save.destination, failure))) {
        return Answer(response, 409, {{"error", name + " exists"}, {"exists", true}});
    }

    const std::lock_guard<std::mutex> guardSaves(savesLock);
    for (const auto& running : saves) {
        if (!running.second->Finished()) return Refuse(response, 409, "another save is running");
    }
    save.heldAtStart = !heldSave.empty() && save.destination.filename().u8string() == heldSave;
    const unsigned id = nextSave++;
    saves[id] = std::make_shared<SaveJob>(std::move(save), [this](const std::filesystem::path& path) { return SavedReel(path); });
    Answer(response, 202, {{"save", id}});
}

std::shared_ptr<SaveJob> StudioServer::Save(const std::string& text) {
    unsigned id = 0;
    if (!Number(text, id)) return nullptr;
    const std::lock_guard<std::mutex> guardSaves(savesLock);
    const auto found = saves.find(id);
    return found != saves.end() ? found->second : nullptr;
}

void StudioServer::SaveEvents(const httplib::Request& request, httplib::Response& response) {
    const std::shared_ptr<SaveJob> job = Save(request.matches[1]);
    if (!job) return Refuse(response, 404, "no such save");
    auto next = std::make_shared<std::size_t>(0);
    response.set_chunked_content_provider("text/event-stream", [job, next](std::size_t, httplib::DataSink& sink) {
        const std::vector<nlohmann::json> events = job->EventsFrom(*next, std::chrono::milliseconds(500));
        bool ended = false;
        std::string text;
        for (const auto& event : events) {
            text += "event: " + event["type"].get<std::string>() + "\ndata: " + event.dump() + "\n\n";
            ended = ended || event["type"] == "end";
        }
        if (text.empty()) text = ": waiting\n\n";
        if (!sink.write(text.data(), text.size())) return false;
        if (ended) sink.done();
        return true;
    });
}

void StudioServer::CancelSave(const httplib::Request& request, httplib::Response& response) {
    const std::shared_ptr<SaveJob> job = Save(request.matches[1]);
    if (!job) return Refuse(response, 404, "no such save");
    const bool running = job->Cancel();
    Answer(response, 202, {{"cancelling", running}});
}

}
}
