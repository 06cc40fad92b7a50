// The classic drawing interface's objects. For now: fonts, described by the
// LOGFONTW they were made from, so that windows given a font with
// WM_SETFONT (the tooltip) can draw with it.
//
// A font handle stays valid until DeleteObject; handles are never reused.
// Any thread may call these.
#pragma once

#include "platform/Messages.h"

namespace varnika {

struct HFONT__;
using HFONT = HFONT__*;
using HGDIOBJ = void*;

constexpr int LF_FACESIZE = 32;

// lfHeight < 0: the character height in pixels (what a point size gives at
// 96 pixels per inch: -MulDiv(points, 96, 72)); > 0: the cell height; 0: a
// default size. lfWeight: FW_* (0 = FW_NORMAL).
struct LOGFONTW {
  LONG lfHeight = 0;
  LONG lfWidth = 0;
  LONG lfEscapement = 0;
  LONG lfOrientation = 0;
  LONG lfWeight = 0;
  BYTE lfItalic = 0;
  BYTE lfUnderline = 0;
  BYTE lfStrikeOut = 0;
  BYTE lfCharSet = 0;
  BYTE lfOutPrecision = 0;
  BYTE lfClipPrecision = 0;
  BYTE lfQuality = 0;
  BYTE lfPitchAndFamily = 0;
  char16_t lfFaceName[LF_FACESIZE] = {};
};

constexpr LONG FW_DONTCARE = 0;
constexpr LONG FW_NORMAL = 400;
constexpr LONG FW_SEMIBOLD = 600;
constexpr LONG FW_BOLD = 700;

HFONT CreateFontIndirectW(const LOGFONTW* font);
// A font's LOGFONTW (size at least sizeof(LOGFONTW)); returns the bytes
// written, 0 for an unknown handle.
int GetObjectW(HGDIOBJ object, int size, void* out);
BOOL DeleteObject(HGDIOBJ object);

}  // namespace varnika
