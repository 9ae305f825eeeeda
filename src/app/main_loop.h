#pragma once

#include "ui/main/frmKarnio.h"

namespace karnio {

// Pumps messages until WM_QUIT; the main window gets the first look at each.
inline int RunMessageLoop(FrmKarnio& window)
{
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (window.PreTranslateMessage(message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

}  // namespace karnio
