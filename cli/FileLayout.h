#ifndef CLIPREEL_CLI_FILE_LAYOUT_H
#define CLIPREEL_CLI_FILE_LAYOUT_H

#include <cstdint>
#include <filesystem>
#include <string>

namespace clipreel {
namespace cli {

// What a movie file's own atom headers say about it, read without the
// library: enough to tell a damaged file from a file of another kind, and
// the video facts a batch report shows beside the library's.
struct FileLayout {
    std::uint64_t fileSize = 0;
    std::uint64_t neededSize = 0;     // where the last top-level atom says it ends
    std::uint64_t trailingBytes = 0;  // bytes after the last whole atom that form none
    bool atoms = false;               // the file begins with an atom header
    bool movieAtom = false;           // a top-level 'moov'
    bool mediaData = false;           // a top-level 'mdat'
    // The first video track's sample description; empty and zero when none.
    std::string codecTag;
    unsigned width = 0;
    unsigned height = 0;

    bool Truncated() const { return neededSize > fileSize; }
};

// False (with the system's reason) when the file cannot be read.
bool ReadFileLayout(const std::filesystem::path& path, FileLayout& layout, std::string& reason);

// What is wrong with a file the library cannot open as a camera movie, as
// words that follow its name ("is truncated: 1000 bytes, its atoms need
// 1651", "has no movie atom"); movieValid: whether the library read a valid
// movie atom in it.
std::string DescribeUnreadableMovie(const FileLayout& layout, bool movieValid);

// Whether the file is a reference movie: a movie atom and no media of its own.
bool IsReferenceMovie(const FileLayout& layout, bool movieValid);

// The codec's name as ffprobe gives it ("h264" for 'avc1'), else the tag.
std::string CodecName(const std::string& codecTag);

}
}

#endif
