// Window layout is given in twips (1/1440 inch) and placed at the screen's DPI.
#pragma once

#include "ui/common/handles.h"

#include <windows.h>

namespace karnio {

struct TwipsRect {
    int left, top, width, height;
};

inline int TwipsToPixels(int twips, int dpi) { return MulDiv(twips, dpi, 1440); }

// The system DPI; the program is system-DPI aware, so this is what it draws at.
int ScreenDpi();

// Creates a child control at a place given in twips.
HWND CreateChild(HWND parent, const wchar_t* windowClass, const wchar_t* text, DWORD style, DWORD exStyle,
                 const TwipsRect& place, int id, int dpi);

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
