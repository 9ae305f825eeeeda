// Helpers for driving Karnio's real windows in-process under Wine.
#pragma once

#include "catalogue/uninstall_list.h"
#include "registry/windows_registry.h"
#include "support/real_registry.h"
#include "ui/common/cursor.h"
#include "ui/common/layout.h"
#include "ui/common/shell.h"
#include "ui/common/text.h"
#include "ui/main/frmKarnio.h"
#include "ui/resources/resource.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace karnio::test {

// Dispatches what is waiting; a loop filter (the main window's PreTranslateMessage)
// gets the first look at each message, as in the program's own loop.
using LoopFilter = std::function<bool(MSG&)>;
inline void Pump(const LoopFilter& filter = nullptr)
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) continue;
        if (filter && filter(message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
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

// A Unix path handed over by tests/CMakeLists, as Wine's Z: drive shows it.
inline std::wstring WinePathOf(const char* variable)
{
    const char* unixPath = std::getenv(variable);
    std::wstring path = L"Z:" + Wide(unixPath ? unixPath : "");
    for (auto& c : path)
        if (c == L'/') c = L'\\';
    return path;
}

// Starts a program and waits for it; its exit code, or -1 when it could not start.
inline long RunAndWait(std::wstring line, DWORD timeoutMs = 60000)
{
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &startup, &process))
        return -1;
    DWORD code = static_cast<DWORD>(-1);
    if (WaitForSingleObject(process.hProcess, timeoutMs) == WAIT_OBJECT_0) GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return static_cast<long>(code);
}

// The titles of the message boxes a test waits for; any other box of the program's
// ("Virhe", "Karnio") fails the test at once with its text and is answered No or OK.
inline std::mutex expectedBoxesMutex;
inline std::multiset<std::wstring> expectedBoxes;

class UnexpectedBoxes {
public:
    UnexpectedBoxes()
        : watcher_([this] {
              for (; !stop_; Sleep(50)) {
                  for (const wchar_t* title : {L"Virhe", L"Karnio"}) {
                      HWND box = FindWindowW(L"#32770", title);
                      const std::lock_guard<std::mutex> lock(expectedBoxesMutex);
                      if (!box || !IsWindowVisible(box) || expectedBoxes.count(title)) continue;
                      wchar_t text[1024] = {};
                      GetWindowTextW(GetDlgItem(box, 0xFFFF), text, 1024);
                      ADD_FAILURE() << "unexpected message box " << Narrow(title) << ": " << Narrow(text);
                      PostMessageW(box, WM_COMMAND, GetDlgItem(box, IDNO) ? IDNO : IDOK, 0);
                  }
              }
          })
    {
    }
    ~UnexpectedBoxes()
    {
        stop_ = true;
        watcher_.join();
    }

private:
    std::atomic<bool> stop_{false};
    std::thread watcher_;
};

// A test of the real main window on the real registry of the prefix, whose
// Uninstall keys start and end empty.
class WindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ClearUninstallKeys();
        boxes_ = std::make_unique<UnexpectedBoxes>();
    }
    void TearDown() override
    {
        boxes_.reset();
        window_.reset();
        Pump();
        ClearUninstallKeys();
    }
    FrmKarnio& Open(const PerUser* perUser = nullptr)
    {
        window_ = std::make_unique<FrmKarnio>(registry_, perUser);
        EXPECT_TRUE(window_->Create(SW_SHOWNORMAL));
        SetForegroundWindow(window_->Hwnd());
        Pump();
        return *window_;
    }
    void Command(int id)
    {
        SendMessageW(window_->Hwnd(), WM_COMMAND, id, 0);
        Pump();
    }
    // The client area, both lists and the separator where a start at dpi puts them.
    void ExpectPlacedInTwipsAt(int dpi);

    WindowsRegistry registry_;
    std::unique_ptr<FrmKarnio> window_;
    std::unique_ptr<UnexpectedBoxes> boxes_;
    int dpi_ = ScreenDpi();
};

// Opens the About window from the owner's help menu and runs check on it, from
// a timer inside its modal loop; check closes it. A window that never showed fails the test.
inline void WithAboutWindow(HWND owner, const std::function<void(HWND)>& check)
{
    static const std::function<void(HWND)>* pending;
    static bool checked;
    pending = &check;
    checked = false;
    SetTimer(owner, 77, 20, [](HWND window, UINT, UINT_PTR id, DWORD) {
        HWND about = FindWindowW(L"#32770", L"Tietoja ohjelmasta");
        if (!about || !IsWindowVisible(about)) return;
        KillTimer(window, id);
        checked = true;
        (*pending)(about);
    });
    SendMessageW(owner, WM_COMMAND, IDM_TIETOJA, 0);
    KillTimer(owner, 77);
    Pump();
    EXPECT_TRUE(checked) << "the About window never showed";
}

// A real mouse event at a point on the screen. A button event carries its point
// too: the display may still report an older pointer move late, on a loaded
// machine, and a bare button event would then land where that move put the pointer.
inline INPUT MouseAt(POINT screen, DWORD flags = 0)
{
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dx = MulDiv(screen.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
    input.mi.dy = MulDiv(screen.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
    input.mi.dwFlags = flags | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    return input;
}

// Moves the real mouse to a point on the screen.
inline void MoveMouse(POINT screen, const LoopFilter& filter = nullptr)
{
    SetCursorPos(screen.x, screen.y);
    INPUT move = MouseAt(screen);
    SendInput(1, &move, sizeof move);
    Pump(filter);
}

// Presses and lets go of a real mouse button at a point on the screen.
inline void ClickAt(POINT screen, DWORD down, DWORD up)
{
    MoveMouse(screen);
    INPUT clicks[2] = {MouseAt(screen, down), MouseAt(screen, up)};
    SendInput(2, clicks, sizeof(INPUT));
}

// The middle of a row's first column on the screen; row -1 is empty space below the rows.
inline POINT RowPoint(HWND list, int item)
{
    RECT rect = {};
    if (item >= 0) {
        ListView_GetItemRect(list, item, &rect, LVIR_LABEL);
    } else {
        GetClientRect(list, &rect);
        rect.top = rect.bottom - 12;
    }
    POINT point = {rect.left + 8, (rect.top + rect.bottom) / 2};
    ClientToScreen(list, &point);
    return point;
}

// Clicks a row with the real left button, each time at another place along it
// so that two clicks in a row never make a double click.
inline void ClickRow(HWND list, int item)
{
    static int clickCount = 0;
    // A user scrolls to a row before clicking it.
    if (item >= 0) {
        ListView_EnsureVisible(list, item, FALSE);
        Pump();
    }
    const auto selected = [&] { return item >= 0 && ListView_GetItemState(list, item, LVIS_SELECTED); };
    // On a loaded machine a click may take a while to arrive: wait until it selected its
    // row, and click once more where none arrived.
    for (int attempt = 0; attempt < 3; ++attempt) {
        POINT point = RowPoint(list, item);
        point.x += 12 * (++clickCount % 6);
        ClickAt(point, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
        for (int i = 0; i < 10 || (item >= 0 && i < 200 && !selected()); ++i) {
            Pump();
            Sleep(10);
        }
        if (item < 0 || selected()) return;
    }
}

// Rests the mouse on a row until the tip shows; its text, or empty if none showed.
// A tip that does not show is waited for again, up to attempts times in all: on a
// loaded machine Wine can miss the first rest after a rebuild.
inline std::wstring HoverTip(HWND list, int item, HWND tip, const LoopFilter& filter, int timeoutMs = 4000, int attempts = 3)
{
    for (int attempt = 0; attempt < attempts; ++attempt) {
        MoveMouse({0, 0}, filter);
        const POINT point = RowPoint(list, item);
        MoveMouse(point, filter);
        // Still, as a user's hand: every move starts the tip's delay again.
        for (int waited = 0; waited < timeoutMs; waited += 20) {
            Pump(filter);
            if (IsWindowVisible(tip)) {
                wchar_t text[1024] = {};
                GetWindowTextW(tip, text, 1024);
                return text;
            }
            Sleep(20);
        }
    }
    return L"";
}

// Selects a row alone, as the keyboard would.
inline void SelectRow(HWND list, int item)
{
    SetFocus(list);
    ListView_SetItemState(list, -1, 0, LVIS_SELECTED);
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

inline void WindowTest::ExpectPlacedInTwipsAt(int dpi)
{
    HWND hwnd = window_->Hwnd();
    RECT client;
    GetClientRect(hwnd, &client);
    EXPECT_EQ(client.right, TwipsToPixels(7950, dpi));
    EXPECT_EQ(client.bottom, TwipsToPixels(6915, dpi));
    EXPECT_RECT_EQ(ClientRectIn(window_->LvwOhjelmat(), hwnd), TwipsToRect({120, 240, 7695, 4815}, dpi));
    EXPECT_RECT_EQ(ClientRectIn(window_->LvwOhjelmat2(), hwnd), TwipsToRect({120, 5160, 7695, 1575}, dpi));
    HWND frame = FindWindowExW(hwnd, nullptr, L"Static", nullptr);
    ASSERT_TRUE(frame);
    EXPECT_RECT_EQ(ClientRectIn(frame, hwnd), TwipsToRect({-120, 0, 12000, 35}, dpi));
}

// The rectangle Windows suggests with WM_DPICHANGED: the frame for the same
// client size scaled to the new DPI, where the window is now.
inline RECT SuggestedRect(HWND window, int clientWidthTwips, int clientHeightTwips, int dpi)
{
    using Adjust = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
    const auto adjust = reinterpret_cast<Adjust>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "AdjustWindowRectExForDpi")));
    RECT frame = {0, 0, TwipsToPixels(clientWidthTwips, dpi), TwipsToPixels(clientHeightTwips, dpi)};
    const DWORD style = GetWindowLongW(window, GWL_STYLE), exStyle = GetWindowLongW(window, GWL_EXSTYLE);
    if (!adjust || !adjust(&frame, style, GetMenu(window) != nullptr, exStyle, dpi))
        AdjustWindowRectEx(&frame, style, GetMenu(window) != nullptr, exStyle);
    RECT now;
    GetWindowRect(window, &now);
    OffsetRect(&frame, now.left - frame.left, now.top - frame.top);
    return frame;
}

inline void ChangeDpi(HWND window, int clientWidthTwips, int clientHeightTwips, int dpi)
{
    RECT suggested = SuggestedRect(window, clientWidthTwips, clientHeightTwips, dpi);
    SendMessageW(window, kWmDpiChanged, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
    Pump();
}

inline int FontHeight(HWND control)
{
    LOGFONTW font = {};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)), sizeof font, &font);
    return font.lfHeight;
}

// What a message box (or any dialog) showed: title, text, icon style; it is then answered with OK.
struct SeenDialog {
    bool found = false;
    std::wstring title, text;
    bool exclamationIcon = false;
    AppCursor cursor = AppCursor::Default;  // the program's cursor while the box was up
    int defaultButton = 0;
};

// Watches on another thread for a top-level dialog with the given title and
// answers it (OK, or the button given), while the calling thread runs the modal loop that shows it.
inline std::future<SeenDialog> WatchForDialog(const std::wstring& title, int timeoutMs = 15000, int answer = IDOK)
{
    {
        const std::lock_guard<std::mutex> lock(expectedBoxesMutex);
        expectedBoxes.insert(title);
    }
    return std::async(std::launch::async, [title, timeoutMs, answer] {
        struct Expected {
            const std::wstring& title;
            ~Expected()
            {
                const std::lock_guard<std::mutex> lock(expectedBoxesMutex);
                expectedBoxes.erase(expectedBoxes.find(title));
            }
        } expected{title};
        SeenDialog seen;
        for (int waited = 0; waited < timeoutMs; waited += 20) {
            HWND box = FindWindowW(L"#32770", title.c_str());
            if (box && IsWindowVisible(box)) {
                seen.found = true;
                seen.cursor = CurrentAppCursor();
                seen.title = WindowText(box);
                seen.text = WindowText(GetDlgItem(box, 0xFFFF));
                // The message box shows the exclamation icon in a static with SS_ICON.
                for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
                    if ((GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) seen.exclamationIcon = true;
                for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
                    if ((GetWindowLongW(child, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON) seen.defaultButton = GetDlgCtrlID(child);
                PostMessageW(box, WM_COMMAND, answer, 0);
                // Expected until it has gone, so that no other watcher takes it for a stray box.
                for (int closing = 0; closing < 5000 && IsWindow(box); closing += 20) Sleep(20);
                return seen;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return seen;
    });
}

// Answers the next pop-up menu once it shows (it runs its own modal loop on the
// calling thread) with keys, by default closing it; true if one showed.
inline std::future<bool> CloseMenuWhenShown(std::vector<WPARAM> keys = {VK_ESCAPE})
{
    return std::async(std::launch::async, [keys] {
        for (int waited = 0; waited < 10000; waited += 20) {
            HWND menu = FindWindowW(L"#32768", nullptr);
            if (menu && IsWindowVisible(menu)) {
                for (const WPARAM key : keys) PostMessageW(menu, WM_KEYDOWN, key, 0);
                return true;
            }
            Sleep(20);
        }
        return false;
    });
}

// The items of the next pop-up menu once it shows, as "text" or "-" for a
// separator, with "(grey)" after a disabled one; then the menu is closed.
inline std::future<std::vector<std::wstring>> ReadMenuWhenShown(int timeoutMs = 10000)
{
    return std::async(std::launch::async, [timeoutMs] {
        std::vector<std::wstring> items;
        for (int waited = 0; waited < timeoutMs; waited += 20) {
            HWND window = FindWindowW(L"#32768", nullptr);
            if (window && IsWindowVisible(window)) {
                HMENU menu = reinterpret_cast<HMENU>(SendMessageW(window, MN_GETHMENU, 0, 0));
                for (int i = 0; i < GetMenuItemCount(menu); ++i) {
                    wchar_t text[256] = {};
                    GetMenuStringW(menu, i, text, 256, MF_BYPOSITION);
                    const UINT state = GetMenuState(menu, i, MF_BYPOSITION);
                    items.push_back(state & MF_SEPARATOR ? L"-" : std::wstring(text) + (state & MF_GRAYED ? L" (grey)" : L""));
                }
                PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 0);
                return items;
            }
            Sleep(20);
        }
        return items;
    });
}

// The row pop-up as ReadMenuWhenShown reads it, from one state per command (Poista,
// Aja, Kopioi, Avaa rekisterieditorissa, Avaa kansio): 'x' enabled, '-' grey.
inline std::vector<std::wstring> RowPopUp(const std::string& states)
{
    const wchar_t* texts[] = {L"&Poista", L"&Aja karnio-ohjelma...", L"K&opioi\tCtrl+C", L"Avaa &rekisterieditorissa", L"Avaa ka&nsio"};
    std::vector<std::wstring> items;
    for (std::size_t i = 0; i < states.size(); ++i) {
        if (i == 2 || i == 3) items.push_back(L"-");
        items.push_back(texts[i] + std::wstring(states[i] == 'x' ? L"" : L" (grey)"));
    }
    return items;
}

// Presses and lets go of the real right button at a point on the screen.
inline void RightClick(POINT screen) { ClickAt(screen, MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP); }

// Pumps this thread's messages until the watcher has seen what it waits for, ten seconds at most.
template <typename T>
void PumpUntilReady(std::future<T>& watcher)
{
    const auto deadline = GetTickCount() + 10000;
    while (watcher.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready && GetTickCount() < deadline) Pump();
}

// Presses the keys together and lets them go, through the program's own message loop.
inline void PressKeys(FrmKarnio& window, const std::vector<WORD>& keys)
{
    std::vector<INPUT> inputs;
    for (const WORD key : keys) {
        INPUT down = {};
        down.type = INPUT_KEYBOARD;
        down.ki.wVk = key;
        inputs.push_back(down);
    }
    for (auto key = keys.rbegin(); key != keys.rend(); ++key) {
        INPUT up = {};
        up.type = INPUT_KEYBOARD;
        up.ki.wVk = *key;
        up.ki.dwFlags = KEYEVENTF_KEYUP;
        inputs.push_back(up);
    }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    // Until the program has taken the keys down and up again: on a loaded machine that takes a while.
    bool seenDown = false;
    for (int i = 0; i < 300; ++i) {
        Pump([&](MSG& message) {
            if (message.message == WM_KEYDOWN && message.wParam == keys.back()) seenDown = true;
            return window.PreTranslateMessage(message);
        });
        if (seenDown && i >= 10 && !(GetKeyState(keys.front()) & 0x8000)) break;
        Sleep(10);
    }
}

// "&Poista" chosen from the pop-up menu, opened from the keyboard, of the row that shows text.
inline void DeleteFromPopUp(HWND list, const std::wstring& text)
{
    const int item = FindRow(list, text);
    ASSERT_GE(item, 0) << Narrow(text);
    ClickRow(list, item);
    auto chooser = CloseMenuWhenShown({VK_DOWN, VK_RETURN});
    SendMessageW(list, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list), MAKELPARAM(-1, -1));
    ASSERT_TRUE(chooser.get());
    Pump();
}

// Records every change of the application cursor.
class CursorLog {
public:
    CursorLog() { SetAppCursorObserver([this](AppCursor cursor) { changes.push_back(cursor); }); }
    ~CursorLog() { SetAppCursorObserver(nullptr); }
    std::vector<AppCursor> changes;
};

// Records the shell calls instead of making them; no desktop shell answers, or
// one made of these steps.
struct ShellCall {
    HWND owner;
    std::wstring verb, file, parameters, folder;
    int show;
};
std::vector<ShellCall>& RecordedShellCalls();
void RecordShellCalls(std::vector<DesktopStep> desktopSteps = {});

}  // namespace karnio::test
