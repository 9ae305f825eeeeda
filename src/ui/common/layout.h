// Window layout is given in twips (1/1440 inch) and placed at the DPI of the
// monitor a window is on. The program is per-monitor DPI aware: a window that
// moves to a monitor of another DPI gets WM_DPICHANGED and lays itself out again.
#pragma once

#include "ui/common/handles.h"

#include <windows.h>

namespace karnio {

struct TwipsRect {
    int left, top, width, height;
};

inline int TwipsToPixels(int twips, int dpi) { return MulDiv(twips, dpi, 1440); }

// Windows 10's DPI messages, which the Windows 7 headers we build with lack.
inline constexpr UINT kWmDpiChanged = 0x02E0;
inline constexpr UINT kWmGetDpiScaledSize = 0x02E4;

// The system DPI.
int ScreenDpi();
// The DPI a window is drawn at: its monitor's (GetDpiForWindow, Windows 10 1607
// and later), otherwise the system's.
int DpiOf(HWND window);
// A system metric at a DPI (GetSystemMetricsForDpi where it exists).
int SystemMetricForDpi(int index, int dpi);

// The outer size of a top-level window whose client area is width × height pixels at dpi.
SIZE WindowSizeForClient(HWND window, int width, int height, int dpi);

// Lets the non-client area of a per-monitor (version 1) window scale too; call at WM_NCCREATE.
void EnableNonClientScaling(HWND window);
// Keeps Windows from re-laying out a dialog on a DPI change: it does that itself.
void TakeOverDialogDpiScaling(HWND dialog);

// Creates a child control at a place given in twips.
HWND CreateChild(HWND parent, const wchar_t* windowClass, const wchar_t* text, DWORD style, DWORD exStyle,
                 const TwipsRect& place, int id, int dpi);

// Moves a child control to a place given in twips.
void PlaceChild(HWND control, const TwipsRect& place, int dpi);

// Resizes a top-level window so that its client area has the given size in twips.
void SetClientSize(HWND window, int widthTwips, int heightTwips, int dpi);

// A separator: an empty frame so low that its 3-D border reads as one etched
// line. Owner-drawn, so the control keeps exactly the place it is given.
HWND CreateEtchedLine(HWND parent, const TwipsRect& place, int id, int dpi);
// For the parent's WM_DRAWITEM; false when the item is not an etched line.
bool DrawEtchedLine(const DRAWITEMSTRUCT& item);

// MS Sans Serif 8.25 pt at the given DPI, optionally bold or underlined.
UniqueFont CreateUiFont(int dpi, bool bold = false, bool underline = false);

}  // namespace karnio
