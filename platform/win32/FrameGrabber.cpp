#include "platform/FrameGrabber.h"

#include "platform/VideoPicture.h"
#include "platform/win32/ComSupport.h"

#include <mfapi.h>
#include <mferror.h>
#include <mfidl.h>
#include <mfreadwrite.h>
#include <propidl.h>

namespace clipreel {
namespace platform {

namespace {

constexpr DWORD VideoStream = static_cast<DWORD>(MF_SOURCE_READER_FIRST_VIDEO_STREAM);

// Media Foundation for the calling thread while it lives.
class MediaFoundation {
public:
    MediaFoundation() : startupResult(MFStartup(MF_VERSION, MFSTARTUP_LITE)) {}
    ~MediaFoundation() {
        if (SUCCEEDED(startupResult)) MFShutdown();
    }
    MediaFoundation(const MediaFoundation&) = delete;
    MediaFoundation& operator=(const MediaFoundation&) = delete;
    HRESULT result() const { return startupResult; }

private:
    HRESULT startupResult;
};

// The pictures the reader is asked for, in order: the decoders' own
// formats first, which need no conversion inside Media Foundation (wine
// offers no converter to RGB32 from its decoders' output, and on Windows
// they save the video processor's pass); RGB32 through the reader's own
// video processing last.
const GUID* const PictureFormats[] = {&MFVideoFormat_NV12, &MFVideoFormat_YUY2, &MFVideoFormat_RGB32};

HRESULT OpenReader(const wchar_t* path, ComRef<IMFSourceReader>& reader) {
    ComRef<IMFAttributes> attributes;
    HRESULT hr = MFCreateAttributes(attributes.out(), 1);
    if (FAILED(hr)) return hr;
    hr = attributes->SetUINT32(MF_SOURCE_READER_ENABLE_VIDEO_PROCESSING, TRUE);
    if (FAILED(hr)) return hr;
    hr = MFCreateSourceReaderFromURL(path, attributes.get(), reader.out());
    if (FAILED(hr)) return hr;
    hr = reader->SetStreamSelection(static_cast<DWORD>(MF_SOURCE_READER_ALL_STREAMS), FALSE);
    if (FAILED(hr)) return hr;
    hr = reader->SetStreamSelection(VideoStream, TRUE);
    if (FAILED(hr)) return hr;
    for (const GUID* format : PictureFormats) {
        ComRef<IMFMediaType> type;
        hr = MFCreateMediaType(type.out());
        if (FAILED(hr)) return hr;
        hr = type->SetGUID(MF_MT_MAJOR_TYPE, MFMediaType_Video);
        if (FAILED(hr)) return hr;
        hr = type->SetGUID(MF_MT_SUBTYPE, *format);
        if (FAILED(hr)) return hr;
        hr = reader->SetCurrentMediaType(VideoStream, nullptr, type.get());
        if (SUCCEEDED(hr)) return hr;
    }
    return hr;
}

HRESULT SeekTo(IMFSourceReader* reader, std::int64_t time) {
    PROPVARIANT position;
    PropVariantInit(&position);
    position.vt = VT_I8;
    position.hVal.QuadPart = time;
    const HRESULT hr = reader->SetCurrentPosition(GUID_NULL, position);
    PropVariantClear(&position);
    return hr;
}

// Copies one RGB32 (blue, green, red, unused) picture into image.
HRESULT CopyRgb32(const BYTE* data, DWORD length, UINT32 width, UINT32 height, LONG stride, Image& image) {
    const LONG rowBytes = static_cast<LONG>(width) * 4;
    if (stride != rowBytes && stride != -rowBytes) stride = rowBytes;
    if (static_cast<unsigned long long>(length) < static_cast<unsigned long long>(rowBytes) * height) return E_FAIL;
    image.Reset(width, height);
    for (UINT32 y = 0; y < height; ++y) {
        // A negative stride is a bottom-up picture.
        const UINT32 sourceRow = stride < 0 ? height - 1 - y : y;
        const BYTE* in = data + static_cast<std::size_t>(sourceRow) * static_cast<std::size_t>(rowBytes);
        std::uint8_t* out = image.pixels.data() + y * image.Stride();
        for (UINT32 x = 0; x < width; ++x) {
            out[x * 3] = in[x * 4 + 2];
            out[x * 3 + 1] = in[x * 4 + 1];
            out[x * 3 + 2] = in[x * 4];
        }
    }
    return S_OK;
}

// The part of a decoder's picture that is shown: the minimum display
// aperture where the decoder pads its planes (1920x1088 for 1080 rows),
// else the whole frame.
void ShownArea(IMFMediaType* type, UINT32 width, UINT32 height, VideoPictureView& view) {
    view.left = 0;
    view.top = 0;
    view.width = width;
    view.height = height;
    MFVideoArea area{};
    UINT32 size = 0;
    if (SUCCEEDED(type->GetBlob(MF_MT_MINIMUM_DISPLAY_APERTURE, reinterpret_cast<UINT8*>(&area), sizeof area,
                                &size)) &&
        size == sizeof area && area.OffsetX.value >= 0 && area.OffsetY.value >= 0 && area.Area.cx > 0 &&
        area.Area.cy > 0 && static_cast<UINT32>(area.OffsetX.value) + static_cast<UINT32>(area.Area.cx) <= width &&
        static_cast<UINT32>(area.OffsetY.value) + static_cast<UINT32>(area.Area.cy) <= height) {
        view.left = static_cast<unsigned>(area.OffsetX.value);
        view.top = static_cast<unsigned>(area.OffsetY.value);
        view.width = static_cast<unsigned>(area.Area.cx);
        view.height = static_cast<unsigned>(area.Area.cy);
    }
}

// Converts one decoded sample, in whichever format the reader agreed to,
// into image.
HRESULT CopyFrame(IMFSourceReader* reader, IMFSample* sample, Image& image) {
    ComRef<IMFMediaType> type;
    HRESULT hr = reader->GetCurrentMediaType(VideoStream, type.out());
    if (FAILED(hr)) return hr;
    GUID format{};
    hr = type->GetGUID(MF_MT_SUBTYPE, &format);
    if (FAILED(hr)) return hr;
    UINT32 width = 0, height = 0;
    hr = MFGetAttributeSize(type.get(), MF_MT_FRAME_SIZE, &width, &height);
    if (FAILED(hr)) return hr;
    if (width == 0 || height == 0 || width > 0x7FFF || height > 0x7FFF) return E_FAIL;
    if (format != MFVideoFormat_NV12 && format != MFVideoFormat_YUY2 && format != MFVideoFormat_RGB32) {
        return MF_E_INVALIDMEDIATYPE;
    }
    const bool planar = format == MFVideoFormat_NV12;
    const UINT32 packedRowBytes = format == MFVideoFormat_YUY2 ? width * 2 : planar ? width : width * 4;
    const LONG defaultStride = static_cast<LONG>(
        MFGetAttributeUINT32(type.get(), MF_MT_DEFAULT_STRIDE, packedRowBytes));

    ComRef<IMFMediaBuffer> buffer;
    hr = sample->ConvertToContiguousBuffer(buffer.out());
    if (FAILED(hr)) return hr;
    BYTE* data = nullptr;
    DWORD length = 0;
    hr = buffer->Lock(&data, nullptr, &length);
    if (FAILED(hr)) return hr;
    if (format == MFVideoFormat_RGB32) {
        hr = CopyRgb32(data, length, width, height, defaultStride, image);
    } else {
        VideoPictureView view;
        view.data = data;
        view.size = length;
        // A buffer's rows are at least as long as the format's rows.
        view.pitch = defaultStride > 0 && static_cast<UINT32>(defaultStride) >= packedRowBytes
                         ? static_cast<std::size_t>(defaultStride)
                         : packedRowBytes;
        view.codedHeight = height;
        ShownArea(type.get(), width, height, view);
        const bool converted = planar ? ConvertNv12Picture(view, image) : ConvertYuy2Picture(view, image);
        hr = converted ? S_OK : E_FAIL;
    }
    buffer->Unlock();
    return hr;
}

// Reads forward from the key frame the seek landed on and keeps the last
// sample presented at or before time.
HRESULT Grab(const wchar_t* path, std::int64_t time, Image& image) {
    ComRef<IMFSourceReader> reader;
    HRESULT hr = OpenReader(path, reader);
    if (FAILED(hr)) return hr;
    hr = SeekTo(reader.get(), time);
    if (FAILED(hr)) return hr;
    ComRef<IMFSample> candidate;
    for (;;) {
        DWORD stream = 0, flags = 0;
        LONGLONG shown = 0;
        ComRef<IMFSample> sample;
        hr = reader->ReadSample(VideoStream, 0, &stream, &flags, &shown, sample.out());
        if (FAILED(hr)) return hr;
        if (flags & MF_SOURCE_READERF_ERROR) return E_FAIL;
        if (sample.get() != nullptr) {
            const bool past = shown > time;
            if (past && candidate.get() != nullptr) break;
            IMFSample* kept = sample.get();
            kept->AddRef();
            *candidate.out() = kept;
            if (past) break;
        }
        if (flags & MF_SOURCE_READERF_ENDOFSTREAM) break;
    }
    if (candidate.get() == nullptr) return E_FAIL;
    return CopyFrame(reader.get(), candidate.get(), image);
}

}

HResult grabMovieFrame(const wchar_t* sourcePath, std::int64_t time, Image& image) {
    image = Image();
    if (sourcePath == nullptr) return HResultPointer;
    if (time < 0) return HResultInvalidArg;
    ComApartment apartment;
    if (!apartment.usable()) return apartment.result();
    MediaFoundation mediaFoundation;
    if (FAILED(mediaFoundation.result())) return static_cast<HResult>(mediaFoundation.result());
    const HRESULT hr = Grab(sourcePath, time, image);
    if (FAILED(hr)) {
        image = Image();
        return static_cast<HResult>(hr);
    }
    return HResultOk;
}

}
}
