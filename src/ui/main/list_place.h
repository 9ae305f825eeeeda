// Where a list's view stands and how it is put back after a rebuild: Windows'
// list view would start again from its first row, and lose the user's place.
#pragma once

#include "ui/main/listview_sink.h"

#include <windows.h>

#include <string>

namespace karnio {

// Where a list's view stands: its top row, by the entry shown there, and its
// horizontal scroll position.
struct ListPlace {
    int top = 0;
    int scrolledX = 0;
    bool topListed = false;  // whether a row is on top: then source and key tell its entry
    UninstallSource source = UninstallSource::Machine;
    std::string key;
};

ListPlace PlaceOf(HWND list, const ListViewSink& sink);

// The item showing the entry, or -1.
int ItemOf(HWND list, const ListViewSink& sink, UninstallSource source, const std::string& key);

// Scrolls so that item is the top row, or as near as the list's length allows.
void ScrollToTop(HWND list, int item);

// The same stretch of rows as before a rebuild: the entry that was on top, else the same top index.
void RestorePlace(HWND list, const ListViewSink& sink, const ListPlace& place);

}  // namespace karnio
