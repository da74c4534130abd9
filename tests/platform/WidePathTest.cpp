// The conversion of wide paths for a POSIX system.
#if !defined(_WIN32)

#include "platform/UnicodeText.h"
#include "platform/posix/WidePath.h"

#include <gtest/gtest.h>

#include <string>

namespace clipreel {
namespace {

TEST(WidePathTest, ConvertsToUtf8) {
    struct Case {
        std::wstring wide;
        std::string utf8;
    };
    const Case cases[] = {
        {L"", ""},
        {L"/tmp/CLIP0001.MOV", "/tmp/CLIP0001.MOV"},
        {std::wstring(1, wchar_t(0x7F)), "\x7F"},
        {std::wstring(1, wchar_t(0x80)), "\xC2\x80"},
        {std::wstring(1, wchar_t(0xE9)), "\xC3\xA9"},
        {std::wstring(1, wchar_t(0x7FF)), "\xDF\xBF"},
        {std::wstring(1, wchar_t(0x800)), "\xE0\xA0\x80"},
        {std::wstring(1, wchar_t(0x20AC)), "\xE2\x82\xAC"},
        {std::wstring(1, wchar_t(0xFFFF)), "\xEF\xBF\xBF"},
        {std::wstring(1, wchar_t(0x10000)), "\xF0\x90\x80\x80"},
        {std::wstring(1, wchar_t(0x1F3A5)), "\xF0\x9F\x8E\xA5"},
        {std::wstring(1, wchar_t(0x10FFFF)), "\xF4\x8F\xBF\xBF"},
        // A UTF-16 pair, as a path taken from a Windows caller may hold.
        {std::wstring{wchar_t(0xD83C), wchar_t(0xDFA5)}, "\xF0\x9F\x8E\xA5"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.utf8);
        std::string out = "previous";
        EXPECT_TRUE(platform::WidePathToUtf8(c.wide.c_str(), out));
        EXPECT_EQ(out, c.utf8);
    }
}

// The escapes of a name that is not UTF-8 give back its bytes, so a path
// taken from a command line names the same file.
TEST(WidePathTest, EscapedBytesComeBack) {
    struct Case {
        std::wstring wide;
        std::string bytes;
    };
    const Case cases[] = {
        {std::wstring{L'r', wchar_t(0xDCE9), L'l'}, "r\xE9l"},
        {std::wstring{wchar_t(0xDC80)}, "\x80"},
        {std::wstring{wchar_t(0xDCFF), wchar_t(0xE9)}, "\xFF\xC3\xA9"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes);
        std::string out;
        EXPECT_TRUE(platform::WidePathToUtf8(c.wide.c_str(), out));
        EXPECT_EQ(out, c.bytes);
    }
    // Every byte string survives the round trip through the wide path.
    for (const std::string& bytes : {std::string("\xC0\xAF/\xED\xA0\x80"), std::string("a\xE2\x98"),
                                    std::string("caf\xC3\xA9 \xF0\x9F\x8E\xA5"), std::string("\xF4\x90\x80\x80")}) {
        std::string out;
        EXPECT_TRUE(platform::WidePathToUtf8(platform::Utf8PathToWide(bytes).c_str(), out));
        EXPECT_EQ(out, bytes);
    }
}

TEST(WidePathTest, RefusesWhatNoUnicodeTextHolds) {
    const std::wstring cases[] = {
        std::wstring{L'a', wchar_t(0xD800)},                 // high surrogate at the end
        std::wstring{wchar_t(0xD800), L'a'},                 // high surrogate before a letter
        std::wstring{wchar_t(0xDC00), wchar_t(0xD800)},      // pair in the wrong order
        std::wstring{wchar_t(0xDFFF)},                       // lone low surrogate
        std::wstring{wchar_t(0xDC7F)},                       // just below the byte escapes
        std::wstring{wchar_t(0xDD00)},                       // just above them
        std::wstring{wchar_t(0x110000)},                     // above U+10FFFF
    };
    for (const std::wstring& wide : cases) {
        SCOPED_TRACE(static_cast<unsigned>(wide[0]));
        std::string out = "previous";
        EXPECT_FALSE(platform::WidePathToUtf8(wide.c_str(), out));
        EXPECT_EQ(out, "previous");
    }
    std::string out = "previous";
    EXPECT_FALSE(platform::WidePathToUtf8(nullptr, out));
    EXPECT_EQ(out, "previous");
}

}
}

#endif
