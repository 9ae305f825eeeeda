// An entry's subkey copied whole just before "&Poista" deletes it, so that the
// deletion can be undone: every value with its name, type and data bytes as
// Windows stores them, and every subkey below it the same way, read and
// written through the wide calls so that nothing is converted on the way. A
// registry link is copied as a link: where it points, never what it points at.
// Each key's class, owner and DACL are kept too; its last-write time is not.
#pragma once

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

// Every value of an open key, names, types and bytes as stored; false when a
// value changed meanwhile, so that the read is not whole. *info, when given,
// is what the key was when its values were counted (its subkeys, its class).
bool ReadValues(Registry& registry, RegKey key, std::vector<RegistryValue>& values, KeyInfo* info = nullptr);

// The entry's subkey with everything under it; nothing when it cannot be read
// whole, or when a name holds a zero character (it could not be written back as it is).
std::optional<PoistettuMerkinta> LueMerkinta(Registry& registry, UninstallSource source, const std::string& aliavain);

// Reads the subkey, then deletes it with everything under it, in its own root
// and view only, each key as itself (DeleteEntry). The copy comes back when it
// was read whole and the subkey is gone afterwards, and also, marked partial,
// when the delete failed after taking part of the tree. *refused is Windows'
// answer when the key is still there after a failed delete, otherwise
// kErrorSuccess (also when nothing was asked or the key was gone already).
std::optional<PoistettuMerkinta> PoistaMerkinta(Registry& registry, UninstallSource source, const std::string& aliavain,
                                                RegStatus* refused = nullptr);

// Creates the subkey again in its own root and view and writes everything
// back, links as links. kErrorSuccess; kErrorAlreadyExists when a key of that
// name exists (it is left exactly as it is); otherwise the error of the call
// that failed, after what this restore created has been deleted again. Of a
// partial copy, only the keys that are missing are made, and the rest is left
// as it is. Each key made gets its class; once every key and value is written,
// each gets its security back, deepest first: *securityKept tells whether all
// of it could be (the keys stay either way).
RegStatus PalautaMerkinta(Registry& registry, const PoistettuMerkinta& merkinta, bool* securityKept = nullptr);

// What became of a batch of entries deleted together, in their order.
struct Deletion {
    std::vector<PoistettuMerkinta> copies;  // of each one gone, and each partly gone: one undo step
    std::vector<EntryId> gone;              // deleted, or gone already
    struct Refusal {
        EntryId entry;
        enum Reason { ZeroCharacter, NotUnicode, Refused } reason;
        RegStatus status;  // Windows' answer, when refused
    };
    std::vector<Refusal> refused;           // still there
};
// Deletes each entry as PoistaMerkinta does, in their order; a name that
// OnPoistettava refuses is refused and the rest goes on.
Deletion PoistaMerkinnat(Registry& registry, const std::vector<EntryId>& entries);

// What became of an undo step brought back, the latest deleted first.
struct Restoration {
    std::vector<EntryId> restored;          // in the order they came back
    std::vector<PoistettuMerkinta> failed;  // to be tried again: what PalautaMerkinta could not make
    struct Problem {
        EntryId entry;
        RegStatus status;  // kErrorAlreadyExists: a key of that name won, its copy is dropped;
                           // kErrorSuccess: back, but without its permissions
    };
    std::vector<Problem> problems;
};
Restoration PalautaMerkinnat(Registry& registry, const std::vector<PoistettuMerkinta>& step);

}  // namespace karnio
