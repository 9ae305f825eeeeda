// The application-wide cursor. Windows has none: each window picks its cursor
// on WM_SETCURSOR, so every window of the program asks HonourAppCursor first.
#pragma once

#include <windows.h>

#include <functional>

namespace karnio {

enum class AppCursor { Default = 0, Wait = 11 };

void SetAppCursor(AppCursor cursor);
AppCursor CurrentAppCursor();

// For WM_SETCURSOR: shows the wait cursor and returns true while the program is busy.
bool HonourAppCursor();

// Lets tests follow every change of the cursor.
void SetAppCursorObserver(std::function<void(AppCursor)> observer);

}  // namespace karnio
