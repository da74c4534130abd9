#include "bytes/ByteBuffer.h"
#include "bytes/ByteReader.h"
#include "bytes/ByteWriter.h"
#include "bytes/FourCC.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace clipreel {
namespace {

const std::vector<std::uint8_t> TenBytes = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A};

// Each reading step, from a start position, either succeeds and moves the
// cursor to an exact place, or fails and leaves the cursor where it was.
TEST(ByteReaderTest, EveryReadChecksItsBytesFirst) {
    struct Case {
        const char* what;
        std::size_t start;
        std::function<bool(ByteReader&)> step;
        bool succeeds;
        std::size_t end;  // the cursor afterwards
    };
    std::uint8_t u8 = 0;
    std::uint16_t u16 = 0;
    std::uint32_t u32 = 0;
    std::uint64_t u64 = 0;
    std::uint8_t out[16] = {};
    ByteReader window;
    const Case cases[] = {
        {"u8 at last byte", 9, [&](ByteReader& r) { return r.ReadU8(u8); }, true, 10},
        {"u8 at end", 10, [&](ByteReader& r) { return r.ReadU8(u8); }, false, 10},
        {"u16 with 2 left", 8, [&](ByteReader& r) { return r.ReadU16BE(u16); }, true, 10},
        {"u16 with 1 left", 9, [&](ByteReader& r) { return r.ReadU16LE(u16); }, false, 9},
        {"u32 with 4 left", 6, [&](ByteReader& r) { return r.ReadU32BE(u32); }, true, 10},
        {"u32 with 3 left", 7, [&](ByteReader& r) { return r.ReadU32LE(u32); }, false, 7},
        {"u64 with 8 left", 2, [&](ByteReader& r) { return r.ReadU64BE(u64); }, true, 10},
        {"u64 with 7 left", 3, [&](ByteReader& r) { return r.ReadU64(u64, ByteOrder::Little); }, false, 3},
        {"bytes to the end", 4, [&](ByteReader& r) { return r.ReadBytes(out, 6); }, true, 10},
        {"bytes one too many", 4, [&](ByteReader& r) { return r.ReadBytes(out, 7); }, false, 4},
        {"skip to the end", 0, [&](ByteReader& r) { return r.Skip(10); }, true, 10},
        {"skip past the end", 1, [&](ByteReader& r) { return r.Skip(10); }, false, 1},
        {"skip a huge count", 1, [&](ByteReader& r) { return r.Skip(SIZE_MAX); }, false, 1},
        {"seek to the end", 3, [&](ByteReader& r) { return r.Seek(10); }, true, 10},
        {"seek past the end", 3, [&](ByteReader& r) { return r.Seek(11); }, false, 3},
        {"take the rest", 5, [&](ByteReader& r) { return r.Take(5, window); }, true, 10},
        {"take one too many", 5, [&](ByteReader& r) { return r.Take(6, window); }, false, 5},
        {"take a huge length", 5, [&](ByteReader& r) { return r.Take(SIZE_MAX, window); }, false, 5},
        {"sub inside", 2, [&](const ByteReader& r) { return r.Sub(4, 6, window); }, true, 2},
        {"sub past the end", 2, [&](const ByteReader& r) { return r.Sub(4, 7, window); }, false, 2},
        {"sub starting past the end", 2, [&](const ByteReader& r) { return r.Sub(11, 0, window); }, false, 2},
        {"sub whose end wraps", 2, [&](const ByteReader& r) { return r.Sub(4, SIZE_MAX - 2, window); }, false, 2},
        {"peek u32 at the last four", 0, [&](const ByteReader& r) { return r.PeekU32BE(6, u32); }, true, 0},
        {"peek u32 at 7", 0, [&](const ByteReader& r) { return r.PeekU32BE(7, u32); }, false, 0},
        {"peek u32 far out", 0, [&](const ByteReader& r) { return r.PeekU32BE(SIZE_MAX - 1, u32); }, false, 0},
        {"peek u16 at 9", 0, [&](const ByteReader& r) { return r.PeekU16BE(9, u16); }, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ByteReader reader(TenBytes.data(), TenBytes.size());
        ASSERT_TRUE(reader.Seek(c.start));
        EXPECT_EQ(c.step(reader), c.succeeds);
        EXPECT_EQ(reader.position(), c.end);
    }
}

TEST(ByteReaderTest, ValuesAreDecodedInTheGivenOrder) {
    ByteReader reader(TenBytes.data(), TenBytes.size());
    std::uint16_t u16 = 0;
    std::uint32_t u32 = 0;
    std::uint64_t u64 = 0;
    ASSERT_TRUE(reader.ReadU16BE(u16));
    EXPECT_EQ(u16, 0x0102);
    ASSERT_TRUE(reader.ReadU16LE(u16));
    EXPECT_EQ(u16, 0x0403);
    ASSERT_TRUE(reader.ReadU32BE(u32));
    EXPECT_EQ(u32, 0x05060708u);
    ASSERT_TRUE(reader.Seek(2));
    ASSERT_TRUE(reader.ReadU64BE(u64));
    EXPECT_EQ(u64, 0x030405060708090Aull);
    ASSERT_TRUE(reader.PeekU32(1, u32, ByteOrder::Little));
    EXPECT_EQ(u32, 0x05040302u);
}

TEST(ByteReaderTest, WindowsSeeOnlyTheirBytes) {
    ByteReader reader(TenBytes.data(), TenBytes.size());
    ByteReader window;
    ASSERT_TRUE(reader.Sub(3, 4, window));
    std::uint32_t u32 = 0;
    ASSERT_TRUE(window.ReadU32BE(u32));
    EXPECT_EQ(u32, 0x04050607u);
    std::uint8_t u8 = 0;
    EXPECT_FALSE(window.ReadU8(u8)) << "the byte after the window belongs to the parent";
}

TEST(ByteReaderTest, NullDataIsAnEmptyWindow) {
    ByteReader reader(nullptr, 100);
    std::uint8_t u8 = 0;
    EXPECT_EQ(reader.size(), 0u);
    EXPECT_FALSE(reader.ReadU8(u8));
    EXPECT_FALSE(reader.Skip(1));
}

// A failing write changes neither the cursor nor a single byte.
TEST(ByteWriterTest, EveryWriteChecksItsRoomFirst) {
    struct Case {
        const char* what;
        std::size_t start;
        std::function<bool(ByteWriter&)> step;
        bool succeeds;
        std::size_t end;
        std::vector<std::uint8_t> after;
    };
    const std::uint8_t source[7] = {0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7};
    const Case cases[] = {
        {"u8 at the last byte", 5, [](ByteWriter& w) { return w.WriteU8(0xEE); }, true, 6, {0, 0, 0, 0, 0, 0xEE}},
        {"u8 at the end", 6, [](ByteWriter& w) { return w.WriteU8(0xEE); }, false, 6, {0, 0, 0, 0, 0, 0}},
        {"u16 with 1 left", 5, [](ByteWriter& w) { return w.WriteU16BE(0xEEEE); }, false, 5, {0, 0, 0, 0, 0, 0}},
        {"u32 with 4 left", 2, [](ByteWriter& w) { return w.WriteU32BE(0x11223344); }, true, 6,
         {0, 0, 0x11, 0x22, 0x33, 0x44}},
        {"u32 LE with 4 left", 2, [](ByteWriter& w) { return w.WriteU32LE(0x11223344); }, true, 6,
         {0, 0, 0x44, 0x33, 0x22, 0x11}},
        {"u32 with 3 left", 3, [](ByteWriter& w) { return w.WriteU32BE(0x11223344); }, false, 3, {0, 0, 0, 0, 0, 0}},
        {"u64 into 6 bytes", 0, [](ByteWriter& w) { return w.WriteU64(1, ByteOrder::Big); }, false, 0,
         {0, 0, 0, 0, 0, 0}},
        {"bytes that fit", 0, [&](ByteWriter& w) { return w.WriteBytes(source, 6); }, true, 6,
         {0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6}},
        {"bytes one too many", 0, [&](ByteWriter& w) { return w.WriteBytes(source, 7); }, false, 0,
         {0, 0, 0, 0, 0, 0}},
        {"zeros past the end", 4, [](ByteWriter& w) { return w.WriteZeros(3); }, false, 4, {0, 0, 0, 0, 0, 0}},
        {"skip past the end", 4, [](ByteWriter& w) { return w.Skip(3); }, false, 4, {0, 0, 0, 0, 0, 0}},
        {"poke the last four", 0, [](ByteWriter& w) { return w.PokeU32BE(2, 0xCAFEBABE); }, true, 0,
         {0, 0, 0xCA, 0xFE, 0xBA, 0xBE}},
        {"poke at 3", 0, [](ByteWriter& w) { return w.PokeU32BE(3, 0xCAFEBABE); }, false, 0, {0, 0, 0, 0, 0, 0}},
        {"poke far out", 0, [](ByteWriter& w) { return w.PokeU32BE(SIZE_MAX - 1, 1); }, false, 0,
         {0, 0, 0, 0, 0, 0}},
        {"poke u16 at the last two", 0, [](ByteWriter& w) { return w.PokeU16(4, 0xBEEF, ByteOrder::Little); },
         true, 0, {0, 0, 0, 0, 0xEF, 0xBE}},
        {"poke u16 at 5", 0, [](ByteWriter& w) { return w.PokeU16(5, 0xBEEF, ByteOrder::Big); }, false, 0,
         {0, 0, 0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // Two guard bytes after the window catch a write that strays.
        std::vector<std::uint8_t> buffer(8, 0);
        buffer[6] = 0x5A;
        buffer[7] = 0x5A;
        ByteWriter writer(buffer.data(), 6);
        ASSERT_TRUE(writer.Seek(c.start));
        EXPECT_EQ(c.step(writer), c.succeeds);
        EXPECT_EQ(writer.position(), c.end);
        std::vector<std::uint8_t> expected = c.after;
        expected.push_back(0x5A);
        expected.push_back(0x5A);
        EXPECT_EQ(buffer, expected);
    }
}

TEST(ByteBufferTest, PatchesOnlyInsideWhatWasAppended) {
    ByteBuffer buffer;
    buffer.AppendU32BE(0);
    buffer.AppendFourCC("moov");
    EXPECT_TRUE(buffer.PatchU32BE(0, 8));
    EXPECT_FALSE(buffer.PatchU32BE(5, 1));
    EXPECT_FALSE(buffer.PatchU16(7, 1, ByteOrder::Big));
    EXPECT_EQ(buffer.bytes(), (std::vector<std::uint8_t>{0, 0, 0, 8, 'm', 'o', 'o', 'v'}));
    EXPECT_EQ(FourCC("moov"), 0x6D6F6F76u);
}

}
}
