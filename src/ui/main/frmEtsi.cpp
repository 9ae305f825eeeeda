#include "ui/main/frmEtsi.h"

#include "ui/common/layout.h"
#include "ui/common/text.h"
#include "ui/resources/resource.h"

#include <windowsx.h>

#include <climits>

namespace karnio {

namespace {

constexpr int kClientWidthTwips = 5205;
constexpr int kClientHeightTwips = 1080;

struct ControlPlan {
    int id;
    const wchar_t* windowClass;
    unsigned textId;  // 0: no text
    DWORD style;
    DWORD exStyle;
    TwipsRect place;
};

// In tab order: the label first, so that its access key leads to the edit box after it.
constexpr ControlPlan kControls[] = {
    {FrmEtsi::kIdLblEtsittava, L"STATIC", IDS_ETSITTAVA, WS_VISIBLE | SS_LEFT, 0, {120, 195, 1050, 255}},
    {FrmEtsi::kIdTxtEtsittava, L"EDIT", 0, WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, {1200, 150, 2595, 315}},
    {FrmEtsi::kIdCmdEtsiSeuraava, L"BUTTON", IDS_ETSI_SEURAAVA, WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, {3870, 120, 1215, 375}},
    {FrmEtsi::kIdCmdPeruuta, L"BUTTON", IDS_PERUUTA, WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, {3870, 585, 1215, 375}},
};

}  // namespace

FrmEtsi::~FrmEtsi()
{
    if (hwnd_) DestroyWindow(hwnd_);
}

void FrmEtsi::Show(HWND owner, const std::wstring& text)
{
    if (!hwnd_) {
        // An empty template: the dialog places its own controls in twips.
        struct alignas(4) Template {
            DLGTEMPLATE header;
            WORD menu, windowClass, title;
        } dialog = {};
        dialog.header.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
        dialog.header.dwExtendedStyle = WS_EX_DLGMODALFRAME;
        if (!CreateDialogIndirectParamW(GetModuleHandleW(nullptr), &dialog.header, owner, DialogProc,
                                        reinterpret_cast<LPARAM>(this)))
            return;
        // At the owner's top right, below its menu bar, where it hides the fewest rows.
        RECT ownerRect = {}, own = {};
        GetWindowRect(owner, &ownerRect);
        GetWindowRect(hwnd_, &own);
        const int top = ownerRect.top + 2 * SystemMetricForDpi(SM_CYCAPTION, dpi_);
        SetWindowPos(hwnd_, nullptr, ownerRect.right - (own.right - own.left) - SystemMetricForDpi(SM_CXFRAME, dpi_), top, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    HWND edit = GetDlgItem(hwnd_, kIdTxtEtsittava);
    SetWindowTextW(edit, text.c_str());
    ShowWindow(hwnd_, SW_SHOW);
    SetForegroundWindow(hwnd_);
    SetFocus(edit);
    Edit_SetSel(edit, 0, -1);
}

// Below the row and its tip, or above them where the screen would end first;
// off the row alone where neither fits. Never moved when it hides none of them.
void FrmEtsi::KeepClearOf(const RECT& row, const RECT& tip)
{
    RECT own, both, overlap;
    if (!hwnd_ || !GetWindowRect(hwnd_, &own)) return;
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromRect(&row, MONITOR_DEFAULTTONEAREST), &monitor);
    const LONG height = own.bottom - own.top;
    UnionRect(&both, &row, &tip);
    for (const RECT& area : {both, row}) {
        if (!IntersectRect(&overlap, &own, &area)) return;
        const LONG top = area.bottom + height <= monitor.rcWork.bottom ? area.bottom
                         : area.top - height >= monitor.rcWork.top   ? area.top - height
                                                                     : LONG_MIN;
        if (top != LONG_MIN) {
            SetWindowPos(hwnd_, nullptr, own.left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            return;
        }
    }
}

INT_PTR CALLBACK FrmEtsi::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        auto* self = reinterpret_cast<FrmEtsi*>(lParam);
        self->hwnd_ = window;
        SetWindowLongPtrW(window, DWLP_USER, lParam);
    }
    auto* self = reinterpret_cast<FrmEtsi*>(GetWindowLongPtrW(window, DWLP_USER));
    if (!self) return FALSE;
    if (message == WM_NCDESTROY) {
        self->hwnd_ = nullptr;
        return FALSE;
    }
    try {
        return self->HandleMessage(message, wParam, lParam);
    } catch (...) {
        return FALSE;  // nothing may unwind into USER32
    }
}

INT_PTR FrmEtsi::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        CreateControls();
        return FALSE;  // Show sets the focus
    case WM_COMMAND:
        switch (GET_WM_COMMAND_ID(wParam, lParam)) {
        case kIdCmdEtsiSeuraava:
            if (!Text().empty()) findNext_(Text());
            return TRUE;
        case kIdCmdPeruuta:
            DestroyWindow(hwnd_);
            return TRUE;
        case kIdTxtEtsittava:
            // Nothing to look for, nothing to press.
            if (GET_WM_COMMAND_CMD(wParam, lParam) == EN_CHANGE) Button_Enable(GetDlgItem(hwnd_, kIdCmdEtsiSeuraava), !Text().empty());
            return TRUE;
        }
        return FALSE;
    case WM_CLOSE:
        DestroyWindow(hwnd_);
        return TRUE;
    case kWmDpiChanged:
        OnDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        return TRUE;
    }
    return FALSE;
}

void FrmEtsi::CreateControls()
{
    dpi_ = DpiOf(hwnd_);
    TakeOverDialogDpiScaling(hwnd_);
    SetWindowTextW(hwnd_, LoadText(IDS_ETSI_OTSIKKO).c_str());
    for (const ControlPlan& plan : kControls) {
        const std::wstring text = plan.textId ? LoadText(plan.textId) : std::wstring();
        CreateChild(hwnd_, plan.windowClass, text.c_str(), plan.style, plan.exStyle, plan.place, plan.id, dpi_);
    }
    PlaceControls();
}

// Every control at its place in twips, in the font of the dialog's DPI.
void FrmEtsi::PlaceControls()
{
    UniqueFont font = CreateUiFont(dpi_);
    for (const ControlPlan& plan : kControls) {
        HWND control = GetDlgItem(hwnd_, plan.id);
        PlaceChild(control, plan.place, dpi_);
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
    }
    SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), FALSE);
    font_ = std::move(font);
    SetClientSize(hwnd_, kClientWidthTwips, kClientHeightTwips, dpi_);
}

void FrmEtsi::OnDpiChanged(int dpi, const RECT& suggested)
{
    dpi_ = dpi;
    SetWindowPos(hwnd_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    PlaceControls();
}

std::wstring FrmEtsi::Text() const
{
    HWND edit = GetDlgItem(hwnd_, kIdTxtEtsittava);
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(edit)) + 1, L'\0');
    text.resize(GetWindowTextW(edit, text.data(), static_cast<int>(text.size())));
    return text;
}

}  // namespace karnio
