#include "platform/FrameGrabber.h"

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
    MediaFoundation() : result_(MFStartup(MF_VERSION, MFSTARTUP_LITE)) {}
    ~MediaFoundation() {
        if (SUCCEEDED(result_)) MFShutdown();
    }
    MediaFoundation(const MediaFoundation&) = delete;
    MediaFoundation& operator=(const MediaFoundation&) = delete;
    HRESULT result() const { return result_; }

private:
    HRESULT result_;
};

HRESULT OpenReader(const wchar_t* path, ComRef<IMFSourceReader>& reader) {
    ComRef<IMFAttributes> attributes;
    HRESULT hr = MFCreateAttributes(attributes.out(), 1);
    if (FAILED(hr)) return hr;
    // The reader converts the decoder's output into RGB for us.
    hr = attributes->SetUINT32(MF_SOURCE_READER_ENABLE_VIDEO_PROCESSING, TRUE);
    if (FAILED(hr)) return hr;
    hr = MFCreateSourceReaderFromURL(path, attributes.get(), reader.out());
    if (FAILED(hr)) return hr;
    hr = reader->SetStreamSelection(static_cast<DWORD>(MF_SOURCE_READER_ALL_STREAMS), FALSE);
    if (FAILED(hr)) return hr;
    hr = reader->SetStreamSelection(VideoStream, TRUE);
    if (FAILED(hr)) return hr;
    ComRef<IMFMediaType> type;
    hr = MFCreateMediaType(type.out());
    if (FAILED(hr)) return hr;
    hr = type->SetGUID(MF_MT_MAJOR_TYPE, MFMediaType_Video);
    if (FAILED(hr)) return hr;
    hr = type->SetGUID(MF_MT_SUBTYPE, MFVideoFormat_RGB32);
    if (FAILED(hr)) return hr;
    return reader->SetCurrentMediaType(VideoStream, nullptr, type.get());
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

// Copies one RGB32 (blue, green, red, unused) sample into image.
HRESULT CopyFrame(IMFSourceReader* reader, IMFSample* sample, Image& image) {
    ComRef<IMFMediaType> type;
    HRESULT hr = reader->GetCurrentMediaType(VideoStream, type.out());
    if (FAILED(hr)) return hr;
    UINT32 width = 0, height = 0;
    hr = MFGetAttributeSize(type.get(), MF_MT_FRAME_SIZE, &width, &height);
    if (FAILED(hr)) return hr;
    if (width == 0 || height == 0 || width > 0x7FFF || height > 0x7FFF) return E_FAIL;
    const LONG rowBytes = static_cast<LONG>(width) * 4;
    LONG stride = static_cast<LONG>(MFGetAttributeUINT32(type.get(), MF_MT_DEFAULT_STRIDE,
                                                         static_cast<UINT32>(rowBytes)));
    if (stride != rowBytes && stride != -rowBytes) stride = rowBytes;

    ComRef<IMFMediaBuffer> buffer;
    hr = sample->ConvertToContiguousBuffer(buffer.out());
    if (FAILED(hr)) return hr;
    BYTE* data = nullptr;
    DWORD length = 0;
    hr = buffer->Lock(&data, nullptr, &length);
    if (FAILED(hr)) return hr;
    if (static_cast<unsigned long long>(length) < static_cast<unsigned long long>(rowBytes) * height) {
        buffer->Unlock();
        return E_FAIL;
    }
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
    buffer->Unlock();
    return S_OK;
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
