#include "ui/common/layout.h"

namespace karnio {

int ScreenDpi()
{
    WindowDc screen(nullptr);
    return GetDeviceCaps(screen.get(), LOGPIXELSY);
}

HWND CreateChild(HWND parent, const wchar_t* windowClass, const wchar_t* text, DWORD style, DWORD exStyle,
                 const TwipsRect& place, int id, int dpi)
{
    return CreateWindowExW(exStyle, windowClass, text, WS_CHILD | style, TwipsToPixels(place.left, dpi),
                           TwipsToPixels(place.top, dpi), TwipsToPixels(place.width, dpi),
                           TwipsToPixels(place.height, dpi), parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
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
