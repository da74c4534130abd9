// Every way of breaking a camera movie on purpose changes exactly what it
// says in the written bytes: each case reads one thing from a default movie
// and from the broken one.
#include "sample/SampleMovieWriter.h"
#include "tests/support/AtomWalk.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace clipreel {
namespace test {
namespace {

using sample::SampleMovieLayout;
using sample::SampleMovieSpec;

using Probe = std::function<std::string(const AtomWalk&, const SampleMovieLayout&)>;

struct BreakageCase {
    const char* name;
    std::function<void(SampleMovieSpec&)> breakIt;
    Probe probe;
    std::string intact;
    std::string broken;
};

std::string TypeName(std::uint32_t type) {
    std::string name(4, ' ');
    for (int i = 0; i < 4; ++i) name[static_cast<std::size_t>(i)] = static_cast<char>(type >> (8 * (3 - i)));
    return name;
}

std::string Types(const std::vector<Atom>& atoms) {
    std::string out;
    for (const Atom& atom : atoms) out += (out.empty() ? "" : ",") + TypeName(atom.type);
    return out;
}

// The entries of a table of fixed-size entries, as "a,b,c;d,e,f".
std::string Entries(const AtomWalk& walk, const Atom& table, unsigned fields) {
    std::string out;
    const std::uint32_t count = walk.U32(table.offset + 12);
    for (std::uint32_t i = 0; i < count; ++i) {
        if (i > 0) out += ";";
        for (unsigned f = 0; f < fields; ++f) {
            out += (f > 0 ? "," : "") + std::to_string(walk.U32(table.offset + 16 + 4 * (i * fields + f)));
        }
    }
    return out;
}

Atom VideoTables(const AtomWalk& walk) { return walk.Path(walk.Track("vide"), {"mdia", "minf", "stbl"}); }
Atom SoundTables(const AtomWalk& walk) { return walk.Path(walk.Track("soun"), {"mdia", "minf", "stbl"}); }

// "entry count field:entries walked:flags of each entry".
std::string DataReferences(const AtomWalk& walk, const char* subtype) {
    const Atom dref = walk.Path(walk.Track(subtype), {"mdia", "minf", "dinf", "dref"});
    const std::vector<Atom> entries = walk.Children(dref.offset + 16, dref.End());
    std::string out = std::to_string(walk.U32(dref.offset + 12)) + ":" + std::to_string(entries.size()) + ":";
    for (const Atom& entry : entries) out += TypeName(entry.type) + "/" + std::to_string(walk.U32(entry.offset + 8) & 0xFFFFFF) + " ";
    return out;
}

std::uint32_t RecordedFileSize(const SampleMovieLayout& layout) {
    const std::size_t at = layout.thumbnailLayout.movFileSizeOffset;
    const std::vector<std::uint8_t>& t = layout.thumbnail;
    return static_cast<std::uint32_t>(t.at(at) | (t.at(at + 1) << 8) | (t.at(at + 2) << 16)) | (static_cast<std::uint32_t>(t.at(at + 3)) << 24);
}

const BreakageCase BreakageCases[] = {
    {"WrongRecordedFileSize", [](SampleMovieSpec& s) { s.breakage.wrongRecordedFileSize = true; },
     [](const AtomWalk&, const SampleMovieLayout& l) {
         return std::to_string(static_cast<std::int64_t>(RecordedFileSize(l)) - static_cast<std::int64_t>(l.fileSize));
     },
     "0", "1"},
    {"ZtcvPayload", [](SampleMovieSpec& s) { s.breakage.ztcvPayload = "ZentiAVC00A6"; },
     [](const AtomWalk& w, const SampleMovieLayout&) {
         const Atom ztcv = w.Path(w.Movie(), {"udta", "ZTCV"});
         return w.Text(ztcv.PayloadOffset(), ztcv.size - 8);
     },
     "ZentiAVC0006", "ZentiAVC00A6"},
    {"TwoSamplesPerVideoChunk", [](SampleMovieSpec& s) { s.breakage.twoSamplesPerVideoChunk = true; },
     [](const AtomWalk& w, const SampleMovieLayout&) { return Entries(w, w.Child(VideoTables(w), "stsc"), 3); },
     "1,1,1", "1,2,1"},
    {"TwoDataReferences", [](SampleMovieSpec& s) { s.breakage.twoDataReferences = true; },
     [](const AtomWalk& w, const SampleMovieLayout&) { return DataReferences(w, "vide"); },
     "1:1:alis/1 ", "2:2:alis/1 alis/1 "},
    {"ExtraFrames", [](SampleMovieSpec& s) { s.breakage.extraFrames = 7; },
     [](const AtomWalk& w, const SampleMovieLayout&) {
         const Atom tables = VideoTables(w);
         return std::to_string(w.U32(w.Child(tables, "stsz").offset + 16)) + "/" +
                std::to_string(w.U32(w.Child(tables, "stco").offset + 12)) + "/" +
                std::to_string(w.U32(w.Child(SoundTables(w), "stco").offset + 12));
     },
     "90/90/3", "97/97/3"},
    {"SoundStscTwoEntries", [](SampleMovieSpec& s) { s.breakage.soundStscTwoEntries = true; },
     [](const AtomWalk& w, const SampleMovieLayout& l) {
         return Entries(w, w.Child(SoundTables(w), "stsc"), 3) + " " + std::to_string(l.units.back().soundSize) + " " +
                std::to_string(w.U32(w.Child(SoundTables(w), "stsz").offset + 16));
     },
     "1,48048,1 192192 144144", "1,48048,1;3,24024,1 96096 120120"},
    {"SoundInOtherFile", [](SampleMovieSpec& s) { s.breakage.soundInOtherFile = true; },
     [](const AtomWalk& w, const SampleMovieLayout&) { return DataReferences(w, "soun") + DataReferences(w, "vide"); },
     "1:1:alis/1 1:1:alis/1 ", "1:1:alis/0 1:1:alis/1 "},
    {"VideoChunkOffsets64", [](SampleMovieSpec& s) { s.breakage.videoChunkOffsets64 = true; },
     [](const AtomWalk& w, const SampleMovieLayout& l) {
         const Atom tables = VideoTables(w);
         const Atom offsets = w.Child(tables, "co64");
         std::string out = Types(w.Children(tables));
         if (offsets.found) {
             bool same = w.U32(offsets.offset + 12) == 90;
             for (std::uint32_t i = 0; same && i < 90; ++i) {
                 same = w.U64(offsets.offset + 16 + 8 * i) == l.units[i / 30].frames[i % 30].offset;
             }
             out += same ? " same offsets" : " other offsets";
         }
         return out;
     },
     "stsd,stts,stss,stsc,stsz,stco", "stsd,stts,stss,stsc,stsz,co64 same offsets"},
    {"NoSyncSample", [](SampleMovieSpec& s) { s.breakage.noSyncSample = true; },
     [](const AtomWalk& w, const SampleMovieLayout&) { return Types(w.Children(VideoTables(w))); },
     "stsd,stts,stss,stsc,stsz,stco", "stsd,stts,stsc,stsz,stco"},
    {"MdatBeforeMoov", [](SampleMovieSpec& s) { s.breakage.mdatBeforeMoov = true; },
     [](const AtomWalk& w, const SampleMovieLayout&) { return Types(w.TopLevel()); },
     "ftyp,moov,mdat", "ftyp,mdat,moov"},
    {"TwoMdat", [](SampleMovieSpec& s) { s.breakage.twoMdat = true; },
     [](const AtomWalk& w, const SampleMovieLayout&) { return Types(w.TopLevel()); },
     "ftyp,moov,mdat", "ftyp,moov,mdat,mdat"},
    {"MdatSize64", [](SampleMovieSpec& s) { s.breakage.mdatSize64 = true; },
     [](const AtomWalk& w, const SampleMovieLayout& l) {
         const std::uint32_t field = w.U32(l.mdatOffset);
         const std::string size = field == 1 ? "1" : (field == l.mdatSize ? "size" : "other");
         return size + "/" + std::to_string(w.TopLevel().back().header);
     },
     "size/8", "1/16"},
    {"TrailingBytes", [](SampleMovieSpec& s) { s.breakage.trailingBytes = {0, 0, 0, 4}; },
     [](const AtomWalk& w, const SampleMovieLayout&) {
         return std::to_string(w.bytes().size() - w.TopLevel().back().End());
     },
     "0", "4"},
    {"SecondMoov", [](SampleMovieSpec& s) { s.breakage.secondMoov = true; },
     [](const AtomWalk& w, const SampleMovieLayout&) { return Types(w.TopLevel()); },
     "ftyp,moov,mdat", "ftyp,moov,mdat,moov"},
    {"NoThumbnail", [](SampleMovieSpec& s) { s.breakage.noThumbnail = true; },
     [](const AtomWalk& w, const SampleMovieLayout& l) {
         return Types(w.Children(w.Path(w.Movie(), {"udta"}))) + (l.thumbnailOffset != 0 ? "/reported" : "/none");
     },
     "ZTCV,ZTTH/reported", "ZTCV/none"},
    {"DescribedSampleRate", [](SampleMovieSpec& s) { s.breakage.describedSampleRate = 44100; },
     [](const AtomWalk& w, const SampleMovieLayout& l) {
         return std::to_string(w.U32(w.Child(SoundTables(w), "stsd").offset + 16 + 32) >> 16) + "/" +
                std::to_string(l.soundSamplesPerUnit);
     },
     "48000/48048", "44100/48048"},
};

class BreakageTest : public ::testing::TestWithParam<BreakageCase> {};

TEST_P(BreakageTest, ChangesWhatItSays) {
    const BreakageCase& c = GetParam();
    SampleMovieLayout intactLayout;
    const std::vector<std::uint8_t> intactBytes = sample::BuildSampleMovie(SampleMovieSpec(), &intactLayout);
    SampleMovieSpec spec;
    c.breakIt(spec);
    SampleMovieLayout brokenLayout;
    const std::vector<std::uint8_t> brokenBytes = sample::BuildSampleMovie(spec, &brokenLayout);

    const std::string intact = c.probe(AtomWalk(intactBytes, AtomWalk::MisfitEnds), intactLayout);
    const std::string broken = c.probe(AtomWalk(brokenBytes, AtomWalk::MisfitEnds), brokenLayout);
    EXPECT_EQ(intact, c.intact);
    EXPECT_EQ(broken, c.broken);
    EXPECT_NE(intact, broken);
    EXPECT_EQ(brokenLayout.fileSize, brokenBytes.size());
}

INSTANTIATE_TEST_SUITE_P(Knobs, BreakageTest, ::testing::ValuesIn(BreakageCases),
                         [](const ::testing::TestParamInfo<BreakageCase>& param) { return std::string(param.param.name); });

}
}
}
