// The main window's keys and tips: the keys on the lists that are the window's
// own (Del, Tab) and its shortcut keys, the mouse's info tip over a row and the
// keyboard's tip, which follows the chosen row.
#include "ui/main/frmKarnio.h"

#include "ui/common/text.h"
#include "ui/main/info_tip.h"
#include "ui/main/listview_sink.h"
#include "ui/resources/resource.h"

#include <commctrl.h>

namespace karnio {

bool FrmKarnio::PreTranslateMessage(MSG& message)
{
    if (!hwnd_) return false;
    // Find's keys are its own, but for F1 and F3.
    if (const HWND dialog = EtsiDialog(); dialog && (message.hwnd == dialog || IsChild(dialog, message.hwnd))) {
        if (message.message == WM_KEYDOWN && (message.wParam == VK_F1 || message.wParam == VK_F3)) {
            OnCommand(message.wParam == VK_F1 ? IDM_README : IDM_ETSI_SEURAAVA);
            return true;
        }
        return IsDialogMessageW(dialog, &message);
    }
    const bool onList = message.hwnd == lvwOhjelmat_ || message.hwnd == lvwOhjelmat2_;
    if (((message.message >= WM_MOUSEFIRST && message.message <= WM_MOUSELAST) || message.message == WM_MOUSELEAVE) && onList)
        tips_.Relay(message);
    // The keyboard's tip goes when the mouse moves.
    if ((message.message == WM_MOUSEMOVE || message.message == WM_NCMOUSEMOVE) && tips_.KeyboardTipShown()) {
        POINT cursor;
        GetCursorPos(&cursor);
        if (cursor.x != cursor_.x || cursor.y != cursor_.y) tips_.HideAll();
    }
    // A Del or Ctrl+Z pressed while a rebuild ran was meant for rows that have moved or gone.
    const bool deleteOrUndo = message.message == WM_KEYDOWN &&
                              ((onList && message.wParam == VK_DELETE) || (message.wParam == 'Z' && (GetKeyState(VK_CONTROL) & 0x8000)));
    if (deleteOrUndo && static_cast<LONG>(message.time - rebuildDone_) < 0) return true;
    if (onList && OnListKey(message)) return true;
    return accelerators_ && TranslateAcceleratorW(hwnd_, accelerators_.get(), &message);
}

// The keys on either list that are the window's own. Every key hides the
// keyboard's tip; one that changed the chosen row shows it again when it is let go.
bool FrmKarnio::OnListKey(MSG& message)
{
    HWND list = message.hwnd;
    if (message.message == WM_KEYUP && keyItem_ != -2) {
        const int item = ListView_GetNextItem(list, -1, LVNI_FOCUSED | LVNI_SELECTED);
        if (item != keyItem_) {
            keyItem_ = item;
            if (item >= 0) ShowKeyboardTip(list, item);
        }
    }
    if (message.message != WM_KEYDOWN && message.message != WM_SYSKEYDOWN) return false;
    // Windows hides focus rectangles until the keyboard is used.
    SendMessageW(hwnd_, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
    const bool repeat = message.lParam & (1 << 30);
    if (!repeat) {
        tips_.HideAll();
        keyItem_ = ListView_GetNextItem(list, -1, LVNI_FOCUSED | LVNI_SELECTED);
    }
    if (message.wParam == VK_DELETE && message.message == WM_KEYDOWN) {
        // One press, one delete: not its auto-repeat.
        if (!repeat) PoistaValitut(list);
        return true;
    }
    if (message.wParam == VK_TAB && message.message == WM_KEYDOWN) {
        SetFocus(list == lvwOhjelmat_ ? lvwOhjelmat2_ : lvwOhjelmat_);
        return true;
    }
    return false;
}

void FrmKarnio::OnInfoTipText(NMTTDISPINFOW& info)
{
    // The tip speaks of the row under the mouse; of none over empty space, or when no mouse tip may show.
    HWND list = tips_.ListOf(info.hdr.hwndFrom);
    if (!tips_.MouseTipAllowed()) return tips_.SetText(info, {});
    POINT point;
    GetCursorPos(&point);
    ScreenToClient(list, &point);
    tips_.SetText(info, TipTextOf(list, RowAt(list, point), false));
}

// A row's tip, with its name and command where its columns cut them; whole: for the clipboard.
std::wstring FrmKarnio::TipTextOf(HWND list, int item, bool whole)
{
    const ListViewSink::Row* row = SinkOf(list).RowAt(item);
    if (!row) return {};
    const TipLines lines = {ShownCut(list, 0, row->text, dpi_), ShownCut(list, 1, Wide(row->command), dpi_), whole};
    return InfoTipText(registry_, *row, list == lvwOhjelmat2_, {desktopUser_ ? desktopUser_->sid : "", karnioAccount_}, lines);
}

void FrmKarnio::ShowKeyboardTip(HWND list, int item)
{
    // Over Karnio, or over a dialog of its own (Find), never over another program.
    if (GetAncestor(GetForegroundWindow(), GA_ROOTOWNER) != hwnd_) return;
    tips_.ShowForKeyboard(list, item, TipTextOf(list, item, false));
    GetCursorPos(&cursor_);
    keyItem_ = -2;
}

}  // namespace karnio
