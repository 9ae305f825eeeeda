// The window menu of a fixed-size window, as Windows shows it on the title bar,
// for a right click or Shift+F10 elsewhere in the window.
#pragma once

#include <windows.h>

namespace karnio {

// At a point on the screen; (-1, -1), from the keyboard, at the client area's corner.
void ShowWindowMenu(HWND window, int x, int y);

}  // namespace karnio
