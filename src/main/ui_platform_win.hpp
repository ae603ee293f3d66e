// What a windowed run prepares before its first window: visual styles, the rich-edit and
// common-control classes, the program's own window classes and COM.
#pragma once

#include "base/result.hpp"

namespace corvald {

Result<void> set_up_ui_platform();

}  // namespace corvald
