#ifndef CLIPREEL_EDITOR_COPIERS_MEDIA_SAMPLE_TABLE_ATOM_COPIER_H
#define CLIPREEL_EDITOR_COPIERS_MEDIA_SAMPLE_TABLE_ATOM_COPIER_H

#include "editor/copiers/AtomWithChildrenCopier.h"

class CClipreelMovie;

namespace clipreel {

class CStoredSampleUnit2;

// A sample table ('stbl') rebuilt for the kept units of the reel, in
// editing-list order. Its children are taken in the fixed order the camera
// writes them: 'stsd', 'stts', 'stss' (video, optional), 'stsc', 'stsz',
// 'stco', each recognised by its type; a missing table, a table out of
// place or any child after 'stco' fails the copy, because the new tables
// could not describe the same samples.
//
// The rebuild relies on the Clipreel layout: every video frame its own
// chunk, one sound chunk per stored sample unit, one time-to-sample entry,
// a constant sound sample size. Every entry read is checked against both the
// source table's own count and the bytes of its atom.
class MediaSampleTableAtomCopier : public AtomWithChildrenCopier {
public:
    using AtomWithChildrenCopier::AtomWithChildrenCopier;
    ~MediaSampleTableAtomCopier() override;

    std::uint32_t copyChildren(ByteWriter& dst, ByteReader& src, std::uint32_t contentSize) override;

    // Each slot copies the table at src's position and moves src past the
    // whole source table, whatever it wrote.
    virtual std::uint32_t copySampleDescription(ByteWriter& dst, ByteReader& src);
    virtual std::uint32_t copyTimeToSample(ByteWriter& dst, ByteReader& src) = 0;
    virtual std::uint32_t copySyncSample(ByteWriter& dst, ByteReader& src) = 0;
    virtual std::uint32_t copySampleToChunk(ByteWriter& dst, ByteReader& src);
    virtual std::uint32_t copySampleSize(ByteWriter& dst, ByteReader& src) = 0;
    // Rebased chunk offsets unless the copy has an alias record or does not
    // rebase.
    virtual std::uint32_t copyChunkOffset(ByteWriter& dst, ByteReader& src);
    virtual std::uint32_t copyChunkOffsetKeep(ByteWriter& dst, ByteReader& src) = 0;
    virtual std::uint32_t copyChunkOffsetRebased(ByteWriter& dst, ByteReader& src) = 0;

protected:
    enum class Entries { VideoFrames, SoundChunks };

    const CClipreelMovie& reel() const;
    // The reel's stored sample unit; records a failure and gives null when
    // the reel has none.
    const CStoredSampleUnit2* storedUnit() const;
    // Takes the child at src's position when its type is the expected one;
    // records a failure otherwise.
    bool takeExpected(ByteReader& src, std::uint32_t type, ByteReader& atom) const;
    // Copies a table unchanged and sets one 32-bit field of the copy.
    std::uint32_t copyWithField(ByteWriter& dst, ByteReader& src, std::uint32_t type, std::uint32_t offset,
                                std::uint32_t value) const;
    // Copies a sample size table with a constant sample size (no table), its
    // count set; fails on a table of sizes.
    std::uint32_t copyConstantSampleSize(ByteWriter& dst, ByteReader& src, std::uint32_t count) const;
    // Rebuilds a table of 32-bit entries for the kept units: the source's
    // first countOffset bytes, then the count, then per kept unit its entries
    // (its frames or its sound chunks) from the source table, with delta added
    // to each when rebasing. total is the count the reel promises; the copy
    // fails when the kept units give another number.
    std::uint32_t rebuildTable(ByteWriter& dst, ByteReader& src, std::uint32_t type, std::uint32_t countOffset,
                               std::uint32_t total, Entries entries, bool rebase) const;
};

}

#endif
