// An entry's own key in its source: opened below the source's Uninstall key as
// the lists read it, and every key of its tree opened as itself, a registry link
// included, so that nothing a link points at is read into a copy or deleted.
#pragma once

#include "catalogue/uninstall_list.h"

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
