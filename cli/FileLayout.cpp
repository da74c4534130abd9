#include "cli/FileLayout.h"

#include "cli/CountText.h"

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <system_error>
#include <vector>

namespace clipreel {
namespace cli {

namespace {

constexpr std::uint64_t MaximumMovieAtom = 64ull << 20;

std::uint32_t Big32(const unsigned char* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

std::uint64_t Big64(const unsigned char* p) {
    return (std::uint64_t{Big32(p)} << 32) | Big32(p + 4);
}

// The atoms a QuickTime file may begin with; noise that happens to look
// like an atom header is none of them.
bool KnownFirstType(const unsigned char* type) {
    static const char* const Known[] = {"ftyp", "moov", "mdat", "free", "skip", "wide", "pnot", "uuid", "junk"};
    for (const char* known : Known) {
        if (std::equal(known, known + 4, type)) return true;
    }
    return false;
}

bool PlausibleType(const unsigned char* type) {
    for (int i = 0; i < 4; ++i) {
        if (type[i] < 0x20 || type[i] > 0x7E) return false;
    }
    return true;
}

// One atom inside a buffer: its type and its content's bounds.
struct Child {
    std::string type;
    std::size_t content = 0;
    std::size_t end = 0;
};

// The children of bytes[begin, end), in order; stops at the first header
// that does not fit.
std::vector<Child> Children(const std::vector<unsigned char>& bytes, std::size_t begin, std::size_t end) {
    std::vector<Child> children;
    std::size_t position = begin;
    while (end - position >= 8) {
        std::uint64_t size = Big32(&bytes[position]);
        std::size_t header = 8;
        if (size == 1) {
            if (end - position < 16) break;
            size = Big64(&bytes[position + 8]);
            header = 16;
        } else if (size == 0) {
            size = end - position;
        }
        if (size < header || size > end - position) break;
        Child child;
        child.type.assign(reinterpret_cast<const char*>(&bytes[position + 4]), 4);
        child.content = position + header;
        child.end = position + static_cast<std::size_t>(size);
        children.push_back(child);
        position = child.end;
    }
    return children;
}

const Child* Find(const std::vector<Child>& children, const char* type) {
    for (const Child& child : children) {
        if (child.type == type) return &child;
    }
    return nullptr;
}

// The child it finds lives in the list: never search a temporary one.
const Child* Find(std::vector<Child>&& children, const char* type) = delete;

// The first 'vide' track's first sample description: its tag and frame size.
void ReadVideoDescription(const std::vector<unsigned char>& movie, FileLayout& layout) {
    for (const Child& track : Children(movie, 0, movie.size())) {
        if (track.type != "trak") continue;
        const std::vector<Child> trackChildren = Children(movie, track.content, track.end);
        const Child* media = Find(trackChildren, "mdia");
        if (media == nullptr) continue;
        const std::vector<Child> mediaChildren = Children(movie, media->content, media->end);
        const Child* handler = Find(mediaChildren, "hdlr");
        // version and flags, component type, then the subtype.
        if (handler == nullptr || handler->end - handler->content < 12 ||
            std::string(reinterpret_cast<const char*>(&movie[handler->content + 8]), 4) != "vide") {
            continue;
        }
        const Child* information = Find(mediaChildren, "minf");
        if (information == nullptr) continue;
        const std::vector<Child> informationChildren = Children(movie, information->content, information->end);
        const Child* table = Find(informationChildren, "stbl");
        if (table == nullptr) continue;
        const std::vector<Child> tableChildren = Children(movie, table->content, table->end);
        const Child* descriptions = Find(tableChildren, "stsd");
        // version and flags, entry count, then the first entry: size, format,
        // and the frame size 32 bytes into it.
        if (descriptions == nullptr || descriptions->end - descriptions->content < 8 + 36) return;
        const std::size_t entry = descriptions->content + 8;
        if (PlausibleType(&movie[entry + 4])) {
            layout.codecTag.assign(reinterpret_cast<const char*>(&movie[entry + 4]), 4);
        }
        layout.width = (unsigned{movie[entry + 32]} << 8) | movie[entry + 33];
        layout.height = (unsigned{movie[entry + 34]} << 8) | movie[entry + 35];
        return;
    }
}

}

bool ReadFileLayout(const std::filesystem::path& path, FileLayout& layout, std::string& reason) {
    layout = FileLayout();
    errno = 0;
    std::ifstream in(path, std::ios::binary);
    std::error_code error;
    layout.fileSize = std::filesystem::file_size(path, error);
    if (!in || error) {
        reason = error ? error.message() : std::generic_category().message(errno != 0 ? errno : EACCES);
        return false;
    }
    std::uint64_t position = 0;
    while (layout.fileSize - position >= 8) {
        unsigned char header[16];
        in.seekg(static_cast<std::streamoff>(position));
        if (!in.read(reinterpret_cast<char*>(header), 8)) break;
        std::uint64_t size = Big32(header);
        std::uint64_t headerSize = 8;
        if (size == 1) {
            if (layout.fileSize - position < 16 || !in.read(reinterpret_cast<char*>(header + 8), 8)) break;
            size = Big64(header + 8);
            headerSize = 16;
        } else if (size == 0) {
            size = layout.fileSize - position;
        }
        if (size < headerSize || !PlausibleType(header + 4)) break;
        if (position == 0 && !KnownFirstType(header + 4)) break;
        if (position == 0) layout.atoms = true;
        const std::string type(reinterpret_cast<const char*>(header + 4), 4);
        if (type == "mdat") layout.mediaData = true;
        if (type == "moov") {
            layout.movieAtom = true;
            const std::uint64_t available = std::min(size, layout.fileSize - position) - headerSize;
            if (available <= MaximumMovieAtom) {
                std::vector<unsigned char> movie(static_cast<std::size_t>(available));
                if (in.read(reinterpret_cast<char*>(movie.data()), static_cast<std::streamsize>(movie.size()))) {
                    ReadVideoDescription(movie, layout);
                }
            }
        }
        layout.neededSize = position + size;
        if (size > layout.fileSize - position) return true;  // truncated
        position += size;
    }
    if (!layout.atoms) return true;
    layout.trailingBytes = layout.fileSize - position;
    return true;
}

std::string DescribeUnreadableMovie(const FileLayout& layout, bool movieValid) {
    if (layout.fileSize == 0) return "is empty";
    if (!layout.atoms) return "is not a QuickTime movie (no atom structure)";
    if (layout.Truncated()) {
        return "is truncated: " + std::to_string(layout.fileSize) + " bytes, its atoms need " +
               std::to_string(layout.neededSize);
    }
    const std::string trailing = CountText(layout.trailingBytes, "trailing byte") + " after its last atom";
    if (!layout.movieAtom) return layout.trailingBytes > 0 ? "has no movie atom, and " + trailing : "has no movie atom";
    if (layout.trailingBytes > 0) return "has " + trailing;
    if (IsReferenceMovie(layout, movieValid)) return "is a reference movie (its media lie in another file)";
    return "is not a camera movie";
}

bool IsReferenceMovie(const FileLayout& layout, bool movieValid) {
    return movieValid && layout.movieAtom && !layout.mediaData && !layout.Truncated() && layout.trailingBytes == 0;
}

std::string CodecName(const std::string& codecTag) {
    if (codecTag == "avc1") return "h264";
    if (codecTag == "jpeg") return "mjpeg";
    return codecTag;
}

}
}
