// An entry's subkey copied whole just before "&Poista" deletes it, so that the
// deletion can be undone: every value with its name, type and data bytes as
// Windows stores them, and every subkey below it the same way, read through the
// wide calls so that nothing is converted on the way. Every key of the tree is
// opened as itself, for reading and deleting, before anything is deleted, and
// the delete goes through those same handles: what was copied is what goes. A
// registry link is copied as a link: where it points, never what it points at.
// Each key's class, owner and DACL are kept too; its last-write time is not.
#pragma once

#include "catalogue/uninstall_list.h"
#include "catalogue/uninstall_source.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace karnio {

struct RegistryValue {
    std::u16string name;  // empty for the default value
    std::uint32_t type;
    std::vector<unsigned char> data;
};

struct RegistrySubkey;

// What one key holds.
struct KeyContents {
    std::vector<RegistryValue> values;
    std::vector<RegistrySubkey> subkeys;
    bool link = false;  // a registry link: its SymbolicLinkValue is among the values, and nothing is below it
    std::u16string keyClass;
    std::vector<unsigned char> security;  // owner and DACL, self-relative; none where the registry keeps none
};

struct RegistrySubkey : KeyContents {
    std::u16string name;
};

struct PoistettuMerkinta : KeyContents {
    UninstallSource source;
    std::string aliavain;  // the subkey name, as the lists know it
    bool partial = false;  // the delete failed part way: what is left is still there
};

// Every value of an open key, names, types and bytes as stored. kErrorMoreData
// when a value changed meanwhile, so that the read is not whole; otherwise the
// error of the call that failed. *info, when given, is what the key was when its
// values were counted (its subkeys, its class).
RegStatus ReadValues(Registry& registry, RegKey key, std::vector<RegistryValue>& values, KeyInfo* info = nullptr);

// The entry's subkey with everything under it; nothing when it cannot be read
// whole, or when a name holds a zero character (it could not be written back as it is).
std::optional<PoistettuMerkinta> LueMerkinta(Registry& registry, UninstallSource source, const std::string& aliavain);

// Why an entry was not deleted, or not all of it.
struct Refusal {
    EntryId entry;
    enum Reason {
        ZeroCharacter,  // its own name holds a zero character: by name it would be another key
        NotUnicode,     // its own name holds an unpaired surrogate: the same
        Changed,        // it is not what its row showed, or it changed while it was copied
        ZeroInside,     // a name inside it holds a zero character: no whole copy, but it may go without one
        Unreadable,     // a key of it cannot be read (status): no whole copy
        Undeletable,    // a key of it may be read but not deleted (status): no whole copy
        Refused,        // Windows refused the delete itself (status), possibly part way
    } reason;
    RegStatus status = kErrorSuccess;
};

// What became of one entry's delete.
struct EntryDeletion {
    std::optional<PoistettuMerkinta> copy;  // of a key gone, or, marked partial, of one partly gone
    std::optional<Refusal> refusal;         // none: the key is gone, now or before
};

// Opens the entry's key and every key below it as itself for reading and
// deleting; then, where expected is given, reads the entry again as the lists
// read it and goes on only when that gives the row the user saw; then copies the
// tree whole from those keys and deletes them, deepest first, through the same
// handles. Nothing is deleted without a whole copy, unless withoutCopy is set and
// zero characters in names inside it are all that stands in the way. A delete
// that fails part way keeps its copy, marked partial. The entry goes in its own
// root and view only; a key gone already is no refusal.
EntryDeletion PoistaMerkinta(Registry& registry, UninstallSource source, const std::string& aliavain,
                             const ListedRow* expected = nullptr, bool withoutCopy = false);

// A row the user chose: its entry and what the row showed.
struct ChosenRow {
    EntryId entry;
    ListedRow row;
};

// What became of a batch of entries deleted together, in their order.
struct Deletion {
    std::vector<PoistettuMerkinta> copies;  // of each one gone, and each partly gone: one undo step
    std::vector<EntryId> gone;              // deleted, or gone already
    std::vector<Refusal> refused;           // still there, whole or in part
};
// Deletes each entry as PoistaMerkinta does, checked against its row, in their
// order; a name that OnPoistettava refuses is refused and the rest goes on.
Deletion PoistaMerkinnat(Registry& registry, const std::vector<ChosenRow>& chosen, bool withoutCopy = false);

}  // namespace karnio
