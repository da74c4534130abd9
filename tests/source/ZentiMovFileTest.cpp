#include "ZentiMovFile.h"

#include "tests/source/SourceFixtures.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace clipreel {
namespace {

using test::Build;
using test::BuiltMovie;
using test::SmallReelSpec;

struct Record {
    std::uint32_t type;
    std::uint64_t offset;
    std::uint64_t size;
    bool operator==(const Record& o) const { return type == o.type && offset == o.offset && size == o.size; }
};

std::ostream& operator<<(std::ostream& out, const Record& r) {
    return out << std::hex << r.type << std::dec << "@" << r.offset << "+" << r.size;
}

std::vector<Record> TableOf(const CZentiMovFile& file) {
    std::vector<Record> records;
    const CTopLevelAtoms* table = MoviePrivateAccess::GetTopLevelAtoms(file);
    for (unsigned i = 0; i < table->GetCount(); ++i) {
        const TopLevelAtomInfo& info = table->GetAt(i);
        records.push_back({info.type, info.offset, info.size});
    }
    return records;
}

std::vector<Record> LayoutRecords(const sample::SampleMovieLayout& layout) {
    std::vector<Record> records;
    for (const sample::AtomLayout& atom : layout.atoms) records.push_back({atom.type, atom.offset, atom.size});
    return records;
}

class ZentiMovFileTest : public testing::Test {
protected:
    std::wstring Write(const std::vector<std::uint8_t>& bytes, const std::string& name = "movie.mov") {
        test::WriteFileBytes(dir.File(name), bytes);
        return dir.WideFile(name);
    }
    test::TempDir dir;
};

TEST_F(ZentiMovFileTest, SampleReelOpensWithEveryTopLevelAtomListed) {
    const BuiltMovie built = Build(SmallReelSpec());
    const std::wstring path = Write(built.file);
    const CZentiMovFile file(FileLocator(path.c_str()));

    EXPECT_TRUE(file.IsValid());
    EXPECT_TRUE(MoviePrivateAccess::ScanSucceeded(file));
    EXPECT_EQ(file.GetCreatorVersion(), 6u);
    EXPECT_EQ(std::wstring(static_cast<const wchar_t*>(file.GetFileLocator())), path);
    ASSERT_NE(file.GetZentiMovie(), nullptr);
    EXPECT_TRUE(file.GetZentiMovie()->IsValid());
    EXPECT_EQ(MoviePrivateAccess::GetAtomSize(*file.GetZentiMovie()), built.layout.moovSize);

    const std::vector<Record> table = TableOf(file);
    EXPECT_EQ(table, LayoutRecords(built.layout));
    ASSERT_FALSE(table.empty());
    EXPECT_EQ(table.front().offset, 0u);
    EXPECT_EQ(table.back().offset + table.back().size, built.file.size());

    const CTopLevelAtoms* atoms = MoviePrivateAccess::GetTopLevelAtoms(file);
    TopLevelAtomInfo moov{};
    ASSERT_TRUE(atoms->FindMovieAtom(moov));
    EXPECT_EQ(moov.offset, built.layout.moovOffset);
    EXPECT_EQ(moov.size, built.layout.moovSize);
    EXPECT_TRUE(atoms->Contains(FourCC("mdat")));
    EXPECT_FALSE(atoms->Contains(FourCC("wide")));
}

// How the top-level layout decides validity; the table always lists the
// atoms met before the scan stopped.
TEST_F(ZentiMovFileTest, TopLevelLayoutCases) {
    struct Case {
        std::string name;
        void (*change)(sample::SampleMovieSpec&);
        bool valid;
        bool scanOk;
        bool hasMovie;
    };
    const Case cases[] = {
        {"four trailing bytes", [](sample::SampleMovieSpec& s) { s.breakage.trailingBytes = {1, 2, 3, 4}; },
         false, false, true},
        {"a trailing 8-byte 'free' atom",
         [](sample::SampleMovieSpec& s) { s.breakage.trailingBytes = {0, 0, 0, 8, 'f', 'r', 'e', 'e'}; }, true, true,
         true},
        {"a trailing header whose size is below 8",
         [](sample::SampleMovieSpec& s) { s.breakage.trailingBytes = {0, 0, 0, 4, 'f', 'r', 'e', 'e'}; }, false,
         false, true},
        {"a trailing header of size 0 (to the end of the file)",
         [](sample::SampleMovieSpec& s) { s.breakage.trailingBytes = {0, 0, 0, 0, 'f', 'r', 'e', 'e'}; }, false,
         false, true},
        {"two movie atoms", [](sample::SampleMovieSpec& s) { s.breakage.secondMoov = true; }, false, false, true},
        {"64-bit media data size", [](sample::SampleMovieSpec& s) { s.breakage.mdatSize64 = true; }, false, false,
         true},
        {"media data before the movie", [](sample::SampleMovieSpec& s) { s.breakage.mdatBeforeMoov = true; }, true,
         true, true},
        {"media data in two atoms", [](sample::SampleMovieSpec& s) { s.breakage.twoMdat = true; }, true, true, true},
        {"extra atoms before and after",
         [](sample::SampleMovieSpec& s) {
             s.extraAtoms.push_back({FourCC("skip"), {1, 2, 3}, false});
             s.extraAtoms.push_back({FourCC("uuid"), std::vector<std::uint8_t>(40, 7), true});
         },
         true, true, true},
        {"movie not acceptable: bad creator digits",
         [](sample::SampleMovieSpec& s) { s.breakage.ztcvPayload = "ZentiAVC00A6"; }, false, false, false},
        {"movie not acceptable: two samples per video chunk",
         [](sample::SampleMovieSpec& s) { s.breakage.twoSamplesPerVideoChunk = true; }, false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sample::SampleMovieSpec spec = SmallReelSpec();
        c.change(spec);
        const BuiltMovie built = Build(spec);
        const std::wstring path = Write(built.file);
        const CZentiMovFile file(FileLocator(path.c_str()));
        EXPECT_EQ(file.IsValid(), c.valid);
        EXPECT_EQ(MoviePrivateAccess::ScanSucceeded(file), c.scanOk);
        EXPECT_EQ(file.GetZentiMovie() != nullptr, c.hasMovie);
        EXPECT_EQ(file.GetCreatorVersion(), c.hasMovie ? 6u : 0u);
        // Every record the scan made is the writer's atom at the same place.
        const std::vector<Record> table = TableOf(file);
        const std::vector<Record> atoms = LayoutRecords(built.layout);
        ASSERT_LE(table.size(), atoms.size() + 1);
        for (std::size_t i = 0; i < table.size() && i < atoms.size(); ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(table[i].type, atoms[i].type);
            EXPECT_EQ(table[i].offset, atoms[i].offset);
        }
        if (c.scanOk) {
            // The trailing bytes the writer was given are atoms of their own.
            ASSERT_GE(table.size(), atoms.size());
            EXPECT_EQ(std::vector<Record>(table.begin(), table.begin() + static_cast<std::ptrdiff_t>(atoms.size())),
                      atoms);
            EXPECT_EQ(table.back().offset + table.back().size, built.file.size());
        }
    }
}

TEST_F(ZentiMovFileTest, FileWithoutMovieScansButIsNotValid) {
    const std::vector<std::uint8_t> bytes = {0, 0, 0, 16, 'f', 't', 'y', 'p', 'q', 't', ' ', ' ', 0, 0, 0, 0,
                                             0, 0, 0, 12, 'm', 'd', 'a', 't', 9, 9, 9, 9};
    const std::wstring path = Write(bytes);
    const CZentiMovFile file(FileLocator(path.c_str()));
    EXPECT_TRUE(MoviePrivateAccess::ScanSucceeded(file));
    EXPECT_FALSE(file.IsValid());
    EXPECT_EQ(file.GetZentiMovie(), nullptr);
    EXPECT_EQ(file.GetCreatorVersion(), 0u);
    const std::vector<Record> expected = {{FourCC("ftyp"), 0, 16}, {FourCC("mdat"), 16, 12}};
    EXPECT_EQ(TableOf(file), expected);
}

TEST_F(ZentiMovFileTest, MovieWithoutMediaDataScansButIsNotValid) {
    const BuiltMovie built = Build(SmallReelSpec());
    const std::vector<std::uint8_t> moovOnly = built.MovieAtomBytes();
    const std::wstring path = Write(moovOnly);
    const CZentiMovFile file(FileLocator(path.c_str()));
    EXPECT_TRUE(MoviePrivateAccess::ScanSucceeded(file));
    ASSERT_NE(file.GetZentiMovie(), nullptr);
    EXPECT_TRUE(file.GetZentiMovie()->IsValid());
    EXPECT_FALSE(file.IsValid());
}

TEST_F(ZentiMovFileTest, MissingAndEmptyFilesAreNotValid) {
    const std::wstring empty = Write({}, "empty.mov");
    const std::wstring missing = dir.WideFile("missing.mov");
    for (const std::wstring& path : {empty, missing}) {
        const CZentiMovFile file(FileLocator(path.c_str()));
        EXPECT_FALSE(file.IsValid());
        EXPECT_FALSE(MoviePrivateAccess::ScanSucceeded(file));
        EXPECT_EQ(file.GetZentiMovie(), nullptr);
        EXPECT_EQ(MoviePrivateAccess::GetTopLevelAtoms(file)->GetCount(), 0u);
    }
}

// An atom whose size reaches past the end of the file stops the scan, as
// does every cut of a valid file: no cut of it is valid.
TEST_F(ZentiMovFileTest, AtomsReachingPastTheFileAreNotValid) {
    BuiltMovie built = Build(SmallReelSpec());
    std::vector<std::uint8_t> longMdat = built.file;
    test::PutU32At(longMdat, built.layout.mdatOffset, static_cast<std::uint32_t>(built.layout.mdatSize + 1));
    const std::wstring path = Write(longMdat, "long.mov");
    const CZentiMovFile file(FileLocator(path.c_str()));
    EXPECT_FALSE(file.IsValid());
    EXPECT_FALSE(MoviePrivateAccess::ScanSucceeded(file));

    const std::size_t cuts[] = {1, 7, 8, 20, 21, static_cast<std::size_t>(built.layout.moovOffset + 8),
                                static_cast<std::size_t>(built.layout.moovOffset + built.layout.moovSize - 1),
                                static_cast<std::size_t>(built.layout.mdatOffset + 8), built.file.size() - 1};
    for (std::size_t cut : cuts) {
        SCOPED_TRACE(cut);
        const std::vector<std::uint8_t> part(built.file.begin(), built.file.begin() + static_cast<std::ptrdiff_t>(cut));
        const std::wstring cutPath = Write(part, "cut.mov");
        const CZentiMovFile cutFile(FileLocator(cutPath.c_str()));
        EXPECT_FALSE(cutFile.IsValid());
        // A cut between two atoms leaves a well-tiled file without media data.
        bool betweenAtoms = false;
        for (const sample::AtomLayout& atom : built.layout.atoms) betweenAtoms |= atom.offset + atom.size == cut;
        EXPECT_EQ(MoviePrivateAccess::ScanSucceeded(cutFile), betweenAtoms);
    }
}

}
}
