#ifndef CLIPREEL_CLIPREEL_REEL_OPERATIONS_H
#define CLIPREEL_CLIPREEL_REEL_OPERATIONS_H

#include "ClipreelExport.h"
#include "ClipreelMovFileEditor.h"
#include "FileLocator.h"

#include <memory>
#include <string>
#include <vector>

class CZentiMovFile;
class CClipreelMovie;

// Operations on whole reels beyond the edit of one reel: each writes camera
// reels that the library opens and edits again, losslessly, with their
// camera record and thumbnail refreshed. They report progress and take
// cancellation like CClipreelMovFileEditor and return its result codes.

// Writes each kept shooting unit of a reel as its own one-unit reel.
class CLIPREEL_API CClipreelReelSplitter {
public:
    using ERROR_CREATEMOVFILE = CClipreelMovFileEditor::ERROR_CREATEMOVFILE;

    // The source must outlive the splitter.
    explicit CClipreelReelSplitter(const CZentiMovFile& source);
    ~CClipreelReelSplitter();
    CClipreelReelSplitter(const CClipreelReelSplitter&) = delete;
    CClipreelReelSplitter& operator=(const CClipreelReelSplitter&) = delete;

    void SetProgressCallback(ClipreelProgressCallback callback, void* userData);
    // One destination per unit of the reel's editing list, in its order; the
    // reel must describe the source. One start, progress over the whole job,
    // one end.
    ERROR_CREATEMOVFILE SplitShootingUnits(const CClipreelMovie& reel, const std::vector<FileLocator>& destinations);

private:
    const CZentiMovFile* sourceFile;
    ClipreelProgressCallback callback;
    void* userData;
};

// Combines the kept units of two or more reels of one shape into one reel,
// in the order the reels were added.
class CLIPREEL_API CClipreelReelJoiner {
public:
    using ERROR_CREATEMOVFILE = CClipreelMovFileEditor::ERROR_CREATEMOVFILE;

    CClipreelReelJoiner();
    ~CClipreelReelJoiner();
    CClipreelReelJoiner(const CClipreelReelJoiner&) = delete;
    CClipreelReelJoiner& operator=(const CClipreelReelJoiner&) = delete;

    void SetProgressCallback(ClipreelProgressCallback callback, void* userData);
    // Adds a reel and its editing list (original indices; empty keeps every
    // unit in order). The file must outlive the joiner. False, with the
    // reason in GetRefusalReason, when the file is not a Clipreel movie, the
    // list names a unit it does not have or one unit twice (the same unit
    // may come again through another AddReel), its shape differs from the
    // first reel's, or the joined movie would pass the 4 GiB that its 32-bit
    // chunk offsets can address; the joiner then stays as it was.
    bool AddReel(const CZentiMovFile& source, const std::vector<unsigned>& editingList);
    unsigned GetReelCount() const;
    unsigned GetShootingUnitCount() const;
    // Why the last refusal happened; empty when nothing was refused.
    const std::string& GetRefusalReason() const;
    // Needs at least one reel; nothing is written before every check passed.
    ERROR_CREATEMOVFILE CreateJoinedMovFile(const FileLocator& destination);

private:
    struct Part;
    std::vector<std::unique_ptr<Part>> parts;
    std::string refusal;
    ClipreelProgressCallback callback;
    void* userData;
};

// Recovers a reel cut short (the movie atom whole, the media data
// truncated): the units whose blocks lie wholly in the file become a new reel.
class CLIPREEL_API CClipreelReelSalvager {
public:
    using ERROR_CREATEMOVFILE = CClipreelMovFileEditor::ERROR_CREATEMOVFILE;

    // Reads the damaged file's atoms and movie atom once.
    explicit CClipreelReelSalvager(const FileLocator& damaged);
    ~CClipreelReelSalvager();
    CClipreelReelSalvager(const CClipreelReelSalvager&) = delete;
    CClipreelReelSalvager& operator=(const CClipreelReelSalvager&) = delete;

    // Whether at least one unit can be recovered; otherwise the reason.
    bool CanSalvage() const;
    const std::string& GetRefusalReason() const;
    // Whether the file ends inside one of its atoms (cut short at all).
    bool IsTruncated() const;
    unsigned GetShootingUnitCount() const;
    unsigned GetRecoverableShootingUnitCount() const;

    void SetProgressCallback(ClipreelProgressCallback callback, void* userData);
    ERROR_CREATEMOVFILE CreateSalvagedMovFile(const FileLocator& destination);

private:
    std::unique_ptr<CZentiMovFile> file;
    std::unique_ptr<CClipreelMovie> reel;
    std::string refusal;
    bool truncated;
    unsigned unitCount;
    unsigned recoverable;
    ClipreelProgressCallback callback;
    void* userData;
};

// Writes the kept units of a reel, in their order, as an MP4 for sharing
// (browsers, phones, messaging): the H.264 frames copied packet for packet
// with their key frames marked, the sound encoded as AAC-LC and cut at the
// same unit boundaries, the movie atom before the media data, the
// recording's creation time and none of the camera's own records. The
// result is no camera reel: the library does not open it as one.
class CLIPREEL_API CClipreelReelExporter {
public:
    using ERROR_CREATEMOVFILE = CClipreelMovFileEditor::ERROR_CREATEMOVFILE;

    // The source must outlive the exporter.
    explicit CClipreelReelExporter(const CZentiMovFile& source);
    ~CClipreelReelExporter();
    CClipreelReelExporter(const CClipreelReelExporter&) = delete;
    CClipreelReelExporter& operator=(const CClipreelReelExporter&) = delete;

    // Whether this build can export: the media libraries it writes with are
    // present (never on Windows builds, which have none to write MP4 with
    // frames copied as they are).
    static bool IsAvailable();
    // The AAC bit rate used unless SetSoundBitRate chose one: 96 kbit/s a
    // channel.
    static unsigned GetDefaultSoundBitRate(unsigned channels);

    void SetProgressCallback(ClipreelProgressCallback callback, void* userData);
    // Bits per second of the sound; 0 for the default.
    void SetSoundBitRate(unsigned bitsPerSecond);
    // The reel must describe the source. One start, progress, one end;
    // CREATEMOVFILE_INTERNAL_ERROR when the build cannot export
    // (IsAvailable) or the writer refused the streams. After a failure the
    // destination may hold a partial file.
    ERROR_CREATEMOVFILE CreateExportedMp4File(const CClipreelMovie& reel, const FileLocator& destination);

private:
    const CZentiMovFile* sourceFile;
    unsigned soundBitRate;
    ClipreelProgressCallback callback;
    void* userData;
};

#endif
