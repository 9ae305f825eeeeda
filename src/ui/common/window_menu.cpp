#include "ui/common/window_menu.h"

namespace karnio {

void ShowWindowMenu(HWND window, int x, int y)
{
    if (x == -1 && y == -1) {
        POINT corner = {0, 0};
        ClientToScreen(window, &corner);
        x = corner.x;
        y = corner.y;
    }
    // A fixed-size window: only moving, minimizing, restoring a minimized one and closing apply.
    HMENU menu = GetSystemMenu(window, FALSE);
    const bool minimized = IsIconic(window);
    const auto enable = [&](UINT command, bool on) { EnableMenuItem(menu, command, MF_BYCOMMAND | (on ? MF_ENABLED : MF_GRAYED)); };
    enable(SC_RESTORE, minimized);
    enable(SC_MOVE, !minimized);
    enable(SC_SIZE, false);
    enable(SC_MINIMIZE, !minimized);
    enable(SC_MAXIMIZE, false);
    const UINT command = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, x, y, 0, window, nullptr);
    if (command) SendMessageW(window, WM_SYSCOMMAND, command, MAKELPARAM(x, y));
}

}  // namespace karnio
