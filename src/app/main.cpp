// Karnio's start: the main window, filled from the registry, and its message loop.
#include "app/main_loop.h"
#include "registry/windows_registry.h"
#include "ui/common/text.h"
#include "ui/main/frmKarnio.h"
#include "ui/resources/resource.h"

#include <commctrl.h>
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int showCommand)
{
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);

    // The registry is read through the narrow calls, which speak UTF-8 only
    // where Windows honours the manifest's code page (Windows 10 1903 on).
    if (GetACP() != CP_UTF8) {
        MessageBoxW(nullptr, karnio::LoadText(IDS_WINDOWS_VANHA).c_str(), karnio::LoadText(IDS_VIRHE).c_str(),
                    MB_OK | MB_ICONEXCLAMATION);
        return 1;
    }

    karnio::WindowsRegistry registry;
    karnio::FrmKarnio frmKarnio(registry);
    if (!frmKarnio.Create(showCommand)) return 1;
    return karnio::RunMessageLoop(frmKarnio);
}
