#ifndef CLIPREEL_CLI_OUTPUT_FILES_H
#define CLIPREEL_CLI_OUTPUT_FILES_H

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace clipreel {
namespace cli {

// The file operations behind SafeOutput, one backend per system. Each
// failure gives the system's own words for its reason ("Permission denied").

using NativeChar = std::filesystem::path::value_type;

// The longest name one folder entry may have, in the units of NativeChar
// (bytes on POSIX, UTF-16 units on Windows).
constexpr std::size_t LongestEntryName = 255;

// The file a save writes before it is put in place: created in the output's
// folder, held open from its creation to its placement, so that what is
// placed is the very file that was written.
//
// Where the system can, it has no name at all until it is placed (Linux's
// O_TMPFILE): a process killed by any signal leaves nothing behind. Elsewhere
// it has a hidden name of this tool's own (".NAME.clipreel-XXXXXXXX.tmp").
// On POSIX systems the first temporary a process makes in a folder removes
// the stale ones there, of processes that ended without cleaning up, never
// one whose writer still lives (a live writer holds a shared lock on the
// folder, the clean-up needs it alone). Windows has no such clean-up yet:
// the library opens the temporary sharing nothing, so no handle held beside
// it can show that its writer lives.
class TemporaryFile {
public:
    struct State;

    // Creates a new temporary beside target (in target's folder); null with
    // the reason when it cannot.
    static std::unique_ptr<TemporaryFile> CreateBeside(const std::filesystem::path& target, std::string& reason);
    ~TemporaryFile();  // closes it; a named one that was not placed is left to the caller
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    // Where a writer opens it: a path that reaches this very file and that
    // no one can point elsewhere while it lives (Linux: /proc/self/fd/N of
    // the open file), or its name where the system has no such path.
    const std::filesystem::path& WritePath() const;
    // Its name in the folder; empty while it has none.
    const std::filesystem::path& Name() const;

    // Writes bytes as its whole content.
    bool WriteAll(const std::vector<std::uint8_t>& bytes, std::string& reason);
    // Up to 8 of its first bytes (fewer in a shorter file).
    std::vector<std::uint8_t> FirstBytes() const;
    // Whether a failed write was stopped by the process's file-size limit
    // (the file has reached it): the system's reason then, else empty.
    std::string SizeLimitReason() const;
    // Flushes its data and size to the disk (fsync; FlushFileBuffers).
    bool Flush(std::string& reason);
    // Gives the file a fresh hidden name in its folder, made from the open
    // file (not from the name it may have had, which someone may have
    // swapped for a link), so that it can replace a file in one step. Where
    // the open file cannot be named, it keeps the name it has.
    bool GiveHiddenName(std::string& reason);
    // Puts it in place under target's name, in its own folder. With replace,
    // an existing target is replaced in one step (GiveHiddenName first);
    // without, an existing target fails the move (exists true) and stays as
    // it is. On Windows the move itself reaches the disk before it returns
    // (MOVEFILE_WRITE_THROUGH).
    bool Place(const std::filesystem::path& target, bool replace, std::string& reason, bool& exists);
    // Flushes the folder after a Place, so that the new name is on the disk
    // too (fsync of the folder; nothing more on Windows).
    bool SyncFolder(std::string& reason);
    // Removes its name if it has one (an unnamed file goes when it is closed).
    void Remove();

private:
    explicit TemporaryFile(std::unique_ptr<State> state);
    std::unique_ptr<State> state;
};

// The hidden name beside target that a temporary takes, tagged; cut to fit
// LongestEntryName. The backends and the clean-up of stale ones agree on it.
std::filesystem::path TemporaryNameBeside(const std::filesystem::path& target, std::uint32_t tag);
// Whether a folder entry's name is one that TemporaryNameBeside makes.
bool IsTemporaryName(const std::filesystem::path& name);

// Writes the bytes as the whole content of an existing file in place (a
// device or a pipe, which no temporary can stand in for).
bool WriteBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes, std::string& reason);

// Whether the file begins as a movie does: an atom of a QuickTime or MP4 file
// ('ftyp', 'moov', 'mdat', 'wide', 'free', 'skip', 'pnot') at its start.
bool BeginsAsMovie(const std::vector<std::uint8_t>& firstBytes);
std::vector<std::uint8_t> FirstBytesOf(const std::filesystem::path& path);

// For tests: every temporary made from now on is a named one, as on a file
// system without unnamed files.
void UseNamedTemporariesOnly(bool namedOnly);

// For a signal or console handler: no allocation, no error report. The moves
// never replace an existing file; LinkFileNow gives an unnamed temporary's
// write path a name.
void RemoveFileNow(const NativeChar* path);
void MoveFileNow(const NativeChar* from, const NativeChar* to);
void LinkFileNow(const NativeChar* writePath, const NativeChar* to);

}
}

#endif
