#include "ui/main/list_place.h"

#include <commctrl.h>

#include <algorithm>

namespace karnio {

namespace {

int HorizontalPosition(HWND list)
{
    SCROLLINFO info = {};
    info.cbSize = sizeof info;
    info.fMask = SIF_POS;
    return GetScrollInfo(list, SB_HORZ, &info) ? info.nPos : 0;
}

}  // namespace



ListPlace PlaceOf(HWND list, const ListViewSink& sink)
{
    ListPlace place;
    place.top = ListView_GetTopIndex(list);
    place.scrolledX = HorizontalPosition(list);
    if (const ListViewSink::Row* row = sink.RowAt(place.top)) {
        place.topListed = true;
        place.source = row->source;
        place.key = row->key;
    }
    return place;
}

int ItemOf(HWND list, const ListViewSink& sink, UninstallSource source, const std::string& key)
{
    const int count = ListView_GetItemCount(list);
    for (int item = 0; item < count; ++item) {
        const ListViewSink::Row* row = sink.RowAt(item);
        if (row && row->source == source && row->key == key) return item;
    }
    return -1;
}

void ScrollToTop(HWND list, int item)
{
    const int count = ListView_GetItemCount(list);
    if (count == 0) return;
    item = std::clamp(item, 0, std::max(0, count - ListView_GetCountPerPage(list)));
    RECT row = {};
    ListView_GetItemRect(list, 0, &row, LVIR_BOUNDS);
    const int rows = item - ListView_GetTopIndex(list);
    if (rows != 0) ListView_Scroll(list, 0, rows * (row.bottom - row.top));
}

void RestorePlace(HWND list, const ListViewSink& sink, const ListPlace& place)
{
    const int item = place.topListed ? ItemOf(list, sink, place.source, place.key) : -1;
    ScrollToTop(list, item >= 0 ? item : place.top);
    const int dx = place.scrolledX - HorizontalPosition(list);
    if (dx != 0) ListView_Scroll(list, dx, 0);
}

}  // namespace karnio
