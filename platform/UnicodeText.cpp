#include "platform/UnicodeText.h"

#include <type_traits>

namespace clipreel {
namespace platform {

namespace {

constexpr std::uint32_t ReplacementCharacter = 0xFFFD;

bool IsHighSurrogate(std::uint32_t code) { return code >= 0xD800 && code <= 0xDBFF; }
bool IsLowSurrogate(std::uint32_t code) { return code >= 0xDC00 && code <= 0xDFFF; }

// Through the unsigned type of the same width, so that a 16-bit wchar_t is
// not sign-extended.
std::uint32_t CodeUnit(wchar_t c) {
    return static_cast<std::uint32_t>(static_cast<std::make_unsigned<wchar_t>::type>(c));
}

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

}

std::vector<std::uint32_t> DecodeWide(const std::wstring& text, bool& strict) {
    strict = true;
    std::vector<std::uint32_t> codes;
    codes.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        std::uint32_t code = CodeUnit(text[i]);
        if (IsHighSurrogate(code) && i + 1 < text.size() && IsLowSurrogate(CodeUnit(text[i + 1]))) {
            code = 0x10000 + ((code - 0xD800) << 10) + (CodeUnit(text[i + 1]) - 0xDC00);
            ++i;
        } else if (IsHighSurrogate(code) || IsLowSurrogate(code) || code > 0x10FFFF) {
            code = ReplacementCharacter;
            strict = false;
        }
        codes.push_back(code);
    }
    return codes;
}

std::string WideToUtf8(const std::wstring& text) {
    bool strict = true;
    std::string out;
    for (const std::uint32_t code : DecodeWide(text, strict)) AppendUtf8(code, out);
    return out;
}

bool WideToUtf8Strict(const std::wstring& text, std::string& out) {
    bool strict = true;
    const std::vector<std::uint32_t> codes = DecodeWide(text, strict);
    if (!strict) return false;
    std::string converted;
    for (const std::uint32_t code : codes) AppendUtf8(code, converted);
    out.swap(converted);
    return true;
}

std::u16string WideToUtf16(const std::wstring& text) {
    bool strict = true;
    std::u16string out;
    for (const std::uint32_t code : DecodeWide(text, strict)) {
        if (code >= 0x10000) {
            out.push_back(static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(code));
        }
    }
    return out;
}

}
}
