#include "ui/common/layout.h"

namespace karnio {

namespace {

// A user32 function of a later Windows than the oldest we run on, or null.
template <typename Function>
Function User32(const char* name)
{
    return reinterpret_cast<Function>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), name)));
}

}  // namespace

int ScreenDpi()
{
    WindowDc screen(nullptr);
    return GetDeviceCaps(screen.get(), LOGPIXELSY);
}

int DpiOf(HWND window)
{
    static const auto getDpiForWindow = User32<UINT(WINAPI*)(HWND)>("GetDpiForWindow");
    const UINT dpi = getDpiForWindow && window ? getDpiForWindow(window) : 0;
    return dpi ? static_cast<int>(dpi) : ScreenDpi();
}

int SystemMetricForDpi(int index, int dpi)
{
    static const auto forDpi = User32<int(WINAPI*)(int, UINT)>("GetSystemMetricsForDpi");
    return forDpi ? forDpi(index, dpi) : MulDiv(GetSystemMetrics(index), dpi, ScreenDpi());
}

SIZE WindowSizeForClient(HWND window, int width, int height, int dpi)
{
    static const auto adjustForDpi = User32<BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT)>("AdjustWindowRectExForDpi");
    const DWORD style = GetWindowLongW(window, GWL_STYLE), exStyle = GetWindowLongW(window, GWL_EXSTYLE);
    const BOOL menu = GetMenu(window) != nullptr;
    RECT frame = {0, 0, width, height};
    if (!adjustForDpi || !adjustForDpi(&frame, style, menu, exStyle, dpi)) AdjustWindowRectEx(&frame, style, menu, exStyle);
    return {frame.right - frame.left, frame.bottom - frame.top};
}

void EnableNonClientScaling(HWND window)
{
    static const auto enable = User32<BOOL(WINAPI*)(HWND)>("EnableNonClientDpiScaling");
    if (enable) enable(window);
}

void TakeOverDialogDpiScaling(HWND dialog)
{
    constexpr int kDdcDisableAll = 1;
    static const auto setBehavior = User32<BOOL(WINAPI*)(HWND, int, int)>("SetDialogDpiChangeBehavior");
    if (setBehavior) setBehavior(dialog, kDdcDisableAll, kDdcDisableAll);
}

HWND CreateChild(HWND parent, const wchar_t* windowClass, const wchar_t* text, DWORD style, DWORD exStyle,
                 const TwipsRect& place, int id, int dpi)
{
    return CreateWindowExW(exStyle, windowClass, text, WS_CHILD | style, TwipsToPixels(place.left, dpi),
                           TwipsToPixels(place.top, dpi), TwipsToPixels(place.width, dpi),
                           TwipsToPixels(place.height, dpi), parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
}

void PlaceChild(HWND control, const TwipsRect& place, int dpi)
{
    SetWindowPos(control, nullptr, TwipsToPixels(place.left, dpi), TwipsToPixels(place.top, dpi),
                 TwipsToPixels(place.width, dpi), TwipsToPixels(place.height, dpi), SWP_NOZORDER | SWP_NOACTIVATE);
}

void SetClientSize(HWND window, int widthTwips, int heightTwips, int dpi)
{
    const int width = TwipsToPixels(widthTwips, dpi), height = TwipsToPixels(heightTwips, dpi);
    // Adjust twice: a menu bar may wrap to a second line once the width is known.
    for (int pass = 0; pass < 2; ++pass) {
        RECT frame, client;
        GetWindowRect(window, &frame);
        GetClientRect(window, &client);
        const int frameWidth = (frame.right - frame.left) - client.right;
        const int frameHeight = (frame.bottom - frame.top) - client.bottom;
        SetWindowPos(window, nullptr, 0, 0, width + frameWidth, height + frameHeight,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

HWND CreateEtchedLine(HWND parent, const TwipsRect& place, int id, int dpi)
{
    return CreateChild(parent, L"STATIC", L"", WS_VISIBLE | SS_OWNERDRAW, 0, place, id, dpi);
}

bool DrawEtchedLine(const DRAWITEMSTRUCT& item)
{
    if (item.CtlType != ODT_STATIC) return false;
    RECT rect = item.rcItem;
    FillRect(item.hDC, &rect, GetSysColorBrush(COLOR_BTNFACE));
    DrawEdge(item.hDC, &rect, EDGE_ETCHED, BF_TOP);
    return true;
}

UniqueFont CreateUiFont(int dpi, bool bold, bool underline)
{
    LOGFONTW font = {};
    font.lfHeight = -MulDiv(825, dpi, 7200);  // 8.25 points
    font.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    font.lfUnderline = underline;
    font.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(font.lfFaceName, L"MS Sans Serif", LF_FACESIZE);
    return UniqueFont(CreateFontIndirectW(&font));
}

}  // namespace karnio
