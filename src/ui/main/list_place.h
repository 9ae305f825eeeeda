// Where a list's view stands and how it is put back after a rebuild: Windows'
// list view would start again from its first row, and lose the user's place.
// And which rows are chosen, before a rebuild and after it.
#pragma once

#include "ui/main/listview_sink.h"

#include <windows.h>

#include <string>
#include <vector>

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

// Scrolls so that item is the top row, or as near as the list's length allows.
void ScrollToTop(HWND list, int item);

// The same stretch of rows as before a rebuild: the entry that was on top, else the same top index.
void RestorePlace(HWND list, const ListViewSink& sink, const ListPlace& place);

// The entries of the list's selected rows, in list order.
std::vector<EntryId> SelectedEntries(HWND list, const ListViewSink& sink);

// Where the choice goes once the entries of gone have left the list: the first
// entry still listed after the first of them, else the nearest one before it.
// In that order, from the list as it still shows them.
std::vector<EntryId> EntriesAround(HWND list, const ListViewSink& sink, const std::vector<EntryId>& gone);

// The row the commands act on: the focused one if it is selected, else the first selected; -1 for none.
int ChosenItem(HWND list);

// Selects the items alone, the first of them focused.
void SelectAlone(HWND list, const std::vector<int>& items);

}  // namespace karnio
