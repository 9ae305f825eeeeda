// Per-monitor DPI: the main window told that its monitor's DPI changed lays
// itself out exactly as a start at that DPI would, and leaks nothing doing it.
#include "ui/main/frmKarnio.h"

#include "registry/windows_registry.h"
#include "support/process_resources.h"
#include "ui/common/common_controls.h"
#include "ui/ui_support.h"

#include <cstdio>

namespace karnio {
namespace {

using test::ChangeDpi;
using test::FontHeight;
using test::Pump;

class Dpi : public test::WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        test::AddEntry(L"Rivi", L"Rivi", L"rivi.exe");
        Open();
    }

    // Everything a start at dpi gives; dragged is the one column width the user set, in twips.
    void ExpectLayoutAt(int dpi, int draggedTwips)
    {
        FrmKarnio& window = *window_;
        HWND hwnd = window.Hwnd();
        EXPECT_EQ(window.Dpi(), dpi);
        ExpectPlacedInTwipsAt(dpi);
        HWND frame = FindWindowExW(hwnd, nullptr, L"Static", nullptr);
        for (HWND control : {window.LvwOhjelmat(), window.LvwOhjelmat2(), frame})
            EXPECT_EQ(FontHeight(control), -MulDiv(825, dpi, 7200));
        EXPECT_EQ(ListView_GetColumnWidth(window.LvwOhjelmat(), 0), TwipsToPixels(2500, dpi));
        EXPECT_EQ(ListView_GetColumnWidth(window.LvwOhjelmat(), 1), TwipsToPixels(4300, dpi));
        EXPECT_EQ(ListView_GetColumnWidth(window.LvwOhjelmat2(), 0), TwipsToPixels(2500, dpi));
        EXPECT_EQ(ListView_GetColumnWidth(window.LvwOhjelmat2(), 1), TwipsToPixels(draggedTwips, dpi));
        // The window's icons are made for this DPI's sizes.
        ICONINFO info = {};
        ASSERT_TRUE(GetIconInfo(reinterpret_cast<HICON>(SendMessageW(hwnd, WM_GETICON, ICON_SMALL, 0)), &info));
        BITMAP mask = {};
        GetObjectW(info.hbmMask, sizeof mask, &mask);
        EXPECT_EQ(mask.bmWidth, MulDiv(GetSystemMetrics(SM_CXSMICON), dpi, ScreenDpi()));
        DeleteObject(info.hbmMask);
        if (info.hbmColor) DeleteObject(info.hbmColor);
    }

};

TEST_F(Dpi, ProgramIsPerMonitorAware)
{
    using GetContext = DPI_AWARENESS_CONTEXT(WINAPI*)(HWND);
    using GetAwareness = int(WINAPI*)(DPI_AWARENESS_CONTEXT);
    const HMODULE user32 = GetModuleHandleW(L"user32.dll");
    const auto context = reinterpret_cast<GetContext>(reinterpret_cast<void*>(GetProcAddress(user32, "GetWindowDpiAwarenessContext")));
    const auto awareness = reinterpret_cast<GetAwareness>(reinterpret_cast<void*>(GetProcAddress(user32, "GetAwarenessFromDpiAwarenessContext")));
    ASSERT_TRUE(context && awareness);
    EXPECT_EQ(awareness(context(window_->Hwnd())), 2);  // DPI_AWARENESS_PER_MONITOR_AWARE
    // The common controls, loaded at run time, are still the manifest's version 6 from the side-by-side store.
    const CommonControls* controls = LoadCommonControls();
    ASSERT_TRUE(controls);
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(controls->module, path, MAX_PATH);
    CharLowerW(path);
    EXPECT_NE(std::wstring(path).find(L"\\winsxs\\amd64_microsoft.windows.common-controls_6595b64144ccf1df_6."), std::wstring::npos)
        << Narrow(path);
}

TEST_F(Dpi, ChangesLayOutTheWindowAsAStartAtTheNewDpi)
{
    const int start = window_->Dpi();
    const int other = start == 96 ? 144 : 96;
    ExpectLayoutAt(start, 4300);

    // The user drags the hidden list's command column; it keeps its width in twips.
    const int draggedPixels = TwipsToPixels(3000, start) + 1;
    ListView_SetColumnWidth(window_->LvwOhjelmat2(), 1, draggedPixels);
    const int draggedTwips = MulDiv(draggedPixels, 1440, start);

    ChangeDpi(window_->Hwnd(), 7950, 6915, other);
    ExpectLayoutAt(other, draggedTwips);
    // The tips speak in the lists' font of the new DPI.
    for (HWND tip : {window_->KeyboardTip(), window_->InfoTipOf(window_->LvwOhjelmat())})
        EXPECT_EQ(test::FontHeight(tip), test::FontHeight(window_->LvwOhjelmat()));
    ChangeDpi(window_->Hwnd(), 7950, 6915, start);
    ExpectLayoutAt(start, draggedTwips);
    EXPECT_EQ(ListView_GetColumnWidth(window_->LvwOhjelmat2(), 1), draggedPixels);
    EXPECT_EQ(test::Rows(window_->LvwOhjelmat()).size(), 1u);
}

TEST_F(Dpi, TenChangesLeakNothing)
{
    const int start = window_->Dpi();
    const int other = start == 96 ? 144 : 96;
    ChangeDpi(window_->Hwnd(), 7950, 6915, other);
    ChangeDpi(window_->Hwnd(), 7950, 6915, start);
    const test::ProcessResources before = test::CountProcessResources();
    for (int i = 0; i < 10; ++i) ChangeDpi(window_->Hwnd(), 7950, 6915, i % 2 ? start : other);
    const test::ProcessResources after = test::CountProcessResources();
    std::printf("DPI changes x10 (%s): GDI %ld -> %ld, USER %ld -> %ld\n", before.how.c_str(), before.gdi, after.gdi,
                before.user, after.user);
    EXPECT_EQ(after.gdi, before.gdi);
    EXPECT_EQ(after.user, before.user);
    ExpectLayoutAt(start, 4300);
}

}  // namespace
}  // namespace karnio
