#ifndef CLIPREEL_ZENTI_MOV_FILE_H
#define CLIPREEL_ZENTI_MOV_FILE_H

#include "ClipreelExport.h"
#include "FileLocator.h"
#include "ZentiMovie.h"

#include <memory>

namespace clipreel {
class CTopLevelAtoms;
}

// One source camera movie file: its top-level atoms, scanned once, and its
// parsed movie atom. The file is not kept open.
class CLIPREEL_API CZentiMovFile {
public:
    explicit CZentiMovFile(const FileLocator& locator);
    virtual ~CZentiMovFile();
    CZentiMovFile(const CZentiMovFile&) = delete;
    CZentiMovFile& operator=(const CZentiMovFile&) = delete;

    bool IsValid() const;
    // 0 for a file without a movie.
    unsigned GetCreatorVersion() const;
    const FileLocator& GetFileLocator() const;
    const CZentiMovie* GetZentiMovie() const;

private:
    friend class CClipreelMovFileEditor;
    friend struct clipreel::MoviePrivateAccess;

    const clipreel::CTopLevelAtoms* GetTopLevelAtoms() const;
    // acceptCutMediaData: a media data atom that the end of the file cuts
    // short is taken as ending there, and an atom after the media data that
    // it cuts short is left out (a reel to salvage).
    bool populateTopLevelAtoms(bool acceptCutMediaData);

    FileLocator fileLocator;
    bool scanOk;
    std::unique_ptr<clipreel::CTopLevelAtoms> topLevelAtoms;
    std::unique_ptr<CZentiMovie> zentiMovie;
};

#endif
