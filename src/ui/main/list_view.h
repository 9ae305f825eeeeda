// The two report list views: how they are made, and how their rows are drawn.
#pragma once

#include "ui/common/layout.h"
#include "ui/main/listview_sink.h"

#include <windows.h>
#include <commctrl.h>

namespace karnio {

// A report list view with the name column headed by the text nameHeader and the command column.
HWND CreateListView(HWND parent, const TwipsRect& place, int id, int dpi, unsigned nameHeader);

// Whether a point of the screen lies over the list's rows or the empty space
// below them: inside its client area and below its header.
bool OverItems(HWND list, POINT screen);

// For the list's NM_CUSTOMDRAW: a row whose uninstaller is gone is drawn in grey.
LRESULT DrawRow(HWND list, const ListViewSink& sink, NMLVCUSTOMDRAW& draw);

}  // namespace karnio
