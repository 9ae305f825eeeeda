#include "support/real_registry.h"

#include "catalogue/uninstall_source.h"
#include "registry/unicode.h"
#include "registry/windows_registry.h"

#include <gtest/gtest.h>

namespace karnio::test {

namespace {

HKEY RootKey(UninstallSource source) { return source == UninstallSource::User ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE; }

// The Uninstall key's parent, where the key itself is deleted and made.
constexpr wchar_t kParent[] = L"Software\\Microsoft\\Windows\\CurrentVersion";

}  // namespace

std::wstring WideText(const std::string& utf8)
{
    const int size = static_cast<int>(utf8.size());
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
    std::wstring text(length, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, text.data(), length);
    return text;
}

std::wstring UninstallPathW() { return WideText(kUninstallPath); }

REGSAM ViewAccess(UninstallSource source) { return source == UninstallSource::Machine32 ? KEY_WOW64_32KEY : 0; }

void RemoveUninstallKey(UninstallSource source, bool recreate)
{
    HKEY parent = nullptr;
    ASSERT_EQ(RegCreateKeyExW(RootKey(source), kParent, 0, nullptr, 0, KEY_ALL_ACCESS | ViewAccess(source), nullptr,
                              &parent, nullptr),
              ERROR_SUCCESS);
    // Key by key, links as themselves: RegDeleteTreeW would follow a link a test made.
    WindowsRegistry registry;
    const RegView view = source == UninstallSource::Machine32 ? RegView::Bits32 : RegView::Native;
    RegKey uninstall = 0;
    bool anyDeleted = false;
    LONG deleted = registry.OpenLinkW(reinterpret_cast<RegKey>(parent), u"Uninstall", view, KeyAccess::Delete, &uninstall);
    if (deleted == ERROR_SUCCESS) deleted = DeleteOpenTree(registry, uninstall, view, &anyDeleted);
    registry.CloseKey(uninstall);
    EXPECT_TRUE(deleted == ERROR_SUCCESS || deleted == ERROR_FILE_NOT_FOUND) << deleted;
    if (recreate) {
        HKEY key = nullptr;
        EXPECT_EQ(RegCreateKeyExW(parent, L"Uninstall", 0, nullptr, 0, KEY_ALL_ACCESS | ViewAccess(source), nullptr, &key,
                                  nullptr),
                  ERROR_SUCCESS);
        RegCloseKey(key);
    }
    RegCloseKey(parent);
}

void ClearUninstallKeys()
{
    for (const UninstallSource source : kUninstallSources) RemoveUninstallKey(source, true);
}

namespace {
HKEY CreateEntryKey(UninstallSource source, const std::wstring& subkey)
{
    HKEY key = nullptr;
    const LONG status = RegCreateKeyExW(RootKey(source), (UninstallPathW() + subkey).c_str(), 0, nullptr, 0,
                                        KEY_ALL_ACCESS | ViewAccess(source), nullptr, &key, nullptr);
    EXPECT_EQ(status, ERROR_SUCCESS) << "subkey of " << subkey.size() << " characters";
    return status == ERROR_SUCCESS ? key : nullptr;
}
}  // namespace

void WriteRealTree(const Tree& tree, UninstallSource source)
{
    RemoveUninstallKey(source, true);
    for (const TreeKey& entry : tree.keys) {
        const std::u16string name = Utf16(entry.name);  // an unpaired surrogate kept as it is
        HKEY key = CreateEntryKey(source, std::wstring(name.begin(), name.end()));
        ASSERT_TRUE(key) << entry.name;
        for (const TreeValue& value : entry.values) {
            const bool text = value.type == kRegSz || value.type == kRegExpandSz || value.type == kRegMultiSz;
            const std::wstring wide = text ? WideText(std::string(value.data.begin(), value.data.end())) : std::wstring();
            const BYTE* data = text ? reinterpret_cast<const BYTE*>(wide.data()) : value.data.data();
            const DWORD size = static_cast<DWORD>(text ? wide.size() * sizeof(wchar_t) : value.data.size());
            ASSERT_EQ(RegSetValueExW(key, WideText(value.name).c_str(), 0, value.type, data, size), ERROR_SUCCESS);
        }
        RegCloseKey(key);
    }
}

void AddEntry(UninstallSource source, const std::wstring& subkey, const wchar_t* displayName, const wchar_t* uninstall,
              const wchar_t* quietDisplayName)
{
    HKEY key = CreateEntryKey(source, subkey);
    ASSERT_TRUE(key);
    const auto set = [&](const wchar_t* name, const wchar_t* value) {
        if (value)
            RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                           static_cast<DWORD>((wcslen(value) + 1) * sizeof(wchar_t)));
    };
    set(L"DisplayName", displayName);
    set(L"UninstallString", uninstall);
    set(L"QuietDisplayName", quietDisplayName);
    RegCloseKey(key);
}

bool EntryExists(UninstallSource source, const std::wstring& subkey)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(RootKey(source), (UninstallPathW() + subkey).c_str(), 0, KEY_READ | ViewAccess(source), &key) !=
        ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

std::vector<RegistryValue> KeyValues(HKEY root, const std::wstring& path, REGSAM view)
{
    std::vector<RegistryValue> values;
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) return values;
    wchar_t name[256];
    for (DWORD index = 0, length = 256; RegEnumValueW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
         ++index, length = 256) {
        DWORD type = 0, size = 0;
        RegQueryValueExW(key, name, nullptr, &type, nullptr, &size);
        std::vector<unsigned char> data(size);
        EXPECT_EQ(RegQueryValueExW(key, name, nullptr, &type, data.data(), &size), ERROR_SUCCESS);
        values.push_back({std::u16string(name, name + length), type, data});
    }
    RegCloseKey(key);
    return values;
}

std::vector<RegistryValue> EntryValues(UninstallSource source, const std::string& subkey)
{
    return KeyValues(RootKey(source), WideText(kUninstallPath + subkey), ViewAccess(source));
}

}  // namespace karnio::test
