// The same trees, once in the real registry of a throwaway Wine prefix and once
// in memory, must read the same through the reader and give the same lists.
#include "catalogue/uninstall_list.h"
#include "registry/mdlKarnio.h"
#include "registry/memory_registry.h"
#include "registry/windows_registry.h"
#include "registry/unicode.h"
#include "support/entry_values.h"
#include "support/random_tree.h"
#include "support/real_registry.h"
#include "support/vector_sink.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>

namespace karnio {
namespace {

void ExpectSameReadings(const test::Forest& forest, const std::string& label)
{
    MemoryRegistry memory;
    test::LoadForest(memory, forest);
    for (const UninstallSource source : kUninstallSources) test::WriteRealTree(forest[static_cast<int>(source)], source);
    WindowsRegistry real;

    for (const UninstallSource source : kUninstallSources) {
        const RegKey root = RootOf(source);
        const RegView view = ViewOf(source);
        const auto count = static_cast<std::int32_t>(forest[static_cast<int>(source)].keys.size());
        for (std::int32_t index = 0; index <= count; ++index) {
            const std::string name = HaeAliavain(memory, root, kUninstallPath, index, view);
            ASSERT_EQ(HaeAliavain(real, root, kUninstallPath, index, view), name) << label << " index " << index;
            for (const char* value : {"DisplayName", "QuietDisplayName", "UninstallString", "QuietUninstallString", "Publisher"}) {
                const std::string path = kUninstallPath + name;
                ASSERT_EQ(HaeRekisteriarvo(real, root, path, value, view), HaeRekisteriarvo(memory, root, path, value, view))
                    << label << " source " << static_cast<int>(source) << " key " << name << " value " << value;
            }
        }
    }

    test::VectorSink realPrograms, realHidden, memoryPrograms, memoryHidden;
    ListaaOhjelmat(real, realPrograms, realHidden);
    ListaaOhjelmat(memory, memoryPrograms, memoryHidden);
    EXPECT_EQ(realPrograms.rows, memoryPrograms.rows) << label;  // same order too: same enumeration
    EXPECT_EQ(realHidden.rows, memoryHidden.rows) << label;
    EXPECT_EQ(memory.OpenHandleCount(), 0u);
}

TEST(Parity, NarrowCallsCarryUtf8)
{
    EXPECT_EQ(GetACP(), 65001u);
}

TEST(Parity, SampleTreesReadTheSameInEverySource)
{
    const test::Tree sample = test::MakeSampleTree();
    ExpectSameReadings({sample, sample, sample}, "sample");
    test::VectorSink programs, hidden;
    WindowsRegistry real;
    ListaaOhjelmat(real, programs, hidden);
    using S = UninstallSource;
    const std::string command = "\"C:\\Program Files\\Päivitys\\poista.exe\" /S";
    for (const S source : kUninstallSources) {
        EXPECT_EQ(std::count(programs.rows.begin(), programs.rows.end(),
                             test::Row{"Päivitysohjelma", "Päivitysohjelma 2.0", command, source}),
                  1)
            << static_cast<int>(source);
    }
    EXPECT_EQ(programs.rows.size() + hidden.rows.size(), 3 * sample.keys.size());
}

TEST(Parity, HostileDataReadsTheSame)
{
    // Wine's narrow registry calls refuse a path longer than 260 bytes (ERROR_MORE_DATA),
    // which Windows accepts; the keys with the longest names are checked on their own below.
    test::Tree hostile = test::MakeHostileTree();
    std::vector<test::TreeKey> longest;
    for (auto key = hostile.keys.begin(); key != hostile.keys.end();) {
        if (std::string(kUninstallPath).size() + key->name.size() > 260) {
            longest.push_back(*key);
            key = hostile.keys.erase(key);
        } else {
            ++key;
        }
    }
    ASSERT_EQ(longest.size(), 2u);
    ExpectSameReadings({hostile, hostile, hostile}, "hostile");

    // Under Wine such an entry is still listed, by its own name, among the hidden ones.
    test::ClearUninstallKeys();
    test::WriteRealTree({longest});
    WindowsRegistry real;
    test::VectorSink programs, hidden;
    ListaaOhjelmat(real, programs, hidden);
    EXPECT_TRUE(programs.rows.empty());
    ASSERT_EQ(hidden.rows.size(), 2u);
    EXPECT_EQ(hidden.Sorted()[0], (test::Row{longest[0].name, longest[0].name, ""}));
    RegKey key = 0;
    EXPECT_EQ(real.OpenKey(kHkeyLocalMachine, (kUninstallPath + longest[0].name).c_str(), &key), kErrorMoreData);

    // A string that is no valid UTF-16 reaches the narrow calls with the replacement character.
    test::ClearUninstallKeys();
    HKEY created = nullptr;
    ASSERT_EQ(RegCreateKeyW(HKEY_LOCAL_MACHINE, (test::UninstallPathW() + L"Puolikas").c_str(), &created), ERROR_SUCCESS);
    const wchar_t broken[] = {L'a', 0xD800, L'b', 0};
    RegSetValueExW(created, L"DisplayName", 0, REG_SZ, reinterpret_cast<const BYTE*>(broken), sizeof broken);
    RegCloseKey(created);
    EXPECT_EQ(HaeRekisteriarvo(real, kHkeyLocalMachine, std::string(kUninstallPath) + "Puolikas", "DisplayName"), "a\xEF\xBF\xBD" "b");
    test::ClearUninstallKeys();
}

TEST(Parity, RandomForestsReadTheSame)
{
    for (std::uint32_t seed = 1; seed <= 120; ++seed) {
        ExpectSameReadings(test::MakeRandomForest(seed), "seed " + std::to_string(seed));
        if (HasFatalFailure()) return;
    }
}

TEST(Parity, MissingSourcesAddNoRows)
{
    test::ClearUninstallKeys();
    test::AddEntry(UninstallSource::Machine32, L"Vain32", L"Vain 32-bittinen", L"v.exe");
    test::RemoveUninstallKey(UninstallSource::Machine);
    test::RemoveUninstallKey(UninstallSource::User);
    WindowsRegistry real;
    test::VectorSink programs, hidden;
    ListaaOhjelmat(real, programs, hidden);
    EXPECT_EQ(programs.rows, (std::vector<test::Row>{{"Vain32", "Vain 32-bittinen", "v.exe", UninstallSource::Machine32}}));
    EXPECT_TRUE(hidden.rows.empty());
    test::ClearUninstallKeys();
}

// reg.exe as an installer's script would use it: /reg:32 writes where 32-bit installers do.
void RegAdd(const std::wstring& arguments)
{
    std::wstring line = L"reg.exe add " + arguments + L" /f";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    ASSERT_TRUE(CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                               &startup, &process));
    ASSERT_EQ(WaitForSingleObject(process.hProcess, 30000), WAIT_OBJECT_0);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    EXPECT_EQ(code, 0u) << "reg.exe failed";
}

TEST(Parity, EntriesWrittenByRegToolAreListedFromTheirSource)
{
    test::ClearUninstallKeys();
    const std::wstring key = L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
    RegAdd(L"\"HKLM" + key + L"Yhteinen\" /v DisplayName /d \"Yhteinen 64\"");
    RegAdd(L"\"HKLM" + key + L"Yhteinen\" /v UninstallString /d \"C:\\64\\poista.exe\"");
    RegAdd(L"\"HKLM" + key + L"Yhteinen\" /v DisplayName /d \"Yhteinen 32\" /reg:32");
    RegAdd(L"\"HKLM" + key + L"Yhteinen\" /v UninstallString /d \"C:\\32\\poista.exe\" /reg:32");
    RegAdd(L"\"HKLM" + key + L"Äänitin Ω\" /v QuietDisplayName /d \"Äänitin – vanha\" /reg:32");
    RegAdd(L"\"HKCU" + key + L"Käyttäjän ohjelma\" /v DisplayName /d \"Käyttäjän ohjelma 中文\"");
    RegAdd(L"\"HKCU" + key + L"Käyttäjän ohjelma\" /v QuietUninstallString /d \"%LOCALAPPDATA%\\p.exe\" /t REG_EXPAND_SZ");

    WindowsRegistry real;
    test::VectorSink programs, hidden;
    ListaaOhjelmat(real, programs, hidden);
    using S = UninstallSource;
    EXPECT_EQ(programs.rows, (std::vector<test::Row>{
                                 {"Yhteinen", "Yhteinen 64", "C:\\64\\poista.exe", S::Machine},
                                 {"Yhteinen", "Yhteinen 32", "C:\\32\\poista.exe", S::Machine32},
                                 {"Käyttäjän ohjelma", "Käyttäjän ohjelma 中文", "%LOCALAPPDATA%\\p.exe", S::User},
                             }));
    EXPECT_EQ(hidden.rows, (std::vector<test::Row>{{"Äänitin Ω", "Äänitin – vanha", "", S::Machine32}}));
    // The 32-bit view is stored below WOW6432Node, as Regedit shows it.
    HKEY stored = nullptr;
    EXPECT_EQ(RegOpenKeyW(HKEY_LOCAL_MACHINE,
                          L"Software\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Äänitin Ω", &stored),
              ERROR_SUCCESS);
    RegCloseKey(stored);
    test::ClearUninstallKeys();
}

// The views of the in-memory registry against Wine's, call by call.
TEST(Parity, ViewsBehaveAsWinesDo)
{
    test::ClearUninstallKeys();
    const std::string entry = std::string(kUninstallPath) + "Näkymä";
    const std::string stored = "Software\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Näkymä";
    MemoryRegistry memory;
    for (const UninstallSource source : kUninstallSources) memory.CreateKey(RootOf(source), kUninstallPath, ViewOf(source));
    memory.CreateKey(kHkeyLocalMachine, entry, RegView::Bits32);
    test::AddEntry(UninstallSource::Machine32, L"Näkymä", nullptr, nullptr);
    WindowsRegistry real;

    const auto script = [&](Registry& registry) {
        std::vector<RegStatus> results;
        const auto open = [&](RegKey root, const std::string& path, RegView view, bool ex) {
            RegKey key = 0;
            results.push_back(ex ? registry.OpenKeyEx(root, path.c_str(), view, &key) : registry.OpenKey(root, path.c_str(), &key));
            if (key) registry.CloseKey(key);
        };
        open(kHkeyLocalMachine, entry, RegView::Bits32, true);
        open(kHkeyLocalMachine, entry, RegView::Native, true);
        open(kHkeyLocalMachine, entry, RegView::Native, false);
        open(kHkeyLocalMachine, stored, RegView::Native, false);
        open(kHkeyLocalMachine, stored, RegView::Bits32, true);
        open(kHkeyCurrentUser, entry, RegView::Bits32, true);
        open(kHkeyLocalMachine, "System", RegView::Bits32, true);
        results.push_back(registry.DeleteKey(kHkeyLocalMachine, entry.c_str()));
        results.push_back(registry.DeleteKeyEx(kHkeyLocalMachine, entry.c_str(), RegView::Native));
        results.push_back(registry.DeleteKeyEx(kHkeyLocalMachine, entry.c_str(), RegView::Bits32));
        results.push_back(registry.DeleteKeyEx(kHkeyLocalMachine, entry.c_str(), RegView::Bits32));
        open(kHkeyLocalMachine, stored, RegView::Native, false);
        return results;
    };
    memory.CreateKey(kHkeyLocalMachine, "System");
    const std::vector<RegStatus> wine = script(real);
    EXPECT_EQ(script(memory), wine);
    EXPECT_EQ(wine, (std::vector<RegStatus>{0, 2, 2, 0, 0, 2, 0, 2, 2, 0, 2, 2}));
    EXPECT_EQ(memory.OpenHandleCount(), 0u);
    test::ClearUninstallKeys();
}

TEST(Parity, DeleteRefusesKeysWithSubkeysLikeMemory)
{
    test::WriteRealTree({{{"Parent", {}}}});
    HKEY child = nullptr;
    ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, (std::string(kUninstallPath) + "Parent\\Child").c_str(), &child), ERROR_SUCCESS);
    RegCloseKey(child);
    MemoryRegistry memory;
    memory.CreateKey(kHkeyLocalMachine, std::string(kUninstallPath) + "Parent\\Child");

    WindowsRegistry real;
    const std::string parent = std::string(kUninstallPath) + "parent";
    EXPECT_EQ(real.DeleteKey(kHkeyLocalMachine, parent.c_str()), memory.DeleteKey(kHkeyLocalMachine, parent.c_str()));
    const std::string kid = parent + "\\CHILD";
    EXPECT_EQ(real.DeleteKey(kHkeyLocalMachine, kid.c_str()), kErrorSuccess);
    EXPECT_EQ(memory.DeleteKey(kHkeyLocalMachine, kid.c_str()), kErrorSuccess);
    EXPECT_EQ(real.DeleteKey(kHkeyLocalMachine, kid.c_str()), memory.DeleteKey(kHkeyLocalMachine, kid.c_str()));
    test::WriteRealTree({});
}

TEST(Parity, DeletedEntriesComeBackByteForByte)
{
    test::ClearUninstallKeys();
    WindowsRegistry real;
    test::ExpectEveryValueRoundTrips(real, test::EntryValues);
    test::ClearUninstallKeys();
}

// The wide calls of the in-memory registry against Wine's, and what the narrow
// reader makes of values written wide.
TEST(Parity, WideCallsBehaveAsWinesDo)
{
    test::ClearUninstallKeys();
    const auto script = [](Registry& registry) {
        std::vector<std::string> seen;
        const std::string subkey = "Leveä ÄÖ";
        const std::string path = kUninstallPath + subkey;
        test::WriteEntry(registry, UninstallSource::Machine32, subkey, test::EveryKindOfValue(3));
        RegKey key = 0;
        bool created = true;
        const RegStatus opened = registry.CreateKeyExW(kHkeyLocalMachine, Utf16(path).c_str(), RegView::Bits32, &key, &created, nullptr);
        seen.push_back("create " + std::to_string(opened) + (created ? " new" : " existing"));
        // A terminator left out of the size but present in memory is counted; a zero without one before it is not.
        const unsigned char text[] = {'a', 0, 'b', 0, 0, 0, 0, 0};
        const unsigned char zeros[] = {'a', 0, 0, 0, 0, 0};
        registry.SetValueExW(key, u"Lisätty pääte", kRegSz, text, 4);
        registry.SetValueExW(key, u"Nollat", kRegSz, zeros, 4);
        KeyInfo keyInfo;
        const RegStatus info = registry.QueryInfoKeyW(key, &keyInfo);
        seen.push_back("info " + std::to_string(info) + " " + std::to_string(keyInfo.subkeys) + " " +
                       std::to_string(keyInfo.values) + " " + std::to_string(keyInfo.maxNameLength) + " " +
                       std::to_string(keyInfo.maxDataSize));
        // The longest name does not fit four characters.
        char16_t name[4];
        std::uint32_t nameLength = 4, type = 0, size = 0;
        for (std::uint32_t index = 0; index < keyInfo.values; ++index) {
            nameLength = 4;
            const RegStatus status = registry.EnumValueW(key, index, name, &nameLength, &type, nullptr, &size);
            if (status != kErrorSuccess) seen.push_back("short name " + std::to_string(status));
        }
        registry.CloseKey(key);
        const auto copy = LueMerkinta(registry, UninstallSource::Machine32, subkey);
        if (copy)
            for (const std::string& line : test::Describe(copy->values)) seen.push_back(line);
        for (const char* value : {"", "DisplayName", "Ilman päätettä", "Pariton", "Puolikkaat", "Tyhjä teksti", "Laajennettava",
                                  "Monta", "Luku", "Iso luku", "Ei tyyppiä", "Имя значения", "Lisätty pääte", "Nollat"})
            seen.push_back(std::string(value) + " reads " + HaeRekisteriarvo(registry, kHkeyLocalMachine, path, value, RegView::Bits32));
        seen.push_back("native view " + HaeRekisteriarvo(registry, kHkeyLocalMachine, path, "DisplayName"));
        return seen;
    };
    WindowsRegistry real;
    MemoryRegistry memory;
    const std::vector<std::string> wine = script(real);
    EXPECT_EQ(script(memory), wine);
    EXPECT_EQ(memory.OpenHandleCount(), 0u);
    test::ClearUninstallKeys();
}

}  // namespace
}  // namespace karnio
