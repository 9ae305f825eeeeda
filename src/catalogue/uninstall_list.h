// Sorts the subkeys of the Uninstall keys into the programs list and the hidden
// list. No window code: the lists are reached through ListSink, so the rules
// can run against any registry and any list.
#pragma once

#include "registry/registry.h"

#include <cstddef>
#include <string>

namespace karnio {

inline constexpr char kUninstallPath[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// The three Uninstall keys that feed Windows' list of installed programs, in
// the order they are walked: HKEY_LOCAL_MACHINE in the native view, the same
// key in the 32-bit view (where 32-bit installers write), HKEY_CURRENT_USER.
enum class UninstallSource { Machine, Machine32, User };
inline constexpr UninstallSource kUninstallSources[] = {UninstallSource::Machine, UninstallSource::Machine32,
                                                        UninstallSource::User};

RegKey RootOf(UninstallSource source);
RegView ViewOf(UninstallSource source);

// A subkey name as the lists show it: one with a zero character (made through
// the native API) or an unpaired surrogate, as the part before it followed by "…".
std::string ShownKeyName(const std::string& subkey);

// The subkey's full registry path as Regedit shows it, for example
// HKEY_LOCAL_MACHINE\Software\WOW6432Node\Microsoft\...\Uninstall\<subkey>;
// a per-user entry in HKEY_USERS\<userHive> where that is another user's hive.
std::string KeyPathText(UninstallSource source, const std::string& subkey, const std::string& userHive = "");

// One list of rows; each row has a source, a key, a text and a sub-item 1.
class ListSink {
public:
    virtual ~ListSink() = default;
    virtual void RemoveAll() = 0;
    // Adds a row with an empty sub-item 1 and returns a handle for SetSubItem1.
    virtual std::size_t AddRow(UninstallSource source, const std::string& key, const std::string& text) = 0;
    virtual void SetSubItem1(std::size_t row, const std::string& text) = 0;
};

// Empties both lists and refills them from the three Uninstall keys.
void ListaaOhjelmat(Registry& registry, ListSink& ohjelmat, ListSink& piilotetut);

// Deletes root\path in the source's root and view: RegDeleteKeyA natively,
// RegDeleteKeyExA in the 32-bit view.
RegStatus DeleteInSource(Registry& registry, UninstallSource source, const std::string& path);

// Whether a subkey name may be deleted: not empty (nothing chosen yet: the path
// would name the Uninstall key itself), without a separator, and without a zero
// character or an unpaired surrogate (the path would name the key called by the
// part before the zero, or the one with U+FFFD in its place).
bool OnPoistettava(const std::string& aliavain);

// Deletes the subkey of one entry, with everything under it, from the Uninstall
// key it was listed from (DeleteEntry). A key name that OnPoistettava refuses is
// not even asked about; returns whether the registry was asked. The deletion's
// own status is not examined.
bool PoistaAvain(Registry& registry, UninstallSource source, const std::string& aliavain);

}  // namespace karnio
