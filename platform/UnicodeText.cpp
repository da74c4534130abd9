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

namespace {

constexpr std::uint32_t ByteEscapeBase = 0xDC00;

// The length of the well-formed UTF-8 sequence at bytes[i] and its value;
// 0 when the bytes there are not one (overlong, surrogate, above U+10FFFF,
// cut short).
std::size_t Utf8Sequence(const std::string& bytes, std::size_t i, std::uint32_t& code) {
    const auto at = [&bytes](std::size_t k) { return static_cast<unsigned char>(bytes[k]); };
    const unsigned char lead = at(i);
    std::size_t length = 0;
    std::uint32_t minimum = 0;
    if (lead < 0x80) {
        code = lead;
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1Fu;
        minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0Fu;
        minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07u;
        minimum = 0x10000;
    } else {
        return 0;
    }
    if (bytes.size() - i < length) return 0;
    for (std::size_t k = 1; k < length; ++k) {
        const unsigned char next = at(i + k);
        if ((next & 0xC0) != 0x80) return 0;
        code = (code << 6) | (next & 0x3Fu);
    }
    if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
    return length;
}

void AppendWide(std::uint32_t code, std::wstring& out) {
    if (sizeof(wchar_t) == 2 && code >= 0x10000) {
        out.push_back(static_cast<wchar_t>(0xD800 + ((code - 0x10000) >> 10)));
        out.push_back(static_cast<wchar_t>(0xDC00 + ((code - 0x10000) & 0x3FF)));
    } else {
        out.push_back(static_cast<wchar_t>(code));
    }
}

}

std::wstring Utf8PathToWide(const std::string& bytes) {
    std::wstring out;
    out.reserve(bytes.size());
    std::size_t i = 0;
    while (i < bytes.size()) {
        std::uint32_t code = 0;
        const std::size_t length = Utf8Sequence(bytes, i, code);
        if (length == 0) {
            code = ByteEscapeBase + static_cast<unsigned char>(bytes[i]);
            i += 1;
        } else {
            i += length;
        }
        AppendWide(code, out);
    }
    return out;
}

bool EscapedByte(std::uint32_t code, unsigned char& byte) {
    if (code < ByteEscapeBase + 0x80 || code > ByteEscapeBase + 0xFF) return false;
    byte = static_cast<unsigned char>(code - ByteEscapeBase);
    return true;
}

bool WidePathToBytes(const std::wstring& text, std::string& out) {
    std::string converted;
    converted.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        std::uint32_t code = CodeUnit(text[i]);
        unsigned char byte = 0;
        if (IsHighSurrogate(code) && i + 1 < text.size() && IsLowSurrogate(CodeUnit(text[i + 1]))) {
            code = 0x10000 + ((code - 0xD800) << 10) + (CodeUnit(text[i + 1]) - 0xDC00);
            ++i;
        } else if (EscapedByte(code, byte)) {
            converted.push_back(static_cast<char>(byte));
            continue;
        } else if (IsHighSurrogate(code) || IsLowSurrogate(code) || code > 0x10FFFF) {
            return false;
        }
        AppendUtf8(code, converted);
    }
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
