// PNG pictures through the Windows Imaging Component: its PNG encoder takes the rows as 24-bit BGR,
// one WritePixels call a row, so that an enlarged frame never needs a whole picture in memory.
#include "platform/win_png.h"

#include <windows.h>
#include <wincodec.h>

#include <cerrno>
#include <vector>

#include "display/surface.h"

namespace {

IWICImagingFactory* s_factory = nullptr;

IWICImagingFactory* factory_get()
{
    if (s_factory) return s_factory;
    const HRESULT init = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    if (FAILED(init) && init != RPC_E_CHANGED_MODE) return nullptr;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                reinterpret_cast<void**>(&s_factory))))
        s_factory = nullptr;
    return s_factory;
}

template <typename T>
void release(T*& p)
{
    if (p) p->Release();
    p = nullptr;
}

}  // namespace

int win_png_write(const char* path, const Surface* frame, int scale)
{
    IWICImagingFactory* factory = factory_get();
    if (!factory) {
        errno = ENOSYS;
        return 0;
    }
    wchar_t wide[MAX_PATH * 4];
    if (!MultiByteToWideChar(CP_ACP, 0, path, -1, wide, MAX_PATH * 4)) {
        errno = ENAMETOOLONG;
        return 0;
    }
    const UINT width = static_cast<UINT>(frame->width * scale);
    const UINT height = static_cast<UINT>(frame->height * scale);
    IWICStream* stream = nullptr;
    IWICBitmapEncoder* encoder = nullptr;
    IWICBitmapFrameEncode* picture = nullptr;
    IPropertyBag2* options = nullptr;
    HRESULT hr = factory->CreateStream(&stream);
    if (SUCCEEDED(hr)) hr = stream->InitializeFromFilename(wide, GENERIC_WRITE);
    if (FAILED(hr)) {
        errno = hr == HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED) ? EACCES : ENOENT;
        release(stream);
        return 0;
    }
    if (SUCCEEDED(hr)) hr = factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder);
    if (SUCCEEDED(hr)) hr = encoder->Initialize(stream, WICBitmapEncoderNoCache);
    if (SUCCEEDED(hr)) hr = encoder->CreateNewFrame(&picture, &options);
    if (SUCCEEDED(hr)) hr = picture->Initialize(options);
    if (SUCCEEDED(hr)) hr = picture->SetSize(width, height);
    WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
    if (SUCCEEDED(hr)) hr = picture->SetPixelFormat(&format);
    if (SUCCEEDED(hr) && !IsEqualGUID(format, GUID_WICPixelFormat24bppBGR)) hr = E_FAIL;
    std::vector<BYTE> row(static_cast<size_t>(width) * 3);
    for (int y = 0; y < frame->height && SUCCEEDED(hr); ++y) {
        const uint32_t* source = surface_row(frame, y);
        BYTE* out = row.data();
        for (int x = 0; x < frame->width; ++x) {
            for (int i = 0; i < scale; ++i, out += 3) {
                out[0] = static_cast<BYTE>(source[x]);
                out[1] = static_cast<BYTE>(source[x] >> 8);
                out[2] = static_cast<BYTE>(source[x] >> 16);
            }
        }
        for (int i = 0; i < scale && SUCCEEDED(hr); ++i)
            hr = picture->WritePixels(1, static_cast<UINT>(row.size()), static_cast<UINT>(row.size()), row.data());
    }
    if (SUCCEEDED(hr)) hr = picture->Commit();
    if (SUCCEEDED(hr)) hr = encoder->Commit();
    release(options);
    release(picture);
    release(encoder);
    release(stream);
    if (FAILED(hr)) {
        errno = EIO;
        return 0;
    }
    return 1;
}
