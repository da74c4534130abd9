#ifndef CLIPREEL_EDITOR_JPEG_IMAGE_DATA_H
#define CLIPREEL_EDITOR_JPEG_IMAGE_DATA_H

#include <cstdint>

namespace clipreel {

// Where a JPEG's image data begins: the first quantisation table (FF DB),
// baseline frame (FF C0), Huffman table (FF C4) or restart interval (FF DD)
// marker after the start of image, skipping every other segment before it.
// Returns a pointer into jpeg and the bytes from there to the end in
// remaining; null (remaining 0) when the data does not start with FF D8,
// reaches an end of image or start of scan first, holds a segment whose
// length runs to or past the end, or is not a marker where one must be.
const std::uint8_t* findJpegImageData(const void* jpeg, unsigned size, unsigned* remaining);

}

#endif
