#include "ui/main/list_place.h"

#include <commctrl.h>

#include <algorithm>
#include <set>
#include <utility>

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
    const int item = place.topListed ? sink.ItemOf({place.source, place.key}) : -1;
    ScrollToTop(list, item >= 0 ? item : place.top);
    const int dx = place.scrolledX - HorizontalPosition(list);
    if (dx != 0) ListView_Scroll(list, dx, 0);
}

std::vector<EntryId> SelectedEntries(HWND list, const ListViewSink& sink)
{
    std::vector<EntryId> entries;
    for (int item = -1; (item = ListView_GetNextItem(list, item, LVNI_SELECTED)) >= 0;)
        if (const ListViewSink::Row* row = sink.RowAt(item)) entries.push_back({row->source, row->key});
    return entries;
}

std::vector<EntryId> EntriesAround(HWND list, const ListViewSink& sink, const std::vector<EntryId>& gone)
{
    int first = -1;
    for (const EntryId& entry : gone) {
        const int item = sink.ItemOf(entry);
        if (item >= 0 && (first < 0 || item < first)) first = item;
    }
    std::vector<EntryId> around;
    if (first < 0) return around;
    std::set<std::pair<UninstallSource, std::string>> left;
    for (const EntryId& entry : gone) left.emplace(entry.source, entry.key);
    const int count = ListView_GetItemCount(list);
    const auto add = [&](int item) {
        const ListViewSink::Row* row = sink.RowAt(item);
        if (row && !left.count({row->source, row->key})) around.push_back({row->source, row->key});
    };
    for (int item = first + 1; item < count; ++item) add(item);
    for (int item = first - 1; item >= 0; --item) add(item);
    return around;
}

int ChosenItem(HWND list)
{
    const int focused = ListView_GetNextItem(list, -1, LVNI_FOCUSED | LVNI_SELECTED);
    return focused >= 0 ? focused : ListView_GetNextItem(list, -1, LVNI_SELECTED);
}

void SelectAlone(HWND list, const std::vector<int>& items)
{
    ListView_SetItemState(list, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    for (const int item : items) ListView_SetItemState(list, item, LVIS_SELECTED, LVIS_SELECTED);
    if (!items.empty()) ListView_SetItemState(list, items.front(), LVIS_FOCUSED, LVIS_FOCUSED);
}

}  // namespace karnio
