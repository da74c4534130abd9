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
    FileLocator path;
    platform::FileHandle handle;
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
};

}

#endif
