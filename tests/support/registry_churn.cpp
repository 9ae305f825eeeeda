// A second process that changes the three Uninstall keys while Karnio reads
// them, as uninstallers do: it adds and deletes subkeys in a loop until the
// stop file shows up, or for a minute at most.
//   karnio-churn STOPFILE
#include <windows.h>

#include <string>

namespace {

const wchar_t kUninstall[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

struct Source {
    HKEY root;
    REGSAM view;
};
const Source kSources[] = {{HKEY_LOCAL_MACHINE, 0}, {HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY}, {HKEY_CURRENT_USER, 0}};

void SetText(HKEY key, const wchar_t* name, const std::wstring& value)
{
    RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2) return 2;
    const std::wstring stop = argv[1];
    const DWORD deadline = GetTickCount() + 60000;
    int changes = 0;
    for (int i = 0; GetFileAttributesW(stop.c_str()) == INVALID_FILE_ATTRIBUTES && GetTickCount() < deadline; ++i) {
        const Source& source = kSources[i % 3];
        const std::wstring name = L"Muuttuva " + std::to_wstring(i % 40);
        HKEY key = nullptr;
        if (RegCreateKeyExW(source.root, (kUninstall + name).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | source.view, nullptr,
                            &key, nullptr) == ERROR_SUCCESS) {
            SetText(key, L"DisplayName", L"Muuttuva ohjelma " + std::to_wstring(i));
            if (i % 2) SetText(key, L"UninstallString", L"muuttuva.exe /" + std::to_wstring(i));
            RegCloseKey(key);
        }
        const std::wstring gone = L"Muuttuva " + std::to_wstring((i + 17) % 40);
        RegDeleteKeyExW(source.root, (kUninstall + gone).c_str(), source.view, 0);
        changes += 2;
        if (i % 50 == 0) Sleep(1);
    }
    return changes > 0 ? 0 : 1;
}
