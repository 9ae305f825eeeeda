// Karnio's start: the main window, filled from the registry, and its message loop.
#include "app/main_loop.h"
#include "registry/windows_registry.h"
#include "ui/main/frmKarnio.h"

#include <commctrl.h>
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int showCommand)
{
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);

    karnio::WindowsRegistry registry;
    karnio::FrmKarnio frmKarnio(registry);
    if (!frmKarnio.Create(showCommand)) return 1;
    return karnio::RunMessageLoop(frmKarnio);
}
