#include "ui/main/row_search.h"

#include "registry/registry_names.h"

#include <cstdint>

namespace karnio {

namespace {

wchar_t Folded(wchar_t c)
{
    // Beyond UTF-16's code units (wchar_t is wider off Windows) nothing is folded.
    return static_cast<std::uint32_t>(c) >> 16 ? c : static_cast<wchar_t>(FoldCase(static_cast<char16_t>(c)));
}

}  // namespace

bool HoldsFolded(const std::wstring& text, const std::wstring& what)
{
    if (what.size() > text.size()) return false;
    for (std::size_t at = 0; at + what.size() <= text.size(); ++at) {
        std::size_t i = 0;
        while (i < what.size() && Folded(text[at + i]) == Folded(what[i])) ++i;
        if (i == what.size()) return true;
    }
    return false;
}

std::optional<RowPlace> FindRow(const std::vector<SearchedRow> (&lists)[2], const std::optional<RowPlace>& after,
                                const std::wstring& what)
{
    const std::size_t total = lists[0].size() + lists[1].size();
    if (what.empty() || total == 0) return std::nullopt;
    // The ring's positions: the upper list's rows, then the lower's.
    const std::size_t start = after ? (after->list == 0 ? 0 : lists[0].size()) + after->item + 1 : 0;
    for (std::size_t step = 0; step < total; ++step) {
        const std::size_t position = (start + step) % total;
        const int list = position < lists[0].size() ? 0 : 1;
        const std::size_t item = list == 0 ? position : position - lists[0].size();
        const SearchedRow& row = lists[list][item];
        if (HoldsFolded(row.name, what) || HoldsFolded(row.key, what) || HoldsFolded(row.command, what))
            return RowPlace{list, static_cast<int>(item)};
    }
    return std::nullopt;
}

}  // namespace karnio
