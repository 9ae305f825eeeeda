#include "ui/about/frmTietoja.h"

#include "ui/common/common_controls.h"
#include "ui/common/contrast.h"
#include "ui/common/cursor.h"
#include "ui/common/layout.h"
#include "ui/common/shell.h"
#include "ui/common/text.h"
#include "ui/resources/resource.h"

#include <windowsx.h>
#include <commctrl.h>

#include <algorithm>

namespace karnio {

namespace {

constexpr int kClientWidthTwips = 4335;
constexpr int kClientHeightTwips = 3495;
constexpr COLORREF kLinkColour = RGB(64, 64, 64);

struct ControlPlan {
    int id;
    const wchar_t* windowClass;
    unsigned textId;  // 0: no text
    DWORD style;
    TwipsRect place;
};

// In tab order, which is also the order of creation.
constexpr ControlPlan kControls[] = {
    {FrmTietoja::kIdCmdOK, L"BUTTON", IDS_OK, WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, {3000, 3000, 1215, 375}},
    // The icon at its own size in the middle of the box: never stretched, so it stays sharp.
    {FrmTietoja::kIdPicKuvake, L"STATIC", 0, WS_VISIBLE | SS_ICON | SS_CENTERIMAGE | SS_REALSIZEIMAGE, {360, 300, 555, 495}},
    {FrmTietoja::kIdLblOhjelmanNimi, L"STATIC", IDS_KARNIO, WS_VISIBLE | SS_LEFT, {1080, 360, 735, 255}},
    {FrmTietoja::kIdLblVersio, L"STATIC", 0, WS_VISIBLE | SS_LEFT, {1080, 660, 3135, 255}},
    {FrmTietoja::kIdLblTekija, L"STATIC", IDS_TEKIJA, WS_VISIBLE | SS_LEFT, {1080, 960, 3135, 255}},
    {FrmTietoja::kIdLblEmail, L"STATIC", IDS_LINKKI_PALAUTE, WS_VISIBLE | WS_TABSTOP | SS_LEFT | SS_NOTIFY, {1320, 1680, 2535, 255}},
    {FrmTietoja::kIdPSormikursori, L"STATIC", 0, SS_ICON, {120, 2880, 495, 495}},
    {FrmTietoja::kIdFraKehysviiva, L"STATIC", 0, WS_VISIBLE | SS_OWNERDRAW, {120, 1440, 4095, 35}},
    {FrmTietoja::kIdLblOhjelmapaivitykset, L"STATIC", IDS_LINKKI_PAIVITYKSET, WS_VISIBLE | WS_TABSTOP | SS_LEFT | SS_NOTIFY,
     {1320, 2040, 1455, 255}},
    {FrmTietoja::kIdLblTiedotteet, L"STATIC", IDS_LINKKI_TIEDOTTEET, WS_VISIBLE | WS_TABSTOP | SS_LEFT | SS_NOTIFY,
     {1320, 2400, 1695, 255}},
    {FrmTietoja::kIdLblBullet0, L"STATIC", IDS_LUETELMA, WS_VISIBLE | SS_LEFT, {1080, 1680, 255, 255}},
    {FrmTietoja::kIdLblBullet1, L"STATIC", IDS_LUETELMA, WS_VISIBLE | SS_LEFT, {1080, 2040, 255, 255}},
    {FrmTietoja::kIdLblBullet2, L"STATIC", IDS_LUETELMA, WS_VISIBLE | SS_LEFT, {1080, 2400, 255, 255}},
};

// The pictures are drawn at the size of their own images: a 32 x 32 icon and hand
// scaled to another size would blur.
constexpr int kPictureSize = 32;

constexpr int kLinks[] = {FrmTietoja::kIdLblEmail, FrmTietoja::kIdLblOhjelmapaivitykset, FrmTietoja::kIdLblTiedotteet};

// The control's text on one line in its own font, from (0, 0).
RECT TextBounds(HDC dc, HWND control)
{
    wchar_t text[256] = {};
    GetWindowTextW(control, text, 256);
    const HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
    RECT bounds = {};
    DrawTextW(dc, text, -1, &bounds, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, previous);
    return bounds;
}

// A link takes Enter and Space itself, as a click (never the default button's
// Enter), and shows a focus rectangle around its text while it has the focus.
LRESULT CALLBACK LinkProc(HWND link, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR)
{
    switch (message) {
    case WM_GETDLGCODE: {
        const MSG* key = reinterpret_cast<const MSG*>(lParam);
        if (key && (key->message == WM_KEYDOWN || key->message == WM_CHAR) && (wParam == VK_RETURN || wParam == VK_SPACE))
            return DLGC_WANTMESSAGE;
        break;
    }
    case WM_KEYDOWN:
        if (wParam != VK_RETURN && wParam != VK_SPACE) break;
        SendMessageW(GetParent(link), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(link), STN_CLICKED), reinterpret_cast<LPARAM>(link));
        return 0;
    case WM_CHAR:
        if (wParam == L'\r' || wParam == L' ') return 0;
        break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        InvalidateRect(link, nullptr, TRUE);
        break;
    case WM_PAINT: {
        const LRESULT painted = LoadCommonControls()->defSubclassProc(link, message, wParam, lParam);
        if (GetFocus() == link) {
            WindowDc dc(link);
            const RECT bounds = TextBounds(dc.get(), link);
            DrawFocusRect(dc.get(), &bounds);
        }
        return painted;
    }
    case WM_NCDESTROY:
        LoadCommonControls()->removeWindowSubclass(link, LinkProc, 0);
        break;
    }
    return LoadCommonControls()->defSubclassProc(link, message, wParam, lParam);
}

// "Versio 1.02", as the version block says it.
std::wstring VersionLine() { return LoadText(IDS_VERSIO, L"" KARNIO_FILE_VERSION); }

}  // namespace

void FrmTietoja::ShowModal(HWND owner)
{
    // An empty template: the window places its own controls in twips.
    struct alignas(4) Template {
        DLGTEMPLATE header;
        WORD menu, windowClass, title;
    } dialog = {};
    dialog.header.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
    dialog.header.dwExtendedStyle = WS_EX_DLGMODALFRAME;
    DialogBoxIndirectParamW(GetModuleHandleW(nullptr), &dialog.header, owner, DialogProc,
                            reinterpret_cast<LPARAM>(this));
}

void FrmTietoja::Unload()
{
    if (hwnd_) EndDialog(hwnd_, 0);
}

INT_PTR CALLBACK FrmTietoja::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(window, DWLP_USER, lParam);
        reinterpret_cast<FrmTietoja*>(lParam)->hwnd_ = window;
    }
    auto* self = reinterpret_cast<FrmTietoja*>(GetWindowLongPtrW(window, DWLP_USER));
    if (!self) return FALSE;
    if (message == WM_NCDESTROY) {
        self->hwnd_ = nullptr;
        return FALSE;
    }
    try {
        return self->HandleMessage(message, wParam, lParam);
    } catch (...) {
        SetAppCursor(AppCursor::Default);
        return FALSE;
    }
}

INT_PTR FrmTietoja::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        CreateControls();
        Form_Load();
        SetFocus(GetDlgItem(hwnd_, kIdCmdOK));
        return FALSE;  // the focus is set
    case WM_COMMAND: {
        const int id = GET_WM_COMMAND_ID(wParam, lParam);
        if (id == IDOK || id == IDCANCEL)
            CmdOK_Click();
        else if (GET_WM_COMMAND_CMD(wParam, lParam) == STN_CLICKED)
            Link_Click(id);
        return TRUE;
    }
    case WM_CLOSE:
        Unload();
        return TRUE;
    case WM_DRAWITEM:
        return DrawEtchedLine(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    case kWmDpiChanged:
        OnDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        return TRUE;
    case WM_SYSCOLORCHANGE:
    case WM_THEMECHANGED:
        InvalidateRect(hwnd_, nullptr, TRUE);
        return FALSE;
    case WM_CTLCOLORSTATIC:
        return OnCtlColorStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_SETCURSOR: {
        bool handled = HonourAppCursor();
        if (!handled && linkCursor_ && IsLink(reinterpret_cast<HWND>(wParam))) {
            SetCursor(linkCursor_);
            handled = true;
        }
        SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, handled);
        return handled;
    }
    }
    return FALSE;
}

void FrmTietoja::CreateControls()
{
    dpi_ = DpiOf(hwnd_);
    TakeOverDialogDpiScaling(hwnd_);
    SetWindowTextW(hwnd_, LoadText(IDS_TIETOJA_OTSIKKO).c_str());

    SetClientSize(hwnd_, kClientWidthTwips, kClientHeightTwips, dpi_);
    for (const ControlPlan& plan : kControls) {
        const std::wstring text = plan.textId ? LoadText(plan.textId) : std::wstring();
        HWND control = CreateChild(hwnd_, plan.windowClass, text.c_str(), plan.style, 0, plan.place, plan.id, dpi_);
        // Only subclassed with the common controls there; no window of Karnio's is made without them.
        if (IsLink(control)) LoadCommonControls()->setWindowSubclass(control, LinkProc, 0, 0);
    }
    SetDlgItemTextW(hwnd_, kIdLblVersio, VersionLine().c_str());
    MakeDpiResources();
    FitLabels();

    // Centred on the work area of the monitor the main window is on.
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(GetWindow(hwnd_, GW_OWNER), MONITOR_DEFAULTTONEAREST), &monitor);
    const RECT& work = monitor.rcWork;
    RECT frame;
    GetWindowRect(hwnd_, &frame);
    const int width = frame.right - frame.left, height = frame.bottom - frame.top;
    SetWindowPos(hwnd_, nullptr, work.left + (work.right - work.left - width) / 2,
                 work.top + (work.bottom - work.top - height) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);

    // The pictures keep their own size at every DPI.
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    icon_.reset(static_cast<HICON>(
        LoadImageW(instance, MAKEINTRESOURCEW(IDI_KARNIO), IMAGE_ICON, kPictureSize, kPictureSize, 0)));
    SendDlgItemMessageW(hwnd_, kIdPicKuvake, STM_SETICON, reinterpret_cast<WPARAM>(icon_.get()), 0);
    hand_.reset(static_cast<HCURSOR>(
        LoadImageW(instance, MAKEINTRESOURCEW(IDC_SORMI), IMAGE_CURSOR, kPictureSize, kPictureSize, 0)));
    SendDlgItemMessageW(hwnd_, kIdPSormikursori, STM_SETIMAGE, IMAGE_CURSOR, reinterpret_cast<LPARAM>(hand_.get()));
}

// The fonts for the current DPI; the ones they replace are freed once no control uses them.
void FrmTietoja::MakeDpiResources()
{
    UniqueFont font = CreateUiFont(dpi_), boldFont = CreateUiFont(dpi_, true), linkFont = CreateUiFont(dpi_, false, true);
    for (const ControlPlan& plan : kControls) {
        HWND control = GetDlgItem(hwnd_, plan.id);
        HFONT chosen = plan.id == kIdLblOhjelmanNimi ? boldFont.get() : IsLink(control) ? linkFont.get() : font.get();
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(chosen), TRUE);
    }
    font_ = std::move(font);
    boldFont_ = std::move(boldFont);
    linkFont_ = std::move(linkFont);
}

void FrmTietoja::OnDpiChanged(int dpi, const RECT& suggested)
{
    dpi_ = dpi;
    SetWindowPos(hwnd_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    for (const ControlPlan& plan : kControls) PlaceChild(GetDlgItem(hwnd_, plan.id), plan.place, dpi_);
    MakeDpiResources();
    SetClientSize(hwnd_, kClientWidthTwips, kClientHeightTwips, dpi_);
    FitLabels();
}

// Each label keeps its text on one line: one that the font at this DPI makes
// wider than its place grows, and the window with it, the separator and OK
// keeping their distance from the right edge. Nothing moves where all fits.
void FrmTietoja::FitLabels()
{
    const int margin = TwipsToPixels(kClientWidthTwips, dpi_) - TwipsToPixels(3000 + 1215, dpi_);
    int clientWidth = TwipsToPixels(kClientWidthTwips, dpi_);
    WindowDc dc(hwnd_);
    for (const ControlPlan& plan : kControls) {
        HWND label = GetDlgItem(hwnd_, plan.id);
        if (plan.style & (SS_ICON | SS_OWNERDRAW) || std::wstring(plan.windowClass) != L"STATIC") continue;
        const int width = TextBounds(dc.get(), label).right;
        const RECT place = ChildRect(label);
        if (width <= place.right - place.left) continue;
        SetWindowPos(label, nullptr, 0, 0, width, place.bottom - place.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        clientWidth = std::max(clientWidth, static_cast<int>(place.left + width + margin));
    }
    if (clientWidth == TwipsToPixels(kClientWidthTwips, dpi_)) return;
    RECT client;
    GetClientRect(hwnd_, &client);
    RECT frame;
    GetWindowRect(hwnd_, &frame);
    SetWindowPos(hwnd_, nullptr, 0, 0, frame.right - frame.left + clientWidth - client.right, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    HWND ok = GetDlgItem(hwnd_, kIdCmdOK), line = GetDlgItem(hwnd_, kIdFraKehysviiva);
    const RECT button = ChildRect(ok), rule = ChildRect(line);
    SetWindowPos(ok, nullptr, clientWidth - margin - (button.right - button.left), button.top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    SetWindowPos(line, nullptr, 0, 0, clientWidth - 2 * rule.left, rule.bottom - rule.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Where a control is, in the window's client area.
RECT FrmTietoja::ChildRect(HWND control) const
{
    RECT rect;
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

void FrmTietoja::Form_Load()
{
    SetAppCursor(AppCursor::Default);
    linkCursor_ = reinterpret_cast<HCURSOR>(SendDlgItemMessageW(hwnd_, kIdPSormikursori, STM_GETIMAGE, IMAGE_CURSOR, 0));
}

void FrmTietoja::CmdOK_Click()
{
    SetAppCursor(AppCursor::Wait);
    Unload();
    SetAppCursor(AppCursor::Default);
}

void FrmTietoja::Link_Click(int id)
{
    SetAppCursor(AppCursor::Wait);
    if (id == kIdLblEmail)
        ShellOpen(hwnd_, MailAddress(IDS_TIETOJA_AIHE));
    else if (id == kIdLblOhjelmapaivitykset)
        ShellOpen(hwnd_, WebAddress(IDS_PAIVITYSSIVU));
    else if (id == kIdLblTiedotteet)
        ShellOpen(hwnd_, WebAddress(IDS_TIEDOTESIVU));
    SetAppCursor(AppCursor::Default);
}

bool FrmTietoja::IsLink(HWND control) const
{
    const int id = GetDlgCtrlID(control);
    return GetParent(control) == hwnd_ && std::find(std::begin(kLinks), std::end(kLinks), id) != std::end(kLinks);
}

INT_PTR FrmTietoja::OnCtlColorStatic(HDC dc, HWND control)
{
    // In high contrast every text takes the theme's colours: a fixed grey or
    // black could vanish on a dark face.
    const bool theme = HighContrastOn();
    COLORREF colour = GetSysColor(COLOR_BTNTEXT);
    if (IsLink(control))
        colour = theme ? GetSysColor(COLOR_HOTLIGHT) : kLinkColour;
    else if (GetDlgCtrlID(control) == kIdLblBullet0 && !theme)
        colour = RGB(0, 0, 0);
    SetTextColor(dc, colour);
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
}

}  // namespace karnio
