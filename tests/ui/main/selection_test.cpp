// The row the user sees is the row acted on, and every rebuild keeps the user's place.
#include "ui/main/frmKarnio.h"

#include "ui/main/frmEtsi.h"
#include "ui/resources/resource.h"
#include "ui/ui_support.h"

#include <cstdio>

namespace karnio {
namespace {

using S = UninstallSource;
using test::Pump;

std::wstring Name(int i)
{
    wchar_t text[16];
    std::swprintf(text, 16, L"Rivi %03d", i);
    return text;
}

class Selection : public test::WindowTest {
protected:
    HWND Upper() const { return window_->LvwOhjelmat(); }
    HWND Lower() const { return window_->LvwOhjelmat2(); }
    std::wstring TopRow(HWND list) const { return test::ItemText(list, ListView_GetTopIndex(list), 0); }
    // The text of each selected row of the list.
    std::vector<std::wstring> Selected(HWND list) const
    {
        std::vector<std::wstring> rows;
        for (int item = -1; (item = ListView_GetNextItem(list, item, LVNI_SELECTED)) >= 0;)
            rows.push_back(test::ItemText(list, item, 0));
        return rows;
    }
    // The pop-up's items as it opens from the keyboard over the list, and what it would act on.
    std::vector<std::wstring> PopUpOver(HWND list)
    {
        auto reader = test::ReadMenuWhenShown();
        SendMessageW(list, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list), MAKELPARAM(-1, -1));
        Pump();
        return reader.get();
    }
    // The Muokkaa menu's undo, delete, copy, "Valitse jäänteet", key and folder as it opens: "x" enabled, "-" not.
    std::string Muokkaa()
    {
        HMENU menu = GetSubMenu(GetMenu(window_->Hwnd()), 1);
        SendMessageW(window_->Hwnd(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), 1);
        std::string states;
        for (const UINT id : {IDM_KUMOA, IDM_POISTA_VALITUT, IDM_KOPIOI, IDM_VALITSE_JAANTEET, IDM_REKISTERIEDITORI, IDM_KANSIO})
            states += GetMenuState(menu, id, MF_BYCOMMAND) & MF_GRAYED ? '-' : 'x';
        return states;
    }
    // The pop-up's items for a right-click at a point of the screen, as Windows reports it from a control.
    std::vector<std::wstring> PopUpAt(HWND control, POINT screen)
    {
        auto reader = test::ReadMenuWhenShown(1500);
        SendMessageW(window_->Hwnd(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(control), MAKELPARAM(screen.x, screen.y));
        Pump();
        return reader.get();
    }
    std::wstring PathOf(const std::wstring& name) const
    {
        return L"HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + name;
    }
    static std::wstring Clipboard()
    {
        std::wstring text;
        if (!OpenClipboard(nullptr)) return text;
        if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
            text = static_cast<const wchar_t*>(GlobalLock(data));
            GlobalUnlock(data);
        }
        CloseClipboard();
        return text;
    }
    void ExpectChosen(HWND list, const std::wstring& text)
    {
        EXPECT_EQ(Selected(list), std::vector<std::wstring>{text});
        EXPECT_EQ(Narrow(test::ItemText(list, ListView_GetNextItem(list, -1, LVNI_FOCUSED), 0)), Narrow(text));
        EXPECT_EQ(window_->StrAvain(), Narrow(text));
        EXPECT_EQ(PopUpOver(list), test::RowPopUp("xxxx-"));
    }
    // Where the list view would put a row scrolled into view only as far as needed.
    static int TopShowing(int item, int top, int perPage) { return item < top ? item : item >= top + perPage ? item - perPage + 1 : top; }
};

TEST_F(Selection, ActionsHitTheHighlightedRowAndEveryRebuildKeepsThePlace)
{
    // Every fifth uninstaller is gone: those rows are grey.
    for (int i = 0; i < 300; ++i)
        test::AddEntry(S::Machine, Name(i), Name(i).c_str(), i % 5 ? L"notepad.exe /x" : L"C:\\Poissa\\poista.exe");
    for (int i = 0; i < 3; ++i) test::AddEntry(S::Machine, L"Piilo " + std::to_wstring(i), nullptr, nullptr);
    test::AddEntry(S::Machine, L"Pitkä", (Name(300) + std::wstring(80, L'x')).c_str(), (L"C:\\Pitkä\\" + std::wstring(90, L'y')).c_str());
    FrmKarnio& window = Open();
    EXPECT_EQ(Muokkaa(), "---x--");

    RECT row;
    ListView_GetItemRect(Upper(), 0, &row, LVIR_BOUNDS);
    ListView_Scroll(Upper(), 0, 140 * (row.bottom - row.top));
    Pump();
    ASSERT_EQ(TopRow(Upper()), Name(140));
    const int perPage = ListView_GetCountPerPage(Upper());
    ASSERT_GT(perPage, 16);

    // A grey row from the pop-up menu: the row after it is chosen, and the view stays.
    test::DeleteFromPopUp(Upper(), Name(150));
    EXPECT_FALSE(test::EntryExists(Name(150)));
    EXPECT_EQ(TopRow(Upper()), Name(140));
    ExpectChosen(Upper(), Name(151));

    // Del, Down, Del: the second delete takes the row after the one that took the first's place.
    test::ClickRow(Upper(), test::FindRow(Upper(), Name(155)));
    test::PressKeys(window, {VK_DELETE});
    ExpectChosen(Upper(), Name(156));
    test::PressKeys(window, {VK_DOWN});
    EXPECT_TRUE(IsWindowVisible(window.KeyboardTip()));  // the keyboard's row shows its tip
    EXPECT_EQ(test::WindowText(window.KeyboardTip()).rfind(L"HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + Name(157), 0), 0u);
    test::PressKeys(window, {VK_DELETE});
    EXPECT_FALSE(test::EntryExists(Name(155)));
    EXPECT_TRUE(test::EntryExists(Name(156)));
    EXPECT_FALSE(test::EntryExists(Name(157)));
    EXPECT_EQ(TopRow(Upper()), Name(140));
    ExpectChosen(Upper(), Name(158));
    EXPECT_EQ(Muokkaa(), "xxxxx-");

    // A Del pressed while that delete ran deletes nothing, nor does a held Del's repeat.
    MSG stale = {Upper(), WM_KEYDOWN, VK_DELETE, 1, GetTickCount() - 10000};
    MSG repeat = {Upper(), WM_KEYDOWN, VK_DELETE, 1 | (1 << 30), GetTickCount()};
    EXPECT_TRUE(window.PreTranslateMessage(stale));
    EXPECT_TRUE(window.PreTranslateMessage(repeat));
    EXPECT_TRUE(test::EntryExists(Name(158)));

    // Ctrl+C: the chosen row's tip with its name and command, also where its columns show them whole;
    // the tip names them only where the columns cut them.
    test::PressKeys(window, {VK_CONTROL, 'C'});
    EXPECT_EQ(Clipboard(), PathOf(Name(158)) + L"\r\nNimi: " + Name(158) + L"\r\nKomento: notepad.exe /x");
    test::PressKeys(window, {VK_END});
    EXPECT_NE(test::WindowText(window.KeyboardTip()).find(L"\r\nKomento: C:\\Pitkä\\"), std::wstring::npos);

    // F5, with a row above the view gone meanwhile and the chosen row scrolled out of
    // view: the same place, and the same chosen row, still out of view.
    test::ClickRow(Upper(), test::FindRow(Upper(), Name(145)));
    ListView_Scroll(Upper(), 0, 30 * (row.bottom - row.top));
    Pump();
    const std::wstring top = TopRow(Upper());
    ASSERT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, (test::UninstallPathW() + Name(10)).c_str()), ERROR_SUCCESS);
    test::PressKeys(window, {VK_F5});
    EXPECT_EQ(TopRow(Upper()), top);
    ExpectChosen(Upper(), Name(145));

    // Each Ctrl+Z shows what it brought back, chosen, scrolled into view only as far as needed.
    ListView_EnsureVisible(Upper(), 0, FALSE);
    Pump();
    for (const std::wstring& restored : {Name(157), Name(155)}) {
        const int top = ListView_GetTopIndex(Upper());
        test::PressKeys(window, {VK_CONTROL, 'Z'});
        ASSERT_TRUE(test::EntryExists(restored));
        const int item = test::FindRow(Upper(), restored);
        EXPECT_EQ(ListView_GetTopIndex(Upper()), TopShowing(item, top, perPage)) << Narrow(restored);
        EXPECT_EQ(GetFocus(), Upper());
        ExpectChosen(Upper(), restored);
    }

    // A row chosen in the other list unchooses this list's: the menu over it acts on nothing.
    test::ClickRow(Upper(), test::FindRow(Upper(), Name(147)));
    test::ClickRow(Lower(), test::FindRow(Lower(), L"Piilo 1"));
    EXPECT_EQ(window.StrAvain(), "Piilo 1");
    EXPECT_TRUE(Selected(Upper()).empty());
    EXPECT_EQ(PopUpOver(Upper()), test::RowPopUp("-----"));
}

// The pop-up opens over rows only; one list holds the selection; every chosen row
// is copied; keys pressed while a rebuild ran do nothing; the focus always shows.
TEST_F(Selection, OnlyTheRowsTheUserSeesAreActedOn)
{
    for (int i = 0; i < 60; ++i) test::AddEntry(S::Machine, Name(i), Name(i).c_str(), i % 5 ? L"notepad.exe /x" : L"C:\\Poissa\\x.exe");
    for (int i = 0; i < 3; ++i) test::AddEntry(S::Machine, L"Piilo " + std::to_wstring(i), nullptr, nullptr);
    FrmKarnio& window = Open();

    // A row chosen and scrolled out of view: its list's header and scroll bar show no row commands.
    test::ClickRow(Upper(), 40);
    ListView_EnsureVisible(Upper(), 0, FALSE);
    RECT header, frame;
    GetWindowRect(ListView_GetHeader(Upper()), &header);
    GetWindowRect(Upper(), &frame);
    EXPECT_TRUE(PopUpAt(ListView_GetHeader(Upper()), {header.left + 20, (header.top + header.bottom) / 2}).empty());
    EXPECT_TRUE(PopUpAt(Upper(), {frame.right - 4, (frame.top + frame.bottom) / 2}).empty());
    EXPECT_EQ(PopUpAt(Upper(), test::RowPoint(Upper(), 0)), test::RowPopUp("xxxx-"));

    // A Ctrl+click in the other list takes the selection there.
    test::ClickRow(Upper(), 12);
    RECT row;
    ListView_GetItemRect(Lower(), 1, &row, LVIR_LABEL);
    PostMessageW(Lower(), WM_LBUTTONDOWN, MK_LBUTTON | MK_CONTROL, MAKELPARAM(row.left + 4, (row.top + row.bottom) / 2));
    PostMessageW(Lower(), WM_LBUTTONUP, MK_CONTROL, MAKELPARAM(row.left + 4, (row.top + row.bottom) / 2));
    Pump();
    EXPECT_TRUE(Selected(Upper()).empty());
    EXPECT_EQ(Selected(Lower()), std::vector<std::wstring>{L"Piilo 1"});
    // Nothing grey below: "Valitse jäänteet" is off there.
    EXPECT_EQ(Muokkaa(), "-xx-x-");

    // Three rows copied, in list order; one unchosen again while it keeps the focus is not acted on.
    SetFocus(Upper());
    for (const int item : {21, 23, 27, 29}) ListView_SetItemState(Upper(), item, LVIS_SELECTED, LVIS_SELECTED);
    ListView_SetItemState(Upper(), 29, LVIS_FOCUSED, LVIS_FOCUSED | LVIS_SELECTED);
    Pump();
    EXPECT_EQ(window.StrAvain(), Narrow(Name(21)));
    test::PressKeys(window, {VK_CONTROL, 'C'});
    std::wstring copies;
    for (const int i : {21, 23, 27}) copies += (copies.empty() ? L"" : L"\r\n\r\n") + PathOf(Name(i)) + L"\r\nNimi: " + Name(i) + L"\r\nKomento: notepad.exe /x";
    EXPECT_EQ(Clipboard(), copies);
    // The pop-up's "Kopioi" copies the same rows.
    if (OpenClipboard(nullptr)) EmptyClipboard(), CloseClipboard();
    auto copier = test::CloseMenuWhenShown({VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN});
    SendMessageW(Upper(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(Upper()), MAKELPARAM(-1, -1));
    EXPECT_TRUE(copier.get());
    Pump();
    EXPECT_EQ(Clipboard(), copies);

    // Rows apart: the row after the first of them is chosen; Ctrl+Z focuses the first of them again.
    ListView_SetItemState(Upper(), 27, 0, LVIS_SELECTED);
    auto yes = test::WatchForDialog(L"Karnio", 15000, IDYES);
    test::PressKeys(window, {VK_DELETE});
    EXPECT_TRUE(yes.get().found);
    ExpectChosen(Upper(), Name(22));
    const DWORD pressed = GetTickCount();
    test::PressKeys(window, {VK_CONTROL, 'Z'});
    EXPECT_EQ(test::ItemText(Upper(), ListView_GetNextItem(Upper(), -1, LVNI_FOCUSED), 0), Name(21));
    // A Del pressed while that undo ran deletes nothing.
    MSG stale = {Upper(), WM_KEYDOWN, VK_DELETE, 1, pressed};
    EXPECT_TRUE(window.PreTranslateMessage(stale));
    EXPECT_TRUE(test::EntryExists(Name(21)) && test::EntryExists(Name(23)));

    // Tab into a list without a focused row: its first row takes the focus, not chosen.
    test::PressKeys(window, {VK_TAB});
    EXPECT_EQ(GetFocus(), Lower());
    EXPECT_EQ(ListView_GetNextItem(Lower(), -1, LVNI_FOCUSED), 0);
    EXPECT_TRUE(Selected(Lower()).empty());
}

// Find, from the keyboard alone: a word from the middle of a command, the next row
// in the other list, a word that is nowhere; its keys are its own, but for F1 and F3.
TEST_F(Selection, FindChoosesRowsByAWordFromTheirMiddle)
{
    test::AddEntry(S::Machine, L"Kuva", L"Kuvankatselin 3.1", L"C:\\Ohjelmat\\Kuvankatselin\\poista.exe /S");
    test::AddEntry(S::Machine, L"Muistilaput", L"Muistilaput", L"notepad.exe /x");
    test::AddEntry(S::Machine, L"Piilo", nullptr, L"C:\\OHJELMAT\\Kuvaset\\poista.exe", L"Piilotettu");
    for (int i = 0; i < 40; ++i) test::AddEntry(S::Machine, L"A" + std::to_wstring(i), (L"Aaa " + Name(i)).c_str(), L"a.exe");
    FrmKarnio& window = Open();
    test::SelectRow(Upper(), test::FindRow(Upper(), L"Muistilaput"));
    test::PressKeys(window, {VK_DELETE});
    ASSERT_EQ(window.Poistetut().size(), 1u);
    ListView_EnsureVisible(Upper(), 0, FALSE);  // the row to be found out of view

    test::PressKeys(window, {VK_CONTROL, 'F'});
    const HWND dialog = window.EtsiDialog();
    ASSERT_TRUE(dialog);
    EXPECT_EQ(test::WindowText(dialog), L"Etsi");
    for (const WORD key : {'O', 'H', 'J', 'E', 'L', 'M', 'A', 'T'}) test::PressKeys(window, {key});
    test::PressKeys(window, {VK_RETURN});
    EXPECT_EQ(Selected(Lower()), std::vector<std::wstring>{L"Piilotettu"});
    EXPECT_TRUE(Selected(Upper()).empty());
    EXPECT_TRUE(IsWindowVisible(window.KeyboardTip()));
    test::PressKeys(window, {VK_F3});
    EXPECT_EQ(Selected(Upper()), std::vector<std::wstring>{L"Kuvankatselin 3.1"});
    EXPECT_LT(test::FindRow(Upper(), L"Kuvankatselin 3.1") - ListView_GetTopIndex(Upper()), ListView_GetCountPerPage(Upper()));
    EXPECT_TRUE(Selected(Lower()).empty());

    // Ctrl+Z in the edit box is the edit box's own; then a word that is nowhere.
    test::PressKeys(window, {VK_CONTROL, 'Z'});
    EXPECT_EQ(window.Poistetut().size(), 1u);
    EXPECT_FALSE(test::EntryExists(L"Muistilaput"));
    SetDlgItemTextW(dialog, FrmEtsi::kIdTxtEtsittava, L"ei ole");
    auto box = test::WatchForDialog(L"Karnio");
    test::PressKeys(window, {VK_RETURN});
    EXPECT_EQ(box.get().text, L"Tekstiä \"ei ole\" ei löytynyt.");
    EXPECT_EQ(Selected(Upper()), std::vector<std::wstring>{L"Kuvankatselin 3.1"});
    // A row found under the dialog: the dialog moves off it.
    SetDlgItemTextW(dialog, FrmEtsi::kIdTxtEtsittava, L"aaa rivi 000");
    test::PressKeys(window, {VK_RETURN});
    EXPECT_EQ(Selected(Upper()), std::vector<std::wstring>{L"Aaa Rivi 000"});
    RECT dialogRect, row, overlap;
    GetWindowRect(dialog, &dialogRect);
    ListView_GetItemRect(Upper(), 0, &row, LVIR_BOUNDS);
    MapWindowPoints(Upper(), nullptr, reinterpret_cast<POINT*>(&row), 2);
    EXPECT_FALSE(IntersectRect(&overlap, &dialogRect, &row));
    test::PressKeys(window, {VK_ESCAPE});
    EXPECT_FALSE(window.EtsiDialog());
}

}  // namespace
}  // namespace karnio
