#include "editor/JpegImageData.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace clipreel {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Segment(std::uint8_t marker, std::size_t payload) {
    Bytes s = {0xFF, marker, static_cast<std::uint8_t>((payload + 2) >> 8), static_cast<std::uint8_t>(payload + 2)};
    s.insert(s.end(), payload, 0x11);
    return s;
}

Bytes Join(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

const Bytes Soi = {0xFF, 0xD8};
const Bytes Tail = {0x01, 0x02, 0x03, 0xFF, 0xD9};

struct Case {
    std::string name;
    Bytes jpeg;
    bool found;
    unsigned offset;  // where the image data starts when found
};

TEST(FindJpegImageData, StopsAtTheFirstTableOrFrameMarkerAndRefusesEverythingElse) {
    const Case cases[] = {
        {"quantisation table first", Join({Soi, Segment(0xDB, 4), Tail}), true, 2},
        {"baseline frame first", Join({Soi, Segment(0xC0, 4), Tail}), true, 2},
        {"Huffman table first", Join({Soi, Segment(0xC4, 4), Tail}), true, 2},
        {"restart interval first", Join({Soi, Segment(0xDD, 2), Tail}), true, 2},
        {"JFIF skipped", Join({Soi, Segment(0xE0, 14), Segment(0xDB, 4), Tail}), true, 20},
        {"JFIF, Exif and comment skipped", Join({Soi, Segment(0xE0, 14), Segment(0xE1, 300), Segment(0xFE, 3),
                                                 Segment(0xC4, 4), Tail}),
         true, 2 + 18 + 304 + 7},
        {"not a JPEG", Join({Segment(0xE0, 14), Segment(0xDB, 4)}), false, 0},
        {"start of scan before any table", Join({Soi, Segment(0xE0, 14), Segment(0xDA, 4), Tail}), false, 0},
        {"end of image before any table", Join({Soi, Bytes{0xFF, 0xD9}, Segment(0xDB, 4)}), false, 0},
        {"segment reaching exactly the end", Join({Soi, Segment(0xE0, 14)}), false, 0},
        {"segment running past the end", Join({Soi, Bytes{0xFF, 0xE0, 0x40, 0x00, 1, 2, 3}}), false, 0},
        {"segment length below its own size", Join({Soi, Bytes{0xFF, 0xE0, 0x00, 0x01}, Segment(0xDB, 4)}), false, 0},
        {"no marker where one must be", Join({Soi, Bytes{0x12, 0x34}, Segment(0xDB, 4)}), false, 0},
        {"start of image only", Soi, false, 0},
        {"one byte", Bytes{0xFF}, false, 0},
        {"empty", Bytes{}, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        unsigned remaining = 12345;
        const std::uint8_t* found =
            findJpegImageData(c.jpeg.data(), static_cast<unsigned>(c.jpeg.size()), &remaining);
        if (c.found) {
            ASSERT_EQ(c.jpeg.data() + c.offset, found);
            EXPECT_EQ(c.jpeg.size() - c.offset, remaining);
        } else {
            EXPECT_EQ(nullptr, found);
            EXPECT_EQ(0u, remaining);
        }
    }
}

// The size bounds the walk even when the buffer goes on: a segment that
// would end past `size` is refused.
TEST(FindJpegImageData, ReadsNothingPastTheGivenSize) {
    const Bytes jpeg = Join({Soi, Segment(0xE0, 14), Segment(0xDB, 4), Tail});
    unsigned remaining = 0;
    EXPECT_EQ(nullptr, findJpegImageData(jpeg.data(), 20, &remaining));
    EXPECT_EQ(nullptr, findJpegImageData(jpeg.data(), 21, &remaining));
    EXPECT_EQ(jpeg.data() + 20, findJpegImageData(jpeg.data(), 22, &remaining));
    EXPECT_EQ(2u, remaining);
    EXPECT_EQ(nullptr, findJpegImageData(nullptr, 100, &remaining));
}

}
}
