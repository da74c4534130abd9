#ifndef CLIPREEL_STUDIO_UNIT_MOVIES_H
#define CLIPREEL_STUDIO_UNIT_MOVIES_H

#include <cstddef>
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
// folder (never into a reel's folder), served from there and removed with
// it at the end. The folder is named after the studio's process, so a
// studio that starts removes the folders of studios that ended without
// cleaning up (killed, or the machine stopped), and never a running one's.
class UnitMovies {
public:
    UnitMovies();
    ~UnitMovies();
    UnitMovies(const UnitMovies&) = delete;
    UnitMovies& operator=(const UnitMovies&) = delete;

    // The file of a movie holding only original unit `unit` of the reel;
    // false with a reason when it cannot be made.
    bool Movie(unsigned reelNumber, const ReelSession& reel, unsigned unit, std::filesystem::path& movie,
               std::string& error);
    // The reel of that number was read anew: its movies are made again.
    void Forget(unsigned reelNumber);

    const std::filesystem::path& Folder() const { return folder; }

    // The start of every player folder's name, before its process number.
    static const char* const FolderPrefix;

private:
    std::filesystem::path folder;
    std::mutex lock;
    std::map<std::pair<unsigned, unsigned>, std::filesystem::path> made;
    std::size_t moviesMade = 0;  // numbers each movie's name, so names stay unique
};

// Removes the player folders in `temporary` whose studio no longer runs.
void RemoveStalePlayerFolders(const std::filesystem::path& temporary);

}
}

#endif
