// Find: both lists as one ring of rows, searched for a text anywhere in a row's
// shown name, key name or command, letters folded as the registry folds key
// names. Portable: it works on the rows as listed and reads nothing.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace karnio {

// A row as the search sees it.
struct SearchedRow {
    std::wstring name, key, command;
};

// A row of one of the lists: 0 the upper, 1 the lower.
struct RowPlace {
    int list;
    int item;
};

// Whether text holds what, each code unit folded to lower case as key names are compared.
bool HoldsFolded(const std::wstring& text, const std::wstring& what);

// The first row after `after` (from the top when there is none) in the ring of the
// upper list's rows, then the lower list's, that holds what; once round, so `after`
// itself is the last row looked at. Nothing for an empty text.
std::optional<RowPlace> FindRow(const std::vector<SearchedRow> (&lists)[2], const std::optional<RowPlace>& after,
                                const std::wstring& what);

}  // namespace karnio
