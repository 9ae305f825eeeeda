// Prints how long the main window takes to open filled from Uninstall keys of
// 1,000, 5,000 and 20,000 subkeys, beside the registry reads alone and Wine's
// own "reg query /s" of the same key, and the window's own share of a rebuild
// (rows, sorting, painting) timed on its own. A program that prints figures, not a test.
#include "app/text.h"
#include "catalogue/uninstall_list.h"
#include "registry/windows_registry.h"
#include "ui/main/frmKarnio.h"
#include "ui/main/listview_sink.h"

#include <commctrl.h>
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

// Keeps what the list builder said, to say it again to the real list views.
class RecordedSink final : public karnio::ListSink {
public:
    struct Row {
        std::string key, text, command;
    };
    std::vector<Row> rows;

    void RemoveAll() override { rows.clear(); }
    std::size_t AddRow(const std::string& key, const std::string& text) override
    {
        rows.push_back({key, text, ""});
        return rows.size() - 1;
    }
    void SetSubItem1(std::size_t row, const std::string& text) override { rows[row].command = text; }

    void ReplayInto(karnio::ListViewSink& sink) const
    {
        sink.RemoveAll();
        for (const Row& row : rows) sink.SetSubItem1(sink.AddRow(row.key, row.text), row.command);
    }
};

// The window's own share of a rebuild: rows, sorting and painting, without the registry.
double FillAndPaint(HWND window, HWND programsList, HWND hiddenList, const RecordedSink& programs,
                    const RecordedSink& hidden)
{
    const auto start = Clock::now();
    karnio::ListViewSink programsSink(programsList), hiddenSink(hiddenList);
    programsSink.SetSorted(true);
    hiddenSink.SetSorted(true);
    for (HWND list : {programsList, hiddenList}) SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    programs.ReplayInto(programsSink);
    hidden.ReplayInto(hiddenSink);
    programsSink.Show();
    hiddenSink.Show();
    for (HWND list : {programsList, hiddenList}) {
        SendMessageW(list, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(list, nullptr, TRUE);
    }
    UpdateWindow(window);
    return Seconds(start);
}

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
    std::printf("| subkeys | registry reads (s) | window opened (s) | lists rebuilt (s) | window's own (s) | own / reads | reg query /s (s) |\n");
    std::printf("|---:|---:|---:|---:|---:|---:|---:|\n");
    for (int count : {1000, 5000, 20000}) {
        Fill(count);
        // Each figure is the best of three runs, which keeps other load out of it.
        double reads = 1e9, rebuilt = 1e9, own = 1e9, opened = 0;
        RecordedSink programs, hidden;
        for (int run = 0; run < 3; ++run) {
            const auto start = Clock::now();
            karnio::ListaaOhjelmat(registry, programs, hidden);
            reads = std::min(reads, Seconds(start));
        }
        {
            karnio::FrmKarnio window(registry);
            auto start = Clock::now();
            window.Create(SW_SHOWNORMAL);
            MSG message;
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
            UpdateWindow(window.Hwnd());
            opened = Seconds(start);
            // The same walk into the real list views, sorted and painted.
            for (int run = 0; run < 3; ++run) {
                start = Clock::now();
                window.ListaaOhjelmat();
                UpdateWindow(window.Hwnd());
                rebuilt = std::min(rebuilt, Seconds(start));
                own = std::min(own, FillAndPaint(window.Hwnd(), window.LvwOhjelmat(), window.LvwOhjelmat2(), programs, hidden));
            }
        }  // closing the window is not timed: Wine waits up to 2 s for X to withdraw it
        std::printf("| %d | %.2f | %.2f | %.2f | %.3f | %.2f | %.2f |\n", count, reads, opened, rebuilt, own,
                    own / reads, RegQuery());
        std::fflush(stdout);
    }
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, karnio::Wide(karnio::kUninstallPath).c_str());
    return 0;
}
