// The info tips of the two lists: the row's registry key, why a grey row is
// grey and what the entry tells of itself (its publisher, version, install date,
// folder and size, and whether Windows' own list shows it). Tooltip controls of
// our own, fed from the message loop: Wine's list view has no info tips, and a
// subclassed list costs Wine a server call for every message it handles.
#pragma once

#include "registry/registry.h"
#include "ui/main/listview_sink.h"

#include <windows.h>
#include <commctrl.h>

#include <string>

namespace karnio {

// The row under a point of the list's client area, or -1.
int RowAt(HWND list, POINT point);

// What a tip's text holds beyond the key path, the grey reason and the details.
struct TipLines {
    bool name = false;     // "Nimi: ": the name column shows the row's name cut short
    bool command = false;  // "Komento: ": the command column shows its command cut short
    bool whole = false;    // both lines, and no line cut: for the clipboard
};

// Whose the per-user entries are: the hive they are in, when not HKEY_CURRENT_USER's;
// the account Karnio runs as, when the desktop is another user's whose hive is out of reach.
struct PerUserOwner {
    std::string hive;
    std::string karnioAccount;
};

// The tip's text for a row, each line cleaned and cut as tip lines are. The key
// is read afresh: the tip tells what it holds now.
std::wstring InfoTipText(Registry& registry, const ListViewSink::Row& row, bool lowerList, const PerUserOwner& owner,
                         const TipLines& lines);

// Whether a column of the row shows text cut short.
bool ShownCut(HWND list, int column, const std::wstring& text, int dpi);

// One tip for each list, whose text is asked for (TTN_GETDISPINFO) when it shows,
// and the keyboard's tip. At most one of them shows at a time, never while
// Karnio is not the active window, and a mouse tip only once the pointer has
// moved since any tip was hidden (a rebuild, a key, a menu, a message box or
// another window closing): the row under a pointer that stood still is not the
// one the user pointed at. No tip wraps a line: each line is cut to the screen.
class InfoTips {
public:
    void Create(HWND owner, HWND upper, HWND lower);
    HWND Of(HWND list) const { return list == upper_ ? tips_[0] : tips_[1]; }
    // The list a tip belongs to, or null for a window that is no tip of ours.
    HWND ListOf(HWND tip) const { return tip == tips_[0] ? upper_ : tip == tips_[1] ? lower_ : nullptr; }
    // A mouse message of either list, and its WM_MOUSELEAVE.
    void Relay(MSG& message);
    // A tip that shows speaks of the row that was under the pointer; after a
    // rebuild or a scroll another entry may be there. No mouse tip shows again
    // until the pointer moves.
    void HideAll();
    // Whether a mouse tip may show now.
    bool MouseTipAllowed() const;
    // The font of every tip; the caller keeps it while the tips use it.
    void SetFont(HFONT font);
    // Hands the tip its text, each line cut to the screen; it lives until the next one.
    void SetText(NMTTDISPINFOW& info, std::wstring text);

    // The keyboard's tip: a row's text just below the row (above it near the
    // bottom of the screen), in place of any mouse tip, until HideAll.
    void ShowForKeyboard(HWND list, int item, const std::wstring& text);
    HWND KeyboardTip() const { return keyboardTip_; }
    bool KeyboardTipShown() const { return keyboardShown_; }

private:
    HWND owner_ = nullptr;
    HWND upper_ = nullptr, lower_ = nullptr;
    bool armed_ = false;           // the pointer has moved since the tips were last hidden
    POINT hiddenAt_ = {-1, -1};    // where the pointer was then
    bool left_ = false;            // it has left a list since then (and may be back at that very point)
    bool tracking_[2] = {};        // whether each list tells us when the pointer leaves it
    HWND tips_[2] = {};            // owned by the window, destroyed with it
    HWND keyboardTip_ = nullptr;
    bool keyboardShown_ = false;
    std::wstring keyboardText_;
    int tipItem_[2] = {-1, -1};    // the row each tip speaks of
    int tipTop_[2] = {-1, -1};     // each list's top row when its tip last looked
    std::wstring text_;
};

}  // namespace karnio
