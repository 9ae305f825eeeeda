// Karnio's start: the main window, filled from the registry, and its message loop.
#include "app/main_loop.h"
#include "registry/windows_registry.h"
#include "registry/unicode.h"
#include "ui/common/common_controls.h"
#include "ui/common/desktop_user.h"
#include "ui/common/text.h"
#include "ui/main/frmKarnio.h"
#include "ui/resources/resource.h"

#include <objbase.h>
#include <windows.h>

namespace {

// COM for this thread, as the desktop's shell is reached through it.
class ComApartment {
public:
    ComApartment() : initialised_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))) {}
    ~ComApartment()
    {
        if (initialised_) CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

private:
    bool initialised_;
};

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int showCommand)
{
    // Elevated, Karnio loads no DLL from its own folder: what it imports are known
    // system DLLs, and the rest comes from the system folder only.
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    // Not imported: loaded only now, so that nothing of it comes from Karnio's folder.
    if (!karnio::LoadCommonControls()) return 1;
    const ComApartment com;

    // The registry is read through the narrow calls, which speak UTF-8 only
    // where Windows honours the manifest's code page (Windows 10 1903 on).
    if (GetACP() != CP_UTF8) {
        MessageBoxW(nullptr, karnio::LoadText(IDS_WINDOWS_VANHA).c_str(), karnio::LoadText(IDS_VIRHE).c_str(),
                    MB_OK | MB_ICONEXCLAMATION);
        return 1;
    }

    // The per-user entries are the desktop user's, when Karnio runs with another person's password.
    const karnio::PerUser perUser = karnio::FindDesktopUser();
    karnio::WindowsRegistry registry(perUser.desktopUser ? karnio::Utf16(perUser.desktopUser->sid) : u"");
    karnio::FrmKarnio frmKarnio(registry, &perUser);
    if (!frmKarnio.Create(showCommand)) return 1;
    return karnio::RunMessageLoop(frmKarnio);
}
