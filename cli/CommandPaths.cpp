#include "cli/CommandPaths.h"

#include <system_error>

namespace clipreel {
namespace cli {

std::filesystem::path ArgumentPath(const std::string& argument) {
    // u8path keeps a POSIX name's bytes as they are and reads Windows
    // arguments, which main converted to UTF-8, as UTF-8.
    return std::filesystem::u8path(argument);
}

namespace {

// The path's native spelling: wide text on Windows, bytes on POSIX.
[[maybe_unused]] FileLocator LocatorFromNative(const wchar_t* path) {
    return FileLocator(path);
}

[[maybe_unused]] FileLocator LocatorFromNative(const char* path) {
    return FileLocator::FromUtf8(path);
}

}

FileLocator LocatorFor(const std::filesystem::path& path) {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    const std::filesystem::path& chosen = error ? path : absolute;
    return LocatorFromNative(chosen.c_str());
}

FileLocator LocatorFor(const std::string& argument) {
    return LocatorFor(ArgumentPath(argument));
}

std::string SystemReason(const std::error_code& error) {
    std::string text = error.message();
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == '.' || text.back() == ' ')) {
        text.pop_back();
    }
    return text;
}

}
}
