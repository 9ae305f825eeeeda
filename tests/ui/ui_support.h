// Helpers for driving Karnio's real windows in-process under Wine.
#pragma once

#include "app/cursor.h"
#include "app/layout.h"
#include "app/text.h"
#include "catalogue/uninstall_list.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <chrono>
#include <future>
#include <string>
#include <thread>
#include <vector>

namespace karnio::test {

inline void Pump()
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

inline std::wstring UninstallPathW() { return Wide(kUninstallPath); }

// Empties the real Uninstall key of the throwaway prefix.
inline void ClearUninstallKey()
{
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, UninstallPathW().c_str());
    HKEY key = nullptr;
    RegCreateKeyW(HKEY_LOCAL_MACHINE, UninstallPathW().c_str(), &key);
    RegCloseKey(key);
}

inline void AddEntry(const std::wstring& subkey, const wchar_t* displayName, const wchar_t* uninstall,
                     const wchar_t* quietDisplayName = nullptr)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyW(HKEY_LOCAL_MACHINE, (UninstallPathW() + subkey).c_str(), &key), ERROR_SUCCESS);
    const auto set = [&](const wchar_t* name, const wchar_t* value) {
        if (value)
            RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                           static_cast<DWORD>((wcslen(value) + 1) * sizeof(wchar_t)));
    };
    set(L"DisplayName", displayName);
    set(L"UninstallString", uninstall);
    set(L"QuietDisplayName", quietDisplayName);
    RegCloseKey(key);
}

inline bool EntryExists(const std::wstring& subkey)
{
    HKEY key = nullptr;
    if (RegOpenKeyW(HKEY_LOCAL_MACHINE, (UninstallPathW() + subkey).c_str(), &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

struct ListRow {
    std::wstring text, command;
    bool operator==(const ListRow& other) const { return text == other.text && command == other.command; }
};
inline std::ostream& operator<<(std::ostream& out, const ListRow& row)
{
    return out << Narrow(row.text) << " | " << Narrow(row.command);
}

inline std::wstring ItemText(HWND list, int item, int subItem)
{
    wchar_t buffer[4096] = {};
    LVITEMW query = {};
    query.iSubItem = subItem;
    query.pszText = buffer;
    query.cchTextMax = static_cast<int>(std::size(buffer));
    SendMessageW(list, LVM_GETITEMTEXTW, item, reinterpret_cast<LPARAM>(&query));
    return buffer;
}

inline std::vector<ListRow> Rows(HWND list)
{
    std::vector<ListRow> rows;
    const int count = ListView_GetItemCount(list);
    for (int item = 0; item < count; ++item) rows.push_back({ItemText(list, item, 0), ItemText(list, item, 1)});
    return rows;
}

inline int FindRow(HWND list, const std::wstring& text)
{
    const auto rows = Rows(list);
    for (std::size_t i = 0; i < rows.size(); ++i)
        if (rows[i].text == text) return static_cast<int>(i);
    return -1;
}

// Selects a row as the keyboard would.
inline void SelectRow(HWND list, int item)
{
    SetFocus(list);
    ListView_SetItemState(list, item, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    Pump();
}

inline std::wstring WindowText(HWND window)
{
    wchar_t buffer[1024] = {};
    GetWindowTextW(window, buffer, static_cast<int>(std::size(buffer)));
    return buffer;
}

inline RECT ClientRectIn(HWND control, HWND parent)
{
    RECT rect;
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

inline RECT TwipsToRect(const TwipsRect& place, int dpi)
{
    const int left = TwipsToPixels(place.left, dpi), top = TwipsToPixels(place.top, dpi);
    return {left, top, left + TwipsToPixels(place.width, dpi), top + TwipsToPixels(place.height, dpi)};
}

#define EXPECT_RECT_EQ(actual, expected)                                                            \
    do {                                                                                            \
        const RECT a_ = (actual), e_ = (expected);                                                  \
        EXPECT_TRUE(a_.left == e_.left && a_.top == e_.top && a_.right == e_.right && a_.bottom == e_.bottom) \
            << "actual " << a_.left << "," << a_.top << "," << a_.right << "," << a_.bottom << " expected " \
            << e_.left << "," << e_.top << "," << e_.right << "," << e_.bottom;                     \
    } while (0)

// What a message box (or any dialog) showed: title, text, icon style; it is then answered with OK.
struct SeenDialog {
    bool found = false;
    std::wstring title, text;
    bool exclamationIcon = false;
};

// Watches on another thread for a top-level dialog with the given title and
// dismisses it, while the calling thread runs the modal loop that shows it.
inline std::future<SeenDialog> WatchForDialog(const std::wstring& title, int timeoutMs = 15000)
{
    return std::async(std::launch::async, [title, timeoutMs] {
        SeenDialog seen;
        for (int waited = 0; waited < timeoutMs; waited += 20) {
            HWND box = FindWindowW(L"#32770", title.c_str());
            if (box && IsWindowVisible(box)) {
                seen.found = true;
                seen.title = WindowText(box);
                seen.text = WindowText(GetDlgItem(box, 0xFFFF));
                // The message box shows the exclamation icon in a static with SS_ICON.
                for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
                    if ((GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) seen.exclamationIcon = true;
                PostMessageW(box, WM_COMMAND, IDOK, 0);
                return seen;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return seen;
    });
}

// Closes the next pop-up menu once it shows (it runs its own modal loop on the
// calling thread); true if one showed.
inline std::future<bool> CloseMenuWhenShown()
{
    return std::async(std::launch::async, [] {
        for (int waited = 0; waited < 10000; waited += 20) {
            HWND menu = FindWindowW(L"#32768", nullptr);
            if (menu && IsWindowVisible(menu)) {
                PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);
                return true;
            }
            Sleep(20);
        }
        return false;
    });
}

// Records every change of the application cursor.
class CursorLog {
public:
    CursorLog() { SetAppCursorObserver([this](AppCursor cursor) { changes.push_back(cursor); }); }
    ~CursorLog() { SetAppCursorObserver(nullptr); }
    std::vector<AppCursor> changes;
};

// Records the shell calls instead of making them.
struct ShellCall {
    HWND owner;
    std::wstring verb, file, parameters, folder;
    int show;
};
std::vector<ShellCall>& RecordedShellCalls();
void RecordShellCalls();

}  // namespace karnio::test
