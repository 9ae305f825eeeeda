#include "ui/common/cursor.h"

namespace karnio {

namespace {

struct State {
    AppCursor cursor = AppCursor::Default;
    std::function<void(AppCursor)> observer;
};

State& Current()
{
    static State state;
    return state;
}

// Lets the window under the mouse choose its cursor again, as after a mouse move.
void RefreshCursor()
{
    POINT point;
    if (!GetCursorPos(&point)) return;
    HWND window = WindowFromPoint(point);
    if (!window || GetWindowThreadProcessId(window, nullptr) != GetCurrentThreadId()) {
        SetCursor(LoadCursorW(nullptr, IDC_ARROW));
        return;
    }
    const LRESULT hit = SendMessageW(window, WM_NCHITTEST, 0, MAKELPARAM(point.x, point.y));
    if (!SendMessageW(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(window), MAKELPARAM(hit, WM_MOUSEMOVE)))
        SetCursor(LoadCursorW(nullptr, IDC_ARROW));
}

}  // namespace

void SetAppCursor(AppCursor cursor)
{
    State& state = Current();
    state.cursor = cursor;
    if (cursor == AppCursor::Wait)
        SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    else
        RefreshCursor();
    if (state.observer) state.observer(cursor);
}

AppCursor CurrentAppCursor() { return Current().cursor; }

bool HonourAppCursor()
{
    if (Current().cursor != AppCursor::Wait) return false;
    SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    return true;
}

void SetAppCursorObserver(std::function<void(AppCursor)> observer) { Current().observer = std::move(observer); }

}  // namespace karnio
