#ifndef CLIPREEL_FILE_LOCATOR_H
#define CLIPREEL_FILE_LOCATOR_H

#include "ClipreelExport.h"

#include <string>

// A file path, held exactly as given (no normalisation, no existence check).
class CLIPREEL_API FileLocator {
public:
    FileLocator(const wchar_t* path);
    FileLocator(const FileLocator& other);
    FileLocator& operator=(const FileLocator& other);
    ~FileLocator();

    // The zero-terminated path, valid while this object is unchanged.
    operator const wchar_t*() const;

private:
    std::wstring path;
};

#endif
