#include "ui/embedded_images_win.hpp"

#include <wincodec.h>

#include <optional>

#include "ui/com_ptr_win.hpp"
#include "ui/icon_file.hpp"
#include "ui/resource_ids.h"
#include "ui/win32_failure_win.hpp"

namespace corvald::ui {
namespace {

std::optional<std::span<const std::uint8_t>> resource_bytes(const wchar_t* type, int id) {
  HMODULE self = GetModuleHandleW(nullptr);
  HRSRC found = FindResourceW(self, MAKEINTRESOURCEW(id), type);
  if (found == nullptr) return std::nullopt;
  HGLOBAL loaded = LoadResource(self, found);
  const void* data = loaded ? LockResource(loaded) : nullptr;
  if (data == nullptr) return std::nullopt;
  return std::span(static_cast<const std::uint8_t*>(data), SizeofResource(self, found));
}

Result<UniqueBitmap> dib_from(IWICBitmapSource* source) {
  UINT width = 0;
  UINT height = 0;
  if (HRESULT hr = source->GetSize(&width, &height); FAILED(hr)) {
    return hresult_failure("IWICBitmapSource::GetSize", hr);
  }
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = static_cast<LONG>(width);
  info.bmiHeader.biHeight = -static_cast<LONG>(height);  // top-down, as WIC delivers rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  UniqueBitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap || bits == nullptr) return win32_failure("CreateDIBSection");
  const UINT stride = width * 4;
  if (HRESULT hr = source->CopyPixels(nullptr, stride, stride * height, static_cast<BYTE*>(bits));
      FAILED(hr)) {
    return hresult_failure("IWICBitmapSource::CopyPixels", hr);
  }
  return bitmap;
}

}  // namespace

Result<UniqueBitmap> decode_image(std::span<const std::uint8_t> file, Alpha alpha) {
  ComPtr<IWICImagingFactory> factory;
  HRESULT hr = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IWICImagingFactory, factory.put_void());
  if (FAILED(hr)) return hresult_failure("creating the imaging factory", hr);
  ComPtr<IWICStream> stream;
  if (hr = factory->CreateStream(stream.put()); FAILED(hr)) {
    return hresult_failure("IWICImagingFactory::CreateStream", hr);
  }
  // The decoder only reads the bytes, which live as long as the executable's image.
  hr = stream->InitializeFromMemory(const_cast<BYTE*>(file.data()),
                                    static_cast<DWORD>(file.size()));
  if (FAILED(hr)) return hresult_failure("IWICStream::InitializeFromMemory", hr);
  ComPtr<IWICBitmapDecoder> decoder;
  hr = factory->CreateDecoderFromStream(stream.get(), nullptr, WICDecodeMetadataCacheOnDemand,
                                        decoder.put());
  if (FAILED(hr)) return hresult_failure("decoding the image", hr);
  ComPtr<IWICBitmapFrameDecode> frame;
  if (hr = decoder->GetFrame(0, frame.put()); FAILED(hr)) {
    return hresult_failure("IWICBitmapDecoder::GetFrame", hr);
  }
  ComPtr<IWICFormatConverter> converter;
  if (hr = factory->CreateFormatConverter(converter.put()); FAILED(hr)) {
    return hresult_failure("IWICImagingFactory::CreateFormatConverter", hr);
  }
  const GUID& format = alpha == Alpha::premultiplied ? GUID_WICPixelFormat32bppPBGRA
                                                     : GUID_WICPixelFormat32bppBGRA;
  hr = converter->Initialize(frame.get(), format, WICBitmapDitherTypeNone, nullptr, 0.0,
                             WICBitmapPaletteTypeCustom);
  if (FAILED(hr)) return hresult_failure("IWICFormatConverter::Initialize", hr);
  return dib_from(converter.get());
}

Result<UniqueBitmap> load_logo() {
  const auto png = resource_bytes(RT_RCDATA, CORVALD_LOGO_PNG);
  if (!png) return win32_failure("loading the logo resource");
  return decode_image(*png, Alpha::premultiplied);
}

UniqueIcon load_window_icon() {
  const auto group = resource_bytes(RT_GROUP_ICON, CORVALD_ICON_GROUP);
  if (!group) return UniqueIcon();
  const auto entry = first_icon_group_entry(*group);
  if (!entry) return UniqueIcon();
  const auto image = resource_bytes(RT_ICON, entry->resource_id);
  if (!image) return UniqueIcon();
  const std::vector<std::uint8_t> file = single_image_icon_file(*entry, *image);
  auto bitmap = decode_image(file, Alpha::straight);
  if (!bitmap) return UniqueIcon();
  // The 32-bit colour bitmap carries its own alpha, so it serves as the mask too.
  ICONINFO info{};
  info.fIcon = TRUE;
  info.hbmColor = bitmap->get();
  info.hbmMask = bitmap->get();
  return UniqueIcon(CreateIconIndirect(&info));
}

}  // namespace corvald::ui
