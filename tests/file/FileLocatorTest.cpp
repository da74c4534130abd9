#include "FileLocator.h"

#include <gtest/gtest.h>

#include <string>

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

}
