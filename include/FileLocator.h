#ifndef CLIPREEL_FILE_LOCATOR_H
#define CLIPREEL_FILE_LOCATOR_H

#include "ClipreelExport.h"

#include <string>

// A file path, held exactly as given (no normalisation, no existence check).
class CLIPREEL_API FileLocator {
public:
    FileLocator(const wchar_t* path);
    // A path given as UTF-8, as a command line or a web page gives it, on
    // every system. Bytes that are not well-formed UTF-8 (a POSIX name may
    // hold any byte but '/' and NUL) are kept, reversibly, so the locator
    // still names that very file. A null path is the empty path.
    static FileLocator FromUtf8(const char* utf8Path);
    FileLocator(const FileLocator& other);
    FileLocator& operator=(const FileLocator& other);
    ~FileLocator();

    // The zero-terminated path, valid while this object is unchanged.
    operator const wchar_t*() const;

private:
    std::wstring path;
};

#endif
