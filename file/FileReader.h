#ifndef CLIPREEL_FILE_FILE_READER_H
#define CLIPREEL_FILE_FILE_READER_H

#include "FileLocator.h"
#include "platform/FileSystem.h"

#include <cstdint>

namespace clipreel {

// Seek origins of FileReader::Seek.
enum SeekOrigin : unsigned { SeekBegin = 0, SeekCurrent = 1, SeekEnd = 2 };

// All-ones: the failure value of GetFileSize and GetPosition.
constexpr std::uint64_t InvalidFileSize = ~std::uint64_t(0);

// One file open for reading, shared with other readers only. Every call is
// one system call; every failed system call writes one debug line. Nothing
// throws.
class FileReader {
public:
    explicit FileReader(const FileLocator& locator);
    virtual ~FileReader();
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;

    virtual bool Open();
    // Open, for a reader that goes from start to end: the system reads ahead.
    bool OpenSequential();
    // False when the system reports the close failed (the handle is released
    // all the same); for a writer, its bytes may then not all have reached
    // the file. True when nothing was open.
    bool Close();
    bool IsOpen() const;
    // Open: the handle's size. Not open: the size found by looking the path up,
    // without opening it. All ones on failure.
    std::uint64_t GetFileSize();
    std::uint64_t GetPosition();
    bool Seek(unsigned origin, std::int64_t offset);
    // shortRead: fewer than count bytes arrived (end of file included); still true.
    bool Read(void* buffer, std::uint32_t count, bool& shortRead);

protected:
    using OpenCall = platform::FileHandle (*)(const wchar_t* path, platform::ErrorNumber& error);
    bool OpenWith(OpenCall open);

    FileLocator path;
    platform::FileHandle handle;

private:
    friend class FileWriter;
};

// One file created (an existing one truncated) for writing, shared with
// nobody.
class FileWriter : public FileReader {
public:
    explicit FileWriter(const FileLocator& locator);
    ~FileWriter() override;

    bool Open() override;
    // diskFull: the write failed because the disk is full.
    bool Write(const void* buffer, std::uint32_t count, bool& diskFull);
    // Moves up to count bytes from source's position to this file's position
    // inside the system, advancing both by moved (fewer bytes than asked may
    // move, none at the source's end). False when the system cannot copy
    // between these two files, or failed: nothing moved then, and no debug
    // line is written, for Read and Write can still copy the bytes and they
    // tell what failed.
    bool CopyInKernel(FileReader& source, std::uint32_t count, std::uint32_t& moved);
};

}

#endif
