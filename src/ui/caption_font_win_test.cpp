// The Wine prefix the windows are tested and shown in: the caption buttons draw their symbols
// in Marlett, and without it every picture shows them as "0 1 r".
#include "platform/windows.hpp"

#include <gtest/gtest.h>

#include <string>

namespace corvald {
namespace {

std::wstring face_chosen_for(const wchar_t* name) {
  LOGFONTW wanted{};
  wanted.lfHeight = -13;
  wanted.lfCharSet = SYMBOL_CHARSET;
  wcsncpy(wanted.lfFaceName, name, LF_FACESIZE - 1);
  HFONT font = CreateFontIndirectW(&wanted);
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, font);
  wchar_t face[LF_FACESIZE] = {};
  GetTextFaceW(dc, LF_FACESIZE, face);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  DeleteObject(font);
  return face;
}

TEST(WinePrefix, TheCaptionButtonsFindTheirSymbolFont) {
  // The control: a font the prefix surely lacks is answered with another face.
  EXPECT_NE(face_chosen_for(L"No Such Symbol Font"), L"No Such Symbol Font");
  EXPECT_EQ(face_chosen_for(L"Marlett"), L"Marlett");
}

}  // namespace
}  // namespace corvald
