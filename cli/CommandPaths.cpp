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

bool IsUtf8(const std::string& bytes) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        const unsigned char lead = static_cast<unsigned char>(bytes[i]);
        std::size_t length = 0;
        unsigned char low = 0x80;
        unsigned char high = 0xBF;
        if (lead < 0x80) {
            length = 1;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            if (lead == 0xE0) low = 0xA0;   // no overlong form
            if (lead == 0xED) high = 0x9F;  // no surrogate
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            if (lead == 0xF0) low = 0x90;
            if (lead == 0xF4) high = 0x8F;  // nothing above U+10FFFF
        } else {
            return false;
        }
        if (bytes.size() - i < length) return false;
        for (std::size_t k = 1; k < length; ++k) {
            const unsigned char next = static_cast<unsigned char>(bytes[i + k]);
            if (next < (k == 1 ? low : 0x80) || next > (k == 1 ? high : 0xBF)) return false;
        }
        i += length;
    }
    return true;
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
