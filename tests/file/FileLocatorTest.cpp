#include "FileLocator.h"

#include "file/FileReader.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

namespace {

std::wstring Text(const FileLocator& locator) {
    return static_cast<const wchar_t*>(locator);
}

// The path is kept exactly as given: no normalisation, no existence check.
TEST(FileLocatorTest, KeepsThePathAsGiven) {
    const wchar_t* paths[] = {
        L"C:\\Movies\\CLIP0001.MOV", L"relative/./../x.mov", L"/tmp//double//slash/", L"",
        L"trailing space ", L"caf\u00e9 \u65e5\u672c.mov",
    };
    for (std::size_t i = 0; i < sizeof paths / sizeof paths[0]; ++i) {
        SCOPED_TRACE(i);
        const wchar_t* path = paths[i];
        const FileLocator locator(path);
        EXPECT_EQ(Text(locator), path);
        EXPECT_NE(static_cast<const wchar_t*>(locator), path) << "the locator keeps its own copy";
    }
}

TEST(FileLocatorTest, CopiesAreIndependent) {
    std::wstring source = L"first.mov";
    FileLocator original(source.c_str());
    source[0] = L'X';
    FileLocator copy(original);
    FileLocator assigned(L"other.mov");
    assigned = original;
    original = FileLocator(L"changed.mov");
    EXPECT_EQ(Text(copy), L"first.mov");
    EXPECT_EQ(Text(assigned), L"first.mov");
    EXPECT_EQ(Text(original), L"changed.mov");
}

TEST(FileLocatorTest, SelfAssignmentKeepsThePath) {
    FileLocator locator(L"self.mov");
    FileLocator& alias = locator;
    locator = alias;
    EXPECT_EQ(Text(locator), L"self.mov");
}

TEST(FileLocatorTest, NullPathIsTheEmptyPath) {
    const FileLocator locator(static_cast<const wchar_t*>(nullptr));
    ASSERT_NE(static_cast<const wchar_t*>(locator), nullptr);
    EXPECT_EQ(Text(locator), L"");
}

// UTF-8 becomes the same text in wide characters; a byte outside any
// well-formed sequence becomes the lone surrogate U+DC00 + byte.
TEST(FileLocatorTest, FromUtf8ReadsUtf8AndEscapesOtherBytes) {
    const auto wide = [](std::initializer_list<unsigned> codes) {
        std::wstring text;
        for (unsigned code : codes) {
            if (sizeof(wchar_t) == 2 && code >= 0x10000) {
                text.push_back(static_cast<wchar_t>(0xD800 + ((code - 0x10000) >> 10)));
                text.push_back(static_cast<wchar_t>(0xDC00 + ((code - 0x10000) & 0x3FF)));
            } else {
                text.push_back(static_cast<wchar_t>(code));
            }
        }
        return text;
    };
    struct Case {
        const char* utf8;
        std::wstring expected;
    };
    const Case cases[] = {
        {"", L""},
        {"/tmp/CLIP0001.MOV", L"/tmp/CLIP0001.MOV"},
        {"Vid\xC3\xA9os/r\xC3\xA9\xC3\xA9l \xE2\x98\x83.mov", wide({'V', 'i', 'd', 0xE9, 'o', 's', '/', 'r', 0xE9, 0xE9,
                                                                  'l', ' ', 0x2603, '.', 'm', 'o', 'v'})},
        {"\xF0\x9F\x8E\xA5", wide({0x1F3A5})},
        {"\xF4\x8F\xBF\xBF", wide({0x10FFFF})},
        // Latin-1 bytes, as an old camera or file system may have written them.
        {"r\xE9\xE9l.mov", wide({'r', 0xDCE9, 0xDCE9, 'l', '.', 'm', 'o', 'v'})},
        {"\x80", wide({0xDC80})},
        {"\xFF", wide({0xDCFF})},
        {"\xC0\xAF", wide({0xDCC0, 0xDCAF})},                   // overlong '/'
        {"\xED\xA0\x80", wide({0xDCED, 0xDCA0, 0xDC80})},       // an encoded surrogate
        {"\xF4\x90\x80\x80", wide({0xDCF4, 0xDC90, 0xDC80, 0xDC80})},  // above U+10FFFF
        {"a\xE2\x98", wide({'a', 0xDCE2, 0xDC98})},             // cut short
        {"\xE2\x98x", wide({0xDCE2, 0xDC98, 'x'})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.utf8);
        EXPECT_EQ(Text(FileLocator::FromUtf8(c.utf8)), c.expected);
    }
    EXPECT_EQ(Text(FileLocator::FromUtf8(nullptr)), L"");
}

// The locator made from a name's bytes opens that very file, whether or not
// the name is UTF-8.
TEST(FileLocatorTest, FromUtf8OpensTheNamedFile) {
    const clipreel::test::TempDir dir;
    const std::string names[] = {"plain.mov", "r\xC3\xA9\xC3\xA9l \xE2\x98\x83.mov",
#if !defined(_WIN32)
                                 "r\xE9\xE9l.mov", "\xFF\xFE.mov",
#endif
    };
    std::uint32_t size = 10;
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        const std::filesystem::path path = dir.path() / std::filesystem::u8path(name);
        std::ofstream(path, std::ios::binary) << std::string(size, 'x');
        clipreel::FileReader reader(FileLocator::FromUtf8(path.u8string().c_str()));
        ASSERT_TRUE(reader.Open());
        EXPECT_EQ(reader.GetFileSize(), size);
        ++size;
    }
}

}
