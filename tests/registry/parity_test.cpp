// The same trees, once in the real registry of a throwaway Wine prefix and once
// in memory, must read the same through the reader and give the same lists.
#include "catalogue/uninstall_list.h"
#include "registry/mdlKarnio.h"
#include "registry/memory_registry.h"
#include "registry/windows_registry.h"
#include "support/random_tree.h"
#include "support/vector_sink.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

namespace karnio {
namespace {

std::wstring Wide(const unsigned char* data, std::size_t size)
{
    const int length = MultiByteToWideChar(CP_UTF8, 0, reinterpret_cast<const char*>(data), static_cast<int>(size), nullptr, 0);
    std::wstring text(length, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, reinterpret_cast<const char*>(data), static_cast<int>(size), text.data(), length);
    return text;
}
std::wstring Wide(const std::string& text) { return Wide(reinterpret_cast<const unsigned char*>(text.data()), text.size()); }

// Empties the real Uninstall key and writes the tree into it through the wide calls.
void WriteRealTree(const test::Tree& tree)
{
    const std::wstring uninstall = Wide(std::string(kUninstallPath));
    const LONG cleared = RegDeleteTreeW(HKEY_LOCAL_MACHINE, uninstall.c_str());
    ASSERT_TRUE(cleared == ERROR_SUCCESS || cleared == ERROR_FILE_NOT_FOUND) << cleared;
    HKEY root = nullptr;
    ASSERT_EQ(RegCreateKeyW(HKEY_LOCAL_MACHINE, uninstall.c_str(), &root), ERROR_SUCCESS);
    for (const test::TreeKey& key : tree.keys) {
        HKEY sub = nullptr;
        ASSERT_EQ(RegCreateKeyW(root, Wide(key.name).c_str(), &sub), ERROR_SUCCESS) << key.name;
        for (const test::TreeValue& value : key.values) {
            const bool text = value.type == kRegSz || value.type == kRegExpandSz || value.type == kRegMultiSz;
            const std::wstring wide = text ? Wide(value.data.data(), value.data.size()) : std::wstring();
            const BYTE* data = text ? reinterpret_cast<const BYTE*>(wide.data()) : value.data.data();
            const DWORD size = static_cast<DWORD>(text ? wide.size() * sizeof(wchar_t) : value.data.size());
            ASSERT_EQ(RegSetValueExW(sub, Wide(value.name).c_str(), 0, value.type, data, size), ERROR_SUCCESS);
        }
        RegCloseKey(sub);
    }
    RegCloseKey(root);
}

void ExpectSameReadings(const test::Tree& tree, const std::string& label)
{
    WriteRealTree(tree);
    WindowsRegistry real;
    MemoryRegistry memory;
    test::LoadTree(memory, tree);

    for (std::int32_t index = 0; index <= static_cast<std::int32_t>(tree.keys.size()); ++index) {
        const std::string name = HaeAliavain(memory, kHkeyLocalMachine, kUninstallPath, index);
        ASSERT_EQ(HaeAliavain(real, kHkeyLocalMachine, kUninstallPath, index), name) << label << " index " << index;
        for (const char* value : {"DisplayName", "QuietDisplayName", "UninstallString", "QuietUninstallString", "Publisher"}) {
            const std::string path = kUninstallPath + name;
            ASSERT_EQ(HaeRekisteriarvo(real, kHkeyLocalMachine, path, value),
                      HaeRekisteriarvo(memory, kHkeyLocalMachine, path, value))
                << label << " key " << name << " value " << value;
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

TEST(Parity, SampleTreeReadsTheSame)
{
    const test::Tree sample = test::MakeSampleTree();
    ExpectSameReadings(sample, "sample");
    test::VectorSink programs, hidden;
    WindowsRegistry real;
    ListaaOhjelmat(real, programs, hidden);
    EXPECT_EQ(programs.Sorted().at(1), (test::Row{"Päivitysohjelma", "Päivitysohjelma 2.0",
                                                  "\"C:\\Program Files\\Päivitys\\poista.exe\" /S"}));
    EXPECT_EQ(programs.rows.size() + hidden.rows.size(), sample.keys.size());
}

TEST(Parity, RandomTreesReadTheSame)
{
    for (std::uint32_t seed = 1; seed <= 400; ++seed) {
        ExpectSameReadings(test::MakeRandomTree(seed), "seed " + std::to_string(seed));
        if (HasFatalFailure()) return;
    }
}

TEST(Parity, DeleteRefusesKeysWithSubkeysLikeMemory)
{
    WriteRealTree({{{"Parent", {}}}});
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
    WriteRealTree({});
}

}  // namespace
}  // namespace karnio
