// The in-memory registry must behave as the real one does under Wine, or the
// reader's tests prove nothing. The expectations here were read off Wine 8.
#include "registry/memory_registry.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace karnio {
namespace {

RegStatus EnumKey(Registry& registry, RegKey key, std::uint32_t index, char* name, std::uint32_t size)
{
    return registry.EnumKeyEx(key, index, name, &size);
}

std::vector<std::string> Enumerate(MemoryRegistry& registry, const std::string& path)
{
    RegKey key = 0;
    EXPECT_EQ(registry.OpenKey(kHkeyCurrentUser, path.c_str(), &key), kErrorSuccess);
    std::vector<std::string> names;
    char name[256];
    for (std::uint32_t i = 0; EnumKey(registry, key, i, name, sizeof name) == kErrorSuccess; ++i) names.push_back(name);
    registry.CloseKey(key);
    return names;
}

TEST(MemoryRegistry, HandlesOpenCloseAndFailWithWin32Codes)
{
    MemoryRegistry registry;
    registry.CreateKey(kHkeyCurrentUser, "Software\\Probe");

    RegKey key = 0x1234;
    EXPECT_EQ(registry.OpenKey(kHkeyCurrentUser, "Software\\Missing\\", &key), kErrorFileNotFound);
    EXPECT_EQ(key, 0u);
    EXPECT_EQ(registry.CloseKey(0), kErrorInvalidHandle);
    EXPECT_EQ(registry.OpenKey(kHkeyCurrentUser, "\\Software", &key), kErrorBadPathname);

    // Trailing and doubled separators are accepted, names compare without case.
    EXPECT_EQ(registry.OpenKey(kHkeyCurrentUser, "software\\\\PROBE\\\\", &key), kErrorSuccess);
    EXPECT_NE(key, 0u);
    EXPECT_EQ(registry.OpenHandleCount(), 1u);
    EXPECT_EQ(registry.CloseKey(key), kErrorSuccess);
    EXPECT_EQ(registry.CloseKey(key), kErrorInvalidHandle);
    EXPECT_EQ(registry.OpenHandleCount(), 0u);

    char name[8];
    std::uint32_t size = 8;
    std::uint32_t type = 0;
    EXPECT_EQ(EnumKey(registry, 0, 0, name, sizeof name), kErrorInvalidHandle);
    EXPECT_EQ(registry.QueryValueEx(0, "x", &type, reinterpret_cast<unsigned char*>(name), &size), kErrorInvalidHandle);
}

TEST(MemoryRegistry, EnumeratesSubkeysInWinesOrder)
{
    MemoryRegistry registry;
    for (const char* name : {"b", "A", "_x", "[", "a1", "Z", "i", "ä", "Å", "ö", "ж", "Жx", "中", "~", "`", "^", "{",
                             "ß", "é"})
        EXPECT_TRUE(registry.CreateKey(kHkeyCurrentUser, std::string("Software\\Probe\\") + name));
    EXPECT_TRUE(registry.CreateKey(kHkeyCurrentUser, "Software\\Probe\\ÄÖ"));
    EXPECT_FALSE(registry.CreateKey(kHkeyCurrentUser, "Software\\Probe\\äö"));

    const std::vector<std::string> expected = {"[", "^", "_x", "`", "A", "a1", "b", "i", "Z", "{", "~",
                                               "ß", "ä", "ÄÖ", "Å", "é", "ö", "ж", "Жx", "中"};
    EXPECT_EQ(Enumerate(registry, "Software\\Probe"), expected);

    RegKey key = 0;
    EXPECT_EQ(registry.OpenKey(kHkeyCurrentUser, "Software\\Probe", &key), kErrorSuccess);
    char tiny[2];
    EXPECT_EQ(EnumKey(registry, key, 2, tiny, sizeof tiny), kErrorMoreData);
    EXPECT_EQ(EnumKey(registry, key, static_cast<std::uint32_t>(expected.size()), tiny, sizeof tiny),
              kErrorNoMoreItems);
    registry.CloseKey(key);
}

TEST(MemoryRegistry, QueriesLikeTheNarrowCall)
{
    MemoryRegistry registry;
    registry.SetValue(kHkeyCurrentUser, "Software\\Probe", "bare", kRegSz, {'a', 'b', 'c'});
    registry.SetValue(kHkeyCurrentUser, "Software\\Probe", "none", kRegSz, {});
    registry.SetString(kHkeyCurrentUser, "Software\\Probe", "big", "abcdefgh");

    RegKey key = 0;
    ASSERT_EQ(registry.OpenKey(kHkeyCurrentUser, "Software\\Probe", &key), kErrorSuccess);
    unsigned char buffer[16];
    std::uint32_t type = 0;

    // A string without its terminator gets one when there is room; the size does not count it.
    std::memset(buffer, ' ', sizeof buffer);
    std::uint32_t size = sizeof buffer;
    EXPECT_EQ(registry.QueryValueEx(key, "BARE", &type, buffer, &size), kErrorSuccess);
    EXPECT_EQ(type, kRegSz);
    EXPECT_EQ(size, 3u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), 4), std::string("abc\0", 4));

    // No data at all leaves the buffer alone.
    std::memset(buffer, ' ', sizeof buffer);
    size = sizeof buffer;
    EXPECT_EQ(registry.QueryValueEx(key, "none", &type, buffer, &size), kErrorSuccess);
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(buffer[0], ' ');

    // Data that does not fit is refused and its size reported; an exact fit is fine.
    size = 8;
    EXPECT_EQ(registry.QueryValueEx(key, "big", &type, buffer, &size), kErrorMoreData);
    EXPECT_EQ(size, 9u);
    EXPECT_EQ(registry.QueryValueEx(key, "big", &type, buffer, &size), kErrorSuccess);
    EXPECT_EQ(registry.QueryValueEx(key, "missing", &type, buffer, &size), kErrorFileNotFound);
    registry.CloseKey(key);
}

TEST(MemoryRegistry, DeletesOnlyKeysWithoutSubkeys)
{
    MemoryRegistry registry;
    registry.CreateKey(kHkeyLocalMachine, "Software\\Parent\\Child");

    EXPECT_EQ(registry.DeleteKey(kHkeyLocalMachine, "Software\\Parent"), kErrorAccessDenied);
    EXPECT_EQ(registry.DeleteKey(kHkeyLocalMachine, "Software\\Parent\\Nobody"), kErrorFileNotFound);

    RegKey open = 0;
    ASSERT_EQ(registry.OpenKey(kHkeyLocalMachine, "Software\\Parent\\Child", &open), kErrorSuccess);
    EXPECT_EQ(registry.DeleteKey(kHkeyLocalMachine, "software\\parent\\CHILD"), kErrorSuccess);
    EXPECT_EQ(registry.DeleteKey(kHkeyLocalMachine, "Software\\Parent\\Child"), kErrorFileNotFound);

    // A handle to a deleted key stays valid but reads nothing.
    char name[8];
    EXPECT_EQ(EnumKey(registry, open, 0, name, sizeof name), kErrorKeyDeleted);
    EXPECT_EQ(registry.CloseKey(open), kErrorSuccess);
    EXPECT_EQ(registry.DeleteKey(kHkeyLocalMachine, "Software\\Parent"), kErrorSuccess);
}

// As read off Wine 8: the 32-bit view of HKLM\Software is Software\WOW6432Node;
// HKCU and the rest of HKLM are the same in both views.
TEST(MemoryRegistry, ThirtyTwoBitViewIsTheWow6432NodeTree)
{
    MemoryRegistry registry;
    const std::string entry = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Old";
    const std::string stored = "Software\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Old";
    registry.CreateKey(kHkeyLocalMachine, entry, RegView::Bits32);
    registry.CreateKey(kHkeyLocalMachine, "System\\Shared", RegView::Bits32);
    registry.CreateKey(kHkeyCurrentUser, entry, RegView::Bits32);
    registry.CreateKey(kHkeyLocalMachine, "Software\\Microsoft\\Native");

    const auto opens = [&](RegKey root, const std::string& path, RegView view) {
        RegKey key = 0;
        const RegStatus status = view == RegView::Native ? registry.OpenKey(root, path.c_str(), &key)
                                                         : registry.OpenKeyEx(root, path.c_str(), view, &key);
        registry.CloseKey(key);
        return status == kErrorSuccess;
    };
    EXPECT_TRUE(opens(kHkeyLocalMachine, entry, RegView::Bits32));
    EXPECT_FALSE(opens(kHkeyLocalMachine, entry, RegView::Native));
    EXPECT_TRUE(opens(kHkeyLocalMachine, stored, RegView::Native));
    EXPECT_TRUE(opens(kHkeyLocalMachine, "software\\wow6432node\\Microsoft", RegView::Bits32));  // not sent there twice
    EXPECT_TRUE(opens(kHkeyLocalMachine, "System\\Shared", RegView::Native));
    EXPECT_TRUE(opens(kHkeyCurrentUser, entry, RegView::Native));

    // The native view shows WOW6432Node as a subkey of Software; the 32-bit view does not.
    RegKey software = 0;
    ASSERT_EQ(registry.OpenKeyEx(kHkeyLocalMachine, "Software", RegView::Bits32, &software), kErrorSuccess);
    char name[64];
    ASSERT_EQ(EnumKey(registry, software, 0, name, sizeof name), kErrorSuccess);
    EXPECT_STREQ(name, "Microsoft");
    EXPECT_EQ(EnumKey(registry, software, 1, name, sizeof name), kErrorNoMoreItems);
    // A key opened in the 32-bit view stays in it for paths below it.
    RegKey below = 0;
    EXPECT_EQ(registry.OpenKey(software, "Microsoft\\Windows\\CurrentVersion\\Uninstall\\Old", &below), kErrorSuccess);
    registry.CloseKey(below);
    registry.CloseKey(software);
    ASSERT_EQ(registry.OpenKey(kHkeyLocalMachine, "Software", &software), kErrorSuccess);
    EXPECT_EQ(EnumKey(registry, software, 1, name, sizeof name), kErrorSuccess);
    EXPECT_STREQ(name, "WOW6432Node");
    registry.CloseKey(software);

    EXPECT_EQ(registry.DeleteKey(kHkeyLocalMachine, entry.c_str()), kErrorFileNotFound);
    EXPECT_EQ(registry.DeleteKeyEx(kHkeyLocalMachine, entry.c_str(), RegView::Bits32), kErrorSuccess);
    EXPECT_EQ(registry.DeleteKeyEx(kHkeyLocalMachine, entry.c_str(), RegView::Bits32), kErrorFileNotFound);
    EXPECT_TRUE(opens(kHkeyCurrentUser, entry, RegView::Native));
    EXPECT_EQ(registry.OpenHandleCount(), 0u);
}

}  // namespace
}  // namespace karnio
