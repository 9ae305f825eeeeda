// Long use of the real window, and a registry that changes underneath it.
// Programs that print their figures; what they assert is only that nothing
// leaks and nothing hangs, never how fast it went.
#include "ui/about/frmTietoja.h"
#include "ui/main/frmKarnio.h"

#include "registry/mdlKarnio.h"
#include "registry/memory_registry.h"
#include "registry/unicode.h"
#include "registry/windows_registry.h"
#include "support/entry_values.h"
#include "support/process_resources.h"
#include "support/vector_sink.h"
#include "ui/resources/resource.h"
#include "ui/ui_support.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <map>

namespace karnio {
namespace {

using test::ListRow;
using test::Pump;
using Clock = std::chrono::steady_clock;

// A round ends where it began: what it made, it freed. Wine and Windows may
// keep a cache object or two of their own; more than this is a leak.
constexpr long kSlack = 2;

double Since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

std::string Text(const test::ProcessResources& counts)
{
    return "GDI " + std::to_string(counts.gdi) + ", USER " + std::to_string(counts.user) + ", kernel " +
           std::to_string(counts.kernel);
}

void ExpectBackToLevel(const test::ProcessResources& level, const test::ProcessResources& now)
{
    EXPECT_LE(now.gdi, level.gdi + kSlack);
    EXPECT_LE(now.user, level.user + kSlack);
    EXPECT_LE(now.kernel, level.kernel + kSlack);
}

// What the test wrote, read back: each entry's values and its subkeys', as text, by source and subkey.
using Written = std::map<std::pair<UninstallSource, std::string>, std::vector<std::string>>;

std::string WideLine(const std::string& path, const std::string& name, const std::string& text)
{
    std::vector<unsigned char> data;
    for (const char16_t unit : Utf16(text) + u'\0') data.insert(data.end(), {static_cast<unsigned char>(unit), static_cast<unsigned char>(unit >> 8)});
    return path + test::Describe({{Utf16(name), kRegSz, data}}).front();
}

// About 2,000 entries over the three keys, as a well-used machine has them; every tenth has a subkey.
Written FillSoakTree(MemoryRegistry& registry)
{
    Written written;
    for (int i = 0; i < 2000; ++i) {
        const UninstallSource source = kUninstallSources[i % 6 < 3 ? 0 : i % 6 < 5 ? 1 : 2];
        const std::string subkey = "{SOAK-" + std::to_string(i * 7919 % 2000) + "}";
        const std::string path = std::string(kUninstallPath) + subkey;
        auto& lines = written[{source, subkey}];
        const auto set = [&](const std::string& below, const std::string& name, const std::string& text) {
            registry.SetString(RootOf(source), path + below, name, text, ViewOf(source));
            lines.push_back(WideLine(below.empty() ? "" : below.substr(1) + "\\", name, text));
        };
        registry.CreateKey(RootOf(source), path, ViewOf(source));
        set("", i % 7 ? "DisplayName" : "QuietDisplayName", (i % 7 ? "Ohjelma " : "Hiljainen ") + std::to_string(i));
        if (i % 4) set("", "UninstallString", "MsiExec.exe /X" + subkey);
        if (i % 10 == 0) set("\\Osa", "Arvo", "osa " + std::to_string(i));
        std::sort(lines.begin(), lines.end());
    }
    return written;
}

// An entry and every key below it as the test reads it back through the wide calls, not the program's copy.
std::vector<std::string> ReadEntry(Registry& registry, UninstallSource source, const std::u16string& path,
                                   const std::string& below = "")
{
    std::vector<std::string> lines;
    RegKey key = 0;
    if (registry.OpenKeyExW(RootOf(source), path.c_str(), ViewOf(source), &key) != kErrorSuccess) return lines;
    std::vector<RegistryValue> values;
    std::vector<std::u16string> subkeys;
    std::vector<unsigned char> data(200000);
    char16_t name[256];
    for (std::uint32_t index = 0, length = 256, type = 0, size = 200000;
         registry.EnumValueW(key, index, name, &length, &type, data.data(), &size) == kErrorSuccess;
         ++index, length = 256, size = 200000)
        values.push_back({std::u16string(name, length), type, {data.begin(), data.begin() + size}});
    for (std::uint32_t index = 0, length = 256; registry.EnumKeyExW(key, index, name, &length) == kErrorSuccess; ++index, length = 256)
        subkeys.emplace_back(name, length);
    registry.CloseKey(key);
    for (const std::string& line : test::Describe(values)) lines.push_back(below + line);
    for (const std::u16string& subkey : subkeys)
        for (const std::string& line : ReadEntry(registry, source, path + u"\\" + subkey, below + Utf8(subkey) + "\\"))
            lines.push_back(line);
    std::sort(lines.begin(), lines.end());
    return lines;
}

void ExpectAsWritten(Registry& registry, const Written& written)
{
    for (const auto& [entry, lines] : written)
        EXPECT_EQ(ReadEntry(registry, entry.first, Utf16(kUninstallPath + entry.second)), lines) << entry.second;
}

// Deletes the chosen row of the programs list (forgetting it as written) with the program's command.
void DeleteChosen(FrmKarnio& window, Written& written)
{
    written.erase({window.Lahde(), window.StrAvain()});
    SendMessageW(window.Hwnd(), WM_COMMAND, IDM_POISTA, 0);
    Pump();
}

// Deletes rows of the programs list and brings each back with Ctrl+Z's command;
// the registry must then hold exactly what the test wrote.
int DeleteAndRestore(FrmKarnio& window, Registry& registry, const Written& written, int cycles, int firstRow)
{
    const std::size_t undoable = window.Poistetut().size();
    for (int i = 0; i < cycles; ++i) {
        test::SelectRow(window.LvwOhjelmat(), firstRow + i * 7);
        const std::u16string path = Utf16(kUninstallPath + window.StrAvain());
        SendMessageW(window.Hwnd(), WM_COMMAND, IDM_POISTA, 0);
        EXPECT_TRUE(ReadEntry(registry, window.Lahde(), path).empty());
        SendMessageW(window.Hwnd(), WM_COMMAND, IDM_KUMOA, 0);
        Pump();
    }
    ExpectAsWritten(registry, written);
    EXPECT_EQ(window.Poistetut().size(), undoable);
    return cycles;
}

// The counts would see a leak: one more font, menu and open key each show.
TEST(Soak, CountsSeeWhatIsMadeAndFreed)
{
    const test::ProcessResources before = test::CountProcessResources();
    UniqueFont font = CreateUiFont(96);
    UniqueMenu menu(CreatePopupMenu());
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyW(HKEY_LOCAL_MACHINE, L"Software", &key), ERROR_SUCCESS);
    const test::ProcessResources during = test::CountProcessResources();
    RegCloseKey(key);
    font.reset();
    menu.reset();
    const test::ProcessResources after = test::CountProcessResources();
    EXPECT_EQ(during.gdi, before.gdi + 1);
    EXPECT_EQ(during.user, before.user + 1);
    EXPECT_EQ(during.kernel, before.kernel + 1);
    EXPECT_EQ(after.gdi, before.gdi);
    EXPECT_EQ(after.user, before.user);
    EXPECT_EQ(after.kernel, before.kernel);
}

TEST(Soak, LongUseLeaksNothing)
{
    MemoryRegistry registry;
    Written written = FillSoakTree(registry);
    test::ClearUninstallKeys();
    FrmKarnio window(registry);
    ASSERT_TRUE(window.Create(SW_SHOWNORMAL));
    SetForegroundWindow(window.Hwnd());
    Pump();
    const auto command = [&](int id) {
        SendMessageW(window.Hwnd(), WM_COMMAND, id, 0);
        Pump();
    };

    int rebuilds = 0, popUps = 0, clicks = 0, abouts = 0, deletes = 0, handCursors = 0, undone = 0;
    test::ProcessResources level;
    const auto start = Clock::now();
    for (int round = 0; round < 10; ++round) {
        for (int i = 0; i < 30; ++i, ++rebuilds) command(IDM_PAIVITA);
        for (int i = 0; i < 20; ++i, ++popUps) {
            HWND list = i % 2 ? window.LvwOhjelmat2() : window.LvwOhjelmat();
            auto closer = test::CloseMenuWhenShown();
            SendMessageW(list, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list), MAKELPARAM(-1, -1));
            ASSERT_TRUE(closer.get());
            Pump();
        }
        for (int i = 0; i < 30; ++i, ++clicks) {
            HWND list = i % 3 ? window.LvwOhjelmat() : window.LvwOhjelmat2();
            const int row = (round * 30 + i) % 40;
            if (i % 6 == 0)
                test::ClickRow(list, row % 10);
            else
                test::SelectRow(list, row);
        }
        for (int i = 0; i < 10; ++i, ++abouts) {
            test::WithAboutWindow(window.Hwnd(), [&](HWND about) {
                HWND link = GetDlgItem(about, FrmTietoja::kIdLblTiedotteet);
                SetCursor(LoadCursorW(nullptr, IDC_ARROW));
                SendMessageW(about, WM_SETCURSOR, reinterpret_cast<WPARAM>(link), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
                handCursors += GetCursor() == reinterpret_cast<HCURSOR>(SendDlgItemMessageW(
                                                  about, FrmTietoja::kIdPSormikursori, STM_GETIMAGE, IMAGE_CURSOR, 0));
                SendMessageW(about, WM_COMMAND, IDOK, 0);
            });
        }
        for (int i = 0; i < 5; ++i, ++deletes) {
            test::SelectRow(window.LvwOhjelmat(), i * 7);
            DeleteChosen(window, written);
        }
        undone += DeleteAndRestore(window, registry, written, 5, round);
        if (round == 0) level = test::CountProcessResources();
    }
    const double seconds = Since(start);
    const test::ProcessResources now = test::CountProcessResources();
    std::printf("soak (%s): %d rebuilds of %d rows, %d pop-up menus, %d row clicks, %d About windows, %d deletes, "
                "%d deletes undone in %.1f s\n",
                now.how.c_str(), rebuilds, ListView_GetItemCount(window.LvwOhjelmat()) + ListView_GetItemCount(window.LvwOhjelmat2()),
                popUps, clicks, abouts, deletes, undone, seconds);
    std::printf("soak: after the first round %s; after the last %s (slack %ld)\n", Text(level).c_str(), Text(now).c_str(), kSlack);
    EXPECT_EQ(handCursors, abouts);
    EXPECT_EQ(ListView_GetItemCount(window.LvwOhjelmat()) + ListView_GetItemCount(window.LvwOhjelmat2()), 2000 - deletes);
    EXPECT_EQ(registry.OpenHandleCount(), 0u);
    ExpectBackToLevel(level, now);
    SetAppCursor(AppCursor::Default);
}

// The same on the real registry of the prefix, where every read opens a real key,
// with the uninstall commands started for real and deletions undone.
TEST(Soak, RealRegistryAndLaunchesLeakNothing)
{
    test::ClearUninstallKeys();
    Written written;
    for (int i = 0; i < 300; ++i) {
        const std::string subkey = "{REAL-" + std::to_string(i) + "}", name = "Ohjelma " + std::to_string(i);
        test::AddEntry(kUninstallSources[i % 3], Wide(subkey), Wide(name).c_str(), L"C:\\Ei ole\\poista.exe /S");
        written[{kUninstallSources[i % 3], subkey}] = {WideLine("", "DisplayName", name),
                                                      WideLine("", "UninstallString", "C:\\Ei ole\\poista.exe /S")};
    }
    WindowsRegistry registry;
    for (int i = 0; i < 30; ++i) {
        const std::string subkey = "{KAIKKI-" + std::to_string(i) + "}";
        test::WriteEntry(registry, kUninstallSources[i % 3], subkey, test::EveryKindOfValue(i));
        test::AddEntry(kUninstallSources[i % 3], Wide(subkey + "\\Osa"), L"Osa", nullptr);
        auto& lines = written[{kUninstallSources[i % 3], subkey}] = test::Describe(test::EveryKindOfValue(i));
        lines.push_back(WideLine("Osa\\", "DisplayName", "Osa"));
        std::sort(lines.begin(), lines.end());
    }
    FrmKarnio window(registry);
    ASSERT_TRUE(window.Create(SW_SHOWNORMAL));
    Pump();

    test::ProcessResources level;
    int rebuilds = 0, deletes = 0, runs = 0, undone = 0;
    const auto start = Clock::now();
    for (int round = 0; round < 4; ++round) {
        undone += DeleteAndRestore(window, registry, written, 5, round);
        for (int i = 0; i < 10; ++i, ++rebuilds) {
            SendMessageW(window.Hwnd(), WM_COMMAND, IDM_PAIVITA, 0);
            Pump();
        }
        for (int i = 0; i < 3; ++i, ++deletes) {
            test::SelectRow(window.LvwOhjelmat(), i);
            DeleteChosen(window, written);
        }
        for (int i = 0; i < 3; ++i, ++runs) {
            test::SelectRow(window.LvwOhjelmat(), i);
            auto box = test::WatchForDialog(L"Virhe", 5000);
            SendMessageW(window.Hwnd(), WM_COMMAND, IDM_AJA, 0);
            ASSERT_TRUE(box.get().found);
            Pump();
        }
        if (round == 0) level = test::CountProcessResources();
    }
    const test::ProcessResources now = test::CountProcessResources();
    std::printf("real registry (%s): %d rebuilds of 300 entries, %d deletes, %d failed runs, %d deletes undone in %.1f s; "
                "%s -> %s\n",
                now.how.c_str(), rebuilds, deletes, runs, undone, Since(start), Text(level).c_str(), Text(now).c_str());
    EXPECT_EQ(ListView_GetItemCount(window.LvwOhjelmat()), 330 - deletes);
    ExpectBackToLevel(level, now);
    test::ClearUninstallKeys();
}

// Another process adds and deletes subkeys of all three keys while the window refreshes.
TEST(ChangingRegistry, RefreshingWhileAnotherProcessChangesTheKeys)
{
    test::ClearUninstallKeys();
    for (int i = 0; i < 60; ++i)
        test::AddEntry(kUninstallSources[i % 3], L"Pysyvä " + std::to_wstring(i), (L"Pysyvä " + std::to_wstring(i)).c_str(),
                       L"p.exe");
    WindowsRegistry registry;
    FrmKarnio window(registry);
    ASSERT_TRUE(window.Create(SW_SHOWNORMAL));
    Pump();

    const char* churn = std::getenv("KARNIO_CHURN");
    ASSERT_TRUE(churn);
    std::wstring program = L"Z:" + Wide(churn);
    for (auto& c : program) if (c == L'/') c = L'\\';
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring stop = std::wstring(temp) + L"karnio-churn-stop-" + std::to_wstring(GetTickCount());
    std::wstring line = L"\"" + program + L"\" \"" + stop + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    ASSERT_TRUE(CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));

    const auto start = Clock::now();
    int refreshes = 0;
    for (; refreshes < 100; ++refreshes) {
        SendMessageW(window.Hwnd(), WM_COMMAND, IDM_PAIVITA, 0);
        Pump();
        ASSERT_TRUE(IsWindow(window.Hwnd()));
    }
    const double seconds = Since(start);
    CloseHandle(CreateFileW(stop.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 30000), WAIT_OBJECT_0);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    EXPECT_EQ(code, 0u);  // it really changed the keys
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    DeleteFileW(stop.c_str());

    // With the keys still again, one more refresh shows exactly what a fresh walk reads.
    SendMessageW(window.Hwnd(), WM_COMMAND, IDM_PAIVITA, 0);
    Pump();
    test::VectorSink programs, hidden;
    ListaaOhjelmat(registry, programs, hidden);
    const auto shown = [](HWND list) {
        auto rows = test::Rows(list);
        std::vector<std::pair<std::wstring, std::wstring>> pairs;
        for (const ListRow& row : rows) pairs.emplace_back(row.text, row.command);
        std::sort(pairs.begin(), pairs.end());
        return pairs;
    };
    const auto walked = [](const std::vector<test::Row>& rows) {
        std::vector<std::pair<std::wstring, std::wstring>> pairs;
        for (const test::Row& row : rows) pairs.emplace_back(Wide(row.text), Wide(row.command));
        std::sort(pairs.begin(), pairs.end());
        return pairs;
    };
    EXPECT_EQ(shown(window.LvwOhjelmat()), walked(programs.rows));
    EXPECT_EQ(shown(window.LvwOhjelmat2()), walked(hidden.rows));
    EXPECT_GE(programs.rows.size(), 60u);
    std::printf("changing registry: %d refreshes while another process changed the keys, in %.1f s\n", refreshes, seconds);
    test::ClearUninstallKeys();
}

}  // namespace
}  // namespace karnio
