#include "file/FileReader.h"

#include "file/DebugLog.h"

namespace clipreel {

FileWriter::FileWriter(const FileLocator& locator) : FileReader(locator) {}

FileWriter::~FileWriter() = default;

bool FileWriter::Open() {
    return OpenWith(platform::CreateForWriting);
}

bool FileWriter::Write(const void* buffer, std::uint32_t count, bool& diskFull) {
    diskFull = false;
    platform::ErrorNumber error = 0;
    std::uint32_t bytesWritten = 0;
    if (!platform::WriteToFile(handle, buffer, count, bytesWritten, error)) {
        diskFull = platform::IsDiskFullError(error);
        WriteDebugLog("WriteFile Error : %u \n", error);
        return false;
    }
    // A write that moved fewer bytes than asked without an error (WriteFile
    // may do so) has still not written them all: the disk took no more.
    if (bytesWritten < count) {
        diskFull = true;
        return false;
    }
    return true;
}

bool FileWriter::CopyInKernel(FileReader& source, std::uint32_t count, std::uint32_t& moved) {
    platform::ErrorNumber error = 0;
    return platform::CopyFileRange(source.handle, handle, count, moved, error);
}

}
