// Layered top-level windows and the desktop's metrics.
//
// A WS_EX_LAYERED top-level window shows exactly the last frame given to
// UpdateLayeredWindow: premultiplied ARGB32 pixels (0xAARRGGBB in native byte
// order), its position and size, and a constant alpha applied on top of the
// per-pixel alpha. Mouse input passes through pixels whose resulting alpha is
// 0 and through the whole window when it has WS_EX_TRANSPARENT.
//
// The source of a frame is a memory device context over pixel memory: either
// bits that the caller owns, which must outlive the DC and which each frame
// copies, or a cairo image surface (a window's canvas), which the window
// system shows without a copy and keeps alive for as long as it shows it.
// Such a canvas must be drawn into only after UpdateLayeredWindow returns,
// and only as a whole frame before control goes back to the message loop:
// an exposure or a new constant alpha shows what it holds then.
#pragma once

#include <cairo.h>

#include "platform/Messages.h"

namespace varnika {

// A device context over width x height premultiplied ARGB32 pixels with the
// given stride in bytes (the bits are not copied), scale of them to a
// logical pixel (1 to 8, the display's scale): UpdateLayeredWindow's source
// point and size stay logical, and its frame keeps the context's pixels.
HDC CreateMemoryDC(void* bits, int width, int height, int stride, int scale = 1);
// A device context over a CAIRO_FORMAT_ARGB32 image surface, which it holds
// a reference to (as does every frame presented from it); nullptr for
// another kind of surface. Its scale is the surface's (integer) device
// scale.
HDC CreateMemoryDC(cairo_surface_t* image);
BOOL DeleteDC(HDC dc);

// dst_dc is ignored. position/size nullptr keep the window's own. src_dc
// nullptr keeps the last frame's pixels (position and alpha may still
// change). ULW_ALPHA takes blend->SourceConstantAlpha; ULW_OPAQUE ignores
// the pixels' alpha. A new position or size moves the window with
// SetWindowPos (so WM_WINDOWPOSCHANGING sees it). The colour key is not
// supported.
BOOL UpdateLayeredWindow(HWND wnd, HDC dst_dc, POINT* position, SIZE* size, HDC src_dc, POINT* src_position,
                         COLORREF key, BLENDFUNCTION* blend, DWORD flags);
// LWA_ALPHA sets the constant alpha of the window's frame.
BOOL SetLayeredWindowAttributes(HWND wnd, COLORREF key, BYTE alpha, DWORD flags);
BOOL GetLayeredWindowAttributes(HWND wnd, COLORREF* key, BYTE* alpha, DWORD* flags);

// SPI_GETWORKAREA into a RECT; SPI_GETNONCLIENTMETRICS (platform/Gdi.h) into a
// NONCLIENTMETRICSW, from any thread.
BOOL SystemParametersInfoW(UINT action, UINT uparam, void* pvparam, UINT winini);
int GetSystemMetrics(int index);

}  // namespace varnika
