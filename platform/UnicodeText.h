#ifndef CLIPREEL_PLATFORM_UNICODE_TEXT_H
#define CLIPREEL_PLATFORM_UNICODE_TEXT_H

#include <cstdint>
#include <string>
#include <vector>

namespace clipreel {
namespace platform {

// Unicode conversions of wide text that give the same bytes whatever the
// width of wchar_t: UTF-16 (Windows, surrogate pairs joined) or UTF-32.

// The scalar values of the text. A lone surrogate or a value above U+10FFFF
// becomes U+FFFD and clears strict.
std::vector<std::uint32_t> DecodeWide(const std::wstring& text, bool& strict);

// UTF-8, with U+FFFD in place of what is no scalar value.
std::string WideToUtf8(const std::wstring& text);
// UTF-8, false (out unchanged) when the text holds what is no scalar value.
bool WideToUtf8Strict(const std::wstring& text, std::string& out);
// UTF-16 code units, with U+FFFD in place of what is no scalar value.
std::u16string WideToUtf16(const std::wstring& text);

// A path's bytes, read as UTF-8, as wide text (UTF-16 or UTF-32 by the width
// of wchar_t). A byte that does not belong to a well-formed UTF-8 sequence
// (a name a POSIX system allows but no text spells) becomes the lone
// surrogate U+DC00 + byte (U+DC80 to U+DCFF), which no valid UTF-8 can
// produce, so EscapedByte() gives the byte back and the same file is named.
std::wstring Utf8PathToWide(const std::string& bytes);
// The byte a lone surrogate from Utf8PathToWide stands for; false for any
// other code.
bool EscapedByte(std::uint32_t code, unsigned char& byte);
// The inverse of Utf8PathToWide: UTF-8 with each escaped byte given back.
// False (out unchanged) when the text holds any other value that is no
// scalar value.
bool WidePathToBytes(const std::wstring& text, std::string& out);

}
}

#endif
