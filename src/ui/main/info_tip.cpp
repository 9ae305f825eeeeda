#include "ui/main/info_tip.h"

#include "catalogue/entry_details.h"
#include "ui/common/layout.h"
#include "ui/common/text.h"
#include "ui/resources/resource.h"

#include <windowsx.h>

namespace karnio {

namespace {

// A tip window with its one tool; the owner destroys it.
HWND CreateTip(HWND owner, TTTOOLINFOW& tool)
{
    HWND tip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
    tool.cbSize = sizeof tool;
    tool.hwnd = owner;
    SendMessageW(tip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    // A tip breaks its text into lines only once it has a width to keep within; the
    // lines are cut to the screen (FitToScreen), so the control never breaks one itself.
    SendMessageW(tip, TTM_SETMAXTIPWIDTH, 0, GetSystemMetrics(SM_CXVIRTUALSCREEN));
    return tip;
}

// The text with each line cut with "…" to what the tip can show on the monitor in
// its own font, so that only the text's own line breaks make lines.
std::wstring FitToScreen(HWND tip, const std::wstring& text, HMONITOR monitor)
{
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    RECT margin = {};
    GetMonitorInfoW(monitor, &info);
    SendMessageW(tip, TTM_GETMARGIN, 0, reinterpret_cast<LPARAM>(&margin));
    // The tip's frame and its inner space beside the text, with room to spare.
    const int room = info.rcWork.right - info.rcWork.left - margin.left - margin.right - MulDiv(16, DpiOf(tip), 96);
    const HDC dc = GetDC(tip);
    const HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(tip, WM_GETFONT, 0, 0)));
    const auto width = [&](const std::wstring& line) {
        SIZE size = {};
        GetTextExtentPoint32W(dc, line.c_str(), static_cast<int>(line.size()), &size);
        return static_cast<int>(size.cx);
    };
    std::wstring fitted;
    for (std::size_t start = 0; start <= text.size();) {
        std::size_t end = text.find(L"\r\n", start);
        if (end == std::wstring::npos) end = text.size();
        fitted += (start ? L"\r\n" : L"") + CutToWidth(text.substr(start, end - start), room, width);
        start = end + 2;
    }
    SelectObject(dc, old);
    ReleaseDC(tip, dc);
    return fitted;
}

// A tip for the whole list whose text is asked for when it shows (TTN_GETDISPINFO).
// The message loop relays the list's mouse messages to it: a subclassed list
// (TTF_SUBCLASS) costs Wine a server call for every message the list handles.
HWND CreateInfoTip(HWND owner, HWND list)
{
    TTTOOLINFOW tool = {};
    tool.uFlags = TTF_IDISHWND;
    tool.uId = reinterpret_cast<UINT_PTR>(list);
    tool.lpszText = LPSTR_TEXTCALLBACKW;
    return CreateTip(owner, tool);
}

CalendarDate LocalDate(std::uint32_t seconds)
{
    constexpr std::uint64_t kSecondsFrom1601To1970 = 11644473600ULL;
    ULARGE_INTEGER moment;
    moment.QuadPart = (seconds + kSecondsFrom1601To1970) * 10000000ULL;
    const FILETIME utc = {moment.LowPart, moment.HighPart};
    SYSTEMTIME universal = {}, local = {};
    if (!FileTimeToSystemTime(&utc, &universal) || !SystemTimeToTzSpecificLocalTime(nullptr, &universal, &local))
        local = universal;
    return {local.wYear, local.wMonth, local.wDay};
}

// The tip's lines about what the entry holds and about Windows' own list, each after a line break.
std::wstring DetailText(const EntryDetails& details)
{
    static constexpr unsigned kLabels[] = {IDS_JULKAISIJA, IDS_VERSIO_RIVI, IDS_ASENNETTU, IDS_KANSIO, IDS_KOKO};
    static constexpr unsigned kUnits[] = {0, IDS_KOKO_KT, IDS_KOKO_MT, IDS_KOKO_GT};
    std::wstring text;
    for (const DetailLine& line : details.lines) {
        const unsigned unit = kUnits[static_cast<int>(line.unit)];
        text += L"\r\n" + LoadText(kLabels[static_cast<int>(line.kind)]) + (unit ? LoadText(unit, line.text) : line.text);
    }
    switch (details.hidden) {
    case Hidden::SystemComponent: text += L"\r\n" + LoadText(IDS_EI_NAY_OSA); break;
    case Hidden::Update: text += L"\r\n" + LoadText(IDS_EI_NAY_PAIVITYS, details.parent); break;
    case Hidden::NoName: text += L"\r\n" + LoadText(IDS_EI_NAY_NIMI); break;
    case Hidden::NoCommand: text += L"\r\n" + LoadText(IDS_EI_NAY_KOMENTO); break;
    case Hidden::None: break;
    }
    return text;
}

}  // namespace

// The row under a point of the list's client area, or -1.
int RowAt(HWND list, POINT point)
{
    LVHITTESTINFO hit = {};
    hit.pt = point;
    const int item = static_cast<int>(SendMessageW(list, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
    return (hit.flags & LVHT_ONITEM) ? item : -1;
}

std::wstring InfoTipText(Registry& registry, const ListViewSink::Row& row, bool lowerList, const PerUserOwner& owner,
                         const TipLines& lines)
{
    // Every line cleaned: no name or value can make a line of its own or turn the text around.
    const bool cut = !lines.whole;
    std::wstring text = TipLine(Wide(KeyPathText(row.source, row.key, owner.hive)), cut);
    // Not the desktop user's own entry, though the desktop is theirs: nothing is silent about it.
    if (row.source == UninstallSource::User && !owner.karnioAccount.empty())
        text += L"\r\n" + TipLine(LoadText(IDS_KARNION_KAYTTAJAN, Wide(owner.karnioAccount)), cut);
    const Leftover& leftover = row.leftover;
    if (leftover.kind != Leftover::None) {
        // A grey row says on a second line why it is grey, and on a third when its program may still be there.
        const unsigned reason = leftover.kind == Leftover::UnknownProduct   ? IDS_TUOTE_TUNTEMATON
                                : leftover.kind == Leftover::UnknownPatch   ? IDS_PAIVITYS_TUNTEMATON
                                : leftover.kind == Leftover::MissingLibrary ? IDS_KIRJASTO_PUUTTUU
                                                                            : IDS_OHJELMA_PUUTTUU;
        text += L"\r\n" + TipLine(LoadText(reason, leftover.subject, leftover.product), cut);
        if (leftover.stillInstalled) text += L"\r\n" + LoadText(IDS_YHA_ASENNETTU);
    }
    // The whole name and command where the columns cannot show them.
    if (lines.name || lines.whole) text += L"\r\n" + TipLine(LoadText(IDS_NIMI_RIVI) + row.text, cut);
    if (lines.command || lines.whole) text += L"\r\n" + TipLine(LoadText(IDS_KOMENTO_RIVI) + Wide(row.command), cut);
    if (const std::optional<std::vector<RegistryValue>> values = LueArvot(registry, row.source, row.key))
        text += DetailText(KuvaaMerkinta(*values, lowerList, LocalDate, cut));
    return text;
}

bool ShownCut(HWND list, int column, const std::wstring& text, int dpi)
{
    // The list view keeps a margin on either side of a column's text.
    const int margin = MulDiv(12, dpi, 96);
    return ListView_GetStringWidth(list, text.c_str()) + margin > ListView_GetColumnWidth(list, column);
}

void InfoTips::Create(HWND owner, HWND upper, HWND lower)
{
    owner_ = owner;
    upper_ = upper;
    lower_ = lower;
    tips_[0] = CreateInfoTip(owner, upper);
    tips_[1] = CreateInfoTip(owner, lower);
    // The keyboard's tip is placed by hand, under the chosen row.
    TTTOOLINFOW tool = {};
    tool.uFlags = TTF_TRACK | TTF_ABSOLUTE;
    tool.lpszText = const_cast<wchar_t*>(L"");
    keyboardTip_ = CreateTip(owner, tool);
}

void InfoTips::ShowForKeyboard(HWND list, int item, const std::wstring& text)
{
    HideAll();
    RECT row = {}, label = {};
    if (!ListView_GetItemRect(list, item, &row, LVIR_BOUNDS) || !ListView_GetItemRect(list, item, &label, LVIR_LABEL)) return;
    keyboardText_ = FitToScreen(keyboardTip_, text, MonitorFromWindow(list, MONITOR_DEFAULTTONEAREST));
    TTTOOLINFOW tool = {};
    tool.cbSize = sizeof tool;
    tool.hwnd = GetParent(list);
    tool.lpszText = keyboardText_.data();
    SendMessageW(keyboardTip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
    POINT below = {label.left, row.bottom}, above = {label.left, row.top};
    ClientToScreen(list, &below);
    ClientToScreen(list, &above);
    const LRESULT size = SendMessageW(keyboardTip_, TTM_GETBUBBLESIZE, 0, reinterpret_cast<LPARAM>(&tool));
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(list, MONITOR_DEFAULTTONEAREST), &monitor);
    const POINT at = below.y + HIWORD(size) <= monitor.rcWork.bottom ? below : POINT{above.x, above.y - HIWORD(size)};
    SendMessageW(keyboardTip_, TTM_TRACKPOSITION, 0, MAKELPARAM(at.x, at.y));
    SendMessageW(keyboardTip_, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&tool));
    keyboardShown_ = true;
}

void InfoTips::Relay(MSG& message)
{
    const int slot = message.hwnd == upper_ ? 0 : 1;
    if (message.message == WM_MOUSELEAVE) {
        tracking_[slot] = false;
        left_ = true;
        return;
    }
    if (message.message == WM_MOUSEMOVE && !tracking_[slot]) {
        TRACKMOUSEEVENT track = {sizeof track, TME_LEAVE, message.hwnd, 0};
        tracking_[slot] = TrackMouseEvent(&track);
    }
    if (message.message == WM_MOUSEMOVE && !armed_) {
        // A move to where the pointer stood when the tips were hidden is Windows
        // telling the list of it again (after a window closed), unless it had left.
        POINT cursor;
        GetCursorPos(&cursor);
        armed_ = left_ || cursor.x != hiddenAt_.x || cursor.y != hiddenAt_.y;
    }
    if (!MouseTipAllowed()) {
        SendMessageW(Of(message.hwnd), TTM_POP, 0, 0);
        return;
    }
    const int top = ListView_GetTopIndex(message.hwnd);
    if (top != tipTop_[slot]) {
        // Scrolled since the last look: the row under the pointer is another.
        SendMessageW(Of(message.hwnd), TTM_POP, 0, 0);
        tipItem_[slot] = -1;
        tipTop_[slot] = top;
    }
    if (message.message == WM_MOUSEMOVE) {
        // Moving to another row hides the tip, so that it shows again with that row's path.
        const int item = RowAt(message.hwnd, {GET_X_LPARAM(message.lParam), GET_Y_LPARAM(message.lParam)});
        if (item != tipItem_[slot]) {
            tipItem_[slot] = item;
            SendMessageW(Of(message.hwnd), TTM_POP, 0, 0);
        }
    }
    SendMessageW(Of(message.hwnd), TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&message));
}

void InfoTips::SetFont(HFONT font)
{
    for (HWND tip : {tips_[0], tips_[1], keyboardTip_}) SendMessageW(tip, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
}

bool InfoTips::MouseTipAllowed() const { return armed_ && !keyboardShown_ && GetForegroundWindow() == owner_; }

void InfoTips::HideAll()
{
    armed_ = left_ = false;
    GetCursorPos(&hiddenAt_);
    if (keyboardShown_) {
        TTTOOLINFOW tool = {};
        tool.cbSize = sizeof tool;
        tool.hwnd = GetParent(upper_);
        SendMessageW(keyboardTip_, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&tool));
        keyboardShown_ = false;
    }
    for (int slot = 0; slot < 2; ++slot) {
        SendMessageW(tips_[slot], TTM_POP, 0, 0);
        tipItem_[slot] = -1;
        tipTop_[slot] = -1;
    }
}

void InfoTips::SetText(NMTTDISPINFOW& info, std::wstring text)
{
    POINT cursor;
    GetCursorPos(&cursor);
    text_ = MouseTipAllowed() ? FitToScreen(info.hdr.hwndFrom, text, MonitorFromPoint(cursor, MONITOR_DEFAULTTONEAREST)) : std::wstring();
    info.lpszText = text_.data();
    info.hinst = nullptr;
}

}  // namespace karnio
