#include "FileLocator.h"

#include "platform/UnicodeText.h"

// A null path is kept as the empty path, which names no file: every open or
// lookup of it fails with the usual log line instead of crashing here.
FileLocator::FileLocator(const wchar_t* text) : path(text != nullptr ? text : L"") {}

FileLocator::FileLocator(const FileLocator& other) = default;

FileLocator& FileLocator::operator=(const FileLocator& other) {
    if (this != &other) path = other.path;
    return *this;
}

FileLocator::~FileLocator() = default;

FileLocator::operator const wchar_t*() const {
    return path.c_str();
}

FileLocator FileLocator::FromUtf8(const char* utf8Path) {
    const std::wstring wide = clipreel::platform::Utf8PathToWide(utf8Path != nullptr ? utf8Path : "");
    return FileLocator(wide.c_str());
}
