#include "sample/SolidColourJpeg.h"

#include "bytes/ByteBuffer.h"

#include <cmath>
#include <stdexcept>

namespace clipreel {
namespace sample {

namespace {

// Every 8×8 block of a flat image has only its DC coefficient; with a DC
// quantiser of 8 the quantised coefficient is the sample minus 128.
constexpr int DcQuantiser = 8;

// The Huffman tables are minimal but valid: the DC table codes the twelve
// magnitude categories with four bits each (0000 to 1011, never all ones);
// the AC table holds a single symbol, end of block, coded as one 0 bit.
constexpr unsigned DcCodeLength = 4;

class BitWriter {
public:
    explicit BitWriter(ByteBuffer& out) : buffer(out) {}

    void Put(std::uint32_t bits, unsigned count) {
        for (unsigned i = count; i-- > 0;) {
            current = static_cast<std::uint8_t>((current << 1) | ((bits >> i) & 1U));
            if (++filled == 8) Flush();
        }
    }

    // Pads the last byte with one bits, as the format asks.
    void Finish() {
        while (filled != 0) Put(1, 1);
    }

private:
    void Flush() {
        buffer.AppendU8(current);
        if (current == 0xFF) buffer.AppendU8(0x00);  // byte stuffing
        current = 0;
        filled = 0;
    }

    ByteBuffer& buffer;
    std::uint8_t current = 0;
    unsigned filled = 0;
};

unsigned MagnitudeCategory(int value) {
    unsigned magnitude = static_cast<unsigned>(value < 0 ? -value : value);
    unsigned category = 0;
    while (magnitude != 0) {
        ++category;
        magnitude >>= 1;
    }
    return category;
}

void PutDcDifference(BitWriter& bits, int difference) {
    const unsigned category = MagnitudeCategory(difference);
    bits.Put(category, DcCodeLength);
    if (category == 0) return;
    // Negative differences are sent as their one's complement in category bits.
    const int raw = difference < 0 ? difference + (1 << category) - 1 : difference;
    bits.Put(static_cast<std::uint32_t>(raw), category);
}

int ClampSample(double value) {
    const long rounded = std::lround(value);
    return rounded < 0 ? 0 : (rounded > 255 ? 255 : static_cast<int>(rounded));
}

void AppendSegmentHeader(ByteBuffer& out, std::uint8_t marker, std::uint16_t length) {
    out.AppendU8(0xFF);
    out.AppendU8(marker);
    out.AppendU16BE(length);
}

}

std::vector<std::uint8_t> EncodeSolidColourJpeg(unsigned width, unsigned height, const std::uint8_t rgb[3]) {
    if (width == 0 || height == 0 || width > 0xFFFF || height > 0xFFFF) {
        throw std::invalid_argument("JPEG size must be 1 to 65535 pixels each way");
    }
    const double r = rgb[0];
    const double g = rgb[1];
    const double b = rgb[2];
    const int samples[3] = {
        ClampSample(0.299 * r + 0.587 * g + 0.114 * b),
        ClampSample(128.0 - 0.168736 * r - 0.331264 * g + 0.5 * b),
        ClampSample(128.0 + 0.5 * r - 0.418688 * g - 0.081312 * b),
    };

    ByteBuffer out;
    out.AppendU8(0xFF);
    out.AppendU8(0xD8);

    AppendSegmentHeader(out, 0xE0, 16);  // JFIF 1.01, no density, no preview
    out.AppendText(std::string("JFIF", 4));
    out.AppendU8(0);
    out.AppendU8(1);
    out.AppendU8(1);
    out.AppendU8(0);
    out.AppendU16BE(1);
    out.AppendU16BE(1);
    out.AppendU8(0);
    out.AppendU8(0);

    AppendSegmentHeader(out, 0xDB, 2 + 65);  // one 8-bit table, id 0
    out.AppendU8(0x00);
    out.AppendU8(DcQuantiser);
    for (int i = 1; i < 64; ++i) out.AppendU8(16);

    AppendSegmentHeader(out, 0xC0, 8 + 3 * 3);  // baseline, 8 bits, 3 components 1×1
    out.AppendU8(8);
    out.AppendU16BE(static_cast<std::uint16_t>(height));
    out.AppendU16BE(static_cast<std::uint16_t>(width));
    out.AppendU8(3);
    for (std::uint8_t id = 1; id <= 3; ++id) {
        out.AppendU8(id);
        out.AppendU8(0x11);
        out.AppendU8(0);
    }

    AppendSegmentHeader(out, 0xC4, 2 + (1 + 16 + 12) + (1 + 16 + 1));
    out.AppendU8(0x00);  // DC table 0
    for (unsigned length = 1; length <= 16; ++length) out.AppendU8(length == DcCodeLength ? 12 : 0);
    for (std::uint8_t symbol = 0; symbol < 12; ++symbol) out.AppendU8(symbol);
    out.AppendU8(0x10);  // AC table 0
    for (unsigned length = 1; length <= 16; ++length) out.AppendU8(length == 1 ? 1 : 0);
    out.AppendU8(0x00);  // end of block

    AppendSegmentHeader(out, 0xDA, 6 + 2 * 3);
    out.AppendU8(3);
    for (std::uint8_t id = 1; id <= 3; ++id) {
        out.AppendU8(id);
        out.AppendU8(0x00);
    }
    out.AppendU8(0);
    out.AppendU8(63);
    out.AppendU8(0);

    BitWriter bits(out);
    const unsigned blocks = ((width + 7) / 8) * ((height + 7) / 8);
    int previous[3] = {0, 0, 0};
    for (unsigned block = 0; block < blocks; ++block) {
        for (int c = 0; c < 3; ++c) {
            const int dc = samples[c] - 128;
            PutDcDifference(bits, dc - previous[c]);
            previous[c] = dc;
            bits.Put(0, 1);  // end of block
        }
    }
    bits.Finish();

    out.AppendU8(0xFF);
    out.AppendU8(0xD9);
    return std::move(out.bytes());
}

}
}
