#include "sample/PcmH264Stream.h"

#include <algorithm>
#include <stdexcept>

namespace clipreel {
namespace sample {

namespace {

constexpr unsigned BlockSize = 16;         // luma samples across a macroblock
constexpr unsigned FrameNumberBits = 4;    // log2_max_frame_num
constexpr unsigned NalSequenceParameters = 7;
constexpr unsigned NalPictureParameters = 8;
constexpr unsigned NalIdrSlice = 5;
constexpr unsigned NalSlice = 1;
constexpr unsigned SliceTypeAllP = 5;
constexpr unsigned SliceTypeAllI = 7;
constexpr unsigned MacroblockTypeIPcm = 25;

// The bits of one raw byte sequence payload, most significant first.
class BitWriter {
public:
    void Bits(std::uint32_t value, unsigned count) {
        for (unsigned i = count; i-- > 0;) Bit((value >> i) & 1U);
    }
    // Exp-Golomb codes: ue(v) and se(v).
    void Unsigned(std::uint32_t value) {
        const std::uint64_t coded = static_cast<std::uint64_t>(value) + 1;
        unsigned length = 0;
        while ((coded >> (length + 1)) != 0) ++length;
        Bits(0, length);
        for (unsigned i = length + 1; i-- > 0;) Bit(static_cast<unsigned>((coded >> i) & 1U));
    }
    void Signed(std::int32_t value) {
        Unsigned(value > 0 ? static_cast<std::uint32_t>(value) * 2 - 1 : static_cast<std::uint32_t>(-value) * 2);
    }
    void AlignWithZeros() {
        while (used != 0) Bit(0);
    }
    void Byte(std::uint8_t value) {
        if (used == 0) {
            bytes.push_back(value);
        } else {
            Bits(value, 8);
        }
    }
    // rbsp_trailing_bits: a one, then zeros to the byte's end.
    std::vector<std::uint8_t> Finish() {
        Bit(1);
        AlignWithZeros();
        return std::move(bytes);
    }

private:
    void Bit(unsigned bit) {
        if (used == 0) bytes.push_back(0);
        if (bit) bytes.back() |= static_cast<std::uint8_t>(0x80U >> used);
        used = (used + 1) % 8;
    }

    std::vector<std::uint8_t> bytes;
    unsigned used = 0;  // bits of the last byte in use
};

// A NAL unit: its header byte, then the payload with an emulation prevention
// byte wherever two zeros would otherwise be followed by a byte below 4.
std::vector<std::uint8_t> NalUnit(unsigned referenceLevel, unsigned type, const std::vector<std::uint8_t>& payload) {
    std::vector<std::uint8_t> unit{static_cast<std::uint8_t>((referenceLevel << 5) | type)};
    unit.reserve(payload.size() + payload.size() / 64 + 2);
    unsigned zeros = 0;
    for (const std::uint8_t byte : payload) {
        if (zeros >= 2 && byte <= 3) {
            unit.push_back(3);
            zeros = 0;
        }
        unit.push_back(byte);
        zeros = byte == 0 ? zeros + 1 : 0;
    }
    return unit;
}

// Sample (x, y) of a plane of the given size, the edge repeated past it.
std::uint8_t SampleAt(const std::vector<std::uint8_t>& plane, unsigned width, unsigned height, unsigned x,
                      unsigned y) {
    return plane[static_cast<std::size_t>(std::min(y, height - 1)) * width + std::min(x, width - 1)];
}

}

PcmH264Stream::PcmH264Stream(unsigned width, unsigned height)
    : widthInBlocks((width + BlockSize - 1) / BlockSize), heightInBlocks((height + BlockSize - 1) / BlockSize) {
    if (width == 0 || height == 0 || width % 2 != 0 || height % 2 != 0) {
        throw std::invalid_argument("the picture's width and height must be even and not 0");
    }
    BitWriter sps;
    sps.Bits(66, 8);    // profile_idc: Baseline
    sps.Bits(0xC0, 8);  // constraint_set0 and set1: Constrained Baseline
    sps.Bits(51, 8);    // level_idc: uncoded pictures need the highest rates
    sps.Unsigned(0);    // seq_parameter_set_id
    sps.Unsigned(FrameNumberBits - 4);
    sps.Unsigned(2);  // pic_order_cnt_type: output in decoding order
    sps.Unsigned(1);  // max_num_ref_frames
    sps.Bits(0, 1);   // gaps_in_frame_num_value_allowed_flag
    sps.Unsigned(widthInBlocks - 1);
    sps.Unsigned(heightInBlocks - 1);
    sps.Bits(1, 1);  // frame_mbs_only_flag
    sps.Bits(1, 1);  // direct_8x8_inference_flag
    const unsigned cropRight = widthInBlocks * BlockSize - width;
    const unsigned cropBottom = heightInBlocks * BlockSize - height;
    sps.Bits(cropRight != 0 || cropBottom != 0 ? 1 : 0, 1);  // frame_cropping_flag
    if (cropRight != 0 || cropBottom != 0) {
        // In units of two samples, as 4:2:0 frames count them.
        sps.Unsigned(0);
        sps.Unsigned(cropRight / 2);
        sps.Unsigned(0);
        sps.Unsigned(cropBottom / 2);
    }
    sps.Bits(0, 1);  // vui_parameters_present_flag
    sequenceParameterSet = NalUnit(3, NalSequenceParameters, sps.Finish());

    BitWriter pps;
    pps.Unsigned(0);  // pic_parameter_set_id
    pps.Unsigned(0);  // seq_parameter_set_id
    pps.Bits(0, 1);   // entropy_coding_mode_flag: CAVLC
    pps.Bits(0, 1);   // bottom_field_pic_order_in_frame_present_flag
    pps.Unsigned(0);  // num_slice_groups_minus1
    pps.Unsigned(0);  // num_ref_idx_l0_default_active_minus1
    pps.Unsigned(0);  // num_ref_idx_l1_default_active_minus1
    pps.Bits(0, 1);   // weighted_pred_flag
    pps.Bits(0, 2);   // weighted_bipred_idc
    pps.Signed(0);    // pic_init_qp_minus26
    pps.Signed(0);    // pic_init_qs_minus26
    pps.Signed(0);    // chroma_qp_index_offset
    pps.Bits(1, 1);   // deblocking_filter_control_present_flag
    pps.Bits(0, 1);   // constrained_intra_pred_flag
    pps.Bits(0, 1);   // redundant_pic_cnt_present_flag
    pictureParameterSet = NalUnit(3, NalPictureParameters, pps.Finish());
}

std::vector<std::uint8_t> PcmH264Stream::KeyFrame(const Picture420& picture) {
    if (picture.width == 0 || picture.height == 0) throw std::invalid_argument("empty picture");
    frameNumber = 0;
    BitWriter slice;
    slice.Unsigned(0);  // first_mb_in_slice
    slice.Unsigned(SliceTypeAllI);
    slice.Unsigned(0);  // pic_parameter_set_id
    slice.Bits(frameNumber, FrameNumberBits);
    slice.Unsigned(keyFrames++ % 65536);   // idr_pic_id
    slice.Bits(0, 1);                      // no_output_of_prior_pics_flag
    slice.Bits(0, 1);                      // long_term_reference_flag
    slice.Signed(0);                       // slice_qp_delta
    slice.Unsigned(1);                     // disable_deblocking_filter_idc: off
    const unsigned chromaWidth = picture.ChromaWidth();
    const unsigned chromaHeight = picture.ChromaHeight();
    for (unsigned row = 0; row < heightInBlocks; ++row) {
        for (unsigned column = 0; column < widthInBlocks; ++column) {
            slice.Unsigned(MacroblockTypeIPcm);
            slice.AlignWithZeros();  // pcm_alignment_zero_bit
            for (unsigned y = 0; y < BlockSize; ++y) {
                for (unsigned x = 0; x < BlockSize; ++x) {
                    slice.Byte(SampleAt(picture.y, picture.width, picture.height, column * BlockSize + x,
                                        row * BlockSize + y));
                }
            }
            for (const std::vector<std::uint8_t>* plane : {&picture.cb, &picture.cr}) {
                for (unsigned y = 0; y < BlockSize / 2; ++y) {
                    for (unsigned x = 0; x < BlockSize / 2; ++x) {
                        slice.Byte(SampleAt(*plane, chromaWidth, chromaHeight, column * BlockSize / 2 + x,
                                            row * BlockSize / 2 + y));
                    }
                }
            }
        }
    }
    ++frameNumber;
    return NalUnit(3, NalIdrSlice, slice.Finish());
}

std::vector<std::uint8_t> PcmH264Stream::RepeatFrame() {
    BitWriter slice;
    slice.Unsigned(0);  // first_mb_in_slice
    slice.Unsigned(SliceTypeAllP);
    slice.Unsigned(0);  // pic_parameter_set_id
    slice.Bits(frameNumber % (1U << FrameNumberBits), FrameNumberBits);
    slice.Bits(0, 1);  // num_ref_idx_active_override_flag
    slice.Bits(0, 1);  // ref_pic_list_modification_flag_l0
    slice.Bits(0, 1);  // adaptive_ref_pic_marking_mode_flag: sliding window
    slice.Signed(0);   // slice_qp_delta
    slice.Unsigned(1); // disable_deblocking_filter_idc: off
    slice.Unsigned(widthInBlocks * heightInBlocks);  // mb_skip_run: every macroblock
    ++frameNumber;
    return NalUnit(2, NalSlice, slice.Finish());
}

}
}
