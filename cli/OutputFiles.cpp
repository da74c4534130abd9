#include "cli/OutputFiles.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>

namespace clipreel {
namespace cli {

namespace {

constexpr char TemporaryTag[] = ".clipreel-";
constexpr char TemporaryEnd[] = ".tmp";
constexpr std::size_t TagDigits = 8;

// Whether a cut before position would split one character's encoding: a
// UTF-8 continuation byte, or the second half of a UTF-16 surrogate pair.
bool InsideCharacter(const std::filesystem::path::string_type& name, std::size_t position) {
    if (position == 0 || position >= name.size()) return false;
    const auto unit = static_cast<std::uint32_t>(name[position]);
    if (sizeof(NativeChar) == 1) return (unit & 0xC0u) == 0x80u;
    return unit >= 0xDC00u && unit <= 0xDFFFu;
}

std::filesystem::path::string_type Native(const char* text) {
    std::filesystem::path::string_type result;
    for (const char* c = text; *c != '\0'; ++c) result.push_back(static_cast<NativeChar>(*c));
    return result;
}

}

std::filesystem::path TemporaryNameBeside(const std::filesystem::path& target, std::uint32_t tag) {
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, "%s%08x%s", TemporaryTag, static_cast<unsigned>(tag), TemporaryEnd);
    const std::filesystem::path::string_type end = Native(suffix);
    // A name near the system's limit keeps as much of itself as fits: the
    // temporary is told apart by its tag, not by the whole name.
    std::filesystem::path::string_type name = target.filename().native();
    const std::size_t room = LongestEntryName - 1 - end.size();
    if (name.size() > room) {
        std::size_t cut = room;
        while (InsideCharacter(name, cut)) --cut;
        name.resize(cut);
    }
    std::filesystem::path::string_type hidden = Native(".");
    hidden += name;
    hidden += end;
    return target.parent_path() / std::filesystem::path(hidden);
}

bool IsTemporaryName(const std::filesystem::path& name) {
    const std::filesystem::path::string_type text = name.native();
    const std::filesystem::path::string_type tag = Native(TemporaryTag);
    const std::filesystem::path::string_type end = Native(TemporaryEnd);
    const std::size_t tail = tag.size() + TagDigits + end.size();
    if (text.size() <= tail || text[0] != static_cast<NativeChar>('.')) return false;
    const std::size_t start = text.size() - tail;
    if (text.compare(start, tag.size(), tag) != 0) return false;
    if (text.compare(text.size() - end.size(), end.size(), end) != 0) return false;
    for (std::size_t i = start + tag.size(); i < start + tag.size() + TagDigits; ++i) {
        const auto c = static_cast<std::uint32_t>(text[i]);
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    }
    return true;
}

bool BeginsAsMovie(const std::vector<std::uint8_t>& firstBytes) {
    if (firstBytes.size() < 8) return false;
    static const char* const kinds[] = {"ftyp", "moov", "mdat", "wide", "free", "skip", "pnot"};
    for (const char* kind : kinds) {
        if (std::memcmp(firstBytes.data() + 4, kind, 4) == 0) return true;
    }
    return false;
}

std::vector<std::uint8_t> FirstBytesOf(const std::filesystem::path& path) {
    std::vector<std::uint8_t> bytes(8);
    std::ifstream file(path, std::ios::binary);
    file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(file ? bytes.size() : static_cast<std::size_t>(std::max<std::streamsize>(file.gcount(), 0)));
    return bytes;
}

}
}
