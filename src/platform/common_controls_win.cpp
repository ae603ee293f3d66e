#include "platform/common_controls.hpp"

#include "platform/system_library.hpp"

namespace corvald::platform {
namespace {

Result<CommonControlsApi> load_common_controls() {
  CommonControlsApi api{};
  SystemLibraryBinder bind(L"comctl32.dll");
  bind(api.init_common_controls_ex, "InitCommonControlsEx");
  return bind.finish(api);
}

}  // namespace

const Result<CommonControlsApi>& common_controls_api() {
  static const Result<CommonControlsApi> api = load_common_controls();
  return api;
}

Result<void> load_rich_edit() {
  static const Result<HMODULE> module = load_system_library(L"Msftedit.dll");
  if (!module) return module.error();
  return Ok{};
}

}  // namespace corvald::platform
