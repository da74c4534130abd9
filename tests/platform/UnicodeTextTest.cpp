#include "platform/UnicodeText.h"
#include "platform/VolumeInfo.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace clipreel {
namespace {

struct UnicodeCase {
    const char* name;
    std::wstring text;
    std::string utf8;
    std::u16string utf16;
};

// A lone surrogate half is no character: it becomes U+FFFD.
const UnicodeCase UnicodeCases[] = {
    {"ascii", L"clip.mov", "clip.mov", u"clip.mov"},
    {"two-byte", L"\u00E9", "\xC3\xA9", u"\u00E9"},
    {"three-byte", L"\u2192", "\xE2\x86\x92", u"\u2192"},
    {"outside the basic plane", L"\U0001F600", "\xF0\x9F\x98\x80", u"\U0001F600"},
    {"lone high surrogate", std::wstring(1, static_cast<wchar_t>(0xD800)) + L"a", "\xEF\xBF\xBD" "a", u"\uFFFDa"},
    {"lone low surrogate", std::wstring(1, static_cast<wchar_t>(0xDC00)), "\xEF\xBF\xBD", u"\uFFFD"},
};

TEST(UnicodeTextTest, ConversionsOfEachKindOfCharacter) {
    for (const UnicodeCase& c : UnicodeCases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(platform::WideToUtf8(c.text), c.utf8);
        EXPECT_EQ(platform::WideToUtf16(c.text), c.utf16);
        std::string strict = "unchanged";
        const bool isText = c.utf16.find(u'\uFFFD') == std::u16string::npos;
        EXPECT_EQ(platform::WideToUtf8Strict(c.text, strict), isText);
        EXPECT_EQ(strict, isText ? c.utf8 : "unchanged");
    }
}

// On POSIX systems the ANSI text is UTF-8: every character converts, only
// what is no character needs a default.
TEST(PosixVolumeServicesTest, AnsiIsUtf8AndNoVolumeOrShortNameIsKnown) {
    if (test::RunningOnWindows()) GTEST_SKIP() << "POSIX backend only";
    platform::VolumeServices& services = platform::SystemVolumeServices();
    std::string out;
    EXPECT_EQ(services.ToAnsi(L"M\u00F6we\u2192", out), platform::AnsiConversion::Clean);
    EXPECT_EQ(out, "M\xC3\xB6we\xE2\x86\x92");
    EXPECT_EQ(services.ToAnsi(std::wstring(1, static_cast<wchar_t>(0xDC00)), out),
              platform::AnsiConversion::DefaultCharacters);
    std::wstring label = L"unchanged";
    std::uint32_t serial = 99;
    EXPECT_FALSE(services.QueryVolume(L"C:\\", label, serial));
    std::wstring shortName = L"unchanged";
    EXPECT_FALSE(services.QueryShortName(L"/tmp", shortName));
}

// The Windows services under the system: the volume of the temporary
// folder's drive answers and an
// ASCII name converts cleanly.
TEST(Win32VolumeServicesTest, VolumeOfTheTemporaryFolderAnswers) {
    if (!test::RunningOnWindows()) GTEST_SKIP() << "Windows backend only";
    platform::VolumeServices& services = platform::SystemVolumeServices();
    test::TempDir dir;
    const std::wstring path = dir.path().wstring();
    std::wstring label;
    std::uint32_t serial = 0;
    EXPECT_TRUE(services.QueryVolume(path.substr(0, 2) + L"\\", label, serial));
    std::string out;
    EXPECT_EQ(services.ToAnsi(L"clip.mov", out), platform::AnsiConversion::Clean);
    EXPECT_EQ(out, "clip.mov");
}

}
}
