// Writes the fuzzers' seed corpora with the sample camera movie writer:
//   <out>/movfile    whole small camera movies
//   <out>/moov       their movie atoms' contents (after the 8-byte header)
//   <out>/moviedesc  camera thumbnails with their Exif movie records
//   <out>/save       an editing list, then a whole small camera movie
//   <out>/wave       small WAV files
//   <out>/alias      switches, a serial number and UTF-16LE path texts
//   <out>/indexlist  a unit count, then an index list
// Usage: FuzzSeedWriter <out folder>
#include "bytes/ByteWriter.h"
#include "sample/SampleMovieWriter.h"
#include "sample/ThumbnailBuilder.h"

#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace {

using namespace clipreel;
using namespace clipreel::sample;

void Save(const std::filesystem::path& path, const std::uint8_t* data, std::size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

// Small movies: tiny dummy frames and little 8-bit mono sound, so that the
// fuzzer spends its time in the parser rather than in reading.
SampleMovieSpec TinySpec() {
    SampleMovieSpec spec = TinyMovieSpec(2);
    spec.thumbnailRoom = 1024;
    return spec;
}

struct MovieSeed {
    const char* name;
    std::function<void(SampleMovieSpec&)> change;
};

const std::vector<MovieSeed>& MovieSeeds() {
    static const std::vector<MovieSeed> seeds = {
        {"reel", [](SampleMovieSpec&) {}},
        {"reel-long-record", [](SampleMovieSpec& s) { s.creatorVersion = 10; }},
        {"reel-no-sound", [](SampleMovieSpec& s) { s.sound.present = false; }},
        {"reel-big-endian", [](SampleMovieSpec& s) { s.tiffOrder = s.makerNoteOrder = ByteOrder::Big; }},
        {"reel-relocated", [](SampleMovieSpec& s) { s.makerNoteRelocation = 40; }},
        {"reel-version5", [](SampleMovieSpec& s) {
             s.creatorVersion = 5;
             s.recordFramePerUnit = false;
         }},
        {"montagio-whole", [](SampleMovieSpec& s) { s.montagioTime = 0xFFFF; }},
        {"montagio-2s", [](SampleMovieSpec& s) {
             s.montagioTime = 2;
             s.units = 10;
         }},
        {"last-chunk-shorter", [](SampleMovieSpec& s) { s.breakage.soundStscTwoEntries = true; }},
        {"two-mdat", [](SampleMovieSpec& s) { s.breakage.twoMdat = true; }},
        {"movie-free-atoms", [](SampleMovieSpec& s) {
             s.movieFreeAtoms = 1;
             s.movieEndsWithFree = true;
             s.extraAtoms.push_back({FourCC("skip"), {1, 2, 3, 4}, false});
         }},
        {"no-thumbnail", [](SampleMovieSpec& s) { s.breakage.noThumbnail = true; }},
        {"two-data-references", [](SampleMovieSpec& s) { s.breakage.twoDataReferences = true; }},
        {"sound-elsewhere", [](SampleMovieSpec& s) { s.breakage.soundInOtherFile = true; }},
        {"extra-frames", [](SampleMovieSpec& s) { s.breakage.extraFrames = 2; }},
    };
    return seeds;
}

struct ThumbnailSeed {
    const char* name;
    std::function<void(ThumbnailSpec&)> change;
};

const std::vector<ThumbnailSeed>& ThumbnailSeeds() {
    static const std::vector<ThumbnailSeed> seeds = {
        {"short", [](ThumbnailSpec&) {}},
        {"short-250", [](ThumbnailSpec& s) { s.shortRecordSize = 250; }},
        {"long", [](ThumbnailSpec& s) { s.recordKind = RecordKind::Long; }},
        {"long-two-modes", [](ThumbnailSpec& s) {
             s.recordKind = RecordKind::Long;
             s.longRecordTwoModeTags = true;
         }},
        {"both", [](ThumbnailSpec& s) { s.bothRecords = true; }},
        {"big-endian", [](ThumbnailSpec& s) { s.tiffOrder = s.makerNoteOrder = ByteOrder::Big; }},
        {"mixed-orders", [](ThumbnailSpec& s) { s.makerNoteOrder = ByteOrder::Big; }},
        {"relocated", [](ThumbnailSpec& s) { s.relocation = 100; }},
        {"no-footer", [](ThumbnailSpec& s) { s.footer = false; }},
        {"short-id", [](ThumbnailSpec& s) { s.imageIdSize = 12; }},
    };
    return seeds;
}

void Save(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    Save(path, bytes.data(), bytes.size());
}

// A PCM WAV file: RIFF, 'fmt ' and 'data', little-endian.
std::vector<std::uint8_t> Wave(std::uint16_t channels, std::uint32_t rate, std::uint16_t bits, std::uint32_t frames) {
    const std::uint16_t blockAlign = static_cast<std::uint16_t>(channels * bits / 8);
    const std::uint32_t dataSize = frames * blockAlign;
    std::vector<std::uint8_t> file(44 + dataSize, 0);
    ByteWriter out(file.data(), file.size());
    out.WriteBytes("RIFF", 4);
    out.WriteU32LE(36 + dataSize);
    out.WriteBytes("WAVEfmt ", 8);
    out.WriteU32LE(16);
    out.WriteU16LE(1);
    out.WriteU16LE(channels);
    out.WriteU32LE(rate);
    out.WriteU32LE(rate * blockAlign);
    out.WriteU16LE(blockAlign);
    out.WriteU16LE(bits);
    out.WriteBytes("data", 4);
    out.WriteU32LE(dataSize);
    return file;
}

std::vector<std::uint8_t> AliasSeed(std::uint8_t switches, const std::vector<std::wstring>& texts) {
    std::vector<std::uint8_t> seed = {switches, 0x78, 0x56, 0x34, 0x12};
    for (std::size_t i = 0; i < texts.size(); ++i) {
        if (i > 0) seed.insert(seed.end(), {0xFF, 0xFF});
        for (const wchar_t c : texts[i]) {
            seed.push_back(static_cast<std::uint8_t>(c & 0xFF));
            seed.push_back(static_cast<std::uint8_t>((c >> 8) & 0xFF));
        }
    }
    return seed;
}

void WriteOtherSeeds(const std::filesystem::path& out) {
    const std::filesystem::path waves = out / "wave";
    const std::filesystem::path aliases = out / "alias";
    const std::filesystem::path lists = out / "indexlist";
    for (const auto& folder : {waves, aliases, lists}) std::filesystem::create_directories(folder);
    Save(waves / "stereo16.wav", Wave(2, 48000, 16, 12));
    Save(waves / "mono8.wav", Wave(1, 8000, 8, 5));
    Save(aliases / "windows.bin", AliasSeed(0x06, {L"C:\\Movies\\Reel\\clip.mov", L"CAMERA", L"CLIP~1.MOV"}));
    Save(aliases / "posix.bin", AliasSeed(0x01, {L"/home/user/movies/clip.mov"}));
    Save(aliases / "unicode.bin", AliasSeed(0x07, {L"D:/Filme/\u00e4\u4e2d/\u00fcber.mov", L"\u00c4", L""}));
    const std::vector<std::pair<const char*, std::string>> indexLists = {
        {"three", std::string(1, '\x05') + "2,0,3"}, {"blanks", std::string(1, '\x04') + " 1 , 3 "},
        {"one", std::string(1, '\x01') + "0"}};
    for (const auto& list : indexLists)
        Save(lists / (std::string(list.first) + ".txt"),
             reinterpret_cast<const std::uint8_t*>(list.second.data()), list.second.size());
}

void WriteSeeds(const std::filesystem::path& out) {
    const std::filesystem::path movies = out / "movfile";
    const std::filesystem::path atoms = out / "moov";
    const std::filesystem::path thumbnails = out / "moviedesc";
    const std::filesystem::path saves = out / "save";
    for (const auto& folder : {movies, atoms, thumbnails, saves}) std::filesystem::create_directories(folder);
    WriteOtherSeeds(out);
    // Editing lists for the save seeds: removal, reorder, unchanged.
    const std::vector<std::vector<std::uint8_t>> editingLists = {{1, 1}, {2, 1, 0}, {0}};

    for (const MovieSeed& seed : MovieSeeds()) {
        SampleMovieSpec spec = TinySpec();
        seed.change(spec);
        SampleMovieLayout layout;
        const std::vector<std::uint8_t> file = BuildSampleMovie(spec, &layout);
        const std::string name = seed.name;
        Save(movies / (name + ".mov"), file.data(), file.size());
        for (std::size_t i = 0; i < editingLists.size(); ++i) {
            std::vector<std::uint8_t> input = editingLists[i];
            input.insert(input.end(), file.begin(), file.end());
            Save(saves / (name + "-" + std::to_string(i) + ".bin"), input);
        }
        Save(atoms / (name + ".moov"), file.data() + layout.moovOffset + 8,
             static_cast<std::size_t>(layout.moovSize - 8));
        if (!layout.thumbnail.empty()) {
            Save(thumbnails / (name + ".jpg"), layout.thumbnail.data(), layout.thumbnail.size());
        }
    }
    for (const ThumbnailSeed& seed : ThumbnailSeeds()) {
        ThumbnailSpec spec;
        spec.movFileSize = 123456;
        seed.change(spec);
        const std::vector<std::uint8_t> jpeg = BuildThumbnail(spec);
        Save(thumbnails / (std::string("thumbnail-") + seed.name + ".jpg"), jpeg.data(), jpeg.size());
    }
}

}

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <out folder>\n", argv[0]);
        return 2;
    }
    try {
        WriteSeeds(argv[1]);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "FuzzSeedWriter: %s\n", error.what());
        return 1;
    }
    return 0;
}
