#include "reference/AliasRecordEx.h"

#include "platform/VolumeInfo.h"
#include "tests/reference/AliasRecordBytes.h"
#include "tests/reference/FakeVolumeServices.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace clipreel {
namespace {

using test::AliasRecordBytes;
using test::FakeVolumeServices;
using test::ParseAliasRecord;
using test::ParsedAliasRecord;

constexpr std::int16_t TagParent = 0;
constexpr std::int16_t TagAbsolutePath = 2;
constexpr std::int16_t TagVolumeIdentity = 11;
constexpr std::int16_t TagPosixPath = 18;
constexpr std::int16_t TagMountPoint = 19;
constexpr std::int16_t TagVolumeName = 15;
constexpr std::int16_t TagFileName = 14;
constexpr std::size_t VolumeNameOffset = 10;
constexpr std::size_t FileNameOffset = 50;

// The flattened bytes, or an empty vector when the record gives none.
std::vector<std::uint8_t> Flatten(const CAliasRecord& record) {
    std::uint32_t length = 12345;
    void* data = record.GetRecordData(length);
    if (data == nullptr) {
        EXPECT_EQ(length, 0u);
        return {};
    }
    std::unique_ptr<void, decltype(&std::free)> owned(data, &std::free);
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    return std::vector<std::uint8_t>(bytes, bytes + length);
}

std::string Bytes(std::initializer_list<std::uint8_t> bytes) { return std::string(bytes.begin(), bytes.end()); }

class AliasRecordWindowsPathTest : public ::testing::Test {
protected:
    void SetUp() override {
        services.volumes[L"C:\\"] = {L"CARD", 0x1234ABCDu};
        services.volumes[L"D:\\"] = {L"", 0x0BADF00Du};
    }

    std::vector<std::uint8_t> Build(const std::wstring& path) {
        CAliasRecordEx record(path.c_str(), services, AliasPathStyle::Windows);
        return Flatten(record);
    }

    FakeVolumeServices services;
};

TEST_F(AliasRecordWindowsPathTest, FileInTheRootOfALabelledVolume) {
    const std::vector<std::uint8_t> expected =
        AliasRecordBytes(236, "CARD", "x.mov")
            .Tag(TagParent, "C")
            .Tag(TagAbsolutePath, "CARD:x.mov")
            .Tag(TagVolumeIdentity, Bytes({0x12, 0x34, 0xAB, 0xCD, 'c', 0}))
            .Tag(TagPosixPath, std::string("/x.mov\0", 7))
            .Tag(TagMountPoint, std::string("/CARD\0", 6))
            .Utf16Tag(TagVolumeName, u"CARD")
            .Utf16Tag(TagFileName, u"x.mov")
            .End()
            .bytes();

    EXPECT_EQ(Build(L"C:\\x.mov"), expected);
    EXPECT_EQ(services.volumeQueries, std::vector<std::wstring>{L"C:\\"});
}

TEST_F(AliasRecordWindowsPathTest, FileTwoDirectoriesDownOnAVolumeWithoutLabel) {
    const std::vector<std::uint8_t> expected =
        AliasRecordBytes(252, "NONAME", "clip.mov")
            .Tag(TagParent, "b")
            .Tag(TagAbsolutePath, "NONAME:a:b:clip.mov")
            .Tag(TagVolumeIdentity, Bytes({0x0B, 0xAD, 0xF0, 0x0D, 'd', 0}))
            .Tag(TagPosixPath, std::string("/a/b/clip.mov\0", 14))
            .Tag(TagMountPoint, std::string("/D:\0", 4))
            .Utf16Tag(TagVolumeName, u"D:")
            .Utf16Tag(TagFileName, u"clip.mov")
            .End()
            .bytes();

    EXPECT_EQ(Build(L"D:\\a\\b\\clip.mov"), expected);
}

// The same file however the path spells its drive and separators: the
// mount point always names the drive in upper case, the volume identity
// in lower case.
TEST_F(AliasRecordWindowsPathTest, DriveLetterCaseAndSeparatorsDoNotChangeTheRecord) {
    const std::vector<std::uint8_t> reference = Build(L"D:\\a\\b\\clip.mov");
    ASSERT_FALSE(reference.empty());
    for (const wchar_t* spelling : {L"d:\\a\\b\\clip.mov", L"D:/a/b/clip.mov", L"d:\\a\\\\b\\clip.mov"}) {
        SCOPED_TRACE(std::string(spelling, spelling + std::wcslen(spelling)));
        EXPECT_EQ(Build(spelling), reference);
    }
}

// Tagged records of odd length carry a zero pad byte that the record size
// counts; the size of each record below is spelled out from its fields.
TEST_F(AliasRecordWindowsPathTest, OddLengthTagsArePaddedAndCounted) {
    struct Case {
        const wchar_t* path;
        std::uint16_t size;      // the record size the framing must show
        std::size_t absolutePathLength;
        std::size_t posixPathLength;
    };
    const Case cases[] = {
        {L"C:\\x.mov", 236, 10, 7},    // tag 2 even, tag 18 odd
        {L"C:\\xy.mov", 240, 11, 8},   // tag 2 odd, tag 18 even
        {L"C:\\xyz.mov", 244, 12, 9},  // tag 2 even, tag 18 odd
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.path, c.path + std::wcslen(c.path)));
        const std::vector<std::uint8_t> bytes = Build(c.path);
        ASSERT_EQ(bytes.size(), c.size);
        const ParsedAliasRecord parsed = ParseAliasRecord(bytes);
        EXPECT_EQ(parsed.error, "");
        EXPECT_EQ(parsed.TagData(TagAbsolutePath).size(), c.absolutePathLength);
        EXPECT_EQ(parsed.TagData(TagPosixPath).size(), c.posixPathLength);
    }
}

// Names outside the code page: the base record and the ANSI tags take the
// file system's short names, the UTF-8 and UTF-16 tags keep the long ones.
TEST_F(AliasRecordWindowsPathTest, NamesOutsideTheCodePageUseShortNames) {
    services.volumes[L"E:\\"] = {L"Ferien", 0x01020304u};
    services.shortNames[L"E:\\Gr\u00FC\u00DFe\\K\u00FCste\u2192Nord"] = L"KSTENO~1";
    services.shortNames[L"E:\\Gr\u00FC\u00DFe\\K\u00FCste\u2192Nord\\M\u00F6we\u2192Flug.mov"] = L"MWEFLU~1.MOV";

    const ParsedAliasRecord parsed = ParseAliasRecord(Build(L"E:\\Gr\u00FC\u00DFe\\K\u00FCste\u2192Nord\\M\u00F6we\u2192Flug.mov"));

    ASSERT_EQ(parsed.error, "");
    EXPECT_EQ(parsed.BaseString(VolumeNameOffset), "Ferien");
    EXPECT_EQ(parsed.BaseString(FileNameOffset), "MWEFLU~1.MOV");
    EXPECT_EQ(parsed.TagData(TagParent), "KSTENO~1");
    // "Grüße" is within the code page: one byte per character.
    EXPECT_EQ(parsed.TagData(TagAbsolutePath), "Ferien:Gr\xFC\xDF" "e:KSTENO~1:MWEFLU~1.MOV");
    EXPECT_EQ(parsed.TagData(TagPosixPath), std::string("/Gr\xC3\xBC\xC3\x9F" "e/K\xC3\xBCste\xE2\x86\x92Nord/"
                                                        "M\xC3\xB6we\xE2\x86\x92" "Flug.mov") +
                                                std::string(1, '\0'));
    EXPECT_EQ(parsed.TagData(TagFileName), Bytes({0, 13}) + test::Utf16BE(u"M\u00F6we\u2192Flug.mov"));
    EXPECT_EQ(parsed.TagData(TagMountPoint), std::string("/Ferien\0", 8));
    EXPECT_EQ(parsed.TagData(TagVolumeName), Bytes({0, 6}) + test::Utf16BE(u"Ferien"));
}

// A file name longer than the base record's 63 bytes takes its short name
// there; the tags that hold 255 bytes keep the long name.
TEST_F(AliasRecordWindowsPathTest, FileNameTooLongForTheBaseRecordUsesItsShortName) {
    const std::wstring longName = std::wstring(60, L'n') + L".mov";  // 64 characters
    services.shortNames[L"C:\\clips\\" + longName] = L"NNNNNN~1.MOV";

    const ParsedAliasRecord parsed = ParseAliasRecord(Build(L"C:\\clips\\" + longName));

    ASSERT_EQ(parsed.error, "");
    EXPECT_EQ(parsed.BaseString(FileNameOffset), "NNNNNN~1.MOV");
    EXPECT_EQ(parsed.TagData(TagAbsolutePath), "CARD:clips:" + std::string(60, 'n') + ".mov");
}

// The volume label: whole in the absolute path, cut to 27 bytes in the
// base record.
TEST_F(AliasRecordWindowsPathTest, LongLabelIsCutInTheBaseRecordOnly) {
    services.volumes[L"F:\\"] = {L"ABCDEFGHIJKLMNOPQRSTUVWXYZ012345", 7u};

    const ParsedAliasRecord parsed = ParseAliasRecord(Build(L"F:\\x.mov"));

    ASSERT_EQ(parsed.error, "");
    EXPECT_EQ(parsed.BaseString(VolumeNameOffset), "ABCDEFGHIJKLMNOPQRSTUVWXYZ0");
    EXPECT_EQ(parsed.TagData(TagAbsolutePath), "ABCDEFGHIJKLMNOPQRSTUVWXYZ012345:x.mov");
    EXPECT_EQ(parsed.TagData(TagMountPoint), std::string("/ABCDEFGHIJKLMNOPQRSTUVWXYZ012345\0", 34));
}

// Paths no record can be built for: the object holds no base record and
// flattening gives nothing.
TEST_F(AliasRecordWindowsPathTest, PathsWithoutARecord) {
    services.volumes[L"F:\\"] = {L"ABCDEFGHIJKLMNOPQRSTUVWXYZ012345", 7u};
    const std::wstring fourDirectories =
        L"\\" + std::wstring(60, L'a') + L"\\" + std::wstring(60, L'b') + L"\\" + std::wstring(60, L'c') + L"\\" +
        std::wstring(60, L'd') + L"\\x.mov";  // 250 characters
    struct Case {
        const char* why;
        std::wstring path;
    };
    const Case cases[] = {
        {"the drive does not exist", L"Q:\\x.mov"},
        {"relative path", L"x.mov"},
        {"relative to the drive's current directory", L"C:x.mov"},
        {"names a directory", L"C:\\clips\\"},
        {"empty path", L""},
        {"name outside the code page without a short name", L"C:\\\u65E5\u672C.mov"},
        {"directory outside the code page without a short name", L"C:\\\u65E5\u672C\\x.mov"},
        {"absolute path over 255 bytes with the volume's label", L"F:" + fourDirectories},
        {"path longer than 259 characters", L"C:\\" + std::wstring(253, L'a') + L".mov"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        CAliasRecordEx record(c.path.c_str(), services, AliasPathStyle::Windows);
        EXPECT_FALSE(record.HasBaseRecord());
        EXPECT_EQ(Flatten(record), std::vector<std::uint8_t>{});
    }
    CAliasRecordEx noPath(nullptr, services, AliasPathStyle::Windows);
    EXPECT_FALSE(noPath.HasBaseRecord());
    // The same long path fits on a volume with a short label: the limit is
    // on the absolute path's text, not on the path.
    const ParsedAliasRecord parsed = ParseAliasRecord(Build(L"C:" + fourDirectories));
    ASSERT_EQ(parsed.error, "");
    EXPECT_EQ(parsed.TagData(TagAbsolutePath).size(), 254u);
}

// A path without a drive letter (a UNC path or one rooted on the current
// drive) has no volume to query: "*" stands for the volume.
TEST_F(AliasRecordWindowsPathTest, PathWithoutDriveLetterNamesNoVolume) {
    const ParsedAliasRecord parsed = ParseAliasRecord(Build(L"\\\\server\\share\\clip.mov"));

    ASSERT_EQ(parsed.error, "");
    EXPECT_TRUE(services.volumeQueries.empty());
    EXPECT_EQ(parsed.BaseString(VolumeNameOffset), "*");
    EXPECT_EQ(parsed.TagData(TagParent), "share");
    EXPECT_EQ(parsed.TagData(TagAbsolutePath), "*:server:share:clip.mov");
    EXPECT_EQ(parsed.TagData(TagVolumeIdentity), std::string(6, '\0'));
    EXPECT_EQ(parsed.TagData(TagPosixPath), std::string("/server/share/clip.mov\0", 23));
    EXPECT_EQ(parsed.TagData(TagMountPoint), std::string("/\0", 2));
    EXPECT_FALSE(parsed.HasTag(TagVolumeName));
}

// POSIX paths: no drive, so the volume parts are "*" and "/"; the ANSI text
// is the system's narrow encoding.
TEST(AliasRecordPosixPathTest, AbsolutePath) {
    const std::vector<std::uint8_t> expected = AliasRecordBytes(228, "*", "x.mov")
                                                   .Tag(TagParent, "u")
                                                   .Tag(TagAbsolutePath, "*:home:u:x.mov")
                                                   .Tag(TagVolumeIdentity, std::string(6, '\0'))
                                                   .Tag(TagPosixPath, std::string("/home/u/x.mov\0", 14))
                                                   .Tag(TagMountPoint, std::string("/\0", 2))
                                                   .Utf16Tag(TagFileName, u"x.mov")
                                                   .End()
                                                   .bytes();

    CAliasRecordEx record(L"/home/u/x.mov", platform::SystemVolumeServices(), AliasPathStyle::Posix);

    EXPECT_EQ(Flatten(record), expected);
}

// A ':' is a character of a POSIX name but the folder separator of the
// record's colon-separated paths: there it is written '/', as the Mac
// convention does; the POSIX path keeps it.
TEST(AliasRecordPosixPathTest, AColonInANameIsWrittenAsASlash) {
    CAliasRecordEx record(L"/home/take:1/a:b.mov", platform::SystemVolumeServices(), AliasPathStyle::Posix);

    const ParsedAliasRecord parsed = ParseAliasRecord(Flatten(record));
    ASSERT_EQ(parsed.error, "");
    EXPECT_EQ(parsed.BaseString(FileNameOffset), "a/b.mov");
    EXPECT_EQ(parsed.TagData(TagParent), "take/1");
    EXPECT_EQ(parsed.TagData(TagAbsolutePath), "*:home:take/1:a/b.mov");
    EXPECT_EQ(parsed.TagData(TagPosixPath), std::string("/home/take:1/a:b.mov\0", 21));
}

// No short names on a POSIX system: a name too long for its field is cut
// there at a character boundary, and the UTF tags keep it whole.
TEST(AliasRecordPosixPathTest, LongNamesAreCutAtCharacterBoundaries) {
    FakeVolumeServices services;
    // 40 × 'é' (one byte each in the double's code page) + 30 × 'x'.
    const std::wstring name = std::wstring(40, L'\u00E9') + std::wstring(30, L'x');
    CAliasRecordEx record((L"/clips/" + name).c_str(), services, AliasPathStyle::Posix);

    const ParsedAliasRecord parsed = ParseAliasRecord(Flatten(record));

    ASSERT_EQ(parsed.error, "");
    EXPECT_EQ(parsed.BaseString(FileNameOffset), std::string(40, '\xE9') + std::string(23, 'x'));
    EXPECT_EQ(parsed.TagData(TagAbsolutePath), "*:clips:" + std::string(40, '\xE9') + std::string(30, 'x'));
    EXPECT_TRUE(services.shortNameQueries.empty());
    EXPECT_EQ(parsed.TagData(TagFileName).size(), 2u + 2u * 70u);
}

TEST(AliasRecordPosixPathTest, MultiByteNameIsNotCutInsideACharacter) {
    if (test::RunningOnWindows()) GTEST_SKIP() << "the narrow encoding is UTF-8 on POSIX systems only";
    // 'é' is two bytes in UTF-8: 40 of them are 80 bytes, and 63 bytes would
    // end inside the 32nd.
    const std::wstring name = std::wstring(40, L'\u00E9');
    CAliasRecordEx record((L"/" + name).c_str(), platform::SystemVolumeServices(), AliasPathStyle::Posix);
    const ParsedAliasRecord parsed = ParseAliasRecord(Flatten(record));
    ASSERT_EQ(parsed.error, "");
    std::string expected;
    for (int i = 0; i < 31; ++i) expected += "\xC3\xA9";
    EXPECT_EQ(parsed.BaseString(FileNameOffset), expected);
}

TEST(AliasRecordPosixPathTest, ParentDirectoryNameOfEachDepth) {
    struct Case {
        const wchar_t* path;
        const char* parent;
        const char* absolutePath;
    };
    const Case cases[] = {
        {L"/x.mov", "/", "*:x.mov"},
        {L"/a/x.mov", "a", "*:a:x.mov"},
        {L"//a//b///x.mov", "b", "*:a:b:x.mov"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.path, c.path + std::wcslen(c.path)));
        CAliasRecordEx record(c.path, platform::SystemVolumeServices(), AliasPathStyle::Posix);
        const ParsedAliasRecord parsed = ParseAliasRecord(Flatten(record));
        ASSERT_EQ(parsed.error, "");
        EXPECT_EQ(parsed.TagData(TagParent), c.parent);
        EXPECT_EQ(parsed.TagData(TagAbsolutePath), c.absolutePath);
    }
}

TEST(AliasRecordPosixPathTest, PathsWithoutARecord) {
    // 255 characters: the absolute path, "*" and the names after ':', is 256 bytes.
    const std::wstring tooLong = L"/" + std::wstring(126, L'd') + L"/" + std::wstring(127, L'e');
    const std::wstring cases[] = {
        L"x.mov",
        L"clips/x.mov",
        L"/clips/",
        L"C:\\x.mov",
        tooLong,
    };
    for (const std::wstring& path : cases) {
        SCOPED_TRACE(std::string(path.begin(), path.end()));
        CAliasRecordEx record(path.c_str(), platform::SystemVolumeServices(), AliasPathStyle::Posix);
        EXPECT_FALSE(record.HasBaseRecord());
        EXPECT_EQ(Flatten(record), std::vector<std::uint8_t>{});
    }
    // One character less fits: 255 bytes.
    const std::wstring fitting = tooLong.substr(0, 1) + tooLong.substr(2);
    CAliasRecordEx fits(fitting.c_str(), platform::SystemVolumeServices(), AliasPathStyle::Posix);
    const ParsedAliasRecord parsed = ParseAliasRecord(Flatten(fits));
    ASSERT_EQ(parsed.error, "");
    EXPECT_EQ(parsed.TagData(TagAbsolutePath).size(), 255u);
}

// The record of a real file through the system's own services and path
// spelling.
TEST(AliasRecordSystemTest, RecordOfATemporaryFile) {
    test::TempDir dir;
    test::WriteFileBytes(dir.File("clip.mov"), {1, 2, 3});
    const std::wstring path = dir.WideFile("clip.mov");

    CAliasRecordEx record(path.c_str());
    const ParsedAliasRecord parsed = ParseAliasRecord(Flatten(record));

    ASSERT_EQ(parsed.error, "");
    EXPECT_EQ(parsed.BaseString(FileNameOffset), "clip.mov");
    EXPECT_EQ(parsed.TagData(TagFileName), Bytes({0, 8}) + test::Utf16BE(u"clip.mov"));
    // The path from the volume root: the path without its drive, with '/'.
    std::wstring fromRoot = path;
    if (test::RunningOnWindows()) {
        ASSERT_GE(fromRoot.size(), 3u);
        ASSERT_EQ(fromRoot[1], L':');
        fromRoot.erase(0, 2);
        for (wchar_t& c : fromRoot)
            if (c == L'\\') c = L'/';
    }
    std::string expectedPosixPath(fromRoot.begin(), fromRoot.end());  // the temporary folder is ASCII
    expectedPosixPath.push_back('\0');
    EXPECT_EQ(parsed.TagData(TagPosixPath), expectedPosixPath);
    const std::string identity = parsed.TagData(TagVolumeIdentity);
    ASSERT_EQ(identity.size(), 6u);
    if (test::RunningOnWindows()) {
        const char drive = static_cast<char>(path[0] | 0x20);
        EXPECT_EQ(identity[4], drive);
        EXPECT_EQ(parsed.TagData(TagMountPoint).substr(0, 1), "/");
    } else {
        EXPECT_EQ(identity, std::string(6, '\0'));
        EXPECT_EQ(parsed.BaseString(VolumeNameOffset), "*");
        EXPECT_EQ(parsed.TagData(TagMountPoint), std::string("/\0", 2));
    }
}

// Under Windows a name the ANSI code page cannot spell is recorded by the
// short 8.3 name the file system reports; the UTF-16 tag keeps the long one.
TEST(AliasRecordSystemTest, NameOutsideTheCodePageTakesTheFileSystemsShortName) {
    if (!test::RunningOnWindows()) GTEST_SKIP() << "short names exist on Windows only";
    const std::wstring name = L"\u65E5\u672C\u8A9E\u306E\u52D5\u753B.mov";
    std::string ansi;
    if (platform::SystemVolumeServices().ToAnsi(name, ansi) == platform::AnsiConversion::Clean)
        GTEST_SKIP() << "the system's ANSI code page spells the name";
    test::TempDir dir;
    const std::filesystem::path file = dir.path() / std::filesystem::path(name);
    test::WriteFileBytes(file, {1, 2, 3});
    std::wstring shortName;
    ASSERT_TRUE(platform::SystemVolumeServices().QueryShortName(file.wstring(), shortName));

    CAliasRecordEx record(file.wstring().c_str());
    const ParsedAliasRecord parsed = ParseAliasRecord(Flatten(record));

    ASSERT_EQ(parsed.error, "");
    const std::string recorded = parsed.BaseString(FileNameOffset);
    EXPECT_EQ(std::wstring(recorded.begin(), recorded.end()), shortName);
    EXPECT_NE(recorded.find('~'), std::string::npos);
    EXPECT_EQ(parsed.TagData(TagFileName), Bytes({0, 10}) + test::Utf16BE(u"\u65E5\u672C\u8A9E\u306E\u52D5\u753B.mov"));
}

}
}
