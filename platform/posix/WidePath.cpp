#include "platform/posix/WidePath.h"

#include <cstdint>
#include <type_traits>

namespace clipreel {
namespace platform {

namespace {

void AppendUtf8(std::uint32_t code, std::string& out) {
    if (code < 0x80) {
        out.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (code >> 6)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (code >> 12)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (code >> 18)));
        out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
}

bool IsHighSurrogate(std::uint32_t code) { return code >= 0xD800 && code <= 0xDBFF; }
bool IsLowSurrogate(std::uint32_t code) { return code >= 0xDC00 && code <= 0xDFFF; }

}

bool WidePathToUtf8(const wchar_t* path, std::string& out) {
    if (path == nullptr) return false;
    std::string converted;
    for (const wchar_t* p = path; *p != L'\0'; ++p) {
        // Through the unsigned type of the same width, so that a 16-bit
        // wchar_t is not sign-extended.
        std::uint32_t code = static_cast<std::uint32_t>(static_cast<std::make_unsigned<wchar_t>::type>(*p));
        if (IsHighSurrogate(code)) {
            const std::uint32_t next =
                static_cast<std::uint32_t>(static_cast<std::make_unsigned<wchar_t>::type>(p[1]));
            if (!IsLowSurrogate(next)) return false;
            code = 0x10000 + ((code - 0xD800) << 10) + (next - 0xDC00);
            ++p;
        } else if (IsLowSurrogate(code) || code > 0x10FFFF) {
            return false;
        }
        AppendUtf8(code, converted);
    }
    out.swap(converted);
    return true;
}

}
}
