// The three Uninstall keys in the real window: rows know where they came from,
// a delete reaches only that key, and the info tip names it.
#include "ui/main/frmKarnio.h"

#include "registry/windows_registry.h"
#include "ui/resources/resource.h"
#include "ui/ui_support.h"

#include <map>

namespace karnio {
namespace {

using S = UninstallSource;
using test::ListRow;
using test::Pump;

class Sources : public test::WindowTest {
protected:
    // Clicks, with the real mouse, the row that shows the given command or name.
    void Click(HWND list, const std::wstring& shown)
    {
        const auto rows = test::Rows(list);
        int item = -1;
        for (std::size_t i = 0; i < rows.size(); ++i)
            if (rows[i].command == shown || rows[i].text == shown) item = static_cast<int>(i);
        ASSERT_GE(item, 0) << Narrow(shown);
        test::ClickRow(list, item);
    }
};

// Every subkey and value name under one root, both views, to prove a delete left them alone.
std::map<std::wstring, int> Snapshot(HKEY root)
{
    std::map<std::wstring, int> keys;
    for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
        HKEY uninstall = nullptr;
        if (RegOpenKeyExW(root, test::UninstallPathW().c_str(), 0, KEY_READ | view, &uninstall) != ERROR_SUCCESS) continue;
        wchar_t name[512];
        for (DWORD i = 0; RegEnumKeyW(uninstall, i, name, 512) == ERROR_SUCCESS; ++i) {
            DWORD values = 0;
            HKEY sub = nullptr;
            RegOpenKeyExW(uninstall, name, 0, KEY_READ, &sub);
            RegQueryInfoKeyW(sub, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr, nullptr, nullptr);
            RegCloseKey(sub);
            keys[std::to_wstring(view) + L":" + name] = static_cast<int>(values);
        }
        RegCloseKey(uninstall);
    }
    return keys;
}

TEST_F(Sources, ListsAllThreeAndDeletesOnlyFromTheRowsOwnKey)
{
    test::AddEntry(S::Machine, L"Kaksonen", L"Kaksonen", L"C:\\64\\poista.exe");
    test::AddEntry(S::Machine32, L"Kaksonen", L"Kaksonen", L"C:\\32\\poista.exe");
    test::AddEntry(S::Machine32, L"Vanha ÄÖ", nullptr, nullptr, L"Vanha 32-bittinen");
    test::AddEntry(S::User, L"Kaksonen", L"Kaksonen", L"C:\\Users\\poista.exe");
    test::AddEntry(S::User, L"Oma ohjelma", L"Oma ohjelma", L"oma.exe");
    FrmKarnio& window = Open();

    // Sorted over all rows; twins keep the order of their sources.
    EXPECT_EQ(test::Rows(window.LvwOhjelmat()),
              (std::vector<ListRow>{{L"Kaksonen", L"C:\\64\\poista.exe"},
                                    {L"Kaksonen", L"C:\\32\\poista.exe"},
                                    {L"Kaksonen", L"C:\\Users\\poista.exe"},
                                    {L"Oma ohjelma", L"oma.exe"}}));
    EXPECT_EQ(test::Rows(window.LvwOhjelmat2()), (std::vector<ListRow>{{L"Vanha 32-bittinen", L""}}));

    Click(window.LvwOhjelmat(), L"C:\\32\\poista.exe");
    EXPECT_EQ(window.StrAvain(), "Kaksonen");
    EXPECT_EQ(window.Lahde(), S::Machine32);
    Command(IDM_POISTA);
    EXPECT_FALSE(test::EntryExists(S::Machine32, L"Kaksonen"));
    EXPECT_TRUE(test::EntryExists(S::Machine, L"Kaksonen"));
    EXPECT_TRUE(test::EntryExists(S::User, L"Kaksonen"));
    EXPECT_EQ(test::Rows(window.LvwOhjelmat()).size(), 3u);
    EXPECT_EQ(test::FindRow(window.LvwOhjelmat(), L"Kaksonen"), 0);

    // A per-user row: nothing under HKEY_LOCAL_MACHINE is touched.
    const auto machine = Snapshot(HKEY_LOCAL_MACHINE);
    Click(window.LvwOhjelmat(), L"C:\\Users\\poista.exe");
    EXPECT_EQ(window.Lahde(), S::User);
    Command(IDM_POISTA);
    EXPECT_FALSE(test::EntryExists(S::User, L"Kaksonen"));
    EXPECT_EQ(Snapshot(HKEY_LOCAL_MACHINE), machine);
    EXPECT_EQ(test::Rows(window.LvwOhjelmat()),
              (std::vector<ListRow>{{L"Kaksonen", L"C:\\64\\poista.exe"}, {L"Oma ohjelma", L"oma.exe"}}));

    // The hidden 32-bit entry, by its subkey name with non-ASCII letters.
    Click(window.LvwOhjelmat2(), L"Vanha 32-bittinen");
    EXPECT_EQ(window.StrAvain(), "Vanha ÄÖ");
    Command(IDM_POISTA);
    EXPECT_FALSE(test::EntryExists(S::Machine32, L"Vanha ÄÖ"));
    EXPECT_TRUE(test::Rows(window.LvwOhjelmat2()).empty());
}

TEST_F(Sources, RowClicksRememberTheSourceWithTheKey)
{
    test::AddEntry(S::User, L"Käyttäjä", L"Käyttäjä", L"kayttaja.exe /x");
    test::AddEntry(S::Machine32, L"Ilman", nullptr, nullptr);
    FrmKarnio& window = Open();
    HMENU popup = window.MnuPopUp();

    Click(window.LvwOhjelmat(), L"Käyttäjä");
    EXPECT_EQ(window.Lahde(), S::User);
    EXPECT_EQ(window.StrKomento(), "kayttaja.exe /x");

    // A row without a command: key and source change, the command stays.
    Click(window.LvwOhjelmat2(), L"Ilman");
    EXPECT_EQ(window.StrAvain(), "Ilman");
    EXPECT_EQ(window.Lahde(), S::Machine32);
    EXPECT_EQ(window.StrKomento(), "kayttaja.exe /x");
    EXPECT_NE(GetMenuState(popup, IDM_AJA, MF_BYCOMMAND) & MF_GRAYED, 0u);

    // A rebuild keeps all three.
    Command(IDM_PAIVITA);
    EXPECT_EQ(window.StrAvain(), "Ilman");
    EXPECT_EQ(window.Lahde(), S::Machine32);
    EXPECT_EQ(window.StrKomento(), "kayttaja.exe /x");
}

TEST_F(Sources, InfoTipNamesTheRowsRegistryKey)
{
    // Uninstallers that are there: a row whose uninstaller is gone says so on a second line.
    test::AddEntry(S::Machine, L"Kaksonen", L"Kaksonen", L"notepad.exe /64");
    test::AddEntry(S::Machine32, L"Kaksonen", L"Kaksonen", L"notepad.exe /32");
    test::AddEntry(S::User, L"Piilo", nullptr, nullptr);
    test::AddEntry(S::User, L"Nimetty", L"Nimetty", nullptr);
    test::AddEntry(S::Machine, L"Kirjasto", L"Kirjasto", L"rundll32.exe C:\\Poissa\\x.dll,Poista");
    FrmKarnio& window = Open();

    const std::wstring uninstall = L"\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
    const test::LoopFilter loop = [&](MSG& message) { return window.PreTranslateMessage(message); };
    EXPECT_EQ(test::HoverTip(window.LvwOhjelmat(), 1, window.InfoTipOf(window.LvwOhjelmat()), loop),
              L"HKEY_LOCAL_MACHINE\\Software\\WOW6432Node" + uninstall + L"Kaksonen");
    EXPECT_EQ(test::HoverTip(window.LvwOhjelmat(), 0, window.InfoTipOf(window.LvwOhjelmat()), loop),
              L"HKEY_LOCAL_MACHINE\\Software" + uninstall + L"Kaksonen");
    EXPECT_EQ(test::HoverTip(window.LvwOhjelmat2(), 1, window.InfoTipOf(window.LvwOhjelmat2()), loop),
              L"HKEY_CURRENT_USER\\Software" + uninstall + L"Piilo\r\nEi näy Windowsin ohjelmaluettelossa: ei nimeä");
    EXPECT_EQ(test::HoverTip(window.LvwOhjelmat2(), 0, window.InfoTipOf(window.LvwOhjelmat2()), loop),
              L"HKEY_CURRENT_USER\\Software" + uninstall + L"Nimetty\r\nEi näy Windowsin ohjelmaluettelossa: ei poistokomentoa");
    EXPECT_EQ(test::HoverTip(window.LvwOhjelmat(), 2, window.InfoTipOf(window.LvwOhjelmat()), loop),
              L"HKEY_LOCAL_MACHINE\\Software" + uninstall + L"Kirjasto\r\nPoisto-ohjelman kirjastoa ei löydy: C:\\Poissa\\x.dll");
    // Over empty space there is no tip; the columns keep their texts.
    EXPECT_EQ(test::HoverTip(window.LvwOhjelmat(), -1, window.InfoTipOf(window.LvwOhjelmat()), loop, 1500, 1), L"");
    EXPECT_EQ(test::Rows(window.LvwOhjelmat())[1], (ListRow{L"Kaksonen", L"notepad.exe /32"}));
    // The desktop another user's whose entries are out of reach: the per-user rows are Karnio's own, and say so.
    const PerUser karnios = {std::nullopt, "KONE\\Admin"};
    FrmKarnio& again = Open(&karnios);
    const test::LoopFilter loopAgain = [&](MSG& message) { return again.PreTranslateMessage(message); };
    EXPECT_EQ(test::HoverTip(again.LvwOhjelmat2(), 1, again.InfoTipOf(again.LvwOhjelmat2()), loopAgain),
              L"HKEY_CURRENT_USER\\Software" + uninstall + L"Piilo\r\nMerkintä kuuluu käyttäjälle KONE\\Admin, jonka tunnuksilla "
              L"Karnio on käynnissä.\r\nEi näy Windowsin ohjelmaluettelossa: ei nimeä");
}

// One tip at a time, only while Karnio is the active window, each line of it one line.
TEST_F(Sources, OneHonestTipAtATime)
{
    test::AddEntry(S::Machine, L"Rev", L"Rev A2", L"notepad.exe /rev");
    for (int i = 1; i <= 3; ++i) test::AddEntry(S::Machine, L"Muu " + std::to_wstring(i), (L"Muu " + std::to_wstring(i)).c_str(), L"notepad.exe");
    HKEY key = nullptr;
    RegOpenKeyExW(HKEY_LOCAL_MACHINE, (test::UninstallPathW() + L"Rev").c_str(), 0, KEY_SET_VALUE, &key);
    const std::wstring publisher = L"Rev Oy " + std::wstring(125, L'\u2500') + L" Poisto-ohjelmaa ei löydy: C:\\Program Files\\Rev\\poista.exe";
    RegSetValueExW(key, L"Publisher", 0, REG_SZ, reinterpret_cast<const BYTE*>(publisher.c_str()), static_cast<DWORD>((publisher.size() + 1) * 2));
    RegCloseKey(key);
    FrmKarnio& window = Open();
    HWND list = window.LvwOhjelmat(), hover = window.InfoTipOf(list), keyboard = window.KeyboardTip();
    const test::LoopFilter loop = [&](MSG& message) { return window.PreTranslateMessage(message); };

    // The long line is cut to the screen, never broken into a line of its own.
    test::SelectRow(list, 2);
    test::PressKeys(window, {VK_DOWN});
    const std::wstring text = test::WindowText(keyboard);
    EXPECT_EQ(text.find(L"\r\nJulkaisija: Rev Oy \u2500"), text.find(L"\r\n"));
    EXPECT_EQ(text.back(), L'\u2026');
    EXPECT_EQ(text.find(L"Poisto-ohjelmaa"), std::wstring::npos);
    RECT shown;
    GetWindowRect(keyboard, &shown);
    EXPECT_LE(shown.right - shown.left, GetSystemMetrics(SM_CXSCREEN));

    // The mouse's tip and the keyboard's never show together.
    EXPECT_FALSE(test::HoverTip(list, 2, hover, loop).empty());
    EXPECT_FALSE(IsWindowVisible(keyboard));
    test::PressKeys(window, {VK_UP});
    EXPECT_TRUE(IsWindowVisible(keyboard));
    EXPECT_FALSE(IsWindowVisible(hover));
    // After a rebuild under a pointer that stood still (Windows tells the list of the pointer
    // again, where it was), or while another window is in front: no mouse tip.
    test::PressKeys(window, {VK_F5});
    POINT still = test::RowPoint(list, 2);
    ScreenToClient(list, &still);
    PostMessageW(list, WM_MOUSEMOVE, 0, MAKELPARAM(still.x, still.y));
    for (int waited = 0; waited < 1500; waited += 20, Sleep(20)) Pump(loop);
    EXPECT_FALSE(IsWindowVisible(hover));
    HWND other = CreateWindowExW(0, L"Static", L"Toinen", WS_OVERLAPPEDWINDOW | WS_VISIBLE, GetSystemMetrics(SM_CXSCREEN) - 220,
                                 GetSystemMetrics(SM_CYSCREEN) - 120, 200, 100, nullptr, nullptr, nullptr, nullptr);
    SetForegroundWindow(other);
    EXPECT_EQ(test::HoverTip(list, 1, hover, loop, 1500, 1), L"");
    DestroyWindow(other);
}

}  // namespace
}  // namespace karnio
