// A harmless stand-in uninstaller for trying Karnio out.
//   karnio-demo install                   fills the three Uninstall keys with demo entries
//   karnio-demo uninstall SUBKEY [32|user] asks, then removes that entry as a real uninstaller would
//   karnio-demo ... marker FILE    writes its own path to FILE, then waits for FILE.release (for tests);
//                                  "marker" may come after other arguments, so that a program started
//                                  with the wrong arguments still tells that it ran
#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

namespace {

const wchar_t kUninstall[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

std::wstring Self()
{
    wchar_t path[MAX_PATH * 4];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH * 4);
    return std::wstring(path, length);
}

void SetText(HKEY key, const wchar_t* name, const std::wstring& value, DWORD type = REG_SZ)
{
    RegSetValueExW(key, name, 0, type, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

// Where an entry lives: HKLM native, HKLM 32-bit view, HKCU.
enum Source { kMachine, kMachine32, kUser };

HKEY Root(Source source) { return source == kUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE; }
REGSAM View(Source source) { return source == kMachine32 ? KEY_WOW64_32KEY : 0; }

Source SourceNamed(const std::wstring& name) { return name == L"32" ? kMachine32 : name == L"user" ? kUser : kMachine; }

struct Entry {
    Source source;
    const wchar_t* subkey;
    const wchar_t* displayName;       // null: none
    const wchar_t* quietDisplayName;  // null: none
    std::wstring uninstall;           // "-": none
    std::wstring quietUninstall;      // "-": none
};

void SetNumber(HKEY key, const wchar_t* name, DWORD number)
{
    RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
}

// What the info tip shows beyond the key: every detail on one row, a system
// component, an update of another program, an install date stored as a number.
int AddDetails()
{
    HKEY key = nullptr;
    const auto open = [&](const wchar_t* subkey) {
        return RegCreateKeyExW(HKEY_LOCAL_MACHINE, (kUninstall + std::wstring(subkey)).c_str(), 0, nullptr, 0,
                               KEY_ALL_ACCESS, nullptr, &key, nullptr) == ERROR_SUCCESS;
    };
    if (!open(L"Kuvankatselin")) return 1;
    SetText(key, L"DisplayVersion", L"3.1.4");
    SetText(key, L"InstallDate", L"20250314");
    SetText(key, L"InstallLocation", L"C:\\Program Files\\Kuvankatselin");
    SetNumber(key, L"EstimatedSize", 48640);
    RegCloseKey(key);
    if (!open(L"Ajonaikaiset")) return 1;
    SetText(key, L"DisplayName", L"Ajonaikaiset kirjastot 2024");
    SetText(key, L"UninstallString", L"MsiExec.exe /X{0D3E9E15-DE7A-300B-96F1-B4AF12B96488}");
    SetNumber(key, L"SystemComponent", 1);
    RegCloseKey(key);
    if (!open(L"KB2468871")) return 1;
    SetText(key, L"ParentKeyName", L"Kuvankatselin");
    SetText(key, L"ParentDisplayName", L"Kuvankatselin 3.1");
    RegCloseKey(key);
    if (!open(L"Muistilaput")) return 1;
    SetNumber(key, L"InstallDate", 1733702400);  // 9 December 2024, midnight UTC
    SetText(key, L"DisplayVersion", L"1.2");
    RegCloseKey(key);
    return 0;
}

int Install()
{
    const std::wstring demo = L"\"" + Self() + L"\" uninstall ";
    const std::vector<Entry> entries = {
        {kMachine, L"Kuvankatselin", L"Kuvankatselin 3.1", nullptr, demo + L"Kuvankatselin", L"-"},
        {kMachine, L"PostClient", L"Почтовый клиент 5", nullptr, demo + L"PostClient", L"-"},
        {kMachine, L"ImageEditor", L"画像エディタ 2.0", nullptr, demo + L"ImageEditor", L"-"},
        {kMachine, L"{5B8C3F1A-2D4E-4A6B-9C0D-1E2F3A4B5C6D}", L"Tulostinajuri", nullptr,
         L"MsiExec.exe /X{5B8C3F1A-2D4E-4A6B-9C0D-1E2F3A4B5C6D}", L"-"},
        {kMachine, L"VanhaPeli", L"Vanha peli (poistettu käsin)", nullptr, L"C:\\Program Files\\Vanha peli\\poista.exe /S", L"-"},
        {kMachine, L"KB2468871", L"Päivitys KB2468871", nullptr, L"-", L"-"},
        {kMachine, L"Taustapalvelu", nullptr, L"Taustapalvelu", demo + L"Taustapalvelu", L"-"},
        {kMachine, L"{3F2504E0-4F89-11D3-9A0C-0305E82C3301}", nullptr, nullptr, L"-", L"-"},
        {kMachine, L"Muistilaput", L"Muistilaput", nullptr, demo + L"Muistilaput", L"-"},
        // 32-bit installers write to the 32-bit view; an older version of the viewer left its entry there.
        {kMachine32, L"Kuvankatselin", L"Kuvankatselin 3.1", nullptr, demo + L"Kuvankatselin 32", L"-"},
        {kMachine32, L"Äänityökalu", L"Äänityökalu 2026", nullptr, L"-", demo + L"Äänityökalu 32"},
        {kMachine32, L"Ajuripaketti", L"Ajuripaketti", nullptr, L"", demo + L"Ajuripaketti 32"},
        {kMachine32, L"VanhaSanakirja", L"Sanakirja 1998 (32-bittinen)", nullptr,
         L"C:\\Program Files (x86)\\Sanakirja\\unins000.exe", L"-"},
        {kMachine32, L"{8A69D345-D564-463C-AFF1-A69D9E530F96}", nullptr, L"Selaimen päivityspalvelu", L"-", L"-"},
        // Per-user installs.
        {kUser, L"Pelikirjasto", L"Pelikirjasto", nullptr, demo + L"Pelikirjasto user", L"-"},
        {kUser, L"Muistilaput", L"Muistilaput", nullptr, L"%LOCALAPPDATA%\\Muistilaput\\poista.exe", L"-"},
        {kUser, L"Kokousohjelma", nullptr, nullptr, L"-", L"-"},
    };
    for (const Entry& entry : entries) {
        HKEY key = nullptr;
        if (RegCreateKeyExW(Root(entry.source), (kUninstall + std::wstring(entry.subkey)).c_str(), 0, nullptr, 0,
                            KEY_ALL_ACCESS | View(entry.source), nullptr, &key, nullptr) != ERROR_SUCCESS)
            return 1;
        if (entry.displayName) SetText(key, L"DisplayName", entry.displayName);
        if (entry.quietDisplayName) SetText(key, L"QuietDisplayName", entry.quietDisplayName);
        if (entry.uninstall != L"-")
            SetText(key, L"UninstallString", entry.uninstall,
                    entry.uninstall.find(L'%') != std::wstring::npos ? REG_EXPAND_SZ : REG_SZ);
        if (entry.quietUninstall != L"-") SetText(key, L"QuietUninstallString", entry.quietUninstall);
        SetText(key, L"Publisher", L"Karnio-esittely");
        RegCloseKey(key);
    }
    return AddDetails();
}

int Uninstall(const std::wstring& subkey, Source source)
{
    const std::wstring question = L"Poistetaanko esittelyohjelma \"" + subkey +
                                  L"\"?\n\nMitään ei poisteta levyltä; vain ohjelman rekisterimerkintä häviää.";
    if (MessageBoxW(nullptr, question.c_str(), L"Karnio-esittely", MB_YESNO | MB_ICONQUESTION) != IDYES) return 1;
    RegDeleteKeyExW(Root(source), (kUninstall + subkey).c_str(), View(source), 0);
    MessageBoxW(nullptr, L"Poistettu. Päivitä Karnion luettelot (F5).", L"Karnio-esittely", MB_OK | MB_ICONINFORMATION);
    return 0;
}

int Marker(const std::wstring& file)
{
    HANDLE handle = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return 1;
    const std::wstring self = Self();
    DWORD written = 0;
    WriteFile(handle, self.c_str(), static_cast<DWORD>(self.size() * sizeof(wchar_t)), &written, nullptr);
    CloseHandle(handle);
    // A caller that waited for us would hang here: the test releases us only afterwards.
    const std::wstring release = file + L".release";
    for (int i = 0; i < 300 && GetFileAttributesW(release.c_str()) == INVALID_FILE_ATTRIBUTES; ++i) Sleep(100);
    return 0;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    int count = 0;
    wchar_t** args = CommandLineToArgvW(GetCommandLineW(), &count);
    const std::wstring verb = count > 1 ? args[1] : L"";
    const std::wstring argument = count > 2 ? args[2] : L"";
    const Source source = SourceNamed(count > 3 ? args[3] : L"");
    std::wstring marker;
    for (int i = 1; i + 1 < count && marker.empty(); ++i)
        if (std::wstring(args[i]) == L"marker") marker = args[i + 1];
    LocalFree(args);
    if (verb == L"install") return Install();
    if (verb == L"uninstall") return Uninstall(argument, source);
    if (!marker.empty()) return Marker(marker);
    return 2;
}
