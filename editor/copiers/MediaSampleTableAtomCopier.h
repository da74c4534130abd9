#ifndef CLIPREEL_EDITOR_COPIERS_MEDIA_SAMPLE_TABLE_ATOM_COPIER_H
#define CLIPREEL_EDITOR_COPIERS_MEDIA_SAMPLE_TABLE_ATOM_COPIER_H

#include "editor/copiers/AtomWithChildrenCopier.h"

#include <vector>

namespace clipreel {

struct NewMoviePlan;

// A sample table ('stbl') rebuilt for the kept units of the copy's plan, in
// output order. Its children are taken in the fixed order the camera
// writes them: 'stsd', 'stts', 'stss' (video, optional), 'stsc', 'stsz',
// 'stco', each recognised by its type; a missing table, a table out of
// place or any child after 'stco' fails the copy, because the new tables
// could not describe the same samples.
//
// The rebuild relies on the Clipreel layout: every video frame its own
// chunk, one time-to-sample entry, a constant sound sample size. The plan
// says which samples the new tables list; the source tables give their
// headers and descriptions.
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

    const NewMoviePlan& plan() const;
    // Takes the child at src's position when its type is the expected one;
    // records a failure otherwise.
    bool takeExpected(ByteReader& src, std::uint32_t type, ByteReader& atom) const;
    // Copies a time-to-sample table unchanged but for its single run's
    // sample count.
    std::uint32_t copyTimeToSampleWithCount(ByteWriter& dst, ByteReader& src, std::uint32_t sampleCount) const;
    // Copies a sample size table with a constant sample size (no table), its
    // count set; fails on a table of sizes.
    std::uint32_t copyConstantSampleSize(ByteWriter& dst, ByteReader& src, std::uint32_t count) const;
    // Writes a new chunk offset table in place of the source one.
    std::uint32_t writeChunkOffsets(ByteWriter& dst, ByteReader& src, const std::vector<std::uint32_t>& offsets) const;
    // The planned chunks' offsets (video frames or sound chunks), kept as
    // they lie in their files or rebased: the kept blocks back to back from
    // 0, in plan order. Fails the copy when one does not fit 32 bits.
    bool chunkOffsets(Entries entries, bool rebase, std::vector<std::uint32_t>& offsets) const;
};

}

#endif
