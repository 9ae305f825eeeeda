// Prints how long the main window takes to open filled from Uninstall keys of
// 1,000, 5,000 and 20,000 subkeys, beside the registry reads alone and Wine's
// own "reg query /s" of the same key. A program that prints figures, not a test.
#include "app/text.h"
#include "catalogue/uninstall_list.h"
#include "registry/windows_registry.h"
#include "ui/main/frmKarnio.h"

#include <commctrl.h>
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

class NullSink final : public karnio::ListSink {
public:
    void RemoveAll() override {}
    std::size_t AddRow(const std::string&, const std::string&) override { return 0; }
    void SetSubItem1(std::size_t, const std::string&) override {}
};

void Fill(int count)
{
    const std::wstring root = karnio::Wide(karnio::kUninstallPath);
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, root.c_str());
    for (int i = 0; i < count; ++i) {
        HKEY key = nullptr;
        const std::wstring name = L"{BENCH-" + std::to_wstring((i * 7919) % count) + L"}";
        RegCreateKeyW(HKEY_LOCAL_MACHINE, (root + name).c_str(), &key);
        const std::wstring display = L"Ohjelma " + std::to_wstring(i * 31 % count);
        const std::wstring command = L"MsiExec.exe /X" + name;
        RegSetValueExW(key, L"DisplayName", 0, REG_SZ, reinterpret_cast<const BYTE*>(display.c_str()),
                       static_cast<DWORD>((display.size() + 1) * 2));
        if (i % 5) RegSetValueExW(key, L"UninstallString", 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                                  static_cast<DWORD>((command.size() + 1) * 2));
        RegCloseKey(key);
    }
}

double RegQuery()
{
    wchar_t line[] = L"reg.exe query \"HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\" /s";
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE nul = CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = startup.hStdError = nul;
    PROCESS_INFORMATION process = {};
    const auto start = Clock::now();
    if (!CreateProcessW(nullptr, line, nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr, &startup, &process))
        return -1;
    WaitForSingleObject(process.hProcess, INFINITE);
    const double elapsed = Seconds(start);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    CloseHandle(nul);
    return elapsed;
}

}  // namespace

int main()
{
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    karnio::WindowsRegistry registry;
    {
        // Wine starts its desktop with the first window; keep that out of the figures.
        Fill(0);
        karnio::FrmKarnio warmUp(registry);
        warmUp.Create(SW_SHOWNORMAL);
    }
    std::printf("| subkeys | registry reads (s) | window opened (s) | window's own (s) | own / reads | reg query /s (s) |\n");
    std::printf("|---:|---:|---:|---:|---:|---:|\n");
    for (int count : {1000, 5000, 20000}) {
        Fill(count);
        NullSink a, b;
        auto start = Clock::now();
        karnio::ListaaOhjelmat(registry, a, b);
        const double reads = Seconds(start);

        start = Clock::now();
        {
            karnio::FrmKarnio window(registry);
            window.Create(SW_SHOWNORMAL);
            MSG message;
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
            UpdateWindow(window.Hwnd());
        }
        const double opened = Seconds(start);
        const double own = opened - reads;
        std::printf("| %d | %.2f | %.2f | %.2f | %.2f | %.2f |\n", count, reads, opened, own, own / reads, RegQuery());
        std::fflush(stdout);
    }
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, karnio::Wide(karnio::kUninstallPath).c_str());
    return 0;
}
