// An entry's subkey copied whole just before "&Poista" deletes it, so that the
// deletion can be undone: every value with its name, type and data bytes as
// Windows stores them, read and written through the wide calls so that nothing
// is converted on the way. Not kept: the key's security and last-write time.
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

struct PoistettuMerkinta {
    UninstallSource source;
    std::string aliavain;  // the subkey name, as the lists know it
    std::vector<RegistryValue> values;
};

// Every value of the entry's subkey; nothing when the key cannot be read whole.
std::optional<PoistettuMerkinta> LueMerkinta(Registry& registry, UninstallSource source, const std::string& aliavain);

// Reads the subkey, then deletes it as PoistaAvain does. The copy comes back
// only when it was read whole and the subkey is really gone afterwards.
std::optional<PoistettuMerkinta> PoistaMerkinta(Registry& registry, UninstallSource source, const std::string& aliavain);

// Creates the subkey again in its own root and view and writes every value
// back. kErrorSuccess; kErrorAlreadyExists when a key of that name exists
// (it is left exactly as it is); otherwise the error of the call that failed,
// after what this restore created has been deleted again.
RegStatus PalautaMerkinta(Registry& registry, const PoistettuMerkinta& merkinta);

}  // namespace karnio
