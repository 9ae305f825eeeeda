// An entry's own key in its source: opened below the source's Uninstall key as
// the lists read it, and every key of its tree opened as itself, a registry link
// included, so that nothing a link points at is read into a copy or deleted.
#pragma once

#include "catalogue/uninstall_list.h"

#include <optional>
#include <string>
#include <vector>

namespace karnio {

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

// Who runs Karnio and who runs the desktop's shell, as SID texts; nothing where
// a process or token could not be asked.
class Identities {
public:
    virtual ~Identities() = default;
    virtual std::optional<std::string> KarnioUser() = 0;
    virtual std::optional<std::string> DesktopUser() = 0;
    // Whether that user's hive is loaded and their environment can be had.
    virtual bool CanActFor(const std::string& sid) = 0;
};

// Whose hive holds the per-user entries: the desktop user's SID when Karnio runs
// as someone else (a standard user who elevated with another person's
// administrator password) and can act for them; otherwise none, and the per-user
// source is HKEY_CURRENT_USER.
std::string PerUserHive(Identities& identities);

// The source's Uninstall key, without the trailing separator.
std::string UninstallKeyPath();

// Opens the entry's own key, a link as itself, for reading and deleting.
RegStatus OpenEntry(Registry& registry, UninstallSource source, const std::u16string& subkey, OwnedKey& entry);

// The names of an open key's subkeys as stored. A name with a zero character
// gives kErrorInvalidParameter: no call could open it again as itself.
RegStatus ReadSubkeyNames(Registry& registry, RegKey key, std::vector<std::u16string>& names);

// Deletes an open key with everything below it, deepest first, each key opened as
// itself and deleted by its handle: a link goes as itself and what it points at
// stays. *anyDeleted tells whether some of the tree went, also when the delete failed.
RegStatus DeleteOpenTree(Registry& registry, RegKey key, RegView view, bool* anyDeleted);

// Deletes the entry's key with everything below it, in its own root and view only.
RegStatus DeleteEntry(Registry& registry, UninstallSource source, const std::u16string& subkey, bool* anyDeleted);

}  // namespace karnio
