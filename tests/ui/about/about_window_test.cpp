// The About window, opened from the real main window's help menu.
#include "ui/about/frmTietoja.h"
#include "ui/main/frmKarnio.h"

#include "ui/common/contrast.h"

#include "registry/windows_registry.h"
#include "support/process_resources.h"
#include "ui/resources/resource.h"
#include "ui/ui_support.h"

#include <cstdio>
#include <cstdlib>

#include <functional>

namespace karnio {
namespace {

using test::Pump;

class AboutWindow : public test::WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        test::RecordShellCalls();
        Open();
    }

    void WithAboutWindow(const std::function<void(HWND)>& check) { test::WithAboutWindow(window_->Hwnd(), check); }

    // A control where its twips put it at dpi; a label with text only as much wider as its text
    // needs on one line, in the font it has.
    static void ExpectPlaced(HWND about, int id, const TwipsRect& place, int dpi)
    {
        HWND child = GetDlgItem(about, id);
        const RECT actual = test::ClientRectIn(child, about), expected = test::TwipsToRect(place, dpi);
        wchar_t text[256] = {};
        const int length = GetWindowTextW(child, text, 256);
        if (id == IDOK || length == 0) {
            EXPECT_RECT_EQ(actual, expected);
            return;
        }
        HDC dc = GetDC(child);
        const HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(child, WM_GETFONT, 0, 0)));
        SIZE extent = {};
        GetTextExtentPoint32W(dc, text, length, &extent);
        SelectObject(dc, previous);
        ReleaseDC(child, dc);
        EXPECT_RECT_EQ(actual, (RECT{expected.left, expected.top, expected.left + std::max<int>(expected.right - expected.left, extent.cx),
                                     expected.bottom}));
    }
    // A key as the dialog's own loop takes it.
    static void Key(HWND about, WPARAM key)
    {
        PostMessageW(GetFocus(), WM_KEYDOWN, key, 0);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (IsDialogMessageW(about, &message)) continue;
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }

};

TEST_F(AboutWindow, IsAFixedCentredModalDialogLaidOutInTwips)
{
    test::CursorLog cursor;
    bool seen = false;
    WithAboutWindow([&](HWND about) {
        seen = true;
        RECT client, frame;
        GetClientRect(about, &client);
        EXPECT_EQ(client.right, TwipsToPixels(4335, dpi_));
        EXPECT_EQ(client.bottom, TwipsToPixels(3495, dpi_));
        GetWindowRect(about, &frame);
        MONITORINFO monitor = {};
        monitor.cbSize = sizeof monitor;
        GetMonitorInfoW(MonitorFromWindow(window_->Hwnd(), MONITOR_DEFAULTTONEAREST), &monitor);
        const RECT& work = monitor.rcWork;
        EXPECT_LE(std::abs((frame.left + frame.right) / 2 - (work.left + work.right) / 2), 1);
        EXPECT_LE(std::abs((frame.top + frame.bottom) / 2 - (work.top + work.bottom) / 2), 1);

        const LONG style = GetWindowLongW(about, GWL_STYLE), exStyle = GetWindowLongW(about, GWL_EXSTYLE);
        EXPECT_TRUE(style & WS_SYSMENU);
        EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));
        EXPECT_TRUE(exStyle & WS_EX_DLGMODALFRAME);
        EXPECT_FALSE(exStyle & WS_EX_APPWINDOW);
        EXPECT_EQ(GetWindow(about, GW_OWNER), window_->Hwnd());  // owned: no taskbar button
        EXPECT_FALSE(IsWindowEnabled(window_->Hwnd()));           // modal

        const struct { int id; TwipsRect place; const wchar_t* text; } controls[] = {
            {FrmTietoja::kIdPicKuvake, {360, 300, 555, 495}, L""},
            {FrmTietoja::kIdLblOhjelmanNimi, {1080, 360, 735, 255}, L"Karnio"},
            {FrmTietoja::kIdFraKehysviiva, {120, 1440, 4095, 35}, L""},
            {FrmTietoja::kIdLblBullet0, {1080, 1680, 255, 255}, L">"},
            {FrmTietoja::kIdLblEmail, {1320, 1680, 2535, 255}, L"Ohjelmapalaute ja virheilmoitukset"},
            {FrmTietoja::kIdLblBullet1, {1080, 2040, 255, 255}, L">"},
            {FrmTietoja::kIdLblOhjelmapaivitykset, {1320, 2040, 1455, 255}, L"Ohjelmapäivitykset"},
            {FrmTietoja::kIdLblBullet2, {1080, 2400, 255, 255}, L">"},
            {FrmTietoja::kIdLblTiedotteet, {1320, 2400, 1695, 255}, L"Viimeisimmät tiedotteet"},
            {FrmTietoja::kIdCmdOK, {3000, 3000, 1215, 375}, L"OK"},
        };
        for (const auto& control : controls) {
            HWND child = GetDlgItem(about, control.id);
            ASSERT_TRUE(child) << control.id;
            ExpectPlaced(about, control.id, control.place, dpi_);
            EXPECT_EQ(test::WindowText(child), control.text);
        }
        EXPECT_EQ(test::WindowText(GetDlgItem(about, FrmTietoja::kIdLblVersio)), L"Versio 1.02");
        EXPECT_FALSE(IsWindowVisible(GetDlgItem(about, FrmTietoja::kIdPSormikursori)));
        EXPECT_EQ(GetFocus(), GetDlgItem(about, IDOK));
        EXPECT_EQ(LOWORD(SendMessageW(about, DM_GETDEFID, 0, 0)), IDOK);

        // Fonts: the name in bold, the links underlined.
        const auto font = [&](int id) {
            LOGFONTW info = {};
            GetObjectW(reinterpret_cast<HFONT>(SendDlgItemMessageW(about, id, WM_GETFONT, 0, 0)), sizeof info, &info);
            return info;
        };
        EXPECT_EQ(font(FrmTietoja::kIdLblOhjelmanNimi).lfWeight, FW_BOLD);
        EXPECT_TRUE(font(FrmTietoja::kIdLblTiedotteet).lfUnderline);
        EXPECT_FALSE(font(FrmTietoja::kIdLblBullet2).lfUnderline);
        EXPECT_STREQ(font(IDOK).lfFaceName, L"MS Sans Serif");

        // Colours as the labels are painted.
        const auto colour = [&](int id) {
            HWND child = GetDlgItem(about, id);
            HDC dc = GetDC(child);
            SendMessageW(about, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(child));
            const COLORREF text = GetTextColor(dc);
            ReleaseDC(child, dc);
            return text;
        };
        EXPECT_EQ(colour(FrmTietoja::kIdLblEmail), RGB(64, 64, 64));
        EXPECT_EQ(colour(FrmTietoja::kIdLblOhjelmapaivitykset), RGB(64, 64, 64));
        EXPECT_EQ(colour(FrmTietoja::kIdLblBullet0), RGB(0, 0, 0));
        EXPECT_EQ(colour(FrmTietoja::kIdLblBullet1), GetSysColor(COLOR_BTNTEXT));
        EXPECT_EQ(colour(FrmTietoja::kIdLblOhjelmanNimi), GetSysColor(COLOR_BTNTEXT));

        // The hand over the links only.
        HCURSOR arrow = LoadCursorW(nullptr, IDC_ARROW);
        for (int id : {+FrmTietoja::kIdLblEmail, +FrmTietoja::kIdLblTiedotteet, +FrmTietoja::kIdLblBullet0, IDOK}) {
            SetCursor(arrow);
            HWND child = GetDlgItem(about, id);
            SendMessageW(about, WM_SETCURSOR, reinterpret_cast<WPARAM>(child), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
            const bool link = id == FrmTietoja::kIdLblEmail || id == FrmTietoja::kIdLblTiedotteet;
            EXPECT_EQ(GetCursor() != arrow, link) << id;
        }
        // Enter presses the default button.
        PostMessageW(GetFocus(), WM_KEYDOWN, VK_RETURN, 0);
    });
    EXPECT_TRUE(seen);
    EXPECT_TRUE(IsWindowEnabled(window_->Hwnd()));
    // Menu: wait; load: default; OK: wait, default; menu: default.
    EXPECT_EQ(cursor.changes, (std::vector<AppCursor>{AppCursor::Wait, AppCursor::Default, AppCursor::Wait,
                                                      AppCursor::Default, AppCursor::Default}));
}

TEST_F(AboutWindow, LinksHandTheirAddressesToTheShell)
{
    WithAboutWindow([&](HWND about) {
        test::CursorLog cursor;
        // From the keyboard: Tab goes from OK to each link in turn, and Enter or Space on it
        // is a click that leaves the window open; the next Tab is OK's again.
        const int links[] = {FrmTietoja::kIdLblEmail, FrmTietoja::kIdLblOhjelmapaivitykset, FrmTietoja::kIdLblTiedotteet};
        for (int i = 0; i < 3; ++i) {
            Key(about, VK_TAB);
            EXPECT_EQ(GetFocus(), GetDlgItem(about, links[i]));
            Key(about, i == 1 ? VK_SPACE : VK_RETURN);
        }
        Key(about, VK_TAB);
        EXPECT_EQ(GetFocus(), GetDlgItem(about, IDOK));
        EXPECT_TRUE(IsWindowVisible(about));
        EXPECT_EQ(cursor.changes.size(), 6u);
        EXPECT_EQ(CurrentAppCursor(), AppCursor::Default);
        const auto& calls = test::RecordedShellCalls();
        ASSERT_EQ(calls.size(), 3u);
        EXPECT_EQ(calls[0].file, L"mailto:karnio@example.com?subject=Karnio, versio 1.2 Freeware");
        EXPECT_EQ(calls[1].file, L"http://www.example.com/suomi/karnio.html");
        EXPECT_EQ(calls[2].file, L"http://www.example.com/suomi/tiedotteet.html");
        for (const auto& call : calls) {
            EXPECT_EQ(call.owner, about);
            EXPECT_EQ(call.verb, L"open");
            EXPECT_EQ(call.parameters, L"");
            EXPECT_EQ(call.folder, ProgramFolder());
            EXPECT_EQ(call.show, SW_SHOWNORMAL);  // a browser not yet running shows itself
        }
        // Esc closes it as OK does.
        PostMessageW(GetFocus(), WM_KEYDOWN, VK_ESCAPE, 0);
    });
    EXPECT_FALSE(FindWindowW(L"#32770", L"Tietoja ohjelmasta"));
    EXPECT_EQ(CurrentAppCursor(), AppCursor::Default);
}

// KARNIO_SCREENSHOT_PAUSE=ms keeps the window up that long, painted, for a look at it.
void PauseForScreenshot()
{
    const char* pause = std::getenv("KARNIO_SCREENSHOT_PAUSE");
    for (int waited = 0; pause && waited < std::atoi(pause); waited += 50) {
        Pump();
        Sleep(50);
    }
}

// The colour each text of the About window is drawn in, as it answers WM_CTLCOLORSTATIC.
COLORREF TextColour(HWND about, int id)
{
    HDC dc = CreateCompatibleDC(nullptr);
    SendMessageW(about, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(GetDlgItem(about, id)));
    const COLORREF colour = GetTextColor(dc);
    DeleteDC(dc);
    return colour;
}

TEST_F(AboutWindow, LinksAndBulletsTakeTheThemesColoursInHighContrast)
{
    const int links[] = {FrmTietoja::kIdLblEmail, FrmTietoja::kIdLblOhjelmapaivitykset, FrmTietoja::kIdLblTiedotteet};
    WithAboutWindow([&](HWND about) {
        for (const int id : links) EXPECT_EQ(TextColour(about, id), RGB(64, 64, 64)) << id;
        EXPECT_EQ(TextColour(about, FrmTietoja::kIdLblBullet0), RGB(0, 0, 0));
        PauseForScreenshot();
        SendMessageW(about, WM_COMMAND, IDOK, 0);
    });

    // A dark theme, switched on while the window is open.
    const int elements[] = {COLOR_BTNFACE, COLOR_BTNTEXT, COLOR_HOTLIGHT, COLOR_WINDOW, COLOR_WINDOWTEXT};
    COLORREF saved[std::size(elements)];
    for (std::size_t i = 0; i < std::size(elements); ++i) saved[i] = GetSysColor(elements[i]);
    const COLORREF dark[] = {RGB(0, 0, 0), RGB(255, 255, 255), RGB(255, 255, 0), RGB(0, 0, 0), RGB(255, 255, 255)};
    WithAboutWindow([&](HWND about) {
        SetHighContrastForTests(true);
        SetSysColors(static_cast<int>(std::size(elements)), elements, dark);
        Pump();
        for (const int id : links) EXPECT_EQ(TextColour(about, id), RGB(255, 255, 0)) << id;
        for (const int id : {FrmTietoja::kIdLblBullet0, FrmTietoja::kIdLblBullet1, FrmTietoja::kIdLblTekija})
            EXPECT_EQ(TextColour(about, id), RGB(255, 255, 255)) << id;
        PauseForScreenshot();
        SendMessageW(about, WM_COMMAND, IDOK, 0);
    });
    SetSysColors(static_cast<int>(std::size(elements)), elements, saved);
    SetHighContrastForTests(std::nullopt);
}

TEST_F(AboutWindow, CloseBoxSkipsTheCursorStepsAndASecondShowingLooksTheSame)
{
    std::wstring firstVersion;
    test::CursorLog cursor;
    WithAboutWindow([&](HWND about) {
        firstVersion = test::WindowText(GetDlgItem(about, FrmTietoja::kIdLblVersio));
        SendMessageW(about, WM_SYSCOMMAND, SC_CLOSE, 0);
    });
    EXPECT_EQ(cursor.changes, (std::vector<AppCursor>{AppCursor::Wait, AppCursor::Default, AppCursor::Default}));
    WithAboutWindow([&](HWND about) {
        EXPECT_EQ(test::WindowText(GetDlgItem(about, FrmTietoja::kIdLblVersio)), firstVersion);
        HWND link = GetDlgItem(about, FrmTietoja::kIdLblEmail);
        SetCursor(LoadCursorW(nullptr, IDC_ARROW));
        SendMessageW(about, WM_SETCURSOR, reinterpret_cast<WPARAM>(link), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        EXPECT_NE(GetCursor(), LoadCursorW(nullptr, IDC_ARROW));
        SendMessageW(about, WM_COMMAND, IDOK, 0);
    });
}

TEST_F(AboutWindow, QuittingWithTheAboutWindowLoadedEndsTheProgram)
{
    HWND main = window_->Hwnd();
    WithAboutWindow([&](HWND) { SendMessageW(main, WM_COMMAND, IDM_LOPETA, 0); });
    EXPECT_FALSE(IsWindow(main));
    EXPECT_FALSE(FindWindowW(L"#32770", L"Tietoja ohjelmasta"));
    SetAppCursor(AppCursor::Default);
}

TEST_F(AboutWindow, DpiChangesLayItOutAgainAndLeakNothing)
{
    const int start = dpi_;
    const int other = start == 96 ? 144 : 96;
    test::ProcessResources before, after;
    WithAboutWindow([&](HWND about) {
        const auto expectLayoutAt = [&](int dpi) {
            RECT client;
            GetClientRect(about, &client);
            EXPECT_EQ(client.right, TwipsToPixels(4335, dpi));
            EXPECT_EQ(client.bottom, TwipsToPixels(3495, dpi));
            const struct { int id; TwipsRect place; } controls[] = {
                {FrmTietoja::kIdPicKuvake, {360, 300, 555, 495}},     {FrmTietoja::kIdLblOhjelmanNimi, {1080, 360, 735, 255}},
                {FrmTietoja::kIdFraKehysviiva, {120, 1440, 4095, 35}}, {FrmTietoja::kIdLblBullet0, {1080, 1680, 255, 255}},
                {FrmTietoja::kIdLblEmail, {1320, 1680, 2535, 255}},    {FrmTietoja::kIdLblTiedotteet, {1320, 2400, 1695, 255}},
                {FrmTietoja::kIdPSormikursori, {120, 2880, 495, 495}}, {FrmTietoja::kIdCmdOK, {3000, 3000, 1215, 375}},
            };
            for (const auto& control : controls) {
                HWND child = GetDlgItem(about, control.id);
                ExpectPlaced(about, control.id, control.place, dpi);
                const bool text = control.id != FrmTietoja::kIdPicKuvake && control.id != FrmTietoja::kIdFraKehysviiva &&
                                  control.id != FrmTietoja::kIdPSormikursori;
                if (text) {
                    EXPECT_EQ(test::FontHeight(child), -MulDiv(825, dpi, 7200)) << control.id;
                }
            }
            LOGFONTW name = {}, link = {};
            GetObjectW(reinterpret_cast<HFONT>(SendDlgItemMessageW(about, FrmTietoja::kIdLblOhjelmanNimi, WM_GETFONT, 0, 0)), sizeof name, &name);
            GetObjectW(reinterpret_cast<HFONT>(SendDlgItemMessageW(about, FrmTietoja::kIdLblEmail, WM_GETFONT, 0, 0)), sizeof link, &link);
            EXPECT_EQ(name.lfWeight, FW_BOLD);
            EXPECT_TRUE(link.lfUnderline);
            // The icon and the hand keep the size of their own images, unstretched.
            ICONINFO info = {};
            ASSERT_TRUE(GetIconInfo(reinterpret_cast<HICON>(SendDlgItemMessageW(about, FrmTietoja::kIdPicKuvake, STM_GETICON, 0, 0)), &info));
            BITMAP mask = {};
            GetObjectW(info.hbmMask, sizeof mask, &mask);
            EXPECT_EQ(mask.bmWidth, 32);
            DeleteObject(info.hbmMask);
            if (info.hbmColor) DeleteObject(info.hbmColor);
            HWND link0 = GetDlgItem(about, FrmTietoja::kIdLblEmail);
            SetCursor(LoadCursorW(nullptr, IDC_ARROW));
            SendMessageW(about, WM_SETCURSOR, reinterpret_cast<WPARAM>(link0), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
            EXPECT_EQ(GetCursor(), reinterpret_cast<HCURSOR>(SendDlgItemMessageW(about, FrmTietoja::kIdPSormikursori, STM_GETIMAGE, IMAGE_CURSOR, 0)));
        };
        test::ChangeDpi(about, 4335, 3495, other);
        expectLayoutAt(other);
        test::ChangeDpi(about, 4335, 3495, start);
        expectLayoutAt(start);
        before = test::CountProcessResources();
        for (int i = 0; i < 10; ++i) test::ChangeDpi(about, 4335, 3495, i % 2 ? start : other);
        after = test::CountProcessResources();
        expectLayoutAt(start);
        SendMessageW(about, WM_COMMAND, IDOK, 0);
    });
    std::printf("About DPI changes x10 (%s): GDI %ld -> %ld, USER %ld -> %ld\n", before.how.c_str(), before.gdi, after.gdi,
                before.user, after.user);
    EXPECT_EQ(after.gdi, before.gdi);
    EXPECT_EQ(after.user, before.user);
}

TEST_F(AboutWindow, HelpMenuCommandsOpenTheirTargets)
{
    for (int id : {IDM_README, IDM_OHJELMAPAIVITYKSET, IDM_PALAUTETTA, IDM_VIRHEILMOITUKSET})
        SendMessageW(window_->Hwnd(), WM_COMMAND, id, 0);
    const auto& calls = test::RecordedShellCalls();
    ASSERT_EQ(calls.size(), 4u);
    EXPECT_EQ(calls[0].file, L"readme.txt");
    EXPECT_EQ(calls[1].file, L"http://www.example.com/suomi/karnio.html");
    EXPECT_EQ(calls[2].file, L"mailto:karnio@example.com?subject=Karnio 1.2 Freeware -palaute");
    EXPECT_EQ(calls[3].file, L"mailto:karnio@example.com?subject=Karnio 1.2 Freeware -virheilmoitus");
    for (std::size_t i = 0; i < calls.size(); ++i) {
        EXPECT_EQ(calls[i].owner, window_->Hwnd());
        EXPECT_EQ(calls[i].verb, L"open");
        EXPECT_EQ(calls[i].parameters, L"");
        EXPECT_EQ(calls[i].folder, ProgramFolder());
        EXPECT_EQ(calls[i].show, SW_SHOWNORMAL);
    }
}

}  // namespace
}  // namespace karnio
