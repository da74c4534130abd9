#include "reference/AliasRecordEx.h"

#include "bytes/ByteBuffer.h"
#include "platform/UnicodeText.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace clipreel {

namespace {

using platform::AnsiConversion;
using platform::VolumeServices;

constexpr std::uint16_t AliasVersion = 2;
constexpr std::uint16_t UnknownVolumeType = 0xFFFF;
constexpr std::uint16_t UnknownLevels = 0xFFFF;
constexpr std::size_t VolumeNameBytes = 27;
constexpr std::size_t FileNameBytes = 63;
constexpr std::size_t DirectoryNameBytes = 255;
constexpr std::size_t AbsolutePathBytes = 255;
constexpr std::size_t MaxLabelLength = 260;
constexpr std::size_t MaxPosixTextLength = 259;

wchar_t AsciiUpper(wchar_t c) { return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c; }
wchar_t AsciiLower(wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c; }

bool IsHighSurrogate(wchar_t c) {
    const unsigned long code = static_cast<unsigned long>(c);
    return code >= 0xD800 && code <= 0xDBFF;
}

// The ANSI text of the longest start of text that fits limit bytes, never
// cutting a character in two (nor a surrogate pair). Default characters are
// accepted; false only when nothing converts.
bool AnsiPrefix(VolumeServices& services, const std::wstring& text, std::size_t limit, std::string& out) {
    std::string converted;
    if (services.ToAnsi(text, converted) == AnsiConversion::Failed) return false;
    std::size_t length = text.size();
    while (converted.size() > limit && length > 0) {
        --length;
        if (length > 0 && IsHighSurrogate(text[length - 1])) --length;
        if (length == 0) {
            converted.clear();
            break;
        }
        if (services.ToAnsi(text.substr(0, length), converted) == AnsiConversion::Failed) return false;
    }
    out.swap(converted);
    return true;
}

// A level's name in ANSI within limit bytes. A name that needs default
// characters or is too long gives way to its short 8.3 name on Windows; a
// POSIX file system keeps no short names, so a long name is cut there
// instead, and a name that does not convert ends the build.
// A name as the colon-separated paths of the record spell it: a ':' inside a
// POSIX name is written '/', so that it is not read as a folder separator.
std::wstring RecordName(const std::wstring& name, AliasPathStyle style) {
    std::wstring spelled = name;
    if (style == AliasPathStyle::Posix) std::replace(spelled.begin(), spelled.end(), L':', L'/');
    return spelled;
}

bool ConvertName(VolumeServices& services, AliasPathStyle style, const AliasPathLevel& level, std::size_t limit,
                 std::string& out) {
    std::string converted;
    const std::wstring name = RecordName(level.name, style);
    const AnsiConversion result = services.ToAnsi(name, converted);
    if (result == AnsiConversion::Clean && !converted.empty() && converted.size() <= limit) {
        out.swap(converted);
        return true;
    }
    if (style == AliasPathStyle::Windows) {
        std::wstring shortName;
        if (!services.QueryShortName(level.path, shortName)) return false;
        if (services.ToAnsi(shortName, converted) != AnsiConversion::Clean) return false;
        if (converted.empty() || converted.size() > limit) return false;
        out.swap(converted);
        return true;
    }
    if (result != AnsiConversion::Clean) return false;
    return AnsiPrefix(services, name, limit, out) && !out.empty();
}

// A length byte and the text, in a field of 1 + capacity bytes.
template <std::size_t N>
void StorePascalString(std::uint8_t (&field)[N], const std::string& text) {
    const std::size_t length = std::min(text.size(), N - 1);
    field[0] = static_cast<std::uint8_t>(length);
    std::memcpy(field + 1, text.data(), length);
}

// A character count, then the characters as UTF-16 big-endian.
ByteBuffer Utf16Record(const std::wstring& text) {
    const std::u16string units = platform::WideToUtf16(text);
    ByteBuffer buffer;
    buffer.AppendU16BE(static_cast<std::uint16_t>(units.size()));
    for (const char16_t unit : units) buffer.AppendU16BE(static_cast<std::uint16_t>(unit));
    return buffer;
}

// UTF-8 with its terminating zero byte.
std::string Utf8WithTerminator(const std::wstring& text) {
    std::string utf8 = platform::WideToUtf8(text);
    utf8.push_back('\0');
    return utf8;
}

}

CAliasRecordEx::CAliasRecordEx(const wchar_t* target)
    : CAliasRecordEx(target, platform::SystemVolumeServices(), NativeAliasPathStyle()) {}

CAliasRecordEx::CAliasRecordEx(const wchar_t* target, platform::VolumeServices& services, AliasPathStyle style)
    : CAliasRecord(target) {
    bool built = false;
    try {
        built = build(services, style);
    } catch (const std::bad_alloc&) {
        built = false;
    }
    if (!built) {
        baseRecord.reset();
        taggedRecords.clear();
    }
}

CAliasRecordEx::~CAliasRecordEx() = default;

bool CAliasRecordEx::build(platform::VolumeServices& services, AliasPathStyle style) {
    // A longer path would have to be cut, and the cut path names another
    // file: no record rather than a record of the wrong file.
    if (path.empty() || path.size() > MaxPathLength) return false;

    // 1. The file and the directories above it.
    AliasTarget target;
    if (!SplitAliasPath(path, style, target)) return false;

    // 2. The volume of the drive.
    std::wstring label;
    std::uint32_t serialNumber = 0;
    if (target.hasDrive) {
        const std::wstring root = std::wstring(1, AsciiUpper(target.driveLetter)) + L":\\";
        if (!services.QueryVolume(root, label, serialNumber)) return false;
        if (label.size() > MaxLabelLength) label.resize(MaxLabelLength);
    }

    // 3. The volume's name: its label, "NONAME" without one, "*" without a
    // drive. The absolute path takes it whole, the base record cut.
    std::string volumeName;
    std::string volumeNameCut;
    if (!target.hasDrive) {
        volumeName = volumeNameCut = "*";
    } else if (label.empty()) {
        volumeName = volumeNameCut = "NONAME";
    } else {
        if (services.ToAnsi(label, volumeName) == AnsiConversion::Failed) return false;
        if (!AnsiPrefix(services, label, VolumeNameBytes, volumeNameCut)) return false;
    }

    // 4. The file's name.
    std::string fileName;
    if (!ConvertName(services, style, target.levels.front(), FileNameBytes, fileName)) return false;

    // 5. The base record.
    std::unique_ptr<BaseRecord> base = std::make_unique<BaseRecord>();
    base->recordSize = BaseRecordSize;
    base->version = AliasVersion;
    base->aliasKind = 0;
    StorePascalString(base->volumeName, volumeNameCut);
    base->volumeType = UnknownVolumeType;
    StorePascalString(base->fileName, fileName);
    base->levelsFromAlias = UnknownLevels;
    base->levelsToTarget = UnknownLevels;

    // 6. Tag 0: the parent directory's name; for a file in a root
    // directory, the path's first character (the drive letter) upper-cased.
    std::string parentName;
    if (target.levels.size() > 1) {
        if (!ConvertName(services, style, target.levels[1], DirectoryNameBytes, parentName)) return false;
    } else {
        if (services.ToAnsi(std::wstring(1, AsciiUpper(target.firstCharacter)), parentName) ==
            AnsiConversion::Failed)
            return false;
    }

    // 7. Tag 2: the volume's name, then ':' and each name from the top down.
    std::string absolutePath = volumeName;
    for (auto level = target.levels.rbegin(); level != target.levels.rend(); ++level) {
        std::string name;
        if (!ConvertName(services, style, *level, DirectoryNameBytes, name)) return false;
        absolutePath += ':';
        absolutePath += name;
    }
    if (absolutePath.size() > AbsolutePathBytes) return false;

    // 8. Tag 11: the serial number and the drive letter in lower case.
    std::uint8_t volumeIdentity[6] = {};
    if (target.hasDrive) {
        std::string letter;
        if (services.ToAnsi(std::wstring(1, AsciiLower(target.driveLetter)), letter) != AnsiConversion::Clean ||
            letter.size() != 1)
            return false;
        volumeIdentity[0] = static_cast<std::uint8_t>(serialNumber >> 24);
        volumeIdentity[1] = static_cast<std::uint8_t>(serialNumber >> 16);
        volumeIdentity[2] = static_cast<std::uint8_t>(serialNumber >> 8);
        volumeIdentity[3] = static_cast<std::uint8_t>(serialNumber);
        volumeIdentity[4] = static_cast<std::uint8_t>(letter[0]);
    }

    // 9. Tag 18: the path from the volume root with the long names.
    std::wstring posixPath;
    for (auto level = target.levels.rbegin(); level != target.levels.rend(); ++level) {
        posixPath += L'/';
        posixPath += level->name;
    }
    if (posixPath.size() > MaxPosixTextLength) return false;

    // 10. Tag 19: the mount point.
    std::wstring mountPoint = L"/";
    if (target.hasDrive) {
        if (label.empty()) {
            mountPoint += AsciiUpper(target.driveLetter);
            mountPoint += L':';
        } else {
            mountPoint += label;
        }
    }
    if (mountPoint.size() > MaxPosixTextLength) return false;

    baseRecord = std::move(base);
    const std::string posixPathText = Utf8WithTerminator(posixPath);
    const std::string mountPointText = Utf8WithTerminator(mountPoint);
    const ByteBuffer fileNameRecord = Utf16Record(RecordName(target.LeafName(), style));
    bool ok = addTaggedRecord(TagParentDirectoryName, parentName.data(), parentName.size()) &&
              addTaggedRecord(TagAbsolutePath, absolutePath.data(), absolutePath.size()) &&
              addTaggedRecord(TagVolumeSerialAndDrive, volumeIdentity, sizeof volumeIdentity) &&
              addTaggedRecord(TagPosixPath, posixPathText.data(), posixPathText.size()) &&
              addTaggedRecord(TagMountPoint, mountPointText.data(), mountPointText.size());
    // 11. Tag 15 (the mount point's name, when there is one) and tag 14.
    const std::wstring mountName = mountPoint.substr(1);
    if (ok && !mountName.empty()) {
        const ByteBuffer volumeRecord = Utf16Record(mountName);
        ok = addTaggedRecord(TagVolumeName, volumeRecord.data(), volumeRecord.size());
    }
    // 12. The end.
    ok = ok && addTaggedRecord(TagFileName, fileNameRecord.data(), fileNameRecord.size()) &&
         addTaggedRecord(TagEnd, nullptr, 0);
    return ok;
}

}
