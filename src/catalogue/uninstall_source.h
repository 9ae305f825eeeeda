// Where the entries are and how one goes: the three Uninstall keys (root, view
// and key path), whose hive the per-user one is, and an entry's own key, opened
// below its source's Uninstall key as the lists read it and, for a copy or a
// delete, every key of its tree opened as itself, a registry link included, so
// that nothing a link points at is read into a copy or deleted. The list
// builder, the details reader and the undo copy all come here for it.
#pragma once

#include "registry/registry.h"

#include <optional>
#include <string>
#include <vector>

namespace karnio {

inline constexpr char kUninstallPath[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// The three Uninstall keys that feed Windows' list of installed programs, in
// the order they are walked: HKEY_LOCAL_MACHINE in the native view, the same
// key in the 32-bit view (where 32-bit installers write), HKEY_CURRENT_USER.
enum class UninstallSource { Machine, Machine32, User };
inline constexpr UninstallSource kUninstallSources[] = {UninstallSource::Machine, UninstallSource::Machine32,
                                                        UninstallSource::User};

// One entry: its subkey name in the source it was listed from.
struct EntryId {
    UninstallSource source;
    std::string key;
    bool operator==(const EntryId& other) const { return source == other.source && key == other.key; }
};

RegKey RootOf(UninstallSource source);
RegView ViewOf(UninstallSource source);

// A subkey name as the lists show it: one with a zero character (made through
// the native API) or an unpaired surrogate, as the part before it followed by "…".
std::string ShownKeyName(const std::string& subkey);

// The subkey's full registry path as Regedit shows it, for example
// HKEY_LOCAL_MACHINE\Software\WOW6432Node\Microsoft\...\Uninstall\<subkey>;
// a per-user entry in HKEY_USERS\<userHive> where that is another user's hive.
std::string KeyPathText(UninstallSource source, const std::string& subkey, const std::string& userHive = "");

// The key's full path as Registry Editor names it in its LastKey value:
// HKEY_LOCAL_MACHINE\SOFTWARE\..., HKEY_LOCAL_MACHINE\SOFTWARE\WOW6432Node\...
// for the 32-bit view, HKEY_CURRENT_USER\Software\... or, for another user's
// hive, HKEY_USERS\<userHive>\Software\...
std::string RegeditPath(UninstallSource source, const std::string& subkey, const std::string& userHive = "");

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

// A registry key handle that is closed when it goes.
class OwnedKey {
public:
    explicit OwnedKey(Registry& registry) : registry_(registry) {}
    ~OwnedKey()
    {
        if (key_) registry_.CloseKey(key_);
    }
    OwnedKey(const OwnedKey&) = delete;
    OwnedKey& operator=(const OwnedKey&) = delete;
    RegKey get() const { return key_; }
    RegKey* Out() { return &key_; }

private:
    Registry& registry_;
    RegKey key_ = 0;
};

// The source's Uninstall key, without the trailing separator.
std::string UninstallKeyPath();

// Opens the entry's key as the lists read it, through a link, for reading.
RegStatus OpenEntryToRead(Registry& registry, UninstallSource source, const std::u16string& subkey, OwnedKey& entry);

// Opens the source's Uninstall key (uninstall, for reading) and the entry's own
// key below it as itself, a link as itself (entry).
RegStatus OpenEntry(Registry& registry, UninstallSource source, const std::u16string& subkey, KeyAccess access,
                    OwnedKey& uninstall, OwnedKey& entry);

// The names of an open key's subkeys as stored, zero characters and all.
RegStatus ReadSubkeyNames(Registry& registry, RegKey key, std::vector<std::u16string>& names);

// Deletes an open key with everything below it, deepest first, each key opened as
// itself and deleted by its handle: a link goes as itself and what it points at
// stays. *anyDeleted tells whether some of the tree went, also when the delete failed.
RegStatus DeleteOpenTree(Registry& registry, RegKey key, RegView view, bool* anyDeleted);

// Deletes the entry's key with everything below it, in its own root and view only.
RegStatus DeleteEntry(Registry& registry, UninstallSource source, const std::u16string& subkey, bool* anyDeleted);

}  // namespace karnio
