// An entry's subkey copied whole just before "&Poista" deletes it, so that the
// deletion can be undone: every value with its name, type and data bytes as
// Windows stores them, and every subkey below it the same way, read and
// written through the wide calls so that nothing is converted on the way. Not
// kept: the keys' security and last-write times.
#pragma once

#include "catalogue/uninstall_list.h"

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

struct RegistrySubkey {
    std::u16string name;
    std::vector<RegistryValue> values;
    std::vector<RegistrySubkey> subkeys;
};

struct PoistettuMerkinta {
    UninstallSource source;
    std::string aliavain;  // the subkey name, as the lists know it
    std::vector<RegistryValue> values;
    std::vector<RegistrySubkey> subkeys;
};

// Every value of an open key, names, types and bytes as stored; false when a
// value changed meanwhile, so that the read is not whole.
bool ReadValues(Registry& registry, RegKey key, std::vector<RegistryValue>& values);

// The entry's subkey with everything under it; nothing when it cannot be read
// whole, or when a name holds a zero character (it could not be written back as it is).
std::optional<PoistettuMerkinta> LueMerkinta(Registry& registry, UninstallSource source, const std::string& aliavain);

// Reads the subkey, then deletes it as PoistaAvain does, and with everything
// under it when it has subkeys, in its own root and view only. The copy comes
// back only when it was read whole and the subkey is really gone afterwards.
// *refused is Windows' answer when the key is still there after a failed
// delete, otherwise kErrorSuccess (also when nothing was asked or the key was
// gone already).
std::optional<PoistettuMerkinta> PoistaMerkinta(Registry& registry, UninstallSource source, const std::string& aliavain,
                                                RegStatus* refused = nullptr);

// Creates the subkey again in its own root and view and writes everything
// back. kErrorSuccess; kErrorAlreadyExists when a key of that name exists
// (it is left exactly as it is); otherwise the error of the call that failed,
// after what this restore created has been deleted again.
RegStatus PalautaMerkinta(Registry& registry, const PoistettuMerkinta& merkinta);

}  // namespace karnio
