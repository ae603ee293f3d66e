#include "ui/embedded_images_win.hpp"

#include <wincodec.h>

#include <iterator>
#include <optional>

#include "ui/com_ptr_win.hpp"
#include "ui/icon_file.hpp"
#include "ui/layout.hpp"
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

// The logos the executable carries, by side, ascending.
struct CarriedLogo {
  int side;
  int resource_id;
};
constexpr CarriedLogo carried_logos[] = {{96, CORVALD_LOGO_PNG},
                                         {120, CORVALD_LOGO_PNG_120},
                                         {144, CORVALD_LOGO_PNG_144},
                                         {192, CORVALD_LOGO_PNG_192}};

// Windows 10's high-quality cubic scaler (WICBitmapInterpolationModeHighQualityCubic, newer
// than the headers we build with); earlier systems refuse it and get Fant's resampling.
constexpr auto high_quality_cubic = static_cast<WICBitmapInterpolationMode>(4);

Result<ComPtr<IWICBitmapScaler>> scaled(IWICImagingFactory* factory, IWICBitmapSource* source,
                                        int side) {
  ComPtr<IWICBitmapScaler> scaler;
  if (HRESULT hr = factory->CreateBitmapScaler(scaler.put()); FAILED(hr)) {
    return hresult_failure("IWICImagingFactory::CreateBitmapScaler", hr);
  }
  const auto s = static_cast<UINT>(side);
  HRESULT hr = scaler->Initialize(source, s, s, high_quality_cubic);
  if (FAILED(hr)) hr = scaler->Initialize(source, s, s, WICBitmapInterpolationModeFant);
  if (FAILED(hr)) return hresult_failure("IWICBitmapScaler::Initialize", hr);
  return scaler;
}

}  // namespace

Result<UniqueBitmap> decode_image(std::span<const std::uint8_t> file, Alpha alpha, int side) {
  ComPtr<IWICImagingFactory> factory;
  HRESULT hr = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IWICImagingFactory, factory.put_void());
  if (FAILED(hr)) return hresult_failure("creating the imaging factory", hr);
  ComPtr<IWICStream> stream;
  if (hr = factory->CreateStream(stream.put()); FAILED(hr)) {
    return hresult_failure("IWICImagingFactory::CreateStream", hr);
  }
  // The decoder only reads the bytes, which live as long as the executable's image.
  hr =
      stream->InitializeFromMemory(const_cast<BYTE*>(file.data()), static_cast<DWORD>(file.size()));
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
  const GUID& format =
      alpha == Alpha::premultiplied ? GUID_WICPixelFormat32bppPBGRA : GUID_WICPixelFormat32bppBGRA;
  hr = converter->Initialize(frame.get(), format, WICBitmapDitherTypeNone, nullptr, 0.0,
                             WICBitmapPaletteTypeCustom);
  if (FAILED(hr)) return hresult_failure("IWICFormatConverter::Initialize", hr);
  if (side <= 0) return dib_from(converter.get());
  auto scaler = scaled(factory.get(), converter.get(), side);
  if (!scaler) return std::move(scaler).error();
  return dib_from(scaler->get());
}

Result<UniqueBitmap> load_logo(int side) {
  int sides[std::size(carried_logos)];
  for (std::size_t i = 0; i < std::size(carried_logos); ++i) sides[i] = carried_logos[i].side;
  const int source = logo_source_size(side, sides);
  int id = CORVALD_LOGO_PNG;
  for (const CarriedLogo& logo : carried_logos) {
    if (logo.side == source) id = logo.resource_id;
  }
  const auto png = resource_bytes(RT_RCDATA, id);
  if (!png) return win32_failure("loading the logo resource");
  return decode_image(*png, Alpha::premultiplied, source == side ? 0 : side);
}

UniqueIcon load_icon(int side) {
  return UniqueIcon(
      static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(CORVALD_ICON_GROUP),
                                    IMAGE_ICON, side, side, LR_DEFAULTCOLOR)));
}

UniqueIcon load_window_icon(int side) {
  constexpr int first_image_side = 16;
  if (side != first_image_side) return load_icon(side);
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
