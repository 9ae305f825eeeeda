// Prints how long the main window takes to open filled from the three Uninstall
// keys holding 1,000, 5,000 and 20,000 subkeys in all, beside the registry reads
// alone and Wine's own "reg query /s" of the native key, the window's own share
// of a rebuild (rows, sorting, painting) and the leftover checks, each timed on
// its own; and a delete of 1,000 chosen rows out of 20,000 in one go, against
// one rebuild plus the same 1,000 deletes and copies timed alone. A program that
// prints figures, not a test.
#include "catalogue/deleted_entry.h"
#include "catalogue/undo.h"
#include "catalogue/uninstall_list.h"
#include "registry/windows_registry.h"
#include "ui/common/common_controls.h"
#include "ui/common/text.h"
#include "ui/main/frmKarnio.h"
#include "ui/main/listview_sink.h"
#include "ui/resources/resource.h"

#include <commctrl.h>
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cwchar>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

// Keeps what the list builder said, to say it again to the real list views.
class RecordedSink final : public karnio::ListSink {
public:
    struct Row {
        karnio::UninstallSource source;
        std::string key, text, command;
    };
    std::vector<Row> rows;

    void RemoveAll() override { rows.clear(); }
    std::size_t AddRow(karnio::UninstallSource source, const std::string& key, const std::string& text) override
    {
        rows.push_back({source, key, text, ""});
        return rows.size() - 1;
    }
    void SetSubItem1(std::size_t row, const std::string& text) override { rows[row].command = text; }

    void ReplayInto(karnio::ListViewSink& sink) const
    {
        sink.RemoveAll();
        for (const Row& row : rows) sink.SetSubItem1(sink.AddRow(row.source, row.key, row.text), row.command);
    }
};

// The window's own share of a rebuild: rows, sorting and painting, without the
// registry; *checks is the time the leftover checks of those rows took.
double FillAndPaint(karnio::Registry& registry, HWND window, HWND programsList, HWND hiddenList, const RecordedSink& programs,
                    const RecordedSink& hidden, double* checks)
{
    auto start = Clock::now();
    karnio::ListViewSink programsSink(programsList), hiddenSink(hiddenList);
    programsSink.SetSorted(true);
    hiddenSink.SetSorted(true);
    for (HWND list : {programsList, hiddenList}) SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    programs.ReplayInto(programsSink);
    hidden.ReplayInto(hiddenSink);
    const double replayed = Seconds(start);
    start = Clock::now();
    karnio::MarkLeftovers(registry, programsSink, hiddenSink, nullptr);
    *checks = Seconds(start);
    start = Clock::now();
    programsSink.Show();
    hiddenSink.Show();
    for (HWND list : {programsList, hiddenList}) {
        SendMessageW(list, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(list, nullptr, TRUE);
    }
    UpdateWindow(window);
    return replayed + Seconds(start);
}

// The three Uninstall keys: HKLM native, HKLM 32-bit view, HKCU.
struct Source {
    HKEY root;
    REGSAM view;
};
const Source kSources[] = {{HKEY_LOCAL_MACHINE, 0}, {HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY}, {HKEY_CURRENT_USER, 0}};

void Clear()
{
    for (const Source& source : kSources) {
        HKEY parent = nullptr;
        RegCreateKeyExW(source.root, L"Software\\Microsoft\\Windows\\CurrentVersion", 0, nullptr, 0,
                        KEY_ALL_ACCESS | source.view, nullptr, &parent, nullptr);
        RegDeleteTreeW(parent, L"Uninstall");
        RegCloseKey(parent);
    }
}

// An uninstall command of each kind the leftover checks meet, in turns: a
// program that is there, one that is gone, a Windows Installer product code
// (none of them installed) and a bare name found in the system folder.
std::wstring Command(int i, const std::wstring& name)
{
    const std::wstring number = std::to_wstring(i);
    switch (i % 4) {
    case 0:
        return L"\"C:\\karnio-bench\\" + number + L"\\poista.exe\" /S";
    case 1:
        return L"MsiExec.exe /X{" + std::wstring(8 - std::min<std::size_t>(8, number.size()), L'0') + number +
               L"-1234-4321-ABCD-0123456789AB}";
    case 2:
        return L"C:\\Program Files\\Poistettu " + number + L"\\unins000.exe";
    default:
        return L"rundll32.exe shell32.dll,Control_RunDLL " + name;
    }
}

// The programs that are there: the uninstallers of the first kind.
void MakeUninstallers(int count)
{
    for (int i = 0; i < count; i += 4) {
        const std::wstring folder = L"C:\\karnio-bench\\" + std::to_wstring(i);
        CreateDirectoryW(L"C:\\karnio-bench", nullptr);
        CreateDirectoryW(folder.c_str(), nullptr);
        CloseHandle(CreateFileW((folder + L"\\poista.exe").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    }
}

// count subkeys in all, spread over the three sources as on a real machine: half
// native, a third in the 32-bit view, the rest per user. One in twenty is a
// Windows Installer product's own entry, named by its code (none installed).
void Fill(int count)
{
    const std::wstring root = karnio::Wide(karnio::kUninstallPath);
    Clear();
    MakeUninstallers(count);
    for (int i = 0; i < count; ++i) {
        const Source& source = kSources[i % 6 < 3 ? 0 : i % 6 < 5 ? 1 : 2];
        HKEY key = nullptr;
        wchar_t code[40];
        std::swprintf(code, 40, L"{%08X-0000-4000-8000-00AA00BB00CC}", i);
        const std::wstring name = i % 20 == 7 ? code : L"{BENCH-" + std::to_wstring((i * 7919) % count) + L"}";
        RegCreateKeyExW(source.root, (root + name).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | source.view, nullptr, &key,
                        nullptr);
        const std::wstring display = L"Ohjelma " + std::to_wstring(i * 31 % count);
        const std::wstring command = Command(i, name);
        RegSetValueExW(key, L"DisplayName", 0, REG_SZ, reinterpret_cast<const BYTE*>(display.c_str()),
                       static_cast<DWORD>((display.size() + 1) * 2));
        if (i % 5) RegSetValueExW(key, L"UninstallString", 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                                  static_cast<DWORD>((command.size() + 1) * 2));
        const DWORD one = 1;
        if (i % 20 == 7) RegSetValueExW(key, L"WindowsInstaller", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), sizeof one);
        RegCloseKey(key);
    }
}

// Wine's own "reg query /s" of the three keys, one after another.
double RegQuery()
{
    const wchar_t* const keys[] = {L"HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\" /s",
                                   L"HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\" /s /reg:32",
                                   L"HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\" /s"};
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE nul = CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = startup.hStdError = nul;
    double elapsed = 0;
    for (const wchar_t* key : keys) {
        std::wstring line = L"reg.exe query \"" + std::wstring(key);
        PROCESS_INFORMATION process = {};
        const auto start = Clock::now();
        if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                            &process))
            return -1;
        WaitForSingleObject(process.hProcess, INFINITE);
        elapsed += Seconds(start);
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
    }
    CloseHandle(nul);
    return elapsed;
}

}  // namespace

int main()
{
    karnio::LoadCommonControls();
    karnio::WindowsRegistry registry;
    {
        // Wine starts its desktop with the first window; keep that out of the figures.
        Fill(0);
        karnio::FrmKarnio warmUp(registry);
        warmUp.Create(SW_SHOWNORMAL);
    }
    std::printf("| subkeys | registry reads (s) | window opened (s) | opened / reads | lists rebuilt (s) | window's own (s) "
                "| own / reads | checks (s) | checks / reads | reg query /s (s) |\n");
    std::printf("|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n");
    for (int count : {1000, 5000, 20000}) {
        Fill(count);
        // Each figure is the best of three runs, which keeps other load out of it.
        double reads = 1e9, rebuilt = 1e9, own = 1e9, checks = 1e9, opened = 1e9;
        RecordedSink programs, hidden;
        for (int run = 0; run < 3; ++run) {
            auto start = Clock::now();
            karnio::ListaaOhjelmat(registry, programs, hidden);
            reads = std::min(reads, Seconds(start));

            karnio::FrmKarnio window(registry);
            start = Clock::now();
            window.Create(SW_SHOWNORMAL);
            MSG message;
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
            UpdateWindow(window.Hwnd());
            opened = std::min(opened, Seconds(start));
            // The same walk into the real list views, sorted and painted.
            start = Clock::now();
            window.ListaaOhjelmat();
            UpdateWindow(window.Hwnd());
            rebuilt = std::min(rebuilt, Seconds(start));
            double checked = 0;
            own = std::min(own, FillAndPaint(registry, window.Hwnd(), window.LvwOhjelmat(), window.LvwOhjelmat2(), programs,
                                             hidden, &checked));
            checks = std::min(checks, checked);
        }  // closing the window is not timed: Wine waits up to 2 s for X to withdraw it
        std::printf("| %d | %.2f | %.2f | %.2f | %.2f | %.3f | %.2f | %.3f | %.3f | %.2f |\n", count, reads, opened,
                    opened / reads, rebuilt, own, own / reads, checks, checks / reads, RegQuery());
        std::fflush(stdout);
    }
    // 1,000 rows of the 20,000 chosen and deleted with one Del: their deletes and
    // copies and one rebuild, against those timed alone, the best of three.
    double batch = 1e9, rebuild = 1e9, alone = 1e9;
    for (int run = 0; run < 3; ++run) {
        karnio::FrmKarnio window(registry);
        window.Create(SW_SHOWNORMAL);
        HWND list = window.LvwOhjelmat();
        SetFocus(list);
        for (int item = 0; item < 1000; ++item) ListView_SetItemState(list, item * 10, LVIS_SELECTED, LVIS_SELECTED);
        MSG del = {list, WM_KEYDOWN, VK_DELETE, 1, GetTickCount()};
        // The question before a delete of several rows is answered as soon as it shows.
        std::thread yes([] {
            for (int waited = 0; waited < 60000; waited += 5, Sleep(5)) {
                if (HWND box = FindWindowW(L"#32770", L"Karnio")) {
                    PostMessageW(box, WM_COMMAND, IDYES, 0);
                    return;
                }
            }
        });
        auto start = Clock::now();
        window.PreTranslateMessage(del);
        UpdateWindow(window.Hwnd());
        yes.join();
        batch = std::min(batch, Seconds(start));
        std::vector<karnio::EntryId> entries;
        for (const karnio::PoistettuMerkinta& copy : window.Poistetut().back().copies) entries.push_back({copy.source, copy.aliavain});
        SendMessageW(window.Hwnd(), WM_COMMAND, IDM_KUMOA, 0);
        std::vector<karnio::ChosenRow> chosen;
        for (const karnio::EntryId& entry : entries) chosen.push_back({entry, *karnio::LueRivi(registry, entry.source, entry.key)});
        start = Clock::now();
        window.ListaaOhjelmat();
        UpdateWindow(window.Hwnd());
        rebuild = std::min(rebuild, Seconds(start));
        start = Clock::now();
        karnio::Deletion deletion = karnio::PoistaMerkinnat(registry, chosen);
        alone = std::min(alone, Seconds(start));
        karnio::PalautaMerkinnat(registry, {std::move(deletion.copies), std::vector<std::string>(entries.size())});
    }
    std::printf("\n| 1,000 of 20,000 deleted in one go (s) | one rebuild (s) | the deletes and copies alone (s) | ratio |\n");
    std::printf("|---:|---:|---:|---:|\n| %.2f | %.2f | %.2f | %.2f |\n", batch, rebuild, alone, batch / (rebuild + alone));
    Clear();
    return 0;
}
