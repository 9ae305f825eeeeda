// Real installers, built by makensis and wixl from tests/installers: what they
// install is drawn as usual; once its uninstaller is gone, the row turns grey
// and its tip says why.
#include "ui/main/frmKarnio.h"

#include "ui/main/row_colours.h"
#include "ui/resources/resource.h"
#include "ui/ui_support.h"

#include <set>

namespace karnio {
namespace {

using S = UninstallSource;
using test::Pump;

constexpr wchar_t kNsisName[] = L"Muistikirja (NSIS-esittely)";
constexpr wchar_t kMsiName[] = L"Sanasto (MSI-esittely)";
constexpr char kProductCode[] = "{6F1C2B7A-4D3E-4B8A-9E21-5A7C0D3F8B14}";
constexpr wchar_t kNsisFolder[] = L"C:\\Program Files\\Muistikirja";
// What the NSIS script writes beside the name and commands, as the tip shows it.
constexpr wchar_t kNsisDetails[] =
    L"\r\nJulkaisija: Karnio-esittely\r\nVersio: 1.0\r\nKansio: C:\\Program Files\\Muistikirja\r\nKoko: 1,5 Mt";

// What Wine's msiexec writes: the manufacturer, the version and today's date
// (its folder is empty and its size zero, which show nothing).
std::wstring MsiDetails()
{
    SYSTEMTIME today;
    GetLocalTime(&today);
    return L"\r\nJulkaisija: Karnio-esittely\r\nVersio: 1.0.0\r\nAsennettu: " + std::to_wstring(today.wDay) + L"." +
           std::to_wstring(today.wMonth) + L"." + std::to_wstring(today.wYear);
}

std::wstring Installer(const wchar_t* file) { return test::WinePathOf("KARNIO_INSTALLERS") + L"\\" + file; }

// The colours of the pixels inside one column of a row, as the screen shows them.
std::set<COLORREF> ColoursOf(HWND list, int item, int column)
{
    RECT rect = {};
    ListView_GetSubItemRect(list, item, column, LVIR_LABEL, &rect);
    std::set<COLORREF> colours;
    HDC dc = GetDC(list);
    for (int y = rect.top; y < rect.bottom; ++y)
        for (int x = rect.left; x < rect.right; ++x) colours.insert(GetPixel(dc, x, y));
    ReleaseDC(list, dc);
    return colours;
}

// Whether the row's columns (the first alone for a row without a command) show text in the colour, and none in the other.
::testing::AssertionResult DrawnIn(HWND list, int item, COLORREF colour, COLORREF notColour, int columns = 2)
{
    for (int column = 0; column < columns; ++column) {
        const std::set<COLORREF> colours = ColoursOf(list, item, column);
        if (!colours.count(colour) || colours.count(notColour))
            return ::testing::AssertionFailure() << "row " << item << " column " << column << ": " << colours.size()
                                                 << " colours, wanted " << colour << " without " << notColour;
    }
    return ::testing::AssertionSuccess();
}

class Installers : public test::WindowTest {
protected:
    void TearDown() override
    {
        test::WindowTest::TearDown();
        test::RunAndWait(L"msiexec.exe /x " + Wide(kProductCode) + L" /qn");
        for (const wchar_t* file : {L"\\lueminut.txt", L"\\poista.exe"}) DeleteFileW((kNsisFolder + std::wstring(file)).c_str());
        RemoveDirectoryW(kNsisFolder);
    }
    int Row(const wchar_t* name)
    {
        const int item = test::FindRow(window_->LvwOhjelmat(), name);
        EXPECT_GE(item, 0) << Narrow(name);
        return item;
    }
    // The tip of a row, rested on as a user would.
    std::wstring Tip(int item)
    {
        const test::LoopFilter loop = [&](MSG& message) { return window_->PreTranslateMessage(message); };
        return test::HoverTip(window_->LvwOhjelmat(), item, window_->InfoTipOf(window_->LvwOhjelmat()), loop);
    }
};

TEST_F(Installers, RowsTurnGreyOnlyOnceTheirUninstallerIsGone)
{
    ASSERT_EQ(test::RunAndWait(L"\"" + Installer(L"karnio-nsis-demo.exe") + L"\" /S"), 0);
    ASSERT_EQ(test::RunAndWait(L"msiexec.exe /i \"" + Installer(L"karnio-wixl-demo.msi") + L"\" /qn"), 0);
    ASSERT_TRUE(test::EntryExists(S::Machine, L"KarnioNsisDemo"));
    ASSERT_TRUE(test::EntryExists(S::Machine32, Wide(kProductCode)));
    const std::wstring uninstall = L"\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
    const std::wstring nsisPath = L"HKEY_LOCAL_MACHINE\\Software" + uninstall + L"KarnioNsisDemo";
    const std::wstring msiPath = L"HKEY_LOCAL_MACHINE\\Software\\WOW6432Node" + uninstall + Wide(kProductCode);

    // Beside them: an entry named by an unknown product code and marked as Windows Installer's, without a
    // command; a setup's entry whose setup.exe is gone while its package is installed; the package named in
    // lower case.
    std::wstring lowerCode = Wide(kProductCode);
    CharLowerBuffW(lowerCode.data(), static_cast<DWORD>(lowerCode.size()));
    const std::wstring unknownCode = L"{9A8B7C6D-0000-4000-8000-00AA00BB00CC}";
    test::AddEntry(S::Machine, unknownCode, L"Kadonnut MSI", nullptr);
    test::AddEntry(S::Machine, L"InstallShield_" + Wide(kProductCode), L"Vanha asennusohjelma", L"C:\\Poissa\\setup.exe");
    test::AddEntry(S::Machine, L"Pienet", L"Pienet kirjaimet", (L"MsiExec.exe /X" + lowerCode).c_str());
    HKEY key = nullptr;
    const DWORD one = 1;
    RegOpenKeyExW(HKEY_LOCAL_MACHINE, (test::UninstallPathW() + unknownCode).c_str(), 0, KEY_SET_VALUE, &key);
    RegSetValueExW(key, L"WindowsInstaller", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), sizeof one);
    RegCloseKey(key);

    // Installed: drawn as any row, with the one-line tip (the command column wide
    // enough for the whole command, which the tip then does not repeat).
    FrmKarnio& window = Open();
    ListView_SetColumnWidth(window.LvwOhjelmat(), 1, TwipsToPixels(9000, dpi_));
    HWND list = window.LvwOhjelmat();
    EXPECT_TRUE(DrawnIn(list, Row(kNsisName), GetSysColor(COLOR_WINDOWTEXT), GetSysColor(COLOR_GRAYTEXT)));
    EXPECT_TRUE(DrawnIn(list, Row(kMsiName), GetSysColor(COLOR_WINDOWTEXT), GetSysColor(COLOR_GRAYTEXT)));
    EXPECT_EQ(Tip(Row(kNsisName)), nsisPath + kNsisDetails);
    EXPECT_EQ(Tip(Row(kMsiName)), msiPath + MsiDetails());
    EXPECT_TRUE(DrawnIn(list, Row(L"Pienet kirjaimet"), GetSysColor(COLOR_WINDOWTEXT), GetSysColor(COLOR_GRAYTEXT)));
    HWND hidden = window.LvwOhjelmat2();
    EXPECT_TRUE(DrawnIn(hidden, test::FindRow(hidden, L"Kadonnut MSI"), GetSysColor(COLOR_GRAYTEXT), GetSysColor(COLOR_WINDOWTEXT), 1));
    EXPECT_TRUE(DrawnIn(list, Row(L"Vanha asennusohjelma"), GetSysColor(COLOR_GRAYTEXT), GetSysColor(COLOR_WINDOWTEXT)));
    EXPECT_NE(Tip(Row(L"Vanha asennusohjelma")).find(L"\r\nOhjelma voi olla yhä asennettuna; merkinnän poistaminen vain piilottaisi sen."),
              std::wstring::npos);
    // "Valitse jäänteet" leaves a program that may still be installed.
    SetFocus(list);
    Command(IDM_VALITSE_JAANTEET);
    EXPECT_EQ(ListView_GetSelectedCount(list), 0u);

    // The program's folder deleted by hand; the product uninstalled, and its entry put back.
    const auto entry = LueMerkinta(registry_, S::Machine32, kProductCode);
    ASSERT_TRUE(entry);
    ASSERT_EQ(test::RunAndWait(L"msiexec.exe /x " + Wide(kProductCode) + L" /qn"), 0);
    ASSERT_FALSE(test::EntryExists(S::Machine32, Wide(kProductCode)));
    ASSERT_EQ(PalautaMerkinta(registry_, *entry), kErrorSuccess);
    for (const wchar_t* file : {L"\\lueminut.txt", L"\\poista.exe"}) ASSERT_TRUE(DeleteFileW((kNsisFolder + std::wstring(file)).c_str()));
    ASSERT_TRUE(RemoveDirectoryW(kNsisFolder));
    Command(IDM_PAIVITA);

    EXPECT_TRUE(DrawnIn(list, Row(kNsisName), GetSysColor(COLOR_GRAYTEXT), GetSysColor(COLOR_WINDOWTEXT)));
    EXPECT_TRUE(DrawnIn(list, Row(kMsiName), GetSysColor(COLOR_GRAYTEXT), GetSysColor(COLOR_WINDOWTEXT)));
    EXPECT_EQ(Tip(Row(kNsisName)), nsisPath + L"\r\nPoisto-ohjelmaa ei löydy: " + kNsisFolder + L"\\poista.exe" + kNsisDetails);
    EXPECT_EQ(Tip(Row(kMsiName)), msiPath + L"\r\nWindows Installer ei tunne tuotetta " + Wide(kProductCode) + MsiDetails());

    // A grey row shown as selected stays grey, readable on the selection of the focused list and of the other.
    test::SelectRow(list, Row(kMsiName));
    for (const bool focused : {true, false}) {
        SetFocus(focused ? list : window.LvwOhjelmat2());
        UpdateWindow(list);
        const RowColours colours = SelectedGreyRow(focused, GetSysColor(COLOR_GRAYTEXT), GetSysColor(COLOR_WINDOWTEXT), GetSysColor(COLOR_WINDOW),
                                                   GetSysColor(COLOR_HIGHLIGHT), GetSysColor(COLOR_BTNFACE));
        EXPECT_TRUE(DrawnIn(list, Row(kMsiName), colours.text, GetSysColor(COLOR_HIGHLIGHTTEXT))) << focused;
        EXPECT_GE(Contrast(colours.text, colours.background), 4.5);
        EXPECT_TRUE(ColoursOf(list, Row(kMsiName), 0).count(colours.background)) << focused;
    }
    SetFocus(list);
    EXPECT_EQ(window.StrAvain(), kProductCode);
    EXPECT_EQ(GetMenuState(window.MnuPopUp(), IDM_AJA, MF_BYCOMMAND) & MF_GRAYED, 0u);
    Command(IDM_POISTA);
    EXPECT_FALSE(test::EntryExists(S::Machine32, Wide(kProductCode)));
    EXPECT_EQ(test::FindRow(list, kMsiName), -1);
}

}  // namespace
}  // namespace karnio
