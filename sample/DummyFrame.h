#ifndef CLIPREEL_SAMPLE_DUMMY_FRAME_H
#define CLIPREEL_SAMPLE_DUMMY_FRAME_H

#include <cstdint>

namespace clipreel {
namespace sample {

// Quick stand-ins for coded frames: sizes vary from frame to frame (key
// frames are larger), and the bytes are a pure function of the frame index,
// so a copied frame can be told from any other. Each begins like one
// length-prefixed NAL unit: its length (size − 4, big-endian), a NAL header
// byte (0x65 for a key frame, 0x41 otherwise), then the frame index
// (big-endian).
std::uint32_t DummyFrameSize(unsigned index, bool keyFrame, unsigned width, unsigned height);
void FillDummyFrame(unsigned index, bool keyFrame, std::uint8_t* out, std::uint32_t size);

// The frame index a dummy frame carries (bytes 5 to 8).
constexpr unsigned DummyFrameIndexOffset = 5;

}
}

#endif
