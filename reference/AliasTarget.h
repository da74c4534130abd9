#ifndef CLIPREEL_REFERENCE_ALIAS_TARGET_H
#define CLIPREEL_REFERENCE_ALIAS_TARGET_H

#include <string>
#include <vector>

namespace clipreel {

// How a path is spelled: with an optional drive letter and backslashes
// (forward slashes are taken as backslashes), or as a POSIX path from "/".
enum class AliasPathStyle { Windows, Posix };

// The spelling of the system the library runs on.
AliasPathStyle NativeAliasPathStyle();

// One level of the path of an alias target: the file itself or one of the
// directories it lies in.
struct AliasPathLevel {
    std::wstring path;  // the whole path up to and including this level
    std::wstring name;  // this level's name (a file's with its extension)
};

// An absolute file path taken apart for an alias record.
struct AliasTarget {
    bool hasDrive = false;
    wchar_t driveLetter = 0;    // as spelled in the path
    wchar_t firstCharacter = 0; // the path's first character
    // The file first, then each directory above it up to the one just
    // below the root; the root itself is not a level.
    std::vector<AliasPathLevel> levels;

    const std::wstring& LeafName() const { return levels.front().name; }
};

// Takes an absolute path apart. False for a relative path, or one that
// names a directory (it ends with a separator) or nothing.
bool SplitAliasPath(const std::wstring& path, AliasPathStyle style, AliasTarget& target);

}

#endif
