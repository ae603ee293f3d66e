// Owners of the GDI objects and icons the windows create.
#pragma once

#include "platform/windows.hpp"

#include "platform/unique_handle.hpp"

namespace corvald::ui {

template <class H>
struct GdiObjectTraits {
  using Handle = H;
  static Handle invalid() { return nullptr; }
  static bool is_valid(Handle h) { return h != nullptr; }
  static void close(Handle h) { DeleteObject(h); }
};

struct IconTraits {
  using Handle = HICON;
  static Handle invalid() { return nullptr; }
  static bool is_valid(Handle h) { return h != nullptr; }
  static void close(Handle h) { DestroyIcon(h); }
};

using UniqueFont = platform::UniqueHandle<GdiObjectTraits<HFONT>>;
using UniqueBitmap = platform::UniqueHandle<GdiObjectTraits<HBITMAP>>;
using UniqueIcon = platform::UniqueHandle<IconTraits>;

}  // namespace corvald::ui
