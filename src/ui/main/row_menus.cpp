// The row pop-up and the Muokkaa menu: what their commands can do for the rows
// chosen in a list, and the commands that look behind an entry: its key in
// Registry Editor and its install folder in Explorer.
#include "ui/main/frmKarnio.h"

#include "catalogue/entry_details.h"
#include "ui/common/cursor.h"
#include "ui/common/handles.h"
#include "ui/common/shell.h"
#include "ui/common/text.h"
#include "ui/common/window_menu.h"
#include "ui/main/install_folder.h"
#include "ui/main/list_place.h"
#include "ui/main/list_view.h"
#include "ui/main/listview_sink.h"
#include "ui/main/windows_host.h"
#include "ui/resources/resource.h"

#include <commctrl.h>

namespace karnio {

namespace {

constexpr wchar_t kRegeditKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Regedit";

using UniqueRegKey = UniqueHandle<HKEY, RegCloseKey>;

// Registry Editor's LastKey, in the settings of the account Karnio runs as: the
// real HKEY_CURRENT_USER, not the desktop user's hive that the lists may read.
LONG SetRegeditLastKey(const std::wstring& path)
{
    HKEY opened = nullptr;
    const LONG status = RegCreateKeyExW(HKEY_CURRENT_USER, kRegeditKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &opened, nullptr);
    const UniqueRegKey applet(opened);
    if (status != ERROR_SUCCESS) return status;
    return RegSetValueExW(applet.get(), L"LastKey", 0, REG_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                          static_cast<DWORD>((path.size() + 1) * sizeof(wchar_t)));
}

// Starts a program of the Windows folder by its full path, never found by a search.
LONG StartWindowsProgram(const wchar_t* name)
{
    const std::wstring windows = SystemWindowsFolder();
    if (windows.empty()) return ERROR_PATH_NOT_FOUND;
    const std::wstring program = windows + L"\\" + name;
    std::wstring line = L"\"" + program + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, windows.c_str(), &startup, &process))
        return static_cast<LONG>(GetLastError());
    const UniqueKernelHandle processHandle(process.hProcess), threadHandle(process.hThread);
    return ERROR_SUCCESS;
}

}  // namespace

// Each command for the rows chosen in the list: delete and copy any, run one with
// a command, open the key of one that any call can name, the folder of one that has one.
FrmKarnio::RowCommands FrmKarnio::CommandsFor(HWND list)
{
    RowCommands commands;
    const UINT count = list ? ListView_GetSelectedCount(list) : 0;
    const int item = list ? ChosenItem(list) : -1;
    const ListViewSink::Row* row = item >= 0 ? SinkOf(list).RowAt(item) : nullptr;
    commands.poista = commands.kopioi = count > 0;
    if (count != 1 || !row) return commands;
    commands.aja = !row->command.empty();
    commands.rekisterieditori = OnPoistettava(row->key);
    commands.kansio = !FolderText(InstallLocationOf(list, item)).empty();
    return commands;
}

// The pop-up menu over a list's rows; the window menu elsewhere in the window, as
// every window has. A list's header, scroll bars and frame show no row commands.
// The pop-up's commands act on the rows of the list it opened over.
bool FrmKarnio::OnContextMenu(HWND source, int x, int y)
{
    const bool keyboard = x == -1 && y == -1;
    HWND list = source == lvwOhjelmat_ || source == lvwOhjelmat2_ ? source : nullptr;
    if (!list) {
        if (IsChild(lvwOhjelmat_, source) || IsChild(lvwOhjelmat2_, source)) return false;
        const LRESULT hit = keyboard ? HTCLIENT : SendMessageW(hwnd_, WM_NCHITTEST, 0, MAKELPARAM(x, y));
        if (hit == HTCAPTION || hit == HTSYSMENU) return false;  // Windows' own handling shows it there
        ShowWindowMenu(hwnd_, x, y);
        return true;
    }
    if (!keyboard && !OverItems(list, {x, y})) return false;
    // The menu acts on the rows highlighted in the list it opens over, or on nothing.
    const int item = ListView_GetNextItem(list, -1, LVNI_SELECTED);
    if (item >= 0)
        Remember(list);
    else
        Forget();
    const RowCommands can = CommandsFor(list);
    HMENU menu = mnuPopUp_.get();
    const auto enable = [&](UINT command, bool on) { EnableMenuItem(menu, command, MF_BYCOMMAND | (on ? MF_ENABLED : MF_GRAYED)); };
    enable(IDM_POISTA, can.poista);
    enable(IDM_AJA, can.aja);
    enable(IDM_KOPIOI, can.kopioi);
    enable(IDM_REKISTERIEDITORI, can.rekisterieditori);
    enable(IDM_KANSIO, can.kansio);
    if (keyboard) {
        // From the keyboard: under the selected row, scrolled into view, or at the list's corner.
        POINT point = {2, 2};
        RECT rect;
        const int focused = ListView_GetNextItem(list, -1, LVNI_FOCUSED | LVNI_SELECTED);
        const int shown = focused >= 0 ? focused : item;
        if (shown >= 0) ListView_EnsureVisible(list, shown, FALSE);
        if (shown >= 0 && ListView_GetItemRect(list, shown, &rect, LVIR_LABEL)) point = {rect.left, rect.bottom};
        ClientToScreen(list, &point);
        x = point.x;
        y = point.y;
    }
    switch (TrackPopupMenu(menu, TPM_RETURNCMD, x, y, 0, hwnd_, nullptr)) {
    case IDM_POISTA: PoistaValitut(list); break;
    case IDM_AJA: MAjaKarnioohjelma_Click(); break;
    case IDM_KOPIOI: Kopioi(list); break;
    case IDM_REKISTERIEDITORI: AvaaRekisterieditorissa(list); break;
    case IDM_KANSIO: AvaaKansio(list); break;
    }
    return true;
}

// The Muokkaa menu says what it can do now: undo while there is something to
// bring back; the row commands for the list that last had the focus; and choose
// the leftovers while it has any.
void FrmKarnio::OnInitMenuPopup(HMENU menu)
{
    if (menu == mnuPopUp_.get() || GetMenuState(menu, IDM_KUMOA, MF_BYCOMMAND) == static_cast<UINT>(-1)) return;
    const auto enable = [&](UINT command, bool on) { EnableMenuItem(menu, command, MF_BYCOMMAND | (on ? MF_ENABLED : MF_GRAYED)); };
    const RowCommands can = CommandsFor(lastFocus_);
    enable(IDM_KUMOA, !poistetut_.empty());
    enable(IDM_POISTA_VALITUT, can.poista);
    enable(IDM_KOPIOI, can.kopioi);
    enable(IDM_VALITSE_JAANTEET, lastFocus_ && !LeftoverItems(lastFocus_).empty());
    enable(IDM_REKISTERIEDITORI, can.rekisterieditori);
    enable(IDM_KANSIO, can.kansio);
}

std::wstring FrmKarnio::InstallLocationOf(HWND list, int item)
{
    const ListViewSink::Row* row = SinkOf(list).RowAt(item);
    const std::optional<std::vector<RegistryValue>> values = row ? LueArvot(registry_, row->source, row->key) : std::nullopt;
    const std::optional<std::wstring> location = values ? TextValue(*values, u"InstallLocation") : std::nullopt;
    return location ? *location : std::wstring();
}

// The entry's key in Registry Editor, which opens at its LastKey: written to the
// account Karnio runs as (Registry Editor runs as that account), then Registry
// Editor started from the Windows folder. One that is open already would not
// read it: then nothing is touched.
void FrmKarnio::AvaaRekisterieditorissa(HWND list)
{
    const int item = list && ListView_GetSelectedCount(list) == 1 ? ChosenItem(list) : -1;
    const ListViewSink::Row* row = item >= 0 ? SinkOf(list).RowAt(item) : nullptr;
    if (!row || !OnPoistettava(row->key)) return;
    if (FindWindowW(L"RegEdit_RegEdit", nullptr)) {
        ShowError(LoadText(IDS_REGEDIT_AUKI));
        return;
    }
    LONG status = SetRegeditLastKey(Wide(RegeditPath(row->source, row->key, desktopUser_ ? desktopUser_->sid : "")));
    if (status == ERROR_SUCCESS) status = StartWindowsProgram(L"regedit.exe");
    if (status != ERROR_SUCCESS) ShowError(LoadText(IDS_REGEDIT_EI_KAYNNISTY, std::to_wstring(status)));
}

// The entry's install folder in Explorer, through the desktop's shell as the
// help menu's documents: a folder with the "explore" verb, a file in its folder,
// selected; never "open", nor a file's own verb.
void FrmKarnio::AvaaKansio(HWND list)
{
    const int item = list && ListView_GetSelectedCount(list) == 1 ? ChosenItem(list) : -1;
    const ListViewSink::Row* row = item >= 0 ? SinkOf(list).RowAt(item) : nullptr;
    if (!row) return;
    const std::wstring location = InstallLocationOf(list, item);
    SetAppCursor(AppCursor::Wait);
    FolderPlan plan;
    {
        NoDiskPrompts noDiskPrompts;
        WindowsHostSystem system;
        plan = PlanFolder(location, system, ContextOf(row->source, desktopUser_));
    }
    SetAppCursor(AppCursor::Default);
    const std::wstring windows = SystemWindowsFolder();
    switch (plan.kind) {
    case FolderPlan::Explore: ShellRun({hwnd_, plan.path, L"", L"", L"explore"}); break;
    case FolderPlan::SelectFile:
        ShellRun({hwnd_, windows + L"\\explorer.exe", L"/select,\"" + plan.path + L"\"", windows, L"open"});
        break;
    case FolderPlan::Missing: ShowError(LoadText(IDS_KANSIO_PUUTTUU, TipLine(plan.path))); break;
    case FolderPlan::Nothing: break;
    }
}

}  // namespace karnio
