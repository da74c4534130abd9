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

}
}

#endif
