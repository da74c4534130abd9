#include "reference/AliasTarget.h"

#include <algorithm>

namespace clipreel {

AliasPathStyle NativeAliasPathStyle() {
#if defined(_WIN32)
    return AliasPathStyle::Windows;
#else
    return AliasPathStyle::Posix;
#endif
}

namespace {

bool IsAsciiLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

}

bool SplitAliasPath(const std::wstring& path, AliasPathStyle style, AliasTarget& target) {
    const wchar_t separator = style == AliasPathStyle::Windows ? L'\\' : L'/';
    std::wstring spelled = path;
    std::wstring drive;
    if (style == AliasPathStyle::Windows) {
        std::replace(spelled.begin(), spelled.end(), L'/', L'\\');
        if (spelled.size() >= 2 && spelled[1] == L':' && IsAsciiLetter(spelled[0])) {
            drive = spelled.substr(0, 2);
            spelled.erase(0, 2);
        }
    }
    // Only an absolute path says where the file lies; an alias cannot name
    // a file relative to a working directory it does not record.
    if (spelled.empty() || spelled[0] != separator) return false;

    AliasTarget result;
    result.hasDrive = !drive.empty();
    result.driveLetter = result.hasDrive ? drive[0] : 0;
    result.firstCharacter = path[0];

    // From the file up: each level's name follows the last separator; the
    // parent is what precedes it, without trailing separators. Each round
    // shortens the text, so the walk ends at the root.
    std::wstring current = spelled;
    for (;;) {
        const std::size_t last = current.find_last_of(separator);
        const std::wstring name = current.substr(last + 1);
        if (name.empty()) return false;
        result.levels.push_back(AliasPathLevel{drive + current, name});
        const std::size_t parentEnd = current.find_last_not_of(separator, last);
        if (parentEnd == std::wstring::npos) break;  // the parent is the root
        current.erase(parentEnd + 1);
    }
    target = std::move(result);
    return true;
}

}
