#ifndef CLIPREEL_STUDIO_UNIT_MOVIES_H
#define CLIPREEL_STUDIO_UNIT_MOVIES_H

#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <utility>

namespace clipreel {
namespace studio {

class ReelSession;

// One-unit movies for the page's player, written losslessly through the
// library on first request into a private folder of the system's temporary
// folder (never into a reel's folder), and removed with it at the end.
class UnitMovies {
public:
    UnitMovies();
    ~UnitMovies();
    UnitMovies(const UnitMovies&) = delete;
    UnitMovies& operator=(const UnitMovies&) = delete;

    // The bytes of a movie holding only original unit `unit` of the reel;
    // false with a reason when it cannot be made.
    bool Movie(unsigned reelNumber, const ReelSession& reel, unsigned unit, std::string& bytes, std::string& error);
    // Drops the movies made of a reel whose file a save replaced.
    void Forget(unsigned reelNumber);

private:
    std::filesystem::path folder;
    std::mutex lock;
    std::map<std::pair<unsigned, unsigned>, std::filesystem::path> made;
};

}
}

#endif
