#ifndef CLIPREEL_BYTES_BYTE_ORDER_H
#define CLIPREEL_BYTES_BYTE_ORDER_H

namespace clipreel {

// Movie atoms are big-endian; WAV files little-endian; TIFF and the camera's
// maker note say which in their own headers.
enum class ByteOrder { Little, Big };

}

#endif
