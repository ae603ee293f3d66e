// Labels: left-aligned static texts whose block of lines sits vertically centred in the label.
// Shared by the main window and the feedback dialog.
#pragma once

#include "platform/windows.hpp"

#include "base/result.hpp"
#include "ui/layout.hpp"

namespace corvald::ui {

// A STATIC control (WS_CHILD | WS_VISIBLE | SS_NOTIFY | SS_NOPREFIX | SS_LEFT) with the font
// and the text placement of a label. Its client area shrinks to its lines of text, one per LF
// plus one or as many as the text wraps into, each as high as the font draws the text's first
// two characters; the margins above and below are painted in the window background colour.
Result<HWND> create_label(HWND parent, const Rect& place, HFONT font, const wchar_t* text);

// The lines the label's text takes at the label's width.
int label_text_lines(HWND label);

}  // namespace corvald::ui
