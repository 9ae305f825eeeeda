// The real main window, driven in-process under Wine against the real registry
// of the throwaway prefix.
#include "ui/main/frmKarnio.h"

#include "registry/windows_registry.h"
#include "ui/common/shell.h"
#include "ui/resources/resource.h"
#include "ui/ui_support.h"

#include <fstream>

#include <algorithm>

namespace karnio {
namespace {

using test::ListRow;
using test::Pump;

class MainWindow : public test::WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        test::RecordShellCalls();
    }
};

TEST_F(MainWindow, LaysOutItsControlsInTwipsAtTheScreenDpi)
{
    FrmKarnio& window = Open();
    HWND hwnd = window.Hwnd();
    ExpectPlacedInTwipsAt(dpi_);
    HWND frame = FindWindowExW(hwnd, nullptr, L"Static", nullptr);
    ASSERT_TRUE(frame);
    EXPECT_EQ(test::WindowText(frame), L"");

    const LONG style = GetWindowLongW(hwnd, GWL_STYLE);
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_FALSE(style & WS_THICKFRAME);
    EXPECT_EQ(test::WindowText(hwnd), L"Karnio");
    EXPECT_TRUE(SendMessageW(hwnd, WM_GETICON, ICON_BIG, 0) || GetClassLongPtrW(hwnd, GCLP_HICON));

    // MS Sans Serif 8.25 pt in both lists; the focus starts in the programs list.
    LOGFONTW font = {};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(window.LvwOhjelmat(), WM_GETFONT, 0, 0)), sizeof font, &font);
    EXPECT_STREQ(font.lfFaceName, L"MS Sans Serif");
    EXPECT_EQ(font.lfHeight, -MulDiv(825, dpi_, 7200));
    EXPECT_EQ(GetFocus(), window.LvwOhjelmat());

    // Tab moves between the two lists.
    MSG tab = {window.LvwOhjelmat(), WM_KEYDOWN, VK_TAB, 0};
    EXPECT_TRUE(window.PreTranslateMessage(tab));
    EXPECT_EQ(GetFocus(), window.LvwOhjelmat2());
    tab.hwnd = window.LvwOhjelmat2();
    EXPECT_TRUE(window.PreTranslateMessage(tab));
    EXPECT_EQ(GetFocus(), window.LvwOhjelmat());
}

std::wstring MenuText(HMENU menu, int position)
{
    wchar_t text[256] = {};
    GetMenuStringW(menu, position, text, static_cast<int>(std::size(text)), MF_BYPOSITION);
    return text;
}

std::vector<std::wstring> MenuTexts(HMENU menu)
{
    std::vector<std::wstring> texts;
    for (int i = 0; i < GetMenuItemCount(menu); ++i)
        texts.push_back((GetMenuState(menu, i, MF_BYPOSITION) & MF_SEPARATOR) ? L"-" : MenuText(menu, i));
    return texts;
}

TEST_F(MainWindow, MenusCarryTheirExactCaptions)
{
    FrmKarnio& window = Open();
    HMENU bar = GetMenu(window.Hwnd());
    ASSERT_EQ(GetMenuItemCount(bar), 3);
    EXPECT_EQ(MenuText(bar, 0), L"&Tiedosto");
    EXPECT_EQ(MenuText(bar, 1), L"&Muokkaa");
    EXPECT_EQ(MenuText(bar, 2), L"&Ohje");
    // The key name follows the caption after a tab, as Windows shows shortcuts.
    EXPECT_EQ(MenuTexts(GetSubMenu(bar, 0)),
              (std::vector<std::wstring>{L"&Päivitä ohjelmaluettelot    \tF5", L"-", L"&Lopeta"}));
    EXPECT_EQ(MenuTexts(GetSubMenu(bar, 1)),
              (std::vector<std::wstring>{L"&Kumoa poisto\tCtrl+Z", L"&Poista\tDel", L"-", L"K&opioi\tCtrl+C", L"-",
                                         L"Valitse &jäänteet", L"-", L"&Etsi...\tCtrl+F", L"Etsi &seuraava\tF3", L"-",
                                         L"Avaa &rekisterieditorissa", L"Avaa ka&nsio"}));
    EXPECT_EQ(MenuTexts(GetSubMenu(bar, 2)),
              (std::vector<std::wstring>{L"&Readme-ohje\tF1", L"-", L"&Ohjelmapäivitykset...",
                                         L"&Palautetta ohjelmasta...    ", L"&Virheilmoitukset...", L"-",
                                         L"&Tietoja ohjelmasta...    "}));
    EXPECT_EQ(MenuTexts(window.MnuPopUp()), (std::vector<std::wstring>{L"&Poista", L"&Aja karnio-ohjelma...", L"-", L"K&opioi\tCtrl+C",
                                                                        L"-", L"Avaa &rekisterieditorissa", L"Avaa ka&nsio"}));
    EXPECT_EQ(GetMenuState(window.MnuPopUp(), IDM_AJA, MF_BYCOMMAND) & MF_GRAYED, 0u);
    EXPECT_EQ(MenuText(GetSubMenu(bar, 0), 0).find(L'\t'), 29u);
}

TEST_F(MainWindow, ListsAreSortedWithTheirHeadersAndWidths)
{
    test::AddEntry(L"zz", L"Zeta", L"z.exe");
    test::AddEntry(L"aa", L"Ääni", L"a.exe");
    test::AddEntry(L"mm", L"alfa", L"m.exe");
    test::AddEntry(L"bb", L"Beta", L"b.exe");
    test::AddEntry(L"h1", nullptr, nullptr, L"Hiljainen");
    test::AddEntry(L"A-tyhjä", nullptr, nullptr);
    FrmKarnio& window = Open();

    for (HWND list : {window.LvwOhjelmat(), window.LvwOhjelmat2()}) {
        EXPECT_EQ(ListView_GetColumnWidth(list, 0), TwipsToPixels(2500, dpi_));
        EXPECT_EQ(ListView_GetColumnWidth(list, 1), TwipsToPixels(4300, dpi_));
        EXPECT_TRUE(GetWindowLongW(list, GWL_STYLE) & LVS_REPORT);
        const auto rows = test::Rows(list);
        for (std::size_t i = 1; i < rows.size(); ++i)
            EXPECT_NE(CompareStringW(LOCALE_USER_DEFAULT, 0, rows[i - 1].text.c_str(), -1, rows[i].text.c_str(), -1),
                      CSTR_GREATER_THAN)
                << i;
    }
    wchar_t header[64];
    LVCOLUMNW column = {LVCF_TEXT};
    column.pszText = header;
    column.cchTextMax = 64;
    ListView_GetColumn(window.LvwOhjelmat(), 0, &column);
    EXPECT_STREQ(header, L"Ohjelman nimi");
    ListView_GetColumn(window.LvwOhjelmat2(), 0, &column);
    EXPECT_STREQ(header, L"Piilotetun ohjelman nimi");
    ListView_GetColumn(window.LvwOhjelmat2(), 1, &column);
    EXPECT_STREQ(header, L"Karnio-ohjelma");

    EXPECT_EQ(test::Rows(window.LvwOhjelmat()).size(), 4u);
    EXPECT_EQ(test::Rows(window.LvwOhjelmat2()),
              (std::vector<ListRow>{{L"A-tyhjä", L""}, {L"Hiljainen", L""}}));
}

TEST_F(MainWindow, OrderMatchesASortingListViewOfItsOwn)
{
    const std::vector<std::wstring> names = {L"beta", L"Beta", L"alpha", L"Ärräpää", L"Zulu", L"_under", L"10 x",
                                             L"2 x",  L"a-b",  L"ab",    L"Öljy",    L"Åke",  L"жук",    L"Ящик"};
    for (std::size_t i = 0; i < names.size(); ++i) test::AddEntry(L"k" + std::to_wstring(i), names[i].c_str(), L"x.exe");
    FrmKarnio& window = Open();

    HWND reference = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_POPUP | LVS_REPORT | LVS_SORTASCENDING, 0, 0, 100, 100,
                                     nullptr, nullptr, nullptr, nullptr);
    LVCOLUMNW column = {LVCF_WIDTH};
    column.cx = 50;
    ListView_InsertColumn(reference, 0, &column);
    for (const std::wstring& name : names) {
        LVITEMW item = {LVIF_TEXT};
        item.iItem = 0;
        item.pszText = const_cast<wchar_t*>(name.c_str());
        SendMessageW(reference, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    }
    std::vector<std::wstring> expected, shown;
    for (const auto& row : test::Rows(reference)) expected.push_back(row.text);
    for (const auto& row : test::Rows(window.LvwOhjelmat())) shown.push_back(row.text);
    DestroyWindow(reference);
    EXPECT_EQ(shown, expected);
}

TEST_F(MainWindow, ClickingRowsRemembersKeyAndCommand)
{
    test::AddEntry(L"with", L"With command", L"with.exe /x");
    test::AddEntry(L"without", nullptr, nullptr);
    test::AddEntry(L"zz-next", L"Zz next", L"next.exe");
    FrmKarnio& window = Open();
    HMENU popup = window.MnuPopUp();

    test::SelectRow(window.LvwOhjelmat(), test::FindRow(window.LvwOhjelmat(), L"With command"));
    EXPECT_EQ(window.StrAvain(), "with");
    EXPECT_EQ(window.StrKomento(), "with.exe /x");
    EXPECT_EQ(GetMenuState(popup, IDM_AJA, MF_BYCOMMAND) & MF_GRAYED, 0u);

    test::SelectRow(window.LvwOhjelmat2(), 0);
    EXPECT_EQ(window.StrAvain(), "without");
    EXPECT_EQ(window.StrKomento(), "with.exe /x");
    EXPECT_NE(GetMenuState(popup, IDM_AJA, MF_BYCOMMAND) & MF_GRAYED, 0u);

    // A rebuild keeps both.
    Command(IDM_PAIVITA);
    EXPECT_EQ(window.StrAvain(), "without");
    EXPECT_EQ(window.StrKomento(), "with.exe /x");

    // The arrow keys choose a row as a click does.
    test::SelectRow(window.LvwOhjelmat(), 0);
    SendMessageW(window.LvwOhjelmat(), WM_KEYDOWN, VK_DOWN, 0);
    Pump();
    EXPECT_EQ(window.StrAvain(), "zz-next");
    EXPECT_EQ(window.StrKomento(), "next.exe");
}

TEST_F(MainWindow, DeleteRemovesTheChosenKeyAndRebuilds)
{
    test::AddEntry(L"Poistettava", L"Poistettava ohjelma", L"p.exe");
    test::AddEntry(L"Jää", L"Jäävä ohjelma", L"j.exe");
    FrmKarnio& window = Open();
    test::CursorLog cursor;

    test::SelectRow(window.LvwOhjelmat(), test::FindRow(window.LvwOhjelmat(), L"Poistettava ohjelma"));
    Command(IDM_POISTA);
    EXPECT_FALSE(test::EntryExists(L"Poistettava"));
    EXPECT_TRUE(test::EntryExists(L"Jää"));
    EXPECT_EQ(test::Rows(window.LvwOhjelmat()), (std::vector<ListRow>{{L"Jäävä ohjelma", L"j.exe"}}));
    EXPECT_TRUE(test::Rows(window.LvwOhjelmat2()).empty());
    EXPECT_EQ(window.StrAvain(), "Jää");  // the row after it is chosen
    EXPECT_EQ(cursor.changes, (std::vector<AppCursor>{AppCursor::Wait, AppCursor::Default}));

    // Then that one goes; with no row left, nothing is chosen and nothing more goes.
    Command(IDM_POISTA);
    EXPECT_FALSE(test::EntryExists(L"Jää"));
    EXPECT_EQ(window.StrAvain(), "");
    Command(IDM_POISTA);
    EXPECT_EQ(test::Rows(window.LvwOhjelmat()).size(), 0u);
}

TEST_F(MainWindow, DeleteBeforeAnyClickDeletesNothing)
{
    test::AddEntry(L"Yksi", L"Yksi", L"1.exe");
    FrmKarnio& window = Open();
    Command(IDM_POISTA);
    EXPECT_TRUE(test::EntryExists(L""));
    EXPECT_TRUE(test::EntryExists(L"Yksi"));
    EXPECT_EQ(test::Rows(window.LvwOhjelmat()).size(), 1u);
}

TEST_F(MainWindow, RefreshWithF5ReadsTheRegistryAgain)
{
    FrmKarnio& window = Open();
    EXPECT_TRUE(test::Rows(window.LvwOhjelmat()).empty());
    test::AddEntry(L"Uusi", L"Uusi ohjelma", L"u.exe");
    test::CursorLog cursor;
    MSG f5 = {window.LvwOhjelmat(), WM_KEYDOWN, VK_F5, 0};
    EXPECT_TRUE(window.PreTranslateMessage(f5));
    Pump();
    EXPECT_EQ(test::Rows(window.LvwOhjelmat()), (std::vector<ListRow>{{L"Uusi ohjelma", L"u.exe"}}));
    EXPECT_EQ(cursor.changes, (std::vector<AppCursor>{AppCursor::Wait, AppCursor::Default}));

    MSG f1 = {window.LvwOhjelmat(), WM_KEYDOWN, VK_F1, 0};
    EXPECT_TRUE(window.PreTranslateMessage(f1));
    Pump();
    ASSERT_EQ(test::RecordedShellCalls().size(), 1u);
    EXPECT_EQ(test::RecordedShellCalls()[0].file, L"readme.txt");
}

// Pages open through the desktop's shell, as the desktop user; ShellExecuteW only
// when a step of the way there fails: always exactly one of the two.
TEST_F(MainWindow, PagesOpenThroughTheDesktopsShellElseAsKarnio)
{
    FrmKarnio& window = Open();
    constexpr int kSteps = 4;
    for (int failing = 0; failing <= kSteps; ++failing) {
        std::vector<std::wstring> opened;
        std::vector<DesktopStep> steps;
        for (int step = 0; step < kSteps; ++step)
            steps.push_back([&, step](IUnknown*, const ShellRequest& request, IUnknown**) {
                if (step == failing) return E_FAIL;
                if (step + 1 == kSteps) opened.push_back(request.file);
                return S_OK;
            });
        test::RecordShellCalls(steps);
        Command(IDM_OHJELMAPAIVITYKSET);
        const std::wstring page = L"http://www.example.com/suomi/karnio.html";
        EXPECT_EQ(opened, failing == kSteps ? std::vector<std::wstring>{page} : std::vector<std::wstring>{}) << failing;
        const auto fallbacks = test::RecordedShellCalls();
        EXPECT_EQ(fallbacks.size(), failing == kSteps ? 0u : 1u) << failing;
        for (const test::ShellCall& call : fallbacks) EXPECT_EQ(call.file, page);
    }
    (void)window;
}

TEST_F(MainWindow, CloseBoxEndsTheProgramWithoutQuestions)
{
    FrmKarnio& window = Open();
    HWND hwnd = window.Hwnd();
    SendMessageW(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_FALSE(IsWindow(hwnd));
    MSG message;
    EXPECT_TRUE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

TEST_F(MainWindow, QuitEndsTheProgram)
{
    FrmKarnio& window = Open();
    test::CursorLog cursor;
    HWND hwnd = window.Hwnd();
    SendMessageW(hwnd, WM_COMMAND, IDM_LOPETA, 0);
    EXPECT_FALSE(IsWindow(hwnd));
    MSG message;
    EXPECT_TRUE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(cursor.changes, (std::vector<AppCursor>{AppCursor::Wait}));
    SetAppCursor(AppCursor::Default);
}

// A row's key opens in Registry Editor (a 32-bit one's under WOW6432Node) while none
// is open; its InstallLocation opens as a folder, or a file selected in its folder.
TEST_F(MainWindow, RowsKeyOpensInRegistryEditorAndItsFolderInExplorer)
{
    test::AddEntry(UninstallSource::Machine32, L"Vanha 32", L"Vanha 32", L"notepad.exe /32");
    test::AddEntry(L"Kansiollinen", nullptr, nullptr);
    test::AddEntry(L"Kansio", nullptr, nullptr);
    for (const auto& [key, location] : {std::pair{L"Kansiollinen", L"%SystemRoot%\\notepad.exe "}, std::pair{L"Kansio", L"\"%SystemRoot%\\\""}})
        RegSetKeyValueW(HKEY_LOCAL_MACHINE, (test::UninstallPathW() + L"\\" + key).c_str(), L"InstallLocation", REG_SZ, location,
                        static_cast<DWORD>(wcslen(location) * 2 + 2));
    FrmKarnio& window = Open();
    HWND upper = window.LvwOhjelmat(), lower = window.LvwOhjelmat2();
    test::ClickRow(lower, 1);
    auto reader = test::ReadMenuWhenShown();
    SendMessageW(lower, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(lower), MAKELPARAM(-1, -1));
    Pump();
    EXPECT_EQ(reader.get(), test::RowPopUp("x-xxx"));
    for (const int row : {0, 1}) {
        test::ClickRow(lower, row);
        Command(IDM_KANSIO);
    }
    wchar_t folder[MAX_PATH] = {};
    GetSystemWindowsDirectoryW(folder, MAX_PATH);
    const std::wstring windows = folder;
    std::vector<std::wstring> calls;
    for (const test::ShellCall& call : test::RecordedShellCalls()) calls.push_back(call.verb + L"|" + call.file + L"|" + call.parameters);
    EXPECT_EQ(calls, (std::vector<std::wstring>{L"explore|" + windows + L"|", L"open|" + windows + L"\\explorer.exe|/select,\"" + windows + L"\\notepad.exe\""}));
    RECT frame;
    GetWindowRect(lower, &frame);
    auto empty = test::ReadMenuWhenShown();
    test::RightClick({frame.left + 40, frame.bottom - 10});
    test::PumpUntilReady(empty);
    EXPECT_EQ(empty.get(), test::RowPopUp("-----"));

    const auto lastKey = [] {
        wchar_t text[512] = {};
        DWORD size = sizeof text;
        RegGetValueW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Regedit", L"LastKey", RRF_RT_REG_SZ, nullptr, text, &size);
        return std::wstring(text);
    };
    test::ClickRow(upper, 0);
    Command(IDM_REKISTERIEDITORI);
    HWND regedit = nullptr;
    for (int waited = 0; waited < 15000 && !(regedit = FindWindowW(L"RegEdit_RegEdit", nullptr)); waited += 50) Pump(), Sleep(50);
    ASSERT_TRUE(regedit);
    const std::wstring path = L"HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Vanha 32";
    EXPECT_EQ(lastKey(), path);
    test::ClickRow(lower, 0);
    auto box = test::WatchForDialog(L"Virhe");
    Command(IDM_REKISTERIEDITORI);
    EXPECT_EQ(box.get().text, L"Rekisterieditori on jo auki. Sulje se ja yritä uudelleen.");
    EXPECT_EQ(lastKey(), path);
    PostMessageW(regedit, WM_CLOSE, 0, 0);
    for (int waited = 0; waited < 15000 && IsWindow(regedit); waited += 50) Pump(), Sleep(50);
}

TEST_F(MainWindow, PopUpMenuOpensFromMouseAndKeyboard)
{
    test::AddEntry(L"Yksi", L"Yksi", L"1.exe");
    FrmKarnio& window = Open();
    for (HWND list : {window.LvwOhjelmat(), window.LvwOhjelmat2()}) {
        for (bool keyboard : {false, true}) {
            auto closer = test::CloseMenuWhenShown();
            RECT rect;
            GetWindowRect(list, &rect);
            // Over empty space near the bottom of the list, or from the menu key.
            const LPARAM where = keyboard ? MAKELPARAM(-1, -1) : MAKELPARAM(rect.left + 40, rect.bottom - 10);
            SendMessageW(list, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list), where);
            EXPECT_TRUE(closer.get()) << (keyboard ? "keyboard" : "mouse");
            Pump();
        }
    }
}

TEST_F(MainWindow, RightButtonReleaseOverAListOpensThePopUp)
{
    FrmKarnio& window = Open();
    auto closer = test::CloseMenuWhenShown();
    RECT rect;
    GetWindowRect(window.LvwOhjelmat(), &rect);
    test::RightClick({rect.left + 60, rect.top + 100});
    test::PumpUntilReady(closer);
    EXPECT_TRUE(closer.get());
}

// Right-clicking the title bar, or the window outside the lists, shows the window menu.
TEST_F(MainWindow, RightClickOutsideTheListsShowsTheWindowMenu)
{
    FrmKarnio& window = Open();
    RECT frame, client;
    GetWindowRect(window.Hwnd(), &frame);
    GetClientRect(window.Hwnd(), &client);
    POINT below = {client.right / 2, client.bottom - 2};  // under the lower list
    ClientToScreen(window.Hwnd(), &below);
    const POINT caption = {(frame.left + frame.right) / 2, frame.top + GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYCAPTION) / 2};
    ASSERT_EQ(SendMessageW(window.Hwnd(), WM_NCHITTEST, 0, MAKELPARAM(caption.x, caption.y)), HTCAPTION);
    for (const POINT point : {caption, below}) {
        auto reader = test::ReadMenuWhenShown();
        if (point.y == caption.y) {
            // A simulated click on Wine's own caption lands where Wine last put the
            // pointer, so what Windows' frame handling sends for it is posted.
            PostMessageW(window.Hwnd(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(window.Hwnd()), MAKELPARAM(point.x, point.y));
        } else {
            test::RightClick(point);
        }
        test::PumpUntilReady(reader);
        const std::vector<std::wstring> items = reader.get();
        ASSERT_GE(items.size(), 3u) << point.x << "," << point.y;
        EXPECT_NE(std::find(items.begin(), items.end(), L"&Move"), items.end()) << Narrow(items[0]);
        EXPECT_NE(std::find_if(items.begin(), items.end(), [](const std::wstring& item) { return item.rfind(L"&Close", 0) == 0; }),
                  items.end());
        Pump();
    }
    EXPECT_TRUE(IsWindowVisible(window.Hwnd()));
}

}  // namespace
}  // namespace karnio
