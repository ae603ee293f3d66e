// The window's two DLLs outside KnownDLLs, from System32 through the loader seam: comctl32
// for the common controls and Msftedit for the rich-text control.
#pragma once

#include "platform/windows.hpp"
// commctrl.h needs the types of windows.h.
#include <commctrl.h>

#include "base/result.hpp"

namespace corvald::platform {

struct CommonControlsApi {
  decltype(&InitCommonControlsEx) init_common_controls_ex;
};

// Loaded once for the process.
const Result<CommonControlsApi>& common_controls_api();

// Msftedit registers its window class (MSFTEDIT_CLASS) when it loads; nothing is called in it.
Result<void> load_rich_edit();

}  // namespace corvald::platform
