#include "main/ui_platform_win.hpp"

#include "platform/windows.hpp"  // before the other system headers

#include <commctrl.h>
#include <objbase.h>

#include <string_view>

#include "platform/common_controls.hpp"
#include "platform/system_library.hpp"
#include "platform/win_handles.hpp"
#include "ui/win32_failure_win.hpp"
#include "ui/window_class_win.hpp"

namespace corvald {
namespace {

constexpr std::string_view visual_styles_manifest =
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
    R"(<assembly xmlns="urn:schemas-microsoft-com:asm.v1" manifestVersion="1.0">)"
    R"(<description>Corvald Tavrin Setup visual styles</description>)"
    R"(<dependency><dependentAssembly>)"
    R"(<assemblyIdentity type="win32" name="Microsoft.Windows.Common-Controls")"
    R"( version="6.0.0.0" processorArchitecture="*" publicKeyToken="6595b64144ccf1df")"
    R"( language="*"/>)"
    R"(</dependentAssembly></dependency></assembly>)";

constexpr DWORD control_classes =
    0x412F;  // list view, tree view, bar, tab, progress, date, standard

// Themed common controls for the windows of this thread, from a manifest written for the
// purpose. Optional: without it the controls are drawn unthemed, so failures stay silent.
void activate_visual_styles() {
  wchar_t folder[MAX_PATH + 1];
  wchar_t path[MAX_PATH + 1];
  if (GetTempPathW(MAX_PATH + 1, folder) == 0) return;
  if (GetTempFileNameW(folder, L"cvd", 0, path) == 0) return;
  {
    platform::UniqueFileHandle file(CreateFileW(path, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING,
                                                FILE_ATTRIBUTE_TEMPORARY, nullptr));
    DWORD written = 0;
    if (!file || !WriteFile(file.get(), visual_styles_manifest.data(),
                            static_cast<DWORD>(visual_styles_manifest.size()), &written, nullptr)) {
      DeleteFileW(path);
      return;
    }
  }
  ACTCTXW context{};
  context.cbSize = sizeof(context);
  context.lpSource = path;
  HANDLE activation = CreateActCtxW(&context);
  DeleteFileW(path);
  if (activation == INVALID_HANDLE_VALUE) return;
  // The context stays active for the whole run; its handle is never released.
  ULONG_PTR cookie = 0;
  ActivateActCtx(activation, &cookie);
}

}  // namespace

Result<void> set_up_ui_platform() {
  activate_visual_styles();
  // Both from the system folder only: a download stub runs from a folder anyone can put a DLL in.
  if (auto rich_edit = platform::load_rich_edit(); !rich_edit) return rich_edit;
  const auto& controls_api = platform::common_controls_api();
  if (!controls_api) return controls_api.error();
  INITCOMMONCONTROLSEX controls{sizeof(controls), control_classes};
  if (!controls_api->init_common_controls_ex(&controls)) {
    return ui::win32_failure("InitCommonControlsEx");
  }
  if (auto registered = ui::register_window_classes(); !registered) return registered;
  const HRESULT com = CoInitialize(nullptr);
  if (com != S_OK && com != S_FALSE) {
    return StubError::system_failure("CoInitialize failed", static_cast<std::uint32_t>(com));
  }
  // COM loads the imaging component by its registered System32 path, but what that loads in
  // turn is searched for by name: through the seam first, it finds those already loaded. A
  // failure here shows when the window creates the imaging factory.
  (void)platform::load_system_library(L"windowscodecs.dll");
  return Ok{};
}

}  // namespace corvald
