// The real registry of the throwaway Wine prefix, as the Wine suites fill it:
// the three Uninstall keys, written through the wide calls.
#pragma once

#include "catalogue/deleted_entry.h"
#include "catalogue/uninstall_list.h"
#include "support/random_tree.h"

#include <windows.h>

#include <string>
#include <vector>

namespace karnio::test {

std::wstring WideText(const std::string& utf8);
std::wstring UninstallPathW();

// KEY_WOW64_32KEY for the 32-bit view, nothing otherwise.
REGSAM ViewAccess(UninstallSource source);

// Deletes the source's Uninstall key with everything in it; Recreate makes it again, empty.
void RemoveUninstallKey(UninstallSource source, bool recreate = false);
// Empties all three Uninstall keys.
void ClearUninstallKeys();

// Replaces the source's Uninstall key with the tree.
void WriteRealTree(const Tree& tree, UninstallSource source = UninstallSource::Machine);

// One entry with string values; a null value is left out.
void AddEntry(UninstallSource source, const std::wstring& subkey, const wchar_t* displayName,
              const wchar_t* uninstall, const wchar_t* quietDisplayName = nullptr);
inline void AddEntry(const std::wstring& subkey, const wchar_t* displayName, const wchar_t* uninstall,
                     const wchar_t* quietDisplayName = nullptr)
{
    AddEntry(UninstallSource::Machine, subkey, displayName, uninstall, quietDisplayName);
}

bool EntryExists(UninstallSource source, const std::wstring& subkey);
// An entry's values as RegQueryValueExW reads them back, name by name; none for a missing key.
std::vector<RegistryValue> EntryValues(UninstallSource source, const std::string& subkey);
std::vector<RegistryValue> KeyValues(HKEY root, const std::wstring& path, REGSAM view = 0);
inline bool EntryExists(const std::wstring& subkey) { return EntryExists(UninstallSource::Machine, subkey); }

}  // namespace karnio::test
