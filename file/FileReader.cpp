#include "file/FileReader.h"

#include "file/DebugLog.h"

namespace clipreel {

FileReader::FileReader(const FileLocator& locator) : path(locator), handle(platform::InvalidFileHandle) {}

FileReader::~FileReader() {
    Close();
}

bool FileReader::Open() {
    return OpenWith(platform::OpenForReading);
}

bool FileReader::OpenSequential() {
    return OpenWith(platform::OpenForSequentialReading);
}

bool FileReader::OpenWith(OpenCall open) {
    // A second Open would otherwise lose the first handle, and with it a
    // lock that nothing could release any more.
    Close();
    platform::ErrorNumber error = 0;
    const platform::FileHandle opened = open(path, error);
    if (opened == platform::InvalidFileHandle) {
        WriteDebugLog("CreateFile Error : %u \n", error);
        return false;
    }
    handle = opened;
    return true;
}

bool FileReader::Close() {
    if (!IsOpen()) return true;
    platform::ErrorNumber error = 0;
    const bool closed = platform::CloseFile(handle, error);
    if (!closed) WriteDebugLog("CloseHandle Error : %u \n", error);
    handle = platform::InvalidFileHandle;
    return closed;
}

bool FileReader::IsOpen() const {
    return handle != platform::InvalidFileHandle;
}

std::uint64_t FileReader::GetFileSize() {
    platform::ErrorNumber error = 0;
    std::uint64_t size = 0;
    if (IsOpen()) {
        if (!platform::GetOpenFileSize(handle, size, error)) {
            WriteDebugLog("GetFileSizeEx Error : %u \n", error);
            return InvalidFileSize;
        }
        return size;
    }
    bool findFailed = false;
    if (!platform::FindFileSize(path, size, findFailed, error)) {
        if (findFailed) {
            WriteDebugLog("FindFirstFileW Error : %u \n", error);
            return InvalidFileSize;
        }
        // Only the lookup's close failed: the size found still holds.
        WriteDebugLog("FindClose Error : %u \n", error);
    }
    return size;
}

std::uint64_t FileReader::GetPosition() {
    platform::ErrorNumber error = 0;
    std::uint64_t position = 0;
    if (!platform::SetFilePosition(handle, 0, SeekCurrent, &position, error)) {
        WriteDebugLog("SetFilePointerEx Error : %u \n", error);
        return InvalidFileSize;
    }
    return position;
}

bool FileReader::Seek(unsigned origin, std::int64_t offset) {
    if (origin != SeekBegin && origin != SeekCurrent && origin != SeekEnd) return false;
    platform::ErrorNumber error = 0;
    if (!platform::SetFilePosition(handle, offset, origin, nullptr, error)) {
        WriteDebugLog("SetFilePointerEx Error : %u \n", error);
        return false;
    }
    return true;
}

bool FileReader::Read(void* buffer, std::uint32_t count, bool& shortRead) {
    shortRead = false;
    platform::ErrorNumber error = 0;
    std::uint32_t bytesRead = 0;
    if (!platform::ReadFromFile(handle, buffer, count, bytesRead, error)) {
        WriteDebugLog("ReadFile Error : %u \n", error);
        return false;
    }
    shortRead = bytesRead < count;
    return true;
}

}
