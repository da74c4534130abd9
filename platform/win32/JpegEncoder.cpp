#include "platform/JpegEncoder.h"

#include "platform/win32/ComSupport.h"

#include <new>
#include <vector>
#include <wincodec.h>

namespace clipreel {
namespace platform {

namespace {

HRESULT EncodeToStream(IStream* stream, const Image& image, int quality) {
    ComRef<IWICImagingFactory> factory;
    HRESULT hr = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                  factory.outVoid());
    if (FAILED(hr)) return hr;
    ComRef<IWICBitmapEncoder> encoder;
    hr = factory->CreateEncoder(GUID_ContainerFormatJpeg, nullptr, encoder.out());
    if (FAILED(hr)) return hr;
    hr = encoder->Initialize(stream, WICBitmapEncoderNoCache);
    if (FAILED(hr)) return hr;
    ComRef<IWICBitmapFrameEncode> frame;
    ComRef<IPropertyBag2> options;
    hr = encoder->CreateNewFrame(frame.out(), options.out());
    if (FAILED(hr)) return hr;
    PROPBAG2 option = {};
    wchar_t qualityName[] = L"ImageQuality";
    option.pstrName = qualityName;
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_R4;
    value.fltVal = static_cast<float>(quality) / 100.0f;
    hr = options->Write(1, &option, &value);
    if (FAILED(hr)) return hr;
    hr = frame->Initialize(options.get());
    if (FAILED(hr)) return hr;
    hr = frame->SetSize(image.width, image.height);
    if (FAILED(hr)) return hr;
    WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
    hr = frame->SetPixelFormat(&format);
    if (FAILED(hr)) return hr;
    if (!IsEqualGUID(format, GUID_WICPixelFormat24bppBGR)) return E_FAIL;
    // WIC's 24-bit format is blue first.
    std::vector<BYTE> bgr(image.pixels.begin(), image.pixels.end());
    for (std::size_t i = 0; i + 2 < bgr.size(); i += 3) std::swap(bgr[i], bgr[i + 2]);
    hr = frame->WritePixels(image.height, static_cast<UINT>(image.Stride()), static_cast<UINT>(bgr.size()),
                            bgr.data());
    if (FAILED(hr)) return hr;
    hr = frame->Commit();
    if (FAILED(hr)) return hr;
    return encoder->Commit();
}

}

HResult encodeJpeg(const Image& image, std::vector<std::uint8_t>& jpeg, int quality) {
    jpeg.clear();
    if (image.IsEmpty() || image.pixels.size() != image.Stride() * image.height) return HResultInvalidArg;
    if (quality < MinimumJpegQuality || quality > MaximumJpegQuality) return HResultInvalidArg;
    if (image.width > 0xFFFFu || image.height > 0xFFFFu) return HResultInvalidArg;

    ComApartment apartment;
    if (!apartment.usable()) return apartment.result();
    ComRef<IStream> stream;
    HRESULT hr = CreateStreamOnHGlobal(nullptr, TRUE, stream.out());
    if (FAILED(hr)) return static_cast<HResult>(hr);
    hr = EncodeToStream(stream.get(), image, quality);
    if (FAILED(hr)) return static_cast<HResult>(hr);

    STATSTG status = {};
    hr = stream->Stat(&status, STATFLAG_NONAME);
    if (FAILED(hr)) return static_cast<HResult>(hr);
    if (status.cbSize.QuadPart == 0 || status.cbSize.QuadPart > 0xFFFFFFFFull) return HResultFail;
    const auto size = static_cast<ULONG>(status.cbSize.QuadPart);
    LARGE_INTEGER start = {};
    hr = stream->Seek(start, STREAM_SEEK_SET, nullptr);
    if (FAILED(hr)) return static_cast<HResult>(hr);
    std::vector<std::uint8_t> encoded;
    try {
        encoded.resize(size);
    } catch (const std::bad_alloc&) {
        return HResultOutOfMemory;
    }
    ULONG read = 0;
    hr = stream->Read(encoded.data(), size, &read);
    if (FAILED(hr) || read != size) return FAILED(hr) ? static_cast<HResult>(hr) : HResultFail;
    jpeg.swap(encoded);
    return HResultOk;
}

}
}
