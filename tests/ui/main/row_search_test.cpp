// Find's ring of rows: the upper list, then the lower, from after the focused row, once round.
#include "ui/main/row_search.h"

#include <gtest/gtest.h>

namespace karnio {
namespace {

TEST(RowSearch, BothListsAreOneRingSearchedOnceRoundFromAfterTheFocusedRow)
{
    const std::vector<SearchedRow> lists[2] = {
        {{L"Äänitin", L"{A}", L"C:\\Äänet\\poista.exe"}, {L"Muistio", L"Muistio", L"notepad.exe /x"}, {L"Kuvat", L"Kuvat", L"pois.exe"}},
        {{L"Päivitys KB2468871", L"KB2468871", L""}, {L"Piilo", L"PIILO", L"C:\\äänet\\piilo.exe"}},
    };
    struct Case {
        std::optional<RowPlace> after;
        const wchar_t* what;
        std::optional<RowPlace> found;
    };
    const Case cases[] = {
        {std::nullopt, L"ÄÄNET", RowPlace{0, 0}},       // from the top; the command, its letters folded
        {RowPlace{0, 0}, L"äänet", RowPlace{1, 1}},     // after the focused row, on into the lower list
        {RowPlace{1, 1}, L"ÄäNeT", RowPlace{0, 0}},     // and round to the top again
        {RowPlace{0, 0}, L"nitin", RowPlace{0, 0}},     // once round: the focused row itself last
        {RowPlace{0, 2}, L"b246887", RowPlace{1, 0}},   // the middle of a name
        {RowPlace{1, 0}, L"iilo", RowPlace{1, 1}},      // the key name
        {RowPlace{0, 1}, L"s.exe", RowPlace{0, 2}},
        {RowPlace{0, 0}, L".exe", RowPlace{0, 1}},      // the very next row
        {RowPlace{0, 0}, L"kuvat", RowPlace{0, 2}},     // the whole name
        {std::nullopt, L"ei missään", std::nullopt},
        {RowPlace{0, 1}, L"", std::nullopt},
    };
    const auto number = [](const std::optional<RowPlace>& place) { return place ? place->list * 10 + place->item : -1; };
    for (const Case& c : cases) EXPECT_EQ(number(FindRow(lists, c.after, c.what)), number(c.found)) << c.what;
    const std::vector<SearchedRow> one[2] = {{{L"Yksi", L"Yksi", L""}}, {}};  // a ring of one row finds it again
    EXPECT_EQ(number(FindRow(one, RowPlace{0, 0}, L"yksi")), 0);
}

}  // namespace
}  // namespace karnio
