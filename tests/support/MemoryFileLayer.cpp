#include "tests/support/MemoryFileLayer.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace clipreel {
namespace test {

namespace {

// Error numbers of the double's own failures; only their being non-zero
// matters to the file layer above.
constexpr platform::ErrorNumber BadHandle = 9;
constexpr platform::ErrorNumber SharingViolation = 32;
constexpr platform::ErrorNumber BadPosition = 22;

std::wstring PathOf(const wchar_t* path) {
    return path == nullptr ? std::wstring() : std::wstring(path);
}

}

void MemoryFileLayer::SetFile(const std::wstring& path, const std::uint8_t* data, std::size_t size) {
    files[path].assign(data, data + size);
}

const MemoryFileLayer::Bytes* MemoryFileLayer::File(const std::wstring& path) const {
    const auto found = files.find(path);
    return found == files.end() ? nullptr : &found->second;
}

void MemoryFileLayer::Clear() {
    files.clear();
    handles.clear();
}

MemoryFileLayer::OpenFile* MemoryFileLayer::Find(platform::FileHandle handle, platform::ErrorNumber& error) {
    const auto found = handles.find(handle);
    if (found == handles.end()) {
        error = BadHandle;
        return nullptr;
    }
    return &found->second;
}

bool MemoryFileLayer::IsHeld(const std::wstring& path, bool byWriterOnly) const {
    return std::any_of(handles.begin(), handles.end(), [&](const auto& entry) {
        return entry.second.path == path && (entry.second.writing || !byWriterOnly);
    });
}

platform::FileHandle MemoryFileLayer::OpenForReading(const wchar_t* path, platform::ErrorNumber& error) {
    const std::wstring name = PathOf(path);
    if (files.count(name) == 0) {
        error = platform::FileNotFoundError();
        return platform::InvalidFileHandle;
    }
    if (IsHeld(name, true)) {
        error = SharingViolation;
        return platform::InvalidFileHandle;
    }
    handles[nextHandle] = OpenFile{name, 0, false};
    return nextHandle++;
}

platform::FileHandle MemoryFileLayer::CreateForWriting(const wchar_t* path, platform::ErrorNumber& error) {
    const std::wstring name = PathOf(path);
    if (name.empty()) {
        error = platform::FileNotFoundError();
        return platform::InvalidFileHandle;
    }
    if (IsHeld(name, false)) {
        error = SharingViolation;
        return platform::InvalidFileHandle;
    }
    files[name].clear();
    handles[nextHandle] = OpenFile{name, 0, true};
    return nextHandle++;
}

bool MemoryFileLayer::CloseFile(platform::FileHandle handle, platform::ErrorNumber& error) {
    if (Find(handle, error) == nullptr) return false;
    handles.erase(handle);
    return true;
}

bool MemoryFileLayer::GetOpenFileSize(platform::FileHandle handle, std::uint64_t& size,
                                      platform::ErrorNumber& error) {
    const OpenFile* open = Find(handle, error);
    if (open == nullptr) return false;
    size = files[open->path].size();
    return true;
}

bool MemoryFileLayer::FindFileSize(const wchar_t* path, std::uint64_t& size, bool& findFailed,
                                   platform::ErrorNumber& error) {
    const Bytes* file = File(PathOf(path));
    findFailed = file == nullptr;
    if (findFailed) {
        error = platform::FileNotFoundError();
        return false;
    }
    size = file->size();
    return true;
}

bool MemoryFileLayer::SetFilePosition(platform::FileHandle handle, std::int64_t distance, unsigned origin,
                                      std::uint64_t* newPosition, platform::ErrorNumber& error) {
    OpenFile* open = Find(handle, error);
    if (open == nullptr) return false;
    std::int64_t base = 0;
    if (origin == 1) base = static_cast<std::int64_t>(open->position);
    else if (origin == 2) base = static_cast<std::int64_t>(files[open->path].size());
    else if (origin != 0) {
        error = BadPosition;
        return false;
    }
    // A position before the start is refused, as by the system; one past the
    // end is allowed and reads nothing.
    if ((distance < 0 && base + distance < 0) || (distance > 0 && base > INT64_MAX - distance)) {
        error = BadPosition;
        return false;
    }
    open->position = static_cast<std::uint64_t>(base + distance);
    if (newPosition != nullptr) *newPosition = open->position;
    return true;
}

bool MemoryFileLayer::ReadFromFile(platform::FileHandle handle, void* buffer, std::uint32_t count,
                                   std::uint32_t& bytesRead, platform::ErrorNumber& error) {
    bytesRead = 0;
    OpenFile* open = Find(handle, error);
    if (open == nullptr) return false;
    const Bytes& file = files[open->path];
    if (open->position < file.size()) {
        bytesRead = static_cast<std::uint32_t>(std::min<std::uint64_t>(count, file.size() - open->position));
        std::memcpy(buffer, file.data() + open->position, bytesRead);
        open->position += bytesRead;
    }
    return true;
}

bool MemoryFileLayer::WriteToFile(platform::FileHandle handle, const void* buffer, std::uint32_t count,
                                  std::uint32_t& bytesWritten, platform::ErrorNumber& error) {
    bytesWritten = 0;
    OpenFile* open = Find(handle, error);
    if (open == nullptr) return false;
    if (!open->writing) {
        error = BadHandle;
        return false;
    }
    Bytes& file = files[open->path];
    const std::uint64_t end = open->position + count;
    if (end > file.size()) file.resize(static_cast<std::size_t>(end));
    if (count > 0) std::memcpy(file.data() + open->position, buffer, count);
    open->position = end;
    bytesWritten = count;
    return true;
}

}
}
